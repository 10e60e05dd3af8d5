// A box moved past the reach of a connector's far end, for every connector kind that joins boxes:
// the end stays where the box's move put it, the far end where it was, and the connector bends so
// that its last segment still meets the box's edge square and no segment lies along a border.
#include "elements/class/tests/AssocScene.h"
#include "elements/object/tests/ObjectScene.h"
#include "elements/state/tests/StateScene.h"

#include "core/ModelElementSet.h"
#include "view/connector/tests/Borders.h"

namespace {

struct Kind {
  const char* name;
  std::function<std::unique_ptr<HostScene::Scene>()> scene;
  // Makes a box with its top-left corner at the point (the moved one as a composite state).
  std::function<Core::IModelElement*(Core::Env&, const zq::Point&, bool moved)> box;
  Connector::IFactory& (*factory)();
};

// A family's scene, used outside its own tests.
template <class S>
struct Plain : S {
  void TestBody() override {}
};
template <class S>
std::unique_ptr<HostScene::Scene> Make() { return std::make_unique<Plain<S>>(); }

const Kind kKinds[] = {
    {"transition", Make<StateTest::Scene>,
     [](Core::Env& env, const zq::Point& at, bool moved) -> Core::IModelElement* {
       auto s = State::State::Create(env, at);
       s->SetLarge(env, moved);
       s->SetRect(env, zq::Rect::FromPosSize(at, 3000, 2000));
       return s.get();
     },
     State::Transition::PartFactory},
    {"association", Make<AssocTest::Scene>,
     [](Core::Env& env, const zq::Point& at, bool) -> Core::IModelElement* { return Class::Class::Create(env, at).get(); },
     Class::Assoc::PartFactory},
    {"generalization", Make<AssocTest::Scene>,
     [](Core::Env& env, const zq::Point& at, bool) -> Core::IModelElement* { return Class::Class::Create(env, at).get(); },
     Class::Generalization::PartFactory},
    {"link", Make<ObjectTest::Scene>,
     [](Core::Env& env, const zq::Point& at, bool) -> Core::IModelElement* { return Object::Object::Create(env, at).get(); },
     Object::Link::PartFactory},
};

// The direction the box moves in; a plumb connector meets it from above, a level one from the left.
struct Direction {
  const char* name;
  bool plumb;
  int sign;
};
const Direction kDirections[] = {{"right", true, 1}, {"left", true, -1}, {"up", false, 1}, {"down", false, -1}};

zq::Rect RectOf(const Core::IModelElement* e) {
  auto* r = dynamic_cast<const Core::IResizable*>(e);
  return zq::Rect::FromPosSize(r->GetPos(), r->GetSize().x, r->GetSize().y);
}

Connector::IEnd* EndOn(const Connector::IConnector& c, const Core::IModelElement* terminal) {
  for (Connector::IEnd* e : c.GetEnds())
    if (e->GetTerminal() == terminal) return e;
  return nullptr;
}

void ExpectBendInsteadOfCorner(const Kind& kind, const Direction& d) {
  const std::string at = std::string(kind.name) + " moved " + d.name;
  std::unique_ptr<HostScene::Scene> scene = kind.scene();
  HostScene::Scene& s = *scene;
  Core::IModelElement *a = nullptr, *b = nullptr;
  Connector::IConnector* c = nullptr;
  s.Change([&](Core::Env& env) {
    a = kind.box(env, {0, 0}, false);
    const zq::Rect ra = RectOf(a);
    b = kind.box(env, d.plumb ? zq::Point{0, ra.bottom - 3000} : zq::Point{ra.right + 3000, 0}, true);
    const zq::Rect rb = RectOf(b);
    const double x = ra.left + 500, y = ra.top - 300;
    const std::vector<Connector::PathEntry> path = d.plumb
        ? std::vector<Connector::PathEntry>{{{x, double(ra.bottom)}, true}, {{x, double(rb.top)}, true}}
        : std::vector<Connector::PathEntry>{{{double(ra.right), y}, true}, {{double(rb.left), y}, true}};
    c = Connector::BuildPathConnector(env, kind.factory(), path, a, b, nullptr);
  });
  ASSERT_TRUE(c && EndOn(*c, a) && EndOn(*c, b)) << at;
  const std::string before = s.Save();
  const zq::float8Point farAt = EndOn(*c, a)->GetPosition(), endAt = EndOn(*c, b)->GetPosition();
  const zq::Rect ra = RectOf(a), rb = RectOf(b);
  const double by = d.sign * (d.plumb ? ra.Width() + rb.Width() : ra.Height() + rb.Height()) + d.sign * 1000;
  const double dx = d.plumb ? by : 0, dy = d.plumb ? 0 : by;
  s.Change([&](Core::Env& env) {  // as a drop moves the selection
    Core::ModelElementSet selection;
    selection.Insert(b->shared_from_this());
    Core::DeferredShiftSet shift(selection, &s.diagram, nullptr);
    shift.ShiftAll(env, {dx, dy, true, true});
    shift.ShiftDeferred(env);
  });
  EXPECT_EQ("", c->CheckGraph()) << at;
  Connector::IEnd* end = EndOn(*c, b);
  ASSERT_TRUE(end && EndOn(*c, a)) << at;
  EXPECT_EQ(farAt, EndOn(*c, a)->GetPosition()) << at;
  EXPECT_EQ(zq::float8Point(endAt.x + dx, endAt.y + dy), end->GetPosition()) << at;
  Connector::ISegment* last = end->GetSegment();
  const zq::float8Point from = last->OtherEnd(end)->GetPoint(), to = end->GetPosition();
  EXPECT_TRUE(d.plumb ? last->IsVerticalOrtho() && from.y > to.y : last->IsHorizontalOrtho() && from.x < to.x)
      << at << ": the last segment leaves the edge outwards at a right angle";
  EXPECT_FALSE(ConnectorTest::RunsAlongBorder(*c, RectOf(a))) << at;
  EXPECT_FALSE(ConnectorTest::RunsAlongBorder(*c, RectOf(b))) << at;
  const std::string moved = s.Save();
  EXPECT_EQ(moved, HostScene::Reread(s.registry, moved)) << at;
  s.Undo();
  EXPECT_EQ(before, s.Save()) << at;
}

TEST(ConnectorEnds, ABoxMovedPastTheFarEndsReachBendsItsConnectorsInsteadOfSlidingTheEndsOntoCorners) {
  for (const Kind& kind : kKinds)
    for (const Direction& d : kDirections) ExpectBendInsteadOfCorner(kind, d);
}

}  // namespace
