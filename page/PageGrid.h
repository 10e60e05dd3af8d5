// The geometry of the page grid: which band of the drawing each sheet prints, and where the page
// setup preview places sheets and lines. All of it is safe for any record: nothing divides by zero.
#pragma once

#include "drawing/PageLayout.h"

#include <vector>

namespace Page {

// The bands of every sheet in print order, row by row; none when the layout is unusable.
std::vector<SheetBand> SheetBands(const PageLayout& layout);

// The drawing's rectangle on paper in 0.01 mm, y up, already enlarged by the scale.
struct PaperRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// Where the page setup preview draws the grid inside a client area of pixels.
struct PreviewGeometry {
    int sheetWidth = 0;          // pixels of one sheet
    int sheetHeight = 0;
    int x0 = 0;                  // the first sheet's top-left corner
    int y0 = 0;
    double pixelsAcross = 0;     // pixels per 0.01 mm
    double pixelsDown = 0;
    int rows = 0;
    int columns = 0;

    // The left pixel of a column and the top pixel of a row.
    int SheetLeft(int column) const { return x0 + (sheetWidth + kGap) * column; }
    int SheetTop(int row) const { return y0 + (sheetHeight + kGap) * row; }
    static constexpr int kGap = 4;
};

// The preview's grid in a client area; all zero when the layout or the area leaves no room.
PreviewGeometry ComputePreview(const PageLayout& layout, int clientWidth, int clientHeight);

// The preview's margin lines and whether the drawing crosses each (drawn red then).
struct MarginLines {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool leftCrossed = false, topCrossed = false, rightCrossed = false, bottomCrossed = false;
};
// The margin lines for a drawing (none: an empty drawing crosses nothing).
MarginLines ComputeMarginLines(const PageLayout& layout, const PreviewGeometry& g, const PaperRect* drawing);

} // namespace Page
