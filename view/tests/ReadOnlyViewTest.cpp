// A read-only document in a view: presses still select, but no handle, double click, typed
// character or drop changes it; its selection can only be copied out by a drag.
#include "view/tests/TestTransfer.h"

#include <sstream>

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;

const zq::Rect kReadOnlyBox{0, 4000, 2000, 2000};
const zq::Point kInA{1000, 3000}, kSouthEast{2000, 2000}, kAway{5000, 1000};

class ReadOnlyView : public OleTest {
protected:
    size_t Undos() const { return w.diagram.GetUndoHandler().GetUndoCount(); }
    std::string Stored() const {
        std::ostringstream out;
        w.diagram.SaveXML(out);
        return out.str();
    }

    ViewWindow w;
};

TEST_F(ReadOnlyView, HandlesDoubleClicksAndTypingStartNothingButPressesStillSelect)
{
    auto a = w.AddBox(kReadOnlyBox);
    auto b = w.AddBox({4000, 4000, 6000, 2000});
    a->SelectInView(*w.view, true);
    w.readOnly = true;
    const size_t undo = Undos();
    const std::string before = Stored();
    {
        // A press on the south-east handle: no resize, the plain drag carries the selection, and
        // the scripted drag ends over nothing.
        FakeDrag detect(true);
        ScriptedDrag drag;
        w.Mouse(WM_LBUTTONDOWN, w.At(kSouthEast), MK_LBUTTON);
        EXPECT_FALSE(dynamic_cast<View::RectResizeTask*>(w.Task().GetSubTask().get()));
        w.Mouse(WM_MOUSEMOVE, w.At(kAway), MK_LBUTTON);
        w.Mouse(WM_LBUTTONUP, w.At(kAway));
        EXPECT_EQ(drag.allowed, DWORD(DROPEFFECT_COPY)) << "a read-only document lends its elements only to copies";
    }
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(a->GetRect(), kReadOnlyBox);

    FakeDrag noDrag(false);
    w.Mouse(WM_LBUTTONDBLCLK, w.At(kInA));
    EXPECT_EQ(w.Of(*a)->doubleClicks, 0);
    EXPECT_FALSE(w.Task().IsBusy());
    SendMessageW(w.hwnd, WM_CHAR, L'x', 1);
    EXPECT_TRUE(w.Of(*a)->chars.empty());
    EXPECT_FALSE(w.Task().IsBusy());
    // A press on the other box selects it.
    w.Mouse(WM_LBUTTONDOWN, w.At({5000, 3000}), MK_LBUTTON);
    w.Mouse(WM_LBUTTONUP, w.At({5000, 3000}));
    EXPECT_EQ(w.Selection(), Elements{b.get()});
    EXPECT_EQ(Undos(), undo);
    EXPECT_EQ(Stored(), before);

    // Saved under another name, the same gestures act again.
    w.readOnly = false;
    SendMessageW(w.hwnd, WM_CHAR, L'y', 1);
    EXPECT_EQ(w.Of(*b)->chars, L"y");
}

// Drags between the read-only document and another one in a second window.
class ReadOnlyDrag : public ReadOnlyView {
protected:
    // Presses on the element at kInA of the window and moves, which runs the scripted drag.
    static void DragFrom(ViewWindow& from)
    {
        from.Mouse(WM_LBUTTONDOWN, from.At(kInA), MK_LBUTTON);
        from.Mouse(WM_MOUSEMOVE, from.At(kInA), MK_LBUTTON);
        from.Pump();
    }

    FakeDrag detect{true};
    InProcessFormats formats;
    ViewWindow other{nullptr, nullptr, &formats, ViewWindow::kW + 20};
};

TEST_F(ReadOnlyDrag, ItsOwnDragAndADragFromAnotherDocumentAreRefused)
{
    auto target = View::RegisterDropTarget(*w.view);
    auto a = w.AddBox(kReadOnlyBox);
    auto c = other.AddBox(kReadOnlyBox);
    w.readOnly = true;
    const size_t undo = Undos(), count = w.diagram.GetElementCount();
    const std::string before = Stored();
    for (ViewWindow* from : {&w, &other}) {
        ScriptedDrag drag;
        IDropTarget* t = target->Get();
        drag.steps = {{t, ScreenAt(w, kInA), MK_LBUTTON, DragStep::Enter,
                       [&] { EXPECT_EQ(target->GetTaskName(), ""); }},
                      {t, ScreenAt(w, kAway), MK_LBUTTON | MK_CONTROL, DragStep::Over},
                      {t, ScreenAt(w, kAway), MK_CONTROL, DragStep::Drop}};
        DragFrom(*from);
        EXPECT_EQ(drag.answers, (std::vector<DWORD>{DROPEFFECT_NONE, DROPEFFECT_NONE, DROPEFFECT_NONE}));
        EXPECT_FALSE(from->Task().IsBusy());
    }
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_FALSE(c->IsDeleted());
    EXPECT_EQ(other.diagram.GetElementCount(), 1u);
    EXPECT_EQ(w.diagram.GetElementCount(), count);
    EXPECT_EQ(Undos(), undo);
    EXPECT_EQ(Stored(), before);
}

TEST_F(ReadOnlyDrag, ItsSelectionIsCopiedIntoAnotherDocumentAndStaysWhereItIs)
{
    auto target = View::RegisterDropTarget(*other.view);
    auto a = w.AddBox(kReadOnlyBox);
    w.readOnly = true;
    const size_t undo = Undos();
    ScriptedDrag drag;
    IDropTarget* t = target->Get();
    drag.steps = {{t, ScreenAt(other, kInA), MK_LBUTTON, DragStep::Enter},
                  {t, ScreenAt(other, kAway), MK_LBUTTON, DragStep::Over},
                  {t, ScreenAt(other, kAway), MK_LBUTTON | MK_CONTROL, DragStep::Over},
                  {t, ScreenAt(other, kAway), MK_CONTROL, DragStep::Drop}};
    DragFrom(w);
    EXPECT_EQ(drag.allowed, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(drag.answers.back(), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(other.diagram.GetElementCount(), 1u);
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_EQ(a->GetRect(), kReadOnlyBox);
    EXPECT_EQ(Undos(), undo);
}

} // namespace
} // namespace ViewTest
