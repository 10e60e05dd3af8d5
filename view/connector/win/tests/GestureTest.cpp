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
    Click(P(5000, 5000));  // a horizontal leg off box a, then up
    Click(P(7500, 5000));  // across
    Click(P(7500, 3500));  // down onto box b
    ASSERT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);

    ASSERT_EQ(Live<Line>().size(), 1u);
    Line* line = Live<Line>().front();
    EXPECT_EQ(line->GetSegmentCount(), 4u);
    std::vector<zq::float8Point> joins;
    for (Connector::IJoin* j : line->GetJoins()) joins.push_back(j->GetPosition());
    const zq::float8Point up = F(5000, 5000), across = F(7500, 5000);
    EXPECT_EQ(joins, (std::vector<zq::float8Point>{{up.x, 4000}, up, across}));
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
    EXPECT_EQ(Count(saved, "<Join "), 3u);
    EXPECT_EQ(Count(saved, "<Segment "), 4u);
    EXPECT_EQ(Count(saved, "Oblique"), 0u);
    w.Undo();
    EXPECT_TRUE(Live<Line>().empty());
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
