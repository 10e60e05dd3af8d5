// What other programs read from our metafiles: the records' units, pens, dashes and the picture's
// area, checked by reading the records back and by playing the pictures back through GDI and GDI+;
// and the PNG image, which must match the screen's rendering pixel for pixel.
#include "drawing/Placeable.h"
#include "drawing/tests/CanvasScene.h"
#include "drawing/tests/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <optional>

using namespace DrawingKernel;
using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

using P = zq::float8Point;

// One record of a Windows metafile: its function number and its 16-bit parameters.
struct WmfRecord {
    uint16_t function = 0;
    std::vector<int16_t> params;
};

uint16_t U16(const uint8_t* b) { return uint16_t(b[0] | b[1] << 8); }
uint32_t U32(const uint8_t* b) { return U16(b) | uint32_t(U16(b + 2)) << 16; }

// The records after the 9-word metafile header; stops at a record whose size is impossible.
std::vector<WmfRecord> ReadWmfRecords(const uint8_t* bits, size_t size) {
    std::vector<WmfRecord> out;
    size_t at = 18;
    while (at + 6 <= size) {
        const uint32_t words = U32(bits + at);
        if (words < 3 || at + size_t(words) * 2 > size) break;
        WmfRecord r;
        r.function = U16(bits + at + 4);
        for (uint32_t i = 3; i < words; ++i) r.params.push_back(int16_t(U16(bits + at + 2 * i)));
        const bool last = r.function == 0;  // META_EOF
        out.push_back(std::move(r));
        if (last) break;
        at += size_t(words) * 2;
    }
    return out;
}

// The record bytes of an enhanced metafile, one vector per record.
std::vector<std::vector<uint8_t>> ReadEmfRecords(HENHMETAFILE emf) {
    std::vector<uint8_t> bits(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bits.size()), bits.data());
    std::vector<std::vector<uint8_t>> out;
    for (size_t at = 0; at + 8 <= bits.size();) {
        const uint32_t size = U32(bits.data() + at + 4);
        if (size < 8 || at + size > bits.size()) break;
        out.emplace_back(bits.begin() + at, bits.begin() + at + size);
        at += size;
    }
    return out;
}

// Owns the medium of a canvas output.
struct Medium {
    STGMEDIUM m{};
    ~Medium() { ReleaseStgMedium(&m); }
};

// The placeable file bytes of the canvas's Windows metafile.
std::vector<uint8_t> PlaceableFile(ICanvas::IMetafileCanvas& c, int border) {
    Medium m;
    c.CreateWindowsMetafile(m.m, border);
    auto* pict = static_cast<METAFILEPICT*>(GlobalLock(m.m.hMetaFilePict));
    std::vector<uint8_t> bytes = PlaceableMetafileBytes(*pict);
    GlobalUnlock(m.m.hMetaFilePict);
    return bytes;
}

// The widths of the visible pens that outlines are drawn with, one for each drawing record. Objects
// take the first free slot of the metafile's object table; pens with flat ends only.
std::vector<int> PenWidthsDrawnWith(const std::vector<WmfRecord>& records) {
    struct Object {
        bool pen = false;
        int style = 0, width = 0;
    };
    std::vector<std::optional<Object>> table;
    std::optional<Object> current;
    std::vector<int> widths;
    const auto create = [&](const Object& o) {
        auto slot = std::find(table.begin(), table.end(), std::nullopt);
        if (slot == table.end()) slot = table.insert(table.end(), std::nullopt);
        *slot = o;
    };
    for (const WmfRecord& r : records) {
        switch (r.function) {
        case META_CREATEPENINDIRECT:
            if (r.params.size() >= 2) create({true, uint16_t(r.params[0]), r.params[1]});
            break;
        case META_CREATEBRUSHINDIRECT: case META_CREATEFONTINDIRECT: case META_CREATEPALETTE:
        case META_CREATEREGION: case META_DIBCREATEPATTERNBRUSH: case META_CREATEPATTERNBRUSH:
            create({});
            break;
        case META_SELECTOBJECT:
            if (!r.params.empty() && size_t(r.params[0]) < table.size() && table[r.params[0]] && table[r.params[0]]->pen)
                current = table[r.params[0]];
            break;
        case META_DELETEOBJECT:
            if (!r.params.empty() && size_t(r.params[0]) < table.size()) table[r.params[0]].reset();
            break;
        case META_LINETO: case META_POLYLINE: case META_POLYGON: case META_POLYPOLYGON: case META_RECTANGLE:
        case META_ELLIPSE: case META_ROUNDRECT:
            if (current && (current->style & PS_STYLE_MASK) != PS_NULL) {
                widths.push_back(current->width);
                if (current->width > 1) {
                    EXPECT_EQ(current->style & PS_ENDCAP_MASK, PS_ENDCAP_FLAT) << "a round-ended pen";
                }
            }
            break;
        }
    }
    return widths;
}

