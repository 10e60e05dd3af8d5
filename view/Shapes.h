// Outline shapes drawn at connector ends: arrow heads and diamonds.
#pragma once

#include "drawing/Canvas.h"

namespace View {

// A shape at a connector end.
class IShape {
public:
    virtual ~IShape() = default;
    // A test of the shape (answers false for arrows and diamonds).
    virtual bool Test(int) const { return false; }
};

// An arrow head at the tip P pointing away from Q, L long and W wide.
class ArrowShape : public IShape {
public:
    // Forms: 1 open (two lines), 2 hollow triangle, 3 filled triangle, 4 half arrow; others draw nothing.
    ArrowShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& tip, const zq::float8Point& from,
               double length, double width, int style);
    const zq::float8Point& GetTip() const { return tip_; }
    // Where the connector's line may stop (the tip for a degenerate arrow).
    const zq::float8Point& GetBase() const { return base_; }
    const zq::float8Point& GetWing1() const { return wing1_; }
    const zq::float8Point& GetWing2() const { return wing2_; }

private:
    zq::float8Point tip_, base_, wing1_, wing2_;
};

// A diamond from P to the far corner F, L long and W wide, outlined or filled.
class DiamondShape : public IShape {
public:
    DiamondShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& tip,
                 const zq::float8Point& from, double length, double width, bool filled);
    const zq::float8Point& GetTip() const { return tip_; }
    // Where the connector's line starts (the tip for a degenerate diamond).
    const zq::float8Point& GetFar() const { return far_; }
    const zq::float8Point& GetSide1() const { return side1_; }
    const zq::float8Point& GetSide2() const { return side2_; }

private:
    zq::float8Point tip_, far_, side1_, side2_;
};

} // namespace View
