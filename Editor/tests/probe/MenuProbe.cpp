// A hook module for the tests that drive the editor. Menus belong to the
// process that made them, so a test cannot read another process's menus
// directly; this hook runs inside the editor's thread, reads the menu bar or
// the items of a shown context menu there and hands the answer back.
#include "Editor/tests/probe/MenuItems.h"
#include "app/winutil/Platform.h"

#include <string>

namespace {

UINT ProbeMessage() { return RegisterWindowMessageW(L"Quorvel.MenuProbe.Ask"); }

UINT ReplyMessage() { return RegisterWindowMessageW(L"Quorvel.MenuProbe.Reply"); }

UINT ItemsMessage() { return RegisterWindowMessageW(L"Quorvel.MenuProbe.Items"); }

UINT StatesMessage() { return RegisterWindowMessageW(L"Quorvel.MenuProbe.States"); }

// The command of the first item of the menu bar's first popup, 0 when there is none.
UINT FirstCommand(HWND window) {
    HMENU bar = GetMenu(window);
    HMENU first = bar ? GetSubMenu(bar, 0) : nullptr;
    if (!first) return 0;
    const UINT id = GetMenuItemID(first, 0);
    return id == static_cast<UINT>(-1) ? 0 : id;
}

// The items of the popup a menu window (class "#32768") shows.
std::wstring PopupItems(HWND menuWindow) {
    HMENU popup = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    return popup ? MenuItems(popup) : std::wstring();
}

// The states of the popup a menu window shows, or of a window's whole menu bar.
std::wstring States(HWND window) {
    wchar_t cls[16] = L"";
    GetClassNameW(window, cls, 16);
    HMENU menu = std::wstring(cls) == L"#32768" ? reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0))
                                                : GetMenu(window);
    return menu ? MenuStates(menu) : std::wstring(L"no menu");
}

// Sets the asking window's text (wParam) to the answer. Not given up when the asking thread looks
// hung: on a loaded machine it may not have looked at its messages for seconds when the answer comes.
void Answer(const MSG& msg, const std::wstring& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(reinterpret_cast<HWND>(msg.wParam), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_NORMAL, 60000, &ignored);
}

} // namespace

// WH_GETMESSAGE hook: answers the ask message (lParam: the asking thread's id)
// with the reply message carrying the first command and the popup count; the
// items message to a menu window (wParam: a window of the asking thread) by
// setting that window's text to the menu's items; and the states message to a
// menu window or a frame likewise with the greyed states of its items. A press
// of F24 (a key no keyboard has) signals the event "Quorvel.MenuProbe.InputHandled":
// the editor has handled the input given before it.
extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == ProbeMessage() && msg->hwnd) {
            HMENU bar = GetMenu(msg->hwnd);
            const int popups = bar ? GetMenuItemCount(bar) : -1;
            PostThreadMessageW(static_cast<DWORD>(msg->lParam), ReplyMessage(), FirstCommand(msg->hwnd),
                               static_cast<LPARAM>(popups));
        } else if (msg->message == WM_KEYDOWN && msg->wParam == VK_F24) {
            if (HANDLE handled = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Quorvel.MenuProbe.InputHandled")) {
                SetEvent(handled);
                CloseHandle(handled);
            }
        } else if (msg->message == ItemsMessage() && msg->hwnd) {
            Answer(*msg, PopupItems(msg->hwnd));
        } else if (msg->message == StatesMessage() && msg->hwnd) {
            Answer(*msg, States(msg->hwnd));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
