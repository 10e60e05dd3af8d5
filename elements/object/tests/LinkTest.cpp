// Links: their stored form and the checks on reading, the end kinds and arrow heads, role texts,
// link names, what an end attaches to, and qualifiers inserted at ends.
#include "elements/object/tests/ObjectScene.h"

#include "core/Exceptions.h"
#include "text/free/Anchor.h"

using namespace ObjectTest;

namespace {

struct Links : Scene {
  Object::Object* a = NewObject({0, 0});
  Object::Object* b = NewObject({8000, 0});
  Object::Link* link = NewLink({{2000, -500}, {8000, -500}}, a, b);
};

TEST_F(Links, AStoredLinkHasOnlyItsIdAndItsPartsAndReadsBackAsWritten) {
  ASSERT_NE(nullptr, link);
  EXPECT_EQ(a, EndOf(*link, 0)->GetObject());
  EXPECT_EQ(1u, a->GetLinkEnds().size());
  std::string xml = Save();
  EXPECT_NE(std::string::npos, xml.find("<dir n=\"Link\"")) << xml;
  EXPECT_NE(std::string::npos, xml.find("<dir n=\"Role\"")) << xml;
  const std::string head = Attrs(xml, "Link");
  EXPECT_EQ(std::string::npos, head.find("=\"", head.find("id=") + 4)) << head;
  EXPECT_EQ(std::string::npos, xml.find("SourceEnd")) << xml;
  EXPECT_EQ(std::string::npos, xml.find("TargetEnd")) << xml;
  std::string end = Attrs(xml, "End");
  EXPECT_LT(end.find("Pos="), end.find("Object=")) << end;
  EXPECT_LT(end.find("Object="), end.find("Type=\"1\"")) << end;
  EXPECT_EQ(std::string::npos, end.find("Traversed")) << end;
  EXPECT_EQ(std::string::npos, end.find("Qualifier")) << end;
  EXPECT_NE(std::string::npos, Attrs(xml, "Segment").find("Ends=\"")) << xml;

  Change([&](Core::Env& env) {
    EndOf(*link, 0)->SetTraversed(env, true);
    EndOf(*link, 0)->SetType(env, ClassObject::EndType::Aggregation);
  });
  xml = Save();
  end = Attrs(xml, "End");
  EXPECT_LT(end.find("Type=\"2\""), end.find("Traversed=\"1\"")) << end;
  Core::Diagram copy(Registry(), nullptr);
  copy.LoadXML(xml);
  std::ostringstream again;
  copy.SaveXML(again);
  EXPECT_EQ(xml, again.str());
  Undo();
  EXPECT_FALSE(EndOf(*link, 0)->IsTraversed());
  EXPECT_EQ(ClassObject::EndType::Direct, EndOf(*link, 0)->GetType());
}

TEST_F(Links, AnEndTypeOutsideOneToThreeOrMissingStopsTheReading) {
  const std::string good =
      "<Object id=\"r1\" Pos=\"0 0\" Size=\"2000 1000\"/>"
      "<Link id=\"r2\"><End id=\"r3\" Pos=\"2000 -500\" Object=\"r1\" Type=\"2\"/>"
      "<End id=\"r4\" Pos=\"5000 -500\" Type=\"1\"/><Segment id=\"r5\" Ends=\"r3 r4\"/></Link>";
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    s.replace(s.find(from), from.size(), to);
    return Doc(s);
  };
  Core::Diagram d(Registry(), nullptr);
  d.LoadXML(Doc(good));
  auto ends = [&] {
    std::vector<Object::LinkEnd*> out;
    for (const auto& e : d.Elements())
      if (auto* x = dynamic_cast<Object::LinkEnd*>(e.get())) out.push_back(x);
    return out;
  }();
  ASSERT_EQ(2u, ends.size());
  EXPECT_FALSE(ends[0]->IsTraversed());  // a missing "Traversed" reads as false
  Core::Diagram bad(Registry(), nullptr);
  EXPECT_THROW(bad.LoadXML(replace("Type=\"2\"", "Type=\"4\"")), Core::Exceptions::AttributeOutOfRange);
  EXPECT_THROW(bad.LoadXML(replace("Type=\"2\"", "Type=\"0\"")), Core::Exceptions::AttributeOutOfRange);
  EXPECT_THROW(bad.LoadXML(replace(" Type=\"1\"", "")), Core::Exceptions::MandatoryAttributeMissing);
  EXPECT_THROW(bad.LoadXML(replace("Object=\"r1\"", "Object=\"r2\"")), Core::Exceptions::TypeMismatchOfRestoredObject);
  EXPECT_THROW(bad.LoadXML(replace("Object=\"r1\"", "Qualifier=\"r1\"")), Core::Exceptions::TypeMismatchOfRestoredObject);
}

