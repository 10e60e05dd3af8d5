// The element "Text": the items of a rich text as mixed content of its owner's element.
#include <limits>

#include "core/Exceptions.h"
#include "core/StoredForms.h"
#include "core/xml/Exceptions.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"
#include "text/Text.h"

namespace TextBlock {

namespace {

const xml::Namespace& Ns() { return Core::SchemaNamespace10(); }

void WriteNumber(xml::IWriter& w, const wchar_t* name, long long value) {
  Core::StoredForm::WriteInt(w.WriteAttribute(Ns(), name, xml::kSameLine), value);
}

void WriteFont(xml::IWriter& parent, const FontSpec& f) {
  xml::Writer w(parent, Ns(), L"Font");
  WriteNumber(w, L"Height", f.height);
  WriteNumber(w, L"Width", f.width);
  WriteNumber(w, L"Escapement", f.escapement);
  WriteNumber(w, L"Orientation", f.orientation);
  WriteNumber(w, L"Weight", f.weight);
  WriteNumber(w, L"Italic", f.italic);
  WriteNumber(w, L"Underline", f.underline);
  WriteNumber(w, L"StrikeOut", f.strikeOut);
  WriteNumber(w, L"CharSet", f.charSet);
  WriteNumber(w, L"OutPrecision", f.outPrecision);
  WriteNumber(w, L"ClipPrecision", f.clipPrecision);
  WriteNumber(w, L"Quality", f.quality);
  WriteNumber(w, L"PitchAndFamily", f.pitchAndFamily);
  Core::StoredForm::WriteString(w.WriteAttribute(Ns(), L"FaceName", xml::kSameLine), FromUtf16(f.faceName));
  w.EndElement(xml::kSameLine);
}

// A numeric font attribute within [min, max]; a missing one keeps the default.
template <class T>
void ReadNumber(const xml::IAttributes& a, const wchar_t* name, T& field, long long min, long long max) {
  auto [found, text] = a.find(Ns(), name);
  if (!found) return;
  const long long value = Core::ToBinary::ToInt(text, name, a.GetLine());
  if (value < min || value > max) throw Core::Exceptions::AttributeOutOfRange(a.GetLine(), name);
  field = static_cast<T>(value);
}

FontSpec ReadFont(const xml::IAttributes& a) {
  constexpr long long kMin = std::numeric_limits<std::int32_t>::min(), kMax = std::numeric_limits<std::int32_t>::max();
  FontSpec f;
  ReadNumber(a, L"Height", f.height, -kMaxFontSize, kMaxFontSize);
  ReadNumber(a, L"Width", f.width, -kMaxFontSize, kMaxFontSize);
  ReadNumber(a, L"Escapement", f.escapement, kMin, kMax);
  ReadNumber(a, L"Orientation", f.orientation, kMin, kMax);
  ReadNumber(a, L"Weight", f.weight, 0, 1000);
  ReadNumber(a, L"Italic", f.italic, 0, 255);
  ReadNumber(a, L"Underline", f.underline, 0, 255);
  ReadNumber(a, L"StrikeOut", f.strikeOut, 0, 255);
  ReadNumber(a, L"CharSet", f.charSet, 0, 255);
  ReadNumber(a, L"OutPrecision", f.outPrecision, 0, 255);
  ReadNumber(a, L"ClipPrecision", f.clipPrecision, 0, 255);
  ReadNumber(a, L"Quality", f.quality, 0, 255);
  ReadNumber(a, L"PitchAndFamily", f.pitchAndFamily, 0, 255);
  auto [found, face] = a.find(Ns(), L"FaceName");
  if (found) {
    f.faceName = ToUtf16(face);
    if (f.faceName.size() > kMaxFaceNameLength) {
      // Cut to the limit, never between the two units of a pair.
      std::size_t n = kMaxFaceNameLength;
      if (f.faceName[n - 1] >= 0xD800 && f.faceName[n - 1] < 0xDC00) --n;
      f.faceName.resize(n);
    }
  }
  return f;
}

// Character data of the element: line feeds are never characters; a line feed with the blanks
// after it is the indentation a writer puts between child elements when there are no characters.
void AppendCharacters(std::vector<Item>& items, std::wstring_view data) {
  const std::u16string units = ToUtf16(data);
  items.reserve(items.size() + units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] == u'\n') {
      while (i + 1 < units.size() && (units[i + 1] == u' ' || units[i + 1] == u'\t')) ++i;
      continue;
    }
    items.push_back(Item::Character(units[i]));
  }
}

