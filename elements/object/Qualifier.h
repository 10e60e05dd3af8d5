#pragma once
// The object diagram's qualifier: a text box on an object's border where link ends attach.
#include "core/Factory.h"
#include "elements/classobject/QualifierImp.h"
#include "elements/object/Link.h"

namespace Object {

class Object;

// The record of an object qualifier.
struct QualifierRep {
  zq::Point size{1000, 600};
  Object* owner = nullptr;  // "Object"
  TextBlock::Text* text = nullptr;
  Core::PtrCont<LinkEnd> linkEnds;                 // not stored: rebuilt from the ends
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored
  Style::Style* style = nullptr;                   // not stored
  std::wstring elementStyle;
};

// The style of object qualifiers: the "Qualifier" directory below "Object Diagram".
struct QualifierKind {
  static const Style::DirectoryName& Directory() { return Style::Names::ObjectQualifier(); }
  static constexpr Style::StyledKind kStyledKind = Style::StyledKind::ObjectQualifier;
};

// A qualifier (element "ObjectQualifier"): "Pos", "Size", "Object", its text and "ElementStyle".
class Qualifier
    : public ClassObject::QualifierImp<Qualifier, QualifierRep, Object, LinkEnd, &QualifierRep::linkEnds, QualifierKind> {
 public:
  // The factory, registered under "ObjectQualifier".
  static Core::FactoryImp<Qualifier>& Factory();
  static void RegisterProperties(Core::PropertyTable<QualifierRep>& table);

  Object* GetObject() const { return GetBox(); }
  // Writes "Object" (undoable); the previous object forgets the qualifier. Nothing when deleted or unchanged.
  void SetObject(Core::Env& env, Object* owner) { SetBox(env, owner); }
  const Core::PtrCont<LinkEnd>& GetLinkEnds() const { return GetEnds(); }
  // A copy or drag takes the qualifier when it holds it, or when it takes the object and at least
  // one of the qualifier's links (a link that goes along counts this qualifier as taken).
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
};

// The qualifier of "With &Qualifier": a new qualifier 1000 x 600 "<?>" at the end, on the border
// of the end's object (the end then sits on its far side) or beside a free end.
std::shared_ptr<Qualifier> InsertQualifierAtEnd(Core::Env& env, LinkEnd& end);

}  // namespace Object
