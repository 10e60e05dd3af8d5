#include "app/winutil/WindowPlacement.h"

#include <cstring>
#include <vector>

namespace WinUtil {

static_assert(sizeof(WINDOWPLACEMENT) == WindowPlacement::StoredSize);

WindowPlacement::WindowPlacement(const WINDOWPLACEMENT& placement) : placement_(placement), valid_(true) {
    placement_.length = sizeof placement_;
}

bool WindowPlacement::ReadFromRegistry(const Registry::Key& key, const wchar_t* name) {
    std::vector<BYTE> data;
    if (!key || !key.QueryBinary(name, data)) return false;
    if (data.size() != StoredSize) return false;
    WINDOWPLACEMENT wp;
    std::memcpy(&wp, data.data(), StoredSize);
    if (wp.length != StoredSize) return false;
    placement_ = wp;
    valid_ = true;
    return true;
}

void WindowPlacement::WriteToRegistry(Registry::Key& key, const wchar_t* name) const {
    if (!valid_) return;
    key.SetBinary(name, &placement_, StoredSize);
}

bool WindowPlacement::ReadFromWindow(HWND window) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(window, &wp)) return false;
    placement_ = wp;
    valid_ = true;
    return true;
}

bool WindowPlacement::ApplyToWindow(HWND window) const {
    if (!valid_) return false;
    WINDOWPLACEMENT wp = placement_;
    wp.length = sizeof wp;
    return SetWindowPlacement(window, &wp) != FALSE;
}

WindowPlacement GetCascadedPlacement(HWND window) {
    WindowPlacement result;
    if (!result.ReadFromWindow(window)) return result;
    WINDOWPLACEMENT wp = result.Get();
    RECT& r = wp.rcNormalPosition;
    int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME);
    if (step <= 0) step = 24;
    OffsetRect(&r, step, step);

    // Keep the window inside the work area of its monitor: start again at its top left when it leaves it.
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoW(monitor, &mi)) {
        // rcNormalPosition is in work-area coordinates for top-level windows.
        RECT work = mi.rcWork;
        OffsetRect(&work, -work.left, -work.top);
        int width = r.right - r.left;
        int height = r.bottom - r.top;
        if (width > work.right) width = work.right;
        if (height > work.bottom) height = work.bottom;
        if (r.left + width > work.right || r.top + height > work.bottom) {
            r.left = 0;
            r.top = 0;
        }
        r.right = r.left + width;
        r.bottom = r.top + height;
    }
    if (wp.showCmd == SW_SHOWMINIMIZED || wp.showCmd == SW_MINIMIZE) wp.showCmd = SW_SHOWNORMAL;
    return WindowPlacement(wp);
}

} // namespace WinUtil
