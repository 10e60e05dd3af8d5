// Window messages as objects, and the typed crackers the bindings hand to their handlers.
#pragma once

#include "app/winutil/Platform.h"

namespace WinMessage {

// One window message on its way through a window's dispatcher.
class Msg {
public:
    // The window, message id and parameters as the window procedure received them.
    Msg(HWND hwnd, UINT id, WPARAM wParam, LPARAM lParam)
        : hwnd(hwnd), id(id), wParam(wParam), lParam(lParam) {}

    HWND hwnd;
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
    // The window procedure's answer, set by the consuming handler.
    LRESULT result = 0;
    // Set by a handler to pass the message on to the window's previous (default) procedure.
    BYTE passToDefault = 0;
};

// Mouse messages (WM_MOUSEMOVE, the button messages): position in client coordinates, key state.
class MouseMsg : public Msg {
public:
    using Msg::Msg;
    // Client x and y (signed).
    int X() const { return static_cast<short>(LOWORD(lParam)); }
    int Y() const { return static_cast<short>(HIWORD(lParam)); }
    POINT Pos() const { return POINT{X(), Y()}; }
    // The MK_* key state.
    UINT KeyState() const { return static_cast<UINT>(LOWORD(wParam)); }
    // Whether button 1 (left), 2 (middle) or 3 (right) is down in the key state.
    bool IsButtonDown(int button) const;
    // Whether the Ctrl or Shift key is down in the key state.
    bool IsControlDown() const { return (KeyState() & MK_CONTROL) != 0; }
    bool IsShiftDown() const { return (KeyState() & MK_SHIFT) != 0; }
};

using WM_MOUSEMOVE_Msg = MouseMsg;
using WM_LBUTTONDOWN_Msg = MouseMsg;
using WM_LBUTTONUP_Msg = MouseMsg;
using WM_LBUTTONDBLCLK_Msg = MouseMsg;
using WM_RBUTTONDOWN_Msg = MouseMsg;
using WM_RBUTTONUP_Msg = MouseMsg;
using WM_RBUTTONDBLCLK_Msg = MouseMsg;
using WM_MBUTTONDOWN_Msg = MouseMsg;
using WM_MBUTTONUP_Msg = MouseMsg;

// WM_MOUSEWHEEL: screen position, key state and the signed wheel delta.
class WM_MOUSEWHEEL_Msg : public MouseMsg {
public:
    using MouseMsg::MouseMsg;
    // The wheel rotation in multiples of WHEEL_DELTA.
    int Delta() const { return static_cast<short>(HIWORD(wParam)); }
};

// WM_CONTEXTMENU: the window clicked and the screen position (both -1 from the keyboard).
class WM_CONTEXTMENU_Msg : public Msg {
public:
    using Msg::Msg;
    // The window in which the user asked for the menu.
    HWND Window() const { return reinterpret_cast<HWND>(wParam); }
    // The screen position as sent.
    POINT ScreenPos() const;
    // Whether the menu was asked for from the keyboard (both coordinates 0xFFFF).
    bool IsFromKeyboard() const;
    // The position in the client coordinates of the message's window.
    POINT ClientPos() const;
};

// WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP.
class KeyMsg : public Msg {
public:
    using Msg::Msg;
    // The virtual key code.
    UINT VirtualKey() const { return static_cast<UINT>(wParam); }
    // The repeat count of the message.
    UINT RepeatCount() const { return static_cast<UINT>(lParam & 0xFFFF); }
    // Whether the key was down before this message (auto-repeat).
    bool WasDown() const { return (lParam & (1L << 30)) != 0; }
};

using WM_KEYDOWN_Msg = KeyMsg;
using WM_KEYUP_Msg = KeyMsg;

// WM_CHAR: the UTF-16 code unit typed.
class WM_CHAR_Msg : public Msg {
public:
    using Msg::Msg;
    wchar_t Char() const { return static_cast<wchar_t>(wParam); }
};

// WM_SETCURSOR: the window under the cursor, the hit-test code and the mouse message.
class WM_SETCURSOR_Msg : public Msg {
public:
    using Msg::Msg;
    HWND Window() const { return reinterpret_cast<HWND>(wParam); }
    UINT HitTest() const { return LOWORD(lParam); }
    UINT MouseMessage() const { return HIWORD(lParam); }
};

// WM_COMMAND: the command id, notification code and control.
class WM_COMMAND_Msg : public Msg {
public:
    using Msg::Msg;
    UINT CommandId() const { return LOWORD(wParam); }
    UINT NotifyCode() const { return HIWORD(wParam); }
    HWND Control() const { return reinterpret_cast<HWND>(lParam); }
};

// WM_SIZE: the size kind (SIZE_*) and the new client size.
class WM_SIZE_Msg : public Msg {
public:
    using Msg::Msg;
    UINT Kind() const { return static_cast<UINT>(wParam); }
    int Width() const { return LOWORD(lParam); }
    int Height() const { return HIWORD(lParam); }
};

// WM_TIMER: the timer id.
class WM_TIMER_Msg : public Msg {
public:
    using Msg::Msg;
    UINT_PTR TimerId() const { return wParam; }
};

// WM_ACTIVATE: the activation state and whether the window is minimised.
class WM_ACTIVATE_Msg : public Msg {
public:
    using Msg::Msg;
    UINT State() const { return LOWORD(wParam); }
    bool IsMinimized() const { return HIWORD(wParam) != 0; }
    HWND Other() const { return reinterpret_cast<HWND>(lParam); }
};

// WM_COPYDATA: the sending window and the data block.
class WM_COPYDATA_Msg : public Msg {
public:
    using Msg::Msg;
    HWND Sender() const { return reinterpret_cast<HWND>(wParam); }
    const COPYDATASTRUCT* Data() const { return reinterpret_cast<const COPYDATASTRUCT*>(lParam); }
};

} // namespace WinMessage
