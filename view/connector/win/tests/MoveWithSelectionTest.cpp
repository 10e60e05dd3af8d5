// Free connector ends carried along when a selection is dragged and dropped: each follows the drag
// through its shift control. A move leaves it free wherever it lands; the end of a copy the drag
// made attaches to the terminal it is dropped on, in the drop's undo step.
#include "view/connector/win/tests/ConnectorWindow.h"
#include "view/connector/win/EditTasks.h"
#include "view/tests/TestTransfer.h"

namespace ConnectorViewTest {
namespace {

class FreeEndsInAMove : public ConnectorWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ConnectorWindowTest::SetUp();
        registration = View::RegisterDropTarget(*w.view);
    }
    void TearDown() override {
        registration.reset();
        View::DefaultMoveTask::SetDragLoop({});
        OleUninitialize();
    }
    // Drags box a by the pointer from one point to the other through the view's drop target, with
    // Ctrl held (a copy) when keys has MK_CONTROL.
    void DragA(const zq::Point& from, const zq::Point& to, std::function<void()> during = {}, DWORD keys = 0) {
        ViewTest::FakeDrag detect(true);
        ViewTest::ScriptedDrag drag;
        IDropTarget* t = registration->Get();
        drag.steps = {{t, ViewTest::ScreenAt(w, from), MK_LBUTTON | keys, ViewTest::DragStep::Enter},
                      {t, ViewTest::ScreenAt(w, to), MK_LBUTTON | keys, ViewTest::DragStep::Over, std::move(during)},
                      {t, ViewTest::ScreenAt(w, to), keys, ViewTest::DragStep::Drop}};
        w.Mouse(WM_LBUTTONDOWN, w.At(from), MK_LBUTTON);
        w.Mouse(WM_MOUSEMOVE, w.At(from), MK_LBUTTON);
        w.Pump();
    }
    // A line from box a to a free end, made as one undo step.
    Line* AddFreeLine(const std::vector<zq::float8Point>& points) {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        std::vector<Connector::PathEntry> path;
        for (const auto& p : points) path.push_back({p, true});
        auto* line = dynamic_cast<Line*>(
            Connector::BuildPathConnector(env, Line::PartFactory(), path, a.get(), nullptr, nullptr));
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        diagram.UpdateAllViews();
        w.Pump();
        return line;
    }
    // The end without a terminal.
    static Connector::IEnd* FreeEnd(Line& line) {
        for (Connector::IEnd* e : line.GetEnds())
            if (e->GetTerminal() == nullptr) return e;
        return nullptr;
    }
    std::unique_ptr<View::DropTargetRegistration> registration;
};

TEST_F(FreeEndsInAMove, AMovedFreeEndDroppedOnABoxStaysFreeInTheDropsUndoStep)
{
    Line* line = AddFreeLine({{4000, 3000}, {5000, 3000}});
    // Built without a target: the second end is free.
    Connector::IEnd* free = FreeEnd(*line);
    ASSERT_NE(free, nullptr);
    const size_t undo = UndoCount();
    size_t controls = 0;
    Core::IModelElement* candidate = nullptr;

    DragA({2000, 3000}, {3500, 3000}, [&] {
        const auto& all = registration->GetPendingDrop()->GetShiftControls();
        controls = all.size();
        if (auto* c = all.empty() ? nullptr : dynamic_cast<Connector::EndShiftControl*>(all.begin()->second.get()))
            candidate = c->GetCandidate();
    });

    EXPECT_EQ(controls, 1u) << "the free end follows through its shift control";
    EXPECT_EQ(candidate, nullptr) << "no terminal is offered to it while the button is held";
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);
    EXPECT_EQ(free->GetTerminal(), nullptr) << "a move attaches no end";
    EXPECT_EQ(free->GetPosition(), zq::float8Point(6500, 3000)) << "carried by the move, over box b";
    EXPECT_EQ(Count(Saved(), "Party"), 1u);

    w.Undo();
    EXPECT_EQ(free->GetPosition(), zq::float8Point(5000, 3000));
    EXPECT_EQ(a->GetPos(), zq::Point(1000, 4000));
}

TEST_F(FreeEndsInAMove, TheFreeEndOfACopyDroppedOnABoxAttachesToItInTheDropsUndoStep)
{
    Line* line = AddFreeLine({{4000, 3000}, {5000, 3000}});
    ASSERT_NE(FreeEnd(*line), nullptr);
    const size_t undo = UndoCount();

    DragA({2000, 3000}, {3500, 3000}, {}, MK_CONTROL);

    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);
    EXPECT_NE(FreeEnd(*line), nullptr) << "the original keeps its free end";
    const std::string saved = Saved();
    EXPECT_EQ(Count(saved, "Party"), 3u) << "the copy's line ends on the copy of a and on box b:\n" << saved;

    w.Undo();
    EXPECT_EQ(Count(Saved(), "Party"), 1u);
}

TEST_F(FreeEndsInAMove, AFreeEndDroppedOnTheBackgroundStaysFreeWhereTheMoveTookIt)
{
    Line* line = AddFreeLine({{4000, 3000}, {5000, 3000}});
    Connector::IEnd* free = FreeEnd(*line);
    ASSERT_NE(free, nullptr);
    const zq::float8Point before = free->GetPosition();

    DragA({2000, 3000}, {2000, 6000});

    EXPECT_EQ(free->GetTerminal(), nullptr);
    EXPECT_EQ(free->GetPosition().x, before.x);
    EXPECT_GT(free->GetPosition().y, before.y);
    EXPECT_EQ(Count(Saved(), "Party"), 1u) << "only the end on box a is attached";
}

} // namespace
} // namespace ConnectorViewTest
