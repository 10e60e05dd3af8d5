// The numbered list of all document windows at the end of every Window menu, with "&More
// Windows..." and its selection dialog when there are more than nine.
#pragma once

#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Platform.h"

#include <memory>
#include <string>
#include <vector>

namespace Editor {

class WindowImp;

// One document window's entry in the process-wide list of windows.
class WindowList {
public:
    // Enters the window in the list and watches its Window menu and commands.
    explicit WindowList(WindowImp& window);
    WindowList(const WindowList&) = delete;
    WindowList& operator=(const WindowList&) = delete;
    // Leaves the list (every window's menu is rebuilt next time).
    ~WindowList();

    // Stores the window's list caption; when it changed, every Window menu is rebuilt next time it opens.
    void SetCaption(const std::wstring& caption);
    const std::wstring& GetCaption() const { return caption_; }
    // Brings the window to the front with the keyboard; a minimised one is restored first.
    void Activate() const;
    // The Window menu items must be rebuilt before it shows next.
    void MarkStale() { stale_ = true; }
    // The window of the entry.
    WindowImp& GetWindow() const { return window_; }

    // Every entry, sorted by caption (ordinal order of the UTF-16 code units).
    static const std::vector<WindowList*>& Sorted();

private:
    void OnInitMenuPopup(WinMessage::Msg& msg);
    void OnCommand(WinMessage::Msg& msg);
    void Rebuild();
    void ShowDialog();

    WindowImp& window_;
    std::wstring caption_ = L"unknown";
    bool stale_ = true;
    HMENU menu_ = nullptr;  // the window's Window submenu
    int appended_ = 0;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
};

// Orders two captions by their UTF-16 code units (a prefix first).
bool CaptionLess(const std::wstring& a, const std::wstring& b);

} // namespace Editor
