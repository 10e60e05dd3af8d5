#pragma once
// The actor: a stick figure in a resizable box with its name centred below it. Association ends
// (to use cases) and note connector ends attach to the outline of figure and name.
#include <memory>

#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/note/NoteConnector.h"
#include "elements/usecase/Node.h"
#include "elements/usecase/Parts.h"

namespace UseCase {

// The record of an actor.
struct ActorRep {
  zq::Point size{1100, 1400};
  TextBlock::Text* text = nullptr;
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored: rebuilt by the ends
  Core::PtrCont<AssocEnd> assocEnds;               // not stored: rebuilt by the ends
  Style::Style* style = nullptr;                   // not stored
};

using ActorNode = Node<ActorRep, Style::StyledKind::Actor, &Style::Names::Actor, TextBlock::SizingOwnExtent>;

// The actor (element "Actor"): "Pos", "Size" and its name "Text".
class Actor : public Core::StorableWithPos<Actor, ActorRep, Core::StorableTraits::Null, ActorNode, Core::IDeletable,
                                           IAssocParty, Core::PartnerList<ActorRep, AssocEnd, &ActorRep::assocEnds>,
                                           Core::IAttach<Note::NoteConnectorEnd>,
                                           Core::PartnerList<ActorRep, Note::NoteConnectorEnd, &ActorRep::noteEnds>,
                                           Core::ICheckable> {
 public:
  static constexpr std::int32_t kNameGap = 100;  // between the figure's bottom and the name's top

  // The factory, registered under "Actor".
  static Core::FactoryImp<Actor>& Factory();
  static void RegisterProperties(Core::PropertyTable<ActorRep>& table);
  // A new actor named "<name?>", 1100 x 1400, its top-left corner at the point.
  static std::shared_ptr<Actor> Create(Core::Env& env, const zq::Point& at) { return MakeNew<Actor>(env, at); }
  static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

  const Core::PtrCont<AssocEnd>& GetAssocEnds() const { return GetRep().assocEnds; }
  const Core::PtrCont<Note::NoteConnectorEnd>& GetNoteEnds() const { return GetRep().noteEnds; }
  // The name's box (y up): centred under the figure, its top kNameGap below it.
  zq::Rect GetNameRect(bool old = false) const;

  bool IsActor() const override { return true; }

  // IResizable: 14/11 whatever the size.
  double GetAspectRatio() const override { return 14.0 / 11.0; }
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;

  // ITextOwner: the name is laid out at its own size.
  void GetTextOrigin(zq::Point& origin) const override { origin = GetNameRect().TopLeft(); }
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const override { size = {0, 0}; }
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;

  // Terminal: the figure's box with the name's box hanging below it.
  void GetOutline(std::vector<zq::Point>& outline, bool old) const override;
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  using IAssocParty::Attach;
  using IAssocParty::CanAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
  using IAssocParty::TryAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::TryAttach;

  // IPointable: the figure's box, or the name's box, grown by the tolerance.
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Detaches (and so deletes) the attached ends and deletes the name.
  void Delete(Core::Env& env) override;

  // Reading: the size must be at least 1 x 1.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;

 private:
  // The attached ends follow the change (set: the move it belongs to).
  void FollowEnds(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet& set);
  // The attached ends follow the changed outline.
  void Reshaped(Core::Env& env);
};

}  // namespace UseCase
