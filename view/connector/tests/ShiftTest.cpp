// Moving connector parts and the clean-up that follows: smoothing, fusing, following terminals.
#include "view/connector/tests/Borders.h"
#include "view/connector/tests/ConnectorFixture.h"

#include "view/connector/Editing.h"

#include "core/ModelElementSet.h"

#include <random>

using namespace ConnectorTest;

TEST_F(ConnectorFixture, CollinearJoinVanishesButARealBendStays)
{
    Wire* straight = Path({{0, 0}, {1000, 0}, {2000, 0}});
    EXPECT_EQ(0u, straight->GetJoinCount());
    ASSERT_EQ(1u, straight->GetSegmentCount());
    EXPECT_TRUE(straight->GetSegmentList()[0]->IsHorizontalOrtho());
    Wire* bend = Path({{0, 5000}, {1000, 5000}, {1000, 6000}});
    EXPECT_EQ(1u, bend->GetJoinCount());
    EXPECT_EQ("", CheckAll());
}

TEST_F(ConnectorFixture, ObliqueJoinSmoothsWithinTwoHundredUnitsOnly)
{
    Wire* near = Path({{0, 0}, {1000, 200}, {2000, 0}});
    Wire* far = Path({{0, 5000}, {1000, 5201}, {2000, 5000}});
    EXPECT_EQ(0u, near->GetJoinCount());
    EXPECT_EQ(1u, far->GetJoinCount());
}

TEST_F(ConnectorFixture, JoinDroppedOnAJoinFusesAndTheStraightRestSmooths)
{
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 1000}, {2000, 1000}});
    ASSERT_EQ(2u, w->GetJoinCount());
    Connector::IJoin* upper = w->GetJoins()[1];
    Move({upper}, 0, -1000);
    EXPECT_EQ("", CheckAll());
    EXPECT_EQ(0u, Live<WireJoin>());
    EXPECT_EQ(1u, Live<WireSegment>());
    Undo();
    EXPECT_EQ(2u, Live<WireJoin>());
    EXPECT_EQ(zq::float8Point(1000, 1000), upper->GetPosition());
}

TEST_F(ConnectorFixture, MovingAnOrthogonalSegmentsEndDragsTheFarEndAlong)
{
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 1000}});
    Connector::IEnd* end = w->GetEnds()[0];
    Move({end}, 300, 400);
    // The horizontal segment keeps level: the join rises with the end, the vertical one shortens.
    EXPECT_EQ(zq::float8Point(1000, 400), w->GetJoins()[0]->GetPosition());
    EXPECT_TRUE(w->GetSegmentList()[0]->IsHorizontalOrtho());
    EXPECT_EQ("", CheckAll());
}

TEST_F(ConnectorFixture, ConnectorFollowsWhenBothTerminalsMove)
{
    Wire* w = Path({{-2000, 0}, {0, 0}, {0, 200}, {3000, 200}}, a.get(), b.get());
    std::vector<zq::float8Point> before;
    for (auto* j : w->GetJoins()) before.push_back(j->GetPosition());
    Move({a.get(), b.get()}, 500, 700);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(zq::float8Point(before[i].x + 500, before[i].y + 700), w->GetJoins()[i]->GetPosition());
    EXPECT_EQ(zq::float8Point(-1500, 700), w->GetEnds()[0]->GetPosition());
}

TEST_F(ConnectorFixture, RepeatedPreviewShiftsDoNotAddUp)
{
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 1000}});
    Connector::IJoin* j = w->GetJoins()[0];
    Change([&](Core::Env& env) {
        Core::ModelElementSet set;
        set.Insert(j->shared_from_this());
        Core::DeferredShiftSet shift(set, &diagram, nullptr);
        for (int i = 1; i <= 5; ++i) shift.ShiftAll(env, {100.0 * i, 0, true, true});
        shift.ShiftDeferred(env);
    });
    EXPECT_EQ(zq::float8Point(1500, 0), j->GetPosition());
}

