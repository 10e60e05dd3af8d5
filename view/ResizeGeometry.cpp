#include "view/ResizeGeometry.h"

#include <algorithm>
#include <functional>

namespace View::Resize {

zq::Rect ElementRect(const zq::Point& pos, const zq::Point& size)
{
    return zq::Rect::FromPosSize(pos, size.x, size.y);
}

zq::Point HandleOffset(unsigned handle, const zq::Point& size)
{
    const int32_t w = size.x, h = size.y;
    switch (handle) {
    case North: return {w / 2, 0};
    case NorthWest: return {0, 0};
    case West: return {0, -(h / 2)};
    case SouthWest: return {0, -h};
    case South: return {w / 2, -h};
    case SouthEast: return {w, -h};
    case East: return {w, -(h / 2)};
    case NorthEast: return {w, 0};
    default: return {0, 0};
    }
}

namespace {

void MoveHorizontal(zq::Rect& r, int32_t px, HSide h, bool centred, int32_t mw, const Core::IGrid& grid, SideFlags& f)
{
    int32_t x = px;
    if (h == HSide::East) {
        if (!centred) {
            if (x - mw < r.left) x = r.left + mw;
            r.right = x;
        } else {
            int32_t d = r.right - x;
            const int32_t w = r.right - r.left;
            if (w - 2 * d < mw) {
                const int32_t e = grid.SnapLength((mw - w) / 2);
                d = -e;
                x = r.right + e;
            }
            r.left += d;
            r.right = x;
        }
        f.right = true;
    } else if (h == HSide::West) {
        if (!centred) {
            if (x + mw > r.right) x = r.right - mw;
            r.left = x;
        } else {
            int32_t d = x - r.left;
            const int32_t w = r.right - r.left;
            if (w - 2 * d < mw) {
                const int32_t e = grid.SnapLength((mw - w) / 2);
                d = -e;
                x = r.left - e;
            }
            r.right -= d;
            r.left = x;
        }
        f.left = true;
    }
}

void MoveVertical(zq::Rect& r, int32_t py, VSide v, int32_t mh, SideFlags& f)
{
    int32_t y = py;
    if (v == VSide::North) {
        if (y - mh < r.bottom) y = r.bottom + mh;
        r.top = y;
        f.top = true;
    } else if (v == VSide::South) {
        if (y + mh > r.top) y = r.top - mh;
        r.bottom = y;
        f.bottom = true;
    }
}

// The north-east computation on a normalised rectangle.
zq::Rect NorthEastRect(const zq::Rect& r, const zq::Point& pointer, int32_t mw, int32_t mh, const Core::IGrid& grid,
                       double ratio)
{
    const zq::Point s = grid.SnapPoint(pointer);
    const int32_t minWidth = std::max(mw, zq::Round(mh / ratio));
    int32_t x = std::max(s.x, r.left + minWidth);
    int32_t h = zq::Round((x - r.left) * ratio);
    const int32_t y = r.bottom + h;
    zq::Point corner;
    if (y < s.y) {
        h = s.y - r.bottom;
        x = r.left + zq::Round(h / ratio);
        corner = grid.SnapPoint({x, s.y});
    } else {
        corner = grid.SnapPoint({x, y});
    }
    return zq::Rect(r.left, corner.y, corner.x, r.bottom).Normalized();
}

zq::Rect Turn(const zq::Rect& r, const std::function<zq::Point(zq::Point)>& f)
{
    return zq::Rect::FromCorners(f({r.left, r.top}), f({r.right, r.bottom}));
}

} // namespace

zq::Rect CalcFreeRect(const zq::Rect& current, const zq::Point& pointer, HSide h, VSide v, bool centred,
                      int32_t minWidth, int32_t minHeight, const Core::IGrid& grid, SideFlags& flags)
{
    zq::Rect r = current;
    const zq::Point p = grid.SnapPoint(pointer);
    MoveHorizontal(r, p.x, h, centred, minWidth, grid, flags);
    MoveVertical(r, p.y, v, minHeight, flags);
    return r;
}

zq::Rect CalcKeepRatioRect(Corner corner, const zq::Rect& current, const zq::Point& pointer, int32_t minWidth,
                           int32_t minHeight, const Core::IGrid& grid, double ratio, SideFlags& flags)
{
    using F = std::function<zq::Point(zq::Point)>;
    F there, back;
    bool swap = false;
    switch (corner) {
    case Corner::NorthEast:
        there = back = [](zq::Point p) { return p; };
        flags.right = flags.top = true;
        break;
    case Corner::SouthWest:
        there = back = [](zq::Point p) { return zq::Point(-p.x, -p.y); };
        flags.left = flags.bottom = true;
        break;
    case Corner::NorthWest:
        there = [](zq::Point p) { return zq::Point(p.y, -p.x); };
        back = [](zq::Point p) { return zq::Point(-p.y, p.x); };
        swap = true;
        flags.left = flags.top = true;
        break;
    case Corner::SouthEast:
        there = [](zq::Point p) { return zq::Point(-p.y, p.x); };
        back = [](zq::Point p) { return zq::Point(p.y, -p.x); };
        swap = true;
        flags.right = flags.bottom = true;
        break;
    }
    const zq::Rect turned = Turn(current.Normalized(), there);
    const zq::Rect result = swap ? NorthEastRect(turned, there(pointer), minHeight, minWidth, grid, 1.0 / ratio)
                                 : NorthEastRect(turned, there(pointer), minWidth, minHeight, grid, ratio);
    return Turn(result, back);
}

zq::Rect FollowerRect(const zq::Rect& own, const zq::Rect& current, const SideFlags& flags, bool centred)
{
    zq::Rect r = own;
    const int32_t w = current.right - current.left;
    const int32_t h = current.top - current.bottom;
    if (centred && (flags.left || flags.right)) {
        const int32_t m = (r.left + r.right) / 2;
        r.left = m - w / 2;
        r.right = m + (w - w / 2);
    } else {
        if (flags.left) r.left = r.right - w;
        if (flags.right) r.right = r.left + w;
    }
    if (flags.top) r.top = r.bottom + h;
    if (flags.bottom) r.bottom = r.top - h;
    return r;
}

} // namespace View::Resize
