#pragma once
// The class diagram's qualifier: a text box on a class's border where association ends attach.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/class/Association.h"
#include "elements/classobject/Qualifier.h"
#include "elements/note/NoteConnector.h"

namespace Class {

class Class;

struct QualifierRep {
  zq::Point size{1000, 600};
  Class* owner = nullptr;  // "Class"
  TextBlock::Text* text = nullptr;
  Core::PtrCont<AssocEnd> assocEnds;               // not stored: rebuilt from the ends
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored
  Style::Style* style = nullptr;                   // not stored
  std::wstring elementStyle;
};

// A qualifier (element "Qualifier"): "Pos", "Size", "Class", its text and "ElementStyle".
class Qualifier
    : public Core::StorableWithPos<Qualifier, QualifierRep, Core::StorableTraits::Null, ClassObject::IQualifier,
                                   Core::IAttach<AssocEnd>, Core::PartnerList<QualifierRep, AssocEnd, &QualifierRep::assocEnds>,
                                   Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<QualifierRep, Note::NoteConnectorEnd, &QualifierRep::noteEnds>,
                                   Core::ICheckable> {
 public:
  static constexpr std::int32_t kMargin = 100;
  // The factory, registered under "Qualifier".
  static Core::FactoryImp<Qualifier>& Factory();
  static void RegisterProperties(Core::PropertyTable<QualifierRep>& table);
  // A new qualifier "<?>" of the size for the end, on the end's class border (the end then starts
  // at its outer edge) or beside a free end (undoable).
  static std::shared_ptr<Qualifier> CreateAtEnd(Core::Env& env, AssocEnd& end, const zq::Point& size = {1000, 600});

  Class* GetClass() const { return GetRep().owner; }
  // Writes "Class" (undoable) and tells the previous class to forget the qualifier; nothing when
  // deleted or unchanged.
  void SetClass(Core::Env& env, Class* owner);
  const Core::PtrCont<AssocEnd>& GetAssocEnds() const { return GetRep().assocEnds; }

  // IQualifier
  Core::IResizable* GetOwnerBox() const override;
  TextBlock::Text* GetText() const override { return GetRep().text; }
  void ReleaseOwner(Core::Env& env) override { SetClass(env, nullptr); }

  // IResizable: the rectangle keeps its side on the class and grows to the text.
  zq::Point GetSize() const override { return GetRep().size; }
  zq::Point GetOldSize() const override { return GetOldRep().size; }
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;
  // INamed: the text's content.
  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;
  // ITextOwner
  void GetTextOrigin(zq::Point& origin) const override { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
  // The box fits its text, keeping its edge on the class.
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  void SetText(Core::Env& env, TextBlock::Text* text) override;
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

  // IShiftable: the attached ends follow.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Without a class its ends go with it; with one they move onto the class.
  void Delete(Core::Env& env) override;
  // IAttachment: the class goes, the qualifier with it.
  void OnTerminalDeleted(Core::Env& env) override;
  void Attach(Core::Env& env, AssocEnd* end) override { end->SetTerminal(env, this); }
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  bool CanAttach(Note::NoteConnectorEnd* end) const override { return end == nullptr || end->GetType() != 1; }
  using Core::IAttach<AssocEnd>::CanAttach;
  // Copies take the text along.
  void CollectForSelection(Core::ModelElementSet& set) override;

  // Styles
  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;
  void SetElementStyle(Core::Env& env, const std::wstring& name) override;
  std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

  // Reading: a qualifier on a class joins the class's list.
  void OnRestored(Core::Env& env) override;

 private:
  // The attached ends follow the changed rectangle.
  void Reshaped(Core::Env& env, Core::DeferredShiftSet* set);
  // Sets the rectangle, grown to the text.
  void ApplyRect(Core::Env& env, zq::Rect rect);
};

// Reports the qualifier's factory and its directory.
void ReportQualifierFactory(Core::FactoryRegistry& registry);

}  // namespace Class
