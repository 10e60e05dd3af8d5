// Association class connectors: the stored form of the Employment example, what the ends may lie
// on, the end following its association segment, the deletions that take the connector along and
// their undo, a onAssoc end made again that stays the one end on the association, and the checks
// of the connector and its ends.
#include "elements/class/AssocClassConnector.h"
#include "elements/class/Generalization.h"
#include "elements/class/tests/AssocScene.h"

#include "core/ModelElementSet.h"

using namespace AssocTest;

namespace {

using Class::AssocClassConnector;
using Class::AssocClassConnectorEnd;
using Class::AssocClassConnectorSourceEnd;

struct AssocClasses : Scene {
  // Person and Company side by side, joined by a straight association; Employment below it.
  Class::Class* person = NewClass({0, 0});
  Class::Class* company = NewClass({8000, 0});
  Class::Class* employment = NewClass({4000, -3000});
  Class::Assoc* assoc = Path<Class::Assoc>({{1000, -250}, {8000, -250}}, person, company);

  Class::AssocSegment* Line() { return SegmentOf(*assoc, 0); }
  AssocClassConnector* Connect(Class::Class& c, Class::AssocSegment& s) {
    AssocClassConnector* made = nullptr;
    Change([&](Core::Env& env) { made = AssocClassConnector::Create(env, c, s); });
    return made;
  }
  static AssocClassConnectorSourceEnd* Source(const AssocClassConnector& c) {
    return dynamic_cast<AssocClassConnectorSourceEnd*>(c.GetFirstEnd());
  }
  static AssocClassConnectorEnd* Far(const AssocClassConnector& c) {
    for (Connector::IEnd* e : c.GetEnds())
      if (auto* onAssoc = dynamic_cast<AssocClassConnectorEnd*>(e)) return onAssoc;
    return nullptr;
  }
  static std::string Id(const Core::IModelElement* e) { return "r" + std::to_string(e->GetObjectId()); }
  // The connector's element in the saved document.
  std::string StoredConnector() const {
    const std::string text = Save();
    const std::size_t from = text.find("<AssocClassConnector ");
    if (from == std::string::npos) return {};
    const std::string close = "</AssocClassConnector>";
    return text.substr(from, text.find(close, from) + close.size() - from);
  }
};

TEST_F(AssocClasses, EmploymentIsStoredInChainOrderAndReadsBack) {
  AssocClassConnector* c = Connect(*employment, *Line());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(CheckConnectors(), "");
  AssocClassConnectorSourceEnd* source = Source(*c);
  AssocClassConnectorEnd* onAssoc = Far(*c);
  ASSERT_TRUE(source && onAssoc);
  EXPECT_EQ(source->GetClass(), employment);
  EXPECT_EQ(onAssoc->GetAssocSegment(), Line());
  // The line leaves the top of Employment (1600 wide: its name in 11 points bold) and meets the association above it.
  const std::string expected =
      "<AssocClassConnector id=\"" + Id(c) + "\">\n"
      "    <SourceEnd id=\"" + Id(source) + "\"\n        Pos=\"4800 -3000\"\n        Class=\"" + Id(employment) + "\"/>\n"
      "    <Segment id=\"" + Id(c->GetSegmentList().front()) + "\"\n        Oblique=\"1\"/>\n"
      "    <End id=\"" + Id(onAssoc) + "\"\n        Pos=\"4800 -250\"\n        AssocSegment=\"" + Id(Line()) + "\"/>\n"
      "  </AssocClassConnector>";
  EXPECT_EQ(StoredConnector(), expected);

  // Reading rebuilds both partner lists.
  Core::Diagram copy(Registry(), nullptr);
  EXPECT_EQ(ReadBack(copy), Save());
  for (const auto& e : copy.Elements()) {
    if (auto* s = dynamic_cast<AssocClassConnectorSourceEnd*>(e.get())) {
      EXPECT_TRUE(dynamic_cast<Core::IPartner<AssocClassConnectorSourceEnd>*>(s->GetClass())->Contains(s));
    }
    if (auto* f = dynamic_cast<AssocClassConnectorEnd*>(e.get())) {
      EXPECT_EQ(f->GetAssocSegment()->GetAttachedEnds(), std::vector<Connector::IEnd*>{f});
    }
  }
}

TEST_F(AssocClasses, OnlyAssociationSegmentsTakeTheEndAndOnlyClassesTheSourceEnd) {
  Class::Class* other = NewClass({0, -8000});
  Class::Assoc* second = Path<Class::Assoc>({{1000, -8250}, {5000, -8250}}, other, nullptr);
  auto* dependency = Path<Dependency::Dependency>({{500, -1000}, {500, -7000}}, person, other);
  Class::Generalization* general = nullptr;
  Change([&](Core::Env& env) { general = &Class::Generalization::Create(env, *employment, *other); });
  Note::Note* note = nullptr;
  Change([&](Core::Env& env) { note = Note::Note::Create(env, {12000, 0}).get(); });

  // A new connector may end on any association segment and on nothing else.
  const Core::AttachFilter<AssocClassConnectorEnd> targets;
  EXPECT_TRUE(targets.Accept(Line()));
  EXPECT_TRUE(targets.Accept(SegmentOf(*second, 0)));
  EXPECT_FALSE(targets.Accept(person));
  EXPECT_FALSE(targets.Accept(note));
  EXPECT_FALSE(targets.Accept(dependency->GetSegmentList().front()));
  EXPECT_FALSE(targets.Accept(general->GetSegmentList().front()));
  EXPECT_FALSE(targets.Accept(EndOf(*assoc, 0)));

  // A dragged end: another association's segment, never a class or its own connector's parts.
  AssocClassConnector* c = Connect(*employment, *Line());
  AssocClassConnectorEnd* onAssoc = Far(*c);
  EXPECT_TRUE(onAssoc->AcceptsTerminal(SegmentOf(*second, 0)));
  EXPECT_FALSE(onAssoc->AcceptsTerminal(other));
  EXPECT_FALSE(onAssoc->AcceptsTerminal(onAssoc));
  EXPECT_FALSE(onAssoc->AcceptsTerminal(c->GetSegmentList().front()));
  // The source end: any class, never a segment.
  AssocClassConnectorSourceEnd* source = Source(*c);
  EXPECT_TRUE(source->AcceptsTerminal(other));
  EXPECT_FALSE(source->AcceptsTerminal(Line()));
  EXPECT_FALSE(source->AcceptsTerminal(note));

  // Dropped on the other association, the end moves from one segment's list to the other's.
  Change([&](Core::Env& env) { EXPECT_TRUE(onAssoc->AttachTo(env, SegmentOf(*second, 0))); });
  EXPECT_EQ(onAssoc->GetAssocSegment(), SegmentOf(*second, 0));
  EXPECT_TRUE(Line()->GetAttachedEnds().empty());
  Change([&](Core::Env& env) { EXPECT_FALSE(onAssoc->AttachTo(env, other)); });
  EXPECT_EQ(onAssoc->GetAssocSegment(), SegmentOf(*second, 0));
}

TEST_F(AssocClasses, DeletingTheAssociationOrTheClassTakesTheConnectorAlongInOneUndoableStep) {
  // A connector with a bend, so that the deletion runs through a join.
  AssocClassConnector* c = nullptr;
  Change([&](Core::Env& env) {
    c = dynamic_cast<AssocClassConnector*>(Connector::BuildPathConnector(
        env, AssocClassConnector::PartFactory(), {{{4500, -3000}, false}, {{4500, -2000}, true}, {{6000, -2000}, true},
                                                 {{6000, -250}, true}},
        employment, Line(), nullptr));
  });
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->GetJoinCount(), 2u);
  const std::string before = Save();
  const auto gone = [&] { return c->IsDeleted() && Live<AssocClassConnector>().empty() && Live<AssocClassConnectorSourceEnd>().empty() &&
                                 Live<Class::AssocClassConnectorJoin>().empty(); };