std::wstring TempFile(const wchar_t* name) { return DrawingTest::TempFile(L"records", name); }

void WriteFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(f);
    ASSERT_EQ(written, bytes.size());
}

// Plays a placeable metafile file through GDI+ into the whole surface.
void DrawThroughGdiplus(const std::wstring& file, Surface& s) {
    GpMetafile* picture = nullptr;
    ASSERT_EQ(GdipCreateMetafileFromFile(file.c_str(), &picture), Ok);
    GpGraphics* g = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(s.DC(), &g), Ok);
    EXPECT_EQ(GdipDrawImageRectI(g, picture, 0, 0, s.Width(), s.Height()), Ok);
    GdipDeleteGraphics(g);
    GdipDisposeImage(picture);
    GdiFlush();
}

// Plays the canvas's Windows metafile through GDI as a reader of the placeable header does: the
// header's box fills the surface.
void PlayWmf(ICanvas::IMetafileCanvas& c, int border, Surface& s) {
    const std::vector<uint8_t> file = PlaceableFile(c, border);
    ASSERT_GT(file.size(), 22u);
    HMETAFILE wmf = SetMetaFileBitsEx(UINT(file.size() - 22), file.data() + 22);
    ASSERT_NE(wmf, nullptr);
    SetMapMode(s.DC(), MM_ANISOTROPIC);
    SetWindowExtEx(s.DC(), U16(file.data() + 10), U16(file.data() + 12), nullptr);
    SetViewportExtEx(s.DC(), s.Width(), s.Height(), nullptr);
    PlayMetaFile(s.DC(), wmf);
    SetMapMode(s.DC(), MM_TEXT);
    DeleteMetaFile(wmf);
    GdiFlush();
}

void PlayEmf(ICanvas::IMetafileCanvas& c, int border, Surface& s) {
    Medium m;
    c.CreateEnhancedMetafile(m.m, border);
    const RECT all{0, 0, s.Width(), s.Height()};
    PlayEnhMetaFile(s.DC(), m.m.hEnhMetaFile, &all);
    GdiFlush();
}

// The canvas's Windows or enhanced metafile without a border played into a white 400 x 400 surface.
std::unique_ptr<Surface> PlayedBack(ICanvas::IMetafileCanvas& c, bool wmf) {
    auto s = std::make_unique<Surface>(400, 400);
    s->Clear(RGB(255, 255, 255));
    if (wmf) PlayWmf(c, 0, *s);
    else PlayEmf(c, 0, *s);
    return s;
}

std::unique_ptr<ICanvas::IMetafileCanvas> NewCanvas() {
    DrawingTest::EnsureEnvironment();
    return CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"Records");
}

// The share of points on an ellipse (centre, radii in pixels) with ink within two pixels across
// the outline.
double InkedShareOfEllipse(const Surface& s, double cx, double cy, double rx, double ry) {
    const int n = 720;
    int inked = 0;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::acos(-1.0) * i / n;
        bool ink = false;
        for (double d = -2; d <= 2 && !ink; d += 0.5) {
            const int x = int(std::lround(cx + (rx + d) * std::cos(a))), y = int(std::lround(cy + (ry + d) * std::sin(a)));
            ink = DrawingTest::CountDark(s, x, y, x + 1, y + 1) > 0;
        }
        if (ink) ++inked;
    }
    return double(inked) / n;
}

} // namespace

