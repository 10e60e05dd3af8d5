#include "page/PageGrid.h"

#include "core/foundation/Geometry.h"

#include <algorithm>
#include <cmath>

namespace Page {

using zq::Round;

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
