// Typed characters go to the one selected element that takes them; a double click starts its
// handler's task unless Shift or Ctrl make it a press; right double clicks only with a modifier.
#include "view/tests/TestBoxes.h"

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        a = w.AddBox({0, 4000, 2000, 2000});
        b = w.AddBox({4000, 4000, 6000, 2000});
    }
    void Char(wchar_t c) { SendMessageW(w.hwnd, WM_CHAR, c, 1); }
    void Finish() {
        if (auto task = std::dynamic_pointer_cast<View::ISubTask>(w.Task().GetSubTask())) task->Finish(View::ITask::Finished);
    }
    ViewWindow w;
    std::shared_ptr<Box> a, b;
};

TEST_F(Input, OnlyASingleCharacterTakerStartsEditingAndEscapeNever)
{
    a->SelectInView(*w.view, true);
    Char(27);
    EXPECT_TRUE(w.Of(*a)->chars.empty());
    EXPECT_FALSE(w.Task().IsBusy());
    Char(L'x');
    EXPECT_EQ(w.Of(*a)->chars, L"x");
    EXPECT_EQ(w.Task().GetSubTask()->GetName(), "ProbeTask");
    Finish();
    EXPECT_FALSE(w.Task().IsBusy());
    b->SelectInView(*w.view, true);
    Char(L'y');
    EXPECT_EQ(w.Of(*a)->chars, L"x");
    EXPECT_TRUE(w.Of(*b)->chars.empty());
    EXPECT_FALSE(w.Task().IsBusy());
}

TEST_F(Input, ADoubleClickStartsTheHandlersTaskAndWithShiftIsAPress)
{
    FakeDrag noDrag(false);
    const POINT inA = w.At({1000, 3000});
    w.Mouse(WM_LBUTTONDBLCLK, inA);
    EXPECT_EQ(w.Of(*a)->doubleClicks, 1);
    EXPECT_EQ(w.Task().GetCurrentElement(), w.Of(*a));
    EXPECT_TRUE(w.Task().IsBusy());
    Finish();
    a->SelectInView(*w.view, true);
    w.Mouse(WM_LBUTTONDBLCLK, w.At({5000, 3000}), MK_SHIFT);  // a Shift press: b is added
    EXPECT_EQ(w.Of(*b)->doubleClicks, 0);
    EXPECT_EQ(w.Selection(), (Elements{a.get(), b.get()}));
    w.Mouse(WM_LBUTTONDBLCLK, w.At({3000, -2000}));  // nothing there
    EXPECT_FALSE(w.Task().IsBusy());
}

TEST_F(Input, RightDoubleClicksArePressesOnlyWithAModifier)
{
    FakeDrag noDrag(false);
    w.Mouse(WM_RBUTTONDBLCLK, w.At({1000, 3000}));
    EXPECT_TRUE(w.Selection().empty());
    w.Mouse(WM_RBUTTONDBLCLK, w.At({1000, 3000}), MK_SHIFT);
    EXPECT_EQ(w.Selection(), Elements{a.get()});
    w.Mouse(WM_RBUTTONDBLCLK, w.At({5000, 3000}), MK_CONTROL);
    EXPECT_EQ(w.Selection(), Elements{b.get()});
}

TEST_F(Input, TheMiddleButtonIsConsumedAndChangesNothing)
{
    a->SelectInView(*w.view, true);
    w.Mouse(WM_MBUTTONDOWN, w.At({5000, 3000}));
    EXPECT_EQ(w.Selection(), Elements{a.get()});
}

} // namespace
} // namespace ViewTest
