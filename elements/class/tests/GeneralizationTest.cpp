// Generalizations: the stored form, branches sharing one triangle through segments and joins, the
// rules that keep exactly one master end, the deletion without a master end, and dependencies
// lying on a generalization segment.
#include "elements/class/tests/PackageScene.h"

namespace {

using namespace ClassTest;
using Class::GeneralizationEnd;

struct Generalizations : Scene {
  Class::Class* circle = NewClass({0, 0}, L"Circle");
  Class::Class* square = NewClass({6000, 0}, L"Square");
  Class::Class* shape = NewClass({3000, 6000}, L"Shape");

  static std::vector<GeneralizationEnd*> Ends(const Connector::IConnector& c) {
    std::vector<GeneralizationEnd*> out;
    for (Connector::IEnd* e : c.GetEnds()) out.push_back(dynamic_cast<GeneralizationEnd*>(e));
    return out;
  }
  static int Masters(const Connector::IConnector& c) { return Class::CountOtherMasterEnds(&c, nullptr); }
};

TEST_F(Generalizations, StoredFormNamesBothClassesAndReadsBack) {
  Class::Generalization* g = Generalize(*circle, *shape);
  const std::string text = Save(diagram);
  const std::string flat = Flat(text);
  ASSERT_NE(flat.find("<Generalization"), std::string::npos) << text;
  const std::string body = flat.substr(flat.find("<Generalization"));
  EXPECT_NE(body.find("Class=\"r" + std::to_string(circle->GetObjectId()) + "\" Type=\"2\""), std::string::npos) << body;
  EXPECT_NE(body.find("Class=\"r" + std::to_string(shape->GetObjectId()) + "\" Type=\"1\""), std::string::npos) << body;
  EXPECT_NE(body.find("<Segment"), std::string::npos);
  EXPECT_EQ(body.find("SourceEnd"), std::string::npos);
  // Only the end at the general class is the master end.
  const auto ends = Ends(*g);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0]->GetClass(), circle);
  EXPECT_FALSE(ends[0]->IsMasterEnd());
  EXPECT_EQ(ends[1]->GetClass(), shape);
  EXPECT_TRUE(ends[1]->IsMasterEnd());

  Core::Diagram loaded{Registry(), nullptr};
  loaded.LoadXML(text);
  ASSERT_EQ(All<Class::Generalization>(loaded).size(), 1u);
  const auto read = Ends(*All<Class::Generalization>(loaded)[0]);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1]->GetClass()->GetName(), L"Shape");
  EXPECT_TRUE(read[1]->GetClass()->GetGeneralizationEnds() == Core::PtrCont<Class::GeneralizationEnd>{read[1]});
  EXPECT_EQ(Save(loaded), text);
}

TEST_F(Generalizations, ABranchOnTheSegmentSharesTheTriangleAndUndoesInOneStep) {
  Class::Generalization* g = Generalize(*circle, *shape);
  Connector::ISegment* segment = g->GetSegmentList().front();
  bool merged = false;
  Change([&](Core::Env& env) { merged = Class::Generalization::AddBranch(env, *square, *segment); });
  ASSERT_TRUE(merged);
  ASSERT_EQ(All<Class::Generalization>(diagram).size(), 1u);
  EXPECT_EQ(g->GetEndCount(), 3u);
  EXPECT_EQ(g->GetJoinCount(), 1u);
  EXPECT_EQ(g->GetSegmentCount(), 3u);
  EXPECT_EQ(Masters(*g), 1);
  EXPECT_EQ(g->GetJoins().front()->GetSegmentCount(), 3u);
  ExpectSound();
  Undo();
  EXPECT_EQ(All<Class::Generalization>(diagram).size(), 1u);
  EXPECT_EQ(g->GetEndCount(), 2u);
  EXPECT_EQ(g->GetJoinCount(), 0u);
  Redo();
  EXPECT_EQ(g->GetEndCount(), 3u);

  // A fourth class joins at the join: one more branch there, still one triangle.
  Class::Class* oval = NewClass({9000, 0}, L"Oval");
  Connector::IJoin* join = g->GetJoins().front();
  Change([&](Core::Env& env) {
    auto& h = Class::Generalization::Create(env, *oval, *shape);
    Connector::IEnd* master = h.GetEnds().back();
    master->SetTerminal(env, nullptr);
    EXPECT_TRUE(master->AttachTo(env, join));
  });
  ExpectSound();
  ASSERT_EQ(All<Class::Generalization>(diagram).size(), 1u);
  EXPECT_EQ(join->GetSegmentCount(), 4u);
  EXPECT_EQ(g->GetEndCount(), 4u);
  EXPECT_EQ(Masters(*g), 1);
}

