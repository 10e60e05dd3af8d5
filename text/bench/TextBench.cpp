// Lays out 10,000 two-line names in Arial 11 pt over Uniscribe and prints the time taken: once
// through the layout engine alone, once as names set on text elements inside one transaction; then
// measures 30,000 distinct texts as reading a class diagram does (each its used size only, through
// the measure cache).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "core/Diagram.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "text/DeferredLayout.h"
#include "text/MeasureCache.h"
#include "text/Text.h"
#include "text/TextOwner.h"
#include "text/win/UniscribeMeasurer.h"

namespace {

using namespace TextBlock;

struct NameRep {
  Text* text = nullptr;
};

// A class-name box: centred text of 11 pt in a 25 mm by 8 mm area.
class NameBox : public Core::Storable<NameBox, NameRep, Core::StorableTraits::Null, ITextOwner> {
 public:
  static Core::FactoryImp<NameBox>& Factory() {
    static Core::FactoryImp<NameBox> factory(Core::SchemaNamespace10(), L"NameBox");
    return factory;
  }
  static void RegisterProperties(Core::PropertyTable<NameRep>& t) { Core::RegisterRefProperty<>::Register(t, &NameRep::text, L"Text"); }
  void GetTextOrigin(zq::Point& origin) const override { origin = {}; }
  void GetTextAreaSize(Extent& size, const Text&) const override { size = {2500, 800}; }
  void OnTextChanged(Core::Env&, Text&) override {}
  void SetText(Core::Env& env, Text* text) override { SetField(env, &NameRep::text, text); }
  bool GetBoundingRect(zq::Rect& out) const override {
    out = zq::Rect(0, 0, 2500, -800);
    return true;
  }
  Core::Weight GetWeight(const Core::IView&, const zq::Point&, std::int32_t) const override { return {}; }
  void GetTextStyle(TextStyle& s, const Core::IModelElement*) const override { s = Style(); }
  static TextStyle Style() {
    TextStyle s;
    s.size = 11;
    s.horizontalAlignment = 2;
    s.verticalAlignment = 2;
    return s;
  }
};

std::u16string Name(std::size_t i) {
  std::u16string name = u"CustomerAccount";
  name += char16_t(u'A' + i % 26);
  name += u"\n\u00ABentity\u00BB ";
  name += char16_t(u'0' + i % 10);
  return name;
}

// The three texts of the n-th class of a generated diagram: a bold name, an attribute and an
// operation, each unlike every other class's.
std::u16string ClassText(int n, int which) {
  static const char16_t* const nouns[] = {u"Order", u"Customer", u"Invoice", u"Account", u"Product", u"Shipment"};
  static const char16_t* const fields[] = {u"quantity", u"name", u"total", u"created", u"status", u"owner"};
  static const char16_t* const types[] = {u"int", u"String", u"Money", u"Date", u"Status", u"double"};
  static const char16_t* const verbs[] = {u"update", u"validate", u"print", u"close", u"send", u"compute"};
  std::u16string text = which == 0 ? nouns[n % 6] : which == 1 ? u"-" : u"+";
  if (which != 0) text += which == 1 ? fields[n / 6 % 6] : verbs[n % 6];
  for (char c : std::to_string(n)) text += char16_t(c);
  if (which != 0) text.append(which == 1 ? u": " : u"(): ").append(types[(which == 1 ? n : n / 6) % 6]);
  return text;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  auto measurer = std::make_shared<UniscribeMeasurer>();
  SetMeasurer(measurer);
  const TextStyle style = NameBox::Style();
  const FontPtr font = std::make_shared<const FontSpec>(FontFromStyle(style));
  std::vector<Content> names(10000);
  for (std::size_t i = 0; i < names.size(); ++i) names[i].SetName(Name(i));

  auto start = std::chrono::steady_clock::now();
  long long check = 0;
  for (const Content& name : names) check += LayoutParagraphs(name.Paragraphs(font), style, {2500, 800}, *measurer).usedSize.height;
  std::printf("layout engine: 10000 two-line names in %.3f s (checksum %lld)\n", Seconds(start), check);

  Core::FactoryRegistry registry;
  registry.Register(NameBox::Factory());
  registry.Register(Text::Factory());
  Core::Diagram diagram(registry, nullptr);
  start = std::chrono::steady_clock::now();
  {
    Core::Transaction t(diagram);
    Core::Env env(t);
    for (std::size_t i = 0; i < names.size(); ++i) {
      auto box = NameBox::Factory().CreateTyped(env);
      auto text = Text::Create(env, *box);
      box->SetText(env, text.get());
      text->SetName(env, FromUtf16(Name(i)));
    }
    env.Close();
  }
  std::printf("text elements: 10000 names created and set in one transaction in %.3f s\n", Seconds(start));

  // As reading a class diagram: names in bold 11 pt, compartment lines in 8 pt, own-extent sizing.
  auto cached = std::make_shared<CachingMeasurer>(std::make_shared<UniscribeMeasurer>());
  TextStyle nameStyle = style, lineStyle = style;
  nameStyle.bold = true;
  lineStyle.size = 8;
  lineStyle.sizing = SizingOwnExtent;
  std::vector<Content> texts(30000);
  for (std::size_t i = 0; i < texts.size(); ++i) texts[i].SetName(ClassText(int(i / 3), int(i % 3)));
  start = std::chrono::steady_clock::now();
  check = 0;
  for (std::size_t i = 0; i < texts.size(); ++i)
    check += DeferredLayout(texts[i], i % 3 ? lineStyle : nameStyle, {0, 0}, cached).GetUsedSize().width;
  std::printf("measuring: 30000 distinct class texts in %.3f s (checksum %lld)\n", Seconds(start), check);
  return 0;
}