  Change([&](Core::Env& env) { Line()->Delete(env); });
  EXPECT_TRUE(gone());
  EXPECT_TRUE(employment->GetRep().assocClassConnectorSourceEnds.empty());
  EXPECT_EQ(CheckConnectors(), "");
  Undo();
  EXPECT_EQ(Save(), before);
  EXPECT_EQ(CheckConnectors(), "");
  EXPECT_EQ(Line()->GetAttachedEnds().size(), 1u);

  Change([&](Core::Env& env) { assoc->Delete(env); });
  EXPECT_TRUE(gone());
  Undo();
  EXPECT_EQ(Save(), before);

  Change([&](Core::Env& env) { employment->Delete(env); });
  EXPECT_TRUE(gone());
  EXPECT_TRUE(Line()->GetAttachedEnds().empty());
  Undo();
  EXPECT_EQ(Save(), before);
  Redo();
  EXPECT_TRUE(gone());
  Undo();
  EXPECT_EQ(CheckConnectors(), "");
}

TEST_F(AssocClasses, TheEndFollowsItsSegment) {
  AssocClassConnector* c = Connect(*employment, *Line());
  AssocClassConnectorEnd* onAssoc = Far(*c);
  // The association moved as a whole carries the end along.
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    assoc->Shift(env, nullptr, {0, 1000, true, true}, set, false);
  });
  EXPECT_EQ(onAssoc->GetPosition(), zq::float8Point(4800, 750));
  EXPECT_EQ(CheckConnectors(), "");
  // A horizontal association made longer keeps the end on it, at its share of the length.
  Class::Class* left = NewClass({0, -20000});
  Class::Class* right = NewClass({6000, -20000});
  Class::Assoc* level = Path<Class::Assoc>({{1000, -20250}, {6000, -20250}}, left, right);
  ASSERT_TRUE(SegmentOf(*level, 0)->IsHorizontalOrtho());
  AssocClassConnector* e = Connect(*employment, *SegmentOf(*level, 0));
  EXPECT_EQ(Far(*e)->GetPosition(), zq::float8Point(3800, -20250));
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    right->Shift(env, nullptr, {4000, 0, true, true}, set, false);
  });
  EXPECT_EQ(Far(*e)->GetPosition(), zq::float8Point(5800, -20250));
  EXPECT_EQ(CheckConnectors(), "");

  // On an oblique association the end keeps its fraction of the length.
  Class::Class* a = NewClass({0, -10000});
  Class::Class* b = NewClass({6000, -12000});
  Class::Assoc* slant = nullptr;
  Change([&](Core::Env& env) {
    slant = dynamic_cast<Class::Assoc*>(Connector::BuildPathConnector(
        env, Class::Assoc::PartFactory(), {{{1000, -10250}, false}, {{6000, -12250}, false}}, a, b, nullptr));
  });
  AssocClassConnector* d = Connect(*employment, *SegmentOf(*slant, 0));
  AssocClassConnectorEnd* onSlant = Far(*d);
  EXPECT_EQ(onSlant->GetPosition(), zq::float8Point(3500, -11250));
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    b->Shift(env, nullptr, {4000, -2000, true, true}, set, false);
  });
  // The segment runs from (1000, -10250) to (10000, -14250) now: halfway is (5500, -12250).
  EXPECT_NEAR(onSlant->GetPosition().x, 5500, 1);
  EXPECT_NEAR(onSlant->GetPosition().y, -12250, 1);
  EXPECT_EQ(CheckConnectors(), "");
}

