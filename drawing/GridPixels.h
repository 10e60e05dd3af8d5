#pragma once
// One-pixel lines along the pixel grid written straight into the pixels of a 32-bit DIB section.
#include "app/winutil/Platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace DrawingKernel {

// A colour as GDI writes it into a 32-bit DIB section: 0x00RRGGBB.
inline std::uint32_t PixelOf(COLORREF c) {
    return (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

// The pixels of the 32-bit DIB section selected into a context, where one-pixel lines along the
// grid are written without GDI: GDI under Wine transforms every point in floating point, and the
// dashes of a dashed outline are hundreds of points. Made only where GDI would draw the very same
// pixels: logical units are device pixels, the clip is one rectangle, the mix copies the pen.
class GridPixels {
public:
    // The pixels of the top-down DIB section selected into the context, whose top row is topRow;
    // nothing when the context does not qualify (its clip is taken now).
    static std::optional<GridPixels> Of(HDC dc, std::uint32_t* topRow);
    // Draws the polylines (counts[i] points each) as a one-pixel pen of the colour: every segment
    // without its last point, as GDI draws them. False, drawing nothing, when a segment is not along
    // the grid.
    bool Polylines(const POINT* pts, const DWORD* counts, std::size_t polylines, COLORREF colour) const;
    // Combines the rectangle at (x, y) with a picture's pixels (rows of width pixels, top first) by
    // AND, as BitBlt with SRCAND does; from is the picture's pixel at the rectangle's top left.
    void And(const RECT& r, const std::uint32_t* picture, int width, POINT from) const;
private:
    GridPixels(std::uint8_t* row0, std::ptrdiff_t stride, const RECT& clip) : row0_(row0), stride_(stride), clip_(clip) {}
    std::uint32_t* Row(LONG y) const { return reinterpret_cast<std::uint32_t*>(row0_ + stride_ * y); }
    std::uint8_t* row0_;     // the top row
    std::ptrdiff_t stride_;  // bytes from a row to the one below it
    RECT clip_;              // device pixels that may be written
};

} // namespace DrawingKernel