TEST_F(Links, AnEndAttachesToObjectsQualifiersAndOtherLinksButNotToNotesOrTexts) {
  Object::Link* other = NewLink({{2000, -800}, {5000, -800}}, a);  // its far end is free
  ASSERT_TRUE(link && other);
  Object::LinkEnd* mine = EndOf(*link, 0);
  EXPECT_TRUE(mine->AcceptsTerminal(b));
  EXPECT_FALSE(mine->AcceptsTerminal(SegmentOf(*link, 0)));
  EXPECT_TRUE(mine->AcceptsTerminal(SegmentOf(*other, 0)));
  EXPECT_TRUE(mine->AcceptsTerminal(EndOf(*other, 1)));
  const Core::AttachFilter<Object::LinkEnd> any;
  EXPECT_TRUE(any.Accept(a));
  EXPECT_TRUE(any.Accept(SegmentOf(*link, 0)));
  Note::Note* note = nullptr;
  Text::FreeText* text = nullptr;
  Change([&](Core::Env& env) {
    note = Note::Note::Create(env, {0, 5000}).get();
    text = dynamic_cast<Text::FreeText*>(Text::FreeText::Create(env, {0, 8000}).get());
  });
  EXPECT_FALSE(any.Accept(note));
  EXPECT_FALSE(any.Accept(text));
  Object::Qualifier* q = Qualify(*EndOf(*other, 0));
  EXPECT_TRUE(any.Accept(q));
}

TEST_F(Links, ARoleTextMovesWithItsEndAndGoesWithTheObjectUntilUndone) {
  Object::LinkEnd* end = EndOf(*link, 1);
  Text::FreeText* role = nullptr;
  Change([&](Core::Env& env) { role = Text::CreateAnchoredText(env, *end, end->GetPosition(), L"???").get(); });
  ASSERT_NE(nullptr, role);
  EXPECT_EQ(1u, end->GetAnchors().size());
  TextBlock::TextStyle style;
  end->GetTextStyle(style, end->GetAnchors().front());
  EXPECT_FALSE(style.underline);
  EXPECT_EQ(TextBlock::SizingOwnExtent, style.sizing);
  const zq::Point before = role->GetPos();
  Change([&](Core::Env& env) {
    Core::ModelElementSet set;
    set.Insert(b->shared_from_this());
    Core::DeferredShiftSet shift(set, &diagram, nullptr);
    shift.ShiftAll(env, {0, 1000, true, true});
    shift.ShiftDeferred(env);
  });
  // The end stays where the object's move put it (the link bends to reach it, and the end made
  // for the bend takes the text over); the text moves with it.
  ASSERT_EQ(1u, b->GetLinkEnds().size());
  end = b->GetLinkEnds().front();
  EXPECT_EQ(500.0, end->GetPosition().y);
  EXPECT_EQ(1u, end->GetAnchors().size());
  EXPECT_EQ(before.y + 1000, role->GetPos().y);
  Change([&](Core::Env& env) { b->Delete(env); });
  EXPECT_TRUE(end->IsDeleted());
  EXPECT_TRUE(role->IsDeleted());
  Undo();
  EXPECT_FALSE(end->IsDeleted() || role->IsDeleted());
  EXPECT_EQ("", CheckSound());
}

// Deleting the last segment of a bent link takes the joins and the other segments along, one by
// one: a name on the first segment goes with it (and comes back with the undo) instead of staying
// in the diagram without a segment, drawn but never written.
TEST_F(Links, ANameOnASegmentThatGoesWithItsNeighbourGoesToo) {
  Object::Link* bent = NewLink({{2000, -500}, {5000, -500}, {5000, -4000}, {9000, -4000}}, a);
  ASSERT_NE(nullptr, bent);
  Object::LinkSegment* first = SegmentOf(*bent, 0);
  Text::FreeText* name = nullptr;
  Change([&](Core::Env& env) { name = Text::CreateAnchoredText(env, *first, {3500, -500}, L"owns").get(); });
  ASSERT_NE(nullptr, name);
  Change([&](Core::Env& env) { SegmentOf(*bent, 2)->Delete(env); });
  ASSERT_TRUE(first->IsDeleted());
  EXPECT_TRUE(name->IsDeleted());
  EXPECT_EQ(std::string::npos, Save().find("owns"));
  Undo();
  EXPECT_FALSE(first->IsDeleted() || name->IsDeleted());
  EXPECT_NE(std::string::npos, Save().find("owns"));
  EXPECT_EQ("", CheckSound());
}

