#pragma once
// The view of a compartment: inside an owner, the line along its top edge (the owner draws the
// rest of the box); without one, its rectangle. Typing or a double click edits its text in place;
// while selected it shows its resize handles.
#include <cstdint>
#include <memory>

#include "drawing/Canvas.h"
#include "text/edit/Handlers.h"
#include "view/ResizeControls.h"
#include "view/ViewElements.h"
#include "view/compartment/Compartment.h"

namespace Compartment {

// A drawing made from a box's place and size and a key of whatever else it shows. While an open
// change that did not make the box only moves it, the drawing moves along instead of being made
// anew: a drag of thousands of boxes then makes and indexes no drawables at each step. Once the
// change is closed the box is drawn anew.
class BoxDrawing {
 public:
  // Moves the drawing along where the box only moved since it was drawn with the same key (0: always
  // drawn anew); otherwise clears it and has draw make it anew into the group.
  template <class Draw>
  void Update(const Core::IResizable& box, std::uint64_t key, Draw&& draw) {
    if (Follow(box, key)) return;
    draw(group_);
    Drawn(box, key);
  }
  // Clears the drawing.
  void Clear();

 private:
  bool Follow(const Core::IResizable& box, std::uint64_t key);
  void Drawn(const Core::IResizable& box, std::uint64_t key);

  ICanvas::Group group_;
  zq::Point pos_, size_;
  std::uint64_t key_ = 0;
  bool drawn_ = false;
};

// A key of a fill's line style for BoxDrawing (never 0, also without a fill).
std::uint64_t FillKey(const ICanvas::LineStyle* fill);

// A selectable, movable view of a box with a text: its resize handles of the mask while selected;
// typing and double clicks edit the text the derived view names.
class VTextBox : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp,
                 public View::IDrawingRule {
 public:
  VTextBox(View::ICanvasView& view, Core::IResizable& box, unsigned handleMask);
  bool KeepsDrawingWhileMoved() const override { return keepWhileMoved_; }
  // The handles while selected.
  void UpdateMarks() override;
  Core::Weight HitTestMarks(const zq::Point& point, std::int32_t tolerance) const override;
  View::IControl* FindControlAt(const zq::Point& point) override;
  void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
  // While dragged: a marker rectangle of the box and the corner marks that look for corners to
  // line up with.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;

 protected:
  // Asks the view of the text to redraw (nothing without one): it follows the box's drawing.
  void RedrawText(TextBlock::Text* text);
  // Shows and answers only the handles of the mask.
  void SetHandleMask(unsigned mask) { handles_.SetEnabledMask(mask); }
  // Whether the box sits where it belongs; the handles of one that does not show the warning picture.
  virtual bool IsPlaced() const { return true; }
  // From now on a move of the box in an open change leaves its drawing and handles where the last
  // closed change put them (the drag's dashed image follows the pointer instead).
  void KeepDrawingWhileMoved() { keepWhileMoved_ = true; }
  // Whether the drawing stays as it is: the box is moved, not resized, by an open change that did
  // not make it. The view draws it anew when the change is over.
  bool HoldsCommittedDrawing();

 private:
  Core::IResizable& box_;
  View::RectResizeControls handles_;
  BoxDrawing marks_;
  bool keepWhileMoved_ = false;
  bool held_ = false;
  View::CommittedPlace place_;
};

class VCompartment : public VTextBox {
 public:
  VCompartment(View::ICanvasView& view, ICompartment& compartment);
  // Draws the top line or the rectangle, and asks the text's view to follow. A compartment with
  // an empty text offers only its west and east handles: it can only be made wider or narrower.
  void UpdateShape() override;
  TextBlock::Text* GetTextModel() const override { return compartment_.GetText(); }
  // The compartment shown.
  ICompartment& GetCompartment() const { return compartment_; }
  // Moving with its owner, a dashed top line with its end markers; alone, a dashed rectangle with
  // corner marks.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;
  // A compartment dragged without its owner moves between owners that hold one compartment.
  View::MoveControllerPtr CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) override;

 protected:
  // A compartment belongs in an owner: without one its handles warn.
  bool IsPlaced() const override { return compartment_.HasOwner(); }

 private:
  ICompartment& compartment_;
  BoxDrawing drawing_;
};

}  // namespace Compartment