TEST_F(AssocClasses, AFarEndMadeAgainIsAnEndOnTheAssociationNotASecondSourceEnd) {
  AssocClassConnector* c = Connect(*employment, *Line());
  // A drag that leaves the end's shown point beside its position puts a bend there: the end is
  // made again by its own kind.
  Change([&](Core::Env& env) {
    Connector::IEnd* onAssoc = Far(*c);
    const zq::float8Point bend(6000, -2000);
    onAssoc->SetPendingPoint(&bend);
    env.Modify(*onAssoc);
  });
  EXPECT_EQ(c->GetJoinCount(), 1u);
  ASSERT_NE(Far(*c), nullptr);
  EXPECT_EQ(Far(*c)->GetAssocSegment(), Line());
  EXPECT_EQ(c->CheckGraph(), "");
  EXPECT_EQ(CheckConnectors(), "");
  const std::string text = StoredConnector();
  EXPECT_LT(text.find("<SourceEnd"), text.find("<Join")) << text;
  EXPECT_LT(text.find("<Join"), text.find("<End")) << text;
}

TEST_F(AssocClasses, ReadingAcceptsAFreeEndAndRefusesTerminalsOfTheWrongKind) {
  Connect(*employment, *Line());
  const std::string text = Save();
  const std::string segmentRef = "AssocSegment=\"" + Id(Line()) + "\"";
  const std::string classRef = "Class=\"" + Id(employment) + "\"";
  auto replaced = [&](const std::string& what, const std::string& with) {
    std::string s = text;
    return s.replace(s.find(what), what.size(), with);
  };
  Core::Diagram free(Registry(), nullptr);
  free.LoadXML(replaced(" " + segmentRef, ""));
  for (const auto& e : free.Elements())
    if (auto* f = dynamic_cast<AssocClassConnectorEnd*>(e.get())) { EXPECT_EQ(f->GetAssocSegment(), nullptr); }

  Core::Diagram wrong(Registry(), nullptr);
  EXPECT_ANY_THROW(wrong.LoadXML(replaced(segmentRef, "AssocSegment=\"" + Id(person) + "\"")));
  Core::Diagram wrongClass(Registry(), nullptr);
  EXPECT_ANY_THROW(wrongClass.LoadXML(replaced(classRef, "Class=\"" + Id(Line()) + "\"")));
}

