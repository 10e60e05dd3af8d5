// The screen canvas on a real pane window: the test scene at 100 % and 400 %, scrolling, updates.
#include "drawing/tests/CanvasScene.h"
#include "drawing/tests/TestPane.h"
#include "drawing/tests/TestSupport.h"

#include <cmath>

using namespace DrawingKernel;
using DrawingTest::CountDark;

namespace {

using DrawingTest::Pane;
using DrawingTest::kW;
using DrawingTest::kH;

// Dark pixels within one pixel of the points of a circle.
int DarkOnCircle(const Surface& s, zq::float8Point c, double r, int samples) {
    int hits = 0;
    for (int i = 0; i < samples; ++i) {
        const double a = 2 * std::acos(-1.0) * i / samples;
        const int x = zq::Round(c.x + r * std::cos(a)), y = zq::Round(c.y + r * std::sin(a));
        hits += CountDark(s, x - 1, y - 1, x + 2, y + 2) > 0;
    }
    return hits;
}

// Dark pixels in the column band [x - 1, x + 1] between rows y0 and y1.
int DarkColumn(const Surface& s, int x, int y0, int y1) {
    int rows = 0;
    for (int y = y0; y < y1; ++y) rows += CountDark(s, x - 1, y, x + 2, y + 1) > 0;
    return rows;
}

struct ScrollSpy : ICanvas::IScrollObserver {
    void OnScrolled(const zq::float8Point& p) override { ++calls; last = p; }
    int calls = 0;
    zq::float8Point last;
};

struct ZoomSpy : ICanvas::IZoomObserver {
    void OnZoomed(const zq::Point& r) override { ++calls; ref = r; }
    int calls = 0;
    zq::Point ref;
};

} // namespace

TEST(ScreenCanvas, ShowsTheSceneAtHundredPercent) {
    Pane pane;
    ICanvas::Group scene = DrawingTest::DrawCanvasScene(*pane.canvas);
    pane.canvas->ScrollPointTo({0, 2000}, {0, 0});
    Surface s(kW, kH);
    pane.Capture(s);
    // The rectangle's left edge from (1000, 1000) down to (1000, -3000).
    const zq::Point tl = pane.At(1000, 1000), bl = pane.At(1000, -3000);
    EXPECT_GE(DarkColumn(s, tl.x, tl.y + 3, bl.y - 3), (bl.y - tl.y - 6) * 9 / 10);
    // The spiral's outer left edge, x 7000 from y -5000 down to the window's bottom.
    const zq::Point st = pane.At(7000, -5000);
    EXPECT_GE(DarkColumn(s, st.x, st.y + 3, kH), (kH - st.y - 3) * 9 / 10);
    // Both circles.
    const zq::float8Point c = pane.canvas->LogicalToClient({13500, -2500});
    const double k = pane.At(2540, 0).x - pane.At(0, 0).x;  // pixels per inch
    EXPECT_GE(DarkOnCircle(s, c, 1500 * k / 2540, 64), 58);
    EXPECT_GE(DarkOnCircle(s, c, 2000 * k / 2540, 64), 58);
    // Fifteen spokes at their midpoints; nothing between two spokes.
    for (int i = 0; i <= 28; i += 2) {
        const double a = i * std::acos(-1.0) / 15;
        const zq::Point m = pane.At(13500 + 1750 * std::cos(a), -2500 + 1750 * std::sin(a));
        EXPECT_GT(CountDark(s, m.x - 1, m.y - 1, m.x + 2, m.y + 2), 0) << i;
        const double b = (i + 1) * std::acos(-1.0) / 15;
        const zq::Point g = pane.At(13500 + 1750 * std::cos(b), -2500 + 1750 * std::sin(b));
        EXPECT_EQ(CountDark(s, g.x, g.y, g.x + 1, g.y + 1), 0) << i;
    }
    // Picture 100 at its own size: its 7 x 7 box is dark at the corners.
    const zq::Point p = pane.At(10000, -3000);
    EXPECT_GT(CountDark(s, p.x - 3, p.y - 3, p.x - 2, p.y - 2, 100), 0);
    EXPECT_GT(CountDark(s, p.x + 3, p.y + 3, p.x + 4, p.y + 4, 100), 0);
    EXPECT_EQ(CountDark(s, p.x + 5, p.y + 5, p.x + 8, p.y + 8), 0);
}

