// Rich texts in whole documents: written in place by their owners, read back through the owners'
// child hook by the document reader, and written again byte for byte.
#include <gtest/gtest.h>

#include <sstream>

#include "core/Exceptions.h"
#include "core/UndoHandler.h"
#include "text/tests/FixedMeasurer.h"
#include "text/tests/TestOwner.h"

using namespace TextBlock;
using TextBlock::Testing::Box;

namespace {

std::string Save(const Core::Diagram& diagram) {
  std::ostringstream out;
  diagram.SaveXML(out);
  return out.str();
}

// The boxes of the diagram in diagram order.
std::vector<Box*> Boxes(const Core::Diagram& diagram) {
  std::vector<Box*> boxes;
  for (const auto& e : diagram.Elements())
    if (auto* box = dynamic_cast<Box*>(e.get())) boxes.push_back(box);
  return boxes;
}

FontPtr Font(std::int32_t height, const char16_t* face, std::int32_t weight) {
  FontSpec f;
  f.height = height;
  f.weight = weight;
  f.italic = 1;
  f.underline = 1;
  f.charSet = 0;
  f.pitchAndFamily = 34;
  f.faceName = face;
  return std::make_shared<const FontSpec>(f);
}

// Every kind of item, and the characters that need care in character data.
Content RichContent() {
  Content c;
  c.SetName(u"  lead  < & > \" ' double  trail  \n\nsecond");
  c.Append(Item::FontChange(Font(-388, u"Liberation Sans", 700)));
  c.Append(Item::Character(u' '));
  c.Append(Item::Character(u'x'));
  c.Append(Item::Character(u' '));
  c.Append(Item::FontChange(Font(-212, u"Arial", 400)));
  c.Append(Item::ParagraphStart());
  c.Append(Item::Character(0xD83D));
  c.Append(Item::Character(0xDE00));
  c.Append(Item::Character(u' '));
  return c;
}

struct TextDocument : ::testing::Test {
  TextDocument() { SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }

  // A diagram with two boxes: one with the rich content, one with an empty text.
  static void Build(Core::Diagram& diagram) {
    Core::Transaction t(diagram);
    Core::Env env(t);
    for (int i = 0; i < 2; ++i) {
      auto box = Box::Factory().CreateTyped(env);
      box->SetArea(env, {400, 300});
      auto text = Text::Create(env, *box);
      box->SetText(env, text.get());
      if (i == 0) text->SetContent(env, RichContent());
    }
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
};

std::string Doc(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n" + body + "</Diagram>\n";
}

}  // namespace

TEST_F(TextDocument, LoadsThroughTheOwnersAndSavesByteIdentical) {
  Core::Diagram original{TextBlock::Testing::Registry(), nullptr};
  Build(original);
  const std::string first = Save(original);
  EXPECT_NE(first.find(">  lead  &lt; &amp; &gt;"), std::string::npos) << first;
  EXPECT_NE(first.find("trail  <p/><p/>second<Font Height=\"-388\""), std::string::npos) << first;

  Core::Diagram loaded{TextBlock::Testing::Registry(), nullptr};
  EXPECT_EQ(loaded.LoadXML(first), 0u);
  const std::vector<Box*> boxes = Boxes(loaded);
  ASSERT_EQ(boxes.size(), 2u);
  ASSERT_NE(boxes[0]->GetText(), nullptr);
  ASSERT_NE(boxes[1]->GetText(), nullptr);
  EXPECT_EQ(boxes[0]->GetText()->GetContent(), RichContent());
  EXPECT_TRUE(ITextOwner::IsTextEmpty(boxes[1]->GetText()));
  EXPECT_EQ(boxes[0]->GetText()->GetTextOwner(), static_cast<ITextOwner*>(boxes[0]));
  EXPECT_EQ(boxes[1]->GetText()->GetOwner(), static_cast<Core::IModelElement*>(boxes[1]));
  EXPECT_FALSE(loaded.IsTransactionOpen());

  const std::string second = Save(loaded);
  EXPECT_EQ(second, first);
  Core::Diagram again{TextBlock::Testing::Registry(), nullptr};
  again.LoadXML(second);
  EXPECT_EQ(Save(again), second);
}

TEST_F(TextDocument, ALoadedTextIsLaidOutInItsOwnersArea) {
  // The box's style and area are the owner's; the text reads them once the reading closes.
  Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};
  diagram.LoadXML(Doc("<Box id=\"r4\"><Text>abcdefgh</Text></Box>\n"));
  const std::vector<Box*> boxes = Boxes(diagram);
  ASSERT_EQ(boxes.size(), 1u);
  const Text* text = boxes[0]->GetText();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetName(), L"abcdefgh");
  EXPECT_TRUE(text->GetRep().hasArea);
  EXPECT_TRUE(text->GetRep().hasStyle);
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(text), (Extent{8 * 106, 212}));  // 6 pt: 106 per character
  // The text got an id of its own that clashes with none stored.
  EXPECT_NE(text->GetObjectId(), 0u);
  EXPECT_NE(text->GetObjectId(), 4u);
}

