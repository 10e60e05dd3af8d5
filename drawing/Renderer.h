// Output back ends of the canvases: GDI+ (anti-aliased, screen and PNG) and GDI (metafiles, printers).
#pragma once

#include "app/winutil/Platform.h"
#include "drawing/GridPixels.h"
#include "drawing/Mapping.h"

#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace DrawingKernel {

// Dash forms of a pen.
enum class Dash { Solid, Dashed, Marker, Guide };

// A pen in device terms.
struct Pen {
    double width = 1;  // device pixels
    COLORREF color = 0;
    Dash dash = Dash::Solid;
    bool cosmetic = false;  // one pixel of whatever device shows it, under any mapping (width-0 lines)
    auto Key() const { return std::make_tuple(width, color, int(dash), cosmetic); }
};

// Draws shapes given in device pixels.
class IRenderer {
public:
    virtual ~IRenderer() = default;
    virtual void Line(const zq::float8Point& a, const zq::float8Point& b, const Pen& pen) = 0;
    // A closed polygon: outlined with pen when given, filled with fill when given.
    virtual void Polygon(const std::vector<zq::float8Point>& pts, const Pen* pen, const COLORREF* fill) = 0;
    virtual void Ellipse(const DeviceRect& r, const Pen* pen, const COLORREF* fill) = 0;
    // w and h: the corner ellipse's size in device pixels.
    virtual void RoundRect(const DeviceRect& r, double w, double h, const Pen* pen, const COLORREF* fill) = 0;
    // The bitmap centred on the point, ANDed with the output, scaled by PictureScale.
    virtual void Picture(HBITMAP bmp, const zq::float8Point& centre) = 0;
    // Pictures' device pixels per bitmap pixel.
    virtual double PictureScale() const = 0;
    // A GDI context for custom drawing; ReleaseDC ends it.
    virtual HDC GetDC() = 0;
    virtual void ReleaseDC() = 0;
};

// Pens and brushes of GDI+, kept across renders.
class GdiplusCache {
public:
    GdiplusCache() = default;
    ~GdiplusCache();
    GdiplusCache(const GdiplusCache&) = delete;
    GdiplusCache& operator=(const GdiplusCache&) = delete;
    Gdiplus::GpPen* PenOf(const Pen& p);
    Gdiplus::GpSolidFill* BrushOf(COLORREF c);
private:
    std::map<decltype(Pen{}.Key()), Gdiplus::GpPen*> pens_;
    std::map<COLORREF, Gdiplus::GpSolidFill*> brushes_;
};

// Pens and brushes of GDI, kept across renders.
class GdiCache {
public:
    GdiCache() = default;
    ~GdiCache();
    GdiCache(const GdiCache&) = delete;
    GdiCache& operator=(const GdiCache&) = delete;
    // A cosmetic pen for width-0 lines; wider pens are geometric with flat ends and mitred joins,
    // as GDI+ draws them on the screen.
    HPEN PenOf(const Pen& p);
    HBRUSH BrushOf(COLORREF c);
private:
    std::map<std::pair<int, COLORREF>, HPEN> pens_;
    std::map<COLORREF, HBRUSH> brushes_;
};

// Memory contexts that hold the bitmaps of pictures while one render lasts: each bitmap is selected
// once however often it is drawn, and released with its owner, so repaints leave no handles behind.
class PictureContexts {
public:
    // A bitmap selected into a memory context, with the bitmap's pixel size.
    struct Entry {
        HBITMAP bitmap = nullptr;
        HDC dc = nullptr;
        HGDIOBJ old = nullptr;
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> pixels;  // rows top first, when the bitmap has true colours
    };
    PictureContexts() = default;
    ~PictureContexts();
    PictureContexts(const PictureContexts&) = delete;
    PictureContexts& operator=(const PictureContexts&) = delete;
    // The context holding the bitmap; null when the bitmap is unknown or cannot be selected.
    const Entry* Find(HBITMAP bmp);
private:
    std::vector<Entry> entries_;  // a view shows a handful of distinct pictures: a list is fastest
    const Entry* last_ = nullptr;
};

