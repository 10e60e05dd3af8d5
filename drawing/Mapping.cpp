#include "app/winutil/Platform.h"
#include "drawing/Mapping.h"

#include <algorithm>
#include <cmath>

namespace DrawingKernel {

namespace {
// Scroll positions stay far inside the integer range, so that adding a window's size cannot
// overflow even for a huge drawing at the highest zoom.
constexpr int kScrollLimit = 1 << 29;

int ClampScroll(double v) {
    if (!(v == v)) return 0;
    return zq::Round(std::clamp(v, -double(kScrollLimit), double(kScrollLimit)));
}

const double kZoomSteps[] = {0.05, 0.1, 0.15, 0.25, 0.33, 0.5, 0.75, 1.0, 1.5, 2.0, 3.0, 4.0,
                             6.0, 8.0, 12.0, 16.0, 25.0, 50.0, 100.0};
}

DeviceRect Mapping::ToDevice(const ICanvas::DoubleRect& r) const {
    const zq::float8Point a = ToDevice(zq::float8Point(r.left, r.top));
    const zq::float8Point b = ToDevice(zq::float8Point(r.right, r.bottom));
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

double ViewState::RoundZoom(double factor) {
    if (!(factor == factor)) return 1.0;  // NaN
    const double clamped = std::clamp(factor, MinZoom, MaxZoom);
    return std::floor(clamped * 1000.0 + 0.5) / 1000.0;
}

double ViewState::NextZoomStep(double factor, bool up) {
    const double z = RoundZoom(factor);
    if (up) {
        for (double s : kZoomSteps)
            if (s > z + 1e-9) return s;
        return MaxZoom;
    }
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
        if (*it < z - 1e-9) return *it;
    return MinZoom;
}

void ViewState::SetScroll(const zq::Point& p) {
    scroll_ = {std::clamp(p.x, -kScrollLimit, kScrollLimit), std::clamp(p.y, -kScrollLimit, kScrollLimit)};
}

Mapping ViewState::GetMapping() const {
    Mapping m;
    m.kx = PixelsPerUnit(dpiX_) * zoom_ * scale_;
    m.ky = PixelsPerUnit(dpiY_) * zoom_ * scale_;
    m.ox = -scroll_.x;
    m.oy = -scroll_.y;
    return m;
}

void ViewState::SetZoom(double factor, const zq::float8Point& clientRef) {
    const zq::float8Point logical = GetMapping().ToLogical(clientRef);
    zoom_ = RoundZoom(factor);
    ScrollPointTo(logical, clientRef);
}

void ViewState::ScrollPointTo(const zq::float8Point& logical, const zq::float8Point& client) {
    Mapping m = GetMapping();
    // World pixel of the logical point, minus where it must appear.
    SetScroll({ClampScroll(logical.x * m.kx - client.x), ClampScroll(-logical.y * m.ky - client.y)});
}

void ViewState::ZoomToRect(const ICanvas::DoubleRect& rect, int w, int h) {
    const ICanvas::DoubleRect r = rect.Normalized();
    const double rw = r.right - r.left;
    const double rh = r.top - r.bottom;
    if (w <= 0 || h <= 0) return;
    const double base = PixelsPerUnit(dpiX_) * scale_;
    const double baseY = PixelsPerUnit(dpiY_) * scale_;
    double z = MaxZoom;
    if (rw > 0) z = std::min(z, w / (rw * base));
    if (rh > 0) z = std::min(z, h / (rh * baseY));
    if (rw <= 0 && rh <= 0) z = zoom_;
    double rounded = RoundZoom(z);
    if (rounded > z && rounded - 0.001 >= MinZoom) rounded -= 0.001;  // never overflow the window
    zoom_ = RoundZoom(rounded);
    ScrollPointTo(zq::float8Point((r.left + r.right) / 2, (r.top + r.bottom) / 2), zq::float8Point(w / 2.0, h / 2.0));
}

} // namespace DrawingKernel
