// Pictures (selection handles): where their pixels land under every renderer, clip and zoom, and
// that repeated repaints keep no device contexts or bitmaps of theirs.
#include "drawing/Drawables.h"
#include "drawing/tests/TestPane.h"

#include <algorithm>
#include <functional>

using namespace DrawingKernel;

namespace {

constexpr int kWidth = 200, kHeight = 150;

// A scene of pictures over coloured shapes; the pixels are checked against a render of the same
// shapes alone with the bitmaps ANDed in by hand.
struct PictureScene {
    explicit PictureScene(double zoom) {
        DrawingTest::EnsureEnvironment();
        map.kx = map.ky = PixelsPerUnit(96) * zoom;
        map.ox = 7.3;
        map.oy = 5.6;
    }
    // Shapes under and around the pictures: a yellow fill and a red outline through several of them.
    void AddShapes() {
        keep.push_back(canvas.CreateFilledRect({0, 0, 3000, -2000}, ICanvas::LineStyle::FromColor(zq::Color(255, 255, 0)), nullptr));
        keep.push_back(canvas.CreateRect({500, -500, 2500, -1500}, ICanvas::LineStyle::FromColor(zq::Color(255, 0, 0))));
    }
    // Pictures of every kind: inside, across the clip's and the surface's edges, on the outline.
    void AddPictures() {
        const double xs[] = {-50, 500, 1234.5, 2500, 5200};
        const double ys[] = {30, -500, -987.6, -1500, -3950};
        int id = 100;
        for (double x : xs)
            for (double y : ys) {
                const zq::float8Point p(x / zoomOf(), y / zoomOf());
                keep.push_back(canvas.CreatePicture(p, id));
                placed.push_back({p, id});
                id = id == 102 ? 100 : id + 1;
            }
    }
    double zoomOf() const { return map.kx / PixelsPerUnit(96); }
    // The expected pixels: the base image with each picture ANDed in inside the clip.
    void AndPictures(Surface& s, const RECT& clip) const {
        for (const auto& [p, id] : placed) {
            HBITMAP b = PictureOf(id);
            BITMAP info{};
            ASSERT_TRUE(GetObjectW(b, sizeof info, &info));
            HDC mem = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(mem, b);
            const zq::Point c = zq::RoundPoint(map.ToDevice(p));
            for (int y = 0; y < info.bmHeight; ++y)
                for (int x = 0; x < info.bmWidth; ++x) {
                    const int dx = c.x - info.bmWidth / 2 + x, dy = c.y - info.bmHeight / 2 + y;
                    if (dx < clip.left || dy < clip.top || dx >= clip.right || dy >= clip.bottom) continue;
                    if (dx < 0 || dy < 0 || dx >= s.Width() || dy >= s.Height()) continue;
                    const COLORREF px = GetPixel(mem, x, y);
                    const uint32_t rgb = (uint32_t(GetRValue(px)) << 16) | (uint32_t(GetGValue(px)) << 8) | GetBValue(px);
                    s.Bits()[dy * s.Width() + dx] &= rgb;
                }
            SelectObject(mem, old);
            DeleteDC(mem);
        }
    }
    OffscreenCanvas canvas;
    Mapping map;
    std::vector<ICanvas::Element> keep;
    std::vector<std::pair<zq::float8Point, int>> placed;
};

// Renders a drawing into a fresh white surface through a renderer made on its context.
using RenderFn = std::function<void(const DrawingModel&, HDC, const Mapping&, const RECT&)>;

void RenderInto(Surface& s, const RenderFn& render, const DrawingModel& model, const Mapping& m, const RECT& clip) {
    s.Clear(RGB(255, 255, 255));
    render(model, s.DC(), m, clip);
    GdiFlush();
}

// Counts the pixels where two surfaces differ.
int Differences(const Surface& a, const Surface& b) {
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) n += a.Pixel(x, y) != b.Pixel(x, y);
    return n;
}

// Renders the shapes alone, ANDs the pictures in by hand, and compares with the render of both.
void ExpectPicturesLandAsDrawnByHand(const RenderFn& render, const char* what) {
    const RECT clips[] = {{0, 0, kWidth, kHeight}, {23, 17, 151, 96}};
    for (double zoom : {0.5, 1.0, 3.0}) {
        for (const RECT& clip : clips) {
            PictureScene scene(zoom);
            scene.AddShapes();
            Surface expected(kWidth, kHeight), actual(kWidth, kHeight);
            RenderInto(expected, render, scene.canvas.Model(), scene.map, clip);
            scene.AddPictures();
            scene.AndPictures(expected, clip);
            RenderInto(actual, render, scene.canvas.Model(), scene.map, clip);
            EXPECT_EQ(Differences(expected, actual), 0) << what << " at zoom " << zoom << ", clip left " << clip.left;
            // The scene is not trivial: pictures did change pixels.
            Surface bare(kWidth, kHeight);
            PictureScene plain(zoom);
            plain.AddShapes();
            RenderInto(bare, render, plain.canvas.Model(), plain.map, clip);
            EXPECT_GT(Differences(bare, actual), 40) << what << " at zoom " << zoom;
        }
    }
}

} // namespace

TEST(Pictures, LandWhereTheirBitmapsAreAndedInOnTheScreenPath) {
    ExpectPicturesLandAsDrawnByHand(
        [](const DrawingModel& model, HDC dc, const Mapping& m, const RECT& clip) {
            GdiplusCache cache;
            GdiCache gdi;
            RenderLikeScreen(model, dc, m, &clip, cache, gdi);
        },
        "screen");
}

