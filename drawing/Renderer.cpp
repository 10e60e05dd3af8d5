#include "app/winutil/Platform.h"
#include "drawing/Renderer.h"
#include "drawing/DrawingKernel.h"

#include <algorithm>
#include <cmath>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace DrawingKernel {

namespace {

ARGB ToArgb(COLORREF c) {
    return 0xFF000000u | (ARGB(GetRValue(c)) << 16) | (ARGB(GetGValue(c)) << 8) | GetBValue(c);
}

// Dash pattern in pen widths (GDI+) or pixels at 96 dpi (GDI segments).
std::vector<REAL> PatternOf(Dash d) {
    switch (d) {
    case Dash::Dashed: return {5.0f, 3.0f};
    case Dash::Marker: return {2.0f, 2.0f};
    case Dash::Guide: return {1.0f, 2.0f};
    default: return {};
    }
}

void Check(GpStatus s, const char* what) {
    if (s != Ok) throw Error(std::string("GDI+ failure in ") + what + " (status " + std::to_string(int(s)) + ")");
}

POINT ToPoint(const zq::float8Point& p) { return {zq::Round(p.x), zq::Round(p.y)}; }

// The outline of the ellipse in a rectangle as a closed polygon of edges a few device units long.
std::vector<zq::float8Point> EllipsePoints(const DeviceRect& r) {
    const double rx = (r.right - r.left) / 2, ry = (r.bottom - r.top) / 2;
    const double cx = r.left + rx, cy = r.top + ry;
    const double perimeter = 2 * std::acos(-1.0) * std::sqrt((rx * rx + ry * ry) / 2);
    const int n = std::clamp(int(perimeter / 3), 32, 2048);
    std::vector<zq::float8Point> pts;
    pts.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::acos(-1.0) * i / n;
        pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return pts;
}

// Half the side of the square of device pixels inside which drawing keeps its precision.
constexpr double kDeviceRange = 1 << 21;

// Cuts a line to the part inside a square of +-2^21 device pixels (Liang-Barsky): the integer
// coordinates of GDI and the float ones of GDI+ keep their precision there, while a line of a huge
// drawing at a high zoom may reach billions of pixels away. False when nothing of it is left.
bool ClipToDeviceRange(zq::float8Point& a, zq::float8Point& b) {
    constexpr double kLimit = kDeviceRange;
    if (std::fabs(a.x) <= kLimit && std::fabs(a.y) <= kLimit && std::fabs(b.x) <= kLimit && std::fabs(b.y) <= kLimit)
        return true;
    const double dx = b.x - a.x, dy = b.y - a.y;
    double t0 = 0, t1 = 1;
    const auto edge = [&](double p, double q) {  // keeps p * t <= q
        if (p == 0) return q >= 0;
        const double t = q / p;
        if (p < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        return t0 <= t1;
    };
    if (!(edge(-dx, a.x + kLimit) && edge(dx, kLimit - a.x) && edge(-dy, a.y + kLimit) && edge(dy, kLimit - a.y)))
        return false;
    const zq::float8Point from = a;
    a = {from.x + dx * t0, from.y + dy * t0};
    b = {from.x + dx * t1, from.y + dy * t1};
    return true;
}

// True when a picture centred on the point can be placed with integer device coordinates: a
// picture of a huge drawing at a high zoom may lie far beyond them, and is never visible then.
bool PictureFits(const zq::float8Point& centre) {
    return std::fabs(centre.x) <= kDeviceRange && std::fabs(centre.y) <= kDeviceRange;
}

} // namespace

PictureContexts::~PictureContexts() {
    for (const Entry& e : entries_) {
        if (!e.dc) continue;
        SelectObject(e.dc, e.old);
        DeleteDC(e.dc);
    }
}

const PictureContexts::Entry* PictureContexts::Find(HBITMAP bmp) {
    if (last_ && last_->bitmap == bmp) return last_->dc ? last_ : nullptr;
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.bitmap == bmp; });
    if (it == entries_.end()) {
        // An unusable bitmap is remembered too (with no context), so that it costs one try per render.
        Entry e;
        e.bitmap = bmp;
        BITMAP info{};
        if (bmp && GetObjectW(bmp, sizeof info, &info) && (e.dc = CreateCompatibleDC(nullptr))) {
            e.width = info.bmWidth;
            e.height = std::abs(info.bmHeight);
            // True colours are read once (before the bitmap is selected, as GetDIBits asks): where the
            // target's pixels can be written, they are combined there in place of a BitBlt.
            if (info.bmBitsPixel >= 24) {
                BITMAPINFO bi{};
                bi.bmiHeader = {sizeof(BITMAPINFOHEADER), e.width, -e.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
                e.pixels.resize(size_t(e.width) * size_t(e.height));
                if (GetDIBits(e.dc, bmp, 0, UINT(e.height), e.pixels.data(), &bi, DIB_RGB_COLORS) != e.height)
                    e.pixels.clear();
            }
            e.old = SelectObject(e.dc, bmp);
            if (!e.old) {
                DeleteDC(e.dc);
                e.dc = nullptr;
            }
        }
        entries_.push_back(e);
        it = entries_.end() - 1;
    }
    last_ = &*it;
    return it->dc ? last_ : nullptr;
}

