// Associations between classes: their stored form and its checks, what ends may attach to, the
// end kinds, the placement of texts at ends, merging, and deleting segments with what lies on them.
#include "elements/class/tests/AssocScene.h"

#include "core/Exceptions.h"
#include "style/Names.h"

using namespace AssocTest;
using Class::Assoc;
using Class::AssocEnd;

namespace {
std::string Attrs(const std::string& xml, const std::string& tag) {
  const auto at = xml.find("<" + tag + " ");
  return at == std::string::npos ? "" : xml.substr(at, xml.find('>', at) - at);
}

struct Assocs : Scene {
  Class::Class *a = nullptr, *b = nullptr;
  zq::Rect ra, rb;
  Assocs() {
    a = NewClass({0, 5000});
    b = NewClass({10000, 5000});
    ra = a->GetRect();
    rb = b->GetRect();
  }
  // A straight association from A's right edge to B's left edge at the height y.
  Assoc* Link(double y) { return Path<Assoc>({{double(ra.right), y}, {double(rb.left), y}}, a, b); }
};
}  // namespace

TEST_F(Assocs, ANewAssociationHasTwoPlainEndsAndAStoredFormWithoutAttributes) {
  Assoc* assoc = Link(4700);
  ASSERT_NE(nullptr, assoc);
  ASSERT_EQ(2u, assoc->GetEnds().size());
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(ClassObject::EndType::Direct, EndOf(*assoc, i)->GetKind());
    EXPECT_FALSE(EndOf(*assoc, i)->IsTraversed());
  }
  EXPECT_EQ(a, EndOf(*assoc, 0)->GetClass());
  EXPECT_EQ(b, EndOf(*assoc, 1)->GetClass());
  EXPECT_EQ(1u, a->GetAssocEnds().size());
  // The first association made the class diagram's directories.
  Style::Style* style = Style::Style::Find(diagram);
  ASSERT_NE(nullptr, style);
  std::string xml = Save();
  EXPECT_NE(std::string::npos, xml.find("<dir n=\"Association\"")) << xml;
  EXPECT_NE(std::string::npos, xml.find("<dir n=\"Multiplicity, Role\"")) << xml;
  const std::string head = Attrs(xml, "Assoc");
  EXPECT_EQ(std::string::npos, head.find("=\"", head.find("id=") + 4)) << head;
  std::string end = Attrs(xml, "End");
  EXPECT_LT(end.find("Pos="), end.find("Class=")) << end;
  EXPECT_LT(end.find("Class="), end.find("Type=\"1\"")) << end;
  EXPECT_EQ(std::string::npos, end.find("Traversed")) << end;
  EXPECT_EQ(std::string::npos, end.find("Qualifier")) << end;

  Change([&](Core::Env& env) {
    EndOf(*assoc, 0)->SetTraversed(env, true);
    EndOf(*assoc, 0)->SetKind(env, ClassObject::EndType::Composition);
  });
  xml = Save();
  end = Attrs(xml, "End");
  EXPECT_LT(end.find("Type=\"3\""), end.find("Traversed=\"1\"")) << end;
  EXPECT_NE(std::string::npos, end.find("Traversed=\"1\"")) << end;
  Core::Diagram copy(Registry(), nullptr);
  copy.LoadXML(xml);
  std::ostringstream again;
  copy.SaveXML(again);
  EXPECT_EQ(xml, again.str());
  Undo();
  EXPECT_FALSE(EndOf(*assoc, 0)->IsTraversed());
  EXPECT_EQ(ClassObject::EndType::Direct, EndOf(*assoc, 0)->GetKind());
}

