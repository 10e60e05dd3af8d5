#include "text/Text.h"

#include <functional>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

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

IMeasurer& GetMeasurer() {
  if (!Measurer()) throw std::logic_error("no text measurer installed");
  return *Measurer();
}

Layout LayoutContent(const Content& content, const TextStyle& style, Extent area) {
  const auto base = std::make_shared<const FontSpec>(FontFromStyle(style));
  return LayoutParagraphs(content.Paragraphs(base), style, area, GetMeasurer());
}

namespace {

// Texts alike in content, style and area share one layout: a document repeats many texts (types,
// multiplicities, roles), and measuring is the dearest part of reading one. Bounded like the
// measure cache (all are dropped when it is full); emptied when the measurer changes.
class SharedLayouts {
 public:
  static SharedLayouts& Instance() {
    static SharedLayouts layouts;
    return layouts;
  }
  // The layout of the record's content, style and area: a shared one, or a new one kept.
  std::shared_ptr<const DeferredLayout> Get(const TextRep& rep) {
    const std::size_t key = Hash(rep);
    for (auto [it, end] = layouts_.equal_range(key); it != end; ++it) {
      const DeferredLayout& c = *it->second;
      if (c.GetArea() == rep.area && c.GetStyle() == rep.style && c.GetContent() == rep.content) return it->second;
    }
    auto made = std::make_shared<const DeferredLayout>(rep.content, rep.style, rep.area, Measurer());
    if (layouts_.size() >= kCapacity) layouts_.clear();
    layouts_.emplace(key, made);
    return made;
  }
  void Clear() { layouts_.clear(); }

 private:
  static constexpr std::size_t kCapacity = 4096;
  static void Mix(std::size_t& seed, std::size_t value) { seed ^= value + 0x9e3779b9u + (seed << 6) + (seed >> 2); }
  static std::size_t Hash(const TextRep& rep) {
    std::size_t seed = rep.content.Items().size();
    for (const Item& item : rep.content.Items()) Mix(seed, std::size_t(item.kind) << 16 | item.unit);
    const TextStyle& s = rep.style;
    Mix(seed, std::hash<double>()(s.size));
    Mix(seed, std::hash<std::u16string>()(s.face));
    Mix(seed, std::size_t(s.bold) | std::size_t(s.italic) << 1 | std::size_t(s.underline) << 2);
    for (std::int32_t v : {s.horizontalAlignment, s.verticalAlignment, s.sizing, rep.area.width, rep.area.height})
      Mix(seed, std::size_t(v));
    return seed;
  }
  std::unordered_multimap<std::size_t, std::shared_ptr<const DeferredLayout>> layouts_;
};

}  // namespace

void SetMeasurer(std::shared_ptr<IMeasurer> measurer) {
  Measurer() = std::move(measurer);
  SharedLayouts::Instance().Clear();
}

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
  // The owner knows its text before the text asks for its style: owners give their fonts only to
  // their own texts.
  owner.SetText(env, text.get());
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
  const Extent used = GetDeferredLayout()->GetUsedSize();
  SetField(env, &TextRep::usedSize, used);
}

void Text::Finalize(Core::Env& env) {
  if (IsDeleted() || !GetRep().owner || (GetRep().hasArea && GetRep().hasStyle)) return;
  ReadStyle(env);
  ReadArea(env);
  Relayout(env);
}

std::shared_ptr<const Layout> Text::GetLayout() const { return GetDeferredLayout()->GetLines(); }

const std::shared_ptr<const DeferredLayout>& Text::GetDeferredLayout() const {
  const TextRep& rep = GetRep();
  if (!layout_ || layout_->GetArea() != rep.area || !(layout_->GetStyle() == rep.style) ||
      !(layout_->GetContent() == rep.content))
    layout_ = SharedLayouts::Instance().Get(rep);
  return layout_;
}

}  // namespace TextBlock
