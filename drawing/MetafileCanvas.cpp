#include "app/winutil/Platform.h"
#include "drawing/DrawingKernel.h"
#include "drawing/Placeable.h"
#include "drawing/Surface.h"

#include <algorithm>
#include <cmath>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace DrawingKernel {

namespace {

constexpr double kEnhancedMetafileDpi = 1200;
constexpr double kMaxPixels = 32766;

// The picture's area (0.01 mm) and its device size at a resolution, limited on the longer side.
struct Frame {
    ICanvas::DoubleRect area;  // normalised, whole millimetres plus the border
    double width = 0;          // 0.01 mm
    double height = 0;
    int pixelsX = 0;
    int pixelsY = 0;
    Mapping map;               // logical units to the picture's pixels
};

// At most maxPixels on the longer side and maxArea pixels in all; the scale shrinks to fit both.
Frame MakeFrame(const ICanvas::DoubleRect& extent, int border, double dpi, double maxPixels = kMaxPixels,
                double maxArea = 0) {
    Frame f;
    const ICanvas::DoubleRect e = extent.Normalized();
    // Outward to whole millimetres; a hair of tolerance keeps rounding noise from adding one.
    const auto down = [](double v) { return std::floor(v / 100 + 1e-7) * 100; };
    const auto up = [](double v) { return std::ceil(v / 100 - 1e-7) * 100; };
    f.area = {down(e.left) - border, up(e.top) + border, up(e.right) + border, down(e.bottom) - border};
    f.width = std::max(1.0, f.area.right - f.area.left);
    f.height = std::max(1.0, f.area.top - f.area.bottom);
    double k = PixelsPerUnit(dpi);
    const double longer = std::max(f.width, f.height) * k;
    if (longer > maxPixels) k *= maxPixels / longer;
    f.pixelsX = std::max(1, int(std::lround(f.width * k)));
    f.pixelsY = std::max(1, int(std::lround(f.height * k)));
    if (maxArea > 0 && double(f.pixelsX) * f.pixelsY > maxArea) {
        // Rounded down, so that the rounding cannot take the picture over the limit.
        k = std::sqrt(maxArea / (f.width * f.height));
        f.pixelsX = std::max(1, int(f.width * k));
        f.pixelsY = std::max(1, int(f.height * k));
    }
    f.map.kx = f.pixelsX / f.width;
    f.map.ky = f.pixelsY / f.height;
    f.map.ox = -f.area.left * f.map.kx;
    f.map.oy = f.area.top * f.map.ky;
    return f;
}

// GDI records in the header the bounds of what was drawn, and a reader that takes them for the
// picture's area (Inkscape places its page there) loses the border and cuts the outermost strokes:
// the bounds become the whole frame (device units, inclusive), holding every stroke of the picture.
HENHMETAFILE BoundToFrame(HENHMETAFILE emf, LONG width, LONG height) {
    const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<BYTE> bits(size);
    if (size < sizeof(ENHMETAHEADER) || GetEnhMetaFileBits(emf, size, bits.data()) != size) {
        DeleteEnhMetaFile(emf);
        throw Error("GetEnhMetaFileBits failed");
    }
    RECTL& b = reinterpret_cast<ENHMETAHEADER*>(bits.data())->rclBounds;
    b = {std::min(b.left, 0L), std::min(b.top, 0L), std::max(b.right, width - 1), std::max(b.bottom, height - 1)};
    HENHMETAFILE bounded = SetEnhMetaFileBits(size, bits.data());
    DeleteEnhMetaFile(emf);
    if (!bounded) throw Error("SetEnhMetaFileBits failed");
    return bounded;
}

CLSID PngEncoder() {
    UINT count = 0, size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Ok || size == 0) throw Error("no image encoders");
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, size, codecs) != Ok) throw Error("no image encoders");
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && std::wstring(codecs[i].MimeType) == L"image/png") return codecs[i].Clsid;
    throw Error("no PNG encoder");
}

// Owns a GDI+ bitmap.
struct GpBitmapOwner {
    GpBitmap* bitmap = nullptr;
    ~GpBitmapOwner() { if (bitmap) GdipDisposeImage(bitmap); }
};

