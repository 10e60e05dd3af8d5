#pragma once
// The connector end of the class and object diagrams' box connectors, over the end template: it sits
// on a box ("Class" or "Object") or on one of the box's qualifiers ("Qualifier"), carries its kind
// (plain, aggregation, composition) and an arrow head, and owns the texts anchored at it. An end of
// another connector of the same kind merges into a free end, a segment or a join.
#include "core/Exceptions.h"
#include "core/ModelElementSet.h"
#include "elements/classobject/EndImp.h"
#include "style/Clients.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/free/Anchor.h"
#include "view/connector/Functions.h"
#include "view/connector/Parts.h"
#include "core/foundation/Cast.h"

namespace ClassObject {

// Whether the end belongs to another connector than the part (none: a connector being drawn).
inline bool OfAnotherConnector(const Connector::IEnd* end, const Connector::IConnectorElement& part) {
  return end == nullptr || end->GetConnector() != part.GetConnector();
}

// The end Derived on boxes Box and qualifiers Q (which has GetOwnerBox). Kind gives the texts'
// directory (static Directory()), the kind's directories (kStyledKind), the box attribute
// (kBoxAttribute) and the style of anchored texts (static DocumentStyle(asking)).
template <class Derived, class Box, class Q, class Kind>
class PartyEnd : public Connector::EndImp<Derived>,
                 public EndImp,
                 public Text::AnchorList<Connector::EndRep, &Connector::EndRep::anchors>,
                 public Style::IStyleClient,
                 public Core::IAttach<Derived>,
                 public Core::IAttach<Text::Anchor> {
  using Base = Connector::EndImp<Derived>;

 public:
  // "Pos", the box, "Qualifier", "Type" (1 to 3, mandatory) and "Traversed"; the texts are written inside.
  static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t) {
    using namespace Core;
    using Connector::EndRep;
    RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
    RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
    RegisterRefProperty<>::Register(t, &EndRep::party, Kind::kBoxAttribute);
    RegisterRefProperty<>::Register(t, &EndRep::subParty, L"Qualifier");
    RegisterEnumProperty<EndType::Direct, EndType::Composition>::Register(t, &EndRep::type, L"Type",
                                                                          int32_t(EndType::Direct));
    RegisterBoolProperty::Register(t, &EndRep::traversed, L"Traversed");
    RegisterRefContNonStoreProperty::Register(t, &EndRep::anchors, L"TextAnchors");
  }

  bool IsTraversed() const { return this->GetRep().traversed; }
  // Writes "Traversed" (undoable); nothing when deleted or unchanged.
  void SetTraversed(Core::Env& env, bool traversed) { this->SetField(env, &Connector::EndRep::traversed, traversed); }
  // The box the end sits on directly or through its qualifier; none for a free end.
  Box* GetBox() const {
    if (auto* b = zq::Cast<Box>(this->GetRep().party)) return b;
    if (Q* q = GetQualifier()) return zq::Cast<Box>(q->GetOwnerBox());
    return nullptr;
  }
  // The qualifier the end sits on, or none.
  Q* GetQualifier() const { return zq::Cast<Q>(this->GetRep().subParty); }