TEST_F(Links, ALinkNameIsUnderlinedInTheLinkFontAndOnlyTheLinkDirectoryRestylesIt) {
  Object::LinkSegment* s = SegmentOf(*link, 0);
  Text::FreeText* name = nullptr;
  Change([&](Core::Env& env) { name = Text::CreateAnchoredText(env, *s, {5000, -500}, L"<name?>").get(); });
  ASSERT_NE(nullptr, name);
  TextBlock::TextStyle style;
  s->GetTextStyle(style, s->GetAnchors().front());
  EXPECT_TRUE(style.underline);
  EXPECT_TRUE(style.bold);
  EXPECT_TRUE(Style::Names::Link().Contains(Object::LinkSegment::Directory()));
  EXPECT_FALSE(Style::Names::ObjectRole().Contains(Object::LinkSegment::Directory()));
}

TEST_F(Links, WithQualifierOnABottomEndPutsTheQualifierUnderTheObjectAndTheEndBelowIt) {
  Object::Link* down = NewLink({{1000, -1000}, {1000, -6000}}, a);
  ASSERT_NE(nullptr, down);
  Object::LinkEnd* end = EndOf(*down, 0);
  const zq::float8Point at = end->GetPosition();
  Object::Qualifier* q = Qualify(*end);
  ASSERT_NE(nullptr, q);
  EXPECT_EQ(L"<?>", q->GetName());
  EXPECT_EQ(q, end->GetQualifier());
  EXPECT_EQ(nullptr, end->GetRep().party);
  EXPECT_EQ(a, end->GetObject());
  const zq::Rect r = q->GetRect();
  EXPECT_EQ(a->GetRect().bottom, r.top);
  EXPECT_EQ(at.x, (r.left + r.right) / 2.0);
  EXPECT_EQ(zq::float8Point(at.x, r.bottom), end->GetPosition());
  EXPECT_EQ(1u, q->GetLinkEnds().size());
  EXPECT_EQ(1u, a->GetLinkEnds().size());  // the other link's end only
  EXPECT_EQ("", CheckSound());
  // Deleting the qualifier keeps the link, now on the object.
  Change([&](Core::Env& env) { q->Delete(env); });
  EXPECT_FALSE(end->IsDeleted());
  EXPECT_EQ(a, end->GetTerminal());
  EXPECT_EQ(2u, a->GetLinkEnds().size());
  EXPECT_EQ("", CheckSound());
  Undo();
  EXPECT_EQ(q, end->GetTerminal());
  EXPECT_EQ("", CheckSound());
}

TEST_F(Links, AQualifierOnTheLeftGrowsToTheLeftAndFollowsItsObjectOnce) {
  Object::Link* left = NewLink({{0, -500}, {-5000, -500}}, a);
  ASSERT_NE(nullptr, left);
  Object::Qualifier* q = Qualify(*EndOf(*left, 0));
  ASSERT_NE(nullptr, q);
  EXPECT_EQ(a->GetRect().left, q->GetRect().right);
  Change([&](Core::Env& env) { q->SetName(env, L"a much longer qualifier text"); });
  EXPECT_EQ(a->GetRect().left, q->GetRect().right);
  const zq::Point before = q->GetPos();
  Change([&](Core::Env& env) {
    Core::ModelElementSet set;
    set.Insert(a->shared_from_this());
    set.Insert(q->shared_from_this());
    Core::DeferredShiftSet shift(set, &diagram, nullptr);
    shift.ShiftAll(env, {300, 700, true, true});
    shift.ShiftDeferred(env);
  });
  EXPECT_EQ(zq::Point(before.x + 300, before.y + 700), q->GetPos());
  EXPECT_EQ("", CheckSound());
}

}  // namespace
