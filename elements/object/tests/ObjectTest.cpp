// Objects: fitting to the name, the compartment under the header, resizing by each edge, deletion
// with undo, and the stored form.
#include "core/tests/SelectionTestKinds.h"
#include "elements/object/tests/ObjectScene.h"

using namespace ObjectTest;

namespace {

using Objects = Scene;

TEST_F(Objects, ANewObjectFitsItsNameAndAddingOrRemovingTheCompartmentChangesItsHeightByExactlyThat) {
  Object::Object* o = NewObject({1000, 5000});
  EXPECT_EQ(L"<name?>", o->GetName());
  EXPECT_EQ(nullptr, o->GetCompartment());
  EXPECT_EQ(zq::Point(2000, 1000), o->GetSize());
  // A long name widens the box by its width plus the margins; a short one never shrinks it below that.
  Change([&](Core::Env& env) { o->SetName(env, L"a rather long object name : SomeClass"); });
  const std::int32_t wide = o->GetSize().x;
  EXPECT_GT(wide, 2000);
  EXPECT_EQ(0, wide % 100);
  Change([&](Core::Env& env) { o->SetName(env, L"b"); });
  EXPECT_EQ(wide, o->GetSize().x);

  const std::int32_t header = o->GetSize().y;
  Object::Compartment* c = AddCompartment(*o);
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(L"<text?>", c->GetName());
  EXPECT_EQ(o, c->GetObject());
  EXPECT_EQ(header + c->GetSize().y, o->GetSize().y);
  EXPECT_EQ(zq::Point(1000, 5000 - header), c->GetPos());
  EXPECT_EQ(o->GetSize().x, c->GetSize().x);
  EXPECT_EQ("", CheckSound());
  // A second compartment, or an element that is not an object compartment, is refused.
  EXPECT_FALSE(o->CanAddCompartment(*c));
  EXPECT_FALSE(o->CanAddCompartment(*o));
  Change([&](Core::Env& env) { o->AddCompartment(env, *o); });
  EXPECT_EQ(c, o->GetCompartment());

  Change([&](Core::Env& env) { c->Delete(env); });
  EXPECT_EQ(nullptr, o->GetCompartment());
  EXPECT_EQ(header, o->GetSize().y);
  EXPECT_TRUE(o->CanAddCompartment(*Object::Compartment::Factory().CreateElement()));
  Undo();
  EXPECT_EQ(c, o->GetCompartment());
  EXPECT_EQ(header + c->GetSize().y, o->GetSize().y);
}

TEST_F(Objects, EachResizeHandleKeepsTheOppositeEdgeAndTheHeightNeverFallsBelowWhatTheBoxNeeds) {
  Object::Object* o = NewObject({0, 0});
  AddCompartment(*o);
  const zq::Rect r = o->GetRect();
  // The left edge dragged to the left: the right edge stays.
  Change([&](Core::Env& env) { o->SetRect(env, {r.left - 1000, r.top, r.right, r.bottom}); });
  EXPECT_EQ(r.right, o->GetRect().right);
  EXPECT_EQ(r.Width() + 1000, o->GetSize().x);
  // The top edge dragged up: the bottom stays.
  const zq::Rect s = o->GetRect();
  Change([&](Core::Env& env) { o->SetRect(env, {s.left, s.top + 2000, s.right, s.bottom}); });
  EXPECT_EQ(s.bottom, o->GetRect().bottom);
  EXPECT_EQ(s.Height() + 2000, o->GetSize().y);
  // The right and bottom edges keep the top-left corner.
  const zq::Rect t = o->GetRect();
  Change([&](Core::Env& env) { o->SetRect(env, {t.left, t.top, t.right + 500, t.bottom - 500}); });
  EXPECT_EQ(t.TopLeft(), o->GetPos());
  EXPECT_EQ(t.Width() + 500, o->GetSize().x);
  EXPECT_EQ("", CheckSound());
  // Far too low: raised to the name and the compartment.
  const zq::Rect u = o->GetRect();
  Change([&](Core::Env& env) { o->SetRect(env, {u.left, u.top, u.right, u.top - 100}); });
  EXPECT_EQ(u.top, o->GetRect().top);
  EXPECT_LT(o->GetSize().y, u.Height());
  EXPECT_GT(o->GetSize().y, o->GetCompartment()->GetSize().y + 200);
  EXPECT_EQ("", CheckSound());
}

TEST_F(Objects, TheCompartmentsHandlesResizeTheObjectAndUndoTakesItBack) {
  Object::Object* o = NewObject({1000, 5000});
  Object::Compartment* c = AddCompartment(*o);
  const zq::Rect box = o->GetRect(), k = c->GetRect();
  const zq::Rect wide = ExpectCompartmentHandlesResizeOwner(*o, *c);
  EXPECT_EQ(o->GetPos().x, c->GetPos().x);
  EXPECT_EQ("", CheckSound());
  // Narrower than the name allows: the object keeps its left edge and the width its name needs.
  Change([&](Core::Env& env) { c->SetRect(env, {wide.left, wide.top, wide.left + 100, wide.bottom - 600}, false); });
  EXPECT_EQ(wide.left, o->GetPos().x);
  EXPECT_GE(o->GetSize().x, TextBlock::ITextOwner::GetTextAreaSizeUsed(o->GetText()).width + 200);
  EXPECT_EQ(o->GetRect(), zq::Rect(o->GetPos().x, o->GetPos().y, c->GetRect().right, c->GetRect().bottom));
  EXPECT_EQ("", CheckSound());
  for (int i = 0; i < 4; ++i) Undo();
  EXPECT_EQ(box, o->GetRect());
  EXPECT_EQ(k, c->GetRect());
  ExpectCompartmentTopHandlesResizeOwner(*o, *c);
  EXPECT_EQ("", CheckSound());
}

TEST_F(Objects, AFreeCompartmentKeepsTheEdgesThatWereNotDraggedWhenItsTextNeedsMore) {
  Object::Compartment* c = nullptr;
  Change([&](Core::Env& env) {
    c = Object::Compartment::Create(env, {1000, 5000}).get();
    c->SetName(env, L"x = 1\ny = 2\nz = 3");
  });
  const zq::Rect k = c->GetRect();
  ASSERT_GT(k.Height(), 700) << "three lines";
  // The north handle dragged down past the text: the bottom stays, the top gives way.
  Resize(*c, {k.left, k.bottom + 300, k.right, k.bottom});
  EXPECT_EQ(k, c->GetRect());
  // The south handle dragged up past the text: the top stays.
  Resize(*c, {k.left, k.top, k.right, k.top - 300});
  EXPECT_EQ(k, c->GetRect());
  // Dragged out, either edge goes where it is dragged and the opposite one stays.
  Resize(*c, {k.left, k.top + 900, k.right, k.bottom});
  EXPECT_EQ(zq::Rect(k.left, k.top + 900, k.right, k.bottom), c->GetRect());
  Resize(*c, {k.left, k.top + 900, k.right, k.bottom - 400});
  EXPECT_EQ(zq::Rect(k.left, k.top + 900, k.right, k.bottom - 400), c->GetRect());
}

TEST_F(Objects, AFreeCompartmentIsWrittenUnderItsOwnNameAndReadsBackAsAnObjectCompartment) {
  Change([&](Core::Env& env) { Object::Compartment::Create(env, {1000, 5000})->SetName(env, L"currency = EUR"); });
  const std::string xml = Save();
  EXPECT_NE(std::string::npos, xml.find("<ObjectCompartment ")) << xml;
  EXPECT_EQ(std::string::npos, xml.find("<Compartment ")) << xml;
  EXPECT_EQ(xml, HostScene::Reread(Registry(), xml));
  Core::Diagram copy(Registry(), nullptr);
  copy.LoadXML(xml);
  EXPECT_EQ(1u, HostScene::All<Object::Compartment>(copy).size());
}

TEST_F(Objects, ACompartmentsHitWeightCarriesTheBiasOfItsSelectedText) {
  Object::Object* o = NewObject({1000, 5000});
  Object::Compartment* c = AddCompartment(*o);
  SelKinds::TestView view;
  diagram.AttachView(view);
  const zq::Rect k = c->GetRect();
  const zq::Point inside{(k.left + k.right) / 2, (k.top + k.bottom) / 2};
  EXPECT_EQ(0, c->GetWeight(view, inside, 200).GetBias());
  c->GetText()->SelectInView(view, true);
  EXPECT_EQ(1, c->GetWeight(view, inside, 200).GetBias());
  c->SelectInView(view, true);
  EXPECT_EQ(2, c->GetWeight(view, inside, 200).GetBias());
  diagram.DetachView(view);
}

TEST_F(Objects, TheStoredObjectCarriesPosSizeAndItsNestedTextAndCompartmentWithoutOwner) {
  Object::Object* o = NewObject({1000, 2000});
  AddCompartment(*o);
  const std::string xml = Save();
  const std::string head = Attrs(xml, "Object");
  EXPECT_NE(std::string::npos, head.find("id=\"r")) << head;
  EXPECT_NE(std::string::npos, head.find("Pos=\"1000 2000\"")) << head;
  EXPECT_NE(std::string::npos, head.find("Size=\"")) << head;
  EXPECT_EQ(std::string::npos, head.find("ElementStyle")) << head;
  const std::string compartment = Attrs(xml, "Compartment");
  EXPECT_LT(xml.find("<Object "), xml.find("<Compartment ")) << xml;
  EXPECT_LT(xml.find("<Compartment "), xml.find("</Object>")) << xml;
  EXPECT_EQ(std::string::npos, compartment.find("Owner")) << compartment;
  EXPECT_NE(std::string::npos, compartment.find("Size=\"")) << compartment;
  // Read back: the object has its compartment again, and writes the same document.
  Core::Diagram copy(Registry(), nullptr);
  copy.LoadXML(xml);
  std::ostringstream again;
  copy.SaveXML(again);
  EXPECT_EQ(xml, again.str());
  Object::Object* read = nullptr;
  for (const auto& e : copy.Elements())
    if (auto* x = dynamic_cast<Object::Object*>(e.get())) read = x;
  ASSERT_NE(nullptr, read);
  ASSERT_NE(nullptr, read->GetCompartment());
  EXPECT_EQ(read, read->GetCompartment()->GetObject());
  EXPECT_EQ(o->GetSize(), read->GetSize());
  // An element style is written in the second namespace.
  Change([&](Core::Env& env) { o->SetElementStyle(env, L"Gold"); });
  EXPECT_NE(std::string::npos, Attrs(Save(), "Object").find(":ElementStyle=\"Gold\""));
}

TEST_F(Objects, DeletingAnObjectTakesItsCompartmentNameQualifiersAndLinkEndsAndUndoBringsThemBack) {
  Object::Object* a = NewObject({0, 0});
  Object::Object* b = NewObject({8000, 0});
  Object::Compartment* c = AddCompartment(*a);
  Object::Link* link = NewLink({{2000, -500}, {8000, -500}}, a, b);
  ASSERT_NE(nullptr, link);
  Object::Qualifier* q = Qualify(*EndOf(*link, 0));
  ASSERT_NE(nullptr, q);
  EXPECT_EQ(a, q->GetObject());
  const std::string before = Save();
  Change([&](Core::Env& env) { a->Delete(env); });
  EXPECT_TRUE(a->IsDeleted());
  EXPECT_TRUE(c->IsDeleted());
  EXPECT_TRUE(a->GetText()->IsDeleted());
  EXPECT_TRUE(q->IsDeleted());
  EXPECT_TRUE(link->IsDeleted());
  EXPECT_EQ("", CheckSound());
  Undo();
  EXPECT_FALSE(a->IsDeleted() || c->IsDeleted() || q->IsDeleted() || link->IsDeleted());
  EXPECT_EQ(before, Save());
  EXPECT_EQ("", CheckSound());
}

TEST_F(Objects, ANestedCompartmentTagReadsAsTheObjectsCompartment) {
  diagram.LoadXML(Doc("<Object id=\"r1\" Pos=\"0 0\" Size=\"2000 1800\"><Compartment id=\"r2\" Pos=\"0 -1000\" "
                      "Size=\"2000 800\"/></Object>"));
  Object::Object* o = Live<Object::Object>().at(0);
  ASSERT_NE(nullptr, o->GetCompartment());
  EXPECT_EQ(zq::Point(2000, 1800), o->GetSize());
  EXPECT_EQ(zq::Point(2000, 800), o->GetCompartment()->GetSize());
}

TEST_F(Objects, TheHeaderIsUnderlinedInTheHeaderFontAndANewCompartmentDirectoryIsEightPoints) {
  Object::Object* o = NewObject({0, 0});
  AddCompartment(*o);
  TextBlock::TextStyle header;
  o->GetTextStyle(header, o->GetText());
  EXPECT_TRUE(header.underline);
  EXPECT_TRUE(header.bold);
  EXPECT_EQ(TextBlock::AlignCenter, header.horizontalAlignment);
  TextBlock::TextStyle compartment;
  o->GetCompartment()->GetTextStyle(compartment, o->GetCompartment()->GetText());
  EXPECT_EQ(8.0, compartment.size);
  EXPECT_FALSE(compartment.underline);
  EXPECT_EQ(TextBlock::SizingWrap, compartment.sizing);
}

TEST_F(Objects, ANewObjectLaysOutItsNameInTheHeaderFontAndFitsItsCompartmentToOneLine) {
  Object::Object* o = NewObject({0, 0});
  HostScene::ExpectFont(o->GetText(), 11, true);
  const std::int32_t header = o->GetSize().y;
  Object::Compartment* c = AddCompartment(*o);
  HostScene::ExpectFont(c->GetText(), 8, false);
  // One line of 8 points (282 units) with 50 above and below, rounded up to the grid.
  EXPECT_EQ(400, c->GetSize().y);
  EXPECT_EQ(header + 400, o->GetSize().y);
}

// The height of the header text's area: the box less the compartment and the margins.
std::int32_t HeaderAreaHeight(const Object::Object& o) {
  return o.GetSize().y - o.GetCompartment()->GetSize().y - 200;
}

TEST_F(Objects, TheNameIsLaidOutInTheHeaderAloneWhenMadeAndWhenRead) {
  Object::Object* o = NewObject({0, 0});
  AddCompartment(*o);
  EXPECT_EQ(HeaderAreaHeight(*o), o->GetText()->GetRep().area.height);
  Core::Diagram saved(registry, nullptr);
  saved.LoadXML(Save());
  Object::Object* read = HostScene::All<Object::Object>(saved).at(0);
  EXPECT_EQ(HeaderAreaHeight(*read), read->GetText()->GetRep().area.height);
  // A document written by hand, with a style and a compartment taller than the header.
  Core::Diagram written(registry, nullptr);
  written.LoadXML(Doc("<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>"
                      "<Object id=\"r2\" Pos=\"0 0\" Size=\"3000 3000\"><Text>a:A</Text>"
                      "<Compartment id=\"r3\" Pos=\"0 -1000\" Size=\"3000 2000\"><Text>x=1</Text></Compartment>"
                      "</Object>"));
  Object::Object* handWritten = HostScene::All<Object::Object>(written).at(0);
  EXPECT_EQ(800, handWritten->GetText()->GetRep().area.height);
  EXPECT_EQ(800, TextBlock::ITextOwner::GetTextAreaSizeUsed(handWritten->GetText()).height);
}

}  // namespace
