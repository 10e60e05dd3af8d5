#include "view/compartment/win/VCompartment.h"

#include "text/edit/TextView.h"
#include "view/CanvasView.h"
#include "view/compartment/win/MoveControllers.h"

namespace Compartment {

namespace {
constexpr unsigned kAllHandles = 255;
constexpr unsigned kWestAndEast = 4 | 64;

// The markers at the ends of a compartment's top line, where it meets its owner's sides.
void AddTopMarkers(ICanvas::Canvas& canvas, ICanvas::Group& group, const ICanvas::DoubleRect& r, int target) {
  group.Add(canvas.CreateAdjustMarker({r.left, r.top}, ICanvas::SideLeft, target));
  group.Add(canvas.CreateAdjustMarker({r.right, r.top}, ICanvas::SideRight, target));
}
}  // namespace

bool BoxDrawing::Follow(const Core::IResizable& box, std::uint64_t key) {
  const zq::Point pos = box.GetPos();
  if (drawn_ && key != 0 && key == key_ && box.GetSize() == size_ && box.IsInTransaction() && !box.IsNew()) {
    if (pos != pos_) group_.Move({double(pos.x - pos_.x), double(pos.y - pos_.y)});
    pos_ = pos;
    return true;
  }
  Clear();
  return false;
}

void BoxDrawing::Drawn(const Core::IResizable& box, std::uint64_t key) {
  pos_ = box.GetPos();
  size_ = box.GetSize();
  key_ = key;
  drawn_ = true;
}

void BoxDrawing::Clear() {
  group_.Clear();
  drawn_ = false;
}

std::uint64_t FillKey(const ICanvas::LineStyle* fill) {
  if (!fill) return 2;
  return (std::uint64_t(fill->value) << 32) ^ (std::uint64_t(std::uint32_t(fill->width)) << 1) ^
         (std::uint64_t(fill->systemColor != 0) << 31) ^ 1;
}

VTextBox::VTextBox(View::ICanvasView& view, Core::IResizable& box, unsigned handleMask)
    : Core::IViewElement(view, box),
      View::SelectableViewElement(view, box),
      box_(box),
      handles_(view, box, handleMask, this, 0) {}

void VTextBox::UpdateMarks() {
  if (held_) return;
  if (!IsSelected() || box_.IsDeleted()) {
    marks_.Clear();
    return;
  }
  // The handles' picture and which of them show.
  const std::uint64_t key = (std::uint64_t(1) << 63) | (std::uint64_t(handles_.GetEnabledMask()) << 2) |
                            (GetCanvasView().IsSelectionVisible() ? 2u : 0u) | (IsPlaced() ? 1u : 0u);
  marks_.Update(box_, key, [&](ICanvas::Group& group) { handles_.Draw(GetCanvasView().GetCanvas(), group, IsPlaced()); });
}

Core::Weight VTextBox::HitTestMarks(const zq::Point& point, std::int32_t tolerance) const {
  return IsSelected() ? handles_.WeightAt(point, tolerance) : Core::Weight();
}

View::IControl* VTextBox::FindControlAt(const zq::Point& point) {
  return IsSelected() ? handles_.FindAt(point) : nullptr;
}

void VTextBox::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&) {
  if (box_.IsDeleted()) return;
  const ICanvas::DoubleRect r = ICanvas::ToDouble(box_.GetRect());
  group.Add(canvas.CreateDashedRect(r, 1));
  GraphUtil::AddCornerMarks(canvas, group, r, 0);
}

bool VTextBox::HoldsCommittedDrawing() {
  const zq::Point pos = box_.GetPos();
  held_ = keepWhileMoved_ && place_.Holds(box_.IsInTransaction() && !box_.IsNew(), pos, pos + box_.GetSize());
  if (held_) NoteDrawnAsChanging();
  return held_;
}

void VTextBox::RedrawText(TextBlock::Text* text) { TextBlock::RedrawTextView(text, GetCanvasView()); }

VCompartment::VCompartment(View::ICanvasView& view, ICompartment& compartment)
    : Core::IViewElement(view, compartment), VTextBox(view, compartment, kAllHandles), compartment_(compartment) {}

void VCompartment::UpdateShape() {
  if (HoldsCommittedDrawing()) return;
  if (compartment_.IsDeleted()) {
    drawing_.Clear();
    return;
  }
  SetHandleMask(TextBlock::ITextOwner::IsTextEmpty(compartment_.GetText()) ? kWestAndEast : kAllHandles);
  drawing_.Update(compartment_, compartment_.HasOwner() ? 1 : 2, [&](ICanvas::Group& group) {
    const ICanvas::DoubleRect r = ICanvas::ToDouble(compartment_.GetRect());
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    if (compartment_.HasOwner()) {
      group.Add(canvas.CreateLine({r.left, r.top}, {r.right, r.top}));
      AddTopMarkers(canvas, group, r, 1);
    } else {
      group.Add(canvas.CreateRect(r));
      GraphUtil::AddCornerMarks(canvas, group, r, 1);
    }
  });
  RedrawText(compartment_.GetText());
  UpdateMarks();
}

void VCompartment::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) {
  if (compartment_.IsDeleted()) return;
  Core::IModelElement* owner = compartment_.GetOwnerElement();
  if (!owner || !set.MovesOrDefers(owner)) {
    VTextBox::DrawMoveImage(canvas, group, set);
    return;
  }
  const ICanvas::DoubleRect r = ICanvas::ToDouble(compartment_.GetRect());
  group.Add(canvas.CreateDashedLine({r.left, r.top}, {r.right, r.top}, 1));
  AddTopMarkers(canvas, group, r, 0);
}

View::MoveControllerPtr VCompartment::CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) {
  return MakeCompartmentController<SingleMoveController>(context, set, compartment_);
}

}  // namespace Compartment
