#pragma once
// The state compartment: the one text area a simple state may carry below its name. It is written
// inside its state under the tag "Compartment"; the owner link is rebuilt from that nesting.
#include <memory>

#include "core/Factory.h"
#include "view/compartment/CompartmentImp.h"

namespace State {

class State;

// The record of a state compartment.
struct CompartmentRep {
  zq::Point size{100, 100};
  State* owner = nullptr;  // not stored: the enclosing state
  TextBlock::Text* text = nullptr;
  Style::Style* style = nullptr;  // not stored
};

// The style of state compartments: the "Compartment" directory of states, lines wrapped at the width.
struct CompartmentKind {
  static const Style::DirectoryName& Directory() { return Style::Names::StateCompartment(); }
  static constexpr Style::StyledKind kStyledKind = Style::StyledKind::StateCompartment;
  static constexpr std::int32_t kSizing = TextBlock::SizingWrap;
};

// A state compartment (element name "StateCompartment").
class Compartment : public ::Compartment::SingleCompartmentImp<Compartment, CompartmentRep, State, CompartmentKind> {
 public:
  static Core::FactoryImp<Compartment>& Factory();
  // A new compartment 3000 x 600 at the point reading "<text?>", in no state yet.
  static std::shared_ptr<Compartment> Create(Core::Env& env, const zq::Point& at) { return CreateAt(env, at, {3000, 600}); }

  State* GetState() const { return GetOwnerBox(); }
};

}  // namespace State
