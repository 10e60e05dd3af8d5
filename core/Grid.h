// The grid positions and sizes snap to.
#pragma once

#include "core/foundation/Geometry.h"

namespace Core {

// The grid of a change's environment.
class IGrid {
public:
    virtual ~IGrid() = default;
    // The grid point nearest to the point.
    virtual zq::Point SnapPoint(const zq::Point& point) const = 0;
    // The rectangle grown outward onto grid lines.
    virtual zq::Rect SnapRect(const zq::Rect& rect) const = 0;
    // Each component of a size rounded up onto the grid.
    virtual zq::Point SnapSize(const zq::Point& size) const = 0;
    // A length rounded up onto the grid.
    virtual int32_t SnapLength(int32_t length) const = 0;
};

} // namespace Core
