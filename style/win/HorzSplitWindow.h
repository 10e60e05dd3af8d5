// A vertical splitter bar in the gap between two side-by-side child windows of a dialog: dragging
// it with the left button changes the left window's width, Esc cancels the drag.
#pragma once

#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Platform.h"
#include "app/winutil/Window.h"

#include <memory>

namespace Style {

class HorzSplitWindow {
public:
    // Told about moves and drags of the bar.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void SplitMoved() = 0;
        virtual void DragStarted() = 0;
        virtual void DragEnded(bool cancelled) = 0;
    };
    // The smallest width either pane keeps.
    static constexpr int kMinPane = 10;

    // Binds to the parent's messages, sets the gap to the frame width; observer may be null.
    HorzSplitWindow(WinUtil::IWindow& parent, HWND left, HWND right, Observer* observer);
    ~HorzSplitWindow();
    HorzSplitWindow(const HorzSplitWindow&) = delete;
    HorzSplitWindow& operator=(const HorzSplitWindow&) = delete;

    // The left pane's width in pixels.
    int GetSplitOffset() const;
    // Sets the left pane's width: at least 10, leaving the right pane at least 10 wide.
    void SetSplitOffset(int width);
    // The gap in the parent's client coordinates.
    RECT GetBar() const { return bar_; }
    // Whether a drag runs.
    bool IsDragging() const { return dragging_; }

private:
    RECT PaneRect(HWND pane) const;
    void MovePanes(int leftRight, int rightLeft);
    void ResetGap();
    void ComputeBar();
    void StartDrag(POINT at);
    void PlaceDragBar(POINT at);
    void DrawDragBar() const;
    void ApplyDragBar();
    void EndDrag(POINT at);
    void CancelDrag();
    void RunDragLoop();

    void OnSetCursor(WinMessage::Msg& msg);
    void OnButtonDown(WinMessage::Msg& msg);
    void OnButtonUp(WinMessage::Msg& msg);
    void OnMouseMove(WinMessage::Msg& msg);
    void OnActivate(WinMessage::Msg& msg);
    void OnCaptureChanged(WinMessage::Msg& msg);
    void OnSettingChange(WinMessage::Msg& msg);
    void OnPosChanged(WinMessage::Msg& msg);

    HWND parent_, left_, right_;
    Observer* observer_;
    bool dragging_ = false;
    bool fullDrag_ = true;
    RECT bar_{}, dragBar_{}, savedBar_{};
    int grip_ = 0;
    HBRUSH pattern_ = nullptr;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
};

} // namespace Style
