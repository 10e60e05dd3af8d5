// The page frame hands the page's layout to the canvas of its view and takes it back when the page
// leaves the view.
#include "page/win/VPage.h"

#include "drawing/DrawingKernel.h"
#include "page/tests/PageTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A view that shows pages through their frame on one canvas.
class FrameView : public Core::IView {
public:
    explicit FrameView(ICanvas::Canvas& canvas) : canvas_(canvas) {}
    ~FrameView() override { SetBeingDestroyed(); }
    std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& e) override {
        auto* page = dynamic_cast<Page::Page*>(&e);
        if (page == nullptr) return nullptr;
        auto frame = std::make_shared<Page::VPage>(*this, *page, canvas_);
        frame->Update(nullptr);
        return frame;
    }
    void UpdateView() override {}

private:
    ICanvas::Canvas& canvas_;
};

struct PageFrame : ::testing::Test, PageTest::Document {
    std::unique_ptr<ICanvas::IMetafileCanvas> canvas =
        DrawingKernel::CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"frame test");
    Page::Page* AddPage() {
        Page::Page* page = nullptr;
        Change([&](Core::Env& env) {
            page = Page::CreateDefaultPage(env).get();
            page->SetRows(env, 2);
            page->SetColumns(env, 3);
            page->SetLandscape(env, true);
            page->SetScale(env, 0.5);
        });
        return page;
    }
};

TEST_F(PageFrame, CanvasTakesThePageLayoutAndGetsTheDefaultBackWhenThePageGoes)
{
    FrameView view(*canvas);
    diagram.AttachView(view);
    Page::Page* page = AddPage();
    page->UpdateViewElements();
    const Page::PageLayout shown = canvas->GetPageLayout();
    EXPECT_EQ(shown.rows, 2);
    EXPECT_EQ(shown.columns, 3);
    EXPECT_EQ(shown.landscape, 1);
    EXPECT_EQ(shown.scale, 0.5);
    EXPECT_EQ(shown, page->GetLayout());

    Change([&](Core::Env& env) { page->SetMargins(env, zq::Rect(10, 20, 30, 40)); });
    page->UpdateViewElements();
    EXPECT_EQ(canvas->GetPageLayout().margins, (Page::MarginRect{10, 20, 30, 40}));

    // Undoing the page's creation takes the page out of the view: the canvas shows the default page.
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(Page::FindPage(diagram), nullptr);
    EXPECT_EQ(canvas->GetPageLayout(), Page::PageLayout());
    diagram.DetachView(view);
}

TEST_F(PageFrame, EveryWrittenValueReachesTheCanvasAtOnceAndThroughUndoAndRedo)
{
    FrameView view(*canvas);
    diagram.AttachView(view);
    Page::Page* page = AddPage();
    const Page::PageLayout before = canvas->GetPageLayout();
    ASSERT_EQ(before, page->GetLayout());
    // As the page setup writes back: several values in one change, the grid and the scale last.
    Change([&](Core::Env& env) {
        page->SetMargins(env, zq::Rect(500, 600, 700, 800));
        page->SetRows(env, 3);
        page->SetColumns(env, 2);
        page->SetScale(env, 2.0);
    });
    const Page::PageLayout after = page->GetLayout();
    EXPECT_EQ(after.rows, 3);
    EXPECT_EQ(after.scale, 2.0);
    EXPECT_EQ(canvas->GetPageLayout(), after) << "the frame must show the last value written too";

    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(canvas->GetPageLayout(), before);
    diagram.GetUndoHandler().Redo(nullptr, nullptr);
    EXPECT_EQ(canvas->GetPageLayout(), after);
    diagram.DetachView(view);
}

TEST_F(PageFrame, AViewBeingDestroyedLeavesTheCanvasAlone)
{
    Page::Page* page = AddPage();
    {
        FrameView view(*canvas);
        diagram.AttachView(view);
        EXPECT_EQ(canvas->GetPageLayout(), page->GetLayout());
    }
    EXPECT_EQ(canvas->GetPageLayout(), page->GetLayout());
}

} // namespace
