// What the class and object tests check of boxes that changed shape (every connector end attached
// to a box lies on the box's outline, every qualifier still touches its owner), and a copy pasted
// into another document as the editor pastes it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>

#include "core/CopyExtend.h"
#include "core/Diagram.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "core/TransferSet.h"
#include "style/Clients.h"
#include "style/Model.h"
#include "elements/classobject/Qualifier.h"
#include "view/connector/Interfaces.h"

namespace ClassObjectTest {

// The first end that lies off the outline of the box it is attached to, or of a qualifier that
// touches no side of its owner, described; empty when there is none.
inline std::string EndOffItsBox(const Core::Diagram& diagram) {
  for (const auto& e : diagram.Elements()) {
    if (e->IsDeleted()) continue;
    if (auto* q = dynamic_cast<ClassObject::IQualifier*>(e.get()); q && q->GetOwnerBox()) {
      if (ClassObject::TouchedSide(q->GetRect(), q->GetOwnerBox()->GetRect()) == ClassObject::OwnerSide::None)
        return "qualifier " + std::to_string(e->GetObjectId()) + " off its owner";
    }
    auto* end = dynamic_cast<Connector::IEnd*>(e.get());
    auto* box = end ? dynamic_cast<const Core::ITerminal*>(end->GetTerminal()) : nullptr;
    if (box == nullptr || dynamic_cast<const Core::IResizable*>(box) == nullptr) continue;
    // On the outline the point is its own projection, level or plumb.
    const zq::float8Point p = end->GetPosition();
    const auto on = [&](bool level) {
      GraphUtil::OutlineHit hit;
      return box->GetTerminalOutline(hit, p, level) && std::abs(hit.point.x - p.x) + std::abs(hit.point.y - p.y) <= 1;
    };
    if (!on(true) && !on(false)) {
      std::ostringstream out;
      out << "end " << e->GetObjectId() << " at " << p.x << " " << p.y << " off its box";
      return out.str();
    }
  }
  return {};
}

// A new document whose base font has the size, holding a copy of every element of the source moved
// by the offset: the copy's style merges into the document's, whose fonts win, as in the editor.
struct PastedCopy : Core::IPastePostProcessor {
  Core::Diagram target;
  // With points 0 the new document keeps its preset fonts.
  PastedCopy(const Core::FactoryRegistry& registry, const Core::Diagram& source, double points, zq::Point offset)
      : target(registry, nullptr, this) {
    Core::TransferSet set(registry);
    Core::ModelElementSet all;
    for (const auto& e : source.Elements()) all.Insert(e);
    const Core::ModelElementSet copied = Core::CopyExtendSelection::Build(all, source);
    for (const Core::ElementPtr& e : copied.Elements()) set.Insert(*e);
    Core::Transaction made(target);
    Core::Env env(made);
    Style::Style& style = Style::Style::FindOrCreate(env);
    if (points > 0) style.GetRoot()->GetFont()->SetSize(env, {false, points});
    env.Close();
    Core::Transaction t(target);
    Core::Env paste(t);
    const Core::ModelElementSet pasted = set.Paste(paste).pasted;
    Core::DeferredShiftSet shift(pasted, &target, nullptr);
    shift.ShiftAll(paste, {double(offset.x), double(offset.y), true, true});
    shift.ShiftDeferred(paste);
    paste.Close();
  }
  void OnPaste(Core::Env& env, const Core::ModelElementSet& pasted) override {
    Style::MergePastedStyle(env, pasted.Elements());
  }
};

// The named boxes of a diagram by name (unique in the tests' documents) with their rectangles.
inline std::map<std::wstring, zq::Rect> Boxes(const Core::Diagram& d) {
  std::map<std::wstring, zq::Rect> boxes;
  for (const auto& e : d.Elements()) {
    auto* named = dynamic_cast<Core::INamed*>(e.get());
    auto* box = dynamic_cast<Core::IResizable*>(e.get());
    if (named && box && !e->IsDeleted() && !named->GetName().empty()) boxes[named->GetName()] = box->GetRect();
  }
  return boxes;
}

// Expects every box of the copy never smaller than its original, and where the copy's fonts are not
// larger, of the same size at the original's place moved by the offset.
inline void ExpectBoxesKept(const std::map<std::wstring, zq::Rect>& original, const std::map<std::wstring, zq::Rect>& copy,
                            zq::Point offset, bool sameSize) {
  for (const auto& [name, r] : original) {
    const std::string what = std::string(name.begin(), name.end());
    ASSERT_TRUE(copy.count(name)) << what;
    const zq::Rect p = copy.at(name);
    EXPECT_GE(p.Width(), r.Width()) << what;
    EXPECT_GE(p.Height(), r.Height()) << what;
    if (sameSize) {
      EXPECT_EQ(p.TopLeft(), r.TopLeft() + offset) << what;
      EXPECT_EQ(zq::Point(p.Width(), p.Height()), zq::Point(r.Width(), r.Height())) << what;
    }
  }
}

}  // namespace ClassObjectTest
