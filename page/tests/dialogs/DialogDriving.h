// Driving dialogs from a second thread of the test: finding windows and controls, typing into
// fields and reading the pixels a window shows on the screen.
#pragma once

#include "app/tests/fw2/Polling.h"
#include "app/winutil/Platform.h"

#include <string>
#include <vector>

namespace DialogTest {

using AppTest::WaitFor;

// The visible top-level dialog of the process with the caption, or null.
inline HWND FindDialog(const wchar_t* caption)
{
    HWND w = ::FindWindowW(L"#32770", caption);
    return (w && ::IsWindowVisible(w)) ? w : nullptr;
}

// The child dialog (tab page) of parent that holds control id, or null.
inline HWND FindPageWith(HWND parent, int id)
{
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (::GetDlgItem(c, id)) return c;
    return nullptr;
}

// Replaces the text of an edit field as typing would (the parent gets EN_CHANGE).
inline void Type(HWND dialog, int id, const wchar_t* text)
{
    ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, LPARAM(text));
}

inline std::wstring TextOf(HWND window)
{
    wchar_t buffer[512] = {};
    ::GetWindowTextW(window, buffer, 512);
    return buffer;
}

// The texts of a combo box's list.
inline std::vector<std::wstring> ComboItems(HWND combo)
{
    std::vector<std::wstring> items;
    const LRESULT n = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buffer[512] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, i, LPARAM(buffer));
        items.emplace_back(buffer);
    }
    return items;
}

// The pixels a window shows, row by row from the top, as COLORREF.
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    // The number of runs of pixels other than gap along row y, or down column x.
    int RunsAcross(int y, COLORREF gap) const { return Runs(width, gap, [&](int i) { return At(i, y); }); }
    int RunsDown(int x, COLORREF gap) const { return Runs(height, gap, [&](int i) { return At(x, i); }); }
    template <class Pixel>
    static int Runs(int length, COLORREF gap, Pixel pixel) {
        int runs = 0;
        bool in = false;
        for (int i = 0; i < length; ++i) {
            const bool other = pixel(i) != gap;
            runs += other && !in;
            in = other;
        }
        return runs;
    }
    int Count(COLORREF c) const {
        int n = 0;
        for (COLORREF p : pixels) n += p == c;
        return n;
    }
};

// Copies the window's client area from the screen (it is in front; its children are drawn there).
inline Picture Grab(HWND window)
{
    Picture p;
    RECT r{};
    ::GetClientRect(window, &r);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    p.width = r.right;
    p.height = r.bottom;
    if (p.width <= 0 || p.height <= 0) return p;
    ::UpdateWindow(window);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, p.width, p.height);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, p.width, p.height, screen, origin.x, origin.y, SRCCOPY);
    ::SelectObject(mem, old);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> raw(std::size_t(p.width) * p.height);
    ::GetDIBits(mem, bmp, 0, p.height, raw.data(), &bi, DIB_RGB_COLORS);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    p.pixels.reserve(raw.size());
    for (DWORD v : raw) p.pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return p;
}

} // namespace DialogTest
