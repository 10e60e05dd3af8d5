#pragma once
// Compartments: the boxed text areas below a node's header (a class's attribute and operation
// lists, an object's attributes), the owners that stack them, and the geometry they share.
#include <cstdint>

#include "core/Interfaces.h"
#include "core/Shift.h"
#include "style/Clients.h"
#include "text/Text.h"
#include "text/TextOwner.h"

namespace Compartment {

class ICompartment;

// The grid of the change: the view's, else the diagram's, else the program's 1 mm grid.
const Core::IGrid& GridOf(const Core::Env& env);

// An element that stacks compartments and lays them out.
class ICompartmentOwner : public virtual Core::IShiftable, public virtual Core::IResizable {
 public:
  // Takes the compartment out of the owner's stack (nothing when it is not there).
  virtual void RemoveCompartment(Core::Env& env, ICompartment& compartment) = 0;
  // A compartment was added, removed or changed size: the owner lays its stack out again.
  virtual void CompartmentsChanged(Core::Env& env) = 0;
};

// An owner that holds at most one compartment.
class ISingleCompartmentOwner : public ICompartmentOwner {
 public:
  // Whether the owner would take the element as its compartment.
  virtual bool CanAddCompartment(const Core::IModelElement& element) const = 0;
  // Takes the element as its compartment (nothing for an element it cannot take).
  virtual void AddCompartment(Core::Env& env, Core::IModelElement& element) = 0;
};

// A compartment: a rectangle with a rich text, laid out by its owner.
class ICompartment : public virtual Core::IResizable, public Core::INamed, public virtual Core::IShiftable,
                     public Core::IDeletable, public TextBlock::ITextOwner, public virtual Style::IStyleClient {
 public:
  // The compartment's text, or none.
  virtual TextBlock::Text* GetText() const = 0;
  // The owner, or none.
  virtual ICompartmentOwner* GetCompartmentOwner() const = 0;
  // Whether the compartment lies in an owner's stack.
  bool HasOwner() const { return GetCompartmentOwner() != nullptr; }
  // The owner as an element, or none.
  Core::IModelElement* GetOwnerElement() const { return GetCompartmentOwner(); }
  // Records the new owner (undoable); the old owner lets go of it, the new one lays out again.
  virtual void SetOwner(Core::Env& env, ICompartmentOwner* owner) = 0;
  // Writes the size (undoable); nothing on a deleted compartment.
  virtual void SetSize(Core::Env& env, const zq::Point& size) = 0;
  // The text margins inside the rectangle.
  virtual std::int32_t GetLeftMargin() const { return 100; }
  virtual std::int32_t GetRightMargin() const { return 100; }
  virtual std::int32_t GetTopMargin() const { return 50; }
  virtual std::int32_t GetBottomMargin() const { return 50; }
  // The height of a compartment whose text is empty.
  virtual std::int32_t GetEmptyHeight() const { return 200; }
  // The owner's minimum width, 300 without owner.
  std::int32_t GetMinWidth() const override;
  // Inside an owner a resize reshapes the owner: the compartment is resized alone.
  bool ResizesAlone() const override { return HasOwner(); }

  // Text ownership shared by every compartment: the origin inside the margins (on the top edge
  // for an empty text) and the area inside the margins (no height for an empty text).
  void GetTextOrigin(zq::Point& origin) const override;
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
  // The compartment grows to the size its laid-out text needs (snapped by the grid), never
  // shrinks; when it grew, its owner lays the stack out again.
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  // The owner's layout gives the compartment a new size; it never gets smaller than its text.
  void Resize(Core::Env& env, const zq::Point& size);
  // The size the laid-out text needs, margins included, snapped by the grid.
  zq::Point NeededSize(const Core::IGrid& grid) const;
  // Resizing by hand inside the owner: the compartment takes r's top and bottom (a height its text
  // cannot do with gives way at the edge that was dragged); the owner's edges follow the moves of
  // the compartment's edges, and it lays its compartments out again.
  void ResizeInOwner(Core::Env& env, const zq::Rect& r, ICompartmentOwner& owner);
  // Resizing by hand without an owner: r, grown to what the text needs at the dragged edges.
  void ResizeFree(Core::Env& env, const zq::Rect& r);

  // Hit testing: the rectangle, widened by the tolerance.
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;
};

}  // namespace Compartment
