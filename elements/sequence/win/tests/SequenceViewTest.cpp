// A sequence diagram in a real view window under Wine, driven by commands and posted input: the
// creation commands, messages and returns drawn from the menus, names typed in place, the arrow
// heads, the handles of lifelines and activations, the drag images, one undo step per gesture,
// pixels of the drawing, and the document read back as it was written.
#include "elements/sequence/tests/SequenceScene.h"
#include "elements/sequence/win/Views.h"

#include "core/CopyExtend.h"
#include "core/DefaultGrid.h"
#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/CmdHandler.h"
#include "view/tests/ElementWindow.h"

namespace {

using Sequence::Activation;
using Sequence::LifeLine;
using Sequence::Message;
using Sequence::MessageEnd;
using Sequence::SeqObject;

void Install()
{
    TextBlock::InstallUniscribeMeasurer();
    TextBlock::RegisterTextViews();
    Note::RegisterNoteViews();
    Sequence::RegisterSequenceViews();
}

class SequenceWindow : public ViewTest::ElementWindowTest {
protected:
    SequenceWindow() : ElementWindowTest(SequenceTest::Registry(), &Install) {}
    // The logical height the pointer gives at the height y (pixels round it).
    std::int32_t Y(std::int32_t y) const { return w.Logical(w.At({6000, y})).y; }
    // The logical point the pointer gives at the point.
    zq::Point P(const zq::Point& p) const { return w.Logical(w.At(p)); }
    // Three objects made by the background command, each one step.
    std::vector<SeqObject*> ThreeObjects() {
        View::StdCreateCmdHandler create(w.Task(), ID_NEW_SEQOBJECT, &SeqObject::CreateElement);
        for (int x : {500, 5000, 9500}) {
            const size_t before = Steps();
            EXPECT_TRUE(Run(ID_NEW_SEQOBJECT, {x, 5000}));
            EXPECT_EQ(before + 1, Steps());
        }
        std::vector<SeqObject*> objects = Live<SeqObject>();
        std::sort(objects.begin(), objects.end(), [](auto* l, auto* r) { return l->GetPos().x < r->GetPos().x; });
        return objects;
    }
    static LifeLine& L(SeqObject* o) { return *o->GetLifeLine(); }
    // A connector of kind C along the points between the parties, as one step.
    template <class C>
    C* Path(const std::vector<zq::float8Point>& points, Core::IModelElement* source, Core::IModelElement* target) {
        C* c = nullptr;
        Change([&](Core::Env& env) { c = HostScene::BuildPath<C>(env, points, source, target, false); });
        return c;
    }
    // The connector of kind C the menu command of the element draws from the start point to a
    // click at the end point (with Ctrl held: a straight leg), as one step; none when no such
    // connector was made.
    template <class C>
    C* Draw(Core::IModelElement& from, UINT command, const zq::Point& start, const zq::Point& end, bool ctrl = false) {
        const size_t before = Steps(), count = Live<C>().size();
        EXPECT_TRUE(Menu(from, command, start));
        if (ctrl) w.Key(WM_KEYDOWN, VK_CONTROL);  // a straight leg instead of an elbow
        Click(end);
        if (ctrl) w.Key(WM_KEYUP, VK_CONTROL);
        EXPECT_FALSE(w.Task().IsBusy());
        EXPECT_EQ(before + 1, Steps());
        const std::vector<C*> live = Live<C>();
        return live.size() == count + 1 ? live.back() : nullptr;
    }
};

TEST_F(SequenceWindow, ADiagramOfThreeObjectsIsDrawnSavedAndReadBack)
{
    std::vector<SeqObject*> o = ThreeObjects();
    ASSERT_EQ(3u, o.size());
    // The first object named by typing on it, in place, as one step: the box grows to both sides
    // around its lifeline, which stays.
    size_t before = Steps();
    const zq::Rect box = o[0]->GetRect();
    const std::int32_t lineX = L(o[0]).GetTop().x;
    Select({o[0]});
    Type(u"ordering service");
    ASSERT_TRUE(w.Task().IsBusy());
    Escape();
    EXPECT_EQ(L"ordering service", o[0]->GetName());
    EXPECT_EQ(before + 1, Steps());
    const zq::Rect grown = o[0]->GetRect();
    EXPECT_GT(grown.Width(), box.Width());
    EXPECT_LE(std::abs((grown.left + grown.right) / 2 - lineX), 50);
    EXPECT_EQ(lineX, L(o[0]).GetTop().x);
    EXPECT_EQ(box.bottom, L(o[0]).GetTop().y);
    // Nested activations on the middle lifeline: "New &Activation" where the menu was opened.
    before = Steps();
    ASSERT_TRUE(Menu(L(o[1]), ID_NEW_ACTIVATION, {6100, 2000}));
    EXPECT_EQ(before + 1, Steps());
    ASSERT_EQ(1u, L(o[1]).GetActivations().size());
    Activation* outer = L(o[1]).GetActivations()[0];
    EXPECT_EQ(zq::Point(5800, 2000), outer->GetPos());
    EXPECT_EQ(std::vector<Core::IModelElement*>{outer}, w.Selection());
    ASSERT_TRUE(Menu(L(o[1]), ID_NEW_ACTIVATION, {6000, 1000}));
    Activation* inner = L(o[1]).GetActivations()[1];
    Change([&](Core::Env& env) {
        inner->SetLen(env, 800);
        inner->SetMaster(env, outer);
    });
    // Messages of the three heads, a self-message and a return; the first message and the return
    // drawn with the mouse from the menus of their source parties.
    const zq::Point from1 = P({lineX, 1500});
    Message* m1 = Draw<Message>(L(o[0]), ID_NEW_MESSAGE, from1, P({5900, from1.y}), true);
    ASSERT_NE(nullptr, m1);
    EXPECT_EQ(&L(o[0]), m1->GetSourceEnd()->GetTerminal());
    EXPECT_EQ(outer, m1->GetTargetEnd()->GetTerminal());
    EXPECT_EQ(Sequence::MessageArrowType::FilledSolid, dynamic_cast<MessageEnd*>(m1->GetTargetEnd())->GetArrowType());
    const zq::float8Point tip1 = m1->GetTargetEnd()->GetPosition();
    EXPECT_EQ(5800, tip1.x);
    const zq::Point from2 = P({5900, 1800});
    Sequence::Return* back = Draw<Sequence::Return>(*outer, ID_NEW_RETURN, from2, P({lineX, from2.y}));
    ASSERT_NE(nullptr, back);
    Connector::IEnd* backSource = nullptr;
    Connector::IEnd* backTarget = nullptr;
    for (Connector::IEnd* e : back->GetEnds())
        (dynamic_cast<Sequence::ReturnEnd*>(e)->IsTarget() ? backTarget : backSource) = e;
    ASSERT_TRUE(backSource && backTarget);
    EXPECT_EQ(outer, backSource->GetTerminal());
    EXPECT_EQ(&L(o[0]), backTarget->GetTerminal());
    const zq::float8Point tipBack = backTarget->GetPosition();
    EXPECT_EQ(lineX, tipBack.x);
    Message* m2 = Path<Message>({{6200, 700}, {10500, 700}}, inner, &L(o[2]));
    Message* self = Path<Message>({{10500, -500}, {11500, -500}, {11500, -1000}, {10500, -1000}}, &L(o[2]), &L(o[2]));
    ASSERT_TRUE(m2 && self);
    auto* head2 = dynamic_cast<MessageEnd*>(m2->GetTargetEnd());
    auto* head3 = dynamic_cast<MessageEnd*>(self->GetTargetEnd());
    before = Steps();
    ASSERT_TRUE(Menu(*head2, ID_ARROW_STICK, {10500, 700}));
    ASSERT_TRUE(Menu(*head3, ID_ARROW_HALFSTICK, {10500, -1000}));
    EXPECT_EQ(before + 2, Steps());
    EXPECT_EQ(2, head2->GetArrowType());
    EXPECT_EQ(3, head3->GetArrowType());
    // The arrow-type menu marks the current head only.
    {
        View::CmdHandlerList handlers;
        dynamic_cast<View::IContextMenu*>(head3->FindViewElement(*w.view))->PrepareMenu(w.Task(), handlers);
        w.Task().Refresh();
        EXPECT_EQ(2, w.router.GetCheckState(ID_ARROW_HALFSTICK));
        EXPECT_EQ(0, w.router.GetCheckState(ID_ARROW_STICK));
        EXPECT_EQ(0, w.router.GetCheckState(ID_ARROW_FILLEDSOLID));
    }
    // "&Dying" on the last lifeline: checked afterwards, one step.
    before = Steps();
    ASSERT_TRUE(Menu(L(o[2]), ID_LIFELINE_DYING, {10500, -4000}));
    EXPECT_TRUE(L(o[2]).IsDying());
    EXPECT_EQ(before + 1, Steps());

    // Pixels: the lifeline is dashed above and below the bars and not drawn inside them; the
    // dying cross; the filled head of the first message.
    const std::int32_t x = L(o[1]).GetTop().x;
    const int above = DarkOnLine({x, 3800}, {x, 2200});
    EXPECT_GT(above, 0);
    EXPECT_LT(above, w.At({x, 2200}).y - w.At({x, 3800}).y);  // dashed: with gaps
    EXPECT_EQ(0, DarkOnLine({x, 1800}, {x, 1300}));                 // none inside the bars
    EXPECT_GT(DarkOnLine({5800, 1900}, {5800, 100}), 10);  // the bar's left edge
    const zq::Point b = L(o[2]).GetBottom();
    EXPECT_GT(DarkOnLine({b.x - 250, b.y + 250}, {b.x + 250, b.y - 250}), 5);
    // Across the heads 280 before their tips: the filled head is solid, the stick head two strokes.
    const std::int32_t across = zq::Round(tip1.y);
    EXPECT_GE(DarkOnLine({5520, across + 60}, {5520, across - 60}), 5);
    EXPECT_LE(DarkOnLine({10220, 760}, {10220, 640}), 3);
    // The return: an open head at the lifeline, nothing solid across it.
    const std::int32_t backY = zq::Round(tipBack.y);
    EXPECT_GT(DarkAround({tipBack.x + 150, double(backY)}, 2), 0);
    EXPECT_LE(DarkOnLine({lineX + 280, backY + 60}, {lineX + 280, backY - 60}), 3);

    const std::string xml = Saved();
    Core::Diagram copy(SequenceTest::Registry(), nullptr);
    copy.LoadXML(xml);
    EXPECT_EQ(xml, Saved(copy));
    EXPECT_NE(std::string::npos, xml.find("ArrowType=\"2\""));
    EXPECT_NE(std::string::npos, xml.find("ArrowType=\"3\""));
    EXPECT_NE(std::string::npos, xml.find("Master=\"r"));
    EXPECT_NE(std::string::npos, xml.find("ordering service"));

    // Undo takes the gestures back one at a time.
    w.Undo();
    EXPECT_FALSE(L(o[2]).IsDying());
    w.Undo();
    EXPECT_EQ(1, head3->GetArrowType());
    w.Undo();
    EXPECT_EQ(1, head2->GetArrowType());
    w.Undo();
    w.Undo();
    w.Undo();
    EXPECT_TRUE(Live<Sequence::Return>().empty());
    EXPECT_EQ(1u, Live<Message>().size());
    w.Undo();
    EXPECT_TRUE(Live<Message>().empty());
}

TEST_F(SequenceWindow, DraggedElementsShowTheirOwnImagesAndAReshapedBoxIsDashed)
{
    std::vector<SeqObject*> o = ThreeObjects();
    ASSERT_TRUE(Menu(L(o[1]), ID_NEW_ACTIVATION, {6000, 2000}));
    Activation* a = L(o[1]).GetActivations().at(0);
    auto* vo = dynamic_cast<Sequence::VSeqObject*>(o[1]->FindViewElement(*w.view));
    auto* vl = dynamic_cast<Sequence::VLifeLine*>(L(o[1]).FindViewElement(*w.view));
    auto* va = dynamic_cast<Sequence::VActivation*>(a->FindViewElement(*w.view));
    ASSERT_TRUE(vo && vl && va);
    // At rest the box is its outline with the four corner marks.
    EXPECT_EQ(5u, vo->ShapeCount());
    EXPECT_EQ(0u, vo->ChangedCount());
    // The image a drag shows of each element for the selection dragged; what only follows the
    // dragged elements in its own way shows none.
    auto image = [&](View::VIShiftable& v, const std::vector<Core::IModelElement*>& selected) {
        Select(selected);
        Core::ModelElementSet start;
        for (auto* e : selected) start.Insert(e->shared_from_this());
        const Core::DeferredShiftSet set(Core::CopyExtendSelection::Build(start, diagram), &diagram, selected.front());
        ICanvas::Group group;
        v.DrawMoveImage(*w.canvas, group, set);
        return group.Size();
    };
    EXPECT_EQ(5u, image(*vo, {o[1]}));  // a dashed rectangle and its corner marks
    EXPECT_EQ(0u, image(*vl, {o[1]}));
    EXPECT_EQ(0u, image(*va, {o[1]}));
    ASSERT_EQ(2u, vl->PieceCount());
    EXPECT_EQ(3u, image(*vl, {&L(o[1])}));  // its two dashed pieces and the bottom marker
    EXPECT_EQ(0u, image(*vo, {&L(o[1])}));
    EXPECT_EQ(3u, image(*va, {a}));  // a dashed bar and the markers at its ends
    EXPECT_EQ(0u, image(*vl, {a}));
    EXPECT_EQ(3u, image(*va, {o[1], &L(o[1])}));
    // While a change reshapes the box it is drawn dashed with its marks; after it the solid form returns.
    {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        zq::Rect r = o[1]->GetRect();
        r.right += 1000;
        o[1]->SetRect(env, r);
        o[1]->UpdateViewElements();
        w.view->ProcessUpdates();
        EXPECT_TRUE(vo->IsDrawnChanged());
        EXPECT_EQ(5u, vo->ChangedCount());
        EXPECT_EQ(0u, vo->ShapeCount());
        t.Abort();
    }
    o[1]->UpdateViewElements();
    w.view->ProcessUpdates();
    EXPECT_FALSE(vo->IsDrawnChanged());
    EXPECT_EQ(5u, vo->ShapeCount());
}

TEST_F(SequenceWindow, LifeLineHandleSetsEverySelectedLengthAsOneStep)
{
    std::vector<SeqObject*> o = ThreeObjects();
    Change([&](Core::Env& env) { L(o[1]).SetBottom(env, -5000); });
    Select({&L(o[0]), &L(o[1]), &L(o[2])});
    const size_t before = Steps();
    const zq::Point handle = L(o[1]).GetBottom();
    Drag(handle, {{handle.x, -3000}, {handle.x, -2000}});
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(before + 1, Steps());
    const std::int32_t y = Y(-2000);
    for (SeqObject* s : o) EXPECT_EQ(y, L(s).GetBottom().y);
    // Above the top the length stops at its minimum.
    Drag(L(o[0]).GetBottom(), {{handle.x, 5000}});
    for (SeqObject* s : o) EXPECT_EQ(LifeLine::kMinLen, L(s).GetLen());
    w.Undo();
    for (SeqObject* s : o) EXPECT_EQ(y, L(s).GetBottom().y);
    // Escape throws the drag away.
    Drag(L(o[0]).GetBottom(), {{handle.x, -6000}}, true);
    for (SeqObject* s : o) EXPECT_EQ(y, L(s).GetBottom().y);
}

// A task that has the view drawn in the middle of its change (a name typed in place, a handle
// dragged) leaves no changed drawing behind once the change is committed.
TEST_F(SequenceWindow, ViewsDrawnWhileChangingAreRedrawnWhenTheChangeIsCommitted)
{
    std::vector<SeqObject*> o = ThreeObjects();
    auto* vo = dynamic_cast<Sequence::VSeqObject*>(o[0]->FindViewElement(*w.view));
    auto* vl = dynamic_cast<Sequence::VLifeLine*>(L(o[1]).FindViewElement(*w.view));
    ASSERT_TRUE(vo && vl);
    // The name grows the box while it is typed: dashed until the edit ends, then solid with marks.
    Select({o[0]});
    const std::int32_t width = o[0]->GetRect().Width();
    Type(u" of the ordering service");
    w.view->UpdateView();  // as a paint in the middle of typing does
    ASSERT_GT(o[0]->GetRect().Width(), width);
    EXPECT_TRUE(vo->IsDrawnChanged());
    Escape();
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(0u, w.view->GetPendingUpdateCount());
    EXPECT_FALSE(vo->IsDrawnChanged());
    EXPECT_EQ(0u, vo->ChangedCount());
    EXPECT_EQ(5u, vo->ShapeCount());
    // The lifeline's length dragged by its handle, the line drawn as changing at every step: solid
    // again once the drag ends, with its selection marks.
    Select({&L(o[1])});
    const zq::Point handle = L(o[1]).GetBottom();
    Drag(handle, {{handle.x, handle.y - 1000}, {handle.x, handle.y - 2000}});
    EXPECT_EQ(Y(handle.y - 2000), L(o[1]).GetBottom().y);
    EXPECT_EQ(0u, w.view->GetPendingUpdateCount());
    EXPECT_EQ(0u, vl->ChangedCount());
    EXPECT_EQ(1u, vl->PieceCount());
    EXPECT_GE(vl->MarkCount(), 2u);
    // The same drag thrown away by Escape restores the solid drawing too.
    Drag(L(o[1]).GetBottom(), {{handle.x, handle.y - 4000}}, true);
    EXPECT_EQ(0u, w.view->GetPendingUpdateCount());
    EXPECT_EQ(0u, vl->ChangedCount());
    EXPECT_GE(vl->MarkCount(), 2u);
}

TEST_F(SequenceWindow, ActivationHandlesKeepTheMinimumAndEscapeRestores)
{
    std::vector<SeqObject*> o = ThreeObjects();
    ASSERT_TRUE(Menu(L(o[1]), ID_NEW_ACTIVATION, {6000, 2000}));
    Activation* a = L(o[1]).GetActivations().at(0);  // 2000 .. 0, selected
    Message* m = Path<Message>({{1500, 1000}, {5800, 1000}}, &L(o[0]), a);
    ASSERT_NE(nullptr, m);
    Select({a});
    // The top dragged to 200 above the bottom is refused; 300 above is taken.
    size_t before = Steps();
    Drag(a->GetNorthPoint(), {{6000, 200}});
    EXPECT_EQ(2000, a->GetLen());
    Drag(a->GetNorthPoint(), {{6000, 400}});
    EXPECT_EQ(Y(400), a->GetTop());
    EXPECT_EQ(Y(400) - 0, a->GetLen());
    EXPECT_EQ(before + 1, Steps());
    w.Undo();
    EXPECT_EQ(2000, a->GetLen());
    // The bottom dragged down: the message end keeps its place on the bar until Escape puts all back.
    Select({a});
    Drag(a->GetSouthPoint(), {{6000, -2000}, {6000, -4000}}, true);
    EXPECT_EQ(2000, a->GetLen());
    ASSERT_NE(nullptr, m->GetTargetEnd());
    EXPECT_EQ(zq::float8Point(5800, 1000), m->GetTargetEnd()->GetPosition());
    EXPECT_FALSE(dynamic_cast<Sequence::VActivation*>(a->FindViewElement(*w.view))->IsDrawnChanged());
    Drag(a->GetSouthPoint(), {{6000, -4000}});
    EXPECT_EQ(2000 - Y(-4000), a->GetLen());
    EXPECT_NEAR((2000 + Y(-4000)) / 2.0, m->GetTargetEnd()->GetPosition().y, 0.5);  // still the middle
    EXPECT_EQ(5800, m->GetTargetEnd()->GetPosition().x);
}

TEST_F(SequenceWindow, AMessageFinishedByAPlainClickInsideAnActivationEndsLevelOnTheSideItComesFrom)
{
    std::vector<SeqObject*> o = ThreeObjects();
    ASSERT_TRUE(Menu(L(o[1]), ID_NEW_ACTIVATION, {6000, 2000}));
    Activation* a = L(o[1]).GetActivations().at(0);  // 5800 .. 6200 wide, 2000 .. 0 high
    // From the left lifeline and from the right one: each menu opened near the bar's top, the
    // click made lower down inside the bar, off its middle.
    for (SeqObject* from : {o[0], o[2]}) {
        const std::int32_t lineX = L(from).GetTop().x;
        const bool fromLeft = lineX < 6000;
        const std::int32_t side = fromLeft ? 5800 : 6200;
        const size_t before = Steps(), count = Live<Message>().size();
        ASSERT_TRUE(Menu(L(from), ID_NEW_MESSAGE, {lineX, 1900}));
        const zq::Point clicked = RealClick({lineX, 1900}, {fromLeft ? 5900 : 6100, 600});
        ASSERT_TRUE(PumpUntil([&] { return !w.Task().IsBusy(); })) << "the click did not reach the window";
        EXPECT_EQ(before + 1, Steps());
        const std::vector<Message*> live = Live<Message>();
        ASSERT_EQ(count + 1, live.size());
        Message* m = live.back();
        ASSERT_EQ(1u, m->GetSegmentCount()) << "one level segment, no jog";
        EXPECT_TRUE(m->GetSegmentList()[0]->IsHorizontalOrtho());
        EXPECT_EQ(&L(from), m->GetSourceEnd()->GetTerminal());
        EXPECT_EQ(a, m->GetTargetEnd()->GetTerminal());
        EXPECT_EQ(zq::float8Point(lineX, clicked.y), m->GetSourceEnd()->GetPosition());
        // The head's tip on the bar's near side where the click was: it points along the message.
        EXPECT_EQ(zq::float8Point(side, clicked.y), m->GetTargetEnd()->GetPosition());
    }
}

} // namespace
