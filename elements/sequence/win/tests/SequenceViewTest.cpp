// A sequence diagram in a real view window under Wine, driven by commands and posted input: the
// creation commands, the arrow heads, the handles of lifelines and activations, one undo step per
// gesture, pixels of the drawing, and the document read back as it was written.
#include "elements/sequence/tests/SequenceScene.h"
#include "elements/sequence/win/Views.h"

#include "core/DefaultGrid.h"
#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/CmdHandler.h"
#include "view/tests/TestBoxes.h"

namespace {

using Sequence::Activation;
using Sequence::LifeLine;
using Sequence::Message;
using Sequence::MessageEnd;
using Sequence::SeqObject;

struct Installed {
    Installed() {
        TextBlock::InstallUniscribeMeasurer();
        TextBlock::RegisterTextViews();
        Note::RegisterNoteViews();
        Sequence::RegisterSequenceViews();
    }
};

class SequenceWindow : public ::testing::Test {
protected:
    void Change(const std::function<void(Core::Env&)>& f) {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        f(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        diagram.UpdateAllViews();
        w.Pump();
    }
    bool Run(UINT command, const zq::Point& at) {
        w.Task().SetLastMousePoint(at);
        const bool ran = w.router.Execute({command, 0, nullptr});
        w.Pump();
        return ran;
    }
    // Runs a command of the element's context menu as the menu does.
    bool Menu(Core::IModelElement& element, UINT command, const zq::Point& at) {
        View::CmdHandlerList handlers;
        auto* menu = dynamic_cast<View::IContextMenu*>(element.FindViewElement(*w.view));
        if (menu == nullptr) return false;
        menu->PrepareMenu(w.Task(), handlers);
        return Run(command, at);
    }
    size_t Steps() { return diagram.GetUndoHandler().GetUndoCount(); }
    // The logical height the pointer gives at the height y (pixels round it).
    std::int32_t Y(std::int32_t y) const { return w.Logical(w.At({6000, y})).y; }
    void Select(const std::vector<Core::IModelElement*>& elements) {
        w.view->ClearSelection(nullptr);
        for (auto* e : elements) e->SelectInView(*w.view, true);
        w.Pump();
    }
    // A press on the handle at the point, moves with the button to the targets, then the release
    // (or Escape before it).
    void Drag(const zq::Point& from, const std::vector<zq::Point>& to, bool escape = false) {
        ViewTest::FakeDrag drag(true);  // the press is a drag at once
        const POINT start = w.At(from);
        w.Mouse(WM_MOUSEMOVE, start);
        w.Mouse(WM_LBUTTONDOWN, start, MK_LBUTTON);
        w.Pump();
        for (const zq::Point& p : to) {
            w.Mouse(WM_MOUSEMOVE, w.At(p), MK_LBUTTON);
            w.Pump();
        }
        if (escape) {
            w.Key(WM_KEYDOWN, VK_ESCAPE);
            w.Pump();
        }
        w.Mouse(WM_LBUTTONUP, w.At(to.back()));
        w.Pump();
    }
    // Dark pixels on the model line from a to b, after a repaint.
    int Dark(zq::Point a, zq::Point b) {
        w.view->ProcessUpdates();
        w.canvas->Update();
        UpdateWindow(w.hwnd);
        const POINT p = w.At(a), q = w.At(b);
        HDC dc = GetDC(w.hwnd);
        int dark = 0;
        const int n = std::max(std::abs(q.x - p.x), std::abs(q.y - p.y));
        for (int i = 0; i <= n; ++i) {
            const int x = p.x + (q.x - p.x) * i / std::max(n, 1), y = p.y + (q.y - p.y) * i / std::max(n, 1);
            const COLORREF c = GetPixel(dc, x, y);
            if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 300) ++dark;
        }
        ReleaseDC(w.hwnd, dc);
        return dark;
    }
    std::string Save(const Core::Diagram& d) const {
        std::ostringstream out;
        d.SaveXML(out);
        return out.str();
    }
    template <class T>
    std::vector<T*> Live() const {
        std::vector<T*> out;
        for (const auto& e : diagram.Elements())
            if (auto* t = dynamic_cast<T*>(e.get()); t != nullptr && !e->IsDeleted()) out.push_back(t);
        return out;
    }
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
        Change([&](Core::Env& env) { c = SequenceTest::BuildPath<C>(env, points, source, target); });
        return c;
    }

    Installed installed;
    Core::Diagram diagram{SequenceTest::Registry(), nullptr, nullptr, &View::DefaultGrid::Instance()};
    ViewTest::ViewWindow w{&diagram};
};

TEST_F(SequenceWindow, ADiagramOfThreeObjectsIsDrawnSavedAndReadBack)
{
    std::vector<SeqObject*> o = ThreeObjects();
    ASSERT_EQ(3u, o.size());
    // Nested activations on the middle lifeline: "New &Activation" where the menu was opened.
    size_t before = Steps();
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
    // Messages of the three heads, a self-message and a return.
    Message* m1 = Path<Message>({{1500, 1500}, {5800, 1500}}, &L(o[0]), outer);
    Message* m2 = Path<Message>({{6200, 700}, {10500, 700}}, inner, &L(o[2]));
    Message* self = Path<Message>({{10500, -500}, {11500, -500}, {11500, -1000}, {10500, -1000}}, &L(o[2]), &L(o[2]));
    Sequence::Return* back = Path<Sequence::Return>({{5800, 200}, {1500, 200}}, outer, &L(o[0]));
    ASSERT_TRUE(m1 && m2 && self && back);
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
    const int above = Dark({x, 3800}, {x, 2200});
    EXPECT_GT(above, 0);
    EXPECT_LT(above, w.At({x, 2200}).y - w.At({x, 3800}).y);  // dashed: with gaps
    EXPECT_EQ(0, Dark({x, 1800}, {x, 1300}));                 // none inside the bars
    EXPECT_GT(Dark({5800, 1900}, {5800, 100}), 10);  // the bar's left edge
    const zq::Point b = L(o[2]).GetBottom();
    EXPECT_GT(Dark({b.x - 250, b.y + 250}, {b.x + 250, b.y - 250}), 5);
    // Across the heads 280 before their tips: the filled head is solid, the stick head two strokes.
    EXPECT_GE(Dark({5520, 1560}, {5520, 1440}), 5);
    EXPECT_LE(Dark({10220, 760}, {10220, 640}), 3);

    const std::string xml = Save(diagram);
    Core::Diagram copy(SequenceTest::Registry(), nullptr);
    copy.LoadXML(xml);
    EXPECT_EQ(xml, Save(copy));
    EXPECT_NE(std::string::npos, xml.find("ArrowType=\"2\""));
    EXPECT_NE(std::string::npos, xml.find("ArrowType=\"3\""));
    EXPECT_NE(std::string::npos, xml.find("Master=\"r"));
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

} // namespace
