// Rendering of retained elements into a memory bitmap through GDI+.
#include "drawing/tests/TestSupport.h"

using namespace DrawingKernel;
using DrawingTest::CountDark;

namespace {

// A canvas, a white 300 x 200 surface and a map with the logical origin at (10, 10).
struct Scene {
    Scene(double zoom = 1.0) : surface(300, 200) {
        DrawingTest::EnsureEnvironment();
        surface.Clear(RGB(255, 255, 255));
        map.kx = map.ky = PixelsPerUnit(96) * zoom;
        map.ox = map.oy = 10;
    }
    void Render() { canvas.Render(surface, map, nullptr); }
    // Bounding box of the non-white pixels: left, top, right, bottom (inclusive); -1 when none.
    std::array<int, 4> InkBox() const {
        std::array<int, 4> b{-1, -1, -1, -1};
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x)
                if (surface.Pixel(x, y) != 0xFFFFFF) {
                    if (b[0] < 0 || x < b[0]) b[0] = x;
                    if (b[1] < 0 || y < b[1]) b[1] = y;
                    b[2] = std::max(b[2], x);
                    b[3] = std::max(b[3], y);
                }
        return b;
    }
    OffscreenCanvas canvas;
    Surface surface;
    Mapping map;
};

} // namespace

TEST(Rendering, ALineCoversItsEndPixelsAndStopsThere) {
    Scene s;
    // One inch across at 96 dpi: from x 10 to x 106 on row 10 + 48.
    auto line = s.canvas.CreateLine({0, -1270}, {2540, -1270});
    s.Render();
    EXPECT_GT(CountDark(s.surface, 9, 57, 12, 60), 0);
    EXPECT_GT(CountDark(s.surface, 104, 57, 107, 60), 0);
    EXPECT_EQ(CountDark(s.surface, 109, 50, 140, 66), 0);
    EXPECT_EQ(CountDark(s.surface, 0, 50, 8, 66), 0);
    EXPECT_GE(CountDark(s.surface, 12, 57, 104, 60), 90);
}

TEST(Rendering, AFilledRectangleTakesItsColourFromTheLineStyle) {
    Scene s;
    auto fill = s.canvas.CreateFilledRect({0, 0, 2540, -1270}, ICanvas::LineStyle::FromColor(zq::Color(200, 30, 40)), nullptr);
    s.Render();
    EXPECT_EQ(s.surface.Pixel(58, 34), 0xC81E28u);
    EXPECT_EQ(s.surface.Pixel(150, 34), 0xFFFFFFu);
    const auto box = s.InkBox();
    EXPECT_NEAR(box[0], 10, 1);
    EXPECT_NEAR(box[2], 105, 1);
    EXPECT_NEAR(box[3], 57, 1);
}

TEST(Rendering, SystemColourAndWidthZeroTakeTheWindowTextColour) {
    Scene s;
    ICanvas::LineStyle st;
    st.width = 0;
    st.systemColor = 0;
    st.value = 0x00FF00;  // ignored: width 0 takes the window text colour
    auto fill = s.canvas.CreateFilledRect({0, 0, 1000, -1000}, st, nullptr);
    s.Render();
    const COLORREF t = GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_EQ(s.surface.Pixel(20, 20), PixelOf(t));
}

TEST(Rendering, APictureKeepsItsOwnPixelSizeAtEveryZoom) {
    for (double zoom : {0.25, 1.0, 4.0}) {
        Scene s(zoom);
        auto pic = s.canvas.CreatePicture({1000, -1000}, 100);
        s.Render();
        const auto box = s.InkBox();
        EXPECT_EQ(box[2] - box[0] + 1, 7) << zoom;
        EXPECT_EQ(box[3] - box[1] + 1, 7) << zoom;
        const zq::Point c = zq::RoundPoint(s.map.ToDevice(zq::float8Point(1000, -1000)));
        EXPECT_EQ(box[0], c.x - 3) << zoom;
        EXPECT_EQ(box[1], c.y - 3) << zoom;
        // The black border: 24 pixels.
        EXPECT_EQ(CountDark(s.surface, 0, 0, 300, 200, 60), 24) << zoom;
    }
}

TEST(Rendering, APictureIsCombinedByAnd) {
    Scene s;
    auto fill = s.canvas.CreateFilledRect({0, 0, 2540, -2540}, ICanvas::LineStyle::FromColor(zq::Color(255, 0, 0)), nullptr);
    auto pic = s.canvas.CreatePicture({1270, -1270}, 100);
    s.Render();
    // Cyan AND red is black; green AND red is black: the whole picture is black on red.
    EXPECT_EQ(CountDark(s.surface, 40, 40, 80, 80, 60), 49);
}

TEST(Rendering, EveryDashOfALongDashedLineIsItsOwnRunOfFivePixelsWithGapsOfThree) {
    // The dashes are drawn together: each must still end where it ends, none joined to the next.
    Scene s;
    auto dashed = s.canvas.CreateDashedLine({0, -1270}, {7000, -1270}, 0);
    s.Render();
    int row = -1, most = 0;
    for (int y = 40; y < 80; ++y)
        if (const int n = CountDark(s.surface, 0, y, 300, y + 1); n > most) most = n, row = y;
    ASSERT_GE(row, 0);
    std::vector<int> runs, gaps;
    int length = 0, gap = 0;
    for (int x = 0; x < 300; ++x) {
        if (CountDark(s.surface, x, row, x + 1, row + 1) > 0) {
            if (length == 0 && !runs.empty()) gaps.push_back(gap);
            ++length;
            gap = 0;
        } else {
            if (length > 0) runs.push_back(length);
            length = 0;
            ++gap;
        }
    }
    ASSERT_GE(runs.size(), 25u);
    for (size_t i = 1; i + 1 < runs.size(); ++i) EXPECT_EQ(runs[i], 5) << "dash " << i;
    for (size_t i = 0; i + 1 < gaps.size(); ++i) EXPECT_EQ(gaps[i], 3) << "gap " << i;
}

TEST(Rendering, OnlyElementsMeetingTheClipAreDrawn) {
    Scene s;
    auto a = s.canvas.CreateFilledRect({0, 0, 1000, -1000}, ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0)), nullptr);
    auto b = s.canvas.CreateFilledRect({4000, 0, 5000, -1000}, ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0)), nullptr);
    RECT clip{0, 0, 100, 200};
    s.canvas.Render(s.surface.DC(), s.map, &clip);
    EXPECT_GT(CountDark(s.surface, 10, 10, 40, 40), 500);
    EXPECT_EQ(CountDark(s.surface, 150, 10, 200, 50), 0);
}