// Employment (r3) tied to the association (r4) between Person (r1) and Company (r2), as written by hand.
const std::string kEmployment =
    "<Class id=\"r1\" Pos=\"0 0\" Size=\"2000 1000\"/><Class id=\"r2\" Pos=\"8000 0\" Size=\"2000 1000\"/>"
    "<Class id=\"r3\" Pos=\"4000 -3000\" Size=\"2000 1000\"/>"
    "<Assoc id=\"r4\"><End id=\"r5\" Pos=\"2000 -500\" Class=\"r1\" Type=\"1\"/>"
    "<End id=\"r6\" Pos=\"8000 -500\" Class=\"r2\" Type=\"1\"/><Segment id=\"r7\" Ends=\"r5 r6\"/></Assoc>"
    "<AssocClassConnector id=\"r8\"><SourceEnd id=\"r9\" Pos=\"5000 -3000\" Class=\"r3\"/>"
    "<Segment id=\"r10\"/><End id=\"r11\" Pos=\"5000 -500\" AssocSegment=\"r7\"/></AssocClassConnector>";

// Runs every element's check in one change; answers the first refusal's text, empty when none.
std::string RunChecks(Core::Diagram& d) {
  Core::Transaction t(d);
  Core::Env env(t);
  for (const auto& e : d.Elements()) {
    auto* checkable = dynamic_cast<Core::ICheckable*>(e.get());
    try {
      if (checkable != nullptr) checkable->Check(env);
    } catch (const Connector::Exceptions::MalformedConnector& refused) {
      return refused.what();
    }
  }
  env.Close();
  return {};
}

AssocClassConnector* ConnectorIn(const Core::Diagram& d) {
  for (const auto& e : d.Elements())
    if (auto* c = dynamic_cast<AssocClassConnector*>(e.get())) return c;
  return nullptr;
}

// Reads the document into a new diagram; answers the refusal's text, empty when it reads.
std::string ReadingRefusal(const std::string& xml) {
  Core::Diagram d(Registry(), nullptr);
  try {
    d.LoadXML(xml);
  } catch (const Connector::Exceptions::MalformedConnector& refused) {
    return refused.what();
  }
  return {};
}