TEST_F(Assocs, StoredEndsAreCheckedWhenRead) {
  const std::string good =
      "<Class id=\"r1\" Pos=\"0 0\" Size=\"2000 1000\"/>"
      "<Assoc id=\"r2\"><End id=\"r3\" Pos=\"2000 -500\" Class=\"r1\" Type=\"2\"/>"
      "<End id=\"r4\" Pos=\"5000 -500\" Type=\"1\"/><Segment id=\"r5\" Ends=\"r3 r4\"/></Assoc>";
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    s.replace(s.find(from), from.size(), to);
    return Doc(s);
  };
  Core::Diagram d(Registry(), nullptr);
  d.LoadXML(Doc(good));
  Core::Diagram bad(Registry(), nullptr);
  EXPECT_THROW(bad.LoadXML(replace("Type=\"2\"", "Type=\"4\"")), Core::Exceptions::AttributeOutOfRange);
  EXPECT_THROW(bad.LoadXML(replace("Type=\"2\"", "Type=\"0\"")), Core::Exceptions::AttributeOutOfRange);
  EXPECT_THROW(bad.LoadXML(replace(" Type=\"1\"", "")), Core::Exceptions::MandatoryAttributeMissing);
  EXPECT_THROW(bad.LoadXML(replace("Class=\"r1\"", "Class=\"r2\"")), Core::Exceptions::TypeMismatchOfRestoredObject);
  EXPECT_THROW(bad.LoadXML(replace("Class=\"r1\"", "Qualifier=\"r1\"")), Core::Exceptions::TypeMismatchOfRestoredObject);
  // "SourceEnd" and "TargetEnd" read as ordinary ends, written back as "End".
  Core::Diagram old(Registry(), nullptr);
  std::string s = good;
  s.replace(s.find("<End id=\"r3\""), 12, "<SourceEnd id=\"r3\"");
  s.replace(s.find("<End id=\"r4\""), 12, "<TargetEnd id=\"r4\"");
  old.LoadXML(Doc(s));
  std::ostringstream out;
  old.SaveXML(out);
  EXPECT_EQ(std::string::npos, out.str().find("SourceEnd")) << out.str();
  EXPECT_NE(std::string::npos, out.str().find("<End id=\"r3\"")) << out.str();
}

TEST_F(Assocs, AnEndAttachesToClassesAndToOtherAssociationsButNeverToItsOwn) {
  Assoc* one = Path<Assoc>({{double(ra.right), 4700}, {5000, 4700}, {5000, 2000}, {double(rb.left), 2000}}, a, b);
  Assoc* other = Path<Assoc>({{double(ra.right), 4500}, {6000, 4500}}, a);  // its far end is free
  Assoc* third = Path<Assoc>({{double(rb.left), 4800}, {7000, 4800}}, b);
  ASSERT_TRUE(one && other && third);
  AssocEnd* mine = EndOf(*one, 0);
  Connector::IJoin* join = one->GetJoins().at(0);
  // Every class, also the one the other end sits on.
  EXPECT_TRUE(mine->AcceptsTerminal(a));
  EXPECT_TRUE(mine->AcceptsTerminal(b));
  // Nothing of its own association.
  EXPECT_FALSE(mine->AcceptsTerminal(SegmentOf(*one, 1)));
  EXPECT_FALSE(mine->AcceptsTerminal(join));
  EXPECT_FALSE(mine->AcceptsTerminal(EndOf(*one, 1)));
  // Another association's segment, join and free end; not its attached end.
  EXPECT_TRUE(mine->AcceptsTerminal(SegmentOf(*other, 0)));
  EXPECT_TRUE(EndOf(*other, 0)->AcceptsTerminal(join));
  EXPECT_TRUE(mine->AcceptsTerminal(EndOf(*other, 1)));
  EXPECT_FALSE(mine->AcceptsTerminal(EndOf(*other, 0)));
  EXPECT_FALSE(mine->AcceptsTerminal(EndOf(*third, 0)));
  // A new association's filter (no end yet) takes classes, qualifiers and association parts.
  const Core::AttachFilter<AssocEnd> any;
  EXPECT_TRUE(any.Accept(a));
  EXPECT_TRUE(any.Accept(SegmentOf(*one, 0)));
  EXPECT_TRUE(any.Accept(join));
  Class::Qualifier* q = nullptr;
  Change([&](Core::Env& env) { q = Class::Qualifier::CreateAtEnd(env, *EndOf(*third, 0)).get(); });
  EXPECT_TRUE(any.Accept(q));
  EXPECT_TRUE(mine->AcceptsTerminal(q));
  // Dependency ends take association segments, not association ends.
  const Core::AttachFilter<Dependency::DependencyEnd> dependencies;
  EXPECT_TRUE(dependencies.Accept(SegmentOf(*one, 0)));
  EXPECT_FALSE(dependencies.Accept(mine));
}