TEST_F(ConnectorFixture, EndMergedIntoASegmentCutsItAndSpreadsTheEndsLyingOnIt)
{
    Wire* target = Path({{0, 0}, {4000, 0}});
    Wire* left = Path({{1000, 2000}, {1000, 1000}});
    Wire* right = Path({{3000, 2000}, {3000, 1000}});
    Wire* dropped = Path({{2000, -2000}, {2000, 0}});
    auto* seg = target->GetSegmentList()[0];
    Change([&](Core::Env& env) {
        left->GetEnds()[1]->SetTerminal(env, seg);
        right->GetEnds()[1]->SetTerminal(env, seg);
    });
    Change([&](Core::Env& env) { Connector::Functions::MergeEndIntoSegment(env, *dropped->GetEnds()[1], *seg); });
    EXPECT_TRUE(dropped->IsDeleted());
    EXPECT_EQ(1u, target->GetJoinCount());
    EXPECT_EQ(3u, target->GetSegmentCount());
    // Each end lying on the cut segment went to the half under it.
    auto* l = dynamic_cast<Connector::ISegment*>(left->GetEnds()[1]->GetTerminal());
    auto* r = dynamic_cast<Connector::ISegment*>(right->GetEnds()[1]->GetTerminal());
    ASSERT_TRUE(l && r);
    EXPECT_NE(l, r);
    for (auto [s, x] : {std::pair{l, 1000.0}, std::pair{r, 3000.0}}) {
        Connector::ISegmentEnd *p, *q;
        ASSERT_TRUE(s->GetEnds(p, q));
        EXPECT_LE(std::min(p->GetPoint().x, q->GetPoint().x), x);
        EXPECT_GE(std::max(p->GetPoint().x, q->GetPoint().x), x);
    }
    EXPECT_EQ("", CheckAll());
}

TEST_F(ConnectorFixture, EndsLyingOnASegmentReconnectedToAnotherPointFollowItsLine)
{
    Wire* tree = Tree();  // a join at (0, 0)
    Wire* dropped = Path({{100, 2100}, {100, 100}});
    Wire* onIt = Path({{1000, 1100}, {100, 1100}});   // its end lies halfway along dropped's segment
    Wire* onTree = Path({{-500, -1000}, {-500, 0}});  // its end lies on a branch of the tree
    auto* seg = dropped->GetSegmentList()[0];
    Connector::IJoin* j = tree->GetJoins()[0];
    Change([&](Core::Env& env) {
        onIt->GetEnds()[1]->SetTerminal(env, seg);
        onTree->GetEnds()[1]->SetTerminal(env, tree->GetSegmentList()[0]);
    });
    Change([&](Core::Env& env) { Connector::Functions::MergeEndIntoJoin(env, *dropped->GetEnds()[1], *j); });
    // The line ran from (100, 100) to (100, 2100) and now from the join at (0, 0): the end keeps its
    // relative place.
    EXPECT_EQ(zq::float8Point(50, 1050), onIt->GetEnds()[1]->GetPosition());
    EXPECT_EQ(seg, onIt->GetEnds()[1]->GetTerminal());
    EXPECT_EQ(zq::float8Point(-500, 0), onTree->GetEnds()[1]->GetPosition());
    EXPECT_EQ("", CheckAll());
    Undo();
    EXPECT_EQ(zq::float8Point(100, 1100), onIt->GetEnds()[1]->GetPosition());
}

TEST_F(ConnectorFixture, AnEndInsideItsBoxIsPutOnTheOutlineWhereItsLevelSegmentMeetsIt)
{
    const zq::Rect r = b->GetRect();
    const double y = (r.top + r.bottom) / 2.0, inside = (r.left + r.right) / 2.0;
    Wire* w = Path({{0, y}, {inside, y}}, nullptr, b.get());
    Connector::IEnd* e = w->GetEnds()[1];
    EXPECT_EQ(b.get(), e->GetTerminal());
    EXPECT_EQ(zq::float8Point(std::min(r.left, r.right), y), e->GetPosition());
    EXPECT_TRUE(w->GetSegmentList()[0]->IsHorizontalOrtho());
    // An oblique segment's end stays where it was put.
    Wire* o = Path({{0, y + 1000}, {inside, y}}, nullptr, b.get());
    EXPECT_EQ(zq::float8Point(inside, y), o->GetEnds()[1]->GetPosition());
    EXPECT_EQ("", CheckAll());
}

TEST_F(ConnectorFixture, MergedEndsBecomeOneJoin)
{
    Wire* w1 = Path({{0, 0}, {1000, 0}});
    Wire* w2 = Path({{1000, 1000}, {1000, 0}});
    Change([&](Core::Env& env) { Connector::Functions::MergeEnds(env, *w1->GetEnds()[1], *w2->GetEnds()[1]); });
    EXPECT_TRUE(w2->IsDeleted());
    EXPECT_EQ(1u, w1->GetJoinCount());
    EXPECT_EQ(2u, w1->GetEndCount());
    EXPECT_EQ("", CheckAll());
}

