#include "view/compartment/Compartment.h"

#include <algorithm>

#include "core/Grid.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "core/DefaultGrid.h"

namespace Compartment {

const Core::IGrid& GridOf(const Core::Env& env) {
  const Core::IGrid* grid = env.GetGrid();
  return grid ? *grid : View::DefaultGrid::Instance();
}

std::int32_t ICompartment::GetMinWidth() const {
  if (const ICompartmentOwner* owner = GetCompartmentOwner()) return owner->GetMinWidth();
  return Core::IResizable::kDefaultMinSize;
}

void ICompartment::GetTextOrigin(zq::Point& origin) const {
  const zq::Point pos = GetPos();
  const bool empty = TextBlock::ITextOwner::IsTextEmpty(GetText());
  origin = {pos.x + GetLeftMargin(), empty ? pos.y : pos.y - GetTopMargin()};
}

void ICompartment::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const {
  const zq::Point s = GetSize();
  size.width = std::max(0, s.x - GetLeftMargin() - GetRightMargin());
  size.height = text.GetContent().IsEmpty() ? 0 : std::max(0, s.y - GetTopMargin() - GetBottomMargin());
}

zq::Point ICompartment::NeededSize(const Core::IGrid& grid) const {
  const TextBlock::Text* text = GetText();
  const TextBlock::Extent used = TextBlock::ITextOwner::GetTextAreaSizeUsed(text);
  const std::int32_t width = used.width + GetLeftMargin() + GetRightMargin();
  const std::int32_t height = TextBlock::ITextOwner::IsTextEmpty(text)
                                  ? GetEmptyHeight()
                                  : used.height + GetTopMargin() + GetBottomMargin();
  return grid.SnapSize({width, height});
}

void ICompartment::ResizeInOwner(Core::Env& env, const zq::Rect& r, ICompartmentOwner& owner) {
  if (IsDeleted()) return;
  const zq::Rect old = GetRect();
  // The sides first: the owner's layout gives the compartment its width and lays its text out.
  zq::Rect box = owner.GetRect();
  box.left += r.left - old.left;
  box.right += r.right - old.right;
  owner.SetRect(env, box, false);
  // The height asked for, but never less than the text laid out in it needs: the edge that was not
  // dragged stays.
  SetSize(env, {GetSize().x, r.Height()});
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  zq::Rect k = r;
  const std::int32_t needed = NeededSize(GridOf(env)).y;
  if (k.Height() < needed) {
    if (r.top == old.top) k.bottom = k.top - needed;
    else k.top = k.bottom + needed;
  }
  SetSize(env, {GetSize().x, k.Height()});
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  // The owner's top and bottom follow the compartment's; its layout places the compartment.
  box = owner.GetRect();
  box.top += k.top - old.top;
  box.bottom += k.bottom - old.bottom;
  owner.SetRect(env, box, false);
}

void ICompartment::ResizeFree(Core::Env& env, const zq::Rect& r) {
  if (IsDeleted()) return;
  const zq::Rect old = GetRect();
  Resize(env, {r.Width(), r.Height()});
  // Grown beyond r to fit its text, the compartment keeps the edges that were not dragged.
  zq::Point pos = r.TopLeft();
  if (r.left != old.left) pos.x = r.right - GetSize().x;
  if (r.top != old.top) pos.y = r.bottom + GetSize().y;
  SetPos(env, pos);
}

void ICompartment::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (IsDeleted()) return;
  // The text laid out in the compartment as it is: the compartment grows where the text needs more
  // room, and a shorter text or a smaller font never makes it smaller.
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  const zq::Point size = GetSize(), needed = NeededSize(GridOf(env));
  const zq::Point fitted(std::max(size.x, needed.x), std::max(size.y, needed.y));
  if (fitted == size) return;
  SetSize(env, fitted);
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  if (ICompartmentOwner* owner = GetCompartmentOwner()) owner->CompartmentsChanged(env);
}

void ICompartment::Resize(Core::Env& env, const zq::Point& size) {
  if (IsDeleted()) return;
  SetSize(env, size);
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  const zq::Point needed = NeededSize(GridOf(env));
  SetSize(env, {std::max(size.x, needed.x), std::max(size.y, needed.y)});
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
}

bool ICompartment::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  return GetRect().Inflated(tolerance).Contains(point);
}

bool ICompartment::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  return true;
}

Core::Weight ICompartment::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  // The text's own bias (it is raised while the text is selected) counts for the compartment.
  if (const TextBlock::Text* text = GetText()) {
    Core::Weight onText = Core::Weight::MakeText(point, GetRect());
    onText.PromoteIfSelected(view, *text);
    w.AddBias(onText);
  }
  w.PromoteIfSelected(view, *this);
  return w;
}

}  // namespace Compartment
