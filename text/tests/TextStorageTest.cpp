// The element "Text": written in place by its owner, read back through the owner's child hook.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "core/Exceptions.h"
#include "core/UndoHandler.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"
#include "text/tests/FixedMeasurer.h"
#include "text/tests/TestOwner.h"

using namespace TextBlock;
using TextBlock::Testing::Box;

namespace {

struct TextStorage : ::testing::Test {
  TextStorage() { SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }

  // Writes a document holding the box.
  static std::string Save(const Core::Diagram& diagram, const Box& box) {
    std::ostringstream out;
    xml::DocumentWriter doc(out);
    box.Store(doc, &diagram);
    doc.EndElement();
    return out.str();
  }

  // Reads the first box of the document into a new diagram and writes it again.
  static std::string Resave(const std::string& document, Content* read = nullptr) {
    Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};
    Core::Transaction t(diagram);
    Core::Env env(t);
    auto box = Box::Factory().CreateTyped(env);
    xml::Reader reader(document);
    xml::Tag root, tag, child;
    reader.ReadRoot(root);
    EXPECT_TRUE(reader.ReadNextKnownElement(tag, root));
    while (reader.ReadNextKnownElement(child, tag)) {
      EXPECT_TRUE(ITextOwner::IsOwnChildElement(child));
      EXPECT_TRUE(box->RestoreChildElement(env, reader, child));
    }
    env.Close();
    if (read) *read = box->GetText()->GetContent();
    EXPECT_EQ(box->GetText()->GetTextOwner(), static_cast<ITextOwner*>(box.get()));
    return Save(diagram, *box);
  }

  // Writes a box whose new text was changed by edit.
  static std::string SaveEdited(const std::function<void(Core::Env&, Text&)>& edit) {
    Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};
    Core::Transaction t(diagram);
    Core::Env env(t);
    auto box = Box::Factory().CreateTyped(env);
    auto text = Text::Create(env, *box);
    box->SetText(env, text.get());
    edit(env, *text);
    env.Close();
    return Save(diagram, *box);
  }

  static std::string SaveContent(const Content& content) {
    return SaveEdited([&](Core::Env& env, Text& text) { text.SetContent(env, content); });
  }

  static FontPtr Font(std::int32_t height, const char16_t* face) {
    FontSpec f;
    f.height = height;
    f.weight = 700;
    f.italic = 1;
    f.charSet = 0;
    f.pitchAndFamily = 34;
    f.faceName = face;
    return std::make_shared<const FontSpec>(f);
  }
};

std::string WithText(const std::string& inner) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Diagram xmlns=\"http://quorvel.example/schema/1.0\"><Box>" + inner + "</Box></Diagram>";
}

}  // namespace

TEST_F(TextStorage, EveryKindOfItemRoundTripsByteIdentical) {
  Content c;
  c.SetName(u"  lead & <tag>  double  trail  \n\nnext");
  c.Append(Item::FontChange(Font(-388, u"Liberation Sans")));
  c.Append(Item::Character(u' '));
  c.Append(Item::Character(u'x'));
  c.Append(Item::FontChange(Font(-212, u"Arial")));
  c.Append(Item::ParagraphStart());
  c.Append(Item::Character(0xD83D));
  c.Append(Item::Character(0xDE00));
  const std::string first = SaveContent(c);
  EXPECT_NE(first.find("  lead &amp; &lt;tag&gt;  double  trail  <p/><p/>next<Font Height=\"-388\""), std::string::npos)
      << first;
  EXPECT_NE(first.find("FaceName=\"Liberation Sans\"/> x<Font"), std::string::npos) << first;
  Content read;
  const std::string second = Resave(first, &read);
  EXPECT_EQ(second, first);
  EXPECT_EQ(read, c);
  EXPECT_EQ(Resave(second), first);
}

TEST_F(TextStorage, OnlyParagraphStartsAndFontsSurviveIndentation) {
  Content c;
  c.Append(Item::ParagraphStart());
  c.Append(Item::FontChange(Font(-300, u"Tahoma")));
  c.Append(Item::ParagraphStart());
  Content read;
  const std::string first = SaveContent(c);
  EXPECT_EQ(Resave(first, &read), first);
  EXPECT_EQ(read, c);
  Content empty;
  const std::string none = SaveContent(empty);
  EXPECT_EQ(Resave(none, &read), none);
  EXPECT_TRUE(read.Items().empty());
}

