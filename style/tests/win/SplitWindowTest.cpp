// The splitter between two panes: offset limits, a drag that commits and one cancelled with Esc.
#include "style/win/HorzSplitWindow.h"

#include "app/winutil/Window.h"

#include <gtest/gtest.h>

namespace {

struct Events : Style::HorzSplitWindow::Observer {
    int moved = 0, started = 0, ended = 0;
    bool cancelled = false;
    void SplitMoved() override { ++moved; }
    void DragStarted() override { ++started; }
    void DragEnded(bool c) override { ++ended, cancelled = c; }
};

struct Split : ::testing::Test {
    WinUtil::WindowClass cls{L"QuorvelSplitTest"};
    WinUtil::Window parent;
    HWND left = nullptr, right = nullptr;
    Events events;
    void SetUp() override {
        parent.Create(cls, L"split", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200);
        left = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 100, 100, parent.GetHwnd(), nullptr, nullptr, nullptr);
        right = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 130, 10, 200, 100, parent.GetHwnd(), nullptr, nullptr, nullptr);
    }
    int Width(HWND w) {
        RECT r;
        ::GetWindowRect(w, &r);
        return r.right - r.left;
    }
    static void Pump() {
        MSG m;
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
    }
};

TEST_F(Split, GapIsTheFrameWidthAndOffsetsStayInsideTheLimits)
{
    Style::HorzSplitWindow split(parent, left, right, &events);
    const RECT bar = split.GetBar();
    EXPECT_EQ(bar.right - bar.left, ::GetSystemMetrics(SM_CXFRAME));
    split.SetSplitOffset(3);
    EXPECT_EQ(split.GetSplitOffset(), 10);
    split.SetSplitOffset(5000);
    EXPECT_EQ(Width(right), 10);
    split.SetSplitOffset(150);
    EXPECT_EQ(split.GetSplitOffset(), 150);
    EXPECT_EQ(events.moved, 3);
}

TEST_F(Split, EscapeRestoresThePanesAndAReleaseCommits)
{
    BOOL full = TRUE;
    ::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    ::SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    Style::HorzSplitWindow split(parent, left, right, &events);
    const int before = split.GetSplitOffset();
    const RECT bar = split.GetBar();
    const int x = (bar.left + bar.right) / 2, y = (bar.top + bar.bottom) / 2;
    HWND p = parent.GetHwnd();
    ::PostMessageW(p, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 40, y));
    ::PostMessageW(p, WM_KEYDOWN, 'A', 0);
    ::PostMessageW(p, WM_KEYDOWN, VK_ESCAPE, 0);
    ::SendMessageW(p, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));  // runs the drag loop
    EXPECT_EQ(events.started, 1);
    EXPECT_TRUE(events.cancelled);
    EXPECT_EQ(split.GetSplitOffset(), before);
    EXPECT_FALSE(split.IsDragging());

    ::PostMessageW(p, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 30, y));
    ::PostMessageW(p, WM_LBUTTONUP, 0, MAKELPARAM(x + 30, y));
    ::SendMessageW(p, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Pump();
    EXPECT_EQ(events.ended, 2);
    EXPECT_FALSE(events.cancelled);
    EXPECT_EQ(split.GetSplitOffset(), before + 30);
}

} // namespace
