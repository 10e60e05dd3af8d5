// What a render of part of the view draws: only the elements meeting the area, found at their
// current place, in drawing order; and one-pixel outlines drawn together give the pixels that
// drawing them one by one gives.
#include "drawing/tests/TestSupport.h"

#include <string>

using namespace DrawingKernel;
using DrawingTest::CountDark;

namespace {

// A canvas and a white 300 x 200 surface; one pixel per logical 100 units, origin at (10, 10).
struct Scene {
    Scene() : surface(300, 200) {
        DrawingTest::EnsureEnvironment();
        surface.Clear(RGB(255, 255, 255));
        map.kx = map.ky = 0.01;
        map.ox = map.oy = 10;
    }
    void Render(const RECT* clip = nullptr) { canvas.Render(surface, map, clip); }
    OffscreenCanvas canvas;
    Surface surface;
    Mapping map;
};

// Counts its draws; optionally selects a red pen into the context and leaves it there.
class Probe : public ICanvas::ICustomDrawing {
public:
    explicit Probe(const ICanvas::DoubleRect& r, bool leavesPen = false) : rect_(r), leavesPen_(leavesPen) {}
    ~Probe() override {
        if (pen_) DeleteObject(pen_);
    }
    ICanvas::DoubleRect GetBounds() const override { return rect_; }
    void Draw(ICanvas::IDrawContext& dc) const override {
        ++draws;
        if (!leavesPen_) return;
        if (!pen_) pen_ = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        SelectObject(dc.GetDC(), pen_);
    }
    void Move(const zq::float8Vector& by) override {
        rect_.left += by.x;
        rect_.right += by.x;
        rect_.top += by.y;
        rect_.bottom += by.y;
    }
    mutable int draws = 0;
private:
    ICanvas::DoubleRect rect_;
    bool leavesPen_;
    mutable HPEN pen_ = nullptr;
};

// Logical rectangle of the device pixels [x0, x1] x [y0, y1] under the scene's map.
ICanvas::DoubleRect Pixels(int x0, int y0, int x1, int y1) {
    return {(x0 - 10) * 100.0, -(y0 - 10) * 100.0, (x1 - 10) * 100.0, -(y1 - 10) * 100.0};
}

// Logical point of the device pixel (x, y) under the scene's map.
zq::float8Point Px(int x, int y) { return {(x - 10) * 100.0, -(y - 10) * 100.0}; }

std::string FirstDifference(const Surface& a, const Surface& b) {
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return std::to_string(x) + "," + std::to_string(y);
    return "none";
}

} // namespace

TEST(Culling, ElementsWellOutsideTheAreaAreNotDrawnButOneOverlappingByAPixelIs) {
    Scene s;
    auto away = std::make_shared<Probe>(Pixels(120, 20, 140, 40));
    auto edge = std::make_shared<Probe>(Pixels(99, 20, 140, 40));  // its first column is inside
    auto inside = std::make_shared<Probe>(Pixels(20, 20, 40, 40));
    auto a = s.canvas.CreateCustom(away, nullptr);
    auto b = s.canvas.CreateCustom(edge, nullptr);
    auto c = s.canvas.CreateCustom(inside, nullptr);
    const RECT clip{0, 0, 100, 100};
    s.Render(&clip);
    EXPECT_EQ(away->draws, 0);
    EXPECT_EQ(edge->draws, 1);
    EXPECT_EQ(inside->draws, 1);
    s.Render();  // without an area everything is drawn
    EXPECT_EQ(away->draws, 1);
}

TEST(Culling, AMovedElementIsFoundAtItsNewPlaceOnly) {
    Scene s;
    auto probe = std::make_shared<Probe>(Pixels(200, 20, 220, 40));
    auto e = s.canvas.CreateCustom(probe, nullptr);
    const RECT left{0, 0, 100, 100}, right{180, 0, 300, 100};
    s.Render(&left);
    EXPECT_EQ(probe->draws, 0);
    e.Move({-15000, 0});  // now at pixels 50 to 70
    s.Render(&left);
    EXPECT_EQ(probe->draws, 1);
    s.Render(&right);
    EXPECT_EQ(probe->draws, 1);
}

