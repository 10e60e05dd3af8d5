#pragma once
// The class diagram's qualifier: a text box on a class's border where association ends attach.
#include "core/Factory.h"
#include "elements/class/Association.h"
#include "elements/classobject/QualifierImp.h"

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

// The style of class qualifiers: the "Qualifier" directory below "Class Diagram".
struct QualifierKind {
  static const Style::DirectoryName& Directory() { return Style::Names::ClassQualifier(); }
  static constexpr Style::StyledKind kStyledKind = Style::StyledKind::ClassQualifier;
};

// A qualifier (element "Qualifier"): "Pos", "Size", "Class", its text and "ElementStyle".
class Qualifier
    : public ClassObject::QualifierImp<Qualifier, QualifierRep, Class, AssocEnd, &QualifierRep::assocEnds, QualifierKind> {
 public:
  // The factory, registered under "Qualifier".
  static Core::FactoryImp<Qualifier>& Factory();
  static void RegisterProperties(Core::PropertyTable<QualifierRep>& table);
  // A new qualifier "<?>" of the size for the end, on the end's class border (the end then starts
  // at its outer edge) or beside a free end (undoable).
  static std::shared_ptr<Qualifier> CreateAtEnd(Core::Env& env, AssocEnd& end, const zq::Point& size = {1000, 600}) {
    return QualifierImp::CreateAtEnd(env, end, size);
  }

  Class* GetClass() const { return GetBox(); }
  // Writes "Class" (undoable) and tells the previous class to forget the qualifier; nothing when
  // deleted or unchanged.
  void SetClass(Core::Env& env, Class* owner) { SetBox(env, owner); }
  const Core::PtrCont<AssocEnd>& GetAssocEnds() const { return GetEnds(); }
};

// Reports the qualifier's factory and its directory.
void ReportQualifierFactory(Core::FactoryRegistry& registry);

}  // namespace Class