// Renders with GDI+ onto a device context, anti-aliased; shapes that lie on the pixel grid
// (horizontal and vertical lines, upright rectangles) go through GDI, which draws them identically
// and much faster, and one-pixel outlines and pictures straight into the target's pixels where the
// caller hands them over (the screen's back buffer), with the very pixels GDI gives.
class GdiplusRenderer : public IRenderer {
public:
    // clip: device rectangle drawn into, or null for all. gdi: caches for the pixel-grid shapes.
    // topRow: the pixels of dc's top-down 32-bit DIB section, where one-pixel outlines are written
    // directly, or null.
    GdiplusRenderer(HDC dc, GdiplusCache& cache, const RECT* clip, GdiCache* gdi = nullptr,
                    std::uint32_t* topRow = nullptr);
    // Renders onto a GDI+ image (PNG output).
    GdiplusRenderer(Gdiplus::GpImage* image, GdiplusCache& cache);
    ~GdiplusRenderer() override;
    GdiplusRenderer(const GdiplusRenderer&) = delete;
    GdiplusRenderer& operator=(const GdiplusRenderer&) = delete;
    void Line(const zq::float8Point& a, const zq::float8Point& b, const Pen& pen) override;
    void Polygon(const std::vector<zq::float8Point>& pts, const Pen* pen, const COLORREF* fill) override;
    void Ellipse(const DeviceRect& r, const Pen* pen, const COLORREF* fill) override;
    void RoundRect(const DeviceRect& r, double w, double h, const Pen* pen, const COLORREF* fill) override;
    void Picture(HBITMAP bmp, const zq::float8Point& centre) override;
    double PictureScale() const override { return 1.0; }
    HDC GetDC() override;
    void ReleaseDC() override;
    // Fills a device rectangle (backgrounds).
    void Fill(const DeviceRect& r, COLORREF c);
private:
    void Setup();
    // Switches between GDI+ and direct GDI output on the target context.
    bool UseGdi();
    void UseGdiplus();
    // Queues a one-pixel polyline of a GDI pen; consecutive ones of the same pen are drawn by one
    // call, which gives the same pixels since they all have one colour.
    void QueueOutline(const Pen& pen, const POINT* pts, int n);
    // The same with the pen made already (of that colour).
    void QueueOutline(HPEN pen, COLORREF colour, const POINT* pts, int n);
    // Queues the dashes of a one-pixel dashed line along the grid from a to b (both included) as
    // short solid polylines: dashes of GDI+ cost many times more under Wine.
    void QueueDashes(const Pen& pen, POINT a, POINT b);
    // Draws the queued polylines: into the target's pixels where it has them, else with GDI.
    void FlushOutlines();
    // Selects a pen into the target unless it is selected already.
    void SelectPen(HPEN pen);
    // Before pixels are written directly: what GDI or GDI+ drew since the last time is in them.
    void SyncPixels();
    Gdiplus::GpGraphics* g_ = nullptr;
    GdiplusCache& cache_;
    HDC dc_ = nullptr;
    HDC target_ = nullptr;  // the context given, for the direct GDI shapes
    GdiCache* gdi_ = nullptr;
    int savedDc_ = 0;
    bool inGdi_ = false;
    HPEN queuedPen_ = nullptr;
    COLORREF queuedColour_ = 0;
    std::optional<GridPixels> pixels_;  // the target's pixels, when they can take the outlines
    bool gdiDrew_ = true;               // GDI or GDI+ may have drawn since the pixels were last synced
    std::vector<POINT> queuedPoints_;
    std::vector<DWORD> queuedCounts_;
    HGDIOBJ selectedPen_ = nullptr;  // the pen this renderer last selected into the target
    HGDIOBJ selectedBrush_ = nullptr;  // likewise the brush
    std::optional<RECT> clip_;  // the device rectangle drawn into, when one was given
    PictureContexts pictures_;
};

// Renders with GDI onto a device context in integer device units.
class GdiRenderer : public IRenderer {
public:
    // pictureScale: device pixels per bitmap pixel (dpi / 96 on printers and metafiles).
    // thinnest: the width (device units) every narrower pen and every one-pixel line is drawn
    // with; 0 keeps one-pixel lines cosmetic. Metafiles need it: their readers draw a cosmetic
    // pen one of the picture's own units wide, which hardly shows.
    GdiRenderer(HDC dc, GdiCache& cache, double pictureScale, double thinnest = 0);
    ~GdiRenderer() override;
    GdiRenderer(const GdiRenderer&) = delete;
    GdiRenderer& operator=(const GdiRenderer&) = delete;
    void Line(const zq::float8Point& a, const zq::float8Point& b, const Pen& pen) override;
    void Polygon(const std::vector<zq::float8Point>& pts, const Pen* pen, const COLORREF* fill) override;
    void Ellipse(const DeviceRect& r, const Pen* pen, const COLORREF* fill) override;
    void RoundRect(const DeviceRect& r, double w, double h, const Pen* pen, const COLORREF* fill) override;
    void Picture(HBITMAP bmp, const zq::float8Point& centre) override;
    double PictureScale() const override { return pictureScale_; }
    HDC GetDC() override { return dc_; }
    void ReleaseDC() override {}
private:
    void Select(const Pen* pen, const COLORREF* fill);
    // The pen as drawn: widened to the thinnest width when it is narrower.
    Pen Visible(const Pen& pen) const;
    // The same for an optional pen (none stays none).
    std::optional<Pen> Visible(const Pen* pen) const { return pen ? std::optional<Pen>(Visible(*pen)) : std::nullopt; }
    // Draws the outline through the points in the pen's dash pattern as short polylines, which
    // every device and metafile reader shows alike; the pattern runs on across corners.
    void DashedPath(const std::vector<zq::float8Point>& pts, bool closed, const Pen& pen);
    // A wide straight piece as a filled quadrilateral: its ends are flat in every reader, also
    // in those that ignore a pen's end style.
    void WideSegment(const zq::float8Point& a, const zq::float8Point& b, const Pen& pen);
    HDC dc_;
    GdiCache& cache_;
    double pictureScale_;
    double thinnest_;
    HGDIOBJ oldPen_;
    HGDIOBJ oldBrush_;
    PictureContexts pictures_;
};

} // namespace DrawingKernel
