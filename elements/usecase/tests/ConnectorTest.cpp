// Associations, generalizations and the dependencies of extend and include: where their ends may
// lie, merges, the master end, ends following their terminals, cascades and stored forms.
#include "elements/usecase/tests/UseCaseScene.h"

#include "core/Exceptions.h"
#include "view/connector/Functions.h"

namespace UseCaseTest {
namespace {

using UseCase::Actor;
using UseCase::AssocEnd;
using UseCase::GeneralizationEnd;
using UC = UseCase::UseCase;

AssocEnd* EndOn(UseCase::Assoc& a, const Core::IModelElement& terminal) {
  for (Connector::IEnd* e : a.GetEnds())
    if (e->GetTerminal() == &terminal) return dynamic_cast<AssocEnd*>(e);
  return nullptr;
}

TEST_F(Scene, AnAssociationRunsFromAnActorToAUseCaseOnly) {
  Actor* a = New<Actor>({0, 0});
  Actor* b = New<Actor>({3000, 0});
  UC* u = New<UC>({0, -4000});
  Note::Note* n = New<Note::Note>({6000, 0});
  EXPECT_EQ(Associate(*a, *b), nullptr);
  EXPECT_EQ(Associate(*a, *n), nullptr);
  EXPECT_EQ(Associate(*u, *a), nullptr);
  EXPECT_TRUE(All<UseCase::Assoc>(diagram).empty());
  UseCase::Assoc* assoc = Associate(*a, *u);
  ASSERT_NE(assoc, nullptr);
  EXPECT_EQ(EndOn(*assoc, *a)->GetOtherEnd(), EndOn(*assoc, *u));
  EXPECT_EQ(EndOn(*assoc, *u)->GetOtherEnd(), EndOn(*assoc, *a));
  EXPECT_EQ(a->GetAssocEnds().size(), 1u);
  EXPECT_EQ(u->GetAssocEnds().size(), 1u);
  ExpectRoundTrip();
}

TEST_F(Scene, AssociationEndsMoveOnlyToTheSameKindOfParty) {
  Actor* a = New<Actor>({0, 0});
  Actor* a2 = New<Actor>({0, -6000});
  UC* u = New<UC>({4000, 0});
  UC* u2 = New<UC>({4000, -6000});
  UseCase::Assoc* assoc = Associate(*a, *u);
  ASSERT_NE(assoc, nullptr);
  AssocEnd* onUseCase = EndOn(*assoc, *u);
  AssocEnd* onActor = EndOn(*assoc, *a);
  // The attach matrix: a use case end may go to another use case, never to an actor; likewise the actor end.
  EXPECT_TRUE(u2->CanAttach(onUseCase));
  EXPECT_FALSE(a2->CanAttach(onUseCase));
  EXPECT_TRUE(a2->CanAttach(onActor));
  EXPECT_FALSE(u2->CanAttach(onActor));
  EXPECT_TRUE(a2->CanAttach(static_cast<AssocEnd*>(nullptr)));
  Change([&](Core::Env& env) { EXPECT_TRUE(onUseCase->AttachTo(env, u2)); });
  EXPECT_EQ(onUseCase->GetUseCase(), u2);
  EXPECT_TRUE(u->GetAssocEnds().empty());
  EXPECT_EQ(u2->GetAssocEnds().size(), 1u);
  Change([&](Core::Env& env) { EXPECT_FALSE(onUseCase->AttachTo(env, a2)); });
  EXPECT_EQ(onUseCase->GetUseCase(), u2);
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(Scene, AStoredAssociationEndWithoutPartyReadsFreeAndOneOfTwoActorsIsMalformed) {
  const std::string free = Doc(
      "<Actor id=\"r1\" Pos=\"0 0\" Size=\"1100 1400\"/>\n"
      "<UseCaseAssoc id=\"r2\"><End id=\"r3\" Pos=\"1100 -700\" Actor=\"r1\"/><Segment id=\"r4\"/>"
      "<End id=\"r5\" Pos=\"4000 -700\"/></UseCaseAssoc>\n");
  Core::Diagram loaded(Registry(), nullptr);
  ASSERT_NO_THROW(loaded.LoadXML(free));
  auto ends = All<AssocEnd>(loaded);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[1]->GetTerminal(), nullptr);
  EXPECT_EQ(All<Actor>(loaded)[0]->GetAssocEnds().size(), 1u);
  const std::string twoActors = Doc(
      "<Actor id=\"r1\" Pos=\"0 0\" Size=\"1100 1400\"/><Actor id=\"r6\" Pos=\"5000 0\" Size=\"1100 1400\"/>\n"
      "<UseCaseAssoc id=\"r2\"><End id=\"r3\" Pos=\"1100 -700\" Actor=\"r1\"/><Segment id=\"r4\"/>"
      "<End id=\"r5\" Pos=\"5000 -700\" Actor=\"r6\"/></UseCaseAssoc>\n");
  Core::Diagram bad(Registry(), nullptr);
  EXPECT_ANY_THROW(bad.LoadXML(twoActors));
  const std::string wrongType = Doc(
      "<Actor id=\"r1\" Pos=\"0 0\" Size=\"1100 1400\"/>\n"
      "<UseCaseAssoc id=\"r2\"><End id=\"r3\" Pos=\"1100 -700\" UseCase=\"r1\"/><Segment id=\"r4\"/>"
      "<End id=\"r5\" Pos=\"4000 -700\"/></UseCaseAssoc>\n");
  Core::Diagram mismatch(Registry(), nullptr);
  EXPECT_THROW(mismatch.LoadXML(wrongType), Core::Exceptions::TypeMismatchOfRestoredObject);
}

TEST_F(Scene, AnAssociationInChainOrderWithoutSegmentEndsReadsAndKeepsItsOrder) {
  const std::string doc = Doc(
      "<Actor id=\"r1\" Pos=\"0 0\" Size=\"1100 1400\"/>\n"
      "<UseCase id=\"r2\" Pos=\"6000 -3000\" Size=\"3000 1000\"/>\n"
      "<UseCaseAssoc id=\"r3\"><End id=\"r4\" Pos=\"1100 -700\" Actor=\"r1\"/><Segment id=\"r5\"/>"
      "<Join id=\"r6\" Pos=\"7500 -700\"/><Segment id=\"r7\"/>"
      "<End id=\"r8\" Pos=\"7500 -3000\" UseCase=\"r2\"/></UseCaseAssoc>\n");
  Core::Diagram loaded(Registry(), nullptr);
  ASSERT_NO_THROW(loaded.LoadXML(doc));
  EXPECT_EQ(CheckInvariants(loaded), "");
  auto assocs = All<UseCase::Assoc>(loaded);
  ASSERT_EQ(assocs.size(), 1u);
  AssocEnd* onActor = EndOn(*assocs[0], *All<Actor>(loaded)[0]);
  AssocEnd* onUseCase = EndOn(*assocs[0], *All<UC>(loaded)[0]);
  ASSERT_NE(onActor, nullptr);
  ASSERT_NE(onUseCase, nullptr);
  ASSERT_EQ(assocs[0]->GetJoinCount(), 1u);
  Connector::IJoin* join = assocs[0]->GetJoins()[0];
  EXPECT_EQ(onActor->GetSegment()->OtherEnd(onActor), join);
  EXPECT_EQ(onUseCase->GetSegment()->OtherEnd(onUseCase), join);
  const std::string saved = Save(loaded);
  EXPECT_EQ(HostScene::Reread(Registry(), saved), saved);
  EXPECT_EQ(HostScene::InnerTags(saved, "UseCaseAssoc"),
            (std::vector<std::string>{"End r4", "Segment r5", "Join r6", "Segment r7", "End r8"}));
  EXPECT_EQ(saved.find("Ends="), std::string::npos) << saved;
}

TEST_F(Scene, TheAssociationElementCarriesNoPropertiesOfItsOwn) {
  Actor* a = New<Actor>({0, 0});
  UC* u = New<UC>({4000, 0});
  ASSERT_NE(Associate(*a, *u), nullptr);
  const std::string saved = Save(diagram);
  const auto at = saved.find("<UseCaseAssoc ");
  ASSERT_NE(at, std::string::npos);
  const std::string tag = saved.substr(at, saved.find('>', at) - at);
  EXPECT_EQ(tag.find("Pos="), std::string::npos) << tag;
  EXPECT_EQ(tag.find("Style="), std::string::npos) << tag;
}

TEST_F(Scene, EndsFollowTheirTerminalsThroughMovesResizesAndNames) {
  Actor* a = New<Actor>({0, 0});
  UC* u = New<UC>({4000, 0});
  UseCase::Assoc* assoc = Associate(*a, *u);
  ASSERT_NE(assoc, nullptr);
  AssocEnd* onUseCase = EndOn(*assoc, *u);
  const zq::float8Point before = onUseCase->GetPosition();
  Move(*u, 1000, -500);
  EXPECT_NEAR(onUseCase->GetPosition().x, before.x + 1000, 1e-6);
  EXPECT_NEAR(onUseCase->GetPosition().y, before.y - 500, 1e-6);
  // Resized, the end keeps its relative place in the box (on the ellipse).
  const zq::Rect box = u->GetRect();
  const double rx = (onUseCase->GetPosition().x - box.left) / box.Width();
  Resize(*u, zq::Rect(box.left, box.top, box.left + 2 * box.Width(), box.bottom));
  EXPECT_NEAR((onUseCase->GetPosition().x - box.left) / u->GetRect().Width(), rx, 1e-6);
  // The actor end on the figure's right side stays on it when the actor is widened.
  AssocEnd* onActor = EndOn(*assoc, *a);
  Change([&](Core::Env& env) { onActor->MoveTo(env, {1100, -700}); });
  Resize(*a, zq::Rect(0, 0, 2200, -1400));
  EXPECT_NEAR(onActor->GetPosition().x, 2200, 1e-6);
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(Scene, DeletingAUseCaseCascadesToEveryAttachedConnector) {
  Actor* a = New<Actor>({0, 0});
  UC* u = New<UC>({4000, 0});
  UC* general = New<UC>({4000, -4000});
  UC* other = New<UC>({9000, 0});
  UseCase::Assoc* assoc = Associate(*a, *u);
  UseCase::Generalization* g = Generalize(*u, *general);
  Dependency::Dependency* d = Depend(*u, *other);
  ASSERT_TRUE(assoc && g && d);
  Delete(*u);
  EXPECT_TRUE(assoc->IsDeleted());
  EXPECT_TRUE(g->IsDeleted() || g->GetEndCount() == 1);
  EXPECT_TRUE(d->IsDeleted() || d->GetEndCount() == 1);
  EXPECT_TRUE(a->GetAssocEnds().empty());
  EXPECT_TRUE(u->GetText()->IsDeleted());
  Undo();
  EXPECT_FALSE(assoc->IsDeleted());
  EXPECT_FALSE(g->IsDeleted());
  EXPECT_FALSE(d->IsDeleted());
  EXPECT_EQ(u->GetAssocEnds().size(), 1u);
  EXPECT_EQ(u->GetGeneralizationEnds().size(), 1u);
  EXPECT_EQ(u->GetDependencyEnds().size(), 1u);
  EXPECT_FALSE(u->GetText()->IsDeleted());
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(Scene, DeletingAnActorDetachesItsEndsAndUndoRestoresThem) {
  Actor* a = New<Actor>({0, 0});
  UC* u = New<UC>({4000, 0});
  UseCase::Assoc* assoc = Associate(*a, *u);
  ASSERT_NE(assoc, nullptr);
  Delete(*a);
  EXPECT_TRUE(assoc->IsDeleted());
  EXPECT_TRUE(u->GetAssocEnds().empty());
  EXPECT_TRUE(a->GetText()->IsDeleted());
  Undo();
  EXPECT_EQ(a->GetAssocEnds().size(), 1u);
  EXPECT_EQ(u->GetAssocEnds().size(), 1u);
  ExpectRoundTrip();
}

TEST_F(Scene, AGeneralizationHasItsMasterEndAtTheGeneralUseCase) {
  UC* special = New<UC>({0, -4000});
  UC* general = New<UC>({0, 0});
  UseCase::Generalization* g = Generalize(*special, *general);
  ASSERT_NE(g, nullptr);
  for (Connector::IEnd* e : g->GetEnds()) {
    auto* end = dynamic_cast<GeneralizationEnd*>(e);
    EXPECT_EQ(end->IsMasterEnd(), end->GetUseCase() == general);
    EXPECT_EQ(end->GetType(), end->GetUseCase() == general ? 1 : 2);
  }
  // Ends land on use cases and on other generalizations' parts only.
  Actor* a = New<Actor>({6000, 0});
  EXPECT_EQ(Generalize(*special, *a), nullptr);
  ExpectRoundTrip();
}

TEST_F(Scene, GeneralizationsMergeIntoOneTreeWithOneMasterEnd) {
  UC* general = New<UC>({4000, 0});
  UC* s1 = New<UC>({0, -5000});
  UC* s2 = New<UC>({8000, -5000});
  UseCase::Generalization* g = Generalize(*s1, *general);
  ASSERT_NE(g, nullptr);
  Connector::ISegment* segment = g->GetSegmentList().front();
  // A second generalization drawn onto the first one's segment branches it there.
  UseCase::Generalization* branch = Generalize(*s2, *segment);
  EXPECT_TRUE(branch == nullptr || branch->IsDeleted());
  EXPECT_EQ(g->GetEndCount(), 3u);
  EXPECT_EQ(general->GetGeneralizationEnds().size(), 1u);
  EXPECT_EQ(CheckInvariants(diagram), "");
  // A master end never takes another master end; a free plain end takes one.
  UseCase::Generalization* other = Generalize(*s2, *general);
  ASSERT_NE(other, nullptr);
  GeneralizationEnd* otherMaster = nullptr;
  for (Connector::IEnd* e : other->GetEnds())
    if (e->IsMasterEnd()) otherMaster = dynamic_cast<GeneralizationEnd*>(e);
  ASSERT_NE(otherMaster, nullptr);
  GeneralizationEnd* master = nullptr;
  for (Connector::IEnd* e : g->GetEnds())
    if (e->IsMasterEnd()) master = dynamic_cast<GeneralizationEnd*>(e);
  EXPECT_FALSE(master->CanAttach(otherMaster));  // attached, and both masters
  // An end never goes onto a part of its own generalization.
  for (Connector::IEnd* e : g->GetEnds()) {
    if (e->IsMasterEnd()) continue;
    EXPECT_FALSE(dynamic_cast<UseCase::GeneralizationSegment&>(*segment).CanAttach(dynamic_cast<GeneralizationEnd*>(e)));
  }
  // A free master end refuses another master end and takes a plain one.
  UC* s3 = New<UC>({0, -9000});
  Connector::IConnector* loose = nullptr;
  Change([&](Core::Env& env) {
    loose = Connector::BuildPathConnector(env, UseCase::Generalization::PartFactory(),
                                          {{Centre(*s3), false}, {{20000, -9000}, false}}, s3, nullptr, nullptr);
  });
  ASSERT_NE(loose, nullptr);
  GeneralizationEnd* freeMaster = nullptr;
  GeneralizationEnd* plain = nullptr;
  for (Connector::IEnd* e : loose->GetEnds())
    (e->IsMasterEnd() ? freeMaster : plain) = dynamic_cast<GeneralizationEnd*>(e);
  ASSERT_TRUE(freeMaster && plain && freeMaster->GetTerminal() == nullptr);
  EXPECT_FALSE(freeMaster->CanAttach(otherMaster));
  for (Connector::IEnd* e : other->GetEnds()) {
    if (e->IsMasterEnd()) continue;
    EXPECT_TRUE(freeMaster->CanAttach(dynamic_cast<GeneralizationEnd*>(e)));
  }
  // A free plain end refuses an end whose generalization brings a second master end.
  Connector::IConnector* headless = nullptr;
  Change([&](Core::Env& env) {
    headless = Connector::BuildPathConnector(env, UseCase::Generalization::PartFactory(),
                                             {{{20000, -12000}, false}, {Centre(*s3), false}}, nullptr, s3, nullptr);
  });
  ASSERT_NE(headless, nullptr);
  GeneralizationEnd* freePlain = nullptr;
  for (Connector::IEnd* e : headless->GetEnds())
    if (!e->IsMasterEnd()) freePlain = dynamic_cast<GeneralizationEnd*>(e);
  ASSERT_TRUE(freePlain && freePlain->GetTerminal() == nullptr);
  for (Connector::IEnd* e : other->GetEnds()) {
    if (e->IsMasterEnd()) continue;
    EXPECT_FALSE(freePlain->CanAttach(dynamic_cast<GeneralizationEnd*>(e)));
  }
  // Nothing but a use case or a generalization part takes an end.
  Note::Note* note = New<Note::Note>({20000, 0});
  EXPECT_FALSE(Core::AttachFilter<GeneralizationEnd>(plain).Accept(note));
  EXPECT_EQ(CheckInvariants(diagram), "");
  ExpectRoundTrip();
}

TEST_F(Scene, ExtendAndIncludeAreDependenciesEndingOnUseCasesOnly) {
  UC* u = New<UC>({0, 0});
  UC* v = New<UC>({5000, 0});
  Actor* a = New<Actor>({0, -5000});
  EXPECT_EQ(Depend(*u, *a), nullptr);
  Dependency::Dependency* d = Depend(*u, *v);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(v->GetDependencyEnds().size(), 1u);
  const std::string saved = Save(diagram);
  EXPECT_NE(saved.find("<Dependency "), std::string::npos);
  ExpectRoundTrip();
}

}  // namespace
}  // namespace UseCaseTest