TEST(ScreenCanvas, FourHundredPercentEnlargesLinesButNotPictures) {
    Pane pane;
    ICanvas::Group scene = DrawingTest::DrawCanvasScene(*pane.canvas);
    ZoomSpy zoom;
    pane.canvas->GetZoomObservers().Add(&zoom);
    pane.canvas->SetZoom(4.0, {0, 0});
    EXPECT_EQ(zoom.calls, 1);
    EXPECT_DOUBLE_EQ(pane.canvas->GetZoom(), 4.0);
    pane.canvas->ScrollPointTo({10000, -3000}, {400, 300});
    Surface s(kW, kH);
    pane.Capture(s);
    // The dashed cross runs 2000 units = 302 pixels each way at 400 %: dashes with gaps.
    int dark = 0;
    for (int x = 260; x < 390; ++x) dark += CountDark(s, x, 299, x + 1, 302) > 0;
    EXPECT_GT(dark, 50);
    EXPECT_LT(dark, 125);
    // The picture stays 7 x 7: dark corners, white just outside the diagonal.
    EXPECT_GT(CountDark(s, 397, 297, 398, 298, 100), 0);
    EXPECT_GT(CountDark(s, 403, 303, 404, 304, 100), 0);
    EXPECT_EQ(CountDark(s, 405, 305, 410, 310), 0);
    EXPECT_EQ(CountDark(s, 390, 290, 395, 295), 0);
    // Logical 1000 units are 151 pixels now.
    EXPECT_NEAR(pane.At(1000, 0).x - pane.At(0, 0).x, 151, 1);
}

TEST(ScreenCanvas, ScrollingMovesTheDrawingAndTellsObservers) {
    Pane pane;
    ICanvas::Group scene = DrawingTest::DrawCanvasScene(*pane.canvas);
    pane.canvas->ScrollPointTo({0, 2000}, {0, 0});
    ScrollSpy spy;
    pane.canvas->GetScrollObservers().Add(&spy);
    zq::Point pos;
    pane.canvas->GetScrollPos(pos);
    pane.canvas->SetScrollPos({pos.x + 100, pos.y + 200});
    EXPECT_EQ(spy.calls, 1);
    Surface s(kW, kH);
    pane.Capture(s);
    const zq::Point st = pane.At(7000, -5000), sb = pane.At(7000, -15000);
    EXPECT_EQ(st.y, zq::Round(7000 * 96 / 2540.0) - 200);
    EXPECT_GE(DarkColumn(s, st.x, st.y + 3, sb.y - 3), (sb.y - st.y - 6) * 9 / 10);
    EXPECT_EQ(DarkColumn(s, st.x, sb.y + 5, kH), 0);
    // The visible area follows.
    const ICanvas::DoubleRect v = pane.canvas->GetVisibleArea();
    EXPECT_NEAR(v.left, 100 * 2540 / 96.0, 1e-6);
    pane.canvas->GetScrollObservers().Remove(&spy);
}

TEST(ScreenCanvas, UpdateRepaintsChangedElements) {
    Pane pane;
    pane.canvas->ScrollPointTo({0, 0}, {0, 0});
    Surface s(kW, kH);
    pane.Capture(s);
    EXPECT_EQ(CountDark(s, 0, 0, 400, 300), 0);
    auto box = pane.canvas->CreateFilledRect({1000, -1000, 3000, -3000}, ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0)), nullptr);
    pane.canvas->Update();
    pane.Capture(s);
    const zq::Point a = pane.At(1000, -1000), b = pane.At(3000, -3000);
    EXPECT_GE(CountDark(s, a.x, a.y, b.x, b.y), (b.x - a.x - 2) * (b.y - a.y - 2));
    box.Move({2540, 0});
    pane.canvas->Update();
    pane.Capture(s);
    EXPECT_EQ(CountDark(s, a.x + 2, a.y + 2, a.x + 80, b.y - 2), 0);
    box.Reset();
    pane.canvas->Update();
    pane.Capture(s);
    EXPECT_EQ(CountDark(s, 0, 0, 400, 300), 0);
}

