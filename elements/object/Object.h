#pragma once
// The object box: an underlined name in its header, at most one compartment below it, qualifiers on
// its border, and the link ends and note-connector ends attached to its outline.
#include <memory>
#include <string>

#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/classobject/QualifierList.h"
#include "elements/classobject/Terminal.h"
#include "elements/note/NoteConnector.h"
#include "view/compartment/Compartment.h"

namespace Object {

class Compartment;
class LinkEnd;
class Qualifier;

// The record of an object.
struct ObjectRep {
  zq::Point size{2000, 1000};
  TextBlock::Text* text = nullptr;
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored: rebuilt by the ends
  Core::PtrCont<LinkEnd> linkEnds;                 // not stored: rebuilt by the ends
  Core::PtrCont<Qualifier> qualifiers;             // not stored: rebuilt by the qualifiers
  Compartment* compartment = nullptr;              // not stored: rebuilt from the nesting
  Style::Style* style = nullptr;                   // not stored
  std::wstring elementStyle;
};

// An object (element name "Object"): "Pos", "Size", "ElementStyle", its name text and compartment inside.
class Object
    : public Core::StorableWithPos<Object, ObjectRep, Core::StorableTraits::Null, ClassObject::Terminal,
                                   ::Compartment::ISingleCompartmentOwner, Core::IDeletable, Core::ICheckable,
                                   Style::IElementStyleClient, Core::IAttach<LinkEnd>,
                                   Core::PartnerList<ObjectRep, LinkEnd, &ObjectRep::linkEnds>,
                                   Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<ObjectRep, Note::NoteConnectorEnd, &ObjectRep::noteEnds>,
                                   ClassObject::QualifierList<ObjectRep, Qualifier, &ObjectRep::qualifiers>> {
 public:
  // The margin of the name inside the header, on every side.
  static constexpr std::int32_t kMargin = 100;
  // The factory, registered under "Object".
  static Core::FactoryImp<Object>& Factory();
  static void RegisterProperties(Core::PropertyTable<ObjectRep>& table);
  // A new object named "<name?>" with its top-left corner at the point, fitted to its name.
  static std::shared_ptr<Object> Create(Core::Env& env, const zq::Point& at);
  // The same as a plain element, for the background command.
  static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

  TextBlock::Text* GetText() const { return GetRep().text; }
  Compartment* GetCompartment() const { return GetRep().compartment; }
  const Core::PtrCont<LinkEnd>& GetLinkEnds() const { return GetRep().linkEnds; }
  const Core::PtrCont<Note::NoteConnectorEnd>& GetNoteEnds() const { return GetRep().noteEnds; }

  // ICompartmentOwner: the object lays itself out again when the change closes.
  void RemoveCompartment(Core::Env& env, ::Compartment::ICompartment& compartment) override;
  void CompartmentsChanged(Core::Env& env) override;
  bool CanAddCompartment(const Core::IModelElement& element) const override;
  void AddCompartment(Core::Env& env, Core::IModelElement& element) override;
  // Reading: the compartment read inside the object.
  void RestoreCompartment(Compartment& compartment);

  // IResizable: the requested rectangle, never smaller than the name and the compartment need;
  // a moved left or top edge keeps the opposite edge.
  zq::Point GetSize() const override { return GetRep().size; }
  zq::Point GetOldSize() const override { return GetOldRep().size; }
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;

  // INamed: the name text's content.
  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;
  // ITextOwner: the name sits in the header with a margin of 100; a change refits the box.
  void GetTextOrigin(zq::Point& origin) const override { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &ObjectRep::text, text); }
  // The "Header" font underlined, centred, one line per paragraph.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

  // Terminal: the rectangle.
  void GetOutline(std::vector<zq::Point>& outline, bool old) const override;
  // The attached ends and the qualifiers follow the change of the rectangle since the change began
  // (set: the move it belongs to, or none).
  void NotifyReshape(Core::Env& env, Core::DeferredShiftSet* set = nullptr);

  // IPointable
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  // IShiftable: the compartment, the attached ends and the qualifiers move along.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Deletes the object, its compartment and name; attached ends and qualifiers are told.
  void Delete(Core::Env& env) override;
  // Copies carry the compartment, the name and the style along.
  void CollectForSelection(Core::ModelElementSet& set) override;

  // Attach rules
  void Attach(Core::Env& env, LinkEnd* end) override;
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  using Core::IAttach<LinkEnd>::CanAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
  using Core::IAttach<LinkEnd>::TryAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::TryAttach;

  // Styles
  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;
  void SetElementStyle(Core::Env& env, const std::wstring& name) override;
  std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

  // The pending layout after a compartment change runs in the change's follow-up.
  void Finalize(Core::Env& env) override;
  // A nested "Compartment" is the object's compartment.
  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override;
  // Reading: the stored size holds until every element is read.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  void OnRestored(Core::Env&) override { reading_ = false; }

 protected:
  // A qualifier joined the list: it belongs to this object.
  void OnQualifierAdded(Core::Env& env, Qualifier* qualifier) override;

 private:
  // The header height the name needs.
  std::int32_t HeaderHeight(const Core::IGrid& grid) const;
  std::int32_t CompartmentHeight() const;
  // Lays the compartment out below the header after it changed.
  void UpdateAfterCompartmentChange(Core::Env& env);

  bool compartmentChanged_ = false;
  bool reading_ = false;
};

// Reports the object's factories (object, compartment, qualifier) and its directories.
void ReportObjectFactories(Core::FactoryRegistry& registry);

}  // namespace Object
