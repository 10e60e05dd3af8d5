#include "view/Shapes.h"

#include "view/CanvasOrder.h"

#include <cmath>

namespace View {

namespace {
// The window-text colour that filled end shapes use.
ICanvas::LineStyle FillStyle()
{
    ICanvas::LineStyle s;
    s.width = 1;
    s.systemColor = 1;
    s.value = 8;
    return s;
}

ICanvas::OrderKey AreaKey(double length, double width)
{
    return std::make_shared<CanvasOrder::Impl>(0, int64_t(std::llround(std::floor(length * width * 0.5 + 0.5))));
}

// Whether the direction is too short against the length to give a shape (zero length included).
bool Degenerate(double n, double length)
{
    return !(length > 0) || n / length < 0.001;
}
} // namespace

ArrowShape::ArrowShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& tip,
                       const zq::float8Point& from, double length, double width, int style)
    : tip_(tip), base_(tip), wing1_(tip), wing2_(tip)
{
    const zq::float8Vector d = from - tip;
    const double n = std::hypot(d.x, d.y);
    if (Degenerate(n, length)) return;
    base_ = tip + d * (length / (2 * n));
    const zq::float8Vector normal = zq::float8Vector(-d.y, d.x) * (width / (2 * n));
    wing1_ = base_ + normal;
    wing2_ = base_ - normal;
    switch (style) {
    case 1:
        group.Add(canvas.CreateLine(tip_, wing1_));
        group.Add(canvas.CreateLine(tip_, wing2_));
        break;
    case 2: group.Add(canvas.CreateClosedPolygon({wing1_, tip_, wing2_})); break;
    case 3:
        group.Add(canvas.CreateFilledPolygon({wing1_, tip_, wing2_}, FillStyle(), AreaKey(length, width)));
        group.Add(canvas.CreateClosedPolygon({wing1_, tip_, wing2_}));
        break;
    case 4: group.Add(canvas.CreateLine(tip_, wing2_)); break;
    default: break;
    }
}

DiamondShape::DiamondShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& tip,
                           const zq::float8Point& from, double length, double width, bool filled)
    : tip_(tip), far_(tip), side1_(tip), side2_(tip)
{
    const zq::float8Vector d = from - tip;
    const double n = std::hypot(d.x, d.y);
    if (Degenerate(n, length)) return;
    far_ = tip + d * (length / n);
    const zq::float8Point middle = tip + d * (length / (2 * n));
    const zq::float8Vector normal = zq::float8Vector(-d.y, d.x) * (width / (2 * n));
    side1_ = middle + normal;
    side2_ = middle - normal;
    const std::vector<zq::float8Point> corners{tip_, side1_, far_, side2_};
    if (filled) group.Add(canvas.CreateFilledPolygon(corners, FillStyle(), AreaKey(length, width)));
    group.Add(canvas.CreateClosedPolygon(corners));
}

} // namespace View
