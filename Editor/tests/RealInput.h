// Real keyboard and mouse input for the tests that drive a started editor (SendInput): what a
// hand on the keys and the mouse does, at its pace.
#pragma once

#include "app/winutil/Platform.h"

namespace EditorTest {

inline void SendOne(INPUT input) { SendInput(1, &input, sizeof input); }

// Presses (up false) or releases a key.
inline void Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendOne(in);
}

// A mouse button event (MOUSEEVENTF_LEFTDOWN ...) where the pointer is.
inline void Button(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendOne(in);
}

// Moves the pointer as a mouse does, in absolute units of the screen (0 to 65535).
inline void MoveTo(POINT screen) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = (screen.x * 65536 + w - 1) / w;
    in.mi.dy = (screen.y * 65536 + h - 1) / h;
    SendOne(in);
}

// How many arrow-down presses select the command in a popup of the menu resource (separators
// are passed over), 0 when it is not there.
inline int DownPresses(UINT menuId, UINT command) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId));
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    int presses = 0, found = 0;
    for (int i = 0; popup && i < GetMenuItemCount(popup) && !found; ++i) {
        if (GetMenuState(popup, i, MF_BYPOSITION) & MF_SEPARATOR) continue;
        ++presses;
        if (GetMenuItemID(popup, i) == command) found = presses;
    }
    if (menu) DestroyMenu(menu);
    return found;
}

// The pace of a hand on the mouse between two events, so that the program sees them apart.
inline void Pace() { Sleep(40); }

} // namespace EditorTest