TEST(MetafileRecords, WindowsMetafileRecordsAreInTheHeaderUnits) {
    auto c = NewCanvas();
    ICanvas::Group scene = DrawingTest::DrawCanvasScene(*c);
    const std::vector<uint8_t> file = PlaceableFile(*c, 200);
    ASSERT_GT(file.size(), 40u);
    EXPECT_EQ(U16(file.data() + 14), 2540);
    const int right = U16(file.data() + 10), bottom = U16(file.data() + 12);
    EXPECT_EQ(right, 16400);
    EXPECT_EQ(bottom, 16400);
    const std::vector<WmfRecord> records = ReadWmfRecords(file.data() + 22, file.size() - 22);
    bool windowExt = false;
    int maxX = 0;
    for (const WmfRecord& r : records) {
        if (r.function == META_SETWINDOWEXT) {
            ASSERT_EQ(r.params.size(), 2u);
            EXPECT_EQ(r.params[1], right);  // x follows y in the record
            EXPECT_EQ(r.params[0], bottom);
            windowExt = true;
        }
        if (r.function == META_SETWINDOWORG) {
            EXPECT_EQ(r.params, (std::vector<int16_t>{0, 0}));
        }
        if (r.function == META_POLYGON)
            for (size_t i = 1; i + 1 < r.params.size(); i += 2) maxX = std::max<int>(maxX, r.params[i]);
    }
    EXPECT_TRUE(windowExt);
    // The spiral's outer square ends at x 17000, 16200 units from the picture's left edge.
    EXPECT_NEAR(maxX, 16200, 2);

    // GDI+ reads the placeable file into the same places: the spiral, and nothing left of the triangle.
    const std::wstring path = TempFile(L"scene.wmf");
    WriteFile(path, file);
    Surface s(164, 164);
    s.Clear(RGB(255, 255, 255));
    DrawThroughGdiplus(path, s);
    DeleteFileW(path.c_str());
    EXPECT_GT(DrawingTest::CountDark(s, 60, 40, 164, 144), 500);
    EXPECT_GT(DrawingTest::CountDark(s, 158, 40, 164, 144), 20);  // the square's right edge, x 162
    EXPECT_EQ(DrawingTest::CountDark(s, 0, 100, 50, 164), 0);
}

TEST(MetafileRecords, APictureOverThirtyTwoCentimetresKeepsRecordsAndHeaderInOneUnit) {
    auto c = NewCanvas();
    auto line = c->CreateLine({0, 0}, {100000, -50000});  // 1 m by 0.5 m
    const std::vector<uint8_t> file = PlaceableFile(*c, 0);
    ASSERT_GT(file.size(), 40u);
    const int inch = U16(file.data() + 14), right = U16(file.data() + 10), bottom = U16(file.data() + 12);
    EXPECT_LT(inch, 2540);
    EXPECT_NEAR(right, 100000.0 * inch / 2540, 1);
    EXPECT_NEAR(bottom, 50000.0 * inch / 2540, 1);
    bool windowExt = false;
    for (const WmfRecord& r : ReadWmfRecords(file.data() + 22, file.size() - 22))
        if (r.function == META_SETWINDOWEXT) {
            EXPECT_EQ(r.params[1], right);
            EXPECT_EQ(r.params[0], bottom);
            windowExt = true;
        }
    EXPECT_TRUE(windowExt);
}