TEST_F(Assocs, AnEndDroppedOnASegmentOrAJoinMergesTheAssociations) {
  Assoc* one = Link(4700);
  Assoc* other = Path<Assoc>({{5000, 0}, {5000, 4700}}, nullptr);
  Change([&](Core::Env& env) { SegmentOf(*one, 0)->Core::IAttach<AssocEnd>::TryAttach(env, EndOf(*other, 1)); });
  EXPECT_TRUE(other->IsDeleted());
  ASSERT_EQ(1u, Live<Assoc>().size());
  EXPECT_EQ(3u, one->GetEndCount());
  EXPECT_EQ(1u, one->GetJoinCount());
  EXPECT_EQ(3u, one->GetSegmentCount());
  EXPECT_EQ("", CheckConnectors());
  // The merged association reads back as it was written.
  Core::Diagram copy(Registry(), nullptr);
  copy.LoadXML(Save());
  Undo();
  EXPECT_EQ(2u, Live<Assoc>().size());
  EXPECT_EQ("", CheckConnectors());

  // A further end dropped on the join joins there.
  Redo();
  Connector::IJoin* join = one->GetJoins().at(0);
  Assoc* third = Path<Assoc>({{5000, 9000}, {5000, 4700}}, nullptr);
  Change([&](Core::Env& env) { dynamic_cast<Class::AssocJoin*>(join)->TryAttach(env, EndOf(*third, 1)); });
  EXPECT_TRUE(third->IsDeleted());
  EXPECT_EQ(4u, join->GetSegmentCount());
  EXPECT_EQ("", CheckConnectors());
  // Two free ends fuse into a join.
  Assoc* x = Path<Assoc>({{0, -3000}, {2000, -3000}});
  Assoc* y = Path<Assoc>({{4000, -3000}, {2000, -3000}});
  Change([&](Core::Env& env) { EndOf(*x, 1)->Core::IAttach<AssocEnd>::TryAttach(env, EndOf(*y, 1)); });
  EXPECT_NE(x->IsDeleted(), y->IsDeleted());
  Assoc* fused = x->IsDeleted() ? y : x;
  // The two ends became a join, which the clean-up smoothed away: one straight association.
  EXPECT_EQ(2u, fused->GetEndCount());
  EXPECT_EQ(1u, fused->GetSegmentCount());
  EXPECT_EQ("", CheckConnectors());
}

TEST_F(Assocs, DeletingASegmentTakesTheEndsOnItWithTheirChainsAndUndoRestoresThem) {
  Assoc* one = Link(4700);
  Class::Class* c = NewClass({4000, 0});
  const zq::Rect rc = c->GetRect();
  auto* dep = Path<Dependency::Dependency>({{double(rc.left + 500), double(rc.top)}, {double(rc.left + 500), 3000},
                                            {double(rc.left + 800), 3000}, {double(rc.left + 800), 4700}},
                                           nullptr, SegmentOf(*one, 0));
  Note::Note* note = nullptr;
  Change([&](Core::Env& env) { note = Note::Note::Create(env, {7000, 9000}).get(); });
  auto* nc = Path<Note::NoteConnector>({{7500, 8000}, {7500, 4700}}, note, SegmentOf(*one, 0));
  ASSERT_TRUE(dep && nc);
  Class::AssocSegment* seg = SegmentOf(*one, 0);
  EXPECT_EQ(2u, seg->GetAttachedEnds().size());
  Text::Anchor* name = nullptr;
  Change([&](Core::Env& env) { name = dynamic_cast<Text::Anchor*>(Text::CreateAnchoredText(env, *seg, {6000, 4700}, L"works for")->GetFreeTextOwner()); });
  const std::string before = Save();

  Change([&](Core::Env& env) { seg->Delete(env); });
  EXPECT_TRUE(one->IsDeleted());
  EXPECT_TRUE(dep->IsDeleted());
  EXPECT_TRUE(nc->IsDeleted());
  EXPECT_TRUE(name->IsDeleted());
  EXPECT_TRUE(a->GetAssocEnds().empty());
  EXPECT_TRUE(Live<Dependency::DependencySegment>().empty());
  EXPECT_EQ("", CheckConnectors());
  Undo();
  EXPECT_EQ(before, Save());
  EXPECT_EQ(2u, seg->GetAttachedEnds().size());
  EXPECT_TRUE(seg->HasAnchor(name));
  EXPECT_EQ("", CheckConnectors());
}

TEST_F(Assocs, DeletingAClassDeletesItsEndsAndTheirChains) {
  Assoc* one = Link(4700);
  Change([&](Core::Env& env) { b->Delete(env); });
  EXPECT_TRUE(one->IsDeleted());
  EXPECT_TRUE(a->GetAssocEnds().empty());
  EXPECT_EQ(std::string::npos, Save().find("<Assoc")) << Save();
  Undo();
  EXPECT_FALSE(one->IsDeleted());
  EXPECT_EQ(1u, b->GetAssocEnds().size());
  EXPECT_EQ("", CheckConnectors());
}

