// A test pane window of 800 x 600 client pixels at the screen's top-left corner with a screen canvas.
#pragma once

#include "drawing/tests/TestSupport.h"

namespace DrawingTest {

inline constexpr int kW = 800, kH = 600;

// A top-level pane of 800 x 600 client pixels with two scroll bar controls of its own.
class Pane {
public:
    Pane() {
        DrawingTest::EnsureEnvironment();
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"QuorvelDrawingTestPane";
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            RegisterClassW(&wc);
            registered = true;
        }
        RECT r{0, 0, kW, kH};
        AdjustWindowRect(&r, WS_POPUP, FALSE);
        hwnd = CreateWindowExW(0, L"QuorvelDrawingTestPane", L"Canvas test", WS_POPUP, 0, 0, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        hBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_HORZ, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
        vBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
        canvas = DrawingKernel::CreateScreenCanvas(hwnd, hBar, vBar);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);
    }
    ~Pane() {
        canvas.reset();
        DestroyWindow(hwnd);
    }
    // Processes pending messages and copies the client area into the surface.
    void Capture(DrawingKernel::Surface& s) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        UpdateWindow(hwnd);
        s.Clear(RGB(255, 255, 255));
        HDC dc = GetDC(hwnd);
        BitBlt(s.DC(), 0, 0, kW, kH, dc, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, dc);
    }
    // Client pixel of a logical point.
    zq::Point At(double x, double y) const { return zq::RoundPoint(canvas->LogicalToClient({x, y})); }

    HWND hwnd = nullptr, hBar = nullptr, vBar = nullptr;
    std::unique_ptr<ICanvas::IScreenCanvas> canvas;
};

} // namespace DrawingTest