TEST_F(AssocClasses, TheChecksPassASoundDocumentAndNameWhatIsBrokenInAHandWrittenOne) {
  auto replaced = [](const std::string& what, const std::string& with) {
    std::string s = kEmployment;
    return AssocTest::Doc(s.replace(s.find(what), what.size(), with));
  };
  Core::Diagram sound(Registry(), nullptr);
  sound.LoadXML(AssocTest::Doc(kEmployment));
  ASSERT_NE(ConnectorIn(sound), nullptr);
  EXPECT_EQ(ConnectorIn(sound)->FindFault(), "");
  EXPECT_EQ(RunChecks(sound), "");

  // An end written off its association segment is put back on it while reading.
  Core::Diagram off(Registry(), nullptr);
  off.LoadXML(replaced("Pos=\"5000 -500\"", "Pos=\"5000 -1200\""));
  ASSERT_NE(ConnectorIn(off), nullptr);
  EXPECT_EQ(Far(*ConnectorIn(off))->GetPosition(), zq::float8Point(5000, -500));
  EXPECT_EQ(RunChecks(off), "");

  // A broken chain is refused while reading, by the connector's check, at the line of the fault.
  EXPECT_EQ(ReadingRefusal(AssocTest::Doc(kEmployment)), "");
  EXPECT_NE(ReadingRefusal(replaced("<Segment id=\"r10\"/>", "")).find("end without a segment"), std::string::npos);
  EXPECT_EQ(ReadingRefusal(replaced("<End id=\"r11\"", "<SourceEnd id=\"r11\"")),
            "line 3: an association class connector must have exactly one source end");
  EXPECT_EQ(ReadingRefusal(replaced("</AssocClassConnector>", "<Join id=\"r12\" Pos=\"0 0\"/></AssocClassConnector>")),
            "line 3: connector part r12: join with fewer than two segments");
}

TEST_F(AssocClasses, TheChecksReportAnEndItsElementNoLongerListsAndTheRefusedChangeLeavesNoTrace) {
  AssocClassConnector* c = Connect(*employment, *Line());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(RunChecks(diagram), "");
  const std::string before = Save();
  const std::size_t steps = diagram.GetUndoHandler().GetUndoCount();
  {
    Core::Transaction t(diagram);
    Core::Env env(t);
    dynamic_cast<Core::IPartner<AssocClassConnectorEnd>*>(Line())->RemovePartner(env, Far(*c));
    dynamic_cast<Core::IPartner<AssocClassConnectorSourceEnd>*>(employment)->RemovePartner(env, Source(*c));
    EXPECT_EQ(Far(*c)->FindFault(), "an end that the element it lies on does not list");
    EXPECT_THROW(Source(*c)->Check(env), Connector::Exceptions::MalformedConnector);
    EXPECT_THROW(c->Check(env), Connector::Exceptions::MalformedConnector);
  }  // not closed: rolled back
  EXPECT_EQ(c->FindFault(), "");
  EXPECT_EQ(Save(), before);
  EXPECT_EQ(diagram.GetUndoHandler().GetUndoCount(), steps);
}

}  // namespace

namespace {
TEST_F(AssocClasses, AConnectorBentAtAJoinReadsInChainOrderAndKeepsIt) {
  // From the left side of r3 over a join up to the association segment; no segment names its ends.
  std::string bent = kEmployment;
  const std::string straight =
      "<SourceEnd id=\"r9\" Pos=\"5000 -3000\" Class=\"r3\"/>"
      "<Segment id=\"r10\"/><End id=\"r11\" Pos=\"5000 -500\" AssocSegment=\"r7\"/>";
  bent.replace(bent.find(straight), straight.size(),
               "<SourceEnd id=\"r9\" Pos=\"4000 -3500\" Class=\"r3\"/><Segment id=\"r10\"/>"
               "<Join id=\"r12\" Pos=\"3000 -3500\"/><Segment id=\"r13\"/>"
               "<End id=\"r11\" Pos=\"3000 -500\" AssocSegment=\"r7\"/>");
  Core::Diagram d(Registry(), nullptr);
  d.LoadXML(AssocTest::Doc(bent));
  AssocClassConnector* c = ConnectorIn(d);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->FindFault(), "");
  ASSERT_EQ(c->GetJoinCount(), 1u);
  Connector::IJoin* join = c->GetJoins()[0];
  AssocClassConnectorSourceEnd* source = Source(*c);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->GetSegment()->OtherEnd(source), join);
  EXPECT_EQ(Far(*c)->GetSegment()->OtherEnd(Far(*c)), join);
  EXPECT_EQ(Id(Far(*c)->GetAssocSegment()), "r7");
  const std::string saved = Save(d);
  EXPECT_EQ(HostScene::Reread(Registry(), saved), saved);
  EXPECT_EQ(HostScene::InnerTags(saved, "AssocClassConnector"),
            (std::vector<std::string>{"SourceEnd r9", "Segment r10", "Join r12", "Segment r13", "End r11"}));
}
}  // namespace
