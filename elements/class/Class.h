#pragma once
// The class box: a name in its header, a stack of compartments below it, an abstract flag and
// an element style for its fill.
#include <memory>
#include <string>
#include <vector>

#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/class/Attachments.h"
#include "elements/class/PackagePart.h"
#include "elements/class/TemplateParameters.h"
#include "elements/classobject/QualifierList.h"
#include "elements/classobject/Terminal.h"
#include "view/compartment/Compartment.h"

namespace Class {

class Compartment;
class AssocEnd;
class GeneralizationEnd;
class Qualifier;

// A class document that cannot be read: its compartments do not form one list per class.
class MalformedCompartments : public xml::ExceptionBase {
 public:
  MalformedCompartments(int line, std::string_view message) : xml::ExceptionBase(line, message) {}
};

// The class box (element name "Class").
class Class : public Core::StorableWithPos<Class, ClassRep, Core::StorableTraits::Null, ClassObject::Terminal,
                                           ::Compartment::ICompartmentOwner, Core::IDeletable, Core::ICheckable,
                                           ITemplateParametersOwner, ClassAttachments, IPackagePart,
                                           ClassObject::QualifierList<ClassRep, Qualifier, &ClassRep::qualifiers>> {
 public:
  // The factory, registered under "Class".
  static Core::FactoryImp<Class>& Factory();
  // Registers "Size", "Text", "FirstCompartment", "DependencyEnds", "Abstract", "NoteEnds", "TemplateParameters",
  // "TextAnchors", "Style" and "ElementStyle" (only "Size", "Text", "Abstract" and "ElementStyle" are written).
  static void RegisterProperties(Core::PropertyTable<ClassRep>& table);
  // A new class named "<name?>" with its top-left corner at the point (inside the caller's change).
  static std::shared_ptr<Class> Create(Core::Env& env, const zq::Point& at);
  // The same as a plain element, for the background command.
  static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

  // The name text.
  TextBlock::Text* GetText() const { return GetRep().text; }
  bool IsAbstract() const { return GetRep().abstract; }
  // Writes "Abstract" and shows the name in italics while set.
  void SetAbstract(Core::Env& env, bool abstract);

  // Adds the compartment (with any chained after it) beside the neighbour, or after the last one.
  void InsertCompartment(Core::Env& env, Compartment& compartment, Compartment* neighbour, bool before);
  // The position of the compartment in the stack from 0, or -1 when it is not in this class.
  int IndexOfCompartment(const Compartment& compartment) const;
  // The compartment at the position, or none.
  Compartment* GetCompartment(int index) const;
  int GetCompartmentCount() const;
  Compartment* GetFirstCompartment() const { return GetRep().firstCompartment; }
  // The compartments top to bottom.
  std::vector<Compartment*> Compartments() const;
  // Writes "FirstCompartment" (undoable), also on a deleted class.
  void SetFirstCompartmentRaw(Core::Env& env, Compartment* first);
  // Writes "FirstCompartment" unless the class is deleted.
  void SetFirstCompartment(Core::Env& env, Compartment* first) { SetField(env, &ClassRep::firstCompartment, first); }
  // Where a compartment dragged to the height of the point goes: the neighbour (none without
  // compartments) and whether before it.
  std::pair<Compartment*, bool> FindCompartmentSlot(const zq::Point& point) const;
  // Drops a free chain of compartments at the point: it goes into the slot the point gives.
  void DropCompartments(Core::Env& env, Compartment& head, const zq::Point& point);
  // The header height the name needs.
  std::int32_t HeaderHeight(const Core::IGrid& grid) const;

  // ICompartmentOwner
  void RemoveCompartment(Core::Env& env, ::Compartment::ICompartment& compartment) override;
  void CompartmentsChanged(Core::Env& env) override;

  // IResizable
  zq::Point GetSize() const override { return GetRep().size; }
  zq::Point GetOldSize() const override { return GetOldRep().size; }
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred) override;
  // At least 300, and with a template-parameters box that box's width + 300.
  std::int32_t GetMinWidth() const override;
  std::int32_t GetMinHeight() const override { return 300; }

