#pragma once
// What lies on a class box: the record of a class with one list per kind of attached part, and the
// lists' attach rules (qualifiers are listed here but kept by the class itself). A further kind of end is one list field, one PartnerList base with its
// Attach, and one line in ForEachEnd.
#include <functional>
#include <string>

#include "core/Attach.h"
#include "core/foundation/Geometry.h"
#include "elements/note/Dependency.h"
#include "elements/note/NoteConnector.h"
#include "text/free/Anchor.h"

namespace Style {
class Style;
}
namespace TextBlock {
class Text;
}

namespace Class {

class AssocClassConnectorSourceEnd;
class AssocEnd;
class Compartment;
class GeneralizationEnd;
class Package;
class Qualifier;
class TemplateParameters;

// The record of a class.
struct ClassRep {
  zq::Point size{2000, 1000};
  TextBlock::Text* text = nullptr;
  Compartment* firstCompartment = nullptr;
  Core::PtrCont<Dependency::DependencyEnd> dependencyEnds;  // not stored: rebuilt by the ends
  Core::PtrCont<GeneralizationEnd> generalizationEnds;      // not stored: rebuilt by the ends
  Package* containingPackage = nullptr;                     // not stored: the nesting gives it
  bool abstract = false;
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored: rebuilt by the ends
  TemplateParameters* templateParameters = nullptr;
  Core::PtrCont<Text::Anchor> textAnchors;  // not stored: the anchors are written inside the class
  Style::Style* style = nullptr;
  std::wstring elementStyle;
  Core::PtrCont<AssocEnd> assocEnds;    // not stored: rebuilt by the ends
  Core::PtrCont<Qualifier> qualifiers;  // not stored: rebuilt by the qualifiers
  Core::PtrCont<AssocClassConnectorSourceEnd> assocClassConnectorSourceEnds;  // not stored: rebuilt by the ends
};

// The attach lists of a class: dependency ends, association, generalization and association class
// connector ends, the far ends of note connectors and anchored texts.
class ClassAttachments
    : public Dependency::IDependencyParty,
      public Core::IAttach<AssocEnd>,
      public Core::PartnerList<ClassRep, AssocEnd, &ClassRep::assocEnds>,
      public Core::IAttach<GeneralizationEnd>,
      public Core::PartnerList<ClassRep, GeneralizationEnd, &ClassRep::generalizationEnds>,
      public Core::IAttach<AssocClassConnectorSourceEnd>,
      public Core::PartnerList<ClassRep, AssocClassConnectorSourceEnd, &ClassRep::assocClassConnectorSourceEnds>,
      public Core::PartnerList<ClassRep, Dependency::DependencyEnd, &ClassRep::dependencyEnds>,
      public Core::IAttach<Note::NoteConnectorEnd>,
      public Core::PartnerList<ClassRep, Note::NoteConnectorEnd, &ClassRep::noteEnds>,
      public Core::IAttach<Text::Anchor>,
      public Text::AnchorList<ClassRep, &ClassRep::textAnchors> {
 public:
  // A dependency end attaches by joining the list, which makes the class its terminal.
  void Attach(Core::Env& env, Dependency::DependencyEnd* end) override { end->SetTerminal(env, this); }
  // An association end attaches the same way.
  void Attach(Core::Env& env, AssocEnd* end) override;
  // A generalization end attaches the same way.
  void Attach(Core::Env& env, GeneralizationEnd* end) override;
  // An association class connector's source end attaches the same way.
  void Attach(Core::Env& env, AssocClassConnectorSourceEnd* end) override;
  // A note connector's end attaches the same way.
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  // A free text dropped on the class hangs on it.
  void Attach(Core::Env& env, Text::Anchor* anchor) override { AddAnchor(env, anchor); }
  using Core::IAttach<Dependency::DependencyEnd>::CanAttach;
  using Core::IAttach<AssocEnd>::CanAttach;
  using Core::IAttach<GeneralizationEnd>::CanAttach;
  using Core::IAttach<AssocClassConnectorSourceEnd>::CanAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
  using Core::IAttach<Text::Anchor>::CanAttach;
  using Core::IAttach<Dependency::DependencyEnd>::TryAttach;
  using Core::IAttach<AssocEnd>::TryAttach;
  using Core::IAttach<GeneralizationEnd>::TryAttach;
  using Core::IAttach<AssocClassConnectorSourceEnd>::TryAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::TryAttach;
  using Core::IAttach<Text::Anchor>::TryAttach;

  // The generalization ends on the class, in order.
  const Core::PtrCont<GeneralizationEnd>& GetGeneralizationEnds() const { return GetRep().generalizationEnds; }
  // Every attached connector end, kind by kind in list order.
  void ForEachEnd(const std::function<void(Connector::IEnd&)>& visit) const;
  // The ends and anchored texts follow a change of the outline (set: the move it belongs to, or none).
  void FollowReshape(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet* set);
  // The class is deleted: every end is detached as from a deleted terminal, the anchored texts go.
  void DetachAll(Core::Env& env);
};

}  // namespace Class
