// Logical units (0.01 mm, y up) to device pixels (y down), and the screen's zoom and scroll state.
#pragma once

#include "drawing/Canvas.h"

namespace DrawingKernel {

// A rectangle in device pixels, y down, normalised: left <= right, top <= bottom.
struct DeviceRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    // True when the two overlap (touching edges count as overlap).
    bool Intersects(const DeviceRect& o) const {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
    // Grows the rectangle by d on every side.
    DeviceRect Inflated(double d) const { return {left - d, top - d, right + d, bottom + d}; }
};

// An affine map: device = (x * kx + ox, -y * ky + oy).
struct Mapping {
    double kx = 1;  // device pixels per logical unit across
    double ky = 1;  // device pixels per logical unit down
    double ox = 0;  // device x of the logical origin
    double oy = 0;  // device y of the logical origin
    // A logical point in device pixels.
    zq::float8Point ToDevice(const zq::float8Point& p) const { return {p.x * kx + ox, -p.y * ky + oy}; }
    // A device point in logical units.
    zq::float8Point ToLogical(const zq::float8Point& d) const { return {(d.x - ox) / kx, -(d.y - oy) / ky}; }
    // A logical rectangle in device pixels, normalised.
    DeviceRect ToDevice(const ICanvas::DoubleRect& r) const;
};

// Device pixels per logical unit at a resolution: dpi / 2540.
inline double PixelsPerUnit(double dpi) { return dpi / 2540.0; }

// The zoom and scroll state of a screen canvas; scroll is the world pixel at the client's corner.
class ViewState {
public:
    // Smallest and largest zoom factors.
    static constexpr double MinZoom = 0.05;
    static constexpr double MaxZoom = 100.0;
    // The factor actually used: clamped and rounded to a thousandth.
    static double RoundZoom(double factor);
    // The next zoom step above or below the factor.
    static double NextZoomStep(double factor, bool up);

    ViewState(double dpiX = 96, double dpiY = 96) : dpiX_(dpiX), dpiY_(dpiY) {}
    // The map from logical units to client pixels.
    Mapping GetMapping() const;
    double GetZoom() const { return zoom_; }
    double GetScale() const { return scale_; }
    // Sets the drawing scale (non-positive values are taken as 1).
    void SetScale(double s) { scale_ = s > 0 ? s : 1.0; }
    zq::Point GetScroll() const { return scroll_; }
    // Sets the scroll position, clamped to +-2^29 pixels.
    void SetScroll(const zq::Point& p);
    // Sets the zoom keeping the logical point under the client point where it is.
    void SetZoom(double factor, const zq::float8Point& clientRef);
    // Scrolls so that the logical point lies under the client point (within half a pixel).
    void ScrollPointTo(const zq::float8Point& logical, const zq::float8Point& client);
    // Zooms so that r fits a client area of w x h pixels and centres it.
    void ZoomToRect(const ICanvas::DoubleRect& r, int w, int h);
private:
    double dpiX_;
    double dpiY_;
    double zoom_ = 1.0;
    double scale_ = 1.0;
    zq::Point scroll_;
};

} // namespace DrawingKernel