TEST(Culling, CellsAndTargetRowsAreFoundByTheFloorOfACoordinate) {
    // Below zero, between whole numbers and beyond the quick range alike: truncation or rounding
    // would put a drawable into the neighbouring cell, where a repaint of its place never looks.
    using DrawingKernel::FloorToInt;
    EXPECT_EQ(FloorToInt(0.0), 0);
    EXPECT_EQ(FloorToInt(2.999), 2);
    EXPECT_EQ(FloorToInt(2.5), 2);
    EXPECT_EQ(FloorToInt(3.5), 3);
    EXPECT_EQ(FloorToInt(-0.25), -1);
    EXPECT_EQ(FloorToInt(-0.5), -1);
    EXPECT_EQ(FloorToInt(-1.0), -1);
    EXPECT_EQ(FloorToInt(-1.5), -2);
    EXPECT_EQ(FloorToInt(-2.5), -3);
    EXPECT_EQ(FloorToInt(999999999.5), 999999999);
    EXPECT_EQ(FloorToInt(-999999999.5), -1000000000);
    EXPECT_EQ(FloorToInt(4.0e12 + 0.5), int64_t(4000000000000));
    EXPECT_EQ(FloorToInt(-4.0e12 - 0.5), int64_t(-4000000000001));
}

TEST(Culling, APartialRenderKeepsTheDrawingOrder) {
    // An unkeyed fill created after an outline covers it; a keyed fill lies beneath the outline.
    Scene s;
    auto under = s.canvas.CreateFilledRect(Pixels(20, 20, 80, 80), ICanvas::LineStyle::FromColor(zq::Color(0, 0, 255)),
                                           DrawingTest::Key(1));
    auto outline = s.canvas.CreateRect(Pixels(30, 30, 70, 70));
    auto cover = s.canvas.CreateFilledRect(Pixels(25, 25, 50, 75), ICanvas::LineStyle::FromColor(zq::Color(0, 255, 0)),
                                           nullptr);
    const RECT clip{0, 0, 150, 150};
    s.Render(&clip);
    EXPECT_EQ(s.surface.Pixel(30, 40), 0x00FF00u);  // the outline's left side, covered
    EXPECT_EQ(s.surface.Pixel(70, 40), 0x000000u);  // its right side, above the keyed fill
    EXPECT_EQ(s.surface.Pixel(60, 60), 0x0000FFu);
}

TEST(OutlineBatching, GivesThePixelsOfRectanglesAndLinesDrawnOneByOne) {
    Scene s;
    // Boxes of every small size (degenerate ones included) and lines along both axes, both ways.
    std::vector<ICanvas::Element> keep;
    std::vector<RECT> boxes;
    int x = 20;
    for (int w = 0; w <= 4; ++w)
        for (int h = 0; h <= 4; ++h, x += 8) {
            keep.push_back(s.canvas.CreateRect(Pixels(x, 20 + h, x + w, 20)));
            boxes.push_back({x, 20, x + w + 1, 20 + h + 1});
        }
    keep.push_back(s.canvas.CreateRect(Pixels(20, 60, 180, 150)));
    boxes.push_back({20, 60, 181, 151});
    keep.push_back(s.canvas.CreateLine(Px(30, 100), Px(250, 100)));
    keep.push_back(s.canvas.CreateLine(Px(260, 190), Px(260, 40)));
    s.Render();

    Surface expected(300, 200);
    expected.Clear(RGB(255, 255, 255));
    HDC dc = expected.DC();
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const RECT& r : boxes) Rectangle(dc, r.left, r.top, r.right, r.bottom);
    const POINT across[2] = {{30, 100}, {251, 100}}, up[2] = {{260, 190}, {260, 39}};
    Polyline(dc, across, 2);
    Polyline(dc, up, 2);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    GdiFlush();
    EXPECT_EQ(FirstDifference(s.surface, expected), "none");
    EXPECT_GT(CountDark(s.surface, 0, 0, 300, 200), 800);
}