// The readers of a metafile draw a cosmetic pen one of its own units wide (0.01 mm in a Windows
// metafile, a 1200-dpi pixel in an enhanced one), which hardly shows: in both every visible pen is
// at least one screen pixel (0.26 mm) wide, as the PNG image's lines are.
TEST(MetafileRecords, HairlinesAreAScreenPixelWideInBothMetafilesAndWidePensEndFlat) {
    auto c = NewCanvas();
    ICanvas::LineStyle wide = ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0), 200);
    auto hair = c->CreateLine({1000, -500}, {3000, -500});  // width 0
    auto thick = c->CreateLine({1000, -1000}, {3000, -1000}, wide);
    auto box = c->CreateRect({1000, -2000, 3000, -3000}, wide);
    auto thin = c->CreateRect({500, -3200, 3500, -3800});  // drawn with a pen, not filled as a line

    Medium emf;
    c->CreateEnhancedMetafile(emf.m, 0);
    const uint32_t emfScreenPixel = 1200 / 96;  // 12.5 of its pixels, rounded either way
    std::vector<uint32_t> emfWidths;
    const auto pen = [&](uint32_t style, uint32_t width) {
        if ((style & PS_STYLE_MASK) == PS_NULL) return;
        emfWidths.push_back(width);
        EXPECT_GE(width, emfScreenPixel) << "a pen too thin to be seen, style " << style;
        EXPECT_EQ(style & PS_TYPE_MASK, uint32_t(PS_GEOMETRIC)) << "a cosmetic pen of width " << width;
        EXPECT_EQ(style & PS_ENDCAP_MASK, uint32_t(PS_ENDCAP_FLAT)) << "a round-ended pen of width " << width;
    };
    for (const auto& r : ReadEmfRecords(emf.m.hEnhMetaFile)) {
        const uint32_t type = U32(r.data());
        if (type == EMR_CREATEPEN && r.size() >= 28) pen(U32(r.data() + 12), U32(r.data() + 16));
        if (type == EMR_EXTCREATEPEN && r.size() >= 36) pen(U32(r.data() + 28), U32(r.data() + 32));
    }
    ASSERT_FALSE(emfWidths.empty());
    EXPECT_LE(*std::min_element(emfWidths.begin(), emfWidths.end()), emfScreenPixel + 1) << "no thin pen";
    EXPECT_GT(*std::max_element(emfWidths.begin(), emfWidths.end()), 90u) << "no wide pen";  // 2 mm at 1200 dpi

    // The readers of a Windows metafile draw a cosmetic pen one of its units (0.01 mm) wide, which
    // shows nothing: there every pen is at least one screen pixel (0.26 mm) wide.
    const std::vector<uint8_t> file = PlaceableFile(*c, 0);
    const std::vector<int> widths = PenWidthsDrawnWith(ReadWmfRecords(file.data() + 22, file.size() - 22));
    const int screenPixel = int(std::lround(2540 / 96.0));
    ASSERT_FALSE(widths.empty());
    for (int w : widths) EXPECT_GE(w, screenPixel) << "a pen too thin to be seen";
    EXPECT_NE(std::find(widths.begin(), widths.end(), 200), widths.end()) << "no wide pen";
    // Played back, the hairline is there.
    auto frame = c->CreateRect({0, 0, 4000, -4000});
    const std::unique_ptr<Surface> played = PlayedBack(*c, true);
    EXPECT_GT(DrawingTest::CountDark(*played, 110, 45, 290, 56), 150);  // y -500 of 4000 on 400 pixels
}

// Pictures (selection marks) go into a Windows metafile as 24-bit pictures, which every reader
// takes; the screen's 32 bits are refused by some.
TEST(MetafileRecords, AWindowsMetafileHoldsPicturesInTwentyFourBits) {
    auto c = NewCanvas();
    auto frame = c->CreateRect({0, 0, 4000, -4000});
    auto picture = c->CreatePicture({2000, -2000}, 100);
    const std::vector<uint8_t> file = PlaceableFile(*c, 0);
    std::vector<int> depths;
    for (const WmfRecord& r : ReadWmfRecords(file.data() + 22, file.size() - 22)) {
        size_t header = 0;  // the word at which the picture's BITMAPINFOHEADER starts
        if (r.function == META_STRETCHDIB) header = 11;
        else if (r.function == META_DIBSTRETCHBLT) header = 10;
        else if (r.function == META_DIBBITBLT) header = 8;
        else if (r.function == META_SETDIBTODEV) header = 9;
        else continue;
        if (r.params.size() > header + 7) depths.push_back(r.params[header + 7]);
    }
    EXPECT_EQ(depths, std::vector<int>{24});
    // Played back, the picture is where it was put.
    const std::unique_ptr<Surface> played = PlayedBack(*c, true);
    EXPECT_GT(DrawingTest::CountDark(*played, 190, 190, 210, 210), 0);
}

