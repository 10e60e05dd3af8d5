// Cutting segments, the "Keep Orthogonal" switch, and segments that overlap from one join.
#include "view/connector/tests/ConnectorFixture.h"

#include "view/connector/Editing.h"

using namespace ConnectorTest;

TEST_F(ConnectorFixture, KeepOrthogonalIsGreyOnAnUnalignedObliqueSegmentAndCheckedWithAFlag)
{
    Wire* oblique = Path({{0, 0}, {1000, 700}});
    Wire* level = Path({{0, 2000}, {1000, 2000}});
    const auto o = Connector::GetKeepOrthogonalState(*oblique->GetSegmentList()[0], true);
    EXPECT_FALSE(o.enabled);
    EXPECT_FALSE(o.checked);
    const auto l = Connector::GetKeepOrthogonalState(*level->GetSegmentList()[0], true);
    EXPECT_TRUE(l.enabled);
    EXPECT_TRUE(l.checked);
    EXPECT_FALSE(Connector::GetKeepOrthogonalState(*level->GetSegmentList()[0], false).enabled);
}

TEST_F(ConnectorFixture, KeepOrthogonalOffAndOnRestoresTheFlagOfTheAxisOnly)
{
    Wire* level = Path({{0, 2000}, {1000, 2000}});
    Connector::ISegment* s = level->GetSegmentList()[0];
    Change([&](Core::Env& env) { Connector::ToggleKeepOrthogonal(env, *s); });
    EXPECT_FALSE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
    EXPECT_TRUE(Connector::GetKeepOrthogonalState(*s, true).enabled) << "still level, so it can be switched on";
    Change([&](Core::Env& env) { Connector::ToggleKeepOrthogonal(env, *s); });
    EXPECT_TRUE(s->IsHorizontalOrtho());
    EXPECT_FALSE(s->IsVerticalOrtho());
    Undo();
    EXPECT_FALSE(s->IsHorizontalOrtho());
}

TEST_F(ConnectorFixture, SplitAndReleaseOnAStraightSegmentIsSmoothedAway)
{
    Wire* w = Path({{0, 0}, {2000, 0}});
    Connector::IJoin* j = nullptr;
    Change([&](Core::Env& env) {
        j = Connector::SplitSegment(env, *w->GetSegmentList()[0], {700, 150});
        ASSERT_NE(nullptr, j);
        EXPECT_EQ(zq::float8Point(700, 0), j->GetPosition()) << "the join sits on the segment";
        EXPECT_EQ(2u, w->GetSegmentCount());
        EXPECT_EQ("", w->CheckGraph());
    });
    EXPECT_TRUE(j->IsDeleted());
    EXPECT_EQ(1u, Live<WireSegment>());
    EXPECT_EQ("", CheckAll());
}

TEST_F(ConnectorFixture, SplitThenDraggedJoinMakesAnObliqueBend)
{
    Wire* w = Path({{0, 0}, {2000, 0}});
    Change([&](Core::Env& env) {
        Connector::IJoin* j = Connector::SplitSegment(env, *w->GetSegmentList()[0], {1000, 0});
        Core::DeferredShiftSet set;
        j->Shift(env, nullptr, {0, 800, true, true}, set, false);
    });
    ASSERT_EQ(1u, w->GetJoinCount());
    EXPECT_EQ(zq::float8Point(1000, 800), w->GetJoins()[0]->GetPosition());
    EXPECT_EQ(2u, w->GetSegmentCount());
    for (auto* s : w->GetSegmentList()) EXPECT_FALSE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
    Undo();
    EXPECT_EQ(1u, Live<WireSegment>());
}

