#include "app/winutil/Modal.h"

#include "app/winutil/CursorManager.h"
#include "app/winutil/Guard.h"

#include <algorithm>

namespace WinUtil {
namespace {

thread_local WindowDisabler* t_innermost = nullptr;

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM param) {
    return GuardedFunctionCall("WinUtil::WindowDisabler::CollectEnabled", [&] {
        if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    }) ? TRUE : FALSE;
}

} // namespace

WindowDisabler::WindowDisabler() : active_(GetActiveWindow()), outer_(t_innermost) {
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled_));
    for (HWND hwnd : disabled_) EnableWindow(hwnd, FALSE);
    t_innermost = this;
}

WindowDisabler::~WindowDisabler() {
    t_innermost = outer_;
    for (HWND hwnd : disabled_)
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    if (active_ && IsWindow(active_)) {
        HWND popup = GetLastActivePopup(active_);
        SetActiveWindow(popup && IsWindowEnabled(popup) ? popup : active_);
    }
}

bool WindowDisabler::IsActive() { return t_innermost != nullptr; }

void WindowDisabler::AddWindow(HWND hwnd) {
    WindowDisabler* disabler = t_innermost;
    if (!disabler || !IsWindow(hwnd) || !IsWindowEnabled(hwnd)) return;
    if (std::find(disabler->disabled_.begin(), disabler->disabled_.end(), hwnd) != disabler->disabled_.end())
        return;
    EnableWindow(hwnd, FALSE);
    disabler->disabled_.push_back(hwnd);
}

QuitMessageSaver::QuitMessageSaver() {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE | PM_NOYIELD)) {
        hasQuit_ = true;
        exitCode_ = static_cast<int>(msg.wParam);
    }
}

QuitMessageSaver::~QuitMessageSaver() {
    if (hasQuit_) PostQuitMessage(exitCode_);
}

int MessageBox(const wchar_t* caption, const wchar_t* text, UINT type) {
    CursorManager::ModalGuard suspended;
    return MessageBoxW(GetActiveWindow(), text, caption, type);
}

} // namespace WinUtil