TEST_F(Generalizations, NoMergeEverGivesASecondMasterEnd) {
  Class::Generalization* a = Generalize(*circle, *shape);
  Class::Class* base = NewClass({12000, 6000}, L"Base");
  Class::Generalization* b = Generalize(*square, *base);
  GeneralizationEnd* aPlain = Ends(*a)[0];
  GeneralizationEnd* aMaster = Ends(*a)[1];
  Connector::ISegment* bSegment = b->GetSegmentList().front();
  // An attached plain end refuses every end; a segment refuses an end that brings a master end.
  EXPECT_FALSE(aPlain->CanAttach(Ends(*b)[0]));
  EXPECT_FALSE(aPlain->CanAttach(nullptr));
  EXPECT_FALSE(dynamic_cast<Core::IAttach<GeneralizationEnd>*>(bSegment)->CanAttach(aPlain));
  EXPECT_TRUE(dynamic_cast<Core::IAttach<GeneralizationEnd>*>(bSegment)->CanAttach(aMaster));
  // The own segment refuses too.
  EXPECT_FALSE(dynamic_cast<Core::IAttach<GeneralizationEnd>*>(a->GetSegmentList().front())->CanAttach(aMaster));
  const std::string before = Save(diagram);
  Change([&](Core::Env& env) {
    aPlain->SetTerminal(env, nullptr);
    EXPECT_FALSE(aPlain->AttachTo(env, bSegment));
  });
  ASSERT_EQ(All<Class::Generalization>(diagram).size(), 2u);
  EXPECT_EQ(Masters(*a), 1);
  EXPECT_EQ(Masters(*b), 1);

  // Free ends: a free master end refuses another master end, and two plain ends of trees that
  // each keep a master end refuse each other; a plain end takes a master end.
  GeneralizationEnd* bMaster = Ends(*b)[1];
  Change([&](Core::Env& env) { bMaster->SetTerminal(env, nullptr); });
  EXPECT_FALSE(bMaster->CanAttach(aMaster));
  EXPECT_FALSE(aPlain->CanAttach(Ends(*b)[0]));
  EXPECT_TRUE(bMaster->CanAttach(aPlain));
  EXPECT_TRUE(aPlain->CanAttach(bMaster));
  EXPECT_FALSE(bMaster->CanAttach(nullptr));
  EXPECT_TRUE(aPlain->CanAttach(nullptr));
  Change([&](Core::Env& env) { EXPECT_TRUE(bMaster->AttachTo(env, aPlain)); });
  ExpectSound();
  const auto all = All<Class::Generalization>(diagram);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(Masters(*all[0]), 1);
  EXPECT_EQ(all[0]->GetJoinCount(), 1u);
}

TEST_F(Generalizations, LosingTheMasterEndDeletesTheGeneralizationInTheSameChange) {
  Class::Generalization* g = Generalize(*circle, *shape);
  Change([&](Core::Env& env) { shape->Delete(env); });
  EXPECT_TRUE(g->IsDeleted());
  EXPECT_TRUE(All<Class::Generalization>(diagram).empty());
  EXPECT_TRUE(circle->GetGeneralizationEnds().empty());
  Undo();
  ASSERT_FALSE(g->IsDeleted());
  EXPECT_EQ(g->GetEndCount(), 2u);
  EXPECT_EQ(circle->GetGeneralizationEnds().size(), 1u);
  EXPECT_EQ(shape->GetGeneralizationEnds().size(), 1u);
  ExpectSound();
  // A merged tree whose triangle class goes loses every branch at once.
  Connector::ISegment* segment = g->GetSegmentList().front();
  Change([&](Core::Env& env) { Class::Generalization::AddBranch(env, *square, *segment); });
  Change([&](Core::Env& env) { shape->Delete(env); });
  EXPECT_TRUE(All<Class::Generalization>(diagram).empty());
  EXPECT_TRUE(square->GetGeneralizationEnds().empty());
}