TEST(Pictures, LandWhereTheirBitmapsAreAndedInThroughGdiplusAlone) {
    ExpectPicturesLandAsDrawnByHand(
        [](const DrawingModel& model, HDC dc, const Mapping& m, const RECT& clip) {
            GdiplusCache cache;
            GdiplusRenderer r(dc, cache, &clip);
            const DeviceRect d{double(clip.left), double(clip.top), double(clip.right), double(clip.bottom)};
            model.Render(r, m, &d);
        },
        "GDI+");
}

TEST(Pictures, LandWhereTheirBitmapsAreAndedInThroughGdi) {
    ExpectPicturesLandAsDrawnByHand(
        [](const DrawingModel& model, HDC dc, const Mapping& m, const RECT& clip) {
            const int saved = SaveDC(dc);
            IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
            {
                GdiCache gdi;
                GdiRenderer r(dc, gdi, 1.0);
                model.Render(r, m, nullptr);
            }
            RestoreDC(dc, saved);
        },
        "GDI");
}

TEST(Pictures, FarBeyondTheDeviceRangeAreSkipped) {
    PictureScene scene(1.0);
    auto distant = scene.canvas.CreatePicture({-5.0e9, 3.0e9}, 100);
    auto close = scene.canvas.CreatePicture({500, -500}, 100);
    Surface s(kWidth, kHeight);
    s.Clear(RGB(255, 255, 255));
    scene.canvas.Render(s.DC(), scene.map, nullptr);
    GdiFlush();
    EXPECT_EQ(DrawingTest::CountDark(s, 0, 0, kWidth, kHeight, 60), 24);  // the near one's border alone
}

TEST(Pictures, RepaintsKeepNoContextsOrBitmapsOfTheirs) {
    DrawingTest::Pane pane;
    std::vector<ICanvas::Element> keep;
    for (int i = 0; i < 400; ++i)
        keep.push_back(pane.canvas->CreatePicture({(i % 20) * 1000.0, -(i / 20) * 700.0}, 100 + i % 3));
    pane.canvas->ScrollPointTo({0, 0}, {10, 10});
    Surface shown(DrawingTest::kW, DrawingTest::kH);
    pane.Capture(shown);
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 60; ++i) {
        InvalidateRect(pane.hwnd, nullptr, FALSE);
        UpdateWindow(pane.hwnd);
    }
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
    // No context still holds a picture's bitmap: each can be selected into a new one.
    for (int id = 100; id <= 102; ++id) {
        HDC mem = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(mem, PictureOf(id));
        EXPECT_NE(old, nullptr) << id;
        if (old) SelectObject(mem, old);
        DeleteDC(mem);
    }
    // And the pictures were drawn: the black borders of the 7 x 7 and 9 x 9 ones show on the pane.
    pane.Capture(shown);
    EXPECT_GT(DrawingTest::CountDark(shown, 0, 0, DrawingTest::kW, DrawingTest::kH, 60), 4000);
}

// The pictures of one element (the handles of a selected box) draw what single pictures at the same
// points draw, cover the same extent, move together, and leave nothing behind when moved.
TEST(Pictures, OfOneElementDrawAsThePicturesAloneAndMoveTogether) {
    const std::vector<zq::float8Point> points = {{-50, 30}, {1234.5, -987.6}, {2500, -1500}, {5200, -3950}};
    PictureScene alone(1.0), joined(1.0);
    for (PictureScene* scene : {&alone, &joined}) scene->AddShapes();
    for (const zq::float8Point& p : points) alone.keep.push_back(alone.canvas.CreatePicture(p, 101));
    joined.keep.push_back(joined.canvas.CreatePictures(points, 101));
    EXPECT_TRUE(joined.canvas.CreatePictures({}, 101).IsEmpty());
    const RECT clip{23, 17, 151, 96};
    auto render = [&](PictureScene& scene, Surface& s, const RECT* c) {
        s.Clear(RGB(255, 255, 255));
        scene.canvas.Render(s.DC(), scene.map, c);
        GdiFlush();
    };
    Surface a(kWidth, kHeight), b(kWidth, kHeight), bare(kWidth, kHeight);
    for (const RECT* c : {static_cast<const RECT*>(nullptr), &clip}) {
        render(alone, a, c);
        render(joined, b, c);
        EXPECT_EQ(Differences(a, b), 0);
    }
    EXPECT_EQ(alone.canvas.GetExtent(), joined.canvas.GetExtent());
    PictureScene plain(1.0);
    plain.AddShapes();
    render(plain, bare, nullptr);
    EXPECT_GT(Differences(bare, b), 40);  // the pictures were drawn

    const zq::float8Vector by{700, -300};
    joined.canvas.Model().TakeInvalid();
    for (size_t i = 2; i < alone.keep.size(); ++i) alone.keep[i].Move(by);
    joined.keep[2].Move(by);
    render(alone, a, nullptr);
    render(joined, b, nullptr);
    EXPECT_EQ(Differences(a, b), 0);
    // The areas the move reports as changed cover every picture where it was and where it is.
    double left = 1e9, right = -1e9;
    for (const InvalidArea& changed : joined.canvas.Model().TakeInvalid()) {
        const DeviceRect d = changed.ToDevice(joined.map);
        left = std::min(left, d.left);
        right = std::max(right, d.right);
    }
    EXPECT_LE(left, joined.map.ToDevice(zq::float8Point(-50, 30)).x - 4);
    EXPECT_GE(right, joined.map.ToDevice(zq::float8Point(5900, -4250)).x + 4);
}