TEST(OutlineBatching, OutlinesWrittenIntoTheSurfaceGiveThePixelsOfGdiInsideAndAtTheClip) {
    // Solid and dashed outlines, lines both ways along both axes, a dashed guide, a diagonal line,
    // a fill and pictures between them, some crossing the clip's edges: written straight into the
    // surface's pixels they must equal the same drawing rendered through GDI alone.
    Scene s;
    std::vector<ICanvas::Element> keep;
    keep.push_back(s.canvas.CreateRect(Pixels(5, 5, 120, 90)));
    keep.push_back(s.canvas.CreateDashedRect(Pixels(30, 15, 260, 180), 0));
    keep.push_back(s.canvas.CreateDashedRect(Pixels(40, 25, 43, 29), 1));
    keep.push_back(s.canvas.CreateDashedLine(Px(290, 60), Px(3, 60), 1));
    keep.push_back(s.canvas.CreateDashedLine(Px(150, 195), Px(150, 2), 0));
    keep.push_back(s.canvas.CreateFilledRect(Pixels(60, 70, 90, 100), ICanvas::LineStyle::FromColor(zq::Color(0, 0, 255)), nullptr));
    keep.push_back(s.canvas.CreateLine(Px(200, 20), Px(200, 150)));
    keep.push_back(s.canvas.CreateLine(Px(20, 150), Px(280, 120)));
    keep.push_back(s.canvas.CreateAdjustMarker(Px(100, 140), ICanvas::SideLeft | ICanvas::SideTop, 1));
    keep.push_back(s.canvas.CreateAdjustMarker(Px(10, 140), ICanvas::SideLeft | ICanvas::SideTop, 0));
    // Pictures combined by AND: on a fill, across the clip's corner and edges, and off the surface.
    keep.push_back(s.canvas.CreatePictures({Px(60, 70), Px(75, 85), Px(90, 100), Px(36, 23), Px(204, 150)}, 100));
    keep.push_back(s.canvas.CreatePicture(Px(298, 199), 100));
    for (const RECT& clip : {RECT{0, 0, 300, 200}, RECT{35, 22, 205, 151}}) {
        s.surface.Clear(RGB(255, 255, 255));
        s.Render(&clip);
        Surface gdi(300, 200);
        gdi.Clear(RGB(255, 255, 255));
        s.canvas.Render(gdi.DC(), s.map, &clip);
        EXPECT_EQ(FirstDifference(s.surface, gdi), "none") << "clip " << clip.left << "," << clip.top;
        EXPECT_GT(CountDark(s.surface, 0, 0, 300, 200), 400);
        EXPECT_GT(CountDark(s.surface, 198, 146, 205, 151), 5) << "the picture at the clip's edge";
        EXPECT_EQ(CountDark(s.surface, clip.right, 0, 300, 200) + CountDark(s.surface, 0, clip.bottom, 300, 200), 0)
            << "nothing beyond the clip";
    }
}

TEST(OutlineBatching, APenLeftByACustomDrawingDoesNotColourLaterOutlines) {
    Scene s;
    auto before = s.canvas.CreateRect(Pixels(20, 20, 60, 60));
    auto probe = std::make_shared<Probe>(Pixels(100, 20, 110, 30), true);
    auto custom = s.canvas.CreateCustom(probe, nullptr);
    auto after = s.canvas.CreateRect(Pixels(150, 20, 190, 60));
    s.Render();
    EXPECT_EQ(probe->draws, 1);
    EXPECT_EQ(s.surface.Pixel(20, 40), 0x000000u);
    EXPECT_EQ(s.surface.Pixel(150, 40), 0x000000u);
    EXPECT_EQ(s.surface.Pixel(190, 40), 0x000000u);
}

TEST(OutlineBatching, FillsKeepTheirColoursAcrossBrushChangesAndCustomDrawings) {
    // A custom drawing that selects a red brush into the context and leaves it there.
    class RedBrush : public ICanvas::ICustomDrawing {
    public:
        ~RedBrush() override { DeleteObject(brush_); }
        ICanvas::DoubleRect GetBounds() const override { return Pixels(100, 100, 105, 105); }
        void Draw(ICanvas::IDrawContext& dc) const override { SelectObject(dc.GetDC(), brush_); }
        void Move(const zq::float8Vector&) override {}
    private:
        HBRUSH brush_ = CreateSolidBrush(RGB(255, 0, 0));
    };
    Scene s;
    const auto yellow = ICanvas::LineStyle::FromColor(zq::Color(255, 255, 0));
    const auto blue = ICanvas::LineStyle::FromColor(zq::Color(0, 0, 255));
    std::vector<ICanvas::Element> keep;
    keep.push_back(s.canvas.CreateFilledRect(Pixels(20, 40, 40, 20), yellow, DrawingTest::Key(1)));
    keep.push_back(s.canvas.CreateFilledRect(Pixels(50, 40, 70, 20), blue, DrawingTest::Key(1)));
    keep.push_back(s.canvas.CreateFilledRect(Pixels(80, 40, 100, 20), yellow, DrawingTest::Key(1)));
    keep.push_back(s.canvas.CreateCustom(std::make_shared<RedBrush>(), DrawingTest::Key(1)));
    keep.push_back(s.canvas.CreateFilledRect(Pixels(110, 40, 130, 20), yellow, DrawingTest::Key(1)));
    s.Render();
    EXPECT_EQ(s.surface.Pixel(30, 30), 0xFFFF00u);
    EXPECT_EQ(s.surface.Pixel(60, 30), 0x0000FFu);
    EXPECT_EQ(s.surface.Pixel(90, 30), 0xFFFF00u);
    EXPECT_EQ(s.surface.Pixel(120, 30), 0xFFFF00u);
    EXPECT_EQ(s.surface.Pixel(40, 40), 0xFFFF00u);  // both edges included
    EXPECT_EQ(s.surface.Pixel(41, 30), 0xFFFFFFu);
}
