// Zoom of a document window's active pane as whole percents: the Zoom menu's commands, the radio
// mark of its items, and the modeless Zoom dialog.
#pragma once

#include "app/Commands.h"
#include "app/Dialog.h"
#include "app/winutil/WindowPlacement.h"
#include "drawing/DrawingKernel.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace Editor {

class ClientView;
class WindowImp;

namespace Zoom {
// The presets the zoom box and the dialog show by name, largest first.
inline constexpr std::array<int, 7> kPresets{400, 200, 150, 100, 75, 50, 25};
// The value of "Fit Window" in the zoom box's item data.
inline constexpr int kFitWindow = -99;
// The percent of a zoom factor, rounded half up.
int PercentOf(double factor);
// Whether the canvas would show the preset percent as p (its own rounding of the preset).
bool MatchesPreset(const ICanvas::IScreenCanvas& canvas, int p, int preset);
// The canvas's percent, shown as the first preset it matches, else as itself.
int ShownPercent(const ICanvas::IScreenCanvas& canvas);
// A percent typed into the zoom box (a decimal integer, anything may follow it, "%" say); nothing
// when it does not read or lies outside 10 to 10000.
std::optional<int> ParseTyped(const std::wstring& text);
// The Zoom menu command that carries the radio mark for the canvas's zoom (40023 to 40027).
UINT CheckedCommand(const ICanvas::IScreenCanvas& canvas);
// The reference point of the window's zoom commands: the middle of its client area.
zq::Point Middle(HWND frame);
} // namespace Zoom

class ZoomCmdHandler;

// The modeless Zoom dialog: a percent field with its arrows, seven preset buttons and Fit Window.
// It drives the pane that was active when it opened, whichever pane the user activates later.
class ZoomDialog : public Application::ModelessDialog, private Application::EditCtrlHelper::IObserver {
public:
    ZoomDialog(WindowImp& window, ZoomCmdHandler& handler, ClientView& pane);
    ~ZoomDialog() override;
    // Shows its pane's current zoom in the field and the buttons.
    void Refresh();
    // A pane is about to go: when it is the dialog's, the dialog drives the remaining one.
    void PaneRemoved(const ClientView& gone, ClientView& remaining);

private:
    BOOL OnInitDialog() override;
    void ValueChanged(Application::EditCtrlHelper& control) override;
    void OnPreset(const Application::CommandMsg& msg);
    void OnFit(const Application::CommandMsg& msg);
    void OnClose(const Application::CommandMsg& msg);
    void OnCloseMessage(WinMessage::Msg& msg);
    void OnNotify(WinMessage::Msg& msg);
    void SetRadioButtons();
    void Apply(int percent);
    ICanvas::IScreenCanvas& Canvas() const;

    WindowImp& window_;
    ZoomCmdHandler& handler_;
    ClientView* pane_;
    std::unique_ptr<Application::PercentEditCtrl> percent_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    bool refreshing_ = false;  // set while the dialog writes the window's zoom into its field
};

// The Zoom menu of one window: fixed percents, Fit Window, Zoom In and Out, Custom.
class ZoomCmdHandler {
public:
    // Binds the zoom commands on the window's router.
    explicit ZoomCmdHandler(WindowImp& window);
    ~ZoomCmdHandler();
    // Told after every zoom change of the window's panes: the radio mark and an open dialog follow.
    void ZoomChanged();
    // The open Zoom dialog, or null.
    ZoomDialog* GetDialog() const { return dialog_.get(); }
    // Keeps the dialog's placement and destroys it.
    void CloseDialog();
    // A pane of the window is about to go (the split is removed).
    void PaneRemoved(const ClientView& gone, ClientView& remaining);
    // Where the dialog stood when it last closed (not valid before).
    const WinUtil::WindowPlacement& GetPlacement() const { return placement_; }

private:
    void OnPercent(const Application::CommandMsg& msg);
    void OnFit(const Application::CommandMsg& msg);
    void OnStep(const Application::CommandMsg& msg);
    void OnCustom(const Application::CommandMsg& msg);

    WindowImp& window_;
    Application::WinCmdPlugSet commands_;
    WinUtil::WindowPlacement placement_;
    std::unique_ptr<ZoomDialog> dialog_;
    std::unique_ptr<ZoomDialog> closed_;  // closed from inside its own handler, freed later
};

} // namespace Editor
