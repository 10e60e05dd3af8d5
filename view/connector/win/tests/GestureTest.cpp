// Connectors edited in a real view window driven by posted messages through the system's own drag
// detection: a connector drawn with elbow clicks, an end dragged off its box and back, a segment
// split by a Ctrl-press; each gesture one undo step, checked in the saved document.
#include "view/connector/win/tests/ConnectorWindow.h"

#include "view/connector/win/Commands.h"

namespace ConnectorViewTest {
namespace {

constexpr UINT kNewLine = 40107;
using ConnectorGestures = ConnectorWindowTest;

TEST_F(ConnectorGestures, ThreeElbowClicksDrawAnOrthogonalConnectorWithJoinsAtTheCorners)
{
    Connector::CreateConnectorCmdHandler handler(w.Task(), kNewLine, Line::PartFactory());
    const size_t undo = UndoCount();
    w.Task().SetLastMousePoint({2500, 3000});
    ASSERT_TRUE(w.router.Execute({kNewLine, 0, nullptr}));
    ASSERT_TRUE(w.Task().IsBusy());
    Click(P(5000, 5000));  // up off box a's top corner, then across
    Click(P(7500, 5000));  // on across
    Click(P(7500, 3500));  // down onto box b
    ASSERT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);

    ASSERT_EQ(Live<Line>().size(), 1u);
    Line* line = Live<Line>().front();
    EXPECT_EQ(line->GetSegmentCount(), 3u);
    std::vector<zq::float8Point> joins;
    for (Connector::IJoin* j : line->GetJoins()) joins.push_back(j->GetPosition());
    const zq::float8Point up = F(5000, 5000), across = F(7500, 5000);
    EXPECT_EQ(joins, (std::vector<zq::float8Point>{{4000, up.y}, across})) << "the straight bend at the second click is smoothed away";
    for (Connector::ISegment* s : line->GetSegmentList()) {
        Connector::ISegmentEnd *p, *q;
        ASSERT_TRUE(s->GetEnds(p, q));
        EXPECT_EQ(s->IsHorizontalOrtho(), GraphUtil::IsHorizontal(p->GetPoint(), q->GetPoint()));
        EXPECT_EQ(s->IsVerticalOrtho(), GraphUtil::IsVertical(p->GetPoint(), q->GetPoint()));
        EXPECT_TRUE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
    }
    std::vector<Core::IModelElement*> terminals;
    for (Connector::IEnd* e : line->GetEnds()) terminals.push_back(e->GetTerminal());
    EXPECT_EQ(terminals, (std::vector<Core::IModelElement*>{a.get(), b.get()}));

    const std::string saved = Saved();
    EXPECT_EQ(Count(saved, "<Join "), 2u);
    EXPECT_EQ(Count(saved, "<Segment "), 3u);
    EXPECT_EQ(Count(saved, "Oblique"), 0u);
    w.Undo();
    EXPECT_TRUE(Live<Line>().empty());
}

TEST_F(ConnectorGestures, ARealClickInsideTheBoxBesideEndsTheConnectorStraightOnItsFacingEdge)
{
    Connector::CreateConnectorCmdHandler handler(w.Task(), kNewLine, Line::PartFactory());
    const size_t undo = UndoCount();
    w.Task().SetLastMousePoint({2500, 3000});
    ASSERT_TRUE(w.router.Execute({kNewLine, 0, nullptr}));
    const zq::Point clicked = RealClick({7500, 3300});  // inside box b, level with box a
    ASSERT_TRUE(PumpUntil([&] { return !w.Task().IsBusy(); })) << "the click did not reach the window";
    EXPECT_EQ(UndoCount(), undo + 1);
    ASSERT_EQ(Live<Line>().size(), 1u);
    Line* line = Live<Line>().front();
    ASSERT_EQ(line->GetSegmentCount(), 1u) << "one straight segment, no jog";
    EXPECT_TRUE(line->GetSegmentList()[0]->IsHorizontalOrtho());
    const std::vector<Connector::IEnd*> ends = line->GetEnds();
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0]->GetTerminal(), a.get());
    EXPECT_EQ(ends[1]->GetTerminal(), b.get());
    EXPECT_EQ(ends[0]->GetPosition(), zq::float8Point(4000, clicked.y)) << "on a's right edge";
    EXPECT_EQ(ends[1]->GetPosition(), zq::float8Point(6000, clicked.y)) << "on b's left edge, level with the click";
    EXPECT_EQ(Count(Saved(), "<Join "), 0u);
}

TEST_F(ConnectorGestures, ABranchDrawnWithOneRealClickOntoATrunkLeavesItsBoxUpwardsAndMeetsTheTrunkLevel)
{
    // A line up from a's top, across and down onto b; its left upright is the trunk.
    Line* first = AddLine({{2500, 4000}, {2500, 7000}, {7500, 7000}, {7500, 4000}});
    ASSERT_NE(first, nullptr);
    Connector::CreateConnectorCmdHandler handler(w.Task(), kNewLine, Line::PartFactory());
    w.Task().SetLastMousePoint({7500, 3000});  // inside b
    ASSERT_TRUE(w.router.Execute({kNewLine, 0, nullptr}));
    const zq::Point clicked = RealClick({2500, 5500});
    ASSERT_TRUE(PumpUntil([&] { return !w.Task().IsBusy(); })) << "the click did not reach the window";
    ASSERT_EQ(Live<Line>().size(), 1u) << "the branch joined the line it was drawn onto";
    Line* line = Live<Line>().front();
    // The trunk is cut at a join level with the click; the branch comes in level from b's side and
    // no segment runs along a's top edge or over the trunk.
    Connector::IJoin* fork = nullptr;
    for (Connector::IJoin* j : line->GetJoins())
        if (j->GetSegmentCount() == 3) fork = j;
    ASSERT_NE(fork, nullptr);
    EXPECT_EQ(fork->GetPosition(), zq::float8Point(2500, clicked.y));
    for (Connector::ISegment* s : line->GetSegmentList()) {
        Connector::ISegmentEnd *p, *q;
        ASSERT_TRUE(s->GetEnds(p, q));
        const double low = std::min(p->GetPoint().y, q->GetPoint().y);
        const double high = std::max(p->GetPoint().y, q->GetPoint().y);
        EXPECT_FALSE(low == 4000 && high == 4000) << "a segment along the boxes' top edges";
        EXPECT_TRUE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
    }
    size_t onB = 0;
    for (Connector::IEnd* e : line->GetEnds()) onB += e->GetTerminal() == b.get();
    EXPECT_EQ(line->GetEnds().size(), 3u);
    EXPECT_EQ(onB, 2u);
}

