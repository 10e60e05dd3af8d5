// Moving a selection by drag and drop: the move task as drag source, the view's drop target with
// its same-diagram and standard tasks, driven by a scripted drag loop over real windows.
#include "view/tests/TestTransfer.h"

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;

class MoveDrop : public OleTest {};

zq::Point Shifted(const zq::Point& pos, const zq::Point& from, const zq::Point& to)
{
    return {pos.x + to.x - from.x, pos.y + to.y - from.y};
}

// Presses on the point and moves with the button held, which runs the drag loop.
void DragFrom(ViewWindow& w, const zq::Point& p, int button = 1)
{
    const WPARAM key = button == 1 ? MK_LBUTTON : MK_RBUTTON;
    w.Mouse(button == 1 ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, w.At(p), key);
    ASSERT_TRUE(w.Task().IsBusy());
    w.Mouse(WM_MOUSEMOVE, w.At(p), key);
}

// Sets or clears the button in this thread's key state, as the drag loop leaves it.
void HoldButton(int vk, bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[vk] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

const zq::Rect kBoxA{0, 4000, 2000, 2000};
const zq::Point kFrom{1000, 3000}, kTo{5000, 1000};

TEST_F(MoveDrop, ADragWithinTheViewMovesTheSelectionAsOneUndoStepAndTheSourceDeletesNothing)
{
    FakeDrag detect(true);
    ViewWindow w;
    auto reg = View::RegisterDropTarget(*w.view);
    auto a = w.AddBox(kBoxA);
    const size_t undo = w.diagram.GetUndoHandler().GetUndoCount(), count = w.diagram.GetElementCount();
    ScriptedDrag drag;
    IDropTarget* t = reg->Get();
    drag.steps = {{t, ScreenAt(w, kFrom), MK_LBUTTON, DragStep::Enter,
                   [&] { EXPECT_EQ(reg->GetTaskName(), "SameDiagramDropTargetTask"); }},
                  {t, ScreenAt(w, kTo), MK_LBUTTON, DragStep::Over},
                  {t, ScreenAt(w, kTo), MK_LBUTTON, DragStep::Over},
                  {t, ScreenAt(w, kTo), 0, DragStep::Drop}};
    DragFrom(w, kFrom);

    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(drag.allowed, DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE));
    EXPECT_EQ(drag.answers, (std::vector<DWORD>{DROPEFFECT_MOVE, DROPEFFECT_MOVE, DROPEFFECT_MOVE, DROPEFFECT_COPY}));
    EXPECT_EQ(reg->GetDragOverCalls(), 1) << "the repeated DragOver is answered from the cache";
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_EQ(a->GetPos(), Shifted(kBoxA.TopLeft(), Snapped(w, kFrom), Snapped(w, kTo)));
    EXPECT_EQ(w.diagram.GetElementCount(), count);
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undo + 1);
    EXPECT_EQ(w.Selection(), Elements{a.get()});
    EXPECT_FALSE(w.diagram.IsTransactionOpen());

    w.Undo();
    EXPECT_EQ(a->GetPos(), kBoxA.TopLeft());
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undo);
}

TEST_F(MoveDrop, ControlSwitchesBetweenMovingAndCopyingWithoutATraceOfTheOtherMode)
{
    FakeDrag detect(true);
    ViewWindow w;
    auto reg = View::RegisterDropTarget(*w.view);
    auto a = w.AddBox(kBoxA);
    const size_t undo = w.diagram.GetUndoHandler().GetUndoCount(), count = w.diagram.GetElementCount();
    const zq::Point moved = Shifted(kBoxA.TopLeft(), Snapped(w, kFrom), Snapped(w, kTo));
    IDropTarget* t = reg->Get();
    ScriptedDrag drag;
    drag.steps = {{t, ScreenAt(w, kFrom), MK_LBUTTON, DragStep::Enter},
                  {t, ScreenAt(w, kTo), MK_LBUTTON | MK_CONTROL, DragStep::Over,
                   [&] {
                       EXPECT_EQ(w.diagram.GetElementCount(), count + 1);
                       EXPECT_EQ(a->GetPos(), kBoxA.TopLeft());
                   }},
                  {t, ScreenAt(w, kTo), MK_LBUTTON, DragStep::Over,
                   [&] {
                       EXPECT_EQ(w.diagram.GetElementCount(), count);
                       EXPECT_EQ(a->GetPos(), moved);
                   }},
                  {t, ScreenAt(w, kTo), MK_CONTROL, DragStep::Drop}};
    DragFrom(w, kFrom);

    EXPECT_EQ(drag.answers, (std::vector<DWORD>{DROPEFFECT_MOVE, DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_COPY}));
    EXPECT_EQ(a->GetPos(), kBoxA.TopLeft());
    ASSERT_EQ(w.diagram.GetElementCount(), count + 1);
    const Elements selection = w.Selection();
    ASSERT_EQ(selection.size(), 1u);
    EXPECT_NE(selection[0], a.get());
    EXPECT_EQ(dynamic_cast<Box*>(selection[0])->GetPos(), moved);
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undo + 1);
    w.Undo();
    EXPECT_EQ(w.diagram.GetElementCount(), count);
    EXPECT_EQ(a->GetPos(), kBoxA.TopLeft());
}

