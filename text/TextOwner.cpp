#include "text/TextOwner.h"

#include "core/Exceptions.h"
#include "core/Factory.h"
#include "core/Grid.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/Diagram.h"
#include "core/xml/Reader.h"
#include "text/Text.h"

namespace TextBlock {

void ITextStyleProvider::GetTextStyle(TextStyle& style, const Core::IModelElement*) const { style = TextStyle(); }

void ITextOwner::ApplyTextStyle(Text* text, Core::Env& env) {
  if (!text || text->IsDeleted() || !text->GetTextOwner()) return;
  TextStyle style;
  text->GetTextOwner()->GetTextStyle(style, text);
  if (text->GetRep().hasStyle && style == text->GetRep().style) return;
  text->Change(env, [&] {
    text->PrepareModify(env);
    // A text just read knows no area yet: reading it first spares a layout in an empty area that
    // the area read after the change would throw away.
    if (!text->GetRep().hasArea) text->ReadArea(env);
    text->TakeStyle(env, style);
  });
}

void ITextOwner::OnTextAreaChanged(Text* text, Core::Env& env) {
  if (!text || text->IsDeleted()) return;
  text->PrepareModify(env);
  text->ReadArea(env);
  text->Relayout(env);
}

Extent ITextOwner::GetTextAreaSizeUsed(const Text* text, bool old) {
  if (!text) return {};
  return old ? text->GetOldRep().usedSize : text->GetRep().usedSize;
}

void ITextOwner::GrowRectToText(zq::Rect& rect, const Core::IGrid& grid, const zq::Point& anchor, const Text* text,
                                std::int32_t left, std::int32_t right, std::int32_t top, std::int32_t bottom) {
  if (!text) return;
  const Extent used = GetTextAreaSizeUsed(text);
  const zq::Point needed = grid.SnapSize({used.width + left + right, used.height + top + bottom});
  if (rect.right - rect.left < needed.x) {
    if (rect.left != anchor.x) rect.left = rect.right - needed.x;
    else rect.right = rect.left + needed.x;
  }
  if (rect.top - rect.bottom < needed.y) {
    if (rect.top == anchor.y) rect.bottom = rect.top - needed.y;
    else rect.top = rect.bottom + needed.y;
  }
}

void ITextOwner::DeleteWithText(Text* text, Core::Env& env) {
  if (!text || text->IsDeleted()) return;
  text->Delete(env);
  text->DropLayout();
}

bool ITextOwner::IsTextEmpty(const Text* text) { return !text || text->GetContent().IsEmpty(); }

bool ITextOwner::IsOwnChildElement(const xml::Tag& child) { return child.LocalName() == L"Text"; }

bool ITextOwner::RestoreChildElement(Core::Env& env, xml::Reader& reader, const xml::Tag& child) {
  if (!IsOwnChildElement(child)) return false;
  if (textRead_) throw xml::ExceptionBase(child.GetLine(), "duplicate element \"Text\"");
  const Core::FactoryImp<Text>& own = Text::Factory();
  const Core::IFactory* factory = env.GetDiagram().GetFactoryRegistry().Find(own.GetNamespace().uri, own.GetElementName());
  // The usual case, the own factory, needs no checked cast (a costly one under this hierarchy).
  std::shared_ptr<Text> text;
  if (factory == nullptr || factory == &own) {
    text = own.CreateTyped(env);
  } else {
    text = std::dynamic_pointer_cast<Text>(factory->CreateElement());
    if (!text) throw Core::Exceptions::TypeMismatchOfRestoredObject(child.GetLine());
    env.Insert(text);
  }
  text->ReadContent(env, reader, child);
  text->SetTextOwner(env, this);
  SetText(env, text.get());
  textRead_ = true;
  return true;
}

}  // namespace TextBlock
