// The metafile canvas: EMF frame and description, placeable WMF, PNG, the default extent.
#include "drawing/Placeable.h"
#include "drawing/tests/CanvasScene.h"
#include "drawing/tests/TestSupport.h"

#include <cstring>
#include <fstream>

using namespace DrawingKernel;
using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

std::unique_ptr<ICanvas::IMetafileCanvas> SceneCanvas(ICanvas::Group& keep) {
    DrawingTest::EnsureEnvironment();
    auto c = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"Canvas Test");
    keep = DrawingTest::DrawCanvasScene(*c);
    return c;
}

std::wstring TempFile(const wchar_t* name) { return DrawingTest::TempFile(L"draw", name); }

std::vector<uint8_t> ReadAll(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::vector<uint8_t> v(GetFileSize(f, nullptr));
    DWORD got = 0;
    ReadFile(f, v.data(), DWORD(v.size()), &got, nullptr);
    CloseHandle(f);
    v.resize(got);
    return v;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

} // namespace

TEST(Metafiles, EnhancedMetafileHasTheRoundedFrameAndTheDescription) {
    ICanvas::Group scene;
    auto c = SceneCanvas(scene);
    STGMEDIUM m{};
    c->CreateEnhancedMetafile(m, 200);
    ASSERT_EQ(m.tymed, DWORD(TYMED_ENHMF));
    const std::wstring file = TempFile(L"scene.emf");
    HENHMETAFILE copy = CopyEnhMetaFileW(m.hEnhMetaFile, file.c_str());
    ASSERT_NE(copy, nullptr);
    DeleteEnhMetaFile(copy);

    const std::vector<uint8_t> bytes = ReadAll(file);
    DeleteFileW(file.c_str());
    ASSERT_GE(bytes.size(), 108u);
    EXPECT_EQ(U32(bytes, 0), 1u);            // EMR_HEADER
    EXPECT_EQ(U32(bytes, 40), 0x464D4520u);  // " EMF"
    // Frame in 0.01 mm: the extent 1000..17000 by -15000..1000 (16000 x 16000) plus 2 mm on every side.
    EXPECT_EQ(int32_t(U32(bytes, 24)), 0);
    EXPECT_EQ(int32_t(U32(bytes, 28)), 0);
    EXPECT_NEAR(int32_t(U32(bytes, 32)), 16400, 1);
    EXPECT_NEAR(int32_t(U32(bytes, 36)), 16400, 1);
    // Description "Quorvel" NUL "Canvas Test" NUL NUL.
    const uint32_t nChars = U32(bytes, 60), offset = U32(bytes, 64);
    ASSERT_EQ(nChars, 7u + 1 + 11 + 1 + 1);
    std::wstring desc;
    for (uint32_t i = 0; i < nChars; ++i) desc.push_back(wchar_t(U16(bytes, offset + 2 * i)));
    EXPECT_EQ(desc, std::wstring(L"Quorvel\0Canvas Test\0\0", 21));

    // Played back, it shows the scene: ink in the spiral's area, none outside the frame's content.
    Surface s(164, 164);
    s.Clear(RGB(255, 255, 255));
    RECT all{0, 0, 164, 164};
    PlayEnhMetaFile(s.DC(), m.hEnhMetaFile, &all);
    // Spiral square 7000..17000 x -5000..-15000 sits at x 62..162, y 42..142 of this 1-px-per-0.1-mm picture.
    EXPECT_GT(DrawingTest::CountDark(s, 60, 40, 164, 144), 500);
    EXPECT_EQ(DrawingTest::CountDark(s, 0, 130, 50, 164), 0);
    ReleaseStgMedium(&m);
}

TEST(Metafiles, EnhancedMetafileKeepsTheLongerSideWithinLimits) {
    DrawingTest::EnsureEnvironment();
    auto c = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"");
    auto line = c->CreateLine({0, 0}, {2000000, -1000000});  // 20 m across
    STGMEDIUM m{};
    c->CreateEnhancedMetafile(m, 0);
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(m.hEnhMetaFile, sizeof h, &h);
    EXPECT_EQ(h.rclFrame.right, 2000000);
    EXPECT_EQ(h.rclFrame.bottom, 1000000);
    ReleaseStgMedium(&m);
}

