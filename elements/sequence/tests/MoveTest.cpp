// Drags of objects, lifelines and activations as a view runs them: the dragged elements are the
// selection extended by what travels with it, and the view's selection decides which of them move
// on their own and which only follow the element they hang on.
#include "elements/sequence/tests/SequenceScene.h"

#include "core/CopyExtend.h"
#include "core/Selection.h"
#include "core/TransferSet.h"
#include "core/View.h"
#include "core/tests/SelectingView.h"
#include "view/connector/tests/Borders.h"

#include <set>

using namespace SequenceTest;
using CoreTest::SelectingView;
using Sequence::Activation;
using Sequence::LifeLine;
using Sequence::Message;
using Sequence::SeqObject;

namespace {

bool Has(const Core::ModelElementSet& set, const Core::IModelElement* e) { return set.Contains(e); }

struct Drag : Scene {
    SelectingView view;
    SeqObject* o = nullptr;
    LifeLine* line = nullptr;
    Activation* a = nullptr;  // 8000 .. 6000
    Activation* b = nullptr;  // 5000 .. 4000
    SeqObject* other = nullptr;
    Message* toLine = nullptr;  // from the other line to the line at 5500
    Message* toBar = nullptr;   // from the other line to the bar's right edge at 7000

    Drag() {
        diagram.AttachView(view);
        o = NewObject({0, 10000});  // line from (1000, 9000) down to 3000
        line = o->GetLifeLine();
        a = NewActivation(*line, {800, 8000});
        b = NewActivation(*line, {800, 5000}, 1000);
        other = NewObject({6000, 10000});
        toLine = Path<Message>({{7000, 5500}, {1000, 5500}}, other->GetLifeLine(), line);
        toBar = Path<Message>({{7000, 7000}, {1200, 7000}}, other->GetLifeLine(), a);
    }
    // The dragged elements for the selection, as a drag takes them.
    Core::ModelElementSet Dragged(const std::vector<Core::IModelElement*>& selected) {
        Core::ModelElementSet start;
        for (auto* e : selected) start.Insert(e->shared_from_this());
        return Core::CopyExtendSelection::Build(start, diagram);
    }
    // Selects the elements in the view and drags them by (dx, dy), previewed in steps, as one change.
    void DragBy(const std::vector<Core::IModelElement*>& selected, double dx, double dy, int steps = 4) {
        view.ClearSelection(nullptr);
        for (auto* e : selected) e->SelectInView(view, true);
        const Core::ModelElementSet moved = Dragged(selected);
        Core::Transaction t(diagram, &view);
        Core::SelectionTracker tracker(&view);
        Core::Env env(t, &tracker);
        Core::DeferredShiftSet set(moved, &diagram, selected.front());
        for (int i = 1; i <= steps; ++i) set.ShiftAll(env, {dx * i / steps, dy * i / steps, true, true});
        set.ShiftDeferred(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    double EndY(Message* m) { return m->GetTargetEnd()->GetPosition().y; }
    double EndX(Message* m) { return m->GetTargetEnd()->GetPosition().x; }
};

} // namespace

TEST_F(Drag, ObjectOrLineTakesTheWholeObjectIntoCopiesAndMoves)
{
    for (Core::IModelElement* picked : std::vector<Core::IModelElement*>{o, line}) {
        const Core::ModelElementSet set = Dragged({picked});
        for (Core::IModelElement* e : std::vector<Core::IModelElement*>{o, line, a, b, o->GetText()})
            EXPECT_TRUE(Has(set, e)) << std::string(picked->GetTypeName().begin(), picked->GetTypeName().end());
        EXPECT_FALSE(Has(set, other));
        EXPECT_FALSE(Has(set, toLine));
    }
}

TEST_F(Drag, ABarTakesOnlyItselfSoCutAndPasteLeavesOneObject)
{
    const Core::ModelElementSet copied = Dragged({b});
    ASSERT_EQ(1u, copied.Size());
    EXPECT_TRUE(Has(copied, b));
    // Cut: the copy, then the deletion of the bar; the paste brings no second object.
    Core::TransferSet transfer(Registry());
    for (const Core::ElementPtr& e : copied.Elements()) transfer.Insert(*e);
    Change([&](Core::Env& env) { b->Delete(env); });
    Change([&](Core::Env& env) { transfer.Paste(env); });
    std::size_t objects = 0, bars = 0;
    for (const Core::ElementPtr& e : diagram.Elements()) {
        if (e->IsDeleted()) continue;
        objects += dynamic_cast<SeqObject*>(e.get()) != nullptr;
        bars += dynamic_cast<Activation*>(e.get()) != nullptr;
    }
    EXPECT_EQ(2u, objects);  // o and the other one
    EXPECT_EQ(1u, bars);     // a: the pasted bar hangs on no line and goes
    EXPECT_EQ(1u, line->GetActivations().size());
}

TEST_F(Drag, ObjectDraggedAloneMovesTheLineTopAndNothingElseVertically)
{
    DragBy({o}, 0, -500);
    EXPECT_EQ(zq::Point(0, 9500), o->GetPos());
    EXPECT_EQ(zq::Point(1000, 8500), line->GetTop());
    EXPECT_EQ(3000, line->GetBottom().y);
    EXPECT_EQ(5500, line->GetLen());
    EXPECT_EQ(8000, a->GetTop());
    EXPECT_EQ(5000, b->GetTop());
    EXPECT_EQ(5500, EndY(toLine));
    EXPECT_EQ(7000, EndY(toBar));
    // Sideways everything on the line goes along; the ends keep their heights.
    DragBy({o}, 700, 0);
    EXPECT_EQ(zq::Point(1700, 8500), line->GetTop());
    EXPECT_EQ(1500, a->GetPos().x);
    EXPECT_EQ(1500, b->GetPos().x);
    EXPECT_EQ(1700, EndX(toLine));
    EXPECT_EQ(5500, EndY(toLine));
    EXPECT_EQ(1900, EndX(toBar));
    EXPECT_EQ(7000, EndY(toBar));
    // Far down the line keeps its minimum; each drag is one undo step.
    DragBy({o}, 0, -9000);
    EXPECT_EQ(LifeLine::kMinLen, line->GetLen());
    Undo();
    Undo();
    EXPECT_EQ(zq::Point(1000, 8500), line->GetTop());
    EXPECT_EQ(5500, line->GetLen());
}

TEST_F(Drag, ObjectAndLineDraggedTogetherMoveAsOne)
{
    DragBy({o, line}, 300, -500);
    EXPECT_EQ(zq::Point(1300, 8500), line->GetTop());
    EXPECT_EQ(6000, line->GetLen());
    EXPECT_EQ(zq::Point(1100, 7500), a->GetPos());
    EXPECT_EQ(zq::Point(1100, 4500), b->GetPos());
    EXPECT_EQ(5000, EndY(toLine));
    EXPECT_EQ(6500, EndY(toBar));
}

TEST_F(Drag, LineDraggedAloneOnlyGoesSideways)
{
    DragBy({line}, 500, 300);
    EXPECT_EQ(zq::Point(500, 10000), o->GetPos());
    EXPECT_EQ(zq::Point(1500, 9000), line->GetTop());
    EXPECT_EQ(6000, line->GetLen());
    EXPECT_EQ(zq::Point(1300, 8000), a->GetPos());
    EXPECT_EQ(zq::Point(1300, 5000), b->GetPos());
    EXPECT_EQ(5500, EndY(toLine));
    EXPECT_EQ(7000, EndY(toBar));
    DragBy({line}, 0, -400);
    EXPECT_EQ(zq::Point(500, 10000), o->GetPos());
    EXPECT_EQ(zq::Point(1500, 9000), line->GetTop());
    EXPECT_EQ(zq::Point(1300, 8000), a->GetPos());
}

TEST_F(Drag, BarDraggedAloneSlidesAlongItsLineAndTakesItSideways)
{
    DragBy({a}, 0, -1000);
    EXPECT_EQ(zq::Point(800, 7000), a->GetPos());
    EXPECT_EQ(6000, EndY(toBar));
    EXPECT_EQ(zq::Point(800, 5000), b->GetPos());
    EXPECT_EQ(zq::Point(0, 10000), o->GetPos());
    EXPECT_EQ(zq::Point(1000, 9000), line->GetTop());
    EXPECT_EQ(6000, line->GetLen());
    DragBy({a}, -500, 0);
    EXPECT_EQ(zq::Point(300, 7000), a->GetPos());
    EXPECT_EQ(zq::Point(300, 5000), b->GetPos());
    EXPECT_EQ(zq::Point(500, 9000), line->GetTop());
    EXPECT_EQ(zq::Point(-500, 10000), o->GetPos());
    EXPECT_EQ(500, EndX(toLine));
    EXPECT_EQ(5500, EndY(toLine));
}

TEST_F(Drag, WhatHangsOnTheMovedElementsIsDeferredAndBarsAreShiftedOnlyWithTheirWholeObject)
{
    auto deferred = [&](const std::vector<Core::IModelElement*>& moved) {
        Core::ModelElementSet set;
        for (auto* e : moved) set.Insert(e->shared_from_this());
        Core::DeferredShiftSet shift(set, &diagram, nullptr);
        std::vector<const Core::IModelElement*> out;
        for (const Core::IModelElement* e : shift.GetDeferred())
            if (e == o || e == line || e == a || e == b) out.push_back(e);
        return out;
    };
    using List = std::vector<const Core::IModelElement*>;
    EXPECT_EQ((List{line}), deferred({o}));
    EXPECT_EQ((List{o, a, b}), deferred({line}));
    EXPECT_EQ((List{line}), deferred({a}));
    EXPECT_EQ(List{}, deferred({o, line, a, b}));

    // A bar is marked shifted only when its lifeline and object move too.
    auto marked = [&](const std::vector<Core::IModelElement*>& moved) {
        bool result = false;
        Change([&](Core::Env& env) {
            Core::ModelElementSet set;
            for (auto* e : moved) set.Insert(e->shared_from_this());
            Core::DeferredShiftSet shift(set, &diagram, nullptr);
            shift.ShiftAll(env, {100, 0, true, true});
            result = shift.IsShifted(a);
        });
        Undo();
        return result;
    };
    EXPECT_FALSE(marked({a}));
    EXPECT_FALSE(marked({a, line}));
    EXPECT_TRUE(marked({a, line, o}));
}

TEST_F(Drag, SeveralPartsDraggedTogetherEachTakeTheWholeShift)
{
    // Two bars: both slide down, their ends with them, whichever is shifted first.
    DragBy({b, a}, 0, -500);
    EXPECT_EQ(zq::Point(800, 7500), a->GetPos());
    EXPECT_EQ(zq::Point(800, 4500), b->GetPos());
    EXPECT_EQ(6500, EndY(toBar));
    Undo();
    // The object and a bar, diagonally: the object and the bar move by the whole shift, the line
    // keeps its bottom and the other bar its height.
    DragBy({a, o}, 400, -500);
    EXPECT_EQ(zq::Point(400, 9500), o->GetPos());
    EXPECT_EQ(zq::Point(1400, 8500), line->GetTop());
    EXPECT_EQ(3000, line->GetBottom().y);
    EXPECT_EQ(zq::Point(1200, 7500), a->GetPos());
    EXPECT_EQ(zq::Point(1200, 5000), b->GetPos());
    EXPECT_EQ(6500, EndY(toBar));
    EXPECT_EQ(5500, EndY(toLine));
    EXPECT_EQ(1400, EndX(toLine));
}

namespace {
// The drag's object with a bar nested on its upper bar (off its line by half a bar, as documents
// may have it), a self-call from the upper bar to the nested one and a return back.
struct NestedDrag : Drag {
    Activation* nested = nullptr;  // on a, 7800 .. 7200
    Message* selfCall = nullptr;   // a's right edge at 7900 round to the nested bar's at 7500
    Sequence::Return* back = nullptr;  // the nested bar's right edge at 7300 round to a's at 6500
    NestedDrag() {
        nested = NewActivation(*line, {1000, 7800}, 600);
        Change([&](Core::Env& env) { nested->SetMaster(env, a); });
        selfCall = HostScene::Scene::Path<Message>({{1200, 7900}, {2000, 7900}, {2000, 7500}, {1400, 7500}}, a, nested);
        back = HostScene::Scene::Path<Sequence::Return>({{1400, 7300}, {1800, 7300}, {1800, 6500}, {1200, 6500}},
                                                        nested, a);
    }
};
} // namespace

// The object dragged alone leaves its bars at their heights, and the calls between them with them;
// dragged with its line, or a bar dragged with it, every call keeps to the bars it joins.
TEST_F(NestedDrag, CallsBetweenTheBarsOfADraggedObjectStayOnTheirBars)
{
    ASSERT_NE(nullptr, selfCall);
    ASSERT_NE(nullptr, back);
    const struct {
        const char* what;
        std::vector<Core::IModelElement*> selected;
        double dx, dy;
        double calledAt;  // the height of the self-call's end on the nested bar afterwards
    } drags[] = {
        {"object up", {o}, 0, 1000, 7500},
        {"object down", {o}, 0, -1500, 7500},
        {"object right and up", {o}, 700, 500, 7500},
        {"line down", {line}, 0, -400, 7500},
        {"object and line down", {o, line}, 0, -1000, 6500},
        {"object and upper bar down", {o, a}, 300, -600, 7500},
    };
    const std::string start = Save();
    for (const auto& d : drags) {
        DragBy(d.selected, d.dx, d.dy);
        const bool changed = Save() != start;  // a drag that changes nothing leaves no undo step
        for (Connector::IConnector* c : std::vector<Connector::IConnector*>{selfCall, back, toBar})
            for (const std::string& fault : ConnectorTest::PathFaults(*c)) ADD_FAILURE() << d.what << ": " << fault;
        EXPECT_EQ(d.calledAt, EndY(selfCall)) << d.what;
        EXPECT_EQ(nested, selfCall->GetTargetEnd()->GetTerminal()) << d.what;
        if (changed) Undo();
        ASSERT_EQ(start, Save()) << d.what;
    }
}

namespace {
// The drag's object with a note pointing at its line below the bars and one pointing at its upper bar.
struct NotedDrag : Drag {
    Note::Note* atLine = nullptr;  // 3000 .. 5000 x 4000 .. 3000, its connector level at 3500
    Note::Note* atBar = nullptr;   // 3000 .. 5000 x 6800 .. 5800, its connector level at 6300
    Note::NoteConnector* toLineNote = nullptr;
    Note::NoteConnector* toBarNote = nullptr;
    NotedDrag() {
        Change([&](Core::Env& env) {
            atLine = Note::Note::Create(env, {3000, 4000}).get();
            atBar = Note::Note::Create(env, {3000, 6800}).get();
        });
        toLineNote = HostScene::Scene::Path<Note::NoteConnector>({{3000, 3500}, {1000, 3500}}, atLine, line);
        toBarNote = HostScene::Scene::Path<Note::NoteConnector>({{3000, 6300}, {1200, 6300}}, atBar, a);
    }
    // The far end of the note connector.
    static Connector::IEnd* Far(Note::NoteConnector* c) {
        for (Connector::IEnd* e : c->GetEnds())
            if (!e->IsDeleted() && e->GetEndType() == Note::NoteConnectorEnd::kFar) return e;
        return nullptr;
    }
};
} // namespace

// A note pointing at the line or a bar of an object dragged alone goes only sideways with them, its
// end keeping its height as the calls' ends do; with the whole object it goes all the way.
TEST_F(NotedDrag, NotesOnTheLineAndBarsOfADraggedObjectKeepTheirEndsHeights)
{
    ASSERT_NE(nullptr, toLineNote);
    ASSERT_NE(nullptr, toBarNote);
    const struct {
        const char* what;
        std::vector<Core::IModelElement*> selected;
        double dx, dy;
        double lineY, barY;  // the far ends' heights afterwards
    } drags[] = {
        {"object up", {o}, 0, 1500, 3500, 6300},
        {"object down", {o}, 0, -1000, 3500, 6300},
        {"object right and up", {o}, 700, 500, 3500, 6300},
        {"object and line down", {o, line}, 300, -1000, 2500, 5300},
    };
    const std::string start = Save();
    for (const auto& d : drags) {
        DragBy(d.selected, d.dx, d.dy);
        for (Connector::IConnector* c : std::vector<Connector::IConnector*>{toLineNote, toBarNote})
            for (const std::string& fault : ConnectorTest::PathFaults(*c)) ADD_FAILURE() << d.what << ": " << fault;
        ASSERT_NE(nullptr, Far(toLineNote)) << d.what;
        ASSERT_NE(nullptr, Far(toBarNote)) << d.what;
        EXPECT_EQ(zq::float8Point(1000 + d.dx, d.lineY), Far(toLineNote)->GetPosition()) << d.what;
        EXPECT_EQ(zq::float8Point(1200 + d.dx, d.barY), Far(toBarNote)->GetPosition()) << d.what;
        EXPECT_EQ(line, Far(toLineNote)->GetTerminal()) << d.what;
        EXPECT_EQ(a, Far(toBarNote)->GetTerminal()) << d.what;
        // The notes go as far as what they point at.
        EXPECT_EQ(zq::Point(3000 + int(d.dx), int(d.lineY) + 500), atLine->GetPos()) << d.what;
        EXPECT_EQ(zq::Point(3000 + int(d.dx), int(d.barY) + 500), atBar->GetPos()) << d.what;
        Undo();
        ASSERT_EQ(start, Save()) << d.what;
    }
}

namespace {
// The places of the connector ends on the object's line and bars, each shifted by v.
std::multiset<std::pair<double, double>> EndsOn(const Core::Diagram& diagram, const SeqObject& object, double dx,
                                                double dy)
{
    std::multiset<std::pair<double, double>> ends;
    const LifeLine* line = object.GetLifeLine();
    for (const Core::ElementPtr& e : diagram.Elements()) {
        auto* end = dynamic_cast<Connector::IEnd*>(e.get());
        if (end == nullptr || end->IsDeleted() || end->GetTerminal() == nullptr) continue;
        auto* bar = dynamic_cast<const Activation*>(end->GetTerminal());
        if (end->GetTerminal() == line || (bar != nullptr && bar->GetLifeLine() == line))
            ends.insert({end->GetPosition().x + dx, end->GetPosition().y + dy});
    }
    return ends;
}
} // namespace

// A Ctrl-drag copy of the object, selected in the view while it is dragged as the editor has it,
// moves as one: its line, bars, and the ends of the calls and notes copied with it go by the whole
// vector, none is left behind by a part that is not selected.
TEST_F(NotedDrag, ASelectedCopyOfTheObjectMovesAsOne)
{
    const struct {
        double dx, dy;
    } drags[] = {{0, -2500}, {0, 2500}, {700, -1500}};
    const std::string start = Save();
    for (const auto& d : drags) {
        const std::string what = std::to_string(int(d.dx)) + ", " + std::to_string(int(d.dy));
        Core::TransferSet transfer(Registry());
        const Core::ModelElementSet copied = Dragged({o});
        for (const Core::ElementPtr& e : copied.Elements()) transfer.Insert(*e);
        transfer.SetReferenceElement(o->GetObjectId());
        view.ClearSelection(nullptr);
        o->SelectInView(view, true);
        Core::Transaction t(diagram, &view);
        Core::SelectionTracker tracker(&view);
        Core::Env env(t, &tracker);
        const Core::TransferSet::PasteResult pasted = transfer.Paste(env, Core::TransferSet::PostProcess::Now);
        auto* copy = dynamic_cast<SeqObject*>(pasted.reference.get());
        ASSERT_NE(nullptr, copy) << what;
        view.ClearSelection(nullptr);
        copy->SelectInView(view, true);
        Core::DeferredShiftSet set(pasted.pasted, &diagram, copy);
        t.SetRestorePoint();
        for (int i = 1; i <= 4; ++i) {
            t.ReturnToRestorePoint();
            set.ShiftAll(env, {d.dx * i / 4, d.dy * i / 4, true, true});
        }
        set.ShiftDeferred(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        const zq::Point v(int(d.dx), int(d.dy));
        EXPECT_EQ(o->GetPos() + v, copy->GetPos()) << what;
        ASSERT_NE(nullptr, copy->GetLifeLine()) << what;
        EXPECT_EQ(line->GetTop() + v, copy->GetLifeLine()->GetTop()) << what;
        EXPECT_EQ(line->GetLen(), copy->GetLifeLine()->GetLen()) << what;
        std::vector<int> bars, copiedBars;
        for (const Activation* x : line->GetActivations()) bars.push_back(x->GetTop() + v.y);
        for (const Activation* x : copy->GetLifeLine()->GetActivations()) copiedBars.push_back(x->GetTop());
        EXPECT_EQ(bars, copiedBars) << what;
        const auto ends = EndsOn(diagram, *copy, 0, 0), originals = EndsOn(diagram, *o, d.dx, d.dy);
        EXPECT_FALSE(ends.empty()) << what;  // the notes come along with their ends
        // Each copied end lies where an original end lies, moved by the vector.
        for (const auto& p : ends)
            EXPECT_GT(originals.count(p), 0u) << what << ": an end at " << p.first << ", " << p.second;
        Undo();
        ASSERT_EQ(start, Save()) << what;
    }
}
