#include "text/Text.h"

#include <mutex>
#include <stdexcept>

#include "text/TextOwner.h"

namespace TextBlock {

namespace {

std::shared_ptr<IMeasurer>& Measurer() {
  static std::shared_ptr<IMeasurer> measurer;
  return measurer;
}

// An area of 0 by 0 counts as fitting any size.
bool Fits(Extent used, Extent area) {
  if (area.width == 0 && area.height == 0) return true;
  return used.width <= area.width && used.height <= area.height;
}

}  // namespace

void SetMeasurer(std::shared_ptr<IMeasurer> measurer) { Measurer() = std::move(measurer); }

IMeasurer& GetMeasurer() {
  if (!Measurer()) throw std::logic_error("no text measurer installed");
  return *Measurer();
}

Layout LayoutContent(const Content& content, const TextStyle& style, Extent area) {
  const auto base = std::make_shared<const FontSpec>(FontFromStyle(style));
  return LayoutParagraphs(content.Paragraphs(base), style, area, GetMeasurer());
}

// The lines of a layout and the inputs they were made from.
struct Text::CachedLayout {
  Content content;
  TextStyle style;
  Extent area;
  std::shared_ptr<const Layout> layout;
};

Core::FactoryImp<Text>& Text::Factory() {
  static Core::FactoryImp<Text> factory(Core::SchemaNamespace10(), L"TextBlock.Text");
  return factory;
}

void Text::RegisterProperties(Core::PropertyTable<TextRep>& t) {
  using namespace Core;
  RegisterNonStoreProperty::Register(t, &TextRep::content, L"Content");
  RegisterRefNonStoreProperty::Register(t, &TextRep::owner, L"Owner");
  RegisterNonStoreProperty::Register(t, &TextRep::area, L"Area");
  RegisterNonStoreProperty::Register(t, &TextRep::style, L"Style");
  RegisterNonStoreProperty::Register(t, &TextRep::hasArea, L"HasArea", false);
  RegisterNonStoreProperty::Register(t, &TextRep::hasStyle, L"HasStyle", false);
  RegisterNonStoreProperty::Register(t, &TextRep::usedSize, L"UsedSize");
}

std::shared_ptr<Text> Text::Create(Core::Env& env, ITextOwner& owner) {
  auto text = Factory().CreateTyped(env);
  text->ModifyField(env, &TextRep::owner) = &owner;
  text->ReadStyle(env);
  text->ReadArea(env);
  text->Relayout(env);
  return text;
}

Core::IModelElement* Text::GetOwner() const { return GetRep().owner; }

void Text::SetTextOwner(Core::Env& env, ITextOwner* owner) { SetField(env, &TextRep::owner, owner); }

std::wstring Text::GetName() const { return FromUtf16(GetRep().content.GetName()); }

void Text::SetName(Core::Env& env, const std::wstring& name) {
  Content content;
  content.SetName(ToUtf16(name));
  SetContent(env, std::move(content));
}

void Text::SetContent(Core::Env& env, Content content) {
  if (IsDeleted()) return;
  Change(env, [&] { ModifyField(env, &TextRep::content) = std::move(content); });
}

void Text::Change(Core::Env& env, const std::function<void()>& change) {
  const Extent keptUsed = GetRep().usedSize;
  const bool keptEmpty = GetRep().content.IsEmpty();
  change();
  Relayout(env);
  const TextRep& rep = GetRep();
  const bool fits = Fits(rep.usedSize, rep.area);
  const bool emptiness = rep.content.IsEmpty() != keptEmpty && !(IsNew() && fits);
  if (rep.owner && (rep.usedSize != keptUsed || emptiness || !fits)) rep.owner->OnTextChanged(env, *this);
  // A box the owner grew becomes the new area.
  const Extent before = GetRep().area;
  ReadArea(env);
  if (GetRep().area != before) Relayout(env);
}

void Text::ReadArea(Core::Env& env) {
  const ITextOwner* owner = GetRep().owner;
  if (!owner) return;
  Extent area;
  owner->GetTextAreaSize(area, *this);
  SetField(env, &TextRep::area, area);
  SetField(env, &TextRep::hasArea, true);
}

bool Text::ReadStyle(Core::Env& env) {
  const ITextOwner* owner = GetRep().owner;
  if (!owner) return false;
  TextStyle style;
  owner->GetTextStyle(style, this);
  return TakeStyle(env, style);
}

bool Text::TakeStyle(Core::Env& env, const TextStyle& style) {
  if (GetRep().hasStyle && style == GetRep().style) return false;
  if (GetRep().hasStyle) {
    Content renewed = GetRep().content;
    renewed.RenewFonts(GetRep().style, style);
    SetField(env, &TextRep::content, std::move(renewed));
  }
  SetField(env, &TextRep::style, style);
  SetField(env, &TextRep::hasStyle, true);
  return true;
}

void Text::Relayout(Core::Env& env) {
  layout_.reset();
  const Extent used = GetLayout()->usedSize;
  SetField(env, &TextRep::usedSize, used);
}

void Text::Finalize(Core::Env& env) {
  if (IsDeleted() || !GetRep().owner || (GetRep().hasArea && GetRep().hasStyle)) return;
  ReadStyle(env);
  ReadArea(env);
  Relayout(env);
}

std::shared_ptr<const Layout> Text::GetLayout() const {
  const TextRep& rep = GetRep();
  if (!layout_ || layout_->area != rep.area || !(layout_->style == rep.style) || !(layout_->content == rep.content)) {
    auto cached = std::make_shared<CachedLayout>();
    cached->content = rep.content;
    cached->style = rep.style;
    cached->area = rep.area;
    cached->layout = std::make_shared<const Layout>(LayoutContent(rep.content, rep.style, rep.area));
    layout_ = std::move(cached);
  }
  return layout_->layout;
}

}  // namespace TextBlock