TEST_F(ConnectorGestures, EscapeAbandonsThePathAndLeavesNothing)
{
    Connector::CreateConnectorCmdHandler handler(w.Task(), kNewLine, Line::PartFactory());
    const size_t undo = UndoCount();
    w.Task().SetLastMousePoint({2500, 3000});
    ASSERT_TRUE(w.router.Execute({kNewLine, 0, nullptr}));
    Click(P(5000, 5000));
    PostMessageW(w.hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
    w.Pump();
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_TRUE(Live<Line>().empty());
    EXPECT_EQ(UndoCount(), undo);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ConnectorGestures, WithCtrlHeldTheClicksDrawStraightObliqueLegs)
{
    Connector::CreateConnectorCmdHandler handler(w.Task(), kNewLine, Line::PartFactory());
    w.Task().SetLastMousePoint({2500, 3000});
    KeysDown ctrl{VK_CONTROL};
    ASSERT_TRUE(w.router.Execute({kNewLine, 0, nullptr}));
    Click(P(5000, 5000), MK_CONTROL);
    Click(P(7500, 3500), MK_CONTROL);
    ASSERT_FALSE(w.Task().IsBusy());
    ASSERT_EQ(Live<Line>().size(), 1u);
    Line* line = Live<Line>().front();
    EXPECT_EQ(line->GetSegmentCount(), 2u);
    for (Connector::ISegment* s : line->GetSegmentList()) EXPECT_FALSE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
    EXPECT_EQ(line->GetEnds().back()->GetTerminal(), b.get());
    EXPECT_EQ(Count(Saved(), "Oblique"), 2u);
}

TEST_F(ConnectorGestures, LosingTheFocusAbandonsThePath)
{
    Connector::CreateConnectorCmdHandler handler(w.Task(), kNewLine, Line::PartFactory());
    w.Task().SetLastMousePoint({2500, 3000});
    ASSERT_TRUE(w.router.Execute({kNewLine, 0, nullptr}));
    Click(P(5000, 5000));
    SendMessageW(w.hwnd, WM_KILLFOCUS, 0, 0);
    w.Pump();
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_TRUE(Live<Line>().empty());
}

TEST_F(ConnectorGestures, AnEndDraggedOffItsBoxIsFreeAndDraggedBackIsAttachedAgain)
{
    Line* line = AddLine({{4000, 3000}, {6000, 3000}});
    Connector::IEnd* target = line->GetEnds().back();
    ASSERT_EQ(target->GetTerminal(), b.get());
    Click({5000, 3000});  // selects the segment: its marks are the ends' handles
    const size_t undo = UndoCount();

    Drag({6000, 3000}, P(7000, 5000));
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);
    EXPECT_EQ(target->GetTerminal(), nullptr);
    EXPECT_EQ(target->GetPosition(), F(7000, 5000));
    EXPECT_FALSE(line->GetSegmentList().front()->IsHorizontalOrtho());
    EXPECT_EQ(Count(Saved(), "Party"), 1u);  // only the source end lies on a box

    Drag(P(7000, 5000), P(7000, 3300));
    EXPECT_EQ(UndoCount(), undo + 2);
    EXPECT_EQ(target->GetTerminal(), b.get());
    EXPECT_EQ(target->GetPosition(), zq::float8Point(F(7000, 0).x, 4000));  // onto the nearer side, the top
    EXPECT_EQ(Count(Saved(), "Party"), 2u);
    EXPECT_EQ(GetCapture(), nullptr);

    w.Undo();
    w.Undo();
    EXPECT_EQ(target->GetTerminal(), b.get());
    EXPECT_EQ(target->GetPosition(), zq::float8Point(6000, 3000));
}

TEST_F(ConnectorGestures, ACtrlPressOnASegmentSplitsItAndDragsTheNewJoin)
{
    Line* line = AddLine({{4000, 3000}, {6000, 3000}});
    const size_t undo = UndoCount();
    Drag({5000, 3000}, P(5000, 5000), MK_CONTROL);
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);
    ASSERT_EQ(line->GetJoinCount(), 1u);
    EXPECT_EQ(line->GetJoins().front()->GetPosition(), F(5000, 5000));
    EXPECT_EQ(line->GetSegmentCount(), 2u);
    for (Connector::ISegment* s : line->GetSegmentList()) EXPECT_FALSE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
    const std::string saved = Saved();
    EXPECT_EQ(Count(saved, "<Join "), 1u);
    EXPECT_EQ(Count(saved, "Oblique"), 2u);
    w.Undo();
    EXPECT_EQ(line->GetJoinCount(), 0u);
    EXPECT_TRUE(line->GetSegmentList().front()->IsHorizontalOrtho());
}

} // namespace
} // namespace ConnectorViewTest