TEST_F(TextDocument, ABadFontLeavesTheDiagramAsItWas) {
  Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};
  Build(diagram);
  const std::string before = Save(diagram);
  const std::size_t count = diagram.GetElementCount();
  EXPECT_THROW(diagram.LoadXML(Doc("<Box id=\"r9\"><Text>a<Font Weight=\"5000\"/>b</Text></Box>\n")),
               Core::Exceptions::AttributeOutOfRange);
  EXPECT_THROW(diagram.LoadXML(Doc("<Box id=\"r9\"><Text>a<p/>b</Box>\n")), xml::ExceptionBase);
  EXPECT_EQ(diagram.GetElementCount(), count);
  EXPECT_EQ(Save(diagram), before);
}

TEST_F(TextDocument, ATextFactoryThatMakesNoTextIsATypeMismatch) {
  static Core::FactoryImp<Box> impostor(Core::SchemaNamespace10(), L"TextBlock.Text");
  Core::FactoryRegistry registry;
  registry.Register(Box::Factory());
  registry.Register(impostor);
  Core::Diagram diagram{registry, nullptr};
  EXPECT_THROW(diagram.LoadXML(Doc("<Box id=\"r1\">\n<Text>a</Text></Box>\n")),
               Core::Exceptions::TypeMismatchOfRestoredObject);
  EXPECT_EQ(diagram.GetElementCount(), 0u);
}

TEST_F(TextDocument, ASecondTextOfOneOwnerIsRefusedWithItsLine) {
  Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};
  try {
    diagram.LoadXML(Doc("<Box id=\"r1\">\n<Text>a</Text>\n<Text>b</Text></Box>\n"));
    FAIL() << "a second text was accepted";
  } catch (const xml::ExceptionBase& e) {
    EXPECT_EQ(e.Line(), 5);
  }
  EXPECT_EQ(diagram.GetElementCount(), 0u);
}

// What a text cannot hold is refused with its line rather than lost at the next save: a "Text"
// inside a text, an element of the schema namespace that is no item, characters inside "p".
TEST_F(TextDocument, MalformedContentOfATextIsRefusedWithItsLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"<Text>a\n<Text>inner</Text>b</Text>", "line 4: Unknown element \"Text\""},
      {"<Text>a\n<b>bold</b></Text>", "line 4: Unknown element \"b\""},
      {"<Text>a\n<p>inner</p></Text>", "line 4: character data in element \"p\""},
      {"<Text>a<Font Height=\"-200\">\n<Text/></Font></Text>", "line 4: Unknown element \"Text\""},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};
    try {
      diagram.LoadXML(Doc(std::string("<Box id=\"r1\">") + text + "</Box>\n"));
      ADD_FAILURE() << "read";
    } catch (const xml::ExceptionBase& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    EXPECT_EQ(diagram.GetElementCount(), 0u);
  }
}

// Content of other namespaces is skipped and reported, as everywhere in a document; so is an
// attribute that no one reads. White space inside "p" is no content.
TEST_F(TextDocument, ForeignContentOfATextIsSkippedAndReported) {
  auto read = [](const std::string& text, std::wstring* name) {
    Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};
    const unsigned flags = diagram.LoadXML(Doc("<Box id=\"r1\" xmlns:o=\"urn:other\">" + text + "</Box>\n"));
    const std::vector<Box*> boxes = Boxes(diagram);
    *name = boxes.size() == 1 && boxes[0]->GetText() != nullptr ? boxes[0]->GetText()->GetName() : L"?";
    return flags;
  };
  std::wstring name;
  EXPECT_EQ(read("<Text>a<o:b>skipped</o:b>c<p>\n </p>d</Text>", &name), 1u);
  EXPECT_EQ(name, L"ac\nd");
  EXPECT_EQ(read("<Text>a<Font Height=\"-200\" Colour=\"red\"/>b</Text>", &name), 1u);
  EXPECT_EQ(name, L"ab");
  EXPECT_EQ(read("<Text Lang=\"en\">ab</Text>", &name), 1u);
  EXPECT_EQ(read("<Text>a<p/><Font Height=\"-200\"/>b</Text>", &name), 0u);
  EXPECT_EQ(name, L"a\nb");
}
