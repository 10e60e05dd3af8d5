// Value types of the model: integer points and rectangles (0.01 mm, y up), double points and
// vectors of the canvas interfaces, colours, and the rounding helpers between them.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>

namespace GraphUtil {
// Tolerant comparison of doubles: equal within 2^(e-45), e being the binary exponent of a (of b when a is 0).
bool IsEqual(double a, double b);
} // namespace GraphUtil

namespace zq {

// Rounds half up: floor(v + 0.5); -0.5 gives 0, -1.5 gives -1, 2.5 gives 3 (|v| below 2^62).
// No library call (on the 32-bit Windows build, floor is a call into the runtime): truncate, and
// step down where truncating went up (negative values with a fraction).
inline std::int64_t Round64(double v) {
    const double t = v + 0.5;
    const auto i = static_cast<std::int64_t>(t);
    return static_cast<double>(i) > t ? i - 1 : i;
}
// Round64 for results in int's range.
inline int Round(double v) { return static_cast<int>(Round64(v)); }
// Rounds half away from zero, as std::round, without a library call (|v| below 2^62).
inline double RoundAway(double v) {
    return v >= 0 ? static_cast<double>(static_cast<std::int64_t>(v + 0.5))
                  : -static_cast<double>(static_cast<std::int64_t>(0.5 - v));
}

// An integer point of the model in logical units of 0.01 mm, y pointing up.
struct Point {
    int32_t x = 0;
    int32_t y = 0;
    constexpr Point() = default;
    constexpr Point(int32_t x_, int32_t y_) : x(x_), y(y_) {}
    friend constexpr bool operator==(const Point&, const Point&) = default;
    constexpr Point operator+(const Point& o) const { return {x + o.x, y + o.y}; }
    constexpr Point operator-(const Point& o) const { return {x - o.x, y - o.y}; }
    Point& operator+=(const Point& o) { x += o.x; y += o.y; return *this; }
    Point& operator-=(const Point& o) { x -= o.x; y -= o.y; return *this; }
};

// A double-precision vector of the canvas interfaces.
struct float8Vector {
    double x = 0;
    double y = 0;
    constexpr float8Vector() = default;
    constexpr float8Vector(double x_, double y_) : x(x_), y(y_) {}
    constexpr float8Vector operator+(const float8Vector& o) const { return {x + o.x, y + o.y}; }
    constexpr float8Vector operator-(const float8Vector& o) const { return {x - o.x, y - o.y}; }
    constexpr float8Vector operator*(double f) const { return {x * f, y * f}; }
    // Component-wise tolerant equality (GraphUtil::IsEqual).
    friend bool operator==(const float8Vector& a, const float8Vector& b) {
        return GraphUtil::IsEqual(a.x, b.x) && GraphUtil::IsEqual(a.y, b.y);
    }
};

// A double-precision point of the canvas interfaces; equality is "nearly equal" per coordinate.
struct float8Point {
    double x = 0;
    double y = 0;
    constexpr float8Point() = default;
    constexpr float8Point(double x_, double y_) : x(x_), y(y_) {}
    constexpr float8Point(const Point& p) : x(p.x), y(p.y) {}
    constexpr float8Point operator+(const float8Vector& v) const { return {x + v.x, y + v.y}; }
    constexpr float8Point operator-(const float8Vector& v) const { return {x - v.x, y - v.y}; }
    constexpr float8Vector operator-(const float8Point& o) const { return {x - o.x, y - o.y}; }
    float8Point& operator+=(const float8Vector& v) { x += v.x; y += v.y; return *this; }
    // Component-wise tolerant equality (GraphUtil::IsEqual).
    friend bool operator==(const float8Point& a, const float8Point& b) {
        return GraphUtil::IsEqual(a.x, b.x) && GraphUtil::IsEqual(a.y, b.y);
    }
};

// Rounds each coordinate half up.
inline Point RoundPoint(const float8Point& p) { return {Round(p.x), Round(p.y)}; }

// An integer rectangle, y up: normalised means left <= right and top >= bottom.
// Built from four sides it keeps them as given; FromCorners and Normalize normalise.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    constexpr Rect() = default;
    constexpr Rect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}
    // The normalised rectangle spanned by two corner points.
    static constexpr Rect FromCorners(const Point& a, const Point& b) { return Rect(a.x, a.y, b.x, b.y).Normalized(); }
    // The rectangle with top-left corner pos, width w and height h (y up: bottom = pos.y - h).
    static constexpr Rect FromPosSize(const Point& pos, int32_t w, int32_t h) {
        return Rect(pos.x, pos.y, pos.x + w, pos.y - h);
    }
    // Swaps sides so that left <= right and top >= bottom; returns itself.
    constexpr Rect& Normalize() {
        if (left > right) std::swap(left, right);
        if (bottom > top) std::swap(bottom, top);
        return *this;
    }
    // A normalised copy.
    constexpr Rect Normalized() const { Rect r = *this; return r.Normalize(); }
    constexpr int32_t Width() const { return right - left; }
    constexpr int32_t Height() const { return top - bottom; }
    // Width times height in 64 bits (boxes of more than 463 mm overflow 32 bits).
    constexpr int64_t Area() const { return (int64_t(right) - left) * (int64_t(top) - bottom); }
    constexpr Point TopLeft() const { return {left, top}; }
    constexpr Point BottomRight() const { return {right, bottom}; }
    // Left <= x <= right and bottom <= y <= top: edges included.
    constexpr bool Contains(const Point& p) const { return p.x >= left && p.x <= right && p.y <= top && p.y >= bottom; }
    // The other rectangle lies inside this one, edges included.
    constexpr bool Contains(const Rect& r) const { return r.left >= left && r.right <= right && r.top <= top && r.bottom >= bottom; }
    // Each side moved outward by d (inward for negative d).
    constexpr Rect Inflated(int32_t d) const { return Rect(left - d, top + d, right + d, bottom - d); }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// Rounds a rectangle of doubles (left, top, right, bottom) side by side, half up.
inline Rect RoundRect(double left, double top, double right, double bottom) {
    return Rect(Round(left), Round(top), Round(right), Round(bottom));
}

// Colour as three bytes red, green, blue; equality compares the bytes.
struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    constexpr Color() = default;
    constexpr Color(uint8_t r, uint8_t g, uint8_t b) : red(r), green(g), blue(b) {}
    // From 0xRRGGBB.
    static constexpr Color FromRGB(uint32_t v) { return Color(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)); }
    // As 0xRRGGBB.
    constexpr uint32_t ToRGB() const { return (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue; }
    friend constexpr bool operator==(const Color&, const Color&) = default;
};

} // namespace zq
