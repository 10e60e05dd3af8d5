// The geometry of resizing a rectangular element by one of its eight handles: where the handles
// sit, how a dragged side or corner moves, and how the other selected elements follow.
#pragma once

#include "core/Grid.h"
#include "core/foundation/Geometry.h"

namespace View::Resize {

// The sides a resize has moved; once set they stay set while the resize runs.
struct SideFlags {
    bool left = false;
    bool right = false;
    bool top = false;
    bool bottom = false;
};

// The horizontal and vertical side a free resize moves.
enum class HSide { Null, West, East };
enum class VSide { Null, North, South };

// The corner a ratio-keeping resize moves.
enum class Corner { NorthEast, SouthEast, SouthWest, NorthWest };

// Handle id bits.
enum Handle : unsigned {
    North = 1, NorthWest = 2, West = 4, SouthWest = 8, South = 16, SouthEast = 32, East = 64, NorthEast = 128
};

// The element rectangle of a position (top-left, y up) and a size.
zq::Rect ElementRect(const zq::Point& pos, const zq::Point& size);

// The offset of a handle from the element's top-left corner for the size (halves truncate).
zq::Point HandleOffset(unsigned handle, const zq::Point& size);

// The rectangle after moving the named sides of current to the grid-snapped pointer; the moved
// side stops at the minimum width or height from the fixed one. Centred moves the left and right
// sides as mirrors of each other.
zq::Rect CalcFreeRect(const zq::Rect& current, const zq::Point& pointer, HSide h, VSide v, bool centred,
                      int32_t minWidth, int32_t minHeight, const Core::IGrid& grid, SideFlags& flags);

// The rectangle after moving a corner while keeping the ratio height / width.
zq::Rect CalcKeepRatioRect(Corner corner, const zq::Rect& current, const zq::Point& pointer, int32_t minWidth,
                           int32_t minHeight, const Core::IGrid& grid, double ratio, SideFlags& flags);

// A follower's rectangle: its own rectangle given the master's current width and height on the
// moved sides (centred: keeping its horizontal centre).
zq::Rect FollowerRect(const zq::Rect& own, const zq::Rect& current, const SideFlags& flags, bool centred);

} // namespace View::Resize