TEST(MetafileRecords, AWideLineStopsAtItsEndsInBothMetafilesAndInPng) {
    auto c = NewCanvas();
    ICanvas::LineStyle wide = ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0), 200);
    auto thick = c->CreateLine({1000, -2000}, {3000, -2000}, wide);
    auto frame = c->CreateRect({0, 0, 4000, -4000});
    // 4000 units on 400 pixels: the line runs from x 100 to 300 at y 200, 20 pixels thick.
    for (int wmf = 0; wmf < 2; ++wmf) {
        const std::unique_ptr<Surface> played = PlayedBack(*c, wmf);
        const Surface& s = *played;
        SCOPED_TRACE(wmf ? "Windows metafile" : "enhanced metafile");
        EXPECT_GT(DrawingTest::CountDark(s, 110, 195, 290, 205), 170 * 10);
        // A round end would reach 10 pixels beyond each end.
        EXPECT_EQ(DrawingTest::CountDark(s, 303, 192, 312, 208), 0);
        EXPECT_EQ(DrawingTest::CountDark(s, 88, 192, 97, 208), 0);
    }
    // The PNG image, drawn the screen's way: 4000 units on 151 pixels, the line from x 37.8 to
    // 113.2 at y 75.5, 7.6 pixels thick.
    const std::wstring file = TempFile(L"wide.png");
    c->SavePngFile(file, 0);
    GpBitmap* png = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromFile(file.c_str(), &png), Ok);
    const auto dark = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                ARGB p = 0;
                GdipBitmapGetPixel(png, x, y, &p);
                n += ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255) < 384;
            }
        return n;
    };
    EXPECT_GT(dark(40, 73, 110, 78), 60 * 5);
    EXPECT_EQ(dark(115, 70, 119, 81), 0);  // a round end would reach x 117
    EXPECT_EQ(dark(33, 70, 36, 81), 0);
    GdipDisposeImage(png);
    DeleteFileW(file.c_str());
}

TEST(MetafileRecords, TheDashedMarkerEllipseIsDashedAndTheOtherSolid) {
    for (int flag = 0; flag < 2; ++flag) {
        auto c = NewCanvas();
        auto ellipse = c->CreateMarkerEllipse({1000, -1000, 3000, -3000}, flag);
        auto frame = c->CreateRect({0, 0, 4000, -4000});
        for (int wmf = 0; wmf < 2; ++wmf) {
            const std::unique_ptr<Surface> s = PlayedBack(*c, wmf);
            SCOPED_TRACE(std::string(wmf ? "Windows metafile" : "enhanced metafile") + (flag ? ", solid" : ", dashed"));
            const double share = InkedShareOfEllipse(*s, 200, 200, 100, 100);
            if (flag) {
                EXPECT_GT(share, 0.85);  // a thin ellipse scaled down by the player has a few gaps
            } else {
                EXPECT_GT(share, 0.3);   // dashes and gaps of equal length
                EXPECT_LT(share, 0.7);
            }
        }
    }
}

TEST(MetafileRecords, APictureCountsWithItsWholeRectangleInTheExtent) {
    auto c = NewCanvas();
    auto picture = c->CreatePicture({1000, -1000}, 100);  // 7 x 7 pixels at 96 dpi
    const double half = 3.5 * 2540 / 96;
    const ICanvas::DoubleRect e = c->GetExtent();
    EXPECT_NEAR(e.left, 1000 - half, 1);
    EXPECT_NEAR(e.right, 1000 + half, 1);
    EXPECT_NEAR(e.top, -1000 + half, 1);
    EXPECT_NEAR(e.bottom, -1000 - half, 1);
    // With no border, the enhanced metafile still holds the whole picture.
    Medium m;
    c->CreateEnhancedMetafile(m.m, 0);
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(m.m.hEnhMetaFile, sizeof h, &h);
    EXPECT_GE(h.rclFrame.right - h.rclFrame.left, 2 * half);
}

