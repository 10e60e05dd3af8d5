#pragma once
// The object's compartment: the one text area below an object's name that lists its attribute
// values. It is written inside its object under the tag "Compartment"; the owner is rebuilt from
// that nesting.
#include <memory>

#include "core/Factory.h"
#include "view/compartment/CompartmentImp.h"

namespace Object {

class Object;

// The record of an object compartment.
struct CompartmentRep {
  zq::Point size{100, 100};
  Object* owner = nullptr;  // not stored: the enclosing object
  TextBlock::Text* text = nullptr;
  Style::Style* style = nullptr;  // not stored
};

// The style of object compartments: "Compartment" below "Object", lines wrapped at the width.
struct CompartmentKind {
  static const Style::DirectoryName& Directory() { return Style::Names::ObjectCompartment(); }
  static constexpr Style::StyledKind kStyledKind = Style::StyledKind::ObjectCompartment;
  static constexpr std::int32_t kSizing = TextBlock::SizingWrap;
};

// An object compartment (element name "ObjectCompartment").
class Compartment : public ::Compartment::SingleCompartmentImp<Compartment, CompartmentRep, Object, CompartmentKind> {
 public:
  static Core::FactoryImp<Compartment>& Factory();
  // A new compartment 3000 x 800 at the point reading "<text?>", in no object yet.
  static std::shared_ptr<Compartment> Create(Core::Env& env, const zq::Point& at) { return CreateAt(env, at, {3000, 800}); }

  Object* GetObject() const { return GetOwnerBox(); }
};

}  // namespace Object
