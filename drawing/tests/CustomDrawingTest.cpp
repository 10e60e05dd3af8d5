// Custom drawables (the extension point text drawing uses) on the screen, in metafiles and on a
// printer, each in its place in the drawing order.
#include "drawing/tests/TestPane.h"

#include <cmath>
#include <optional>

using namespace DrawingKernel;
using DrawingTest::kH;
using DrawingTest::kW;
using DrawingTest::Pane;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 160, 0), kYellow = RGB(255, 220, 0);

// Fills its rectangle through the context's GDI device context and counts its calls.
class Swatch : public ICanvas::ICustomDrawing {
public:
    Swatch(const ICanvas::DoubleRect& r, COLORREF c) : rect_(r), colour_(c) {}
    ICanvas::DoubleRect GetBounds() const override { return rect_; }
    void Draw(ICanvas::IDrawContext& dc) const override {
        ++draws;
        pixelsPerUnit = dc.PixelsPerUnit();
        HDC hdc = dc.GetDC();
        const zq::float8Point a = dc.ToDevice({rect_.left, rect_.top}), b = dc.ToDevice({rect_.right, rect_.bottom});
        const RECT r{zq::Round(a.x), zq::Round(a.y), zq::Round(b.x), zq::Round(b.y)};
        HBRUSH brush = CreateSolidBrush(colour_);
        FillRect(hdc, &r, brush);
        DeleteObject(brush);
    }
    void Move(const zq::float8Vector& by) override {
        rect_.left += by.x;
        rect_.right += by.x;
        rect_.top += by.y;
        rect_.bottom += by.y;
    }
    mutable int draws = 0;
    mutable double pixelsPerUnit = 0;
private:
    ICanvas::DoubleRect rect_;
    COLORREF colour_;
};

struct CustomScene {
    std::shared_ptr<Swatch> keyed, plain;
    ICanvas::Group elements;
};

// A red square (40 mm, largest key) beneath a blue custom square (middle key) beneath a small green
// square (smallest key); a yellow custom drawing without a key lies above all keyed fills.
CustomScene Build(ICanvas::Canvas& c) {
    CustomScene s;
    s.keyed = std::make_shared<Swatch>(ICanvas::DoubleRect{1000, -1000, 3000, -3000}, kBlue);
    s.plain = std::make_shared<Swatch>(ICanvas::DoubleRect{3000, -200, 3800, -1000}, kYellow);
    // Created out of order: the keys, not the creation order, decide.
    s.elements.Add(c.CreateFilledRect({2500, -2500, 3500, -3500}, ICanvas::LineStyle::FromColor(zq::Color(0, 160, 0)), DrawingTest::Key(1)));
    s.elements.Add(c.CreateCustom(s.plain));
    s.elements.Add(c.CreateCustom(s.keyed, DrawingTest::Key(4)));
    s.elements.Add(c.CreateFilledRect({0, 0, 4000, -4000}, ICanvas::LineStyle::FromColor(zq::Color(255, 0, 0)), DrawingTest::Key(16)));
    return s;
}

bool Near(uint32_t rgb, COLORREF c) {
    const int r = int(rgb >> 16 & 255), g = int(rgb >> 8 & 255), b = int(rgb & 255);
    return std::abs(r - GetRValue(c)) < 40 && std::abs(g - GetGValue(c)) < 40 && std::abs(b - GetBValue(c)) < 40;
}

// Finds the red square's pixel box in an image and checks the colours at logical points of the
// scene through it.
void ExpectSceneOrder(const Surface& s, const char* where) {
    std::optional<RECT> box;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (Near(s.Pixel(x, y), kRed)) {
                if (!box) box = RECT{x, y, x, y};
                box->left = std::min<LONG>(box->left, x);
                box->right = std::max<LONG>(box->right, x);
                box->top = std::min<LONG>(box->top, y);
                box->bottom = std::max<LONG>(box->bottom, y);
            }
    ASSERT_TRUE(box) << where << ": no red square";
    ASSERT_GT(box->right - box->left, 40) << where;
    auto at = [&](double x, double y) {
        return s.Pixel(zq::Round(box->left + x / 4000 * (box->right - box->left)),
                       zq::Round(box->top + -y / 4000 * (box->bottom - box->top)));
    };
    EXPECT_TRUE(Near(at(500, -500), kRed)) << where;
    EXPECT_TRUE(Near(at(3750, -3750), kRed)) << where;
    EXPECT_TRUE(Near(at(1500, -1500), kBlue)) << where << ": the keyed custom drawing lies above the larger fill";
    EXPECT_TRUE(Near(at(2000, -2800), kBlue)) << where;
    EXPECT_TRUE(Near(at(2750, -2750), kGreen)) << where << ": the smaller fill lies above the keyed custom drawing";
    EXPECT_TRUE(Near(at(3250, -3250), kGreen)) << where;
    EXPECT_TRUE(Near(at(3400, -600), kYellow)) << where << ": an unkeyed custom drawing lies above keyed fills";
}

