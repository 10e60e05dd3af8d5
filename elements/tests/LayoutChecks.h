// How a diagram is laid out, for the tests that paste or restyle documents: its boxes, ends and joins
// in document order, the side of its owner each qualifier touches, and the first fault of the layout
// a change of fonts can leave (a compartment over its owner's name or a class's first one off the
// bottom of its header, a lifeline off its object's middle).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/Diagram.h"
#include "core/Interfaces.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "elements/classobject/Qualifier.h"
#include "elements/sequence/LifeLine.h"
#include "elements/sequence/SeqObject.h"
#include "text/Text.h"
#include "text/TextOwner.h"
#include "view/compartment/Compartment.h"

namespace LayoutChecks {

// A box, end or join: its type, place and size (none for an end or join).
struct Placed {
  std::wstring type;
  zq::Point pos, size;
  // The same moved by the offset.
  Placed Moved(zq::Point by) const { return {type, pos + by, size}; }
  // As a message names it.
  std::string Text() const {
    return std::string(type.begin(), type.end()) + " at " + std::to_string(pos.x) + " " + std::to_string(pos.y) +
           " size " + std::to_string(size.x) + " " + std::to_string(size.y);
  }
};

// The boxes, ends and joins of the diagram in document order.
inline std::vector<Placed> PlacedElements(const Core::Diagram& d) {
  std::vector<Placed> placed;
  for (const Core::ElementPtr& e : d.Elements()) {
    if (e->IsDeleted()) continue;
    if (auto* box = dynamic_cast<const Core::IResizable*>(e.get()))
      placed.push_back({e->GetTypeName(), box->GetPos(), box->GetSize()});
    else if (auto* at = dynamic_cast<const Core::IPosition*>(e.get()))
      placed.push_back({e->GetTypeName(), zq::RoundPoint(at->GetPosition()), {}});
  }
  return placed;
}

// The side of its owner each qualifier touches, in document order.
inline std::vector<ClassObject::OwnerSide> QualifierSides(const Core::Diagram& d) {
  std::vector<ClassObject::OwnerSide> sides;
  for (const Core::ElementPtr& e : d.Elements())
    if (auto* q = dynamic_cast<ClassObject::IQualifier*>(e.get()); q && !e->IsDeleted() && q->GetOwnerBox())
      sides.push_back(ClassObject::TouchedSide(q->GetRect(), q->GetOwnerBox()->GetRect()));
  return sides;
}

// The bottom of the laid-out name of a compartment's owner.
inline std::int32_t NameBottom(const Core::Diagram& d, const Core::IModelElement* owner) {
  for (const Core::ElementPtr& t : d.Elements()) {
    auto* text = dynamic_cast<TextBlock::Text*>(t.get());
    if (!text || t->IsDeleted() || text->GetOwner() != owner || !text->GetTextOwner()) continue;
    zq::Point origin;
    text->GetTextOwner()->GetTextOrigin(origin);
    return origin.y - TextBlock::ITextOwner::GetTextAreaSizeUsed(text).height;
  }
  return INT32_MIN;
}

// The first fault of the layout: a compartment above the bottom of its owner's name, a class's first
// compartment not right under its name (the name's height and its margins, rounded up to 1 mm, below
// the top), a lifeline off the middle of its object; empty when there is none.
inline std::string LayoutFault(const Core::Diagram& d) {
  for (const Core::ElementPtr& e : d.Elements()) {
    if (e->IsDeleted()) continue;
    if (auto* c = dynamic_cast<Compartment::ICompartment*>(e.get()); c && c->GetOwnerElement()) {
      const std::int32_t bottom = NameBottom(d, c->GetOwnerElement());
      if (c->GetPos().y > bottom)
        return "compartment " + std::to_string(e->GetObjectId()) + " at " + std::to_string(c->GetPos().y) +
               " over its owner's name, which ends at " + std::to_string(bottom);
    }
    if (auto* c = dynamic_cast<Class::Class*>(e.get()); c && c->GetFirstCompartment() && c->GetText()) {
      const std::int32_t name = TextBlock::ITextOwner::GetTextAreaSizeUsed(c->GetText()).height;
      const std::int32_t header = c->GetPos().y - c->GetFirstCompartment()->GetPos().y;
      if (header != (name + 200 + 99) / 100 * 100)
        return "class " + std::to_string(e->GetObjectId()) + " with a header of " + std::to_string(header) +
               " for a name " + std::to_string(name) + " high";
    }
    if (auto* o = dynamic_cast<Sequence::SeqObject*>(e.get()); o && o->GetLifeLine()) {
      const zq::Rect r = o->GetRect();
      if (2 * o->GetLifeLine()->GetTop().x != r.left + r.right)
        return "lifeline at " + std::to_string(o->GetLifeLine()->GetTop().x) + " of an object from " +
               std::to_string(r.left) + " to " + std::to_string(r.right);
    }
  }
  return "";
}

}  // namespace LayoutChecks