GdiplusSession::GdiplusSession() {
    GdiplusStartupInput input;
    if (GdiplusStartup(&token_, &input, nullptr) != Ok) throw Error("GDI+ could not be started");
}

GdiplusSession::~GdiplusSession() { GdiplusShutdown(token_); }

GdiplusCache::~GdiplusCache() {
    for (auto& [k, p] : pens_) GdipDeletePen(p);
    for (auto& [k, b] : brushes_) GdipDeleteBrush(b);
}

GpPen* GdiplusCache::PenOf(const Pen& p) {
    auto& slot = pens_[p.Key()];
    if (!slot) {
        Check(GdipCreatePen1(ToArgb(p.color), REAL(p.width), UnitPixel, &slot), "GdipCreatePen1");
        const std::vector<REAL> pattern = PatternOf(p.dash);
        if (!pattern.empty()) GdipSetPenDashArray(slot, pattern.data(), INT(pattern.size()));
    }
    return slot;
}

GpSolidFill* GdiplusCache::BrushOf(COLORREF c) {
    auto& slot = brushes_[c];
    if (!slot) Check(GdipCreateSolidFill(ToArgb(c), &slot), "GdipCreateSolidFill");
    return slot;
}

GdiCache::~GdiCache() {
    for (auto& [k, p] : pens_) DeleteObject(p);
    for (auto& [k, b] : brushes_) DeleteObject(b);
}

HPEN GdiCache::PenOf(const Pen& p) {
    const int w = p.cosmetic ? 0 : std::max(1, zq::Round(p.width));
    auto& slot = pens_[std::make_pair(w, p.color)];
    if (!slot) {
        if (w <= 1) {
            slot = CreatePen(PS_SOLID, w, p.color);
        } else {
            const LOGBRUSH brush{BS_SOLID, p.color, 0};
            slot = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, DWORD(w), &brush, 0, nullptr);
        }
    }
    if (!slot) throw Error("CreatePen failed");
    return slot;
}

HBRUSH GdiCache::BrushOf(COLORREF c) {
    auto& slot = brushes_[c];
    if (!slot) slot = CreateSolidBrush(c);
    if (!slot) throw Error("CreateSolidBrush failed");
    return slot;
}

GdiplusRenderer::GdiplusRenderer(HDC dc, GdiplusCache& cache, const RECT* clip, GdiCache* gdi, std::uint32_t* topRow)
    : cache_(cache), target_(dc), gdi_(gdi) {
    if (clip) clip_ = *clip;
    if (gdi_) {
        savedDc_ = SaveDC(dc);
        if (clip) IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
        pixels_ = GridPixels::Of(dc, topRow);
    }
    Check(GdipCreateFromHDC(dc, &g_), "GdipCreateFromHDC");
    if (clip) GdipSetClipRectI(g_, clip->left, clip->top, clip->right - clip->left, clip->bottom - clip->top, CombineModeReplace);
    Setup();
}

GdiplusRenderer::GdiplusRenderer(GpImage* image, GdiplusCache& cache) : cache_(cache) {
    Check(GdipGetImageGraphicsContext(image, &g_), "GdipGetImageGraphicsContext");
    Setup();
}

void GdiplusRenderer::Setup() {
    GdipSetSmoothingMode(g_, SmoothingModeAntiAlias);
    GdipSetPixelOffsetMode(g_, PixelOffsetModeHalf);
}

GdiplusRenderer::~GdiplusRenderer() {
    FlushOutlines();
    ReleaseDC();
    GdipDeleteGraphics(g_);
    if (savedDc_) RestoreDC(target_, savedDc_);
}

