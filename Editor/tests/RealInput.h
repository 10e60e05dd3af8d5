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

// The pace of a hand on the mouse between two events, so that the program sees them apart.
inline void Pace() { Sleep(40); }

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

} // namespace EditorTest
