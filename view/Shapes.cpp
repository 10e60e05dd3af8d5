#include "view/Shapes.h"

#include "view/CanvasOrder.h"
#include "core/foundation/Geometry.h"

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
    return std::make_shared<CanvasOrder::Impl>(0, zq::Round64(length * width * 0.5));
}

// The direction from the tip toward the other point, with its length n; degenerate when n is too short
// against the shape's length (a zero length included).
struct Direction {
    Direction(const zq::float8Point& tip, const zq::float8Point& from, double length)
        : d(from - tip), n(std::hypot(d.x, d.y)), degenerate(!(length > 0) || n / length < 0.001) {}
    // The point at the distance along the direction.
    zq::float8Point Along(const zq::float8Point& tip, double distance) const { return tip + d * (distance / n); }
    // Half the width across the direction.
    zq::float8Vector HalfAcross(double width) const { return zq::float8Vector(-d.y, d.x) * (width / (2 * n)); }

    zq::float8Vector d;
    double n;
    bool degenerate;
};
} // namespace

ArrowShape::ArrowShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& tip,
                       const zq::float8Point& from, double length, double width, int style)
    : tip_(tip), base_(tip), wing1_(tip), wing2_(tip)
{
    const Direction dir(tip, from, length);
    if (dir.degenerate) return;
    base_ = dir.Along(tip, length / 2);
    const zq::float8Vector normal = dir.HalfAcross(width);
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
    const Direction dir(tip, from, length);
    if (dir.degenerate) return;
    far_ = dir.Along(tip, length);
    const zq::float8Point middle = dir.Along(tip, length / 2);
    const zq::float8Vector normal = dir.HalfAcross(width);
    side1_ = middle + normal;
    side2_ = middle - normal;
    const std::vector<zq::float8Point> corners{tip_, side1_, far_, side2_};
    if (filled) group.Add(canvas.CreateFilledPolygon(corners, FillStyle(), AreaKey(length, width)));
    group.Add(canvas.CreateClosedPolygon(corners));
}

} // namespace View