bool GdiplusRenderer::UseGdi() {
    if (!gdi_ || dc_) return false;
    if (!inGdi_) {
        GdipFlush(g_, FlushIntentionFlush);
        inGdi_ = true;
    }
    return true;
}

void GdiplusRenderer::UseGdiplus() {
    gdiDrew_ = true;
    if (inGdi_) {
        FlushOutlines();
        GdiFlush();
        inGdi_ = false;
        selectedPen_ = selectedBrush_ = nullptr;  // GDI+ may select its own objects
    }
}

void GdiplusRenderer::SyncPixels() {
    if (gdiDrew_) GdiFlush();
    gdiDrew_ = false;
}

void GdiplusRenderer::SelectPen(HPEN pen) {
    if (selectedPen_ == pen) return;
    SelectObject(target_, pen);
    selectedPen_ = pen;
}

void GdiplusRenderer::QueueOutline(const Pen& pen, const POINT* pts, int n) {
    QueueOutline(gdi_->PenOf(pen), pen.color, pts, n);
}

void GdiplusRenderer::QueueOutline(HPEN pen, COLORREF colour, const POINT* pts, int n) {
    if (pen != queuedPen_ || queuedCounts_.size() >= 4096) FlushOutlines();
    queuedPen_ = pen;
    queuedColour_ = colour;
    queuedPoints_.insert(queuedPoints_.end(), pts, pts + n);
    queuedCounts_.push_back(DWORD(n));
}

void GdiplusRenderer::QueueDashes(const Pen& pen, POINT a, POINT b) {
    const int on = pen.dash == Dash::Dashed ? 5 : pen.dash == Dash::Marker ? 2 : 1;
    const int off = pen.dash == Dash::Dashed ? 3 : 2;  // the patterns of PatternOf at one pixel
    const int dx = (b.x > a.x) - (b.x < a.x), dy = (b.y > a.y) - (b.y < a.y);
    const int length = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    Pen solid = pen;
    solid.dash = Dash::Solid;
    const HPEN h = gdi_->PenOf(solid);
    for (int at = 0; at <= length; at += on + off) {
        const int end = std::min(at + on, length + 1);
        const POINT dash[2] = {{a.x + dx * at, a.y + dy * at}, {a.x + dx * end, a.y + dy * end}};
        QueueOutline(h, pen.color, dash, 2);
    }
}

void GdiplusRenderer::FlushOutlines() {
    if (queuedCounts_.empty()) return;
    if (pixels_) SyncPixels();
    if (!pixels_ || !pixels_->Polylines(queuedPoints_.data(), queuedCounts_.data(), queuedCounts_.size(), queuedColour_)) {
        gdiDrew_ = true;
        SelectPen(queuedPen_);
        PolyPolyline(target_, queuedPoints_.data(), queuedCounts_.data(), DWORD(queuedCounts_.size()));
    }
    queuedPoints_.clear();
    queuedCounts_.clear();
}

void GdiplusRenderer::Line(const zq::float8Point& from, const zq::float8Point& to, const Pen& pen) {
    zq::float8Point a = from, b = to;
    if (!ClipToDeviceRange(a, b)) return;
    const bool onGrid = pen.width <= 1 && (a.x == b.x || a.y == b.y);
    if (onGrid && pen.dash != Dash::Solid && UseGdi()) {
        QueueDashes(pen, ToPoint(a), ToPoint(b));
        return;
    }
    if (onGrid && UseGdi()) {
        // A one-pixel line along the grid, both end pixels included.
        POINT p[2] = {ToPoint(a), ToPoint(b)};
        if (p[0].x == p[1].x) p[1].y += p[1].y >= p[0].y ? 1 : -1;
        else p[1].x += p[1].x >= p[0].x ? 1 : -1;
        QueueOutline(pen, p, 2);
        return;
    }
    UseGdiplus();
    GdipDrawLine(g_, cache_.PenOf(pen), REAL(a.x), REAL(a.y), REAL(b.x), REAL(b.y));
}