TEST_F(Generalizations, EndsFollowTheirClass) {
  Class::Generalization* g = Generalize(*circle, *shape);
  GeneralizationEnd* plain = Ends(*g)[0];
  const zq::float8Point before = plain->GetPosition();
  Move(*circle, 500, -300);
  EXPECT_NEAR(plain->GetPosition().x, before.x + 500, 1e-6);
  EXPECT_NEAR(plain->GetPosition().y, before.y - 300, 1e-6);
  ExpectSound();
}

TEST_F(Generalizations, ADependencyOnASegmentKeepsItsHalfAndGoesWithIt) {
  Class::Generalization* g = Generalize(*circle, *shape);
  Class::Package* p = NewPackage({-6000, 3000}, L"P");
  Connector::ISegment* segment = g->GetSegmentList().front();
  Connector::ISegmentEnd *a, *b;
  ASSERT_TRUE(segment->GetEnds(a, b));
  // The dependency ends at a quarter of the way from the plain end.
  const zq::float8Point pa = a->GetPoint(), pb = b->GetPoint();
  const zq::float8Point quarter{pa.x + (pb.x - pa.x) / 4, pa.y + (pb.y - pa.y) / 4};
  Change([&](Core::Env& env) {
    ASSERT_NE(Connector::BuildPathConnector(env, Dependency::Dependency::PartFactory(),
                                            {{{-5000, 2500}, false}, {quarter, false}}, p, segment, nullptr),
              nullptr);
  });
  ASSERT_EQ(segment->GetAttachedEnds().size(), 1u);
  Connector::IEnd* dependencyEnd = segment->GetAttachedEnds().front();
  // Square's branch cuts the segment in its middle: the dependency stays on the half towards Circle.
  Change([&](Core::Env& env) { ASSERT_TRUE(Class::Generalization::AddBranch(env, *square, *segment)); });
  ExpectSound();
  auto* half = dynamic_cast<Connector::ISegment*>(dependencyEnd->GetTerminal());
  ASSERT_NE(half, nullptr);
  EXPECT_TRUE(half->OtherEnd(Ends(*g)[0]) != nullptr || half->GetEndList().front() == Ends(*g)[0] ||
              half->GetEndList().back() == Ends(*g)[0]);
  // Deleting that half takes the dependency's end, and so the dependency.
  Change([&](Core::Env& env) { half->Delete(env); });
  EXPECT_TRUE(All<Dependency::Dependency>(diagram).empty());
  Undo();
  EXPECT_EQ(All<Dependency::Dependency>(diagram).size(), 1u);
  EXPECT_EQ(dependencyEnd->GetTerminal(), half);
  ExpectSound();
}

TEST_F(Generalizations, AnEndOnAnElementThatIsNoClassIsRefused) {
  Generalize(*circle, *shape);
  Class::Package* p = NewPackage({-6000, 3000}, L"P");
  std::string text = Save(diagram);
  const std::string shapeRef = "Class=\"r" + std::to_string(shape->GetObjectId()) + "\"";
  text.replace(text.find(shapeRef), shapeRef.size(), "Class=\"r" + std::to_string(p->GetObjectId()) + "\"");
  Core::Diagram bad{Registry(), nullptr};
  EXPECT_ANY_THROW(bad.LoadXML(text));
  std::string typeless = Save(diagram);
  typeless.replace(typeless.find("Type=\"1\""), 8, "Type=\"3\"");
  Core::Diagram bad2{Registry(), nullptr};
  EXPECT_ANY_THROW(bad2.LoadXML(typeless));
}

}  // namespace
