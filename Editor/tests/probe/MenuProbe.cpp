// A hook module for the editor's start-up test. Menus belong to the process
// that made them, so the test cannot read another process's menu bar directly;
// this hook runs inside the editor's thread, reads the menu there and posts
// the answer back to the asking thread.
#include "app/winutil/Platform.h"

namespace {

UINT ProbeMessage() { return RegisterWindowMessageW(L"Quorvel.MenuProbe.Ask"); }

UINT ReplyMessage() { return RegisterWindowMessageW(L"Quorvel.MenuProbe.Reply"); }

// The command of the first item of the menu bar's first popup, 0 when there is none.
UINT FirstCommand(HWND window) {
    HMENU bar = GetMenu(window);
    HMENU first = bar ? GetSubMenu(bar, 0) : nullptr;
    if (!first) return 0;
    const UINT id = GetMenuItemID(first, 0);
    return id == static_cast<UINT>(-1) ? 0 : id;
}

} // namespace

// WH_GETMESSAGE hook: answers the ask message (lParam: the asking thread's id)
// with the reply message carrying the first command and the popup count.
extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == ProbeMessage() && msg->hwnd) {
            HMENU bar = GetMenu(msg->hwnd);
            const int popups = bar ? GetMenuItemCount(bar) : -1;
            PostThreadMessageW(static_cast<DWORD>(msg->lParam), ReplyMessage(), FirstCommand(msg->hwnd),
                               static_cast<LPARAM>(popups));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
