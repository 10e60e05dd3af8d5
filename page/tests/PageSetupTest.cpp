// The page setup's working copy: reading the page, orientation, paper matching, range checks and
// the one-step write back.
#include "page/PageSetup.h"
#include "page/PageGrid.h"
#include "page/tests/PageTestSupport.h"

#include <gtest/gtest.h>

using PageTest::Document;

namespace {

const std::vector<Page::Paper> kPapers{{L"Letter", 1, 2159, 2794}, {L"A4", 9, 2100, 2970}, {L"A3", 8, 2970, 4200}};

struct Counter : Page::IPropertyObserver {
    int count = 0;
    void OnPropertyChanged(const Page::IProperty&) override { ++count; }
};

TEST(PageSetup, LandscapeShowsSidesSwappedWhileThePageKeepsPortraitValues)
{
    Document doc;
    doc.Change([](Core::Env& env) {
        Page::Page& p = Page::FindOrCreatePage(env);
        p.SetSize(env, 9);
        p.SetWidth(env, 21000);
        p.SetHeight(env, 29700);
    });
    Page::PageSetup setup(doc.diagram);
    setup.landscape.Set(true);
    EXPECT_EQ(setup.ShownWidth(), 29700);
    EXPECT_EQ(setup.ShownHeight(), 21000);
    setup.SetShownWidth(30000);
    EXPECT_EQ(setup.height.Get(), 30000);
    setup.WriteBack();
    const Page::Page& page = *Page::FindPage(doc.diagram);
    EXPECT_TRUE(page.IsLandscape());
    EXPECT_EQ(page.GetWidth(), 21000);
    EXPECT_EQ(page.GetHeight(), 30000);
}

TEST(PageSetup, PaperMatchesWithinFiveMillimetresAndOfItsCodeOnly)
{
    EXPECT_EQ(Page::MatchingPaper(kPapers, 9, 21000, 29600), 1);
    EXPECT_EQ(Page::MatchingPaper(kPapers, 9, 20000, 28000), -1);
    EXPECT_EQ(Page::MatchingPaper(kPapers, 1, 21000, 29700), -1);
    EXPECT_EQ(Page::MatchingPaper(kPapers, 9, 21490, 29700), 1);   // 4.9 mm wider
    EXPECT_EQ(Page::MatchingPaper(kPapers, 9, 21500, 29700), -1);  // 5 mm wider
    EXPECT_EQ(Page::MatchingPaper({}, 9, 21000, 29700), -1);
}

TEST(PageSetup, CancelAndOkWithoutChangeRecordNothingAndOkRecordsOneStep)
{
    Document doc;
    {
        Page::PageSetup setup(doc.diagram);  // makes the missing page inside its transaction
        setup.rows.Set(1);                   // equal: no change
        EXPECT_FALSE(setup.IsChanged());
        setup.WriteBack();
    }
    EXPECT_EQ(Page::FindPage(doc.diagram), nullptr);
    EXPECT_EQ(doc.diagram.GetUndoHandler().GetUndoCount(), 0u);
    {
        Page::PageSetup setup(doc.diagram);
        Counter counter;
        setup.AddObserver(counter);
        setup.rows.Set(2);
        setup.columns.Set(2);
        setup.scale.Set(50);
        setup.leftMargin.Set(1234.5);
        EXPECT_EQ(counter.count, 4);
        setup.WriteBack();
    }
    const Page::Page* page = Page::FindPage(doc.diagram);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetRows(), 2);
    EXPECT_EQ(page->GetColumns(), 2);
    EXPECT_DOUBLE_EQ(page->GetScale(), 0.5);
    EXPECT_EQ(page->GetMargins().left, 1235);
    EXPECT_EQ(doc.diagram.GetUndoHandler().GetUndoCount(), 1u);
    doc.diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(Page::FindPage(doc.diagram), nullptr);
}

TEST(PageSetup, ValuesOutsideTheFieldRangesAreRefused)
{
    Document doc;
    Page::PageSetup setup(doc.diagram);
    EXPECT_TRUE(setup.IsInRange());
    setup.rows.Set(21);
    EXPECT_FALSE(setup.IsInRange());
    setup.rows.Set(20);
    setup.scale.Set(1000.5);
    EXPECT_FALSE(setup.IsInRange());
    setup.scale.Set(1);
    setup.width.Set(999);
    EXPECT_FALSE(setup.IsInRange());
    setup.width.Set(1000);
    setup.glueTop.Set(-1);
    EXPECT_FALSE(setup.IsInRange());
    setup.glueTop.Set(0);
    EXPECT_TRUE(setup.IsInRange());
}

TEST(PageSetup, PreviewOfTwoByThreeSheetsFitsTheAreaAndTurnsWithTheSheet)
{
    Document doc;
    Page::PageSetup setup(doc.diagram);
    setup.rows.Set(2);
    setup.columns.Set(3);
    const Page::PreviewGeometry g = Page::ComputePreview(setup.GetLayout(), 300, 200);
    EXPECT_EQ(g.rows, 2);
    EXPECT_EQ(g.columns, 3);
    EXPECT_LE(g.SheetLeft(2) + g.sheetWidth, 300);
    EXPECT_LE(g.SheetTop(1) + g.sheetHeight, 200);
    EXPECT_GT(g.sheetHeight, g.sheetWidth);
    setup.landscape.Set(true);
    const Page::PreviewGeometry turned = Page::ComputePreview(setup.GetLayout(), 300, 200);
    EXPECT_GT(turned.sheetWidth, turned.sheetHeight);
}

} // namespace
