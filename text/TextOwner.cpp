#include "text/TextOwner.h"

#include "core/Factory.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/Diagram.h"
#include "core/xml/Reader.h"
#include "text/Text.h"

namespace TextBlock {

void ITextStyleProvider::GetTextStyle(TextStyle& style, const Core::IModelElement*) const { style = TextStyle(); }

SizeRounding RoundUpToSteps(std::int32_t step) {
  return [step](Extent e) {
    if (step <= 0) return e;
    auto up = [step](std::int32_t v) { return v <= 0 ? 0 : (v + step - 1) / step * step; };
    return Extent{up(e.width), up(e.height)};
  };
}

void ITextOwner::ApplyTextStyle(Text* text, Core::Env& env) {
  if (!text || text->IsDeleted() || !text->GetTextOwner()) return;
  TextStyle style;
  text->GetTextOwner()->GetTextStyle(style, text);
  if (text->GetRep().hasStyle && style == text->GetRep().style) return;
  text->Change(env, [&] {
    text->PrepareModify(env);
    text->ReadStyle(env);
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

void ITextOwner::GrowRectToText(zq::Rect& rect, const SizeRounding& round, const zq::Point& anchor, const Text* text,
                                std::int32_t left, std::int32_t right, std::int32_t top, std::int32_t bottom) {
  if (!text) return;
  const Extent used = GetTextAreaSizeUsed(text);
  Extent needed{used.width + left + right, used.height + top + bottom};
  if (round) needed = round(needed);
  if (rect.right - rect.left < needed.width) {
    if (rect.left != anchor.x) rect.left = rect.right - needed.width;
    else rect.right = rect.left + needed.width;
  }
  if (rect.top - rect.bottom < needed.height) {
    if (rect.top == anchor.y) rect.bottom = rect.top - needed.height;
    else rect.top = rect.bottom + needed.height;
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
  const Core::IFactory* factory =
      env.GetDiagram().GetFactoryRegistry().Find(Text::Factory().GetNamespace().uri, Text::Factory().GetElementName());
  Core::ElementPtr element = factory ? factory->CreateElement() : Text::Factory().CreateElement();
  auto text = std::dynamic_pointer_cast<Text>(element);
  if (!text) text = std::make_shared<Text>();
  env.Insert(text);
  text->ReadContent(env, reader, child);
  text->SetTextOwner(env, this);
  SetText(env, text.get());
  return true;
}

}  // namespace TextBlock