// The surface's colours as 8-bit indices into the palette, rows `stride` bytes apart; false when
// it has more than 256 colours.
bool IndexColours(const Surface& s, int stride, std::vector<BYTE>& indices, std::vector<ARGB>& palette) {
    const int w = s.Width(), h = s.Height();
    indices.assign(size_t(stride) * h, 0);
    uint32_t last = 0xFFFFFFFFu;
    BYTE lastIndex = 0;
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = s.Bits() + size_t(y) * w;
        BYTE* to = indices.data() + size_t(y) * stride;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = row[x] & 0xFFFFFF;
            if (c != last) {  // runs of one colour are the rule
                const ARGB argb = 0xFF000000u | c;
                const auto it = std::find(palette.begin(), palette.end(), argb);
                if (it == palette.end() && palette.size() == 256) return false;
                lastIndex = BYTE(it - palette.begin());
                if (it == palette.end()) palette.push_back(argb);
                last = c;
            }
            to[x] = lastIndex;
        }
    }
    return true;
}

// Indices below 16 packed two to a byte, the left pixel in the high half, rows `packedStride` apart.
std::vector<BYTE> PackNibbles(const std::vector<BYTE>& indices, int w, int h, int stride, int packedStride) {
    std::vector<BYTE> packed(size_t(packedStride) * h, 0);
    for (int y = 0; y < h; ++y) {
        const BYTE* from = indices.data() + size_t(y) * stride;
        BYTE* to = packed.data() + size_t(y) * packedStride;
        for (int x = 0; x < w; ++x) to[x / 2] |= BYTE(from[x] << (x % 2 ? 0 : 4));
    }
    return packed;
}

// A GDI+ bitmap of the surface's pixels for the PNG encoder. A diagram usually has a handful of
// colours: with at most 256 (16) the bitmap has 8 (4) bits per pixel, kept in `rows`, which the
// encoder compresses several times faster than full colour; otherwise it shares the surface's pixels.
void PngBitmap(const Surface& s, std::vector<BYTE>& rows, GpBitmapOwner& out) {
    const int w = s.Width(), h = s.Height();
    int stride = (w + 3) & ~3;
    std::vector<ARGB> palette;
    if (!IndexColours(s, stride, rows, palette)) {
        rows.clear();
        if (GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(s.Bits()), &out.bitmap) != Ok)
            throw Error("the PNG image could not be made");
        return;
    }
    PixelFormat format = PixelFormat8bppIndexed;
    if (palette.size() <= 16) {
        const int packedStride = ((w + 1) / 2 + 3) & ~3;
        rows = PackNibbles(rows, w, h, stride, packedStride);
        stride = packedStride;
        format = PixelFormat4bppIndexed;
    }
    if (GdipCreateBitmapFromScan0(w, h, stride, format, rows.data(), &out.bitmap) != Ok)
        throw Error("the PNG image could not be made");
    std::vector<BYTE> bytes(sizeof(ColorPalette) + sizeof(ARGB) * palette.size());
    auto* p = reinterpret_cast<ColorPalette*>(bytes.data());
    p->Flags = 0;
    p->Count = UINT(palette.size());
    std::copy(palette.begin(), palette.end(), p->Entries);
    if (GdipSetImagePalette(out.bitmap, p) != Ok) throw Error("the PNG image could not be made");
}

class MetafileCanvas : public CanvasImpl<ICanvas::IMetafileCanvas> {
public:
    MetafileCanvas(const zq::float8Vector& defaultExtent, const std::wstring& application, const std::wstring& title)
        : defaultExtent_(defaultExtent) {
        description_ = application;
        description_.push_back(L'\0');
        description_ += title;
        description_.push_back(L'\0');
        description_.push_back(L'\0');
    }
    ~MetafileCanvas() override { closing_ = true; }

