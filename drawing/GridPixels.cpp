#include "drawing/GridPixels.h"

#include <algorithm>
#include <cstdlib>

namespace DrawingKernel {

std::optional<GridPixels> GridPixels::Of(HDC dc, std::uint32_t* topRow) {
    DIBSECTION ds{};
    const HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    if (!topRow || !bitmap || GetObjectW(bitmap, sizeof ds, &ds) != int(sizeof ds) || ds.dsBm.bmBits != topRow)
        return std::nullopt;
    if (ds.dsBm.bmBitsPixel != 32 || ds.dsBmih.biCompression != BI_RGB) return std::nullopt;
    POINT viewport{}, window{};
    XFORM world{};
    if (GetMapMode(dc) != MM_TEXT || !GetViewportOrgEx(dc, &viewport) || !GetWindowOrgEx(dc, &window) ||
        viewport.x || viewport.y || window.x || window.y || GetROP2(dc) != R2_COPYPEN || !GetWorldTransform(dc, &world))
        return std::nullopt;
    if (world.eM11 != 1 || world.eM12 != 0 || world.eM21 != 0 || world.eM22 != 1 || world.eDx != 0 || world.eDy != 0)
        return std::nullopt;
    RECT clip;
    const int kind = GetClipBox(dc, &clip);
    if (kind != SIMPLEREGION && kind != NULLREGION) return std::nullopt;
    const RECT bounds{0, 0, ds.dsBm.bmWidth, ds.dsBm.bmHeight};
    if (kind == NULLREGION || !IntersectRect(&clip, &clip, &bounds)) clip = {};
    return GridPixels(reinterpret_cast<std::uint8_t*>(topRow), ds.dsBm.bmWidthBytes, clip);
}

namespace {
// Calls f(a, b) for every segment of the polylines (counts[i] points each).
template <class F>
void ForEachSegment(const POINT* pts, const DWORD* counts, std::size_t polylines, F&& f) {
    for (std::size_t i = 0; i < polylines; pts += counts[i], ++i)
        for (DWORD k = 1; k < counts[i]; ++k) f(pts[k - 1], pts[k]);
}
} // namespace

bool GridPixels::Polylines(const POINT* pts, const DWORD* counts, std::size_t polylines, COLORREF colour) const {
    bool alongGrid = true;
    ForEachSegment(pts, counts, polylines, [&](const POINT& a, const POINT& b) { alongGrid &= a.x == b.x || a.y == b.y; });
    if (!alongGrid) return false;
    const std::uint32_t pixel = PixelOf(colour);
    ForEachSegment(pts, counts, polylines, [&](const POINT& a, const POINT& b) {
        if (a.y == b.y) {
            // From a.x up to b.x, b.x itself left out.
            if (a.y < clip_.top || a.y >= clip_.bottom || a.x == b.x) return;
            const LONG from = a.x < b.x ? a.x : b.x + 1, to = a.x < b.x ? b.x : a.x + 1;
            const LONG l = std::max(from, clip_.left), r = std::min(to, clip_.right);
            if (l < r) std::fill(Row(a.y) + l, Row(a.y) + r, pixel);
        } else {
            if (a.x < clip_.left || a.x >= clip_.right) return;
            const LONG from = a.y < b.y ? a.y : b.y + 1, to = a.y < b.y ? b.y : a.y + 1;
            for (LONG y = std::max(from, clip_.top), end = std::min(to, clip_.bottom); y < end; ++y) Row(y)[a.x] = pixel;
        }
    });
    return true;
}

void GridPixels::And(const RECT& r, const std::uint32_t* picture, int width, POINT from) const {
    RECT part;
    if (!IntersectRect(&part, &r, &clip_)) return;
    for (LONG y = part.top; y < part.bottom; ++y) {
        const std::uint32_t* src = picture + std::ptrdiff_t(from.y + y - r.top) * width + (from.x + part.left - r.left);
        std::uint32_t* dst = Row(y);
        for (LONG x = part.left; x < part.right; ++x) dst[x] &= *src++;
    }
}

} // namespace DrawingKernel