TEST_F(ConnectorFixture, SegmentsLeavingAJoinInOneDirectionBecomeAChain)
{
    // From the join at (0, 0) two level segments run right: to a join at (1000, 0) and to an end at (3000, 0).
    Wire* w = nullptr;
    Wire* onInner = Path({{500, 1000}, {500, 100}});
    Wire* onOuter = Path({{2500, 1000}, {2500, 100}});
    Change([&](Core::Env& env) {
        Connector::IFactory& f = Wire::PartFactory();
        auto c = f.CreateConnector(env);
        w = dynamic_cast<Wire*>(c.get());
        auto j = f.CreateJoinAt(env, {0, 0});
        auto k = f.CreateJoinAt(env, {1000, 0});
        auto e0 = f.CreateEndAt(env, {0, -1000});
        auto e1 = f.CreateEndAt(env, {1000, -1000});
        auto e2 = f.CreateEndAt(env, {3000, 0});
        auto link = [&](Connector::ISegmentEnd* p, Connector::ISegmentEnd* q) {
            auto s = f.CreateNewSegment(env);
            s->SetEnds(env, {p, q});
            p->SetSegment(env, s.get());
            q->SetSegment(env, s.get());
            s->SetOrthoFlags(env);
            return s;
        };
        link(e0.get(), j.get());
        link(j.get(), k.get());
        link(k.get(), e1.get());
        auto longer = link(j.get(), e2.get());
        e2->BuildConnector(env, nullptr, *c);
        onInner->GetEnds()[1]->SetTerminal(env, longer.get());
        onOuter->GetEnds()[1]->SetTerminal(env, longer.get());
    });
    ASSERT_NE(nullptr, w);
    EXPECT_EQ("", CheckAll());
    // The long segment now starts at the nearer join; the join at (0, 0) keeps two segments.
    Connector::IJoin* j = w->GetJoins()[0];
    Connector::IJoin* k = w->GetJoins()[1];
    EXPECT_EQ(2u, j->GetSegmentCount());
    EXPECT_EQ(3u, k->GetSegmentCount());
    // Each end on the long segment stays on the stretch under it.
    auto* inner = dynamic_cast<Connector::ISegment*>(onInner->GetEnds()[1]->GetTerminal());
    auto* outer = dynamic_cast<Connector::ISegment*>(onOuter->GetEnds()[1]->GetTerminal());
    ASSERT_TRUE(inner && outer);
    EXPECT_TRUE(inner->GetEndList()[0] == j || inner->GetEndList()[1] == j);
    EXPECT_TRUE(outer->GetEndList()[0] == k || outer->GetEndList()[1] == k);
}

TEST_F(ConnectorFixture, PathOntoARefusingTargetMakesNothingAndFreeLegsStayOblique)
{
    struct OnlyB : Core::IFilter {
        const Core::IModelElement* b;
        bool Accept(const Core::IModelElement* e) const override { return e == b; }
    } onlyB;
    onlyB.b = b.get();
    const std::size_t before = diagram.GetElementCount();
    Change([&](Core::Env& env) {
        EXPECT_EQ(nullptr, Connector::BuildPathConnector(env, Wire::PartFactory(), {{{-2000, 0}}, {{0, 0}}, {{0, 500}}},
                                                         a.get(), a.get(), &onlyB));
        EXPECT_EQ(nullptr, Connector::BuildPathConnector(env, Wire::PartFactory(), {{{-2000, 0}}}, a.get(), b.get(), &onlyB));
    });
    EXPECT_EQ(before, diagram.GetElementCount());
    // Drawn free (not orthogonal) legs get no flag even where they happen to be level.
    Connector::IConnector* c = nullptr;
    Change([&](Core::Env& env) {
        c = Connector::BuildPathConnector(env, Wire::PartFactory(), {{{-2000, -500}}, {{0, -500}}, {{3000, 0}}},
                                          a.get(), b.get(), &onlyB);
    });
    ASSERT_NE(nullptr, c);
    EXPECT_FALSE(c->GetSegmentList()[0]->IsHorizontalOrtho());
    EXPECT_EQ(1u, a->Ends().size());
    EXPECT_EQ(1u, b->Ends().size());
    EXPECT_EQ(2, c->GetEnds()[1]->GetEndType());
}
