// Command handlers of a view: the creation command's enable rule and its one undo step, and work
// run as one step outside the tasks.
#include "view/tests/TestBoxes.h"

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;
constexpr UINT kCreate = TestDock::kCreateCommand;

TEST(CreateCommand, IsDisabledWhileASubTaskRunsAndInAnInactiveView)
{
    ViewWindow w;
    EXPECT_TRUE(w.router.IsEnabled(kCreate));
    {
        FakeDrag drag(true);
        w.Mouse(WM_LBUTTONDOWN, {400, 500});  // empty space: a lasso starts
    }
    ASSERT_TRUE(w.Task().IsBusy());
    EXPECT_FALSE(w.router.IsEnabled(kCreate));
    w.Mouse(WM_LBUTTONUP, {400, 500});
    EXPECT_TRUE(w.router.IsEnabled(kCreate));
    w.view->SetActive(false);
    EXPECT_FALSE(w.router.IsEnabled(kCreate));
}

TEST(CreateCommand, CreatesAtTheSnappedPointSelectedAloneAsOneUndoStep)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    a->SelectInView(*w.view, true);
    const size_t elements = w.diagram.GetElementCount();
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();
    w.Task().SetLastMousePoint({1234, 2151});
    ASSERT_TRUE(w.router.Execute({kCreate, 0, nullptr}));

    ASSERT_EQ(w.diagram.GetElementCount(), elements + 1);
    auto* created = dynamic_cast<Box*>(w.diagram.Elements().back().get());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetPos(), zq::Point(1200, 2200));
    EXPECT_EQ(w.Selection(), Elements{created});
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount + 1);
    w.Undo();
    EXPECT_TRUE(created->IsDeleted());
    EXPECT_EQ(w.Selection(), Elements{a.get()});
}

class ResizeFrame : public View::TransactionFrame {
public:
    ResizeFrame(Box& box, Core::IView& view, bool fail) : box_(box), view_(view), fail_(fail) {}
    void Run(Core::Env& env) override {
        box_.SetRect(env, {0, 9000, 9000, 0}, false);
        box_.SelectInView(view_, true, env.GetTracker());
        if (fail_) throw std::runtime_error("frame failed");
    }

private:
    Box& box_;
    Core::IView& view_;
    bool fail_;
};

TEST(TransactionFrame, RunsAsOneStepAndLeavesNothingWhenItThrows)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();
    View::TransactionFrameContext context{&View::DefaultGrid::Instance(), w.view.get(), &w.diagram};
    ResizeFrame failing(*a, *w.view, true);
    EXPECT_THROW(View::RunTransactionFrame(failing, context), std::runtime_error);
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount);
    EXPECT_FALSE(w.diagram.IsTransactionOpen());

    w.view->ClearSelection(nullptr);
    ResizeFrame working(*a, *w.view, false);
    View::RunTransactionFrame(working, context);
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 9000, 9000, 0));
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount + 1);
    w.Undo();
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));
    EXPECT_TRUE(w.Selection().empty());
}

} // namespace
} // namespace ViewTest
