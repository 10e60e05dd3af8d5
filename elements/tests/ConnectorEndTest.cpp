// A box moved out of the reach of a connector's far end, for every kind that joins boxes: the end
// stays where the move put it, the connector bends so that it meets the box square, none of its
// segments lies along a border, and undo restores it.
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "elements/class/Generalization.h"
#include "elements/note/tests/HostScene.h"
#include "elements/object/Link.h"
#include "elements/object/Object.h"
#include "elements/object/Qualifier.h"
#include "elements/state/State.h"
#include "elements/state/Transition.h"
#include "view/connector/tests/Borders.h"

namespace {

struct Ends : HostScene::Scene {
  static const Core::FactoryRegistry& Kinds() {
    static const Core::FactoryRegistry r = HostScene::MakeRegistry(
        {State::ReportStateFactories, Class::ReportAssociationFactories, Class::ReportGeneralizationFactories,
         [](Core::FactoryRegistry& r) { r.Register(Class::Class::Factory()); }, Object::ReportObjectFactories,
         Object::ReportLinkFactories});
    return r;
  }
  Ends() : HostScene::Scene(Kinds()) {}
};

TEST_F(Ends, ABoxMovedOutOfTheFarEndsReachKeepsTheEndOnItsEdgeAndBendsTheConnector) {
  using Make = Core::ElementPtr (*)(Core::Env&, const zq::Point&);
  const std::pair<Make, Connector::IFactory& (*)()> kinds[] = {
      {State::State::CreateElement, State::Transition::PartFactory},
      {Class::Class::CreateElement, Class::Assoc::PartFactory},
      {Class::Class::CreateElement, Class::Generalization::PartFactory},
      {Object::Object::CreateElement, Object::Link::PartFactory}};
  // Boxes of 3000 x 2000: b below a (moved right, left) or beside it (moved up, down).
  const char* const names[] = {"transition", "association", "generalization", "link"};
  const std::pair<bool, int> moves[] = {{true, 7000}, {true, -7000}, {false, 5000}, {false, -5000}};
  double x = 0;  // each case in a place of its own
  for (int kind = 0; kind < 4; ++kind)
    for (const auto& [plumb, by] : moves) {
      const std::string at = names[kind] + std::string(plumb ? " box moved across by " : " box moved up by ") +
                             std::to_string(by);
      x += 20000;
      Core::IModelElement *a = nullptr, *b = nullptr;
      Connector::IConnector* c = nullptr;
      const zq::float8Point from = plumb ? zq::float8Point{x + 500, -2000} : zq::float8Point{x + 3000, -300};
      const zq::float8Point to = plumb ? zq::float8Point{x + 500, -5000} : zq::float8Point{x + 6000, -300};
      Change([&](Core::Env& env) {
        const auto box = [&](const zq::Point& pos) {
          Core::IModelElement* e = kinds[kind].first(env, pos).get();
          dynamic_cast<Core::IResizable*>(e)->SetRect(env, zq::Rect::FromPosSize(pos, 3000, 2000));
          return e;
        };
        a = box(zq::Point(x, 0));
        b = box(plumb ? zq::Point(x, -5000) : zq::Point(x + 6000, 0));
        c = Connector::BuildPathConnector(env, kinds[kind].second(), {{from, true}, {to, true}}, a, b, nullptr);
      });
      const std::string before = Save();
      Change([&](Core::Env& env) {  // as a drop moves the selection
        Core::ModelElementSet moved;
        moved.Insert(b->shared_from_this());
        Core::DeferredShiftSet shift(moved, &diagram, nullptr);
        shift.ShiftAll(env, {plumb ? by : 0.0, plumb ? 0.0 : by, true, true});
        shift.ShiftDeferred(env);
      });
      ASSERT_EQ("", c->CheckGraph()) << at;
      Connector::IEnd *far = c->GetEnds()[0], *end = c->GetEnds()[1];
      if (end->GetTerminal() != b) std::swap(far, end);
      EXPECT_EQ(from, far->GetPosition()) << at;
      EXPECT_EQ(zq::float8Point(to.x + (plumb ? by : 0), to.y + (plumb ? 0 : by)), end->GetPosition()) << at;
      const zq::float8Point bend = end->GetSegment()->OtherEnd(end)->GetPoint(), p = end->GetPosition();
      EXPECT_TRUE(plumb ? end->GetSegment()->IsVerticalOrtho() && bend.y > p.y
                        : end->GetSegment()->IsHorizontalOrtho() && bend.x < p.x) << at << ": not square onto the edge";
      for (auto* box : {a, b})
        EXPECT_FALSE(ConnectorTest::RunsAlongBorder(*c, dynamic_cast<Core::IResizable*>(box)->GetRect())) << at;
      EXPECT_EQ(Save(), HostScene::Reread(registry, Save())) << at;
      Undo();
      EXPECT_EQ(before, Save()) << at;
    }
}

}  // namespace
