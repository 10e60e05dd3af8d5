// What a mouse user sees of a dragged element and of a compartment widened by its handle, in a
// started editor: real button presses (X events, which Wine's drag loop sees held) on hand-written
// documents, the pane's pixels read from the screen while the button is still held, the saved file
// read back after the release. The corner (or edge-centre) marks of a dragged box of every diagram
// kind draw their blue guides to the facing marks of a box they line up with, however far, never
// to the box's own; an initial or final state drags its circle; a class with a template box stays
// drawn and follows the pointer; a compartment's east handle widens its object or state, its north
// and north-east handles make it taller upwards; Ctrl+A
// after a drop, its undo and its redo shows and selects every class; everything selected and dragged
// moves by the dragged distance, connectors with it, in one undo step. While the button is held a
// pane shows whatever the drag moves by one rule, compared pixel by pixel with a window on the same
// document: a qualifier of a class or of an object, an object with its qualifier, its link's texts and
// a note's connector, a sequence object with its name and lifeline, a composite state with its
// initial state, inner state, labelled transition and labelled region separator.
#include "Editor/tests/HeldDrag.h"
#include "elements/class/Class.h"
#include "elements/class/Package.h"
#include "elements/class/Qualifier.h"
#include "elements/note/Note.h"
#include "elements/object/Compartment.h"
#include "elements/object/Object.h"
#include "elements/object/Qualifier.h"
#include "elements/sequence/LifeLine.h"
#include "elements/sequence/SeqObject.h"
#include "elements/state/PseudoState.h"
#include "elements/state/State.h"
#include "elements/state/StateCompartment.h"
#include "elements/state/Transition.h"
#include "text/free/FreeText.h"
#include "view/connector/tests/Borders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace DragFeedbackTest {
namespace {

using namespace EditorTest;
using namespace HeldDrag;

// Two boxes of the kind, by default 40 mm wide, with their tops lined up and 60 mm apart.
std::string TwoBoxes(const std::string& kind, const std::string& inside = "<Text>n</Text>",
                     const std::string& size = "4000 2000", int secondLeft = 12000) {
    return "<" + kind + " id=\"r2\" Pos=\"2000 -3000\" Size=\"" + size + "\">" + inside + "</" + kind + ">\n<" + kind +
           " id=\"r3\" Pos=\"" + std::to_string(secondLeft) + " -3000\" Size=\"" + size + "\">" + inside + "</" +
           kind + ">\n";
}

// The two boxes of the type in the model, in the order of their places from left to right.
template <class T>
std::pair<zq::Rect, zq::Rect> Boxes(const Core::Diagram& model) {
    std::vector<zq::Rect> found;
    for (const Core::ElementPtr& e : model.Elements())
        if (auto* t = dynamic_cast<T*>(e.get())) found.push_back(t->GetRect());
    EXPECT_EQ(found.size(), 2u);
    if (found.size() != 2) return {};
    if (found[1].left < found[0].left) std::swap(found[0], found[1]);
    return {found[0], found[1]};
}

TEST_F(DragFeedback, ADraggedClassLinesUpWithTheCornerMarksOfAnother) {
    ASSERT_NO_FATAL_FAILURE(Open(1, TwoBoxes("Class")));
    const auto [a, b] = Boxes<Class::Class>(*model_->model);
    ExpectGuideToTheNextBox(a, b, {a.left, a.top, b.right, std::min(a.bottom, b.bottom)});
}

TEST_F(DragFeedback, ADraggedPackageLinesUpWithTheCornerMarksOfAnother) {
    ASSERT_NO_FATAL_FAILURE(Open(1, TwoBoxes("Package")));
    const auto [a, b] = Boxes<Class::Package>(*model_->model);
    const zq::Point tab = First<Class::Package>(*model_->model)->GetTabSize();
    ExpectGuideToTheNextBox(a, b, {a.left, a.top + tab.y, b.right, a.bottom});
}

TEST_F(DragFeedback, ADraggedObjectLinesUpWithTheCornerMarksOfAnother) {
    ASSERT_NO_FATAL_FAILURE(Open(2, TwoBoxes("Object")));
    const auto [a, b] = Boxes<Object::Object>(*model_->model);
    ExpectGuideToTheNextBox(a, b, {a.left, a.top, b.right, std::min(a.bottom, b.bottom)});
}

TEST_F(DragFeedback, ADraggedStateLinesUpWithTheCornerMarksOfAnother) {
    ASSERT_NO_FATAL_FAILURE(Open(5, TwoBoxes("State")));
    const auto [a, b] = Boxes<State::State>(*model_->model);
    ExpectGuideToTheNextBox(a, b, {a.left, a.top, b.right, std::min(a.bottom, b.bottom)});
}

// Two boxes of a diagram kind, 20 mm wide and 10 mm high, their tops lined up and 100 mm apart:
// dragged 100 pixels towards the other, a box's own far corner lies nearer than the other's.
struct FarPair {
    const char* name;
    int type;
    std::string elements;
    bool centres;  // edge-centre marks (ellipses): the guide runs at mid-height
};

void PrintTo(const FarPair& pair, std::ostream* out) { *out << pair.name; }

class FarGuide : public DragFeedback, public ::testing::WithParamInterface<FarPair> {};

// While held, a guide runs from the dragged box's right side to the other box's facing left side.
TEST_P(FarGuide, ADraggedBoxLinesUpWithAFarBoxNotWithItsOwnCorners) {
    ASSERT_NO_FATAL_FAILURE(Open(GetParam().type, GetParam().elements));
    const zq::Rect a{2000, -3000, 4000, -4000}, b{14000, -3000, 16000, -4000};
    const PaneMap map{a, ShownDark(pane_)};  // the first box's top-left corner is the drawing's
    const int row = GetParam().centres ? (map.Y(a.top) + map.Y(a.bottom)) / 2 : map.Y(a.top), dx = 100;
    const int from = map.X(a.right + ShiftOf(dx, 0).x) + 4, to = map.X(b.left) - 4;
    auto guide = [&](const PanePixels& s) { return Share(s, {from, row}, {to, row}, Ink::Blue); };
    const PanePixels held = HoldDrag({(map.X(a.left) + map.X(a.right)) / 2, map.Y(a.bottom) - 6}, dx,
                                     [&](const PanePixels& s) { return guide(s) > 0.2; });
    EXPECT_GT(guide(held), 0.2) << "no guide from the dragged box to the far one";
    // Nor one back to where the box was (an object's or a state's drawing stays there while held).
    const int was = map.X(a.right) + 4, image = map.X(a.left + ShiftOf(dx, 0).x) - 4;
    EXPECT_EQ(Share(held, {was, row}, {image, row}, Ink::Blue), 0.0) << "a guide to the dragged box's own place";
}

INSTANTIATE_TEST_SUITE_P(
    EveryDiagramKind, FarGuide,
    ::testing::Values(
        FarPair{"Class", 1, TwoBoxes("Class", "<Text>n</Text>", "2000 1000", 14000), false},
        FarPair{"Object", 2, TwoBoxes("Object", "<Text>n</Text>", "2000 1000", 14000), false},
        FarPair{"State", 5, TwoBoxes("State", "<Text>n</Text>", "2000 1000", 14000), false},
        FarPair{"UseCase", 3, TwoBoxes("UseCase", "<Text>n</Text>", "2000 1000", 14000), true},
        FarPair{"System", 3, TwoBoxes("System", "<Text>n</Text>", "2000 1000", 14000), false},
        FarPair{"Sequence", 4,
                "<SeqObject id=\"r2\" Pos=\"2000 -3000\" Size=\"2000 1000\"><Text>a</Text>"
                "<LifeLine id=\"r4\" Pos=\"3000 -4000\" Len=\"2000\" Dying=\"0\"/></SeqObject>\n"
                "<SeqObject id=\"r3\" Pos=\"14000 -3000\" Size=\"2000 1000\"><Text>b</Text>"
                "<LifeLine id=\"r5\" Pos=\"15000 -4000\" Len=\"2000\" Dying=\"0\"/></SeqObject>\n",
                false}),
    [](const ::testing::TestParamInfo<FarPair>& info) { return std::string(info.param.name); });

TEST_F(DragFeedback, InitialAndFinalStatesDragTheirCircles) {
    ASSERT_NO_FATAL_FAILURE(
        Open(5, "<InitialState id=\"r2\" Pos=\"2000 -2000\"/>\n<FinalState id=\"r3\" Pos=\"7000 -2000\"/>\n"));
    const auto* initial = First<State::InitialState>(*model_->model);
    const auto* final = First<State::FinalState>(*model_->model);
    ASSERT_TRUE(initial && final);
    const zq::Rect a = initial->GetRect(), b = final->GetRect();
    const PaneMap map = Map({a.left, a.top, b.right, b.bottom});
    for (const zq::Rect& r : {a, b}) {
        const POINT centre = map.At({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        const PanePixels held = HoldDrag(centre, 60, [&](const PanePixels& s) {
            return Share(s, {map.X(r.left, 60) - 4, centre.y}, {map.X(r.right, 60) + 4, centre.y}, Ink::Dark) > 0.0;
        });
        ExpectCircleImage(held, map, r, 60);
    }
}

// A class grabbed in its box or by its template box follows the pointer and is saved moved.
TEST_F(DragFeedback, AClassWithATemplateBoxStaysDrawnWhileDragged) {
    ExpectTemplatedClassFollows([](const PaneMap& map, const zq::Rect& r, const zq::Rect&) {
        return POINT{map.X(r.left) + 10, map.Y(r.bottom) - 10};
    });
}

TEST_F(DragFeedback, AClassDraggedByItsTemplateBoxStaysDrawnWhileDragged) {
    ExpectTemplatedClassFollows([](const PaneMap& map, const zq::Rect&, const zq::Rect& t) {
        return POINT{map.X(t.right) - 5, map.Y(t.bottom) - 3};
    });
}

// The documents of the compartment-handle tests: an object and a state, each with a compartment.
// The state's compartment lies right under its name, as a resize lays it out: the name in the
// default font takes 500 with its margins.
const char* const kObjectWithCompartment =
    "<Object id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 2000\">\n<Text>a : A</Text>\n"
    "<Compartment id=\"r3\" Pos=\"2000 -3000\" Size=\"6000 1000\"><Text>x = 1</Text></Compartment>\n</Object>\n";
const char* const kStateWithCompartment =
    "<State id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 1100\">\n<Text>Idle</Text>\n"
    "<Compartment id=\"r3\" Pos=\"2000 -2500\" Size=\"6000 600\"><Text>do / x</Text></Compartment>\n</State>\n";

TEST_F(DragFeedback, TheEastHandleOfAnObjectsCompartmentWidensTheObject) {
    ExpectEastHandleWidens<Object::Object>(2, kObjectWithCompartment);
}

TEST_F(DragFeedback, TheEastHandleOfAStatesCompartmentWidensTheState) {
    ExpectEastHandleWidens<State::State>(5, kStateWithCompartment);
}

TEST_F(DragFeedback, TheNorthHandleOfAnObjectsCompartmentGrowsTheObjectUpwards) {
    ExpectTopHandleGrowsUpwards<Object::Object>(2, kObjectWithCompartment, false);
}

TEST_F(DragFeedback, TheNorthEastHandleOfAnObjectsCompartmentGrowsTheObjectUpwardsAndWider) {
    ExpectTopHandleGrowsUpwards<Object::Object>(2, kObjectWithCompartment, true);
}

TEST_F(DragFeedback, TheNorthHandleOfAStatesCompartmentGrowsTheStateUpwards) {
    ExpectTopHandleGrowsUpwards<State::State>(5, kStateWithCompartment, false);
}

TEST_F(DragFeedback, TheNorthEastHandleOfAStatesCompartmentGrowsTheStateUpwardsAndWider) {
    ExpectTopHandleGrowsUpwards<State::State>(5, kStateWithCompartment, true);
}


// While the button is held, whatever a drag moves is drawn by one rule: a window then shows what a
// fresh window shows of the same document before the drag (the dragged elements selected) with the
// drag's dashed image, in the object and state diagrams; or what it shows after the drop, in the
// class and sequence diagrams, but for the image's own lines and marks.
const char* const kClassWithQualifier =
    "<Class id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 3000\">\n<Text>Order</Text>\n</Class>\n"
    "<Qualifier id=\"r3\" Pos=\"8000 -2500\" Size=\"1000 600\" Class=\"r2\"><Text>nr</Text></Qualifier>\n";
const char* const kObjectWithQualifier =
    "<Object id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 3000\">\n<Text>a : A</Text>\n</Object>\n"
    "<ObjectQualifier id=\"r3\" Pos=\"8000 -2500\" Size=\"1000 600\" Object=\"r2\"><Text>id</Text></ObjectQualifier>\n";

// A class's qualifier moves whole, its text with its box, as its class does.
TEST_F(DragFeedback, AClassQualifierIsDrawnWholeWhereItIsHeld) {
    ExpectQualifierDragHeld<Class::Class, Class::Qualifier>(1, kClassWithQualifier, Rule::Moves);
}

// An object's qualifier stays drawn with its text where it was, as its object does.
TEST_F(DragFeedback, AnObjectQualifierStaysDrawnWithItsTextWhileHeld) {
    ExpectQualifierDragHeld<Object::Object, Object::Qualifier>(2, kObjectWithQualifier, Rule::Stays);
}

// An object dragged with its qualifier: both stay drawn where they were, their names with them, and
// so do the lines of the link from the qualifier to another object and of a note's connector to the
// dragged one (the note goes along), their new shapes dashed over them, and the link's texts (its
// roles and name).
TEST_F(DragFeedback, AnObjectAndItsQualifierStayDrawnWhileHeld) {
    ASSERT_NO_FATAL_FAILURE(Open(2, std::string(kObjectWithQualifier) +
        "<Object id=\"r4\" Pos=\"16000 -2000\" Size=\"4000 2000\">\n<Text>b : B</Text>\n</Object>\n"
        "<Link id=\"r5\">\n<End id=\"r6\" Pos=\"9000 -2800\" Qualifier=\"r3\" Type=\"1\">\n"
        "<Anchor id=\"r9\" Pos=\"9000 -2800\"><FreeText id=\"r10\" Pos=\"9200 -2600\" Origin=\"4\">"
        "<Text>role</Text></FreeText></Anchor>\n</End>\n"
        "<Segment id=\"r7\" Ends=\"r6 r8\">\n<Anchor id=\"r11\" Pos=\"12500 -2800\">"
        "<FreeText id=\"r12\" Pos=\"12500 -2600\" Origin=\"4\"><Text>owns</Text></FreeText></Anchor>\n</Segment>\n"
        "<End id=\"r8\" Pos=\"16000 -2800\" Object=\"r4\" Type=\"1\">\n"
        "<Anchor id=\"r13\" Pos=\"16000 -2800\"><FreeText id=\"r14\" Pos=\"15800 -2600\" Origin=\"3\">"
        "<Text>0..*</Text></FreeText></Anchor>\n</End>\n</Link>\n"
        "<Note id=\"r21\" Pos=\"10000 -5300\" Size=\"2500 800\">\n<Text>n</Text>\n<NoteConnector id=\"r22\">\n"
        "<SourceEnd id=\"r23\" Pos=\"10000 -5700\"/>\n<Segment id=\"r24\"/>\n<Join id=\"r25\" Pos=\"7000 -5700\"/>\n"
        "<Segment id=\"r26\"/>\n<End id=\"r27\" Pos=\"7000 -5000\" Party=\"r2\"/>\n</NoteConnector>\n</Note>\n"));
    const auto* object = First<Object::Object>(*model_->model);
    const auto* qualifier = First<Object::Qualifier>(*model_->model);
    ASSERT_TRUE(object && qualifier);
    const zq::Rect r = object->GetRect(), k = qualifier->GetRect();
    ASSERT_EQ(r.left, 2000) << "not the first object";
    // The note is the lowest.
    const PaneMap map = Map({r.left, r.top, 20000, -6100});
    // Far enough down that no edge of the image lines up with an edge drawn where the two were.
    constexpr int dx = 150, dy = 30;
    const HeldPicture p = HoldAndCompare(Rule::Stays, map, {map.X(r.left) + 20, map.Y(r.bottom) - 20},
                                         {map.X(r.left) + 8, map.Y(r.bottom) - 8}, dx, dy, r);
    const auto* movedObject = First<Object::Object>(*p.saved->model);
    const auto* movedQualifier = First<Object::Qualifier>(*p.saved->model);
    ASSERT_TRUE(movedObject && movedQualifier);
    const zq::Rect n = movedObject->GetRect(), m = movedQualifier->GetRect();
    const zq::Point shift = n.TopLeft() - r.TopLeft();
    EXPECT_NEAR(shift.x, ShiftOf(dx, dy).x, 100);
    EXPECT_NEAR(shift.y, ShiftOf(dx, dy).y, 100);
    EXPECT_EQ(m, Shifted(k, shift)) << "the qualifier did not move with its object";
    std::vector<RECT> left;
    AddOutline(left, map, n);
    AddOutline(left, map, m);
    // The link's new shape, from the moved qualifier to the other object.
    const zq::Point from{9000 + shift.x, -2800 + shift.y}, to{16000, -2800};
    left.push_back(Around(map, {from.x, std::max(from.y, to.y), to.x, std::min(from.y, to.y)}, 8));
    // The note goes along with the connector from it to the object: their dashed images.
    const auto* movedNote = First<Note::Note>(*p.saved->model);
    ASSERT_TRUE(movedNote);
    EXPECT_EQ(movedNote->GetPos(), zq::Point(10000, -5300) + shift) << "the note did not go along";
    AddOutline(left, map, movedNote->GetRect());
    left.push_back(Around(map, Shifted({7000, -5000, 10000, -5700}, shift), 8));
    ExpectAlike(p, Around(map, {r.left, r.top, 20000, -6100}, 30), left, "the object dragged with its qualifier");
}

// A sequence object's box, lifeline and name all move.
TEST_F(DragFeedback, ASequenceObjectIsDrawnWholeWithItsNameWhereItIsHeld) {
    ASSERT_NO_FATAL_FAILURE(Open(4,
        "<Note id=\"r2\" Pos=\"1000 -1000\" Size=\"2000 1000\"><Text>n</Text></Note>\n"
        "<SeqObject id=\"r3\" Pos=\"4000 -3000\" Size=\"2000 1000\">\n<Text>a : A</Text>\n"
        "<LifeLine id=\"r4\" Pos=\"5000 -4000\" Len=\"4000\" Dying=\"0\"/>\n</SeqObject>\n"));
    const auto* object = First<Sequence::SeqObject>(*model_->model);
    ASSERT_TRUE(object && object->GetLifeLine());
    const zq::Rect r = object->GetRect();
    // The note's top-left corner is the drawing's.
    const PaneMap map{{1000, -1000, 3000, -2000}, ShownDark(pane_)};
    constexpr int dx = 100, dy = 30;
    const HeldPicture p = HoldAndCompare(Rule::Moves, map, {map.X(r.right) - 8, map.Y(r.top) + 6},
                                         {map.X(r.left) + 8, map.Y(r.bottom) - 6}, dx, dy, r);
    const auto* moved = First<Sequence::SeqObject>(*p.saved->model);
    ASSERT_TRUE(moved && moved->GetLifeLine());
    const zq::Rect n = moved->GetRect();
    EXPECT_NEAR(n.left - r.left, ShiftOf(dx, dy).x, 100);
    EXPECT_NEAR(n.top - r.top, ShiftOf(dx, dy).y, 100);
    const zq::Point top = moved->GetLifeLine()->GetTop(), bottom = moved->GetLifeLine()->GetBottom();
    const std::int32_t low = std::min(bottom.y, object->GetLifeLine()->GetBottom().y);
    std::vector<RECT> left;
    AddOutline(left, map, n);
    left.push_back(Around(map, {top.x, top.y, top.x, bottom.y}, 10));
    ExpectAlike(p, Around(map, {r.left, r.top, n.right, low}, 30), left, "the sequence object dragged");
}

// A composite state, its initial state, inner state, region separator and the transition between
// them all stay drawn, and so do the labels of the transition and the separator, with the lines they
// hang on.
TEST_F(DragFeedback, ACompositeStateStaysDrawnWithItsPartsWhileHeld) {
    ASSERT_NO_FATAL_FAILURE(Open(5,
        "<State id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 4000\" Large=\"1\">\n<Text>S</Text>\n"
        "<InitialState id=\"r3\" Pos=\"2600 -3600\"/>\n"
        "<State id=\"r4\" Pos=\"4200 -3400\" Size=\"2500 1200\">\n<Text>A</Text>\n</State>\n"
        "<RegionSeparator id=\"r11\" Pos=\"2000 -5000\" Len=\"6000\">\n<Anchor id=\"r12\" Pos=\"2300 -5000\">"
        "<FreeText id=\"r13\" Pos=\"2300 -4800\" Origin=\"4\"><Text>r</Text></FreeText></Anchor>\n"
        "</RegionSeparator>\n</State>\n"
        "<Transition id=\"r5\">\n<End id=\"r6\" Pos=\"3000 -3800\" State=\"r3\" Type=\"1\"/>\n"
        "<Segment id=\"r7\">\n<Anchor id=\"r9\" Pos=\"3600 -3800\"><FreeText id=\"r10\" Pos=\"3100 -3600\" "
        "Origin=\"4\"><Text>go</Text></FreeText></Anchor>\n</Segment>\n"
        "<End id=\"r8\" Pos=\"4200 -3800\" State=\"r4\" Type=\"2\"/>\n</Transition>\n"));
    // The states, the composite one first (it is the larger).
    auto states = [](const Core::Diagram& model) {
        std::vector<zq::Rect> found;
        for (const Core::ElementPtr& e : model.Elements())
            if (auto* s = dynamic_cast<const State::State*>(e.get()); s && !s->IsDeleted()) found.push_back(s->GetRect());
        std::sort(found.begin(), found.end(), [](const zq::Rect& a, const zq::Rect& b) { return a.Width() > b.Width(); });
        return found;
    };
    const std::vector<zq::Rect> before = states(*model_->model);
    const auto* initial = First<State::InitialState>(*model_->model);
    ASSERT_EQ(before.size(), 2u);
    ASSERT_TRUE(initial);
    const zq::Rect c = before[0], a = before[1], i = initial->GetRect();
    const PaneMap map = Map(c);
    constexpr int dx = 270, dy = 20;
    // A composite state is taken by its border (or its name), not inside.
    const HeldPicture p = HoldAndCompare(Rule::Stays, map, {map.X(c.right) - 3, map.Y(c.top) + 30},
                                         {map.X(c.left) + 3, map.Y(c.bottom) - 20}, dx, dy, c);
    const std::vector<zq::Rect> after = states(*p.saved->model);
    const auto* movedInitial = First<State::InitialState>(*p.saved->model);
    ASSERT_EQ(after.size(), 2u);
    ASSERT_TRUE(movedInitial);
    const zq::Point shift = after[0].TopLeft() - c.TopLeft();
    EXPECT_NEAR(shift.x, ShiftOf(dx, dy).x, 100);
    EXPECT_NEAR(shift.y, ShiftOf(dx, dy).y, 100);
    EXPECT_EQ(after[1], Shifted(a, shift)) << "the inner state did not move with its state";
    EXPECT_EQ(movedInitial->GetRect(), Shifted(i, shift)) << "the initial state did not move with its state";
    std::vector<RECT> left;
    AddOutline(left, map, after[0]);
    AddOutline(left, map, after[1]);
    left.push_back(Around(map, movedInitial->GetRect(), 5));
    // The dashed images of the labels (the labels themselves stay with the lines they hang on) and
    // of the region separator.
    for (const Core::ElementPtr& e : p.saved->model->Elements())
        if (auto* label = dynamic_cast<const Text::FreeText*>(e.get())) AddOutline(left, map, label->GetBox());
    left.push_back(Around(map, Shifted({c.left, -5000, c.right, -5000}, shift), 6));
    // The transition between them, with its arrow head.
    const zq::Rect line{i.right, std::min(i.top, a.top), a.left, std::max(i.bottom, a.bottom)};
    left.push_back(Around(map, Shifted(line, shift), 8));
    ExpectAlike(p, Around(map, {c.left, c.top, after[0].right, std::min(c.bottom, after[0].bottom)}, 30), left,
                "the composite state dragged");
}

// A composite state dragged past the reach of a transition coming down onto its top edge: while held,
// the new path's last leg shows, dashed, plumb onto the dragged edge; saved, the end is where the move
// put it, the far end where it was, the last segment plumb onto the edge and none along a border.
TEST_F(DragFeedback, ACompositeStateDraggedPastATransitionBendsItOntoItsTopEdge) {
    ASSERT_NO_FATAL_FAILURE(Open(5,
        "<State id=\"r2\" Pos=\"2000 -2000\" Size=\"3000 1500\">\n<Text>Idle</Text>\n</State>\n"
        "<State id=\"r3\" Pos=\"2000 -6000\" Size=\"6000 3000\" Large=\"1\">\n<Text>Checkout</Text>\n</State>\n"
        "<Transition id=\"r4\">\n<End id=\"r5\" Pos=\"3000 -3500\" State=\"r2\" Type=\"1\"/>\n<Segment id=\"r6\"/>\n"
        "<End id=\"r7\" Pos=\"3000 -6000\" State=\"r3\" Type=\"2\"/>\n</Transition>\n"));
    const PaneMap map = Map({2000, -2000, 8000, -9000});
    constexpr int dx = 200;  // Checkout's left edge passes x 3000, Idle does not reach as far
    const int x = map.X(3000 + ShiftOf(dx, 0).x), top = map.Y(-4750) + 4, bottom = map.Y(-6000) - 4;
    auto leg = [&](const PanePixels& s) { return Share(s, {x, top}, {x, bottom}, Ink::Dark) > 0.3; };
    EXPECT_TRUE(leg(HoldDrag({map.X(8000) - 3, map.Y(-6000) + 40}, dx, leg))) << "no last leg while held";
    const auto saved = SaveAndRead();
    const State::State* checkout = nullptr;
    const Connector::IConnector* t = First<State::Transition>(*saved->model);
    for (const Core::ElementPtr& e : saved->model->Elements())
        if (auto* s = dynamic_cast<const State::State*>(e.get()); s && s->GetRect().left != 2000) checkout = s;
    ASSERT_TRUE(checkout && t && t->GetEndCount() == 2);
    const double shift = checkout->GetRect().left - 2000;
    EXPECT_NEAR(shift, ShiftOf(dx, 0).x, 100) << "Checkout was not dropped where it was dragged";
    const Connector::IEnd* to = t->GetEnds()[t->GetEnds()[0]->GetTerminal() == checkout ? 0 : 1];
    EXPECT_EQ(t->GetEnds()[to == t->GetEnds()[0] ? 1 : 0]->GetPosition(), zq::float8Point(3000, -3500));
    EXPECT_EQ(to->GetPosition(), zq::float8Point(3000 + shift, -6000)) << "not where Checkout's move put it";
    EXPECT_TRUE(to->GetSegment()->IsVerticalOrtho()) << "the last segment does not meet the top edge square";
    for (const zq::Rect& r : {zq::Rect(2000, -2000, 5000, -3500), checkout->GetRect()})
        EXPECT_FALSE(ConnectorTest::RunsAlongBorder(*t, r)) << "a segment lies along a state's border";
}

// Two classes side by side, joined level from the right side of one to the left side of the other:
// the right one dragged 4000 units straight down and released at the same point after 2, 4, 12 or
// 30 pointer moves, each time in a fresh copy of the document. Every drop saves the same bytes.
TEST_F(DragFeedback, ADropSavesTheSameDocumentHoweverManyPointerMovesLeadThere) {
    const std::string classes =
        "<Class id=\"r2\" Pos=\"2000 -2000\" Size=\"3000 1500\">\n<Text>Order</Text>\n</Class>\n"
        "<Class id=\"r3\" Pos=\"8000 -2000\" Size=\"3000 1500\">\n<Text>Item</Text>\n</Class>\n"
        "<Assoc id=\"r4\">\n<End id=\"r5\" Pos=\"5000 -2700\" Class=\"r2\" Type=\"1\"/>\n"
        "<End id=\"r6\" Pos=\"8000 -2700\" Class=\"r3\" Type=\"1\"/>\n<Segment id=\"r7\" Ends=\"r5 r6\"/>\n</Assoc>\n";
    const int dy = int(std::lround(4000 * kPixelsPerUnit));
    std::string first;
    for (int moves : {2, 4, 12, 30}) {
        const std::wstring name = L"drop" + std::to_wstring(moves) + L".qvd";
        ASSERT_NO_FATAL_FAILURE(Open(1, classes, name));
        const PaneMap map = Map({2000, -2000, 11000, -3500});
        // Held, the dashed image of the class shows its top edge 4000 units lower.
        const int top = map.Y(-2000) + dy, left = map.X(8000) + 6, right = map.X(11000) - 6;
        const auto shown = [&](const PanePixels& s) { return Share(s, {left, top}, {right, top}, Ink::Dark) > 0.3; };
        EXPECT_TRUE(shown(HoldDrag({map.X(9500), map.Y(-3200)}, 0, shown, dy, moves)))
            << "no image at the release point after " << moves << " moves";
        const auto saved = SaveByKeysAndRead();
        const Class::Class* item = nullptr;
        for (const Core::ElementPtr& e : saved->model->Elements())
            if (auto* c = dynamic_cast<const Class::Class*>(e.get()); c && c->GetRect().left == 8000) item = c;
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->GetRect().top, -2000 + ShiftOf(0, dy).y) << "not dropped at the release point";
        const std::string bytes = Bytes(file_);
        if (first.empty()) first = bytes;
        EXPECT_EQ(bytes, first) << "dropped after " << moves << " pointer moves";
    }
}

// After a drag and drop, and after its undo and redo, Ctrl+A selects every element and shows it:
// typed at once, without a click into the pane first.
TEST_F(DragFeedback, CtrlASelectsEverythingAfterADropItsUndoAndItsRedo) {
    ASSERT_NO_FATAL_FAILURE(Open(1, TwoBoxes("Class")));
    const auto [a, b] = Boxes<Class::Class>(*model_->model);
    const PaneMap map = Map({a.left, a.top, b.right, std::min(a.bottom, b.bottom)});
    HoldDrag({map.X(a.left) + 10, map.Y(a.bottom) - 10}, 100, [](const PanePixels&) { return true; });
    const auto dropped = SaveByKeysAndRead();
    const auto [c, d] = Boxes<Class::Class>(*dropped->model);
    ASSERT_GT(c.left, a.left) << "the class was not dropped at its new place";
    ExpectSelectAllTakesEveryClass("after the drop", map, {c, d});
    Chord(VK_CONTROL, 'Z');
    Chord(VK_CONTROL, 'Y');
    ExpectSelectAllTakesEveryClass("after the drop's redo", map, {c, d});
    Chord(VK_CONTROL, 'Z');
    ExpectSelectAllTakesEveryClass("after the drop's undo", map, {a, b});
}

// How many classes the drag of everything moves, with about as many associations.
constexpr int kDraggedClasses = 150;

// Classes in rows of eight, each joined by an association to its right neighbour and the first of
// each row to the first of the next row, as the editor writes them.
std::string ClassesWithAssociations(int count) {
    std::ostringstream out;
    auto at = [](int i) { return POINT{1000 + i % 8 * 3500, -1000 - i / 8 * 2000}; };
    for (int i = 0; i < count; ++i)
        out << "<Class id=\"r" << 2 + i << "\" Pos=\"" << at(i).x << ' ' << at(i).y
            << "\" Size=\"3000 1500\"><Text>C" << i << "</Text></Class>\n";
    int id = 2 + count;
    auto join = [&](int from, int to, POINT p, POINT q) {
        const int assoc = id++, x = id++, y = id++, segment = id++;
        out << "<Assoc id=\"r" << assoc << "\"><End id=\"r" << x << "\" Pos=\"" << p.x << ' ' << p.y << "\" Class=\"r"
            << 2 + from << "\" Type=\"1\"/><End id=\"r" << y << "\" Pos=\"" << q.x << ' ' << q.y << "\" Class=\"r"
            << 2 + to << "\" Type=\"1\"/><Segment id=\"r" << segment << "\" Ends=\"r" << x << " r" << y
            << "\"/></Assoc>\n";
    };
    for (int i = 0; i < count; ++i) {
        const POINT c = at(i);
        if (i % 8 < 7 && i + 1 < count) join(i, i + 1, {c.x + 3000, c.y - 300}, {c.x + 3500, c.y - 300});
        if (i % 8 == 0 && i + 8 < count) join(i, i + 8, {c.x + 1500, c.y - 1500}, {c.x + 1500, c.y - 2000});
    }
    return out.str();
}

// The positions of the classes and of the association ends of a saved document, each list sorted.
struct Positions {
    std::vector<std::pair<long, long>> classes, ends;
};

Positions PositionsIn(const std::wstring& file) {
    Positions found;
    const Node root = ReadDocument(Bytes(file));
    for (auto [kind, list] : {std::pair{L"Class", &found.classes}, std::pair{L"End", &found.ends}}) {
        for (const Node* n : root.All(kind)) {
            std::wistringstream pos(n->Attribute(L"Pos"));
            long x = 0, y = 0;
            pos >> x >> y;
            list->push_back({x, y});
        }
        std::sort(list->begin(), list->end());
    }
    return found;
}

// Every element of a class diagram selected with Ctrl+A and dragged with the mouse: each class and
// each association end moves by the dragged distance, and one Ctrl+Z puts everything back.
TEST_F(DragFeedback, DraggingEverythingMovesEveryElementByTheDraggedDistanceInOneUndoStep) {
    ASSERT_NO_FATAL_FAILURE(Open(1, ClassesWithAssociations(kDraggedClasses)));
    const Positions original = PositionsIn(file_);
    ASSERT_EQ(original.classes.size(), size_t(kDraggedClasses));
    ASSERT_GE(original.ends.size(), size_t(kDraggedClasses));
    const std::optional<RECT> shown = SteadyDarkArea(pane_);
    ASSERT_TRUE(shown.has_value()) << "the pane shows nothing steady";
    // The first class lies at the top-left corner of what the pane shows.
    POINT grab{shown->left + 10, shown->top + 45};
    ScreenToClient(pane_, &grab);
    const Picture unselected = Picture::Of(pane_);
    Chord(VK_CONTROL, 'A');
    ASSERT_TRUE(WaitFor([&] { return !(Picture::Of(pane_) == unselected); })) << "Ctrl+A shows no marks";
    constexpr int dx = 96, dy = 48;
    HoldDrag(grab, dx, [](const PanePixels&) { return true; }, dy);

    SaveByKeysAndRead(120000);
    const Positions moved = PositionsIn(file_);
    ASSERT_EQ(moved.classes.size(), original.classes.size());
    ASSERT_EQ(moved.ends.size(), original.ends.size());
    const long sx = moved.classes[0].first - original.classes[0].first;
    const long sy = moved.classes[0].second - original.classes[0].second;
    EXPECT_NEAR(sx, dx / kPixelsPerUnit, 200);
    EXPECT_NEAR(sy, -dy / kPixelsPerUnit, 200);
    auto shifted = [&](std::vector<std::pair<long, long>> list) {
        for (auto& p : list) p = {p.first + sx, p.second + sy};
        return list;
    };
    EXPECT_EQ(moved.classes, shifted(original.classes)) << "not every class moved by the dragged distance";
    EXPECT_EQ(moved.ends, shifted(original.ends)) << "not every association end followed its class";

    Chord(VK_CONTROL, 'Z');
    SaveByKeysAndRead(120000);
    const Positions undone = PositionsIn(file_);
    EXPECT_EQ(undone.classes, original.classes) << "one undo step does not put every class back";
    EXPECT_EQ(undone.ends, original.ends) << "one undo step does not put every association end back";
}

}  // namespace
}  // namespace DragFeedbackTest
