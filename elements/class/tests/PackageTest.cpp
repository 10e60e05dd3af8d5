// Packages and their tabs: the first class moved in makes a package Large, nesting follows the
// geometry, the tab widens the body, hits on a Large body, deletion with contents and attached
// ends, moving the contents, and the nested stored form read back.
#include "elements/class/tests/PackageScene.h"

namespace {

using namespace ClassTest;

struct Packages : Scene {};

TEST_F(Packages, ANewPackageShowsItsNameInTheBody) {
  Class::Package* p = NewPackage({0, 5000}, L"<name?>");
  EXPECT_EQ(p->GetSize(), zq::Point(2000, 1000));
  EXPECT_FALSE(p->IsLarge());
  EXPECT_EQ(p->GetText()->GetName(), L"<name?>");
  EXPECT_EQ(p->GetTabSize(), zq::Point(700, 200));
  EXPECT_EQ(p->GetContainingPackage(), nullptr);
}

TEST_F(Packages, AClassMovedInMakesThePackageLargeAndLeavingKeepsIt) {
  Class::Package* p = NewPackage({0, 10000}, L"Shapes", {8000, 6000});
  Class::Class* c = NewClass({10000, 5000}, L"Circle");
  EXPECT_EQ(c->GetContainingPackage(), nullptr);
  Move(*c, -9000, 3000);
  EXPECT_EQ(c->GetContainingPackage(), p);
  ASSERT_TRUE(p->IsLarge());
  EXPECT_EQ(p->GetRider()->GetName(), L"Shapes");
  EXPECT_EQ(p->GetText()->GetName(), L"");
  EXPECT_EQ(p->GetName(), L"Shapes");
  EXPECT_EQ(p->GetParts().size(), 1u);
  Move(*c, 9000, -3000);
  EXPECT_EQ(c->GetContainingPackage(), nullptr);
  EXPECT_TRUE(p->GetParts().empty());
  EXPECT_TRUE(p->IsLarge());
  Undo();
  Undo();
  EXPECT_FALSE(p->IsLarge());
  EXPECT_EQ(p->GetText()->GetName(), L"Shapes");
  EXPECT_EQ(c->GetContainingPackage(), nullptr);
  Redo();
  EXPECT_TRUE(p->IsLarge());
  EXPECT_EQ(c->GetContainingPackage(), p);
}

TEST_F(Packages, AClassPastedWithItsPackageNearItBelongsToThePastedPackage) {
  Class::Package* p = NewPackage({0, 10000}, L"P", {8000, 6000});
  Class::Class* c = NewClass({1000, 8000}, L"C");
  ASSERT_EQ(c->GetContainingPackage(), p);
  const Core::ModelElementSet pasted = CopyAndPaste({p}, 1000, -1000);
  Class::Package* p2 = PastedOf<Class::Package>(pasted);
  Class::Class* c2 = PastedOf<Class::Class>(pasted);
  ASSERT_TRUE(p2 && c2);
  ASSERT_TRUE(p->GetRect().Contains(c2->GetRect())) << "both packages cover the pasted class";
  EXPECT_EQ(c2->GetContainingPackage(), p2);
  EXPECT_EQ(c->GetContainingPackage(), p);
  Move(*c2, 100, 0);
  EXPECT_EQ(c2->GetContainingPackage(), p2);
  // A class that came with neither goes to the first of the two.
  Class::Class* fresh = NewClass({2000, 6000}, L"F");
  EXPECT_EQ(fresh->GetContainingPackage(), p);
  Change([&](Core::Env& env) { p->Delete(env); });
  EXPECT_TRUE(c->IsDeleted());
  EXPECT_TRUE(fresh->IsDeleted());
  EXPECT_FALSE(c2->IsDeleted());
  EXPECT_EQ(p2->GetParts(), Core::PtrCont<Class::IPackagePart>{c2});
}

TEST_F(Packages, LargeTogglesTheNameBetweenBodyAndTabAndTheTabWidensTheBody) {
  Class::Package* p = NewPackage({0, 5000}, L"Geometry");
  Change([&](Core::Env& env) { p->SetLarge(env, true); });
  EXPECT_EQ(p->GetRider()->GetText()->GetName(), L"Geometry");
  Change([&](Core::Env& env) { p->SetLarge(env, false); });
  EXPECT_FALSE(p->IsLarge());
  EXPECT_EQ(p->GetText()->GetName(), L"Geometry");
  Undo();
  EXPECT_TRUE(p->IsLarge());
  Undo();
  EXPECT_FALSE(p->IsLarge());
  // A long name widens the tab beyond its 700, and the body to the tab + 400.
  Change([&](Core::Env& env) {
    p->SetLarge(env, true);
    p->SetName(env, L"A rather long package name indeed");
  });
  const zq::Point tab = p->GetTabSize();
  EXPECT_GT(tab.x, 700);
  EXPECT_GE(p->GetSize().x, tab.x + 400);
  // Narrowing stops at the tab + 400; a dragged left edge keeps the right one.
  const zq::Rect r = p->GetRect();
  Change([&](Core::Env& env) { p->SetRect(env, {r.left + r.Width() - 10, r.top, r.right, r.bottom}); });
  EXPECT_EQ(p->GetRect().right, r.right);
  EXPECT_EQ(p->GetSize().x, tab.x + 400);
  const zq::Rect q = p->GetRect();
  Change([&](Core::Env& env) { p->SetRect(env, {q.left, q.top, q.left + 10, q.bottom}); });
  EXPECT_EQ(p->GetRect().left, q.left);
  EXPECT_EQ(p->GetSize().x, tab.x + 400);
  // Deleting the tab by itself brings the name back into the body.
  Change([&](Core::Env& env) { p->GetRider()->Delete(env); });
  EXPECT_FALSE(p->IsLarge());
  EXPECT_EQ(p->GetText()->GetName(), L"A rather long package name indeed");
  Undo();
  EXPECT_TRUE(p->IsLarge());
}

TEST_F(Packages, OnlyTheBorderOfALargePackageIsHit) {
  Class::Package* p = NewPackage({0, 5000}, L"P", {4000, 3000});
  EXPECT_TRUE(p->IsNear({2000, 3500}, 50));
  Change([&](Core::Env& env) { p->SetLarge(env, true); });
  EXPECT_FALSE(p->IsNear({2000, 3500}, 50));
  EXPECT_TRUE(p->IsNear({20, 3500}, 50));
  EXPECT_TRUE(p->IsNear({100, 5100}, 50));  // the tab
  // Just below the tab, within the tolerance: the package, not the tab.
  EXPECT_FALSE(p->GetRider()->IsNear({100, 4970}, 50));
  EXPECT_TRUE(p->GetRider()->IsNear({100, 5220}, 50));
}

TEST_F(Packages, NestingFollowsTheGeometryAndTheInnerPackageWins) {
  Class::Package* outer = NewPackage({0, 20000}, L"Outer", {16000, 16000});
  Class::Package* inner = NewPackage({2000, 18000}, L"Inner", {8000, 8000});
  EXPECT_EQ(inner->GetContainingPackage(), outer);
  EXPECT_EQ(outer->GetContainingPackage(), nullptr);
  Class::Class* c = NewClass({3000, 16000}, L"Deep");
  EXPECT_EQ(c->GetContainingPackage(), inner);
  EXPECT_TRUE(outer->IsLarge());
  EXPECT_TRUE(inner->IsLarge());
  // Two packages with one rectangle do not contain each other.
  Class::Package* twin = NewPackage({2000, 18000}, L"Twin", {8000, 8000});
  EXPECT_NE(twin->GetContainingPackage(), inner);
  EXPECT_NE(inner->GetContainingPackage(), twin);
  // Moving the outer package moves everything inside it.
  const zq::Point before = c->GetPos();
  Move(*outer, 1000, 0);
  EXPECT_EQ(c->GetPos().x, before.x + 1000);
  EXPECT_EQ(inner->GetPos().x, 3000);
  EXPECT_EQ(c->GetContainingPackage(), inner);
}

TEST_F(Packages, DeletingAPackageTakesItsContentsAndTheEndsOnIt) {
  Class::Package* outer = NewPackage({0, 20000}, L"Outer", {16000, 16000});
  Class::Package* inner = NewPackage({2000, 18000}, L"Inner", {8000, 8000});
  Class::Class* c = NewClass({3000, 16000}, L"Deep");
  Class::Package* other = NewPackage({30000, 20000}, L"Other");
  Change([&](Core::Env& env) {
    ASSERT_NE(Connector::BuildPathConnector(env, Dependency::Dependency::PartFactory(),
                                            {{{30000, 19500}, false}, {{16000, 19500}, false}}, other, outer, nullptr),
              nullptr);
  });
  ASSERT_EQ(outer->GetDependencyEnds().size(), 1u);
  Change([&](Core::Env& env) { outer->Delete(env); });
  EXPECT_TRUE(inner->IsDeleted());
  EXPECT_TRUE(c->IsDeleted());
  EXPECT_TRUE(All<Dependency::Dependency>(diagram).empty());
  EXPECT_TRUE(other->GetDependencyEnds().empty());
  Undo();
  EXPECT_FALSE(inner->IsDeleted());
  EXPECT_FALSE(c->IsDeleted());
  EXPECT_EQ(c->GetContainingPackage(), inner);
  EXPECT_EQ(All<Dependency::Dependency>(diagram).size(), 1u);
  EXPECT_EQ(outer->GetDependencyEnds().size(), 1u);
}

TEST_F(Packages, NestedPackagesAreWrittenAsNestingAndReadBack) {
  Class::Package* outer = NewPackage({0, 20000}, L"Outer", {16000, 16000});
  Class::Package* inner = NewPackage({2000, 18000}, L"Inner", {8000, 8000});
  NewClass({3000, 16000}, L"Deep");
  (void)inner;
  const std::string text = Save(diagram);
  // Outer > rider, Inner > rider, Class: the class sits two levels deep.
  const auto o = text.find("<Package "), i = text.find("<Package ", o + 1), k = text.find("<Class ");
  ASSERT_NE(i, std::string::npos);
  ASSERT_NE(k, std::string::npos);
  EXPECT_LT(o, i);
  EXPECT_LT(i, k);
  EXPECT_LT(k, text.find("</Package>"));
  EXPECT_NE(text.find("<PackageRider"), std::string::npos);
  Core::Diagram loaded{Registry(), nullptr};
  loaded.LoadXML(text);
  const auto packages = All<Class::Package>(loaded);
  const auto classes = All<Class::Class>(loaded);
  ASSERT_EQ(packages.size(), 2u);
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_TRUE(packages[0]->IsLarge());
  EXPECT_EQ(packages[0]->GetName(), L"Outer");
  EXPECT_EQ(packages[1]->GetContainingPackage(), packages[0]);
  EXPECT_EQ(classes[0]->GetContainingPackage(), packages[1]);
  ASSERT_EQ(packages[1]->GetParts().size(), 1u);
  EXPECT_EQ(Save(loaded), text);
  (void)outer;
}

TEST_F(Packages, ATabOutsideAPackageIsAReadingError) {
  Class::Package* p = NewPackage({0, 5000}, L"P");
  Change([&](Core::Env& env) { p->SetLarge(env, true); });
  std::string text = Save(diagram);
  // Lift the tab out of its package to the top level.
  const auto start = text.find("<PackageRider"), end = text.find("</PackageRider>");
  ASSERT_NE(end, std::string::npos) << text;
  const std::string rider = text.substr(start, end + 15 - start);
  text.erase(start, rider.size());
  text.insert(text.rfind("</Diagram>"), rider);
  Core::Diagram bad{Registry(), nullptr};
  EXPECT_ANY_THROW(bad.LoadXML(text));
  EXPECT_TRUE(All<Class::PackageRider>(bad).empty());
}

// "ElementStyle" belongs to the second schema namespace: written without its prefix it is an
// attribute no one reads, and the reading reports it as skipped (the load warning) instead of
// dropping it in silence.
TEST_F(Packages, AnElementStyleWithoutItsNamespaceIsReportedAsSkipped) {
  Class::Package* p = NewPackage({0, 5000}, L"P");
  Change([&](Core::Env& env) { p->SetElementStyle(env, L"Blue"); });
  const std::string text = Save(diagram);
  const auto at = text.find("q1v3:ElementStyle=\"Blue\"");
  ASSERT_NE(at, std::string::npos) << text;
  Core::Diagram sound{Registry(), nullptr};
  EXPECT_EQ(sound.LoadXML(text), 0u);
  ASSERT_EQ(All<Class::Package>(sound).size(), 1u);
  EXPECT_EQ(All<Class::Package>(sound)[0]->GetElementStyle(), L"Blue");
  Core::Diagram unprefixed{Registry(), nullptr};
  EXPECT_EQ(unprefixed.LoadXML(std::string(text).erase(at, 5)), 1u);
  ASSERT_EQ(All<Class::Package>(unprefixed).size(), 1u);
  EXPECT_EQ(All<Class::Package>(unprefixed)[0]->GetElementStyle(), L"");
}

}  // namespace

TEST_F(Packages, APackageDrawnOverAClassTakesItInWhateverTheDiagramHolds) {
  // Each package's tab joins the diagram while the package gathers what lies inside it; with the
  // diagram growing step by step, one of these additions outgrows the diagram's element list.
  for (int i = 0; i < 40; ++i) {
    Class::Class* c = NewClass({i * 5000, 0}, L"C");
    Class::Package* p = NewPackage({i * 5000 - 500, 1000}, L"P", {3000, 3000});
    EXPECT_EQ(c->GetContainingPackage(), p) << i;
    EXPECT_TRUE(p->IsLarge()) << i;
  }
}