void GdiplusRenderer::Polygon(const std::vector<zq::float8Point>& pts, const Pen* pen, const COLORREF* fill) {
    const bool upright = pts.size() == 4 && pts[0].y == pts[1].y && pts[1].x == pts[2].x && pts[2].y == pts[3].y &&
                         pts[3].x == pts[0].x && (!pen || pen->width <= 1);
    if (upright && UseGdi()) {
        const POINT a = ToPoint(pts[0]), b = ToPoint(pts[2]);
        RECT r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
        if (fill) {
            FlushOutlines();
            // The brush stays selected between fills: one call per rectangle, the pixels of FillRect.
            const HBRUSH brush = gdi_->BrushOf(*fill);
            if (selectedBrush_ != brush) SelectObject(target_, brush);
            selectedBrush_ = brush;
            gdiDrew_ = true;
            PatBlt(target_, r.left, r.top, r.right - r.left, r.bottom - r.top, PATCOPY);
        }
        if (pen && pen->dash != Dash::Solid) {
            const POINT corners[4] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1},
                                      {r.left, r.bottom - 1}};
            for (int i = 0; i < 4; ++i) QueueDashes(*pen, corners[i], corners[(i + 1) % 4]);
        } else if (pen) {
            // The border pixels as one closed polyline: the last point repeats the first, which
            // is drawn already, so the pixels are those of Rectangle with a null brush.
            const POINT ring[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1},
                                   {r.left, r.bottom - 1}, {r.left, r.top}};
            QueueOutline(*pen, ring, 5);
        }
        return;
    }
    UseGdiplus();
    std::vector<GpPointF> v;
    v.reserve(pts.size());
    for (const auto& p : pts) v.push_back(GpPointF(REAL(p.x), REAL(p.y)));
    if (v.size() < 2) return;
    if (fill) GdipFillPolygon(g_, cache_.BrushOf(*fill), v.data(), INT(v.size()), FillModeAlternate);
    if (pen) GdipDrawPolygon(g_, cache_.PenOf(*pen), v.data(), INT(v.size()));
}

void GdiplusRenderer::Ellipse(const DeviceRect& r, const Pen* pen, const COLORREF* fill) {
    UseGdiplus();
    const REAL x = REAL(r.left), y = REAL(r.top), w = REAL(r.right - r.left), h = REAL(r.bottom - r.top);
    if (fill) GdipFillEllipse(g_, cache_.BrushOf(*fill), x, y, w, h);
    if (pen) GdipDrawEllipse(g_, cache_.PenOf(*pen), x, y, w, h);
}

void GdiplusRenderer::RoundRect(const DeviceRect& r, double w, double h, const Pen* pen, const COLORREF* fill) {
    UseGdiplus();
    const REAL l = REAL(r.left), t = REAL(r.top), rr = REAL(r.right), b = REAL(r.bottom);
    const REAL cw = REAL(std::min(w, r.right - r.left)), ch = REAL(std::min(h, r.bottom - r.top));
    GpPath* path = nullptr;
    Check(GdipCreatePath(FillModeAlternate, &path), "GdipCreatePath");
    if (cw <= 0 || ch <= 0) {
        GdipAddPathRectangle(path, l, t, rr - l, b - t);
    } else {
        GdipAddPathArc(path, l, t, cw, ch, 180, 90);
        GdipAddPathArc(path, rr - cw, t, cw, ch, 270, 90);
        GdipAddPathArc(path, rr - cw, b - ch, cw, ch, 0, 90);
        GdipAddPathArc(path, l, b - ch, cw, ch, 90, 90);
        GdipClosePathFigure(path);
    }
    if (fill) GdipFillPath(g_, cache_.BrushOf(*fill), path);
    if (pen) GdipDrawPath(g_, cache_.PenOf(*pen), path);
    GdipDeletePath(path);
}

void GdiplusRenderer::Picture(HBITMAP bmp, const zq::float8Point& centre) {
    if (!PictureFits(centre)) return;
    const PictureContexts::Entry* pic = pictures_.Find(bmp);
    if (!pic) return;
    const int x = zq::Round(centre.x) - pic->width / 2, y = zq::Round(centre.y) - pic->height / 2;
    // The part inside the clip, cut here: the context GDI+ lends out may let a pixel past its clip.
    RECT part{x, y, x + pic->width, y + pic->height};
    if (clip_ && !IntersectRect(&part, &part, &*clip_)) return;
    const bool direct = UseGdi();
    if (direct) FlushOutlines();  // the outlines queued before the picture go beneath it
    if (direct && pixels_ && !pic->pixels.empty()) {
        SyncPixels();
        pixels_->And(part, pic->pixels.data(), pic->width, {part.left - x, part.top - y});
        return;
    }
    gdiDrew_ = true;
    BitBlt(direct ? target_ : GetDC(), part.left, part.top, part.right - part.left, part.bottom - part.top, pic->dc,
           part.left - x, part.top - y, SRCAND);
    if (!direct) ReleaseDC();
}