// Counts the settings a scroll bar control receives (each one redraws it).
class SetInfoCounter {
public:
    explicit SetInfoCounter(HWND bar) : bar_(bar) {
        SetPropW(bar_, kProp, this);
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(bar_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SetInfoCounter::Proc)));
    }
    ~SetInfoCounter() {
        SetWindowLongPtrW(bar_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropW(bar_, kProp);
    }
    int count = 0;

private:
    static constexpr const wchar_t* kProp = L"QuorvelSetInfoCounter";
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<SetInfoCounter*>(GetPropW(hwnd, kProp));
        if (msg == SBM_SETSCROLLINFO) ++self->count;
        return CallWindowProcW(self->original_, hwnd, msg, wp, lp);
    }
    HWND bar_;
    WNDPROC original_ = nullptr;
};

TEST(ScreenCanvas, ScrollBarsAreSetOnlyWhenTheyChange) {
    Pane pane;
    pane.canvas->ScrollPointTo({0, 0}, {0, 0});
    SetInfoCounter h(pane.hBar), v(pane.vBar);
    // Updates without a change of extent or position leave the bars alone.
    pane.canvas->Update();
    auto box = pane.canvas->CreateFilledRect({1000, -1000, 3000, -3000}, ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0)), nullptr);
    pane.canvas->Update();
    EXPECT_EQ(h.count + v.count, 0);
    // Content far to the right widens the horizontal range only.
    auto distant = pane.canvas->CreateFilledRect({200000, -1000, 201000, -2000}, ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0)), nullptr);
    pane.canvas->Update();
    EXPECT_EQ(h.count, 1);
    EXPECT_EQ(v.count, 0);
    // Scrolling moves both thumbs to the canvas's position.
    pane.canvas->SetScrollPos({300, 200});
    EXPECT_EQ(h.count, 2);
    EXPECT_EQ(v.count, 1);
    SCROLLINFO hi{sizeof hi, SIF_POS, 0, 0, 0, 0, 0}, vi = hi;
    ASSERT_TRUE(GetScrollInfo(pane.hBar, SB_CTL, &hi));
    ASSERT_TRUE(GetScrollInfo(pane.vBar, SB_CTL, &vi));
    EXPECT_EQ(hi.nPos, 300);
    EXPECT_EQ(vi.nPos, 200);
}

namespace {
// The pixels a window shows.
std::vector<uint32_t> Shown(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    Surface s(r.right, r.bottom);
    HDC dc = GetDC(w);
    BitBlt(s.DC(), 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(w, dc);
    GdiFlush();
    return {s.Bits(), s.Bits() + size_t(r.right) * r.bottom};
}
} // namespace

TEST(ScreenCanvas, ABarShowsWhatANewBarWithItsSettingsShowsAfterSmallAndLargeChanges) {
    // A bar whose thumb would keep its pixels is not drawn again; one whose thumb changes is. Either
    // way it must look as a new bar with the same settings looks.
    Pane pane;
    SetWindowPos(pane.hBar, nullptr, 0, kH - 17, 500, 17, SWP_NOZORDER | SWP_SHOWWINDOW);
    pane.canvas->ScrollPointTo({0, 0}, {0, 0});
    const auto black = ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0));
    auto wide = pane.canvas->CreateFilledRect({1000, -1000, 2000000, -2000}, black, nullptr);
    pane.canvas->Update();
    HWND fresh = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, 0, 500, 17, pane.hwnd,
                                 nullptr, nullptr, nullptr);
    auto expectLikeFresh = [&](const char* when) {
        SCROLLINFO now{sizeof now, SIF_ALL, 0, 0, 0, 0, 0};
        ASSERT_TRUE(GetScrollInfo(pane.hBar, SB_CTL, &now));
        SetScrollInfo(fresh, SB_CTL, &now, TRUE);
        UpdateWindow(fresh);
        UpdateWindow(pane.hBar);
        EXPECT_TRUE(Shown(pane.hBar) == Shown(fresh)) << when;
    };
    expectLikeFresh("at first");
    SCROLLINFO was{sizeof was, SIF_RANGE, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(pane.hBar, SB_CTL, &was));
    // A few pixels more of a range of some 75,000.
    auto further = pane.canvas->CreateFilledRect({2000000, -1000, 2000200, -2000}, black, nullptr);
    pane.canvas->Update();
    SCROLLINFO now{sizeof now, SIF_RANGE, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(pane.hBar, SB_CTL, &now));
    EXPECT_GT(now.nMax, was.nMax) << "the range grew";
    expectLikeFresh("a few pixels more");
    // Half the range gone: the thumb grows.
    wide.Reset();
    further.Reset();
    auto half = pane.canvas->CreateFilledRect({1000, -1000, 1000000, -2000}, black, nullptr);
    pane.canvas->Update();
    expectLikeFresh("half the range");
    // Scrolled to the middle: the thumb moves.
    pane.canvas->SetScrollPos({15000, 0});
    expectLikeFresh("scrolled");
    DestroyWindow(fresh);
}

