// The drawables of a drawing by the square cells of the plane their painted areas meet, so that
// repainting a small part of a large drawing visits only what lies there.
#pragma once

#include "drawing/Canvas.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace DrawingKernel {

class Drawable;

// The largest integer not above v, as std::floor but quicker on the x87 unit, where std::floor
// switches the rounding mode there and back: v rounded in the current mode, one less when that went
// up. A drag of thousands of drawables asks this millions of times a second.
inline int64_t FloorToInt(double v) {
    if (!(std::fabs(v) < 1e9)) return int64_t(std::floor(v));
    const long r = std::lrint(v);
    return r - (double(r) > v ? 1 : 0);
}

class AreaGrid {
public:
    // The side of a cell in logical units (about four centimetres).
    static constexpr double kCell = 4096;

    // Adds the drawable over the logical rectangle, with its place in the drawing order.
    void Add(Drawable* d, const ICanvas::DoubleRect& area, uint64_t order);
    // Takes the drawable out (given the rectangle it was added with); answers its place in the
    // drawing order, 0 when it was not there. Allocates nothing.
    uint64_t Remove(Drawable* d, const ICanvas::DoubleRect& area) noexcept;
    // Moves the drawable from one rectangle to another (nothing to do when both meet the same cells).
    void Move(Drawable* d, const ICanvas::DoubleRect& from, const ICanvas::DoubleRect& to);
    // The drawables whose rectangles may meet the logical rectangle, each once, in drawing order;
    // false (and nothing) when the rectangle covers more cells than are used: walking everything
    // costs less then.
    bool Near(const ICanvas::DoubleRect& area, std::vector<Drawable*>& out) const;

private:
    struct Entry {
        Drawable* drawable;
        uint64_t order;
    };
    struct Span {
        int64_t x0, y0, x1, y1;
        int64_t Count() const { return (x1 - x0 + 1) * (y1 - y0 + 1); }
    };
    // The cells the rectangle meets; false when its coordinates are beyond all cells.
    static bool SpanOf(const ICanvas::DoubleRect& area, Span& span);
    // The same, false also when they are too many (a drawable over them is kept aside and always
    // visited).
    static bool CellsOf(const ICanvas::DoubleRect& area, Span& span);
    static int64_t Key(int64_t x, int64_t y) { return int64_t((uint64_t(x) << 32) ^ (uint64_t(y) & 0xFFFFFFFFu)); }
    static uint64_t Take(std::vector<Entry>& entries, const Drawable* d) noexcept;

    std::unordered_map<int64_t, std::vector<Entry>> cells_;
    std::vector<Entry> aside_;
};

} // namespace DrawingKernel