HDC GdiplusRenderer::GetDC() {
    UseGdiplus();
    if (!dc_) Check(GdipGetDC(g_, &dc_), "GdipGetDC");
    return dc_;
}

void GdiplusRenderer::ReleaseDC() {
    if (dc_) GdipReleaseDC(g_, dc_);
    dc_ = nullptr;
    selectedPen_ = selectedBrush_ = nullptr;  // a custom drawing may have selected its own pen or brush
}

void GdiplusRenderer::Fill(const DeviceRect& r, COLORREF c) {
    if (UseGdi()) {
        FlushOutlines();
        RECT g{LONG(std::floor(r.left)), LONG(std::floor(r.top)), LONG(std::ceil(r.right)), LONG(std::ceil(r.bottom))};
        gdiDrew_ = true;
        FillRect(target_, &g, gdi_->BrushOf(c));
        return;
    }
    UseGdiplus();
    GdipFillRectangle(g_, cache_.BrushOf(c), REAL(r.left), REAL(r.top), REAL(r.right - r.left), REAL(r.bottom - r.top));
}

GdiRenderer::GdiRenderer(HDC dc, GdiCache& cache, double pictureScale, double thinnest)
    : dc_(dc), cache_(cache), pictureScale_(pictureScale), thinnest_(thinnest),
      // A metafile records the starting pen too: with a thinnest width it is no pen rather than a
      // cosmetic one (every shape selects its own).
      oldPen_(SelectObject(dc, GetStockObject(thinnest > 0 ? NULL_PEN : BLACK_PEN))),
      oldBrush_(SelectObject(dc, GetStockObject(NULL_BRUSH))) {}

GdiRenderer::~GdiRenderer() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
}

void GdiRenderer::Select(const Pen* pen, const COLORREF* fill) {
    SelectObject(dc_, pen ? static_cast<HGDIOBJ>(cache_.PenOf(*pen)) : GetStockObject(NULL_PEN));
    SelectObject(dc_, fill ? static_cast<HGDIOBJ>(cache_.BrushOf(*fill)) : GetStockObject(NULL_BRUSH));
}

Pen GdiRenderer::Visible(const Pen& pen) const {
    if (thinnest_ <= 0 || (!pen.cosmetic && pen.width >= thinnest_)) return pen;
    Pen p = pen;
    p.cosmetic = false;
    p.width = thinnest_;
    return p;
}

void GdiRenderer::Line(const zq::float8Point& from, const zq::float8Point& to, const Pen& given) {
    const Pen pen = Visible(given);
    if (pen.dash != Dash::Solid) {
        DashedPath({from, to}, false, pen);
        return;
    }
    zq::float8Point a = from, b = to;
    if (!ClipToDeviceRange(a, b)) return;
    if (!pen.cosmetic && zq::Round(pen.width) > 1) {
        WideSegment(a, b, pen);
        return;
    }
    Select(&pen, nullptr);
    POINT p[2] = {ToPoint(a), ToPoint(b)};
    Polyline(dc_, p, 2);
}

void GdiRenderer::WideSegment(const zq::float8Point& a, const zq::float8Point& b, const Pen& pen) {
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    if (len <= 0) return;
    const double nx = -(b.y - a.y) / len * pen.width / 2, ny = (b.x - a.x) / len * pen.width / 2;
    const POINT quad[4] = {ToPoint({a.x + nx, a.y + ny}), ToPoint({b.x + nx, b.y + ny}), ToPoint({b.x - nx, b.y - ny}),
                           ToPoint({a.x - nx, a.y - ny})};
    Select(nullptr, &pen.color);
    ::Polygon(dc_, quad, 4);
}

