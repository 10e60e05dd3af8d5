#pragma once
// The views of associations and qualifiers, the association end's menu (113) and commands, the
// segment's menu (123), and "New &Association" of the class menu.
#include <memory>

#include "elements/class/Association.h"
#include "elements/class/Qualifier.h"
#include "text/edit/Handlers.h"
#include "view/CmdHandler.h"
#include "view/ResizeControls.h"
#include "view/connector/win/Views.h"

namespace Class {

// Draws the decoration of an end of the kind at p for a line that comes from q: a diamond 600 x 300
// (hollow for an aggregation, filled for a composition), then for a traversed end an open arrow head
// 700 x 260 at the line's start. Answers where the line starts.
zq::float8Point DrawEndAdornment(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& p,
                                 const zq::float8Point& q, std::int32_t type, bool traversed);

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

// The view of a qualifier: its outline (and fill), its resize handles but those on the class's
// side; typing or a double click edits its text.
class VQualifier : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp {
 public:
  VQualifier(View::ICanvasView& view, Qualifier& qualifier);
  void UpdateShape() override;
  void UpdateMarks() override;
  Core::Weight HitTestMarks(const zq::Point& p, int32_t tolerance) const override { return handles_.WeightAt(p, tolerance); }
  View::IControl* FindControlAt(const zq::Point& p) override { return handles_.FindAt(p); }
  TextBlock::Text* GetTextModel() const override { return qualifier_.GetText(); }
  void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
  // Dragged alone it keeps to the border of the class near the pointer; with its class it moves along.
  View::MoveControllerPtr CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) override;

 private:
  Qualifier& qualifier_;
  View::RectResizeControls handles_;
  ICanvas::Group shape_;
  ICanvas::Group marks_;
};

// "New &Association" (40104) of the class menu: draws an association from the class.
std::unique_ptr<View::ICmdHandler> CreateAssocCmdHandler(View::IDefaultTask& task);

// Makes the views of associations and qualifiers (once).
void RegisterAssociationViews();

}  // namespace Class
