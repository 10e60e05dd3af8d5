#include "app/winutil/Input.h"

#include <cstdlib>

namespace WinUtil {

bool IsControlKeyDown() { return GetKeyState(VK_CONTROL) < 0; }
bool IsShiftKeyDown() { return GetKeyState(VK_SHIFT) < 0; }

namespace {

// The 500 ms rule for the middle and right buttons. The release stays in the queue: the window
// must see it as if nobody had looked (the right button's release raises WM_CONTEXTMENU).
bool DetectOtherButton(HWND hwnd, POINT start, UINT upMessage) {
    const DWORD begin = GetTickCount();
    const int dragX = GetSystemMetrics(SM_CXDRAG);
    const int dragY = GetSystemMetrics(SM_CYDRAG);
    for (;;) {
        DWORD elapsed = GetTickCount() - begin;
        if (elapsed >= 500) return true;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (msg.message == WM_QUIT || msg.message == upMessage) return false;
            PeekMessageW(&msg, msg.hwnd, msg.message, msg.message, PM_REMOVE);
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) return false;
            if (msg.message == WM_MOUSEMOVE) {
                POINT pos{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
                ClientToScreen(msg.hwnd ? msg.hwnd : hwnd, &pos);
                if (std::abs(pos.x - start.x) * 2 > dragX || std::abs(pos.y - start.y) * 2 > dragY)
                    return true;
                continue;
            }
            if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) continue;
            if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 500 - elapsed, QS_ALLINPUT);
    }
}

} // namespace

bool DragDetect(HWND hwnd, int x, int y, int button) {
    POINT start{x, y};
    if (button == 1) {
        bool dragged = ::DragDetect(hwnd, start) != FALSE;
        if (GetCapture() == hwnd) ReleaseCapture();
        return dragged;
    }
    if (button != 2 && button != 3) return false;
    SetCapture(hwnd);
    bool dragged = DetectOtherButton(hwnd, start, button == 2 ? WM_MBUTTONUP : WM_RBUTTONUP);
    if (GetCapture() == hwnd) ReleaseCapture();
    return dragged;
}

} // namespace WinUtil