// Random moves of boxes, joins and ends, deletions, undo and redo keep every connector sound, and
// the document reads back as it was written.
TEST_F(ConnectorFixture, RandomEditingKeepsTheGraphSound)
{
    const unsigned seeds = 1000;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        Scene scene;
        Scene* f = &scene;
        Core::Diagram& diagram = scene.diagram;
        Core::Diagram fresh{Registry(), nullptr};
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        auto coord = [&] { return double(pick(9) * 500 - 2000); };
        f->Path({{-2000, 0}, {0, 0}, {0, coord()}, {coord(), coord()}, {3000, 0}}, scene.a.get(), scene.b.get());
        f->Path({{coord(), coord()}, {coord(), coord()}});
        auto live = [&](auto* type) {
            std::vector<std::remove_pointer_t<decltype(type)>*> l;
            for (const auto& e : diagram.Elements())
                if (auto* x = dynamic_cast<decltype(type)>(e.get()); x && !e->IsDeleted()) l.push_back(x);
            return l;
        };
        for (int step = 0; step < 10; ++step) {
            std::vector<Core::IModelElement*> parts;
            for (const auto& e : diagram.Elements())
                if (!e->IsDeleted() && (dynamic_cast<Connector::ISegmentEnd*>(e.get()) || dynamic_cast<Box*>(e.get())))
                    parts.push_back(e.get());
            const int op = pick(10);
            if (op < 3 && !parts.empty()) {
                f->Move({parts[pick(int(parts.size()))]}, coord() / 2, coord() / 2);
            } else if (op == 3) {
                std::vector<Connector::ISegment*> segs;
                for (const auto& e : diagram.Elements())
                    if (auto* s = dynamic_cast<Connector::ISegment*>(e.get()); s && !s->IsDeleted()) segs.push_back(s);
                if (!segs.empty()) f->Change([&](Core::Env& env) { segs[pick(int(segs.size()))]->Delete(env); });
            } else if (op == 4) {
                f->Undo();
            } else if (op == 5) {
                f->Redo();
            } else if (op == 6) {
                // Cut a segment and drag the new join, or switch its Keep Orthogonal.
                auto segs = live(static_cast<Connector::ISegment*>(nullptr));
                if (segs.empty()) continue;
                Connector::ISegment* s = segs[pick(int(segs.size()))];
                const bool cut = pick(2) == 0;
                const double dx = coord() / 4, dy = coord() / 4;
                f->Change([&](Core::Env& env) {
                    if (!cut) return Connector::ToggleKeepOrthogonal(env, *s);
                    Connector::IJoin* j = Connector::SplitSegment(env, *s, {coord(), coord()});
                    Core::DeferredShiftSet set;
                    if (j != nullptr) j->Shift(env, nullptr, {dx, dy, true, true}, set, false);
                });
            } else if (op == 9) {
                // Delete a whole wire or a box with the chains of the ends on it.
                std::vector<Core::IDeletable*> gone;
                for (auto* c : live(static_cast<Connector::IConnector*>(nullptr))) gone.push_back(c);
                for (auto* b : live(static_cast<Box*>(nullptr))) gone.push_back(b);
                if (!gone.empty()) f->Change([&](Core::Env& env) { gone[pick(int(gone.size()))]->Delete(env); });
            } else {
                // Drop a free end onto a join, a segment or an end of another wire.
                std::vector<Connector::IEnd*> free;
                for (auto* e : live(static_cast<Connector::IEnd*>(nullptr)))
                    if (e->GetTerminal() == nullptr) free.push_back(e);
                auto targets = live(static_cast<Connector::IConnectorElement*>(nullptr));
                if (free.empty() || targets.empty()) continue;
                Connector::IEnd* e = free[pick(int(free.size()))];
                Connector::IConnectorElement* t = targets[pick(int(targets.size()))];
                if (t->GetConnector() == e->GetConnector()) continue;
                f->Change([&](Core::Env& env) {
                    if (auto* j = dynamic_cast<Connector::IJoin*>(t)) Connector::Functions::MergeEndIntoJoin(env, *e, *j);
                    else if (auto* s = dynamic_cast<Connector::ISegment*>(t)) Connector::Functions::MergeEndIntoSegment(env, *e, *s);
                    else if (auto* o = dynamic_cast<Connector::IEnd*>(t)) Connector::Functions::MergeEnds(env, *e, *o);
                });
            }
            ASSERT_EQ("", f->CheckAll()) << "seed " << seed << " step " << step;
        }
        std::string saved;
        try {
            saved = f->Save();
            fresh.LoadXML(saved);
        } catch (const std::exception& e) {
            FAIL() << "seed " << seed << ": " << e.what();
        }
        std::ostringstream again;
        fresh.SaveXML(again);
        ASSERT_EQ(saved, again.str()) << "seed " << seed;
    }
}