TEST(Metafiles, PlaceableWindowsMetafileHasKeyExtentsAndChecksum) {
    ICanvas::Group scene;
    auto c = SceneCanvas(scene);
    STGMEDIUM m{};
    c->CreateWindowsMetafile(m, 200);
    ASSERT_EQ(m.tymed, DWORD(TYMED_MFPICT));
    auto* pict = static_cast<METAFILEPICT*>(GlobalLock(m.hMetaFilePict));
    ASSERT_NE(pict, nullptr);
    EXPECT_EQ(pict->mm, MM_ANISOTROPIC);
    EXPECT_EQ(pict->xExt, 16400);
    EXPECT_EQ(pict->yExt, 16400);
    const std::vector<uint8_t> b = PlaceableMetafileBytes(*pict);
    GlobalUnlock(m.hMetaFilePict);
    ASSERT_GT(b.size(), 22u + 18u);
    EXPECT_EQ(U32(b, 0), 0x9AC6CDD7u);
    EXPECT_EQ(U16(b, 10), 16400);
    EXPECT_EQ(U16(b, 12), 16400);
    EXPECT_EQ(U16(b, 14), 2540);
    uint16_t x = 0;
    for (int i = 0; i < 10; ++i) x ^= U16(b, 2 * i);
    EXPECT_EQ(U16(b, 20), x);
    // The metafile proper follows: a disk or memory metafile header of 9 words.
    EXPECT_EQ(U16(b, 24), 9);
    // It plays back into a bitmap.
    HMETAFILE played = SetMetaFileBitsEx(UINT(b.size() - 22), b.data() + 22);
    ASSERT_NE(played, nullptr);
    Surface s(164, 164);
    s.Clear(RGB(255, 255, 255));
    SetMapMode(s.DC(), MM_ANISOTROPIC);
    SetViewportExtEx(s.DC(), 164, 164, nullptr);
    PlayMetaFile(s.DC(), played);
    DeleteMetaFile(played);
    EXPECT_GT(DrawingTest::CountDark(s, 60, 40, 164, 144), 500);
    ReleaseStgMedium(&m);
}

TEST(Metafiles, PngFileDecodesToTheExpectedSize) {
    ICanvas::Group scene;
    auto c = SceneCanvas(scene);
    const std::wstring file = TempFile(L"scene.png");
    c->SavePngFile(file, 200);
    GpImage* image = nullptr;
    ASSERT_EQ(GdipLoadImageFromFile(file.c_str(), &image), Ok);
    UINT w = 0, h = 0;
    GdipGetImageWidth(image, &w);
    GdipGetImageHeight(image, &h);
    GdipDisposeImage(image);
    DeleteFileW(file.c_str());
    EXPECT_EQ(w, UINT(std::lround(16400 * 96 / 2540.0)));
    EXPECT_EQ(h, UINT(std::lround(16400 * 96 / 2540.0)));
}

TEST(Metafiles, PngStreamHoldsAPngImage) {
    ICanvas::Group scene;
    auto c = SceneCanvas(scene);
    STGMEDIUM m{};
    c->CreatePngStream(m, 200);
    ASSERT_EQ(m.tymed, DWORD(TYMED_ISTREAM));
    uint8_t sig[8] = {};
    ULONG got = 0;
    m.pstm->Read(sig, 8, &got);
    EXPECT_EQ(got, 8u);
    EXPECT_EQ(sig[1], 'P');
    EXPECT_EQ(sig[2], 'N');
    EXPECT_EQ(sig[3], 'G');
    ReleaseStgMedium(&m);
}

TEST(Metafiles, AnEmptyDrawingGivesTheDefaultExtentPlusTheBorder) {
    DrawingTest::EnsureEnvironment();
    auto c = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"");
    STGMEDIUM m{};
    c->CreateEnhancedMetafile(m, 200);
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(m.hEnhMetaFile, sizeof h, &h);
    EXPECT_EQ(h.rclFrame.right - h.rclFrame.left, 4400);
    EXPECT_EQ(h.rclFrame.bottom - h.rclFrame.top, 4400);
    ReleaseStgMedium(&m);
    c->CreateWindowsMetafile(m, 200);
    auto* pict = static_cast<METAFILEPICT*>(GlobalLock(m.hMetaFilePict));
    EXPECT_EQ(pict->xExt, 4400);
    EXPECT_EQ(pict->yExt, 4400);
    GlobalUnlock(m.hMetaFilePict);
    ReleaseStgMedium(&m);
    const std::wstring file = TempFile(L"empty.png");
    c->SavePngFile(file, 200);
    GpImage* image = nullptr;
    ASSERT_EQ(GdipLoadImageFromFile(file.c_str(), &image), Ok);
    UINT w = 0;
    GdipGetImageWidth(image, &w);
    GdipDisposeImage(image);
    DeleteFileW(file.c_str());
    EXPECT_EQ(w, 166u);  // 44 mm at 96 dpi
}

