// Logical units to client pixels and back at several zooms, scales and scroll positions.
#include "drawing/tests/TestSupport.h"

using namespace DrawingKernel;

TEST(Mapping, RoundTripWithinHalfAPixel) {
    for (double zoom : {0.05, 0.25, 0.75, 1.0, 1.5, 4.0, 37.0}) {
        for (zq::Point scroll : {zq::Point(0, 0), zq::Point(-120, 333), zq::Point(5000, -7000)}) {
            ViewState v;
            v.SetScale(zoom > 1 ? 0.5 : 2.0);
            v.SetZoom(zoom, {0, 0});
            v.SetScroll(scroll);
            const Mapping m = v.GetMapping();
            for (zq::float8Point p : {zq::float8Point(0, 0), zq::float8Point(12345, -6789), zq::float8Point(-500, 40000)}) {
                const zq::float8Point d = m.ToDevice(p);
                const zq::Point px = zq::RoundPoint(d);
                const zq::float8Point back = m.ToLogical(zq::float8Point(px));
                EXPECT_LE(std::fabs(back.x - p.x) * m.kx, 0.5 + 1e-9) << zoom;
                EXPECT_LE(std::fabs(back.y - p.y) * m.ky, 0.5 + 1e-9) << zoom;
            }
        }
    }
}

TEST(Mapping, HundredPercentShowsRealSizeAt96Dpi) {
    ViewState v;
    const Mapping m = v.GetMapping();
    // 25.4 mm is one inch: 96 pixels; y grows downward on the device.
    EXPECT_NEAR(m.ToDevice(zq::float8Point(2540, 0)).x, 96, 1e-9);
    EXPECT_NEAR(m.ToDevice(zq::float8Point(0, -2540)).y, 96, 1e-9);
}

TEST(Mapping, ZoomKeepsTheReferencePoint) {
    ViewState v;
    v.SetScroll({-50, -40});
    const zq::float8Point ref(200, 150);
    for (double z : {4.0, 0.25, 1.5}) {
        const zq::float8Point before = v.GetMapping().ToLogical(ref);
        v.SetZoom(z, ref);
        const zq::float8Point at = v.GetMapping().ToDevice(before);
        EXPECT_NEAR(at.x, ref.x, 0.5);
        EXPECT_NEAR(at.y, ref.y, 0.5);
    }
}

TEST(Mapping, RoundZoomIsStableAndClamped) {
    for (double f : {0.0, 0.01, 0.123456, 0.75, 1.0, 2.0004, 3.14159, 250.0}) {
        const double r = ViewState::RoundZoom(f);
        EXPECT_EQ(ViewState::RoundZoom(r), r) << f;
        EXPECT_GE(r, ViewState::MinZoom);
        EXPECT_LE(r, ViewState::MaxZoom);
    }
    EXPECT_EQ(ViewState::RoundZoom(0.75), 0.75);
    EXPECT_EQ(ViewState::RoundZoom(std::nan("")), 1.0);
}

TEST(Mapping, ZoomStepsGoUpAndDownThroughPresets) {
    EXPECT_EQ(ViewState::NextZoomStep(1.0, true), 1.5);
    EXPECT_EQ(ViewState::NextZoomStep(1.0, false), 0.75);
    EXPECT_EQ(ViewState::NextZoomStep(1.2, false), 1.0);
    EXPECT_EQ(ViewState::NextZoomStep(ViewState::MaxZoom, true), ViewState::MaxZoom);
    EXPECT_EQ(ViewState::NextZoomStep(ViewState::MinZoom, false), ViewState::MinZoom);
}

TEST(Mapping, ZoomToRectFillsTheWindow) {
    const int w = 640, h = 480;
    for (ICanvas::DoubleRect r : {ICanvas::DoubleRect{1000, -1000, 21000, -6000}, ICanvas::DoubleRect{-300, 900, 200, -4000},
                                  ICanvas::DoubleRect{0, 0, 100000, -100000}}) {
        ViewState v;
        v.ZoomToRect(r, w, h);
        const DeviceRect d = v.GetMapping().ToDevice(r);
        // Inside the window (within rounding) ...
        EXPECT_GE(d.left, -1);
        EXPECT_GE(d.top, -1);
        EXPECT_LE(d.right, w + 1);
        EXPECT_LE(d.bottom, h + 1);
        // ... and filling it in one direction.
        const double fill = std::max((d.right - d.left) / w, (d.bottom - d.top) / h);
        EXPECT_GT(fill, 0.99);
        // Centred.
        EXPECT_NEAR((d.left + d.right) / 2, w / 2.0, 1);
        EXPECT_NEAR((d.top + d.bottom) / 2, h / 2.0, 1);
    }
}
