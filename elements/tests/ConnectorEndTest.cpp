// A box moved out of the reach of a connector's far end, for every kind that joins boxes, or a state
// or class shrunk past the connector's line: the end stays where the move put it, or on its side at
// the same relative place, the connector bends so that it meets the box square, none of its segments
// lies along a border, and undo restores it.
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
  // A row moves b by `by`, or (cut -1 or 1) takes a part of b's edge under the connector away from
  // its low or high end, past the connector's line and out of a's reach.
  struct Row { bool plumb; int by, cut; };
  const Row rows[] = {{true, 7000, 0}, {true, -7000, 0}, {false, 5000, 0}, {false, -5000, 0},
                      {true, 0, -1},   {true, 0, 1},     {false, 0, -1},  {false, 0, 1}};
  double x = 0;  // each case in a place of its own
  for (int kind = 0; kind < 4; ++kind)
    for (const auto& [plumb, by, cut] : rows) {
      if (cut != 0 && kind > 1) continue;  // shrunk: a state and a class
      const std::string at = names[kind] + std::string(cut ? " box shrunk from side " + std::to_string(cut)
                                                           : (plumb ? " box moved across by " : " box moved up by ") +
                                                                 std::to_string(by));
      x += 20000;
      Core::IModelElement *a = nullptr, *b = nullptr;
      Connector::IConnector* c = nullptr;
      const double line = plumb ? (cut ? x + 1500 + 1000 * cut : x + 500) : (cut ? -1000 + 400 * cut : -300);
      const zq::float8Point from = plumb ? zq::float8Point{line, -2000} : zq::float8Point{x + 3000, line};
      const zq::float8Point to = plumb ? zq::float8Point{line, -5000} : zq::float8Point{x + 6000, line};
      Change([&](Core::Env& env) {
        const auto box = [&](const zq::Point& pos) {
          Core::IModelElement* e = kinds[kind].first(env, pos).get();
          dynamic_cast<Core::IResizable*>(e)->SetRect(env, zq::Rect::FromPosSize(pos, 3000, 2000));
          return e;
        };
        a = box(plumb ? zq::Point(x + 2000 * cut, 0) : zq::Point(x, 1000 * cut));
        b = box(plumb ? zq::Point(x, -5000) : zq::Point(x + 6000, 0));
        c = Connector::BuildPathConnector(env, kinds[kind].second(), {{from, true}, {to, true}}, a, b, nullptr);
      });
      const std::string before = Save();
      Change([&](Core::Env& env) {  // as a drop moves the selection, or a resize handle shrinks b
        if (cut != 0)
          return dynamic_cast<Core::IResizable*>(b)->SetRect(
              env, plumb ? zq::Rect::FromPosSize({int(x) + (cut < 0 ? 1200 : 0), -5000}, 1800, 2000)
                         : zq::Rect::FromPosSize({int(x) + 6000, cut > 0 ? -1000 : 0}, 3000, 1000));
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
      // Shrunk, the end keeps its relative place along its edge: 1/6 or 5/6 of 1800, 0.3 or 0.7 of 1000.
      const zq::float8Point shrunk = plumb ? zq::float8Point{x + 1500, -5000}
                                           : zq::float8Point{x + 6000, -1000.0 - 300 * cut};
      EXPECT_EQ(cut ? shrunk : zq::float8Point(to.x + (plumb ? by : 0), to.y + (plumb ? 0 : by)), end->GetPosition())
          << at;
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
