// The pending change of the default task: one undo step per gesture with the selection before and
// after, discarding, and a fresh default task after an exception leaves a message binding.
#include "view/tests/TestBoxes.h"

#include "core/Selection.h"

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;

TEST(PendingChange, CommitMakesOneUndoStepThatRestoresTheSelectionBeforeAndAfter)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    auto b = w.AddBox({4000, 4000, 6000, 2000});
    View::DefaultTask& task = w.Task();
    a->SelectInView(*w.view, true);
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();

    task.TakeSelectionSnapshot();
    {
        Core::Env env = task.MakeEnv();
        b->SetRect(env, {4000, 5000, 7000, 2000}, false);
        w.view->ClearSelection(&task.GetSelectionTracker());
        b->SelectInView(*w.view, true, &task.GetSelectionTracker());
        a->SetRect(env, {0, 4000, 1000, 2000}, false);
    }
    EXPECT_TRUE(w.diagram.IsTransactionOpen());
    task.CommitPending(false);
    EXPECT_FALSE(w.diagram.IsTransactionOpen());
    EXPECT_TRUE(task.GetSelectionSnapshot().empty());
    ASSERT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount + 1);

    w.Undo();
    EXPECT_EQ(b->GetRect(), zq::Rect(4000, 4000, 6000, 2000));
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));
    EXPECT_EQ(w.Selection(), Elements{a.get()});
    w.Redo();
    EXPECT_EQ(b->GetRect(), zq::Rect(4000, 5000, 7000, 2000));
    EXPECT_EQ(w.Selection(), Elements{b.get()});
}

TEST(PendingChange, ASelectionOnlyGestureAddsNoUndoStepAndDiscardRollsBack)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    View::DefaultTask& task = w.Task();
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();
    task.TakeSelectionSnapshot();
    a->SelectInView(*w.view, true, &task.GetSelectionTracker());
    task.CommitPending(false);
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount);

    {
        Core::Env env = task.MakeEnv();
        a->SetRect(env, {0, 9000, 9000, 2000}, false);
    }
    task.DiscardPending();
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount);
    EXPECT_FALSE(w.diagram.IsTransactionOpen());
}

// A sub-task that changes the model on every mouse move and throws on the second.
class ThrowingTask : public View::ISubTask {
public:
    ThrowingTask(View::ViewContext& c, View::ITask& parent, Box& box)
        : ISubTask(c, parent, "ThrowingTask"), box_(box), plugs_(*c.dispatcher, c.exceptionHandler) {
        plugs_.Add(WM_MOUSEMOVE, this, &ThrowingTask::OnMove);
    }
    bool IsBusy() const override { return false; }
    void Refresh() override {}

private:
    void OnMove(WinMessage::MouseMsg&) {
        Core::Env env = MakeEnv();
        box_.SetRect(env, {0, 8000, 8000, 0}, false);
        if (++moves_ == 2) throw std::runtime_error("broken gesture");
    }
    Box& box_;
    WinMessage::WinMsgPlugMap plugs_;
    int moves_ = 0;
};

TEST(PendingChange, AnExceptionFromABindingReplacesTheDefaultTaskAndDropsThePendingChange)
{
    ReportSink sink;
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();
    View::DefaultTask& first = w.Task();
    first.StartSubTask(std::make_shared<ThrowingTask>(w.view->GetContext(), first, *a));
    w.Mouse(WM_MOUSEMOVE, {10, 10}, MK_LBUTTON);
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 8000, 8000, 0));  // pending
    EXPECT_EQ(w.view->GetTaskGeneration(), 1);
    w.Mouse(WM_MOUSEMOVE, {12, 12}, MK_LBUTTON);

    EXPECT_EQ(w.view->GetTaskGeneration(), 2);
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_FALSE(w.diagram.IsTransactionOpen());
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount);
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_NE(sink.reports[0].find(L"broken gesture"), std::wstring::npos);

    // The fresh default task works: a click selects.
    FakeDrag noDrag(false);
    w.Mouse(WM_LBUTTONDOWN, w.At({1000, 3000}));
    EXPECT_EQ(w.Selection(), Elements{a.get()});
}

TEST(PendingChange, TheNamedFlagFollowsTheSelection)
{
    ViewWindow w;
    auto box = w.AddBox({0, 4000, 2000, 2000});
    auto named = w.AddNamedBox({4000, 4000, 6000, 2000});
    box->SelectInView(*w.view, true);
    EXPECT_FALSE(w.Task().SelectionHasNamedElement());
    named->SelectInView(*w.view, true);
    EXPECT_TRUE(w.Task().SelectionHasNamedElement());
    w.view->ClearSelection(nullptr);
    EXPECT_FALSE(w.Task().SelectionHasNamedElement());
}

} // namespace
} // namespace ViewTest
