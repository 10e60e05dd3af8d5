// The element "Text": written in place by its owner, read back through the owner's child hook.
#include <gtest/gtest.h>

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

  std::string SaveContent(const Content& content) {
    Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};
    Core::Transaction t(diagram);
    Core::Env env(t);
    auto box = Box::Factory().CreateTyped(env);
    auto text = Text::Create(env, *box);
    box->SetText(env, text.get());
    text->SetContent(env, content);
    env.Close();
    return Save(diagram, *box);
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

TEST_F(TextStorage, ForeignChildrenAreSkipped) {
  Content read;
  Resave(WithText("<Text>a<b>skipped</b><p>inner</p>c</Text>"), &read);
  EXPECT_EQ(read.GetName(), u"a\nc");
}
