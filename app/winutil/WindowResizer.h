// Moves and stretches a dialog's controls when the dialog changes size.
#pragma once

#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Window.h"

#include <memory>
#include <vector>

namespace WinUtil {

// A rule for one control: records its rectangle, then places it after the parent's change.
class IResizeRule {
public:
    virtual ~IResizeRule() = default;
    // Records the control's rectangle in the parent's client coordinates.
    virtual void Record(HWND parent) = 0;
    // The control and its new rectangle for a change of the parent's client edges (left, top, right, bottom).
    virtual bool Place(const RECT& delta, HWND& control, RECT& rect) const = 0;
};

// Moves a control by the change of the parent's right edge (when right) and bottom edge (when bottom).
class RelativeMover : public IResizeRule {
public:
    RelativeMover(HWND control, bool right, bool bottom) : control_(control), right_(right), bottom_(bottom) {}
    void Record(HWND parent) override;
    bool Place(const RECT& delta, HWND& control, RECT& rect) const override;

private:
    HWND control_;
    bool right_, bottom_;
    RECT rect_{};
};

// Adds the change of each chosen parent edge to the same edge of the control.
class Stretcher : public IResizeRule {
public:
    Stretcher(HWND control, bool left, bool top, bool right, bool bottom)
        : control_(control), left_(left), top_(top), right_(right), bottom_(bottom) {}
    void Record(HWND parent) override;
    bool Place(const RECT& delta, HWND& control, RECT& rect) const override;

private:
    HWND control_;
    bool left_, top_, right_, bottom_;
    RECT rect_{};
};

// Keeps the rules of a dialog and applies them on WM_WINDOWPOSCHANGED and WM_SETTINGCHANGE.
class WindowResizer {
public:
    // Watches the dialog's window (its dispatcher) and records its client rectangle.
    explicit WindowResizer(IWindow& dialog);
    WindowResizer(const WindowResizer&) = delete;
    WindowResizer& operator=(const WindowResizer&) = delete;

    // Adds a rule and records its control.
    void Add(std::unique_ptr<IResizeRule> rule);
    // Records the parent's client rectangle (screen coordinates) and every control again.
    void Record();
    // Applies the rules for the parent's current size (nothing while it is minimised).
    void Apply();

private:
    void OnChange(WinMessage::Msg& msg);

    HWND parent_;
    RECT client_{};
    std::vector<std::unique_ptr<IResizeRule>> rules_;
    WinMessage::WinMsgPlugMap plugs_;
};

} // namespace WinUtil