TEST_F(Assocs, EndsAndTheirTextsFollowAMovedClass) {
  Assoc* one = Link(4700);
  AssocEnd* end = EndOf(*one, 1);
  std::shared_ptr<Text::FreeText> role;
  Change([&](Core::Env& env) { role = Text::CreateAnchoredText(env, *end, {}, L"<role?>"); });
  const zq::Point textAt = role->GetPos();
  Change([&](Core::Env& env) {
    Core::ModelElementSet set;
    set.Insert(b->shared_from_this());
    Core::DeferredShiftSet shift(set, &diagram, nullptr);
    shift.ShiftAll(env, {500, 0, true, true});
    shift.ShiftDeferred(env);
  });
  EXPECT_EQ(zq::float8Point(rb.left + 500, 4700), end->GetPosition());
  EXPECT_EQ(zq::Point(textAt.x + 500, textAt.y), role->GetPos());
  EXPECT_EQ("", CheckConnectors());
  // Texts are written inside their end and read back there.
  Core::Diagram copy(Registry(), nullptr);
  copy.LoadXML(Save());
  std::size_t texts = 0;
  for (const auto& e : copy.Elements())
    if (auto* x = dynamic_cast<AssocEnd*>(e.get())) texts += x->GetAnchors().size();
  EXPECT_EQ(1u, texts);
}

TEST(AssocEndText, PlacementCodesForTheFirstAndSecondTextOnEverySide) {
  // A box from (0, 1000) to (2000, 0); texts sit 200 off the end point.
  struct Box : Core::ITerminal {
    const std::wstring& GetTypeName() const override { static std::wstring n; return n; }
    const xml::Namespace& GetNamespace() const override { return xml::kSchema10; }
    Core::ElementPtr Clone() const override { return nullptr; }
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override {
      GraphUtil::Outline outline;
      GraphUtil::MakeRectOutline(outline, zq::Rect(0, 1000, 2000, 0));
      out = GraphUtil::NearestOutlinePoint(outline, p, horizontal, !horizontal);
      return out.valid;
    }
  } box;
  struct Case {
    zq::float8Point p, q;
    int first, second;
  };
  const Case cases[] = {
      {{2000, 500}, {5000, 500}, 4, 1},    // right side, line level: above right, then below right
      {{2000, 500}, {2000, 3000}, 1, 4},   // right side, line rising
      {{0, 500}, {-3000, 500}, 3, 2},      // left side, line level
      {{0, 500}, {0, 3000}, 2, 3},         // left side, line rising
      {{1000, 1000}, {4000, 1000}, 3, 4},  // top, line to the right: above left, then above right
      {{1000, 1000}, {1000, 4000}, 4, 3},  // top, line straight up
      {{1000, 0}, {1000, -3000}, 1, 2},    // bottom, line straight down
      {{1000, 0}, {4000, 0}, 2, 1},        // bottom, line to the right
  };
  for (const Case& c : cases) {
    const Text::TextPlacement first = ClassObject::PlaceEndText(c.p, c.q, &box, 0, 0);
    EXPECT_EQ(c.first, first.origin) << c.p.x << "," << c.p.y;
    EXPECT_EQ(c.p, first.anchorPoint);
    const double sx = c.first == 1 || c.first == 4 ? 200 : -200, sy = c.first >= 3 ? 200 : -200;
    EXPECT_EQ(zq::float8Point(c.p.x + sx, c.p.y + sy), first.textPoint);
    EXPECT_EQ(c.second, ClassObject::PlaceEndText(c.p, c.q, &box, 1, c.first).origin);
    // With two texts already, or a first text whose corner is not of this side, geometry decides.
    EXPECT_EQ(c.first, ClassObject::PlaceEndText(c.p, c.q, &box, 2, c.first).origin);
  }
  // A free end places at its point.
  const Text::TextPlacement free = ClassObject::PlaceEndText({5, 6}, {100, 6}, nullptr, 0, 0);
  EXPECT_EQ(1, free.origin);
  EXPECT_EQ(zq::float8Point(5, 6), free.textPoint);
}