TEST_F(MoveDrop, AMoveIntoAnotherDocumentDeletesTheOriginalsInOneUndoStepAndACopyLeavesThem)
{
    FakeDrag detect(true);
    InProcessFormats formats;
    ViewWindow w1;
    ViewWindow w2(nullptr, nullptr, &formats, ViewWindow::kW + 20);
    auto reg = View::RegisterDropTarget(*w2.view);
    auto own = View::RegisterDropTarget(*w1.view);
    auto a = w1.AddBox(kBoxA);
    const size_t undo1 = w1.diagram.GetUndoHandler().GetUndoCount(), undo2 = w2.diagram.GetUndoHandler().GetUndoCount();
    const size_t count2 = w2.diagram.GetElementCount();
    IDropTarget* t = reg->Get();
    IDropTarget* t1 = own->Get();
    for (bool copy : {true, false}) {
        SCOPED_TRACE(copy ? "copy" : "move");
        ScriptedDrag drag;
        const DWORD ctrl = copy ? MK_CONTROL : 0;
        // First across its own window, which moves the box along and puts it back when left: the
        // other document gets the box as it was.
        drag.steps = {{t1, ScreenAt(w1, kFrom), MK_LBUTTON, DragStep::Enter},
                      {t1, ScreenAt(w1, kTo), MK_LBUTTON, DragStep::Over,
                       [&] { EXPECT_NE(a->GetPos(), kBoxA.TopLeft()) << "the box moves along in its window"; }},
                      {t1, ScreenAt(w1, kTo), MK_LBUTTON, DragStep::Leave},
                      {t, ScreenAt(w2, kFrom), MK_LBUTTON | ctrl, DragStep::Enter,
                       [&] { EXPECT_EQ(reg->GetTaskName(), "StdDropTargetTask"); }},
                      {t, ScreenAt(w2, kTo), ctrl, DragStep::Drop}};
        DragFrom(w1, kFrom);
        EXPECT_FALSE(w1.Task().IsBusy());
        EXPECT_EQ(drag.answers.back(), DWORD(copy ? DROPEFFECT_COPY : DROPEFFECT_MOVE));
        EXPECT_EQ(a->IsDeleted(), !copy);
        EXPECT_EQ(w1.diagram.GetUndoHandler().GetUndoCount(), undo1 + (copy ? 0 : 1));
        // The grabbed point lies under the pointer in the other window.
        const Elements pasted = w2.Selection();
        ASSERT_EQ(pasted.size(), 1u);
        EXPECT_EQ(dynamic_cast<Box*>(pasted[0])->GetPos(), Shifted(kBoxA.TopLeft(), Snapped(w1, kFrom), Snapped(w2, kTo)));
    }
    EXPECT_EQ(w2.diagram.GetElementCount(), count2 + 2);
    EXPECT_EQ(w2.diagram.GetUndoHandler().GetUndoCount(), undo2 + 2);
    w1.Undo();
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_EQ(a->GetPos(), kBoxA.TopLeft());
}

TEST_F(MoveDrop, LeavingTheOtherWindowRemovesThePastedElementsAndAFailingDropTaskLeavesNothing)
{
    FakeDrag detect(true);
    ReportSink reports;
    InProcessFormats formats;
    ViewWindow w1;
    ViewWindow w2(nullptr, nullptr, &formats, ViewWindow::kW + 20);
    auto reg = View::RegisterDropTarget(*w2.view);
    auto a = w1.AddBox(kBoxA);
    const size_t count2 = w2.diagram.GetElementCount(), undo2 = w2.diagram.GetUndoHandler().GetUndoCount();
    IDropTarget* t = reg->Get();
    {
        ScriptedDrag drag;
        drag.steps = {{t, ScreenAt(w2, kFrom), MK_LBUTTON, DragStep::Enter,
                       [&] { EXPECT_EQ(w2.diagram.GetElementCount(), count2 + 1); }},
                      {t, ScreenAt(w2, kTo), MK_LBUTTON, DragStep::Over},
                      {t, ScreenAt(w2, kTo), MK_LBUTTON, DragStep::Leave}};
        DragFrom(w1, kFrom);
        EXPECT_EQ(w2.diagram.GetElementCount(), count2);
        EXPECT_FALSE(w1.Task().IsBusy());
    }
    {
        // Malformed data: the guarded DragEnter fails, its transaction is rolled back, the drag refused.
        formats.malformed = true;
        ScriptedDrag drag;
        drag.steps = {{t, ScreenAt(w2, kFrom), MK_LBUTTON, DragStep::Enter},
                      {t, ScreenAt(w2, kTo), MK_LBUTTON, DragStep::Over},
                      {t, ScreenAt(w2, kTo), 0, DragStep::Drop}};
        DragFrom(w1, kFrom);
        EXPECT_EQ(drag.answers, (std::vector<DWORD>{DROPEFFECT_NONE, DROPEFFECT_NONE, DROPEFFECT_NONE}));
        EXPECT_EQ(reports.reports.size(), 1u);
    }
    EXPECT_EQ(w2.diagram.GetElementCount(), count2);
    EXPECT_EQ(w2.diagram.GetUndoHandler().GetUndoCount(), undo2);
    EXPECT_FALSE(w2.diagram.IsTransactionOpen());
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_EQ(a->GetPos(), kBoxA.TopLeft());
}

