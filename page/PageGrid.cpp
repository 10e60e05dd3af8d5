#include "page/PageGrid.h"

#include <algorithm>
#include <cmath>

namespace Page {

namespace {

// One axis: sheet length, count, outer margins before and after, glue before, cut after.
BandSpan Span(double sheet, int count, double marginBefore, double marginAfter, double glue, double cut, int index)
{
    BandSpan s;
    if (index == 0) {
        s.drawingStart = 0;
        s.sheetStart = marginBefore;
    } else {
        s.drawingStart = (sheet - marginBefore - cut) + (sheet - glue - cut) * (index - 1);
        s.sheetStart = glue;
    }
    s.sheetEnd = index == count - 1 ? sheet - marginAfter : sheet - cut;
    return s;
}

int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }

} // namespace

SheetBand BandOf(const PageLayout& l, int row, int column)
{
    SheetBand b;
    b.row = row;
    b.column = column;
    const MarginRect& m = l.margins;
    const MarginRect& cg = l.cutGlueMargins;
    b.across = Span(l.SheetWidth(), l.columns, m.left, m.right, cg.left, cg.right, column);
    b.down = Span(l.SheetHeight(), l.rows, m.top, m.bottom, cg.top, cg.bottom, row);
    return b;
}

std::vector<SheetBand> SheetBands(const PageLayout& l)
{
    std::vector<SheetBand> bands;
    if (!l.IsUsable()) return bands;
    for (int i = 0; i < l.rows * l.columns; ++i) bands.push_back(BandOf(l, i / l.columns, i % l.columns));
    return bands;
}

PreviewGeometry ComputePreview(const PageLayout& l, int clientWidth, int clientHeight)
{
    PreviewGeometry g;
    const double W = l.SheetWidth(), H = l.SheetHeight();
    const int nr = l.rows, nc = l.columns;
    if (!l.IsUsable() || clientWidth <= 0 || clientHeight <= 0) return g;
    const int gap = PreviewGeometry::kGap;
    int pw = (clientWidth - gap * nc + gap) / nc;
    int ph = Round(pw * H / W);
    if ((ph + gap) * nr - gap > clientHeight) {
        ph = (clientHeight - gap * nr + gap) / nr;
        const int narrower = Round(ph * W / H);
        if ((narrower + gap) * nc - gap <= clientWidth) pw = narrower;
    }
    if (pw <= 0 || ph <= 0) return g;
    g.sheetWidth = pw;
    g.sheetHeight = ph;
    g.rows = nr;
    g.columns = nc;
    g.x0 = (clientWidth - (pw + gap) * nc + gap) / 2;
    g.y0 = (clientHeight - (ph + gap) * nr + gap) / 2;
    g.pixelsAcross = pw / W;
    g.pixelsDown = ph / H;
    return g;
}

MarginLines ComputeMarginLines(const PageLayout& l, const PreviewGeometry& g, const PaperRect* drawing)
{
    MarginLines m;
    if (g.columns == 0) return m;
    m.left = g.x0 + Round(l.margins.left * g.pixelsAcross);
    m.top = g.y0 + Round(l.margins.top * g.pixelsDown);
    m.right = g.SheetLeft(g.columns - 1) + Round((l.SheetWidth() - l.margins.right) * g.pixelsAcross);
    m.bottom = g.SheetTop(g.rows - 1) + Round((l.SheetHeight() - l.margins.bottom) * g.pixelsDown);
    if (drawing != nullptr && drawing->left != drawing->right && drawing->top != drawing->bottom) {
        m.leftCrossed = drawing->left < 0;
        m.topCrossed = drawing->top > 0;
        m.rightCrossed = drawing->right > l.AvailableWidth();
        m.bottomCrossed = drawing->bottom < -l.AvailableHeight();
    }
    return m;
}

} // namespace Page
