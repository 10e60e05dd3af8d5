// Actors, use cases and systems: sizes, names, outlines, hit tests, containment and deletion.
#include "elements/usecase/tests/UseCaseScene.h"

#include "core/Exceptions.h"
#include "core/ModelElementSet.h"

namespace UseCaseTest {
namespace {

using UseCase::Actor;
using UseCase::System;
using UC = UseCase::UseCase;

TEST_F(Scene, NewActorHasItsSizeAndItsNameCentredBelowTheFigure) {
  Actor* a = New<Actor>({1000, 5000});
  EXPECT_EQ(a->GetSize(), zq::Point(1100, 1400));
  EXPECT_EQ(a->GetName(), L"<name?>");
  const zq::Rect name = a->GetNameRect();
  ASSERT_GT(name.Width(), 0);
  EXPECT_EQ(name.top, 5000 - 1400 - 100);
  EXPECT_EQ(name.left, 1000 + 550 - name.Width() / 2);
  EXPECT_DOUBLE_EQ(a->GetAspectRatio(), 14.0 / 11.0);
}

TEST_F(Scene, ActorOutlineFollowsTheWidthOfItsName) {
  Actor* a = New<Actor>({0, 0});
  Change([&](Core::Env& env) { a->SetName(env, L"x"); });
  std::vector<zq::Point> narrow;
  a->GetOutline(narrow, false);
  ASSERT_EQ(narrow.size(), 8u);
  // A narrow name hangs below the middle of the figure's bottom edge.
  EXPECT_EQ(narrow[2], zq::Point(1100, -1400));
  EXPECT_GT(narrow[3].x, 0);
  EXPECT_LT(narrow[3].x, 1100);
  Change([&](Core::Env& env) { a->SetName(env, L"a rather long actor name beyond the figure"); });
  std::vector<zq::Point> wide;
  a->GetOutline(wide, false);
  const zq::Rect name = a->GetNameRect();
  ASSERT_LT(name.left, 0);
  // The figure's sides run down to the name's top.
  EXPECT_EQ(wide[2], zq::Point(1100, name.top));
  EXPECT_EQ(wide[4], zq::Point(name.right, name.bottom));
  EXPECT_EQ(wide[7], zq::Point(0, name.top));
}

TEST_F(Scene, ActorIsNearOnItsFigureAndOnItsName) {
  Actor* a = New<Actor>({0, 0});
  EXPECT_TRUE(a->IsNear({-1, -100}, 50));
  EXPECT_FALSE(a->IsNear({-60, -100}, 50));
  const zq::Rect name = a->GetNameRect();
  EXPECT_TRUE(a->IsNear({(name.left + name.right) / 2, name.bottom + 1}, 0));
  EXPECT_FALSE(a->IsNear({std::max<std::int32_t>(1100, name.right) + 60, name.bottom + 1}, 50));
}

TEST_F(Scene, SettingTheSameRectangleChangesNothing) {
  UC* u = New<UC>({0, 0});
  const std::size_t before = diagram.GetUndoHandler().GetUndoCount();
  Core::Transaction t(diagram);
  Core::Env env(t);
  u->SetRect(env, u->GetRect());
  EXPECT_FALSE(u->IsInTransaction());
  env.Close();
  EXPECT_EQ(diagram.GetUndoHandler().GetUndoCount(), before);
}

TEST_F(Scene, UseCaseGrowsToItsNameAndNeverBelowIt) {
  UC* u = New<UC>({0, 0});
  EXPECT_EQ(u->GetSize(), zq::Point(3000, 1000));
  TextBlock::Extent area;
  u->GetTextAreaSize(area, *u->GetText());
  EXPECT_EQ(area.width, 2800);
  EXPECT_EQ(area.height, 800);
  Change([&](Core::Env& env) { u->SetName(env, std::wstring(400, L'w')); });
  const TextBlock::Extent used = TextBlock::ITextOwner::GetTextAreaSizeUsed(u->GetText());
  EXPECT_GE(u->GetSize().x, used.width + 200);
  EXPECT_EQ(u->GetPos(), zq::Point(0, 0));  // the side on the saved position stays
  const zq::Point grown = u->GetSize();
  Change([&](Core::Env& env) { u->SetName(env, L"a"); });
  EXPECT_EQ(u->GetSize(), grown);  // a shorter name never shrinks it
  Change([&](Core::Env& env) { u->SetName(env, std::wstring(400, L'w')); });
  // Resized below its name, it keeps the size that fits the name.
  Resize(*u, zq::Rect(0, 0, 400, -400));
  const TextBlock::Extent name = TextBlock::ITextOwner::GetTextAreaSizeUsed(u->GetText());
  EXPECT_EQ(u->GetSize().x, grown.x);
  EXPECT_GE(u->GetSize().y, name.height + 200);
  EXPECT_LT(u->GetSize().y, name.height + 300);
}

TEST_F(Scene, UseCaseIsNearAllOverItsBoxAndEndsSitOnItsEllipse) {
  UC* u = New<UC>({0, 0});
  EXPECT_TRUE(u->IsNear({10, -10}, 0));  // a corner: outside the ellipse
  GraphUtil::OutlineHit hit;
  ASSERT_TRUE(u->GetTerminalOutline(hit, {1500, 500}, false));
  EXPECT_NEAR(hit.point.x, 1500, 1e-6);
  EXPECT_NEAR(hit.point.y, 0, 1e-6);
}

TEST_F(Scene, NewSystemHasItsSizeAndNameAndGrowsToALongName) {
  System* s = New<System>({1000, 2000});
  EXPECT_EQ(s->GetSize(), zq::Point(5000, 7000));
  EXPECT_EQ(s->GetNameRect().TopLeft(), zq::Point(1200, 1800));
  Change([&](Core::Env& env) { s->SetName(env, std::wstring(800, L'w')); });
  const TextBlock::Extent used = TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText());
  EXPECT_GE(s->GetSize().x, used.width + 400);
  const zq::Point grown = s->GetSize();
  Change([&](Core::Env& env) { s->SetName(env, L"S"); });
  EXPECT_EQ(s->GetSize(), grown);
}

TEST_F(Scene, SystemIsHitOnItsFrameAndNameOnly) {
  System* s = New<System>({0, 0});
  EXPECT_FALSE(s->IsNear({2500, -3500}, 50));
  EXPECT_TRUE(s->IsNear({-20, -3500}, 50));
  EXPECT_TRUE(s->IsNear({5000 + 20, -3500}, 50));
  EXPECT_TRUE(s->IsNear({s->GetNameRect().left + 5, s->GetNameRect().top - 5}, 0));
}

TEST_F(Scene, UseCasesBelongToTheSmallestEnclosingSystem) {
  System* outer = New<System>({0, 0}, {10000, 10000});
  System* inner = New<System>({1000, -1000}, {6000, 6000});
  UC* inBoth = New<UC>({2000, -3000});
  UC* outerOnly = New<UC>({1000, -8000});
  UC* halfOut = New<UC>({9000, -4000});
  EXPECT_EQ(inBoth->GetSystem(), inner);
  EXPECT_EQ(outerOnly->GetSystem(), outer);
  EXPECT_EQ(halfOut->GetSystem(), nullptr);
  EXPECT_EQ(inner->GetUseCases(), Core::PtrCont<UC>{inBoth});
  // Overlapping: the smaller one holding the use case's corner wins.
  System* overlap = New<System>({1500, -2500}, {4000, 3000});
  Move(*inBoth, 100, 0);
  EXPECT_EQ(inBoth->GetSystem(), overlap);
  EXPECT_EQ(CheckInvariants(diagram), "");
  ExpectRoundTrip();
}

TEST_F(Scene, AUseCasePastedWithItsSystemNearItBelongsToThePastedSystem) {
  System* s = New<System>({0, 0}, {8000, 6000});
  UC* u = New<UC>({1000, -2000});
  ASSERT_EQ(u->GetSystem(), s);
  const Core::ModelElementSet pasted = CopyAndPaste({s}, 1000, -1000);
  System* s2 = PastedOf<System>(pasted);
  UC* u2 = PastedOf<UC>(pasted);
  ASSERT_TRUE(s2 && u2);
  ASSERT_TRUE(s->GetRect().Contains(u2->GetRect())) << "both systems cover the pasted use case";
  EXPECT_EQ(u2->GetSystem(), s2);
  Move(*u2, 100, 0);
  EXPECT_EQ(u2->GetSystem(), s2);
  Delete(*s);
  EXPECT_TRUE(u->IsDeleted());
  EXPECT_FALSE(u2->IsDeleted());
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(Scene, DraggingASystemCarriesItsContentsAndDraggingOutLeaves) {
  System* s = New<System>({0, 0});
  UC* u = New<UC>({1000, -2000});
  Note::Note* n = New<Note::Note>({1000, -4000});
  ASSERT_EQ(u->GetSystem(), s);
  ASSERT_TRUE(s->ContainsContainable(*n));
  Move(*s, 2000, -1000);
  EXPECT_EQ(u->GetPos(), zq::Point(3000, -3000));
  EXPECT_EQ(n->GetPos(), zq::Point(3000, -5000));
  EXPECT_EQ(u->GetSystem(), s);
  Move(*u, 10000, 0);
  EXPECT_EQ(u->GetSystem(), nullptr);
  EXPECT_TRUE(s->GetUseCases().empty());
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(Scene, EnlargingASystemAdoptsAndShrinkingReleases) {
  System* s = New<System>({0, 0});
  UC* u = New<UC>({6000, -1000});
  ASSERT_EQ(u->GetSystem(), nullptr);
  Resize(*s, zq::Rect(0, 0, 10000, -7000));
  EXPECT_EQ(u->GetSystem(), s);
  // A copy of the system takes the adopted use case along.
  Core::ModelElementSet set;
  s->CollectForSelection(set);
  EXPECT_TRUE(set.Contains(u));
  Resize(*s, zq::Rect(0, 0, 5000, -7000));
  EXPECT_EQ(u->GetSystem(), nullptr);
  Undo();
  EXPECT_EQ(u->GetSystem(), s);
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(Scene, DeletingASystemDeletesItsContentsAndUndoBringsThemBack) {
  System* s = New<System>({0, 0});
  UC* u = New<UC>({1000, -2000});
  Note::Note* n = New<Note::Note>({1000, -4000});
  Actor* a = New<Actor>({8000, -1000});
  UseCase::Assoc* assoc = Associate(*a, *u);
  ASSERT_NE(assoc, nullptr);
  Delete(*s);
  EXPECT_TRUE(u->IsDeleted());
  EXPECT_TRUE(n->IsDeleted());
  EXPECT_TRUE(assoc->IsDeleted());
  EXPECT_TRUE(a->GetAssocEnds().empty());
  Undo();
  EXPECT_FALSE(u->IsDeleted());
  EXPECT_EQ(u->GetSystem(), s);
  EXPECT_TRUE(s->ContainsContainable(*n));
  EXPECT_EQ(a->GetAssocEnds().size(), 1u);
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(Scene, ContentsAreWrittenInsideTheirSystem) {
  System* s = New<System>({0, 0});
  New<UC>({1000, -2000});
  New<Actor>({8000, 0});
  const std::string saved = Save(diagram);
  const auto system = saved.find("<System ");
  const auto useCase = saved.find("<UseCase ");
  const auto systemEnd = saved.find("</System>");
  ASSERT_NE(system, std::string::npos);
  EXPECT_LT(system, useCase);
  EXPECT_LT(useCase, systemEnd);
  EXPECT_LT(systemEnd, saved.find("<Actor "));
  for (const char* unstored : {"UseCases=", "Containables=", "NoteEnds=", "Style=", "System=", "AssocEnds="})
    EXPECT_EQ(saved.find(unstored), std::string::npos) << unstored;
  Core::Diagram loaded(Registry(), nullptr);
  loaded.LoadXML(saved);
  auto systems = All<System>(loaded);
  ASSERT_EQ(systems.size(), 1u);
  EXPECT_EQ(systems[0]->GetUseCases().size(), 1u);
  EXPECT_EQ(Save(loaded), saved);
  (void)s;
}

TEST_F(Scene, TheStoredFormNestsTheUseCaseInItsSystemAndNamesTheEndsParties) {
  New<System>({0, 0});
  UC* u = New<UC>({1000, -1000});
  Actor* a = New<Actor>({8000, 0});
  Change([&](Core::Env& env) {
    UseCase::CreateAssociation(env, {{{8000, -700}, false}, {{4000, -1500}, false}}, *a, *u);
  });
  const std::string saved = Save(diagram);
  const std::string expected =
      "  <System id=\"r8\"\n      Pos=\"0 0\"\n      Size=\"5000 7000\">\n    <Text>&lt;name?&gt;</Text>\n"
      "    <UseCase id=\"r12\"\n        Pos=\"1000 -1000\"\n        Size=\"3000 1000\">\n"
      "      <Text>&lt;name?&gt;</Text>\n    </UseCase>\n  </System>\n"
      "  <Actor id=\"r16\"\n      Pos=\"8000 0\"\n      Size=\"1100 1400\">\n    <Text>&lt;name?&gt;</Text>\n  </Actor>\n"
      "  <UseCaseAssoc id=\"r18\">\n    <End id=\"r19\"\n        Pos=\"8000 -700\"\n        Actor=\"r16\"/>\n"
      "    <Segment id=\"r20\"\n        Oblique=\"1\"/>\n"
      "    <End id=\"r21\"\n        Pos=\"4000 -1500\"\n        UseCase=\"r12\"/>\n  </UseCaseAssoc>\n</Diagram>\n";
  const auto at = saved.find("  <System ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(saved.substr(at), expected);
  ExpectRoundTrip();
}

TEST_F(Scene, AnEmptySizeIsAReadingError) {
  for (const char* element : {"Actor", "UseCase", "System"}) {
    Core::Diagram loaded(Registry(), nullptr);
    const std::string body = std::string("<") + element + " id=\"r1\" Pos=\"0 0\" Size=\"0 0\"/>\n";
    EXPECT_THROW(loaded.LoadXML(Doc(body)), Core::Exceptions::AttributeOutOfRange) << element;
  }
  Core::Diagram loaded(Registry(), nullptr);
  EXPECT_NO_THROW(loaded.LoadXML(Doc("<UseCase id=\"r1\" Pos=\"0 0\" Size=\"1 1\"/>\n")));
}

TEST_F(Scene, NewActorsUseCasesAndSystemsLayOutTheirNamesInTheirBoldFonts) {
  HostScene::ExpectFont(New<Actor>({0, 0})->GetText(), 11, true);
  HostScene::ExpectFont(New<UC>({3000, 0})->GetText(), 11, true);
  HostScene::ExpectFont(New<System>({0, -5000})->GetText(), 11, true);
}

}  // namespace
}  // namespace UseCaseTest
