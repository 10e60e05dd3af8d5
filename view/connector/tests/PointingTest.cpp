// Pointing at connector parts: nearness, rectangles and which part a press at a point prefers.
#include "view/connector/tests/ConnectorFixture.h"

#include "core/Weight.h"
#include "core/tests/SelectionTestKinds.h"

using namespace ConnectorTest;

TEST_F(ConnectorFixture, SegmentIsNearWithinTheToleranceOfItsLine)
{
    Wire* w = Path({{0, 0}, {2000, 0}});
    Connector::ISegment* s = w->GetSegmentList()[0];
    EXPECT_TRUE(s->IsNear({1000, 200}, 200));
    EXPECT_FALSE(s->IsNear({1000, 201}, 200));
    EXPECT_FALSE(s->IsNear({2300, 0}, 200));
    zq::Rect r;
    ASSERT_TRUE(s->GetBoundingRect(r));
    EXPECT_EQ(zq::Rect(0, 0, 2000, 0), r);
}

TEST_F(ConnectorFixture, JoinAndEndOutweighTheirSegmentsAndSelectionRaisesASegment)
{
    SelKinds::TestView view;
    diagram.AttachView(view);
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 1000}});
    Wire* twin = Path({{0, 20}, {1000, 20}, {1000, 3000}});
    Connector::IJoin* j = w->GetJoins()[0];
    Connector::ISegment* s = w->GetSegmentList()[0];
    const zq::Point at{1000, 0};
    EXPECT_TRUE(j->GetWeight(view, at, 200) > s->GetWeight(view, at, 200));
    EXPECT_TRUE(w->GetEnds()[0]->GetWeight(view, {0, 0}, 200) > s->GetWeight(view, {0, 0}, 200));
    // Equally near two parallel segments: the selected one wins.
    Connector::ISegment* other = twin->GetSegmentList()[0];
    const zq::Point between{500, 10};
    EXPECT_FALSE(other->GetWeight(view, between, 200) > s->GetWeight(view, between, 200));
    other->SelectInView(view, true);
    EXPECT_TRUE(other->GetWeight(view, between, 200) > s->GetWeight(view, between, 200));
    diagram.DetachView(view);
}