void GdiRenderer::DashedPath(const std::vector<zq::float8Point>& pts, bool closed, const Pen& pen) {
    const std::vector<REAL> pattern = PatternOf(pen.dash);
    if (pts.size() < 2 || pattern.empty()) return;
    Select(&pen, nullptr);
    // The pattern is in pen widths, and never finer than the pixels of a 96-dpi screen (nor than
    // one device unit, so that the walk always advances).
    const double unit = std::max({pen.width, pictureScale_, 1.0});
    size_t phase = 0;                  // index into the pattern; even: a dash
    double left = pattern[0] * unit;  // what remains of the current dash or gap
    std::vector<POINT> dash;
    const bool wide = !pen.cosmetic && zq::Round(pen.width) > 1;
    const auto flush = [&] {
        if (dash.size() >= 2 && !wide) Polyline(dc_, dash.data(), int(dash.size()));
        dash.clear();
    };
    const size_t edges = closed ? pts.size() : pts.size() - 1;
    for (size_t k = 0; k < edges; ++k) {
        zq::float8Point a = pts[k], b = pts[(k + 1) % pts.size()];
        const zq::float8Point start = a;
        if (!ClipToDeviceRange(a, b)) {
            flush();
            continue;
        }
        if (a.x != start.x || a.y != start.y) flush();  // the edge was cut: the dash breaks off
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        if (len <= 0) continue;
        const auto at = [&](double t) { return zq::float8Point(a.x + (b.x - a.x) * t / len, a.y + (b.y - a.y) * t / len); };
        for (double pos = 0; pos < len;) {
            const double end = std::min(len, pos + left);
            if (phase % 2 == 0 && wide) {
                WideSegment(at(pos), at(end), pen);
            } else if (phase % 2 == 0) {
                if (dash.empty()) dash.push_back(ToPoint(at(pos)));
                dash.push_back(ToPoint(at(end)));
            }
            left -= end - pos;
            pos = end;
            if (left <= 1e-9) {
                if (phase % 2 == 0) flush();
                phase = (phase + 1) % pattern.size();
                left = pattern[phase] * unit;
            }
        }
    }
    flush();
}

void GdiRenderer::Polygon(const std::vector<zq::float8Point>& pts, const Pen* given, const COLORREF* fill) {
    if (pts.size() < 2) return;
    const std::optional<Pen> visible = Visible(given);
    const Pen* pen = visible ? &*visible : nullptr;
    if (pen && pen->dash != Dash::Solid) {
        if (fill) Polygon(pts, nullptr, fill);
        DashedPath(pts, true, *pen);
        return;
    }
    std::vector<POINT> v;
    v.reserve(pts.size());
    for (const auto& p : pts) v.push_back(ToPoint(p));
    Select(pen, fill);
    ::Polygon(dc_, v.data(), int(v.size()));
}

void GdiRenderer::Ellipse(const DeviceRect& r, const Pen* given, const COLORREF* fill) {
    const std::optional<Pen> visible = Visible(given);
    const Pen* pen = visible ? &*visible : nullptr;
    if (pen && pen->dash != Dash::Solid) {
        if (fill) Ellipse(r, nullptr, fill);
        DashedPath(EllipsePoints(r), true, *pen);
        return;
    }
    Select(pen, fill);
    ::Ellipse(dc_, zq::Round(r.left), zq::Round(r.top), zq::Round(r.right) + 1, zq::Round(r.bottom) + 1);
}

void GdiRenderer::RoundRect(const DeviceRect& r, double w, double h, const Pen* given, const COLORREF* fill) {
    const std::optional<Pen> visible = Visible(given);
    Select(visible ? &*visible : nullptr, fill);
    ::RoundRect(dc_, zq::Round(r.left), zq::Round(r.top), zq::Round(r.right) + 1, zq::Round(r.bottom) + 1,
                zq::Round(w), zq::Round(h));
}

void GdiRenderer::Picture(HBITMAP bmp, const zq::float8Point& centre) {
    if (!PictureFits(centre)) return;
    const PictureContexts::Entry* pic = pictures_.Find(bmp);
    if (!pic) return;
    const int w = std::max(1, zq::Round(pic->width * pictureScale_));
    const int h = std::max(1, zq::Round(pic->height * pictureScale_));
    const int x = zq::Round(centre.x) - w / 2, y = zq::Round(centre.y) - h / 2;
    if (GetObjectType(dc_) != OBJ_METADC) {
        StretchBlt(dc_, x, y, w, h, pic->dc, 0, 0, pic->width, pic->height, SRCAND);
        return;
    }
    // A Windows metafile would record the bitmap in the screen's depth (32 bits), which some
    // readers refuse: it gets the pixels as a 24-bit picture, which every reader takes.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), pic->width, pic->height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC copyDc = copy ? CreateCompatibleDC(nullptr) : nullptr;
    if (copyDc) {
        HGDIOBJ old = SelectObject(copyDc, copy);
        BitBlt(copyDc, 0, 0, pic->width, pic->height, pic->dc, 0, 0, SRCCOPY);
        GdiFlush();
        StretchDIBits(dc_, x, y, w, h, 0, 0, pic->width, pic->height, bits, &info, DIB_RGB_COLORS, SRCAND);
        SelectObject(copyDc, old);
        DeleteDC(copyDc);
    }
    if (copy) DeleteObject(copy);
}

} // namespace DrawingKernel
