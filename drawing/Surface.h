// A 32-bit top-down DIB section selected into a memory device context.
#pragma once

#include "app/winutil/Platform.h"
#include "drawing/Canvas.h"
#include "drawing/CanvasImpl.h"
#include "drawing/Renderer.h"

namespace DrawingKernel {

// An off-screen bitmap with direct access to its pixels (0x00RRGGBB per pixel).
class Surface {
public:
    // Throws Error when the bitmap cannot be made.
    Surface(int width, int height);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    HDC DC() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixel at (x, y) as 0x00RRGGBB; 0 outside.
    uint32_t Pixel(int x, int y) const;
    // The pixel rows, top first.
    uint32_t* Bits() const { return bits_; }
    // Fills the whole surface.
    void Clear(COLORREF c);
private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// Renders the drawing's elements that meet the clip (null: all) onto a device context the way the
// screen does: GDI for the shapes on the pixel grid, GDI+ for the rest; GDI output is flushed.
void RenderLikeScreen(const DrawingModel& model, HDC dc, const Mapping& m, const RECT* clip, GdiplusCache& cache,
                      GdiCache& gdiCache);
// The same onto a surface, whose pixels take the one-pixel outlines directly, as the screen's do.
void RenderLikeScreen(const DrawingModel& model, const Surface& s, const Mapping& m, const RECT* clip,
                      GdiplusCache& cache, GdiCache& gdiCache);

// A canvas that renders on request onto any device context (off-screen pictures, benchmarks).
class OffscreenCanvas : public CanvasImpl<ICanvas::Canvas> {
public:
    // Renders the elements that meet the clip (null: all) through the mapping, as the screen does.
    void Render(HDC dc, const Mapping& m, const RECT* clip);
    // The same onto a surface, exactly as the screen renders.
    void Render(const Surface& s, const Mapping& m, const RECT* clip);
    // The retained drawing.
    DrawingModel& Model() { return model_; }
private:
    GdiplusCache cache_;
    GdiCache gdiCache_;
};

} // namespace DrawingKernel
