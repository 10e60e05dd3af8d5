// The screen canvas's text caret and its auto-scroller for OLE drags.
#include "drawing/tests/TestPane.h"

using DrawingTest::kH;
using DrawingTest::kW;
using DrawingTest::Pane;

namespace {

// The thread's caret: its window and rectangle in that window's client pixels.
struct CaretState {
    HWND window = nullptr;
    RECT rect{};
};

CaretState Caret() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    CaretState c;
    if (GetGUIThreadInfo(GetCurrentThreadId(), &info)) {
        c.window = info.hwndCaret;
        c.rect = info.rcCaret;
    }
    return c;
}

zq::Point CaretPos() {
    POINT p{-1, -1};
    GetCaretPos(&p);
    return {p.x, p.y};
}

struct ScrollSpy : ICanvas::IScrollObserver {
    void OnScrolled(const zq::float8Point& p) override { ++calls; last = p; }
    int calls = 0;
    zq::float8Point last;
};

// Dispatches messages until the condition holds or the time is up; returns the condition.
template <class F>
bool PumpUntil(F&& done, DWORD ms) {
    const DWORD deadline = GetTickCount() + ms;
    while (!done()) {
        if (GetTickCount() > deadline) return false;
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        else MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

zq::Point ScrollPos(const Pane& pane) {
    zq::Point p;
    pane.canvas->GetScrollPos(p);
    return p;
}

} // namespace

TEST(Caret, ShowsAtTheLogicalPointAndFollowsMovesScrollsAndZoom) {
    Pane pane;
    pane.canvas->ScrollPointTo({0, 0}, {0, 0});
    pane.canvas->ShowCaret({2540, -2540}, 500);
    CaretState c = Caret();
    EXPECT_EQ(c.window, pane.hwnd);
    EXPECT_EQ(c.rect.bottom - c.rect.top, zq::Round(500 * 96 / 2540.0));
    EXPECT_EQ(CaretPos(), zq::Point(96, 96));
    // Moving it keeps the same caret.
    pane.canvas->ShowCaret({5080, -1270}, 500);
    EXPECT_EQ(CaretPos(), zq::Point(192, 48));
    // It stays on its logical point while the view scrolls.
    pane.canvas->SetScrollPos({10, 20});
    EXPECT_EQ(CaretPos(), zq::Point(182, 28));
    // Zooming moves it and scales its height.
    pane.canvas->SetZoom(2.0, {0, 0});
    c = Caret();
    EXPECT_EQ(c.rect.bottom - c.rect.top, zq::Round(1000 * 96 / 2540.0));
    EXPECT_EQ(CaretPos(), zq::RoundPoint(pane.canvas->LogicalToClient({5080, -1270})));
    pane.canvas->HideCaret();
    EXPECT_EQ(Caret().window, nullptr);
    // Hiding twice is harmless; showing again makes a new caret.
    pane.canvas->HideCaret();
    pane.canvas->ShowCaret({0, 0}, 300);
    EXPECT_EQ(Caret().window, pane.hwnd);
    EXPECT_EQ(CaretPos(), zq::RoundPoint(pane.canvas->LogicalToClient({0, 0})));
}

TEST(Caret, ACanvasLeavesAloneTheCaretAnotherWindowTook) {
    Pane a, b;
    a.canvas->ShowCaret({1000, -1000}, 400);
    b.canvas->ShowCaret({2000, -2000}, 400);
    ASSERT_EQ(Caret().window, b.hwnd);
    const zq::Point atB = CaretPos();
    // The first canvas scrolls, zooms and hides its caret: the second one's stays as it was.
    a.canvas->SetScrollPos({33, 44});
    a.canvas->SetZoom(3.0, {0, 0});
    EXPECT_EQ(CaretPos(), atB);
    a.canvas->HideCaret();
    EXPECT_EQ(Caret().window, b.hwnd);
    EXPECT_EQ(CaretPos(), atB);
    // Showing it again takes the caret back.
    a.canvas->ShowCaret({1000, -1000}, 400);
    EXPECT_EQ(Caret().window, a.hwnd);
    EXPECT_EQ(CaretPos(), zq::RoundPoint(a.canvas->LogicalToClient({1000, -1000})));
}

TEST(DragDropScroller, ScrollsWhileThePointerIsNearTheBorderAndStopsWhenItLeaves) {
    Pane pane;
    ScrollSpy spy;
    pane.canvas->GetScrollObservers().Add(&spy);
    POINT inside{kW / 2, kH / 2};
    ClientToScreen(pane.hwnd, &inside);
    POINT nearRight{kW - 3, kH / 2};
    ClientToScreen(pane.hwnd, &nearRight);
    POINT nearTop{kW / 2, 2};
    ClientToScreen(pane.hwnd, &nearTop);
    {
        // Without a scroller the border does nothing.
        SetCursorPos(nearRight.x, nearRight.y);
        const zq::Point start = ScrollPos(pane);
        PumpUntil([] { return false; }, 200);
        EXPECT_EQ(ScrollPos(pane), start);
    }
    auto scroller = pane.canvas->CreateDragDropScroller();
    const zq::Point start = ScrollPos(pane);
    // It goes on scrolling, tick after tick, while the pointer stays there.
    ASSERT_TRUE(PumpUntil([&] { return spy.calls >= 2; }, 3000));
    EXPECT_GT(ScrollPos(pane).x, start.x);
    EXPECT_EQ(ScrollPos(pane).y, start.y);
    const zq::float8Point expect = pane.canvas->ScreenToLogical({nearRight.x, nearRight.y});
    EXPECT_NEAR(spy.last.x, expect.x, 1e-6);
    EXPECT_NEAR(spy.last.y, expect.y, 1e-6);
    // The top border scrolls up.
    SetCursorPos(nearTop.x, nearTop.y);
    const zq::Point beforeUp = ScrollPos(pane);
    ASSERT_TRUE(PumpUntil([&] { return ScrollPos(pane).y < beforeUp.y; }, 3000));
    // Well inside the window, or outside it, nothing scrolls.
    SetCursorPos(inside.x, inside.y);
    PumpUntil([] { return false; }, 120);  // lets a tick in flight finish
    zq::Point still = ScrollPos(pane);
    PumpUntil([] { return false; }, 250);
    EXPECT_EQ(ScrollPos(pane), still);
    POINT outside{kW + 40, kH / 2};
    ClientToScreen(pane.hwnd, &outside);
    SetCursorPos(outside.x, outside.y);
    PumpUntil([] { return false; }, 250);
    EXPECT_EQ(ScrollPos(pane), still);
    // Released at the border, it stops.
    SetCursorPos(nearRight.x, nearRight.y);
    ASSERT_TRUE(PumpUntil([&] { return ScrollPos(pane).x > still.x; }, 3000));
    scroller.reset();
    still = ScrollPos(pane);
    PumpUntil([] { return false; }, 250);
    EXPECT_EQ(ScrollPos(pane), still);
    pane.canvas->GetScrollObservers().Remove(&spy);
}

TEST(DragDropScroller, TwoScrollersKeepScrollingUntilBothAreReleased) {
    Pane pane;
    POINT nearLeft{2, kH / 2};
    ClientToScreen(pane.hwnd, &nearLeft);
    SetCursorPos(nearLeft.x, nearLeft.y);
    auto first = pane.canvas->CreateDragDropScroller();
    auto second = pane.canvas->CreateDragDropScroller();
    first.reset();
    const zq::Point start = ScrollPos(pane);
    ASSERT_TRUE(PumpUntil([&] { return ScrollPos(pane).x < start.x; }, 3000));
    second.reset();
    const zq::Point still = ScrollPos(pane);
    PumpUntil([] { return false; }, 250);
    EXPECT_EQ(ScrollPos(pane), still);
}
