// Seeded random editing of object diagrams: objects with compartments, links, qualifiers and role
// texts are made, renamed, moved, resized, merged, copied and pasted, deleted, undone and redone;
// after every step the diagram must be sound and read back as it was written. A failure names its
// seed and its steps.
// QUORVEL_RANDOM_SEQUENCES sets the number of sequences (the default keeps the test run short).
#include "elements/object/tests/ObjectScene.h"

#include <cstdlib>
#include <random>

#include "core/CopyExtend.h"
#include "core/ModelElementSet.h"
#include "core/TransferSet.h"
#include "core/tests/RandomEditing.h"
#include "view/connector/tests/DropEnd.h"
#include "text/free/Anchor.h"

using namespace ObjectTest;

namespace {

class Editor : public Scene {
 public:
  explicit Editor(std::uint32_t seed) : rng_(seed) {}
  void TestBody() override {}

  // One random edit; answers a short description.
  std::string Step() {
    switch (Pick(16)) {
      case 0: case 1: return AddObject();
      case 2: return AddCompartmentTo();
      case 3: case 4: return AddLink();
      case 5: return AddQualifier();
      case 6: return ChangeEnd();
      case 7: return Rename();
      case 8: return Move();
      case 9: return Resize();
      case 10: return MergeFreeEnd();
      case 11: return AddRole();
      case 12: return DeleteSomething();
      case 13: return CopyAndPaste();
      case 14: Undo(); return "undo";
      default: Redo(); return "redo";
    }
  }
  // Empty when the diagram is sound and reads back as written.
  std::string Check() {
    const std::string xml = Save();
    if (std::string broken = CheckSound(); !broken.empty()) return broken + "\nbefore:\n" + before_ + "\nafter:\n" + xml;
    before_ = xml;
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

  std::string AddObject() {
    NewObject({Pick(40) * 500 - 10000, Pick(40) * 500 - 10000});
    return "object";
  }
  std::string AddCompartmentTo() {
    Object::Object* o = Any<Object::Object>();
    if (o == nullptr || o->GetCompartment() != nullptr) return "no compartment";
    AddCompartment(*o);
    return "compartment";
  }
  // From the right edge of one object to the left edge of another (or to a free point), with an elbow.
  std::string AddLink() {
    Object::Object* from = Any<Object::Object>();
    Object::Object* to = Pick(4) ? Any<Object::Object>() : nullptr;
    if (from == nullptr) return "no link";
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
    NewLink(points, from, to);
    return "link";
  }
  std::string AddQualifier() {
    Object::LinkEnd* end = Any<Object::LinkEnd>();
    if (end == nullptr || end->GetQualifier() != nullptr) return "no qualifier";
    Qualify(*end);
    return "qualifier";
  }
  std::string ChangeEnd() {
    Object::LinkEnd* end = Any<Object::LinkEnd>();
    if (end == nullptr) return "no end change";
    Change([&](Core::Env& env) {
      end->SetType(env, 1 + Pick(3));
      if (Pick(2)) end->SetTraversed(env, !end->IsTraversed());
    });
    return "end kind";
  }
  std::string Rename() {
    static const wchar_t* names[] = {L"a", L"anObject : AClass", L"x\ny", L"a considerably longer name : WithAType"};
    const wchar_t* name = names[Pick(4)];
    switch (Pick(3)) {
      case 0:
        if (Object::Object* o = Any<Object::Object>()) Change([&](Core::Env& env) { o->SetName(env, name); });
        break;
      case 1:
        if (Object::Compartment* c = Any<Object::Compartment>()) Change([&](Core::Env& env) { c->SetName(env, name); });
        break;
      default:
        if (Object::Qualifier* q = Any<Object::Qualifier>()) Change([&](Core::Env& env) { q->SetName(env, name); });
        break;
    }
    return "rename";
  }
  std::string Move() {
    Core::IModelElement* moved = Pick(3) ? static_cast<Core::IModelElement*>(Any<Object::Object>())
                                         : static_cast<Core::IModelElement*>(Any<Object::Qualifier>());
    if (moved == nullptr) return "no move";
    const double dx = Grid(21) - 1000, dy = Grid(21) - 1000;
    Change([&](Core::Env& env) {
      Core::ModelElementSet set;
      set.Insert(moved->shared_from_this());
      Core::DeferredShiftSet shift(set, &diagram, nullptr);
      shift.ShiftAll(env, {dx, dy, true, true});
      shift.ShiftDeferred(env);
    });
    return "move";
  }
  std::string Resize() {
    Core::IResizable* box = Pick(3) ? static_cast<Core::IResizable*>(Any<Object::Object>())
                                    : static_cast<Core::IResizable*>(Any<Object::Qualifier>());
    if (box == nullptr) return "no resize";
    const zq::Rect r = box->GetRect();
    const int dw = Pick(21) * 100 - 1000, dh = Pick(21) * 100 - 1000;
    const bool leftTop = Pick(2) == 0;
    const zq::Rect to = leftTop ? zq::Rect(r.left - dw, r.top + dh, r.right, r.bottom)
                                : zq::Rect(r.left, r.top, r.right + dw, r.bottom - dh);
    Change([&](Core::Env& env) { box->SetRect(env, to, false); });
    return "resize";
  }
  // A free link end dropped on another link's segment, join or free end.
  std::string MergeFreeEnd() {
    std::vector<Object::LinkEnd*> free;
    for (Object::LinkEnd* e : Live<Object::LinkEnd>())
      if (e->GetTerminal() == nullptr) free.push_back(e);
    if (free.empty()) return "no merge";
    Object::LinkEnd* end = free[Pick(int(free.size()))];
    Core::IModelElement* target = nullptr;
    switch (Pick(3)) {
      case 0: target = Any<Object::LinkSegment>(); break;
      case 1: target = Any<Object::LinkJoin>(); break;
      default: target = Any<Object::LinkEnd>(); break;
    }
    if (target == nullptr || !end->AcceptsTerminal(target)) return "no merge";
    Change([&](Core::Env& env) { ConnectorTest::DropEndOn(env, *end, target); });
    return "merge";
  }
  std::string AddRole() {
    Object::LinkEnd* end = Any<Object::LinkEnd>();
    if (end == nullptr) return "no role";
    Change([&](Core::Env& env) { Text::CreateAnchoredText(env, *end, end->GetPosition(), L"???"); });
    return "role";
  }
  std::string DeleteSomething() {
    Core::IDeletable* victim = nullptr;
    switch (Pick(4)) {
      case 0: victim = Any<Object::Object>(); break;
      case 1: victim = Any<Object::LinkSegment>(); break;
      case 2: victim = Any<Object::Qualifier>(); break;
      default: victim = Any<Object::Compartment>(); break;
    }
    if (victim == nullptr) return "no deletion";
    Change([&](Core::Env& env) { victim->Delete(env); });
    return "deletion";
  }

  // One or two objects or qualifiers copied with what the copy takes along, pasted as one step.
  std::string CopyAndPaste() {
    Core::ModelElementSet selection;
    for (int i = 1 + Pick(2); i > 0; --i) {
      Core::IModelElement* e = Pick(3) ? static_cast<Core::IModelElement*>(Any<Object::Object>())
                                       : static_cast<Core::IModelElement*>(Any<Object::Qualifier>());
      if (e != nullptr) selection.Insert(e->shared_from_this());
    }
    if (selection.Size() == 0) return "no copy";
    Core::TransferSet transfer(Registry());
    Core::CopyExtendSelection::Build(selection, diagram).ForEach([&](Core::IModelElement& e) { transfer.Insert(e); });
    Change([&](Core::Env& env) { transfer.Paste(env); });
    return "copy and paste";
  }

  std::mt19937 rng_;
  std::string before_;  // the document after the last sound step
};

}  // namespace

TEST(RandomObjectEditing, EveryStepLeavesASoundDiagramThatReadsBack) {
  RandomEditing::Run<Editor>(60, 25);
}
