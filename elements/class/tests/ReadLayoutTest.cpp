// Reading a class document measures each text once: the texts learn their style and their area
// before their first measurement, and no lines are laid out until something draws them.
#include <gtest/gtest.h>

#include <sstream>

#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "core/Registries.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "elements/class/tests/ClassScene.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/Text.h"
#include "text/tests/FixedMeasurer.h"

namespace {

using ClassTest::Registry;
using ClassTest::Save;

TEST(ReadingClasses, MeasuresEveryTextOnceAndKeepsWhatIsStored) {
  auto measurer = std::make_shared<TextBlock::Testing::FixedMeasurer>();
  TextBlock::SetMeasurer(measurer);
  const std::string doc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
      "<Style id=\"r9\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>\n"
      "<Class id=\"r1\" Pos=\"0 0\" Size=\"2500 1500\"><Text>Shape</Text>\n"
      "<Compartment id=\"r2\" Pos=\"0 -500\" Size=\"2500 500\"><Text>-x: int</Text></Compartment>\n"
      "<Compartment id=\"r3\" Pos=\"0 -1000\" Size=\"2500 500\" Previous=\"r2\"><Text>+f(): void</Text>"
      "</Compartment></Class>\n</Diagram>\n";
  Core::Diagram diagram{Registry(), nullptr, nullptr, &View::DefaultGrid::Instance()};
  measurer->calls = 0;
  diagram.LoadXML(doc);
  const int reading = measurer->calls;
  // The same texts measured once each, from scratch.
  std::vector<TextBlock::Text*> texts;
  for (const auto& e : diagram.Elements())
    if (auto* t = dynamic_cast<TextBlock::Text*>(e.get())) texts.push_back(t);
  ASSERT_EQ(texts.size(), 3u);
  for (TextBlock::Text* t : texts) EXPECT_FALSE(t->GetDeferredLayout()->HasLines());
  TextBlock::SetMeasurer(measurer);  // forgets the layouts reading made, so that each is made again
  measurer->calls = 0;
  for (TextBlock::Text* t : texts) {
    t->DropLayout();
    t->GetDeferredLayout();
  }
  EXPECT_EQ(reading, measurer->calls);
  // The stored sizes hold, and the document writes back as it was read.
  for (const auto& e : diagram.Elements())
    if (auto* c = dynamic_cast<Class::Class*>(e.get())) {
      EXPECT_EQ(c->GetSize(), (zq::Point{2500, 1500}));
    }
  Core::Diagram again{Registry(), nullptr};
  again.LoadXML(Save(diagram));
  EXPECT_EQ(Save(again), Save(diagram));
}

// A style read without the class directories gains them while the classes are styled: every text,
// the first class's too, takes the fonts of the directories made, not what was found before.
TEST(ReadingClasses, TextsStyledAfterTheirDirectoriesAreMadeTakeTheirFonts) {
  TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>());
  std::string doc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
      "<Style id=\"r9\"><dir n=\"Base\" Typeface=\"tahoma\" Size=\"12\" Bold=\"0\"/></Style>\n";
  for (int i = 0; i < 3; ++i) {
    const std::string id = std::to_string(10 * i + 1), part = std::to_string(10 * i + 2);
    doc += "<Class id=\"r" + id + "\" Pos=\"0 0\" Size=\"2500 1500\"><Text>C</Text>\n<Compartment id=\"r" + part +
           "\" Pos=\"0 -500\" Size=\"2500 500\"><Text>x</Text></Compartment></Class>\n";
  }
  doc += "</Diagram>\n";
  Core::Diagram diagram{Registry(), nullptr, nullptr, &View::DefaultGrid::Instance()};
  diagram.LoadXML(doc);
  const Style::Style* style = Style::Style::Find(diagram);
  ASSERT_NE(style, nullptr);
  TextBlock::TextStyle header, compartment;
  style->GetFont(Style::Names::ClassHeader(), header);
  style->GetFont(Style::Names::ClassCompartment(), compartment);
  ASSERT_TRUE(header.bold);
  ASSERT_EQ(compartment.size, 8);
  auto expectFont = [](const TextBlock::Text* text, const TextBlock::TextStyle& font) {
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetRep().style.face, font.face);
    EXPECT_EQ(text->GetRep().style.size, font.size);
    EXPECT_EQ(text->GetRep().style.bold, font.bold);
  };
  int classes = 0;
  for (const auto& e : diagram.Elements())
    if (auto* c = dynamic_cast<Class::Class*>(e.get())) {
      ++classes;
      expectFont(c->GetText(), header);
      for (const Class::Compartment* part : c->Compartments()) expectFont(part->GetText(), compartment);
    }
  EXPECT_EQ(classes, 3);
}

}  // namespace
