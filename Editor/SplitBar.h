// The split bar of a document window: across the window between the panes while it is split,
// else a small split box above the vertical scroll bar. Dragged with the mouse or moved with the
// keyboard, it splits, moves or removes the split.
#pragma once

#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Window.h"

#include <memory>

namespace Editor {

// What the split bar asks of its document window.
class ISplitHost {
public:
    virtual ~ISplitHost() = default;
    // The frame window.
    virtual HWND GetFrame() const = 0;
    // The toolbar's height (0 while hidden).
    virtual int GetToolbarHeight() const = 0;
    // Makes the lower pane (the window has just become split).
    virtual void CreateSecondView() = 0;
    // Removes the lower pane and activates the upper one.
    virtual void RemoveSecondView() = 0;
    // Places the children again.
    virtual void Layout() = 0;
    // Focuses the active pane again.
    virtual void FocusActivePane() = 0;
};

class SplitBar {
public:
    // Makes the bar's window as a child of the host's frame; the host's layout places it.
    explicit SplitBar(ISplitHost& host);
    SplitBar(const SplitBar&) = delete;
    SplitBar& operator=(const SplitBar&) = delete;
    ~SplitBar();

    HWND GetHwnd() const { return window_.GetHwnd(); }
    bool IsSplit() const { return split_; }
    int GetSplitPos() const { return splitPos_; }
    bool IsTracking() const { return tracking_; }
    // Takes the split state the layout decided (a window too small loses its split).
    void SetLayoutState(bool split, int splitPos);

    // Starts tracking at frame client y (ignored while tracking).
    void BeginTracking(int y, bool fromKeyboard);
    // Ends tracking: applied, the bar's place splits or unsplits the window; cancelled, nothing.
    void EndTracking(bool cancel);
    // Removes the split.
    void Unsplit();
    // The Split command: keyboard tracking from the bar's middle (split) or the window's middle.
    void StartFromKeyboard();

private:
    void OnPaint(WinMessage::Msg& msg);
    void OnSetCursor(WinMessage::Msg& msg);
    void OnLButtonDown(WinMessage::MouseMsg& msg);
    void OnLButtonUp(WinMessage::MouseMsg& msg);
    void OnLButtonDblClk(WinMessage::MouseMsg& msg);
    void OnMouseMove(WinMessage::MouseMsg& msg);
    void OnCancelMode(WinMessage::Msg& msg);
    void OnKeyDown(WinMessage::Msg& msg);
    int FrameY(const WinMessage::MouseMsg& msg) const;
    RECT FrameClient() const;
    RECT TrackRect(int y) const;
    void DrawTracker(const RECT& r) const;
    void MoveTracker(int y);

    ISplitHost& host_;
    bool tracking_ = false;
    bool keyboard_ = false;
    HBRUSH brush_ = nullptr;
    WinUtil::Window window_;
    RECT tracker_{};
    bool trackerShown_ = false;
    int splitPos_ = 0;
    bool split_ = false;
    POINT savedCursor_{};
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
};

} // namespace Editor