TEST(Metafiles, TheExtentIsRoundedOutwardToWholeMillimetres) {
    DrawingTest::EnsureEnvironment();
    auto c = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"");
    auto line = c->CreateLine({-150, 30}, {1010, -1001});
    STGMEDIUM m{};
    c->CreateWindowsMetafile(m, 0);
    auto* pict = static_cast<METAFILEPICT*>(GlobalLock(m.hMetaFilePict));
    EXPECT_EQ(pict->xExt, 1100 + 200);  // -200 .. 1100
    EXPECT_EQ(pict->yExt, 100 + 1100);  // -1100 .. 100
    GlobalUnlock(m.hMetaFilePict);
    ReleaseStgMedium(&m);
}

namespace {

// A decoded PNG stream: its size and its pixels (0x00RRGGBB, rows top down).
struct DecodedPng {
    UINT width = 0, height = 0;
    std::vector<uint32_t> pixels;
    bool Dark(UINT x, UINT y) const { return (pixels[size_t(y) * width + x] & 0xFF) < 128; }
    // The dark pixels of the columns x0..x1 and rows y0..y1 (exclusive).
    int DarkIn(UINT x0, UINT y0, UINT x1, UINT y1) const {
        int n = 0;
        for (UINT y = y0; y < y1; ++y)
            for (UINT x = x0; x < x1; ++x) n += Dark(x, y);
        return n;
    }
};

DecodedPng Decode(IStream* stream) {
    DecodedPng out;
    GpBitmap* image = nullptr;
    if (GdipCreateBitmapFromStream(stream, &image) != Ok) return out;
    GdipGetImageWidth(image, &out.width);
    GdipGetImageHeight(image, &out.height);
    const GpRect all(0, 0, INT(out.width), INT(out.height));
    BitmapData data{};
    if (GdipBitmapLockBits(image, &all, ImageLockModeRead, PixelFormat32bppRGB, &data) == Ok) {
        out.pixels.resize(size_t(out.width) * out.height);
        for (UINT y = 0; y < out.height; ++y)
            std::memcpy(&out.pixels[size_t(y) * out.width], static_cast<const BYTE*>(data.Scan0) + size_t(y) * data.Stride,
                        size_t(out.width) * 4);
        GdipBitmapUnlockBits(image, &data);
    }
    GdipDisposeImage(image);
    return out;
}

} // namespace

// A drawing whose PNG at 96 dpi would need gigabytes (10.04 x 6.04 m with the border: 37946 x 22828
// pixels) is drawn smaller, just within the pixel limit, in its proportions and whole: its frame
// shows inside all four edges. A drawing the size of A0 paper keeps 96 dpi.
TEST(Metafiles, APngTooLargeForMemoryIsDrawnSmallerWithinThePixelLimitWhileA0KeepsItsResolution) {
    DrawingTest::EnsureEnvironment();
    auto c = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"");
    auto frame = c->CreateRect({0, 0, 1000000, -600000});
    STGMEDIUM m{};
    ASSERT_NO_THROW(c->CreatePngStream(m, 2000));
    ASSERT_EQ(m.tymed, DWORD(TYMED_ISTREAM));
    const DecodedPng large = Decode(m.pstm);
    ReleaseStgMedium(&m);
    ASSERT_FALSE(large.pixels.empty()) << "the PNG does not decode";
    EXPECT_LE(double(large.width) * large.height, kMaxPngPixels);
    EXPECT_GT(double(large.width) * large.height, 0.99 * kMaxPngPixels);
    EXPECT_NEAR(double(large.width) / large.height, 10.04 / 6.04, 0.002);
    // The 20 mm border is about ten pixels at this scale.
    const UINT w = large.width, h = large.height;
    EXPECT_GT(large.DarkIn(5, 0, 16, h), int(h) / 2) << "left side";
    EXPECT_GT(large.DarkIn(w - 16, 0, w - 5, h), int(h) / 2) << "right side";
    EXPECT_GT(large.DarkIn(0, 5, w, 16), int(w) / 2) << "top side";
    EXPECT_GT(large.DarkIn(0, h - 16, w, h - 5), int(w) / 2) << "bottom side";
    EXPECT_EQ(large.DarkIn(0, 0, w, 5) + large.DarkIn(0, 0, 5, h), 0) << "nothing in the border";
    EXPECT_EQ(large.DarkIn(25, 25, w - 25, h - 25), 0) << "nothing inside the frame";

    auto a0 = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"");
    auto sheet = a0->CreateRect({0, 0, 118900, -84100});
    a0->CreatePngStream(m, 0);
    const DecodedPng paper = Decode(m.pstm);
    ReleaseStgMedium(&m);
    EXPECT_EQ(paper.width, UINT(std::lround(118900 * 96 / 2540.0)));
    EXPECT_EQ(paper.height, UINT(std::lround(84100 * 96 / 2540.0)));
}