// The content of a "p" or "Font", which carry none: white space and comments only.
void ReadEmpty(xml::Reader& reader, const xml::Tag& tag) {
  if (tag.IsEmptyElement()) return;
  xml::Tag child;
  std::wstring data;
  for (;;) {
    const xml::Reader::Node node = reader.ReadKnownNode(child, data);
    if (node == xml::Reader::Node::EndTag || node == xml::Reader::Node::EndOfDocument) return;
    if (node == xml::Reader::Node::StartTag) throw xml::Exceptions::UnknownElement(child.GetLine(), child.LocalName());
    if (data.find_first_not_of(L" \t\n") != std::wstring::npos)
      throw xml::ExceptionBase(tag.GetLine(), L"character data in element \"" + tag.LocalName() + L"\"");
  }
}

}  // namespace

void Text::Store(xml::IWriter& parent, const Core::IClub*) const {
  xml::Writer w(parent, Ns(), L"Text");
  std::u16string pending;
  auto flush = [&] {
    w.WriteText(FromUtf16(pending));
    pending.clear();
  };
  for (const Item& item : GetRep().content.Items()) {
    switch (item.kind) {
      case ItemKind::Character:
        if (item.unit != u'\n') pending.push_back(item.unit);
        break;
      case ItemKind::ParagraphStart: {
        flush();
        xml::Writer p(w, Ns(), L"p");
        p.EndElement(xml::kSameLine);
        break;
      }
      case ItemKind::FontChange:
        flush();
        if (item.font) WriteFont(w, *item.font);
        break;
    }
  }
  flush();
  w.EndElement();
}

void Text::ReadContent(Core::Env& env, xml::Reader& reader, const xml::Tag& tag) {
  std::vector<Item> items;
  if (tag.GetAttributes().HasUnread()) reader.NoteSkipped();  // a text carries no attributes
  if (!tag.IsEmptyElement()) {
    xml::Tag child;
    std::wstring data;
    for (;;) {
      const xml::Reader::Node node = reader.ReadKnownNode(child, data);
      if (node == xml::Reader::Node::EndOfDocument) throw xml::ExceptionBase(tag.GetLine(), "unterminated element Text");
      if (node == xml::Reader::Node::EndTag) break;  // the reader matches end tags, so this is Text's own
      if (node == xml::Reader::Node::Text) {
        AppendCharacters(items, data);
        continue;
      }
      // Only paragraph starts and font changes stand in a text; anything else (a nested "Text")
      // would be lost at the next save.
      if (child.LocalName() == L"p" && child.IsIn(Ns())) items.push_back(Item::ParagraphStart());
      else if (child.LocalName() == L"Font" && child.IsIn(Ns()))
        items.push_back(Item::FontChange(std::make_shared<const FontSpec>(ReadFont(child.GetAttributes()))));
      else
        throw xml::Exceptions::UnknownElement(child.GetLine(), child.LocalName());
      if (child.GetAttributes().HasUnread()) reader.NoteSkipped();
      ReadEmpty(reader, child);
    }
  }
  Content content;
  content.SetItems(std::move(items));  // keeps out what a document cannot carry
  SetField(env, &TextRep::content, std::move(content));
  DropLayout();
}

}  // namespace TextBlock