// A stand-in printer that records its one page as an enhanced metafile of a letter sheet.
class EmfPrinter : public IPrintDevice {
public:
    EmfPrinter() { screen_ = ::GetDC(nullptr); }
    ~EmfPrinter() override {
        if (page) DeleteEnhMetaFile(page);
        ::ReleaseDC(nullptr, screen_);
    }
    HDC GetDC() override { return dc_ ? dc_ : screen_; }
    int StartDoc(const DOCINFOW&) override { return 1; }
    int StartPage() override {
        const RECT frame{0, 0, 21590, 27940};
        dc_ = CreateEnhMetaFileW(screen_, nullptr, &frame, nullptr);
        return dc_ ? 1 : 0;
    }
    int EndPage() override {
        if (page) DeleteEnhMetaFile(page);
        page = CloseEnhMetaFile(dc_);
        dc_ = nullptr;
        return 1;
    }
    int EndDoc() override { return 1; }
    int AbortDoc() override { return 1; }
    bool Reset(const DEVMODEW&) override { return true; }
    HENHMETAFILE page = nullptr;
private:
    HDC screen_;
    HDC dc_ = nullptr;
};

struct NeverAbort : ICanvas::IAbortFlag {
    bool IsAborted() const override { return false; }
};

// Plays an enhanced metafile onto a white surface of the given size.
void Play(HENHMETAFILE emf, Surface& s) {
    s.Clear(RGB(255, 255, 255));
    const RECT all{0, 0, s.Width(), s.Height()};
    ASSERT_TRUE(PlayEnhMetaFile(s.DC(), emf, &all));
}

} // namespace

TEST(CustomDrawing, IsDrawnOnTheScreenInItsOrderAndRepaintedWhenMoved) {
    Pane pane;
    CustomScene scene = Build(*pane.canvas);
    pane.canvas->ScrollPointTo({-500, 500}, {0, 0});
    pane.canvas->Update();
    Surface s(kW, kH);
    pane.Capture(s);
    ExpectSceneOrder(s, "screen");
    EXPECT_GT(scene.keyed->draws, 0);
    EXPECT_NEAR(scene.keyed->pixelsPerUnit, 96 / 2540.0, 1e-9);
    // The extent counts custom drawings; moving one repaints its old and new places.
    scene.plain->draws = 0;
    const ICanvas::DoubleRect e = pane.canvas->GetExtent();
    EXPECT_DOUBLE_EQ(e.right, 4000);
    EXPECT_DOUBLE_EQ(e.top, 0);
    scene.elements.Move({0, -6000});
    pane.canvas->Update();
    pane.Capture(s);
    const zq::Point old = zq::RoundPoint(pane.canvas->LogicalToClient({3400, -600}));
    const zq::Point now = zq::RoundPoint(pane.canvas->LogicalToClient({3400, -6600}));
    EXPECT_FALSE(Near(s.Pixel(old.x, old.y), kYellow));
    EXPECT_FALSE(Near(s.Pixel(old.x, old.y), kRed));
    EXPECT_TRUE(Near(s.Pixel(now.x, now.y), kYellow));
    EXPECT_GT(scene.plain->draws, 0);
}

TEST(CustomDrawing, IsDrawnIntoEnhancedMetafilesInItsOrder) {
    DrawingTest::EnsureEnvironment();
    auto canvas = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"custom");
    CustomScene scene = Build(*canvas);
    STGMEDIUM m{};
    canvas->CreateEnhancedMetafile(m, 0);
    ASSERT_EQ(m.tymed, DWORD(TYMED_ENHMF));
    Surface s(400, 400);
    Play(m.hEnhMetaFile, s);
    ReleaseStgMedium(&m);
    ExpectSceneOrder(s, "enhanced metafile");
    EXPECT_GT(scene.keyed->draws, 0);
    EXPECT_GT(scene.plain->draws, 0);
}

TEST(CustomDrawing, IsDrawnIntoPngImagesInItsOrder) {
    DrawingTest::EnsureEnvironment();
    auto canvas = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"custom");
    CustomScene scene = Build(*canvas);
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring file = std::wstring(dir) + L"quorvel-custom-drawing.png";
    canvas->SavePngFile(file, 0);
    Gdiplus::GpBitmap* image = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipCreateBitmapFromFile(file.c_str(), &image), Gdiplus::Ok);
    UINT w = 0, h = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image, &w);
    Gdiplus::DllExports::GdipGetImageHeight(image, &h);
    Surface s{int(w), int(h)};
    s.Clear(RGB(255, 255, 255));
    Gdiplus::GpGraphics* g = nullptr;
    Gdiplus::DllExports::GdipCreateFromHDC(s.DC(), &g);
    Gdiplus::DllExports::GdipDrawImageRectI(g, image, 0, 0, INT(w), INT(h));
    Gdiplus::DllExports::GdipDeleteGraphics(g);
    Gdiplus::DllExports::GdipDisposeImage(image);
    DeleteFileW(file.c_str());
    ExpectSceneOrder(s, "PNG");
}

TEST(CustomDrawing, IsPrintedInItsOrder) {
    DrawingTest::EnsureEnvironment();
    auto device = std::make_unique<EmfPrinter>();
    EmfPrinter& printer = *device;
    auto canvas = CreatePrinterCanvas(std::move(device), nullptr, L"custom");
    CustomScene scene = Build(*canvas);
    ASSERT_TRUE(canvas->Print(NeverAbort(), false, false, {1, 1}, L""));
    ASSERT_NE(printer.page, nullptr);
    Surface s(540, 699);  // 2.5 pixels per millimetre
    Play(printer.page, s);
    ExpectSceneOrder(s, "printer");
    EXPECT_GT(scene.keyed->draws, 0);
}