    void CreateEnhancedMetafile(STGMEDIUM& medium, int border) override {
        const Frame f = MakeFrame(Extent(), border, kEnhancedMetafileDpi);
        HDC ref = ::GetDC(nullptr);
        RECT frame{0, 0, LONG(std::lround(f.width)), LONG(std::lround(f.height))};
        HDC dc = CreateEnhMetaFileW(ref, nullptr, &frame, description_.c_str());
        // Reference pixels of the frame: the metafile's own pixels are mapped onto them.
        const double refX = f.width / 100.0 * GetDeviceCaps(ref, HORZRES) / std::max(1, GetDeviceCaps(ref, HORZSIZE));
        const double refY = f.height / 100.0 * GetDeviceCaps(ref, VERTRES) / std::max(1, GetDeviceCaps(ref, VERTSIZE));
        ::ReleaseDC(nullptr, ref);
        if (!dc) throw Error("CreateEnhMetaFileW failed");
        const int deviceX = std::max(1, int(std::lround(refX))), deviceY = std::max(1, int(std::lround(refY)));
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, f.pixelsX, f.pixelsY, nullptr);
        SetViewportExtEx(dc, deviceX, deviceY, nullptr);
        try {
            Draw(dc, f);
        } catch (...) {
            DeleteEnhMetaFile(CloseEnhMetaFile(dc));  // the recording context and its metafile go
            throw;
        }
        HENHMETAFILE emf = CloseEnhMetaFile(dc);
        if (!emf) throw Error("CloseEnhMetaFile failed");
        emf = BoundToFrame(emf, deviceX, deviceY);
        medium = STGMEDIUM{};
        medium.tymed = TYMED_ENHMF;
        medium.hEnhMetaFile = emf;
    }

    void CreateWindowsMetafile(STGMEDIUM& medium, int border) override {
        // Recorded in the units of the placeable header (0.01 mm, coarser for large pictures), so
        // that the header, the records and every reader agree on the picture's size.
        const Frame area = MakeFrame(Extent(), border, 96);
        const double inch = WindowsMetafileUnitsPerInch(std::max(area.width, area.height));
        const Frame f = MakeFrame(Extent(), border, inch, 32767);
        HDC dc = CreateMetaFileW(nullptr);
        if (!dc) throw Error("CreateMetaFileW failed");
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowOrgEx(dc, 0, 0, nullptr);
        SetWindowExtEx(dc, f.pixelsX, f.pixelsY, nullptr);
        try {
            Draw(dc, f);
        } catch (...) {
            DeleteMetaFile(CloseMetaFile(dc));
            throw;
        }
        HMETAFILE wmf = CloseMetaFile(dc);
        if (!wmf) throw Error("CloseMetaFile failed");
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT));
        if (!mem) {
            DeleteMetaFile(wmf);
            throw Error("out of global memory");
        }
        auto* pict = static_cast<METAFILEPICT*>(GlobalLock(mem));
        pict->mm = MM_ANISOTROPIC;
        pict->xExt = LONG(std::lround(f.width));
        pict->yExt = LONG(std::lround(f.height));
        pict->hMF = wmf;
        GlobalUnlock(mem);
        medium = STGMEDIUM{};
        medium.tymed = TYMED_MFPICT;
        medium.hMetaFilePict = mem;
    }

    void SavePngFile(const std::wstring& fileName, int border) override {
        Png(border, [&](GpBitmap* b, const CLSID& clsid) {
            if (GdipSaveImageToFile(b, fileName.c_str(), &clsid, nullptr) != Ok)
                throw Error("the PNG file could not be written");
        });
    }

    void CreatePngStream(STGMEDIUM& medium, int border) override {
        IStream* stream = nullptr;
        if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) throw Error("CreateStreamOnHGlobal failed");
        try {
            Png(border, [&](GpBitmap* b, const CLSID& clsid) {
                if (GdipSaveImageToStream(b, stream, &clsid, nullptr) != Ok) throw Error("the PNG stream could not be written");
            });
        } catch (...) {
            stream->Release();
            throw;
        }
        LARGE_INTEGER zero{};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        medium = STGMEDIUM{};
        medium.tymed = TYMED_ISTREAM;
        medium.pstm = stream;
    }

private:
    ICanvas::DoubleRect Extent() const {
        if (model_.IsEmpty()) return {0, 0, defaultExtent_.x, -defaultExtent_.y};
        return model_.Extent();
    }

    // A metafile draws its thin lines one screen pixel (at 96 dpi) wide, as the PNG image does:
    // readers draw a cosmetic pen one of the picture's own units wide (0.01 mm in a Windows
    // metafile, a 1200-dpi pixel in an enhanced one), which hardly shows.
    void Draw(HDC dc, const Frame& f) {
        const double screenPixel = f.map.kx / PixelsPerUnit(96);
        GdiRenderer r(dc, gdiCache_, screenPixel, std::max(1.0, std::round(screenPixel)));
        model_.Render(r, f.map, nullptr);
    }

    template <class Save>
    void Png(int border, Save&& save) {
        const Frame f = MakeFrame(Extent(), border, 96, kMaxPixels, kMaxPngPixels);
        Surface s(f.pixelsX, f.pixelsY);
        s.Clear(RGB(255, 255, 255));
        RenderLikeScreen(model_, s, f.map, nullptr, gdiplusCache_, gdiCache_);
        std::vector<BYTE> rows;
        GpBitmapOwner b;
        PngBitmap(s, rows, b);
        save(b.bitmap, PngEncoder());
    }

    zq::float8Vector defaultExtent_;
    std::wstring description_;
    GdiCache gdiCache_;
    GdiplusCache gdiplusCache_;
};

} // namespace

std::unique_ptr<ICanvas::IMetafileCanvas> CreateMetafileCanvas(const zq::float8Vector& defaultExtent,
                                                               const std::wstring& application, const std::wstring& title) {
    return std::make_unique<MetafileCanvas>(defaultExtent, application, title);
}

} // namespace DrawingKernel
