// The page record a canvas receives from the page frame: paper, grid, margins and drawing scale.
#pragma once

#include <cstdint>

namespace Page {

// Four doubles in 0.01 mm: left, top, right, bottom (for the cut and glue margins: glue left,
// glue top, cut right, cut bottom).
struct MarginRect {
    double left = 1016;
    double top = 1016;
    double right = 1016;
    double bottom = 1016;
    friend bool operator==(const MarginRect&, const MarginRect&) = default;
};

// The layout of a diagram on paper, copied into a canvas by the page frame.
struct PageLayout {
    double width = 21590;      // paper width in portrait, 0.01 mm
    double height = 27940;     // paper height in portrait, 0.01 mm
    int32_t landscape = 0;     // non-zero: the sheet is turned
    double scale = 1.0;        // drawing scale, 1.0 = 100 %
    int32_t rows = 1;          // sheets stacked vertically
    int32_t columns = 1;       // sheets side by side
    MarginRect margins;        // margins of every sheet
    MarginRect cutGlueMargins; // glue left, glue top, cut right, cut bottom

    // Sheet width as printed: height when landscape.
    double SheetWidth() const { return landscape ? height : width; }
    // Sheet height as printed: width when landscape.
    double SheetHeight() const { return landscape ? width : height; }
    // True when the grid can be laid out: rows, columns, sheet and scale all positive.
    bool IsUsable() const;
    // Width of the drawing area across all columns, 0.01 mm on paper.
    double AvailableWidth() const;
    // Height of the drawing area down all rows, 0.01 mm on paper.
    double AvailableHeight() const;
    friend bool operator==(const PageLayout&, const PageLayout&) = default;
};

inline bool PageLayout::IsUsable() const {
    return rows > 0 && columns > 0 && width > 0 && height > 0 && scale > 0;
}

inline double PageLayout::AvailableWidth() const {
    return columns * SheetWidth() - margins.left - margins.right
         - (cutGlueMargins.left + cutGlueMargins.right) * (columns - 1);
}

inline double PageLayout::AvailableHeight() const {
    return rows * SheetHeight() - margins.top - margins.bottom
         - (cutGlueMargins.top + cutGlueMargins.bottom) * (rows - 1);
}

// One axis of a sheet's band: where it starts in the drawing (0.01 mm on paper from the inner
// corner of the first sheet's margins) and where it lies on the sheet (from the sheet's edge).
struct BandSpan {
    double drawingStart = 0;
    double sheetStart = 0;
    double sheetEnd = 0;
    double Length() const { return sheetEnd - sheetStart; }
};

// The part of the drawing one sheet prints.
struct SheetBand {
    int row = 0;
    int column = 0;
    BandSpan across;
    BandSpan down;
};

// One axis of the band of sheet `index` of `count`: sheet length, outer margins before and after,
// glue before and cut after.
inline BandSpan SpanOf(double sheet, int count, double marginBefore, double marginAfter, double glue, double cut,
                       int index)
{
    BandSpan s;
    if (index == 0) {
        s.sheetStart = marginBefore;
    } else {
        s.drawingStart = (sheet - marginBefore - cut) + (sheet - glue - cut) * (index - 1);
        s.sheetStart = glue;
    }
    s.sheetEnd = index == count - 1 ? sheet - marginAfter : sheet - cut;
    return s;
}

// The band of the sheet in row and column (both from 0).
inline SheetBand BandOf(const PageLayout& l, int row, int column)
{
    SheetBand b;
    b.row = row;
    b.column = column;
    b.across = SpanOf(l.SheetWidth(), l.columns, l.margins.left, l.margins.right, l.cutGlueMargins.left,
                      l.cutGlueMargins.right, column);
    b.down = SpanOf(l.SheetHeight(), l.rows, l.margins.top, l.margins.bottom, l.cutGlueMargins.top,
                    l.cutGlueMargins.bottom, row);
    return b;
}

} // namespace Page