TEST(MetafileRecords, ThePngImageHasTheScreensPixels) {
    DrawingTest::EnsureEnvironment();
    auto c = NewCanvas();
    OffscreenCanvas screen;
    ICanvas::Group a = DrawingTest::DrawCanvasScene(*c), b = DrawingTest::DrawCanvasScene(screen);
    const auto fill = ICanvas::LineStyle::FromColor(zq::Color(255, 255, 160));
    for (int i = 0; i < 5; ++i) {
        const ICanvas::DoubleRect r{1000.0 + i * 900, -9000, 1700.0 + i * 900, -9700};
        a.Add(c->CreateFilledRect(r, fill, DrawingTest::Key(1)));
        a.Add(c->CreateRect(r));
        b.Add(screen.CreateFilledRect(r, fill, DrawingTest::Key(1)));
        b.Add(screen.CreateRect(r));
    }
    const std::wstring file = TempFile(L"screen.png");
    c->SavePngFile(file, 200);
    GpBitmap* png = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromFile(file.c_str(), &png), Ok);
    UINT w = 0, h = 0;
    GdipGetImageWidth(png, &w);
    GdipGetImageHeight(png, &h);
    ASSERT_EQ(w, 620u);  // 164 mm at 96 dpi
    ASSERT_EQ(h, 620u);
    // The same picture area (800 .. 17200 by 1200 .. -15200) rendered the screen's way.
    Surface s(620, 620);
    s.Clear(RGB(255, 255, 255));
    Mapping m;
    m.kx = m.ky = 620 / 16400.0;
    m.ox = -800 * m.kx;
    m.oy = 1200 * m.ky;
    screen.Render(s.DC(), m, nullptr);
    int differing = 0, inked = 0;
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) {
            ARGB p = 0;
            GdipBitmapGetPixel(png, INT(x), INT(y), &p);
            if ((p & 0xFFFFFF) != s.Pixel(int(x), int(y))) ++differing;
            if ((p & 0xFFFFFF) != 0xFFFFFF) ++inked;
        }
    GdipDisposeImage(png);
    DeleteFileW(file.c_str());
    EXPECT_GT(inked, 3000);
    EXPECT_EQ(differing, 0);
}

// Squares of n colours, 2 mm each, 20 to a row, written as PNG and read back: the centre of every
// square keeps its colour.
static void ExpectPngKeepsColours(int n) {
    auto c = NewCanvas();
    ICanvas::Group g;
    const auto colour = [](int i) { return zq::Color(uint8_t(i % 256), uint8_t(i / 256 * 100), 50); };
    for (int i = 0; i < n; ++i) {
        const double x = (i % 20) * 200.0, y = -(i / 20) * 200.0;
        g.Add(c->CreateFilledRect({x, y, x + 200, y - 200}, ICanvas::LineStyle::FromColor(colour(i)), DrawingTest::Key(1)));
    }
    const std::wstring file = TempFile(L"colours.png");
    c->SavePngFile(file, 0);
    GpBitmap* png = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromFile(file.c_str(), &png), Ok);
    UINT w = 0;
    GdipGetImageWidth(png, &w);
    EXPECT_EQ(w, UINT(std::lround(std::min(n, 20) * 200 * 96 / 2540.0)));
    int wrong = 0;
    for (int i = 0; i < n; ++i) {
        const double px = ((i % 20) * 200.0 + 100) * 96 / 2540, py = ((i / 20) * 200.0 + 100) * 96 / 2540;
        ARGB p = 0;
        GdipBitmapGetPixel(png, INT(px), INT(py), &p);
        const zq::Color e = colour(i);
        if ((p & 0xFFFFFF) != ((ARGB(e.red) << 16) | (ARGB(e.green) << 8) | e.blue)) ++wrong;
    }
    GdipDisposeImage(png);
    DeleteFileW(file.c_str());
    EXPECT_EQ(wrong, 0);
}

TEST(MetafileRecords, PngImagesOfFewAndOfManyColoursKeepEveryColour) {
    for (int n : {2, 15, 16, 17, 255, 256, 300}) {  // 4 and 8 bits per pixel, and full colour
        SCOPED_TRACE(std::to_string(n) + " colours");
        ExpectPngKeepsColours(n);
    }
}
