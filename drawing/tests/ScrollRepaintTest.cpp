// Scrolling moves the pixels already drawn and draws only what came into view: after every scroll
// the window must show exactly what a full repaint of the same view shows.
#include "drawing/tests/CanvasScene.h"
#include "drawing/tests/TestPane.h"

#include <string>

using namespace DrawingKernel;
using DrawingTest::CountDark;
using DrawingTest::kH;
using DrawingTest::kW;
using DrawingTest::Pane;

namespace {

// A drawing several screens large: the test scene, a page grid, coloured boxes, diagonal lines.
ICanvas::Group LargeDrawing(ICanvas::Canvas& c) {
    ICanvas::Group g = DrawingTest::DrawCanvasScene(c);
    Page::PageLayout l;
    l.rows = 2;
    l.columns = 3;
    c.SetPageLayout(l);
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 10; ++j) {
            const double x = 20000 + i * 4000.0, y = -j * 5000.0;
            const zq::Color colour(uint8_t(40 + i * 15), uint8_t(200 - j * 15), uint8_t(90 + (i + j) * 5));
            g.Add(c.CreateFilledRect({x, y, x + 2500, y - 3000}, ICanvas::LineStyle::FromColor(colour), DrawingTest::Key(1)));
            g.Add(c.CreateRect({x, y, x + 2500, y - 3000}));
            g.Add(c.CreateLine({x, y}, {x + 3900, y - 4900}));
            g.Add(c.CreateEllipse({x + 500, y - 500, x + 2000, y - 2500}));
        }
    g.Add(c.CreatePicture({26000, -7000}, 101));
    return g;
}

// Pixels that differ between two captures, with the first one's place in the message.
int Differences(const Surface& a, const Surface& b, std::string& where) {
    int n = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y) && n++ == 0) where = std::to_string(x) + "," + std::to_string(y);
    return n;
}

// Captures the window as scrolling left it, then after a full repaint, and compares them.
void ExpectSameAsFullRepaint(Pane& pane, const char* step) {
    Surface scrolled(kW, kH), full(kW, kH);
    pane.Capture(scrolled);
    InvalidateRect(pane.hwnd, nullptr, FALSE);
    pane.Capture(full);
    std::string where;
    EXPECT_EQ(Differences(scrolled, full, where), 0) << step << ": first difference at " << where;
    // The comparison means something only when the view shows a drawing.
    EXPECT_GT(CountDark(full, 0, 0, kW, kH), 500) << step;
}

void ScrollBy(Pane& pane, int dx, int dy) {
    zq::Point p;
    pane.canvas->GetScrollPos(p);
    pane.canvas->SetScrollPos({p.x + dx, p.y + dy});
}

} // namespace

TEST(ScrollRepaint, EveryDirectionAndDistanceMatchesAFullRepaint) {
    Pane pane;
    ICanvas::Group drawing = LargeDrawing(*pane.canvas);
    pane.canvas->ScrollPointTo({0, 2000}, {0, 0});
    Surface s(kW, kH);
    pane.Capture(s);
    const struct { int dx, dy; const char* name; } steps[] = {
        {0, 37, "down by 37"},        {53, 0, "right by 53"},          {0, -21, "up by 21"},
        {-19, 0, "left by 19"},       {120, 75, "down and right"},     {-60, -140, "up and left"},
        {333, -1, "right, a row up"}, {0, 590, "down by almost a screen"}, {799, 0, "right by almost a screen"},
        {0, -600, "up by one screen"}, {900, 700, "by more than a screen"}, {-1200, -50, "left by more than a screen"},
    };
    for (const auto& s : steps) {
        ScrollBy(pane, s.dx, s.dy);
        ExpectSameAsFullRepaint(pane, s.name);
    }
}

TEST(ScrollRepaint, ZoomedViewsScrollExactlyToo) {
    Pane pane;
    ICanvas::Group drawing = LargeDrawing(*pane.canvas);
    pane.canvas->SetZoom(2.5, {0, 0});
    pane.canvas->ScrollPointTo({9000, -2000}, {0, 0});
    ScrollBy(pane, 17, 29);
    ExpectSameAsFullRepaint(pane, "250 %");
    pane.canvas->SetZoom(0.4, {400, 300});
    ScrollBy(pane, -31, 11);
    ExpectSameAsFullRepaint(pane, "40 %");
}

TEST(ScrollRepaint, ChangesMadeBeforeAScrollAppearAfterTheUpdate) {
    Pane pane;
    ICanvas::Group drawing = LargeDrawing(*pane.canvas);
    pane.canvas->ScrollPointTo({0, 2000}, {0, 0});
    Surface s(kW, kH);
    pane.Capture(s);
    // A change not yet shown, then a scroll: the change may not be lost or drawn at its old place.
    auto box = pane.canvas->CreateFilledRect({3000, -9000, 6000, -11000}, ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0)), nullptr);
    drawing.Add(box);
    ScrollBy(pane, 40, 70);
    pane.canvas->Update();
    ExpectSameAsFullRepaint(pane, "added before the scroll");
    // Part of the window waits for a repaint (as after a system change) while the view scrolls.
    RECT waiting{100, 100, 300, 200};
    InvalidateRect(pane.hwnd, &waiting, FALSE);
    ScrollBy(pane, -25, 33);
    ExpectSameAsFullRepaint(pane, "waiting area moved");
}

TEST(ScrollRepaint, AResizedWindowScrollsFromACompleteBuffer) {
    Pane pane;
    ICanvas::Group drawing = LargeDrawing(*pane.canvas);
    pane.canvas->ScrollPointTo({0, 2000}, {0, 0});
    Surface s(kW, kH);
    pane.Capture(s);
    // Growing repaints only the new parts; the buffer made for the new size must hold the whole view.
    SetWindowPos(pane.hwnd, nullptr, 0, 0, kW - 100, kH - 100, SWP_NOZORDER | SWP_NOACTIVATE);
    pane.Capture(s);
    SetWindowPos(pane.hwnd, nullptr, 0, 0, kW, kH, SWP_NOZORDER | SWP_NOACTIVATE);
    pane.Capture(s);
    ScrollBy(pane, 30, 30);
    ExpectSameAsFullRepaint(pane, "after resizing");
}