TEST_F(Assocs, TwoTextsAtAnEndGoToBothSidesOfTheLineAndGoWithTheEnd) {
  Assoc* one = Link(4700);
  AssocEnd* end = EndOf(*one, 0);  // on A's right side, the line leaving to the right
  std::shared_ptr<Text::FreeText> t1, t2;
  Change([&](Core::Env& env) { t1 = Text::CreateAnchoredText(env, *end, {}, L"1"); });
  Change([&](Core::Env& env) { t2 = Text::CreateAnchoredText(env, *end, {}, L"*"); });
  EXPECT_EQ(Text::OriginBottomLeft, t1->GetOrigin());
  EXPECT_EQ(Text::OriginTopLeft, t2->GetOrigin());
  EXPECT_EQ(2u, end->GetAnchors().size());
  // The texts take the font of "Multiplicity, Role", centred and as small as the text.
  TextBlock::TextStyle style;
  end->GetTextStyle(style, end->GetAnchors()[0]);
  EXPECT_EQ(TextBlock::AlignCenter, style.horizontalAlignment);
  EXPECT_EQ(TextBlock::SizingOwnExtent, style.sizing);
  Change([&](Core::Env& env) { end->DetachFromTerminal(env, a, true); });
  EXPECT_TRUE(t1->IsDeleted());
  EXPECT_TRUE(t2->IsDeleted());
  Undo();
  EXPECT_FALSE(t2->IsDeleted());
  EXPECT_TRUE(end->HasAnchor(dynamic_cast<Text::Anchor*>(t2->GetFreeTextOwner())));
}

TEST_F(Assocs, EndsLyingOnAnAssociationMovedAsAWholeStayOnItsSegments) {
  // An association from A to a free point moves as a whole with A; a dependency ends on its
  // vertical middle segment.
  Assoc* one = Path<Assoc>({{double(ra.right), 4700}, {5000, 4700}, {5000, 1000}, {8000, 1000}}, a);
  Class::Class* c = NewClass({1000, -2000});
  const zq::Rect rc = c->GetRect();
  auto* dep = Path<Dependency::Dependency>(
      {{double(rc.right - 100), double(rc.top)}, {double(rc.right - 100), 3000}, {5000, 3000}}, nullptr,
      SegmentOf(*one, 1));
  ASSERT_NE(nullptr, dep);
  Change([&](Core::Env& env) {
    Core::ModelElementSet set;
    set.Insert(a->shared_from_this());
    Core::DeferredShiftSet shift(set, &diagram, nullptr);
    shift.ShiftAll(env, {700, 200, true, true});
    shift.ShiftDeferred(env);
  });
  EXPECT_EQ(zq::float8Point(5700, 1200), one->GetJoins().back()->GetPosition());
  EXPECT_EQ(5700, dep->GetEnds().back()->GetPosition().x);
  EXPECT_EQ("", CheckConnectors());
}

TEST_F(Assocs, AssociationsBetweenClassesMovedTogetherMoveWhole) {
  // One straight association and one with two bends, both between A and B; the two classes are
  // dragged together below each other's old height (the drag shifts again from the start each step).
  Assoc* straight = Link(4700);
  Assoc* bent = Path<Assoc>({{double(ra.left + 500), double(ra.bottom)}, {double(ra.left + 500), 1000},
                             {double(rb.left + 500), 1000}, {double(rb.left + 500), double(rb.bottom)}},
                            a, b);
  ASSERT_NE(nullptr, bent);
  auto points = [](Connector::IConnector& c) {
    std::vector<zq::float8Point> out;
    for (Connector::IEnd* e : c.GetEnds()) out.push_back(e->GetPosition());
    for (Connector::IJoin* j : c.GetJoins()) out.push_back(j->GetPosition());
    return out;
  };
  const auto straightBefore = points(*straight), bentBefore = points(*bent);
  const std::size_t bentSegments = bent->GetSegmentList().size();
  Change([&](Core::Env& env) {
    Core::ModelElementSet set;
    set.Insert(a->shared_from_this());
    set.Insert(b->shared_from_this());
    Core::DeferredShiftSet shift(set, &diagram, a);
    shift.ShiftAll(env, {500, -1000, true, true}, {500, 4000});
    shift.ShiftAll(env, {1000, -3000, true, true}, {1000, 2000});
    shift.ShiftDeferred(env);
  });
  auto moved = [](std::vector<zq::float8Point> v) {
    for (auto& p : v) p = {p.x + 1000, p.y - 3000};
    return v;
  };
  EXPECT_EQ(moved(straightBefore), points(*straight));
  EXPECT_EQ(moved(bentBefore), points(*bent));
  EXPECT_EQ(1u, straight->GetSegmentList().size());
  EXPECT_EQ(bentSegments, bent->GetSegmentList().size());
  EXPECT_EQ(a, EndOf(*straight, 0)->GetClass());
  EXPECT_EQ("", CheckConnectors());
  Core::Diagram copy(Registry(), nullptr);
  EXPECT_EQ(Save(), ReadBack(copy));
}
