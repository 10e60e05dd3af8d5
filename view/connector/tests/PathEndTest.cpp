// Where a drawn path ends on the target it was clicked on: where a level or plumb leg first meets
// the target's outline, so that a click inside a box ends straight on the edge that faces the path.
#include "view/connector/tests/ConnectorFixture.h"

#include "view/connector/Creation.h"

using namespace ConnectorTest;
using Connector::Elbow;
using Points = std::vector<zq::float8Point>;

namespace {
// The path from the point ended on the target clicked at the pointer.
std::vector<Connector::PathEntry> Ended(const zq::float8Point& from, const Core::IModelElement& target,
                                        const zq::float8Point& pointer, Elbow elbow)
{
    std::vector<Connector::PathEntry> path{{from, false}};
    Connector::EndPathOnTerminal(path, target, pointer, elbow);
    return path;
}

Points PointsOf(const std::vector<Connector::PathEntry>& path)
{
    Points out;
    for (const auto& e : path) out.push_back(e.point);
    return out;
}
} // namespace

// Box a spans x -3000..-2000 and b x 3000..4000, both y -900..-300.
TEST_F(ConnectorFixture, AClickInsideABoxLevelWithThePathEndsStraightOnItsFacingEdgeWhateverTheElbow)
{
    for (Elbow elbow : {Elbow::kHorizontalFirst, Elbow::kVerticalFirst, Elbow::kStraight}) {
        const auto path = Ended({-2000, -600}, *b, {3700, -600}, elbow);
        EXPECT_EQ(PointsOf(path), (Points{{-2000, -600}, {3000, -600}})) << int(elbow);
        EXPECT_EQ(path.back().orthogonal, elbow != Elbow::kStraight) << int(elbow);
    }
    // Leftwards onto a the same: the facing edge is a's right one.
    EXPECT_EQ(PointsOf(Ended({3000, -400}, *a, {-2900, -400}, Elbow::kHorizontalFirst)),
              (Points{{3000, -400}, {-2000, -400}}));
}

TEST_F(ConnectorFixture, AnElbowWhoseFirstLegAlreadyEntersTheBoxEndsWhereItEntersWithoutAJog)
{
    // The corner (3700, -400) lies inside b: the level leg stops at b's left edge instead of turning
    // down to the bottom edge nearest the click.
    EXPECT_EQ(PointsOf(Ended({-2000, -400}, *b, {3700, -850}, Elbow::kHorizontalFirst)),
              (Points{{-2000, -400}, {3000, -400}}));
    // Plumb likewise: from below b straight up onto its bottom edge.
    EXPECT_EQ(PointsOf(Ended({3200, -3000}, *b, {3900, -350}, Elbow::kVerticalFirst)),
              (Points{{3200, -3000}, {3200, -900}}));
}

TEST_F(ConnectorFixture, TheSecondLegEndsOnTheEdgeItMeetsNotOnTheOneNearestTheClick)
{
    // From above b, a click near its bottom: the leg down from the corner ends on the top edge.
    EXPECT_EQ(PointsOf(Ended({0, 2000}, *b, {3500, -850}, Elbow::kHorizontalFirst)),
              (Points{{0, 2000}, {3500, 2000}, {3500, -300}}));
    // Vertical first: the level leg from the corner ends on the left edge, not the bottom one.
    EXPECT_EQ(PointsOf(Ended({0, 2000}, *b, {3500, -850}, Elbow::kVerticalFirst)),
              (Points{{0, 2000}, {0, -850}, {3000, -850}}));
}

TEST_F(ConnectorFixture, ABranchClickedOntoAVerticalTrunkMeetsItLevelWithTheClick)
{
    Wire* trunk = Path({{0, -2000}, {0, 2000}});
    Connector::ISegment* s = trunk->GetSegmentList()[0];
    // Up from beside the trunk's foot, then across onto the trunk where it was clicked, not down
    // along the trunk from the foot's level.
    EXPECT_EQ(PointsOf(Ended({1000, -2500}, *s, {0, 500}, Elbow::kVerticalFirst)),
              (Points{{1000, -2500}, {1000, 500}, {0, 500}}));
}

TEST_F(ConnectorFixture, WhenNoLegMeetsTheTargetTheSecondLegKeepsItsAxisOntoTheCandidateForTheClick)
{
    // Starting inside b, neither leg crosses its outline on the way to the click.
    EXPECT_EQ(PointsOf(Ended({3500, -600}, *b, {3800, -450}, Elbow::kHorizontalFirst)),
              (Points{{3500, -600}, {3800, -600}, {3800, -300}}));
}

TEST_F(ConnectorFixture, AConnectorBuiltAlongAPathEndedInsideABoxRunsAsOneLevelSegmentBetweenTheFacingEdges)
{
    const auto path = Ended({-2000, -600}, *b, {3700, -600}, Elbow::kHorizontalFirst);
    Connector::IConnector* c = nullptr;
    Change([&](Core::Env& env) { c = Connector::BuildPathConnector(env, Wire::PartFactory(), path, a.get(), b.get(), nullptr); });
    ASSERT_NE(nullptr, c);
    ASSERT_EQ(1u, c->GetSegmentCount());
    EXPECT_TRUE(c->GetSegmentList()[0]->IsHorizontalOrtho());
    ASSERT_EQ(1u, b->Ends().size());
    EXPECT_EQ(zq::float8Point(3000, -600), b->Ends()[0]->GetPosition());
    EXPECT_EQ(1u, a->Ends().size());
    EXPECT_EQ("", CheckAll());
}

// A free end carried into a box (a copy's end whose box was not copied, dropped inside it) lands
// where its segment, coming from outside, meets the outline, not on the edge nearest the drop,
// beyond the box: the line does not run across it. Box b spans x 3000..4000, y -900..-300.
TEST_F(ConnectorFixture, AFreeEndCarriedIntoABoxLandsWhereItsSegmentComesIn)
{
    const struct {
        Points path;  // the last point is the free end, inside b
        zq::float8Point landed;
    } cases[] = {
        {{{0, 2000}, {3500, 2000}, {3500, -850}}, {3500, -300}},    // down from above, dropped near the bottom
        {{{0, 2000}, {0, -600}, {3950, -600}}, {3000, -600}},        // from the left, near the right edge
        {{{3500, -3000}, {3500, -350}}, {3500, -900}},               // up from below, near the top
        {{{1000, 1700}, {3900, -850}}, {1000 + 2900 * 2000 / 2550.0, -300}},  // slanting in over the top edge
    };
    for (const auto& c : cases) {
        Wire* w = Path(c.path);
        Connector::IEnd* end = w->GetEnds().back();
        ASSERT_EQ(end->GetPosition(), c.path.back());
        zq::float8Point landed;
        Change([&](Core::Env& env) {
            Connector::LandOnTerminal(env, *end, *b, c.path.back());
            landed = end->GetPosition();
        });
        EXPECT_EQ(end->GetTerminal(), b.get()) << c.path.front().x;
        EXPECT_NEAR(landed.x, c.landed.x, 1) << c.path.front().x;
        EXPECT_NEAR(landed.y, c.landed.y, 1) << c.path.front().x;
        EXPECT_EQ(CheckAll(), "");
    }
}