  // INamed: the name text's content.
  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;

  // ITextOwner: the name sits in the header with a margin of 100.
  void GetTextOrigin(zq::Point& origin) const override;
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &ClassRep::text, text); }
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

  // Terminal
  void GetOutline(std::vector<zq::Point>& outline, bool old) const override;
  // The attached ends and texts follow the change of the outline since the transaction began.
  // With qualifiers, they follow too.
  void Reshape(Core::Env& env, Core::DeferredShiftSet* set = nullptr, bool qualifiers = true);

  // IAnchorOwner: a text goes 200 outside the outline point nearest to the point, on its outer side.
  void GetTextPlacement(Text::TextPlacement& placement, const zq::float8Point& point) const override;
  // Nested "Anchor" elements are the anchored texts.
  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override;

  // IPackagePart: the package around the class follows from the geometry.
  void SetContainingPackage(Core::Env& env, Package* package) override;
  Package* GetContainingPackage() const override { return GetRep().containingPackage; }
  void UpdateContainer(Core::Env& env, Core::ModelElementSet& visited) override;
  // Written inside its package; read inside one, it lies in it.
  Core::IModelElement* GetOwner() const override;
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;

  // IPointable
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  // IShiftable: the compartments move with the class.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Deletes the class, its compartments, its name and its anchored texts; attached ends are detached
  // as from a deleted terminal.
  void Delete(Core::Env& env) override;
  // Selected with its template-parameters box too.
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
  // Copies carry the compartments along.
  void CollectForSelection(Core::ModelElementSet& set) override;

  // Styles
  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;
  void SetElementStyle(Core::Env& env, const std::wstring& name) override;
  std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

  // ITemplateParametersOwner
  TemplateParameters& CreateTemplateParameters(Core::Env& env) override;
  TemplateParameters* GetTemplateParameters() const override { return GetRep().templateParameters; }
  void ForgetTemplateParameters(Core::Env& env) override;
  void TemplateParametersMoved(Core::Env& env, TemplateParameters& box) override;
  zq::Point GetTemplateCorner(bool old) const override;
  void SetTemplateParameters(Core::Env& env, TemplateParameters* box) override;

  // The pending compartment layout runs in the change's follow-up.
  void Finalize(Core::Env& env) override;
  // The end of the change that made the class: later layouts keep the size it has.
  void Commit() override;
  void Rollback() override;
  // Reading: the stored size holds until every element is read.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  // Reading: the compartments read inside the class are checked and linked.
  void OnRestored(Core::Env& env) override;
  // Called by a compartment read inside this class.
  void NoteReadCompartment(Compartment& compartment) { read_.push_back(&compartment); }
  // Lays the compartments out below the header now (also what the pending layout runs).
  void RelayoutCompartments(Core::Env& env);

  const Core::PtrCont<AssocEnd>& GetAssocEnds() const { return GetRep().assocEnds; }

 protected:
  // A qualifier joined the class's list: it belongs to the class.
  void OnQualifierAdded(Core::Env& env, Qualifier* qualifier) override;

 private:
  // Places the compartments from the header down; returns the y below the last one.
  std::int32_t PlaceCompartments(Core::Env& env, std::int32_t header);
  // Checks that the compartments read form one list and links "Next" and "FirstCompartment".
  void LinkReadCompartments(Core::Env& env);
  // The height before the change less the compartments taken out since: a layout never makes the box
  // lower (none for a class made in the change). Compartments put in count only where the box lacks
  // room for them, as a drag's detached compartment dropped back was counted in the height already.
  std::int32_t KeptHeight() const;

  bool layoutPending_ = false;
  bool fresh_ = false;  // made in the running change
  bool reading_ = false;  // between reading the attributes and the end of the document
  std::vector<Compartment*> read_;
};

}  // namespace Class
