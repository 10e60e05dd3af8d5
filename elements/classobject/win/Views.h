#pragma once
// The views the class and object diagrams share: the decoration of a box connector's end, and the
// qualifier box with its drag along owners' borders.
#include <memory>

#include "drawing/Canvas.h"
#include "elements/classobject/QualifierMove.h"
#include "style/Clients.h"
#include "text/edit/Handlers.h"
#include "view/CanvasOrder.h"
#include "view/ResizeControls.h"
#include "view/ViewElements.h"

namespace ClassObject {

// Draws the decoration of an end of the kind at p for a line that comes from q: a diamond 600 x 300
// (hollow for an aggregation, filled for a composition), then for a traversed end an open arrow head
// 700 x 260 at the line's start. Answers where the line starts.
zq::float8Point DrawEndAdornment(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& p,
                                 const zq::float8Point& q, std::int32_t type, bool traversed);

// The drag of a qualifier Q on its own among boxes Owner: it keeps to the border of the box near
// the pointer, marks that box's corners, and belongs to it at the drop.
template <class Q, class Owner>
class QualifierDrag : public View::IMoveController {
 public:
  QualifierDrag(View::ViewContext& context, const Core::DeferredShiftSet& set, Q& qualifier)
      : canvas_(context.canvas), controller_(*context.diagram, set, qualifier) {}
  void Restrict(const zq::Point& grab, zq::Point& point) override {
    point = zq::RoundPoint(controller_.Restrict(ICanvas::ToDouble(grab), ICanvas::ToDouble(point)));
    feedback_.Clear();
    const Owner* candidate = controller_.GetCandidate();
    if (candidate == nullptr || canvas_ == nullptr) return;
    for (const auto& [from, to] : CornerMarks(candidate->GetRect()))
      feedback_.Add(canvas_->CreateDashedLine(ICanvas::ToDouble(from), ICanvas::ToDouble(to), 0));
  }
  void Finish(Core::Env& env) override {
    feedback_.Clear();
    controller_.Finish(env);
  }

 private:
  ICanvas::Canvas* canvas_;
  QualifierMoveController<Q, Owner> controller_;
  ICanvas::Group feedback_;
};

// The view of a qualifier Q on boxes Owner: its outline (and fill), its resize handles but those on
// the owner's side; typing or a double click edits its text.
template <class Q, class Owner>
class VQualifier : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp {
 public:
  VQualifier(View::ICanvasView& view, Q& qualifier)
      : Core::IViewElement(view, qualifier), View::SelectableViewElement(view, qualifier), qualifier_(qualifier),
        handles_(view, qualifier, 255, this, 0) {}
  void UpdateShape() override {
    shape_.Clear();
    if (qualifier_.IsDeleted()) return;
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    const zq::Rect r = qualifier_.GetRect();
    const Style::ElementStyleFill fill(qualifier_);
    if (fill.GetLineStyle())
      shape_.Add(canvas.CreateFilledRect(ICanvas::ToDouble(r), *fill.GetLineStyle(), View::MakeAreaWeight(qualifier_.GetSize())));
    shape_.Add(canvas.CreateRect(ICanvas::ToDouble(r)));
    GraphUtil::AddCornerMarks(canvas, shape_, ICanvas::ToDouble(r), 1);
    UpdateMarks();
  }
  // While dragged: a dashed rectangle and the corner marks that look for corners to line up with.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&) override {
    const ICanvas::DoubleRect r = ICanvas::ToDouble(qualifier_.GetRect());
    group.Add(canvas.CreateDashedRect(r, 1));
    GraphUtil::AddCornerMarks(canvas, group, r, 0);
  }
  void UpdateMarks() override {
    marks_.Clear();
    if (qualifier_.IsInTransaction()) return;
    handles_.SetEnabledMask(qualifier_.ComputeHandleMask());
    if (IsSelected()) handles_.Draw(GetCanvasView().GetCanvas(), marks_, qualifier_.GetBox() != nullptr);
  }
  Core::Weight HitTestMarks(const zq::Point& p, int32_t tolerance) const override { return handles_.WeightAt(p, tolerance); }
  View::IControl* FindControlAt(const zq::Point& p) override { return handles_.FindAt(p); }
  TextBlock::Text* GetTextModel() const override { return qualifier_.GetText(); }
  void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
  // Dragged alone it keeps to the border of the box near the pointer; with its box it moves along.
  View::MoveControllerPtr CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) override {
    const Owner* owner = qualifier_.GetBox();
    if ((owner != nullptr && set.IsShifted(owner)) || context.diagram == nullptr) return View::MakeNullMoveController();
    return std::make_shared<QualifierDrag<Q, Owner>>(context, set, qualifier_);
  }

 private:
  Q& qualifier_;
  View::RectResizeControls handles_;
  ICanvas::Group shape_;
  ICanvas::Group marks_;
};

}  // namespace ClassObject
