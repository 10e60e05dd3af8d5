#pragma once
// The views of associations and qualifiers, the association end's menu (113) and commands, the
// segment's menu (123), and "New &Association" of the class menu.
#include <memory>

#include "elements/class/Association.h"
#include "elements/class/Qualifier.h"
#include "elements/classobject/win/Views.h"
#include "text/edit/Handlers.h"
#include "view/CmdHandler.h"
#include "view/ResizeControls.h"
#include "view/connector/win/Views.h"

namespace Class {

using ClassObject::DrawEndAdornment;

// The view of an association end: its decoration and its menu 113.
class VAssocEnd : public Connector::VEnd {
 public:
  VAssocEnd(View::ICanvasView& view, AssocEnd& end);
  zq::float8Point DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) override;
  unsigned GetMenuId() const override;
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;

 private:
  AssocEnd& end_;
};

// The view of an association segment: its menu 123 with "New Te&xt" and "New &Dependency".
class VAssocSegment : public Connector::VSegment {
 public:
  VAssocSegment(View::ICanvasView& view, AssocSegment& segment);
  unsigned GetMenuId() const override;
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;

 private:
  AssocSegment& segment_;
};

// The end's own commands: Direct, Aggregation, Composition (radio marks), Traversed (check mark)
// and With Qualifier (check mark while the end has one), each one undo step.
class AssocEndCmdHandler : public View::ICmdHandler {
 public:
  AssocEndCmdHandler(View::IDefaultTask& task, AssocEnd& end);
  void UpdateCommands() override;

 private:
  void OnDirect(const Application::CommandMsg&) { SetKind(ClassObject::EndType::Direct); }
  void OnAggregation(const Application::CommandMsg&) { SetKind(ClassObject::EndType::Aggregation); }
  void OnComposition(const Application::CommandMsg&) { SetKind(ClassObject::EndType::Composition); }
  void OnTraversed(const Application::CommandMsg&);
  void OnQualifier(const Application::CommandMsg&);
  void SetKind(AssocEndType type);
  AssocEnd& end_;
};

// The view of a qualifier on a class's border.
using VQualifier = ClassObject::VQualifier<Qualifier, Class>;

// "New &Association" (40104) of the class menu: draws an association from the class.
std::unique_ptr<View::ICmdHandler> CreateAssocCmdHandler(View::IDefaultTask& task);

// Makes the views of associations and qualifiers (once).
void RegisterAssociationViews();

}  // namespace Class
