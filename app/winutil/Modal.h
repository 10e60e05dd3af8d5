// Helpers of modal operations: disabling the thread's windows, holding back a quit message,
// message boxes with the busy cursor suspended.
#pragma once

#include "app/winutil/Platform.h"

#include <vector>

namespace WinUtil {

// While it lives, every visible enabled top-level window of the thread is disabled; the destructor
// enables them again and reactivates the window that was active.
class WindowDisabler {
public:
    WindowDisabler();
    WindowDisabler(const WindowDisabler&) = delete;
    WindowDisabler& operator=(const WindowDisabler&) = delete;
    ~WindowDisabler();
    // Whether a disabler of this thread is alive (a window created meanwhile calls AddWindow).
    static bool IsActive();
    // Disables hwnd under the innermost live disabler of the thread (no effect without one).
    static void AddWindow(HWND hwnd);

private:
    std::vector<HWND> disabled_;
    HWND active_;
    WindowDisabler* outer_;
};

// Takes a pending WM_QUIT out of the queue and posts it again when destroyed.
class QuitMessageSaver {
public:
    QuitMessageSaver();
    QuitMessageSaver(const QuitMessageSaver&) = delete;
    QuitMessageSaver& operator=(const QuitMessageSaver&) = delete;
    ~QuitMessageSaver();
    // Whether a quit message was held back.
    bool HasQuit() const { return hasQuit_; }

private:
    bool hasQuit_ = false;
    int exitCode_ = 0;
};

// MessageBoxW over the active window with the busy cursor suspended; answers the box's result.
int MessageBox(const wchar_t* caption, const wchar_t* text, UINT type);

} // namespace WinUtil