  // The terminal: the box, else the qualifier.
  Core::IModelElement* GetTerminal() const override {
    return this->GetRep().party != nullptr ? this->GetRep().party : this->GetRep().subParty;
  }
  // A box sets the box reference, a qualifier "Qualifier", none clears both; others change nothing.
  void SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) override {
    if (this->IsDeleted()) return;
    Core::IModelElement* box = nullptr;
    Core::IModelElement* qualifier = nullptr;
    if (zq::Cast<Box>(terminal) != nullptr) box = terminal;
    else if (zq::Cast<Q>(terminal) != nullptr) qualifier = terminal;
    else if (terminal != nullptr) return;
    this->SetField(env, &Connector::EndRep::party, box);
    this->SetField(env, &Connector::EndRep::subParty, qualifier);
  }
  // The kind's filter, and never a part of its own connector.
  bool AcceptsTerminal(const Core::IModelElement* element) const override {
    if (!Base::AcceptsTerminal(element)) return false;
    auto* part = zq::Cast<const Connector::IConnectorElement>(element);
    return part == nullptr || part->GetConnector() != this->GetConnector();
  }
  // The template's takeover (terminal and type), then the other end's "Traversed" and its texts.
  void TakeOverTerminal(Core::Env& env, Connector::IEnd& other) override {
    if (this->IsDeleted()) return;
    Connector::IEnd::TakeOverTerminal(env, other);
    auto* end = zq::Cast<Derived>(&other);
    if (end == nullptr) return;
    SetTraversed(env, end->IsTraversed());
    // Each text leaves the other end's list as it joins this one.
    for (Text::Anchor* a : Core::PtrCont<Text::Anchor>(end->GetAnchors())) this->AddAnchor(env, a);
  }
  // The anchored texts follow every move of the end.
  void MoveTo(Core::Env& env, const zq::float8Point& p) override {
    Base::MoveTo(env, p);
    if (this->IsDeleted() || this->GetAnchors().empty()) return;
    this->CarryTexts(env, *this, Core::PtrCont<Text::Anchor>(this->GetAnchors()));
  }
  // Texts lying over a box once the change is done move off it (EndImp::KeepTextsOffBoxes).
  void KeepCarriedOffChangedBoxes(Core::Env& env, std::any& pass) override {
    this->KeepTextsOffBoxes(env, pass, Core::PtrCont<Text::Anchor>(this->GetAnchors()));
  }
  // The anchored texts go with the end.
  void OnEndDeleted(Core::Env& env) override {
    for (Text::Anchor* a : Core::PtrCont<Text::Anchor>(this->GetAnchors())) a->Detach(env);
  }
  // Copies take the anchored texts along.
  void CollectForSelection(Core::ModelElementSet& set) override {
    Core::IModelElement::CollectForSelection(set);
    for (Text::Anchor* a : this->GetAnchors()) a->CollectForSelection(set);
  }
  // Checks that the box reference names a box and "Qualifier" a qualifier, and that not both are set.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override {
    Base::RestoreProperties(attributes, registry);
    const Connector::EndRep& rep = this->GetRep();
    const bool wrongBox = rep.party != nullptr && zq::Cast<Box>(rep.party) == nullptr;
    const bool wrongQualifier = rep.subParty != nullptr && zq::Cast<Q>(rep.subParty) == nullptr;
    if (wrongBox || wrongQualifier || (rep.party != nullptr && rep.subParty != nullptr))
      throw Core::Exceptions::TypeMismatchOfRestoredObject(attributes.GetLine());
  }
  // Nested "Anchor" elements are the end's texts.
  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override {
    if (Core::ElementPtr anchor = Text::IAnchorOwner::RestoreAnchorElement(env, nsUri, name)) return anchor;
    return Base::CreateChildElement(env, nsUri, name);
  }

  // EndImp
  Core::IModelElement* GetTerminalElement() const override { return GetTerminal(); }
  std::size_t GetAnchorCount() const override { return this->GetAnchors().size(); }
  Text::Anchor* GetFirstAnchor() const override { return this->GetAnchors().front(); }
  const Connector::IEnd& GetEnd() const override { return *this; }

  // IAnchorOwner: the shared placement beside the end point.
  void GetTextPlacement(Text::TextPlacement& placement, const zq::float8Point&) const override {
    Style::Style* style = placement.style;
    placement = PlaceText();
    placement.style = style != nullptr ? style : GetStyle();
  }
  // The kind's text font, centred and as small as the text.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* asking) const override {
    style = TextBlock::TextStyle();
    if (const Style::Style* s = Kind::DocumentStyle(asking)) s->GetFont(Kind::Directory(), style);
    style.horizontalAlignment = TextBlock::AlignCenter;
    style.verticalAlignment = TextBlock::AlignMiddle;
    style.sizing = TextBlock::SizingOwnExtent;
  }

  // IStyleClient: the anchored texts carry the document's style.
  void SetStyle(Core::Env&, Style::Style*) override {}
  Style::Style* GetStyle() const override {
    for (Text::Anchor* a : this->GetAnchors())
      if (Text::FreeText* text = a->GetFreeText()) return text->GetStyle();
    return nullptr;
  }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override {
    if (this->IsDeleted() || !changed.Contains(Kind::Directory())) return;
    for (Text::Anchor* a : this->GetAnchors()) a->ApplyTextStyle(env);
  }
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override {
    for (const Style::DirectoryName* name = &Kind::Directory(); name; name = name->GetParent()) collector.Use(*name);
  }
  void CreateDirectories(Core::Env& env, Style::Style* style) override {
    if (style != nullptr) Style::CreateKindDirectories(env, *style, Kind::kStyledKind);
  }

  // Another connector's end may merge into this one while this one is free.
  bool CanAttach(Derived* end) const override {
    return GetTerminal() == nullptr && end != this && OfAnotherConnector(end, *this);
  }
  void Attach(Core::Env& env, Derived* end) override { Connector::Functions::MergeEnds(env, *end, *this); }
  // A free text dropped on the end hangs on it.
  void Attach(Core::Env& env, Text::Anchor* anchor) override { this->AddAnchor(env, anchor); }
  using Core::IAttach<Text::Anchor>::CanAttach;
};

// The join Derived of a connector whose ends End merge: an end of another connector dropped on it
// joins the two there.
template <class Derived, class End>
class MergingJoin : public Connector::JoinImp<Derived>, public Core::IAttach<End> {
 public:
  bool CanAttach(End* end) const override { return OfAnotherConnector(end, *this); }
  void Attach(Core::Env& env, End* end) override { Connector::Functions::MergeEndIntoJoin(env, *end, *this); }
};

}  // namespace ClassObject
