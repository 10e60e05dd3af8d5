#pragma once
// The actor: a stick figure in a resizable box with its name centred below it. Association ends
// (to use cases) and note connector ends attach to the outline of figure and name.
#include <memory>

#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/classobject/Terminal.h"
#include "elements/note/NoteConnector.h"
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

// The actor (element "Actor"): "Pos", "Size" and its name "Text".
class Actor : public Core::StorableWithPos<Actor, ActorRep, Core::StorableTraits::Null, ClassObject::Terminal,
                                           Core::IShiftable, Core::IDeletable, IAssocParty,
                                           Core::PartnerList<ActorRep, AssocEnd, &ActorRep::assocEnds>,
                                           Core::IAttach<Note::NoteConnectorEnd>,
                                           Core::PartnerList<ActorRep, Note::NoteConnectorEnd, &ActorRep::noteEnds>,
                                           Core::ICheckable> {
 public:
  static constexpr std::int32_t kNameGap = 100;  // between the figure's bottom and the name's top

  // The factory, registered under "Actor".
  static Core::FactoryImp<Actor>& Factory();
  static void RegisterProperties(Core::PropertyTable<ActorRep>& table);
  // A new actor named "<name?>", 1100 x 1400, its top-left corner at the point.
  static std::shared_ptr<Actor> Create(Core::Env& env, const zq::Point& at);
  static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

  TextBlock::Text* GetText() const { return GetRep().text; }
  const Core::PtrCont<AssocEnd>& GetAssocEnds() const { return GetRep().assocEnds; }
  const Core::PtrCont<Note::NoteConnectorEnd>& GetNoteEnds() const { return GetRep().noteEnds; }
  // The name's box (y up): centred under the figure, its top kNameGap below it.
  zq::Rect GetNameRect(bool old = false) const;

  bool IsActor() const override { return true; }

  // IResizable
  zq::Point GetSize() const override { return GetRep().size; }
  zq::Point GetOldSize() const override { return GetOldRep().size; }
  // 14/11 whatever the size.
  double GetAspectRatio() const override { return 14.0 / 11.0; }
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;

  // INamed
  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;

  // ITextOwner: the name is laid out at its own size.
  void GetTextOrigin(zq::Point& origin) const override;
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const override { size = {0, 0}; }
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &ActorRep::text, text); }
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

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
  void CollectForSelection(Core::ModelElementSet& set) override;

  // Styles: the directory "Actor".
  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;

  // Reading: the size must be at least 1 x 1.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;

 private:
  // The attached ends follow the changed outline.
  void Reshaped(Core::Env& env);
};

}  // namespace UseCase