TEST(ScreenCanvas, WhileADragIsOverThePaneTheRangeOnlyGrowsAndIsExactOnceItEnds) {
    Pane pane;
    pane.canvas->ScrollPointTo({0, 0}, {0, 0});
    const auto black = ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0));
    auto range = [&] {
        SCROLLINFO si{sizeof si, SIF_RANGE, 0, 0, 0, 0, 0};
        EXPECT_TRUE(GetScrollInfo(pane.hBar, SB_CTL, &si));
        return si.nMax;
    };
    auto wideBox = pane.canvas->CreateFilledRect({1000, -1000, 400000, -2000}, black, nullptr);
    pane.canvas->Update();
    const int before = range();
    {
        const auto drag = pane.canvas->CreateDragDropScroller();
        wideBox.Reset();
        auto smallBox = pane.canvas->CreateFilledRect({1000, -1000, 3000, -2000}, black, nullptr);
        pane.canvas->Update();
        EXPECT_EQ(range(), before) << "kept while the drag lasts";
        auto widest = pane.canvas->CreateFilledRect({1000, -1000, 600000, -2000}, black, nullptr);
        pane.canvas->Update();
        EXPECT_GT(range(), before) << "grown with the drawing";
        widest.Reset();
        pane.canvas->Update();
        EXPECT_GT(range(), before) << "still kept";
    }
    EXPECT_LT(range(), before) << "the drawing's own range once the drag ended";
}

TEST(ScreenCanvas, ZoomToRectAndExtentFitTheWindow) {
    Pane pane;
    ICanvas::Group scene = DrawingTest::DrawCanvasScene(*pane.canvas);
    pane.canvas->ZoomToRect({7000, -5000, 17000, -15000});
    const zq::Point a = pane.At(7000, -5000), b = pane.At(17000, -15000);
    EXPECT_GE(a.y, -1);
    EXPECT_LE(b.y, kH + 1);
    EXPECT_GE(b.y - a.y, kH - 3);
    EXPECT_NEAR((a.x + b.x) / 2.0, kW / 2.0, 1);
    pane.canvas->ZoomToExtent();
    const ICanvas::DoubleRect v = pane.canvas->GetVisibleArea();
    EXPECT_LE(v.left, 1000);
    EXPECT_GE(v.right, 17000);
    EXPECT_GE(v.top, 1000);
    EXPECT_LE(v.bottom, -15000);
    // Zoom steps about a reference point keep it in place.
    const zq::float8Point before = pane.canvas->ClientToLogical({200, 100});
    pane.canvas->ZoomIn({200, 100});
    const zq::float8Point after = pane.canvas->LogicalToClient(before);
    EXPECT_NEAR(after.x, 200, 0.6);
    EXPECT_NEAR(after.y, 100, 0.6);
}

TEST(ScreenCanvas, TheScrollerScrollsNearTheEdgesAndReportsThePointer) {
    Pane pane;
    ScrollSpy spy;
    auto scroller = pane.canvas->CreateScroller();
    zq::Point before;
    pane.canvas->GetScrollPos(before);
    scroller->Track({400, 300}, &spy);  // well inside: nothing
    EXPECT_EQ(spy.calls, 0);
    scroller->Track({kW - 2, 300}, &spy);
    zq::Point after;
    pane.canvas->GetScrollPos(after);
    EXPECT_GT(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    ASSERT_GE(spy.calls, 1);
    const zq::float8Point expect = pane.canvas->ClientToLogical({kW - 2, 300});
    EXPECT_NEAR(spy.last.x, expect.x, 1e-6);
    // The timer goes on scrolling while the pointer stays at the edge.
    const DWORD deadline = GetTickCount() + 2000;
    while (spy.calls < 3 && GetTickCount() < deadline) {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        else MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    EXPECT_GE(spy.calls, 3);
}

TEST(ScreenCanvas, ThePageLayoutScaleEntersTheMapping) {
    Pane pane;
    pane.canvas->ScrollPointTo({0, 0}, {0, 0});
    Page::PageLayout l;
    l.scale = 2.0;
    pane.canvas->SetPageLayout(l);
    EXPECT_NEAR(pane.At(2540, 0).x, 192, 0.5);
}