TEST_F(TextStorage, LineFeedsAreNeverCharacters) {
  Content read;
  Resave(WithText("<Text>a\nb&#10;c<p/>d</Text>"), &read);
  EXPECT_EQ(read.GetName(), u"abc\nd");
  Resave(WithText("<Text>\n    <p/>\n  </Text>"), &read);
  EXPECT_EQ(read.Items().size(), 1u);
}

TEST_F(TextStorage, FontAttributesAreBounded) {
  Content read;
  Resave(WithText("<Text><Font Height=\"-400\" FaceName=\"" + std::string(40, 'F') + "\"/>x</Text>"), &read);
  ASSERT_EQ(read.Items().size(), 2u);
  EXPECT_EQ(read.Items()[0].font->faceName, std::u16string(kMaxFaceNameLength, u'F'));
  EXPECT_EQ(read.Items()[0].font->height, -400);
  EXPECT_EQ(read.Items()[0].font->weight, 400);  // a missing attribute keeps the default
  EXPECT_THROW(Resave(WithText("<Text><Font Weight=\"5000\"/></Text>")), Core::Exceptions::AttributeOutOfRange);
  EXPECT_THROW(Resave(WithText("<Text><Font Italic=\"256\"/></Text>")), Core::Exceptions::AttributeOutOfRange);
  EXPECT_THROW(Resave(WithText("<Text><Font Height=\"99999999999\"/></Text>")), xml::ExceptionBase);
  EXPECT_THROW(Resave(WithText("<Text><Font CharSet=\"-1\"/></Text>")), Core::Exceptions::AttributeOutOfRange);
  EXPECT_THROW(Resave(WithText("<Text><Font Width=\"wide\"/></Text>")), xml::ExceptionBase);
}

TEST_F(TextStorage, FontSizesBeyondAMetreAreReadingErrorsWithTheirLine) {
  Content read;
  Resave(WithText("<Text><Font Height=\"-100000\" Width=\"100000\"/>x</Text>"), &read);
  ASSERT_EQ(read.Items().size(), 2u);
  EXPECT_EQ(read.Items()[0].font->height, -100000);
  EXPECT_EQ(read.Items()[0].font->width, 100000);
  for (const char* attribute : {"Height=\"-2147483648\"", "Height=\"100001\"", "Width=\"-2147483648\""}) {
    try {
      Resave(WithText(std::string("\n<Text><Font ") + attribute + "/>x</Text>"));
      ADD_FAILURE() << attribute << " was accepted";
    } catch (const Core::Exceptions::AttributeOutOfRange& e) {
      EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
    }
  }
}

TEST_F(TextStorage, WhatIsSavedIsWhatTheModelHolds) {
  std::wstring typed = L"a\x0001" L"b\xFFFE" L"c\xFFFF";
  typed.push_back(static_cast<wchar_t>(0xDC00));  // a lone half, as a 16-bit wide string carries it
  std::wstring shown;
  const std::string saved = SaveEdited([&](Core::Env& env, Text& text) {
    text.SetName(env, typed);
    shown = text.GetName();
  });
  EXPECT_EQ(shown, L"abc");
  Content read;
  Resave(saved, &read);
  EXPECT_EQ(read.GetName(), u"abc");
}

TEST_F(TextStorage, AFilesTextCannotBringInWhatItCannotCarry) {
  Content read;
  Resave(WithText("<Text>a\xF0\x9F\x98\x80" "b</Text>"), &read);  // a pair, as UTF-8
  EXPECT_EQ(read.GetName(), u"a\U0001F600b");
  for (const char* bad : {"\xEF\xBF\xBE", "&#1;", "&#xFFFF;", "&#xD800;"}) {
    try {
      Resave(WithText(std::string("\n<Text>a") + bad + "b</Text>"));
      ADD_FAILURE() << bad << " was read";
    } catch (const xml::ExceptionBase& e) {
      EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
    }
  }
}

TEST_F(TextStorage, ChildrenOfOtherNamespacesAreSkipped) {
  Content read;
  Resave(WithText("<Text xmlns:o=\"urn:other\">a<o:b>skipped<p/></o:b><p><o:i/></p>c</Text>"), &read);
  EXPECT_EQ(read.GetName(), u"a\nc");
}
