// Seeded random editing of class diagrams: classes, packages, qualifiers, associations,
// generalizations, association class connectors and dependencies are made, moved, resized, merged,
// deleted, undone and redone; after every step each connector must
// hold its graph and the diagram must read back as it was written. A failure names its seed.
// QUORVEL_RANDOM_SEQUENCES sets the number of sequences (the default keeps the test run short).
#include "elements/class/AssocClassConnector.h"
#include "elements/class/Generalization.h"
#include "elements/class/Package.h"
#include "elements/class/tests/AssocScene.h"

#include <cstdlib>
#include <random>

#include "core/ModelElementSet.h"
#include "core/tests/RandomEditing.h"
#include "view/connector/tests/DropEnd.h"

using namespace AssocTest;

namespace {

class Editor : public Scene {
 public:
  explicit Editor(std::uint32_t seed) : rng_(seed) {}
  void TestBody() override {}

  // One random edit; answers a short description.
  std::string Step() {
    switch (Pick(16)) {
      case 0: case 1: return AddClass();
      case 2: case 3: return AddAssoc();
      case 4: return AddDependency();
      case 5: return AddQualifier();
      case 6: return MoveClass();
      case 7: return ResizeClass();
      case 8: return MergeFreeEnd();
      case 9: return DeleteSomething();
      case 10: Undo(); return "undo";
      case 11: Redo(); return "redo";
      case 12: return AddGeneralization();
      case 13: return AddPackage();
      case 14: return AddAssocClass();
      default: return MovePackage();
    }
  }
  // Empty when the diagram is sound and reads back as written.
  std::string Check() {
    if (std::string broken = CheckConnectors(); !broken.empty())
      return broken + "\nbefore:\n" + before_ + "\nafter:\n" + Save();
    before_ = Save();
    const std::string xml = Save();
    Core::Diagram copy(Registry(), nullptr);
    try {
      copy.LoadXML(xml);
    } catch (const std::exception& e) {
      return std::string("reading failed: ") + e.what() + "\n" + xml;
    }
    std::ostringstream again;
    copy.SaveXML(again);
    if (again.str() != xml) return "the document read back differs:\n" + xml + "\n---\n" + again.str();
    return {};
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  template <class T>
  T* Any() {
    const std::vector<T*> all = Live<T>();
    return all.empty() ? nullptr : all[Pick(int(all.size()))];
  }
  double Grid(int n) { return 100.0 * Pick(n); }

  std::string AddClass() {
    NewClass({Pick(40) * 500 - 10000, Pick(40) * 500 - 10000});
    return "class";
  }
  // From the right edge of one class to the left edge of another (or to a free point), with an elbow.
  std::string AddAssoc() {
    Class::Class* from = Any<Class::Class>();
    Class::Class* to = Pick(4) ? Any<Class::Class>() : nullptr;
    if (from == nullptr) return "no association";
    const zq::Rect r = from->GetRect();
    const zq::float8Point p(r.right, r.top - 100 - Grid(std::max(1, r.Height() / 100 - 1)));
    zq::float8Point q(p.x + 3000, p.y - Grid(30));
    if (to != nullptr && to != from) {
      const zq::Rect t = to->GetRect();
      q = {double(t.left), t.top - 100 - Grid(std::max(1, t.Height() / 100 - 1))};
    } else {
      to = nullptr;
    }
    std::vector<zq::float8Point> points{p};
    const double mid = p.x + 500 + Grid(20);
    if (q.y != p.y) points.insert(points.end(), {{mid, p.y}, {mid, q.y}});
    points.push_back(q);
    if (points.size() == 2 && points[0] == points[1]) return "no association";
    Path<Class::Assoc>(points, from, to);
    return "association";
  }
  // From a class's top edge up to another class or onto an association segment.
  std::string AddDependency() {
    Class::Class* from = Any<Class::Class>();
    if (from == nullptr) return "no dependency";
    const zq::Rect r = from->GetRect();
    const zq::float8Point p(r.left + 100 + Grid(std::max(1, r.Width() / 100 - 1)), r.top);
    Core::IModelElement* target = nullptr;
    zq::float8Point q;
    if (Class::AssocSegment* s = Pick(2) ? Any<Class::AssocSegment>() : nullptr) {
      Connector::ISegmentEnd *a, *b;
      if (!s->GetEnds(a, b)) return "no dependency";
      q = {(a->GetPoint().x + b->GetPoint().x) / 2, (a->GetPoint().y + b->GetPoint().y) / 2};
      target = s;
    } else if (Class::Class* to = Any<Class::Class>(); to != nullptr && to != from) {
      const zq::Rect t = to->GetRect();
      q = {double(t.left + 100), double(t.bottom)};
      target = to;
    } else {
      return "no dependency";
    }
    if (q.y == p.y || q.x == p.x) return "no dependency";
    // The last leg meets a segment across it, as a user draws it.
    const auto* s = dynamic_cast<Connector::ISegment*>(target);
    const bool level = s != nullptr && s->IsHorizontalOrtho();
    Path<Dependency::Dependency>({p, level ? zq::float8Point(q.x, p.y) : zq::float8Point(p.x, q.y), q}, nullptr, target);
    return "dependency";
  }
  std::string AddQualifier() {
    Class::AssocEnd* end = Any<Class::AssocEnd>();
    if (end == nullptr || end->GetQualifier() != nullptr) return "no qualifier";
    Change([&](Core::Env& env) { Class::Qualifier::CreateAtEnd(env, *end); });
    return "qualifier";
  }
  // From one class to another, or a new branch onto a generalization's segment.
  std::string AddGeneralization() {
    Class::Class* special = Any<Class::Class>();
    if (special == nullptr) return "no generalization";
    if (Class::GeneralizationSegment* s = Pick(2) ? Any<Class::GeneralizationSegment>() : nullptr) {
      Change([&](Core::Env& env) { Class::Generalization::AddBranch(env, *special, *s); });
      return "generalization branch";
    }
    Class::Class* general = Any<Class::Class>();
    if (general == nullptr || general == special) return "no generalization";
    Change([&](Core::Env& env) { Class::Generalization::Create(env, *special, *general); });
    return "generalization";
  }
  // A package somewhere, often over classes (which join it when they next move).
  std::string AddPackage() {
    const zq::Point at(Pick(40) * 500 - 10000, Pick(40) * 500 - 10000);
    const int w = 2000 + Pick(20) * 500, h = 1000 + Pick(20) * 500;
    Change([&](Core::Env& env) {
      auto p = Class::Package::Create(env, at);
      p->SetRect(env, zq::Rect::FromPosSize(at, w, h));
    });
    return "package";
  }
  std::string AddAssocClass() {
    Class::Class* c = Any<Class::Class>();
    Class::AssocSegment* s = Any<Class::AssocSegment>();
    if (c == nullptr || s == nullptr) return "no association class";
    Change([&](Core::Env& env) { Class::AssocClassConnector::Create(env, *c, *s); });
    return "association class";
  }
  std::string MovePackage() {
    Class::Package* p = Any<Class::Package>();
    return p == nullptr ? "no package move" : MoveElement(*p);
  }
  std::string MoveClass() {
    Class::Class* c = Any<Class::Class>();
    return c == nullptr ? "no move" : MoveElement(*c);
  }
  std::string MoveElement(Core::IModelElement& e) {
    Core::IModelElement* c = &e;
    const double dx = Grid(21) - 1000, dy = Grid(21) - 1000;
    Change([&](Core::Env& env) {
      Core::ModelElementSet set;
      set.Insert(c->shared_from_this());
      Core::DeferredShiftSet shift(set, &diagram, nullptr);
      shift.ShiftAll(env, {dx, dy, true, true});
      shift.ShiftDeferred(env);
    });
    return "move";
  }
  std::string ResizeClass() {
    Class::Class* c = Any<Class::Class>();
    if (c == nullptr) return "no resize";
    const zq::Rect r = c->GetRect();
    const int dw = Pick(21) * 100 - 1000, dh = Pick(21) * 100 - 1000;
    Change([&](Core::Env& env) { c->SetRect(env, zq::Rect(r.left, r.top, r.right + dw, r.bottom - dh), false); });
    return "resize";
  }
  // A free association end dropped on another association's segment, join or free end.
  std::string MergeFreeEnd() {
    std::vector<Class::AssocEnd*> free;
    for (Class::AssocEnd* e : Live<Class::AssocEnd>())
      if (e->GetTerminal() == nullptr) free.push_back(e);
    if (free.empty()) return "no merge";
    Class::AssocEnd* end = free[Pick(int(free.size()))];
    Core::IModelElement* target = nullptr;
    switch (Pick(3)) {
      case 0: target = Any<Class::AssocSegment>(); break;
      case 1: target = Any<Class::AssocJoin>(); break;
      default: target = Any<Class::AssocEnd>(); break;
    }
    if (target == nullptr || !end->AcceptsTerminal(target)) return "no merge";
    Change([&](Core::Env& env) { ConnectorTest::DropEndOn(env, *end, target); });
    return "merge";
  }
  std::string DeleteSomething() {
    Core::IDeletable* victim = nullptr;
    switch (Pick(8)) {
      case 0: victim = Any<Class::Class>(); break;
      case 1: victim = Any<Class::AssocSegment>(); break;
      case 2: victim = Any<Class::Qualifier>(); break;
      case 3: victim = Any<Class::GeneralizationSegment>(); break;
      case 4: victim = Any<Class::Package>(); break;
      case 5: victim = Any<Class::AssocClassConnectorSegment>(); break;
      case 6: victim = Any<Class::Assoc>(); break;
      default: victim = Any<Dependency::DependencySegment>(); break;
    }
    if (victim == nullptr) return "no deletion";
    Change([&](Core::Env& env) { victim->Delete(env); });
    return "deletion";
  }

  std::mt19937 rng_;
  std::string before_;  // the document after the last sound step
};

}  // namespace

TEST(RandomClassEditing, EveryStepLeavesSoundConnectorsAndADocumentThatReadsBack) {
  RandomEditing::Run<Editor>(150, 25);
}
