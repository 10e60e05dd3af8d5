#pragma once
// The views the class and object diagrams share: the decoration of a box connector's end, and the
// qualifier box with its drag along owners' borders.
#include <memory>

#include "drawing/Canvas.h"
#include "elements/classobject/QualifierMove.h"
#include "style/Clients.h"
#include "view/CanvasOrder.h"
#include "view/ViewElements.h"
#include "view/compartment/win/VCompartment.h"

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
// the owner's side; typing or a double click edits its text, which its text's view draws where the
// qualifier's drawing is. A drag's dashed image is the box's (a dashed rectangle with corner marks).
template <class Q, class Owner>
class VQualifier : public ::Compartment::VTextBox {
 public:
  VQualifier(View::ICanvasView& view, Q& qualifier)
      : Core::IViewElement(view, qualifier), VTextBox(view, qualifier, 255), qualifier_(qualifier) {}
  void UpdateShape() override {
    if (HoldsCommittedDrawing()) return;
    if (qualifier_.IsDeleted()) {
      drawing_.Clear();
      return;
    }
    const Style::ElementStyleFill fill(qualifier_);
    drawing_.Update(qualifier_, ::Compartment::FillKey(fill.GetLineStyle()), [&](ICanvas::Group& group) {
      ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
      const ICanvas::DoubleRect r = ICanvas::ToDouble(qualifier_.GetRect());
      if (fill.GetLineStyle())
        group.Add(canvas.CreateFilledRect(r, *fill.GetLineStyle(), View::MakeAreaWeight(qualifier_.GetSize())));
      group.Add(canvas.CreateRect(r));
      GraphUtil::AddCornerMarks(canvas, group, r, 1);
    });
    RedrawText(qualifier_.GetText());
    SetHandleMask(qualifier_.ComputeHandleMask());
    UpdateMarks();
  }
  TextBlock::Text* GetTextModel() const override { return qualifier_.GetText(); }
  // Dragged alone it keeps to the border of the box near the pointer; with its box it moves along.
  View::MoveControllerPtr CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) override {
    const Owner* owner = qualifier_.GetBox();
    if ((owner != nullptr && set.IsShifted(owner)) || context.diagram == nullptr) return View::MakeNullMoveController();
    return std::make_shared<QualifierDrag<Q, Owner>>(context, set, qualifier_);
  }

 protected:
  // On an owner its handles show as placed; without one they warn.
  bool IsPlaced() const override { return qualifier_.GetBox() != nullptr; }

 private:
  Q& qualifier_;
  ::Compartment::BoxDrawing drawing_;
};

}  // namespace ClassObject