TEST_F(MoveDrop, EscapeWithTheButtonHeldKeepsTheTaskUntilTheReleaseAndMovesNothing)
{
    FakeDrag detect(true);
    ViewWindow w;
    auto reg = View::RegisterDropTarget(*w.view);
    auto a = w.AddBox(kBoxA);
    const size_t undo = w.diagram.GetUndoHandler().GetUndoCount();
    IDropTarget* t = reg->Get();
    ScriptedDrag drag;
    int loops = 0;
    drag.steps = {{t, ScreenAt(w, kFrom), MK_LBUTTON, DragStep::Enter, [&] { ++loops; }},
                  {t, ScreenAt(w, kTo), MK_LBUTTON, DragStep::Over},
                  {t, ScreenAt(w, kTo), MK_LBUTTON, DragStep::Leave}};
    HoldButton(VK_LBUTTON, true);
    DragFrom(w, kFrom);
    EXPECT_TRUE(w.Task().IsBusy());
    w.Mouse(WM_MOUSEMOVE, w.At(kTo), MK_LBUTTON);
    EXPECT_EQ(loops, 1) << "no second drag while the cancelled button is held";
    EXPECT_TRUE(w.Task().IsBusy());
    HoldButton(VK_LBUTTON, false);
    w.Mouse(WM_LBUTTONUP, w.At(kTo), 0);
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(a->GetPos(), kBoxA.TopLeft());
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undo);
}

TEST_F(MoveDrop, AFailingDragLoopFinishesTheTask)
{
    FakeDrag detect(true);
    ViewWindow w;
    auto a = w.AddBox(kBoxA);
    ScriptedDrag drag;
    drag.result = E_OUTOFMEMORY;
    DragFrom(w, kFrom);
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_FALSE(w.diagram.IsTransactionOpen());
}

TEST_F(MoveDrop, ARightButtonDragEndsWithTheDropMenuAndOnlyOnTheRightButtonsRelease)
{
    FakeDrag detect(true);
    ViewWindow w;
    auto reg = View::RegisterDropTarget(*w.view);
    auto a = w.AddBox(kBoxA);
    const size_t undo = w.diagram.GetUndoHandler().GetUndoCount(), count = w.diagram.GetElementCount();
    IDropTarget* t = reg->Get();
    std::vector<UINT> defaults;
    View::SetDropMenuChooser([&](HMENU popup, POINT, HWND) {
        defaults.push_back(ReadDropMenu(popup).defaultCommand);
        return defaults.size() == 1 ? View::kCmdCancelDrop : View::kCmdCopyHere;
    });
    for (DWORD ctrl : {DWORD(0), DWORD(MK_CONTROL)}) {
        ScriptedDrag drag;
        drag.steps = {{t, ScreenAt(w, kFrom), MK_RBUTTON | ctrl, DragStep::Enter},
                      {t, ScreenAt(w, kTo), MK_RBUTTON | ctrl, DragStep::Over},
                      {t, ScreenAt(w, kTo), ctrl, DragStep::Drop}};
        DragFrom(w, kFrom, 3);
        EXPECT_FALSE(w.Task().IsBusy());
    }
    EXPECT_EQ(defaults, (std::vector<UINT>{View::kCmdMoveHere, View::kCmdCopyHere}));
    // The cancelled drop changed nothing; Copy Here added one copy.
    EXPECT_EQ(a->GetPos(), kBoxA.TopLeft());
    EXPECT_EQ(w.diagram.GetElementCount(), count + 1);
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undo + 1);

    ScriptedDrag cancelled;  // a drag cancelled with the right button still held
    HoldButton(VK_RBUTTON, true);
    DragFrom(w, kFrom, 3);
    w.Mouse(WM_LBUTTONUP, w.At(kTo), MK_RBUTTON);
    EXPECT_TRUE(w.Task().IsBusy());
    HoldButton(VK_RBUTTON, false);
    w.Mouse(WM_RBUTTONUP, w.At(kTo), 0);
    EXPECT_FALSE(w.Task().IsBusy());
}

TEST(DropEffect, OnlyAllowedEffectsAreAnswered)
{
    EXPECT_EQ(View::DropEffectFor(0, DROPEFFECT_COPY), DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(View::DropEffectFor(MK_CONTROL, DROPEFFECT_COPY), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(View::DropEffectFor(MK_CONTROL, DROPEFFECT_MOVE), DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(View::DropEffectFor(MK_RBUTTON, DROPEFFECT_COPY | DROPEFFECT_MOVE), DWORD(DROPEFFECT_MOVE));
}

} // namespace
} // namespace ViewTest
