#include "app/winutil/Platform.h"
#include "drawing/Surface.h"
#include "drawing/DrawingKernel.h"

namespace DrawingKernel {

Surface::Surface(int width, int height) : width_(width), height_(height) {
    if (width <= 0 || height <= 0) throw Error("empty bitmap requested");
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) throw Error("CreateDIBSection failed for " + std::to_string(width) + " x " + std::to_string(height));
    bits_ = static_cast<uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) {
        DeleteObject(bitmap_);
        throw Error("CreateCompatibleDC failed");
    }
    old_ = SelectObject(dc_, bitmap_);
}

Surface::~Surface() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

uint32_t Surface::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    GdiFlush();
    return bits_[size_t(y) * width_ + x] & 0xFFFFFF;
}

void Surface::Clear(COLORREF c) {
    GdiFlush();
    std::fill(bits_, bits_ + size_t(width_) * height_, PixelOf(c));
}

namespace {
void Render(const DrawingModel& model, HDC dc, std::uint32_t* topRow, const Mapping& m, const RECT* clip,
            GdiplusCache& cache, GdiCache& gdiCache) {
    {
        GdiplusRenderer r(dc, cache, clip, &gdiCache, topRow);
        if (clip) {
            const DeviceRect c{double(clip->left), double(clip->top), double(clip->right), double(clip->bottom)};
            model.Render(r, m, &c);
        } else {
            model.Render(r, m, nullptr);
        }
    }
    GdiFlush();
}
} // namespace

void RenderLikeScreen(const DrawingModel& model, HDC dc, const Mapping& m, const RECT* clip, GdiplusCache& cache,
                      GdiCache& gdiCache) {
    Render(model, dc, nullptr, m, clip, cache, gdiCache);
}

void RenderLikeScreen(const DrawingModel& model, const Surface& s, const Mapping& m, const RECT* clip,
                      GdiplusCache& cache, GdiCache& gdiCache) {
    Render(model, s.DC(), s.Bits(), m, clip, cache, gdiCache);
}

void OffscreenCanvas::Render(HDC dc, const Mapping& m, const RECT* clip) {
    RenderLikeScreen(model_, dc, m, clip, cache_, gdiCache_);
}

void OffscreenCanvas::Render(const Surface& s, const Mapping& m, const RECT* clip) {
    RenderLikeScreen(model_, s, m, clip, cache_, gdiCache_);
}

} // namespace DrawingKernel