TEST_F(ConnectorFixture, TerminalMovedBeyondALevelSegmentGetsTwoBendsAndStillMeetsItsSideLevel)
{
    // Level from the right side of a to the left side of b; b moves up by more than its height, as a
    // drag moves it: within reach first, far beyond, then back to 1500.
    Wire* w = Path({{-2000, -500}, {3000, -500}}, a.get(), b.get());
    ASSERT_TRUE(w->GetSegmentList()[0]->IsHorizontalOrtho());
    Change([&](Core::Env& env) {
        Core::ModelElementSet moved;
        moved.Insert(b);
        Core::DeferredShiftSet shift(moved, &diagram, nullptr);
        for (double dy : {100, 3000, 1500}) shift.ShiftAll(env, {0, dy, true, true});
        shift.ShiftDeferred(env);
    });
    EXPECT_EQ("", CheckAll());
    ASSERT_EQ(2u, w->GetJoinCount());
    ASSERT_EQ(2u, w->GetEndCount());
    // The end on a stays; the connector turns up halfway and on to b's side level again.
    Connector::IEnd* onA = w->GetEnds()[0]->GetTerminal() == a.get() ? w->GetEnds()[0] : w->GetEnds()[1];
    EXPECT_EQ(zq::float8Point(-2000, -500), onA->GetPosition());
    std::vector<zq::float8Point> bends{w->GetJoins()[0]->GetPosition(), w->GetJoins()[1]->GetPosition()};
    std::sort(bends.begin(), bends.end(), [](auto& p, auto& q) { return p.y < q.y; });
    EXPECT_EQ((std::vector<zq::float8Point>{{500, -500}, {500, 1000}}), bends);
    int level = 0;
    for (auto* s : w->GetSegmentList()) level += s->IsHorizontalOrtho() ? 1 : 0;
    EXPECT_EQ(2, level) << "the parts from a and onto b stay level";
    Connector::IEnd* onB = nullptr;
    for (auto* e : w->GetEnds())
        if (e->GetTerminal() == b.get()) onB = e;
    ASSERT_NE(nullptr, onB) << "the new end took over the terminal";
    EXPECT_EQ(zq::float8Point(3000, 1000), onB->GetPosition()) << "not where b's move put it";
    EXPECT_FALSE(RunsAlongBorder(*w, b->GetRect()));
    EXPECT_EQ(2, onB->GetEndType());
    EXPECT_EQ(1u, b->Ends().size());
    Undo();
    EXPECT_EQ(0u, w->GetJoinCount());
    EXPECT_EQ("", CheckAll());
}

TEST_F(ConnectorFixture, AFarEndMovedPastTheTerminalTurnsTheEndToTheFacingSide)
{
    // Level from a's right side to a free end beyond it; the free end moves past a's left side.
    const zq::Rect r = a->GetRect().Normalized();
    const double y = (r.top + r.bottom) / 2.0;
    Wire* w = Path({{double(r.right), y}, {r.right + 2000.0, y}}, a.get(), nullptr);
    Connector::IEnd* onA = w->GetEnds()[0]->GetTerminal() == a.get() ? w->GetEnds()[0] : w->GetEnds()[1];
    Connector::IEnd* free = onA == w->GetEnds()[0] ? w->GetEnds()[1] : w->GetEnds()[0];
    ASSERT_EQ(zq::float8Point(r.right, y), onA->GetPosition());
    Move({free}, -(2000.0 + r.Width() + 1000), 0);
    // The end now starts where the level line from the free end meets a, as a fresh read puts it.
    EXPECT_EQ(zq::float8Point(r.left, y), onA->GetPosition());
    EXPECT_EQ(zq::float8Point(r.left - 1000.0, y), free->GetPosition());
    EXPECT_EQ("", CheckAll());
    Undo();
    EXPECT_EQ(zq::float8Point(r.right, y), onA->GetPosition());
    EXPECT_EQ("", CheckAll());
}
