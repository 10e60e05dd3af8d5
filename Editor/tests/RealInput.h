// Real keyboard and mouse input for the tests that drive a started editor (SendInput): what a
// hand on the keys and the mouse does, at its pace.
#pragma once

#include "Editor/tests/EditorWindows.h"
#include "app/winutil/Platform.h"

#include <string>

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

// A key pressed with a modifier held (VK_CONTROL, VK_MENU) at a hand's pace, so that the program
// sees the chord whole before it is let go.
inline void PacedChord(WORD modifier, WORD vk) {
    Key(modifier, false);
    Key(vk, false);
    Pace();
    Key(vk, true);
    Key(modifier, true);
}

// Drags from one screen point to another in steps with a button (down and up: MOUSEEVENTF_LEFTDOWN
// and MOUSEEVENTF_LEFTUP, or the right button's pair), and lets go there.
inline void DragWith(POINT from, POINT to, DWORD down, DWORD up) {
    MoveTo(from);
    Pace();
    Button(down);
    Pace();
    for (int i = 1; i <= 8; ++i) {
        MoveTo({from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8});
        Pace();
    }
    Button(up);
}

// Runs xdotool with the arguments: X events, as the X server gets them from a device. Wine's drag
// and drop loop sees a left button held this way, where it takes one pressed through SendInput for
// released. The program runs on its own: callers wait for what it does.
inline bool XDoTool(const std::wstring& args) {
    return StartHostProgram(L"Z:\\usr\\bin\\xdotool " + args);
}

// Moves the pointer to the screen point with an X event; true once Wine has it there.
inline bool XMoveTo(POINT screen) {
    if (!XDoTool(L"mousemove " + std::to_wstring(screen.x) + L" " + std::to_wstring(screen.y))) return false;
    return WaitFor([&] {
        POINT now{};
        return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
    });
}

// Presses (down) or releases the left button with an X event; true once Wine sees it so.
inline bool XLeftButton(bool down) {
    if (!XDoTool(down ? L"mousedown 1" : L"mouseup 1")) return false;
    return WaitFor([&] { return ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0) == down; });
}

// Presses (down) or releases the Ctrl key with an X event; true once Wine sees it so.
inline bool XControlKey(bool down) {
    if (!XDoTool(down ? L"keydown ctrl" : L"keyup ctrl")) return false;
    return WaitFor([&] { return ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) == down; });
}

} // namespace EditorTest
