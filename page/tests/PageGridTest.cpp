// The page grid: the band each sheet prints, and the preview's sheets and margin lines.
#include "page/PageGrid.h"

#include <gtest/gtest.h>

namespace {

Page::PageLayout Grid(int rows, int columns)
{
    Page::PageLayout l;
    l.width = 20000;
    l.height = 30000;
    l.rows = rows;
    l.columns = columns;
    l.margins = {1000, 1100, 1200, 1300};
    l.cutGlueMargins = {500, 600, 700, 800};
    return l;
}

TEST(PageGrid, TwoByThreeGivesSixBandsThatJoinWithoutGaps)
{
    const Page::PageLayout l = Grid(2, 3);
    const auto bands = Page::SheetBands(l);
    ASSERT_EQ(bands.size(), 6u);
    // Row by row: sheet i is row i / 3, column i % 3.
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bands[i].row, i / 3);
        EXPECT_EQ(bands[i].column, i % 3);
    }
    // The first column starts at the left margin and ends at the cut line.
    EXPECT_EQ(bands[0].across.drawingStart, 0);
    EXPECT_EQ(bands[0].across.sheetStart, 1000);
    EXPECT_EQ(bands[0].across.sheetEnd, 20000 - 700);
    // Inner columns start at the glue line; the last ends at the right margin.
    EXPECT_EQ(bands[1].across.sheetStart, 500);
    EXPECT_EQ(bands[1].across.drawingStart, 20000 - 1000 - 700);
    EXPECT_EQ(bands[2].across.drawingStart, (20000 - 1000 - 700) + (20000 - 500 - 700));
    EXPECT_EQ(bands[2].across.sheetEnd, 20000 - 1200);
    EXPECT_EQ(bands[3].down.drawingStart, 30000 - 1100 - 800);
    EXPECT_EQ(bands[3].down.sheetStart, 600);
    EXPECT_EQ(bands[3].down.sheetEnd, 30000 - 1300);
    // Each band continues the drawing exactly where the one before ended, and together they cover
    // the whole available area.
    for (int c = 1; c < 3; ++c)
        EXPECT_EQ(bands[c].across.drawingStart, bands[c - 1].across.drawingStart + bands[c - 1].across.Length());
    EXPECT_EQ(bands[2].across.drawingStart + bands[2].across.Length(), l.AvailableWidth());
    EXPECT_EQ(bands[5].down.drawingStart + bands[5].down.Length(), l.AvailableHeight());
}

TEST(PageGrid, LandscapeTurnsTheSheetAndUnusableLayoutsGiveNoSheets)
{
    Page::PageLayout l = Grid(1, 1);
    l.landscape = 1;
    const auto bands = Page::SheetBands(l);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0].across.sheetEnd, 30000 - 1200);
    for (auto broken : {Grid(0, 1), Grid(1, 0)}) EXPECT_TRUE(Page::SheetBands(broken).empty());
    l.scale = 0;
    EXPECT_TRUE(Page::SheetBands(l).empty());
}

TEST(PagePreview, SheetsFitTheClientAndAreCentred)
{
    const Page::PreviewGeometry one = Page::ComputePreview(Grid(1, 1), 200, 400);
    EXPECT_EQ(one.sheetWidth, 200);
    EXPECT_EQ(one.sheetHeight, 300);
    EXPECT_EQ(one.x0, 0);
    EXPECT_EQ(one.y0, 50);
    // Too tall for the client: the height decides and the sheets get narrower.
    const Page::PreviewGeometry six = Page::ComputePreview(Grid(2, 3), 400, 200);
    EXPECT_EQ(six.sheetHeight, (200 - 4) / 2);
    EXPECT_EQ(six.sheetWidth, 65);  // round(98 * 20000 / 30000)
    EXPECT_LE((six.sheetWidth + 4) * 3 - 4, 400);
    EXPECT_EQ(six.SheetLeft(2) - six.SheetLeft(1), six.sheetWidth + 4);
    EXPECT_EQ(six.x0, (400 - (65 + 4) * 3 + 4) / 2);
    // Landscape draws wider sheets at once.
    Page::PageLayout turned = Grid(1, 1);
    turned.landscape = 1;
    const Page::PreviewGeometry wide = Page::ComputePreview(turned, 200, 400);
    EXPECT_GT(wide.sheetWidth, wide.sheetHeight);
}

TEST(PagePreview, NoRoomOrUnusableLayoutDrawsNothing)
{
    for (auto [w, h] : {std::pair{0, 100}, {100, 0}, {6, 6}, {-5, 100}}) {
        const Page::PreviewGeometry g = Page::ComputePreview(Grid(2, 3), w, h);
        EXPECT_EQ(g.sheetWidth, 0);
        EXPECT_EQ(g.columns, 0);
        EXPECT_EQ(Page::ComputeMarginLines(Grid(2, 3), g, nullptr).right, 0);
    }
    Page::PageLayout zero = Grid(1, 1);
    zero.width = 0;
    EXPECT_EQ(Page::ComputePreview(zero, 200, 200).sheetWidth, 0);
}

TEST(PagePreview, MarginLinesTurnRedWhereTheDrawingCrossesThem)
{
    Page::PageLayout l = Grid(1, 2);
    const Page::PreviewGeometry g = Page::ComputePreview(l, 404, 300);
    const double width = l.AvailableWidth();
    Page::PaperRect drawing{0, 0, width + 100, -1000};
    Page::MarginLines m = Page::ComputeMarginLines(l, g, &drawing);
    EXPECT_TRUE(m.rightCrossed);
    EXPECT_FALSE(m.leftCrossed || m.topCrossed || m.bottomCrossed);
    EXPECT_EQ(m.left, g.x0 + int(1000 * g.pixelsAcross + 0.5));
    EXPECT_EQ(m.right, g.SheetLeft(1) + int((20000 - 1200) * g.pixelsAcross + 0.5));
    drawing.right = (width + 100) * 0.9;  // a smaller scale
    EXPECT_FALSE(Page::ComputeMarginLines(l, g, &drawing).rightCrossed);
    Page::PaperRect outside{-1, 5, 10, -l.AvailableHeight() - 1};
    m = Page::ComputeMarginLines(l, g, &outside);
    EXPECT_TRUE(m.leftCrossed && m.topCrossed && m.bottomCrossed);
    Page::PaperRect empty{0, 0, 0, 0};
    EXPECT_FALSE(Page::ComputeMarginLines(l, g, &empty).rightCrossed);
}

} // namespace
