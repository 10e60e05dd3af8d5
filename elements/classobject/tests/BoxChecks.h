// Boxes that changed shape in the class and object tests: a copy pasted into a document of other
// fonts as the editor pastes it, and the checks that every box kept its size and every end its box.
#pragma once

#include <gtest/gtest.h>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "core/CopyExtend.h"
#include "core/ModelElementSet.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "core/TransferSet.h"
#include "elements/classobject/Qualifier.h"
#include "style/Clients.h"
#include "style/Model.h"
#include "view/compartment/Compartment.h"
#include "view/connector/Interfaces.h"

namespace ClassObjectTest {

// The id of the first end off the outline of the box it is on, or of a qualifier off its owner; 0 when none.
inline Core::ObjectId EndOffItsBox(const Core::Diagram& diagram) {
  for (const auto& e : diagram.Elements()) {
    auto* q = dynamic_cast<ClassObject::IQualifier*>(e.get());
    auto* end = dynamic_cast<Connector::IEnd*>(e.get());
    auto* box = end ? dynamic_cast<const Core::ITerminal*>(end->GetTerminal()) : nullptr;
    // On the outline an end's point is its own projection, level or plumb.
    const auto on = [&](bool level, GraphUtil::OutlineHit h = {}) {
      const zq::float8Point p = end->GetPosition();
      return box->GetTerminalOutline(h, p, level) && std::abs(h.point.x - p.x) + std::abs(h.point.y - p.y) <= 1;
    };
    if (!e->IsDeleted() && ((q && q->GetOwnerBox() && ClassObject::TouchedSide(q->GetRect(), q->GetOwnerBox()->GetRect()) ==
                                                          ClassObject::OwnerSide::None) ||
                            (dynamic_cast<const Core::IResizable*>(box) && !on(true) && !on(false))))
      return e->GetObjectId();
  }
  return 0;
}

// The named boxes of a diagram (their names unique in the tests) with their rectangles.
inline std::map<std::wstring, zq::Rect> Boxes(const Core::Diagram& d) {
  std::map<std::wstring, zq::Rect> boxes;
  for (const auto& e : d.Elements())
    if (auto* box = dynamic_cast<Core::IResizable*>(e.get()); box && !e->IsDeleted())
      if (auto* named = dynamic_cast<Core::INamed*>(e.get()); named && !named->GetName().empty())
        boxes[named->GetName()] = box->GetRect();
  return boxes;
}

// A copy of the whole source pasted into a new document whose base font has the size and moved by
// the offset: the copy's style merges into the document's, whose fonts win, as in the editor.
struct PastedCopy : Core::IPastePostProcessor {
  Core::Diagram target;
  PastedCopy(const Core::FactoryRegistry& registry, const Core::Diagram& source, double points, zq::Point offset)
      : target(registry, nullptr, this) {
    Core::TransferSet set(registry);
    Core::ModelElementSet all;
    for (const auto& e : source.Elements()) all.Insert(e);
    Core::CopyExtendSelection::Build(all, source).ForEach([&](Core::IModelElement& e) { set.Insert(e); });
    Core::Transaction t(target);
    Core::Env env(t);
    Style::Style::FindOrCreate(env).GetRoot()->GetFont()->SetSize(env, {false, points});
    Core::DeferredShiftSet shift(set.Paste(env).pasted, &target, nullptr);
    shift.ShiftAll(env, {double(offset.x), double(offset.y), true, true});
    shift.ShiftDeferred(env);
    env.Close();
  }
  void OnPaste(Core::Env& env, const Core::ModelElementSet& pasted) override { Style::MergePastedStyle(env, pasted.Elements()); }

  // Expects every box of the copy at least as large as its original, and with fonts not larger than
  // the original's as large and at its place moved by the offset (a compartment in a box at the
  // height its owner's name leaves it); every end on its box.
  void ExpectBoxesKept(const Core::Diagram& source, zq::Point offset, bool sameSize) const {
    const auto copies = Boxes(target);
    std::set<std::wstring> stacked;
    for (const auto& e : source.Elements())
      if (auto* c = dynamic_cast<Compartment::ICompartment*>(e.get()); c && c->GetOwnerElement())
        stacked.insert(c->GetName());
    for (const auto& [name, r] : Boxes(source)) {
      const zq::Rect p = copies.count(name) ? copies.at(name) : zq::Rect();
      EXPECT_TRUE(p.Width() >= r.Width() && p.Height() >= r.Height()) << std::string(name.begin(), name.end());
      if (sameSize) {
        // A compartment in a box keeps its size and side, but lies where its owner's name now ends.
        const zq::Rect kept = zq::Rect::FromPosSize(r.TopLeft() + offset, r.Width(), r.Height());
        const std::int32_t top = stacked.count(name) ? p.top : kept.top;
        EXPECT_EQ(p, zq::Rect::FromPosSize({kept.left, top}, kept.Width(), kept.Height()))
            << std::string(name.begin(), name.end());
      }
    }
    EXPECT_EQ(EndOffItsBox(target), Core::ObjectId(0));
  }
};

}  // namespace ClassObjectTest
