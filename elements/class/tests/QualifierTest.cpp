// Qualifiers: made at an association end on a class or a free end, kept on the class's border
// when the class changes, deleted with their class, and the ends they carry; a package pasted with
// its classes, their qualifier and their connectors.
#include "elements/class/tests/AssocScene.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "elements/classobject/QualifierMove.h"
#include "elements/classobject/tests/BoxChecks.h"
#include "style/Names.h"
#include "text/free/FreeText.h"

using namespace AssocTest;
using Class::Assoc;
using Class::AssocEnd;
using Class::Qualifier;

namespace {
struct Qualifiers : Scene {
  Class::Class* c = nullptr;
  Qualifiers() {
    c = NewClass({5000, 5000});
    Change([&](Core::Env& env) { c->SetRect(env, zq::Rect(5000, 5000, 9000, 3000), false); });
  }
  Qualifier* AtEnd(AssocEnd& end) {
    Qualifier* q = nullptr;
    Change([&](Core::Env& env) { q = Qualifier::CreateAtEnd(env, end).get(); });
    return q;
  }
  // A qualifier of the rectangle on the class (without text).
  Qualifier* Placed(const zq::Rect& r) {
    Qualifier* q = nullptr;
    Change([&](Core::Env& env) {
      q = Qualifier::Factory().CreateTyped(env).get();
      q->SetRect(env, r);
      c->AddQualifier(env, q);
    });
    return q;
  }
};
}  // namespace

TEST_F(Qualifiers, AtAnEndOnTheLeftEdgeTheQualifierSitsLeftOfTheBorderAndTheEndMovesToItsOuterEdge) {
  ASSERT_EQ(zq::Rect(5000, 5000, 9000, 3000), c->GetRect());
  Assoc* assoc = Path<Assoc>({{0, 4400}, {5000, 4400}}, nullptr, c);
  AssocEnd* end = EndOf(*assoc, 1);
  ASSERT_EQ(c, end->GetClass());
  Qualifier* q = AtEnd(*end);
  EXPECT_EQ(L"<?>", q->GetName());
  EXPECT_EQ(zq::Point(1000, 600), q->GetSize());
  EXPECT_EQ(zq::Rect(4000, 4700, 5000, 4100), q->GetRect());
  EXPECT_EQ(zq::float8Point(4000, 4400), end->GetPosition());
  EXPECT_EQ(q, end->GetQualifier());
  EXPECT_EQ(c, end->GetClass());
  EXPECT_EQ(q, end->GetTerminal());
  EXPECT_TRUE(c->GetAssocEnds().empty());
  EXPECT_EQ(1u, q->GetAssocEnds().size());
  EXPECT_EQ(1u, c->GetQualifiers().size());
  EXPECT_EQ(31u, q->ComputeHandleMask());
  EXPECT_EQ("", CheckConnectors());
  // The qualifier takes the font of its own directory, created with it.
  EXPECT_NE(std::string::npos, Save().find("<dir n=\"Qualifier\"")) << Save();
  // Stored: the qualifier names its class, the end its qualifier; both read back.
  const std::string xml = Save();
  EXPECT_NE(std::string::npos, xml.find("<Qualifier id=")) << xml;
  EXPECT_NE(std::string::npos, xml.find(" Qualifier=\"r")) << xml;
  Core::Diagram copy(Registry(), nullptr);
  copy.LoadXML(xml);
  std::ostringstream again;
  copy.SaveXML(again);
  EXPECT_EQ(xml, again.str());
  for (const auto& e : copy.Elements())
    if (auto* k = dynamic_cast<Class::Class*>(e.get())) {
      EXPECT_EQ(1u, k->GetQualifiers().size());
    }
  Undo();
  EXPECT_EQ(c, end->GetTerminal());
  EXPECT_EQ(zq::float8Point(5000, 4400), end->GetPosition());
  EXPECT_TRUE(c->GetQualifiers().empty());
}

TEST_F(Qualifiers, OnAFreeEndTheQualifierHangsBesideTheEndByTheDirectionOfItsSegment) {
  Assoc* up = Path<Assoc>({{1000, 1000}, {1000, 3000}});  // end 0 free, segment leaving upwards
  Qualifier* q = AtEnd(*EndOf(*up, 0));
  EXPECT_EQ(zq::Point(500, 1000), q->GetPos());
  EXPECT_EQ(zq::float8Point(1000, 1000), EndOf(*up, 0)->GetPosition());
  Assoc* right = Path<Assoc>({{1000, -2000}, {3000, -2000}});
  Qualifier* r = AtEnd(*EndOf(*right, 0));
  EXPECT_EQ(zq::Point(0, -1700), r->GetPos());
  EXPECT_EQ(nullptr, r->GetClass());
  EXPECT_EQ(255u, r->ComputeHandleMask());
}

TEST_F(Qualifiers, AQualifierFollowsItsClassOnEachSideClampedToThatSide) {
  // Near the right end of the bottom edge, low on the right edge, near the right of the top edge,
  // low on the left edge.
  Qualifier* below = Placed(zq::Rect(8400, 3000, 9000, 2600));
  Qualifier* right = Placed(zq::Rect(9000, 3500, 9600, 3000));
  Qualifier* above = Placed(zq::Rect(8200, 5400, 8800, 5000));
  Qualifier* left = Placed(zq::Rect(4400, 3400, 5000, 3000));
  EXPECT_EQ(124u, below->ComputeHandleMask());
  EXPECT_EQ(241u, right->ComputeHandleMask());
  EXPECT_EQ(199u, above->ComputeHandleMask());
  EXPECT_EQ(31u, left->ComputeHandleMask());
  // The class shrinks to 5000..7000 x 5000..4000: every qualifier keeps its side, pulled inside it.
  Change([&](Core::Env& env) { c->SetRect(env, zq::Rect(5000, 5000, 7000, 4000), false); });
  ASSERT_EQ(zq::Rect(5000, 5000, 7000, 4000), c->GetRect());
  EXPECT_EQ(zq::Point(6400, 4000), below->GetPos());
  EXPECT_EQ(zq::Point(7000, 4500), right->GetPos());
  EXPECT_EQ(zq::Point(6400, 5400), above->GetPos());
  EXPECT_EQ(zq::Point(4400, 4400), left->GetPos());
  // A move takes them along unchanged.
  Change([&](Core::Env& env) {
    Core::ModelElementSet set;
    set.Insert(c->shared_from_this());
    Core::DeferredShiftSet shift(set, &diagram, nullptr);
    shift.ShiftAll(env, {-1000, 200, true, true});
    shift.ShiftDeferred(env);
  });
  EXPECT_EQ(zq::Point(5400, 4200), below->GetPos());
  EXPECT_EQ(zq::Point(3400, 4600), left->GetPos());
  Undo();
  Undo();
  EXPECT_EQ(zq::Point(8400, 3000), below->GetPos());
  EXPECT_EQ(zq::Point(9000, 3500), right->GetPos());
}

TEST_F(Qualifiers, TheEndsOnAQualifierFollowItAndMoveOntoTheClassWhenItIsDeleted) {
  Assoc* assoc = Path<Assoc>({{7000, 0}, {7000, 3000}}, nullptr, c);  // onto the bottom edge
  AssocEnd* end = EndOf(*assoc, 1);
  Qualifier* q = AtEnd(*end);
  EXPECT_EQ(zq::Rect(6500, 3000, 7500, 2400), q->GetRect());
  EXPECT_EQ(zq::float8Point(7000, 2400), end->GetPosition());
  // Moving the class moves the qualifier, and the end with it.
  Change([&](Core::Env& env) {
    Core::ModelElementSet set;
    set.Insert(c->shared_from_this());
    Core::DeferredShiftSet shift(set, &diagram, nullptr);
    shift.ShiftAll(env, {300, 0, true, true});
    shift.ShiftDeferred(env);
  });
  // The vertical segment keeps its line: the end stays where the qualifier's edge still is.
  EXPECT_EQ(zq::Point(6800, 3000), q->GetPos());
  EXPECT_EQ(zq::float8Point(7000, 2400), end->GetPosition());
  // Deleting the qualifier puts the end back on the class's border.
  Change([&](Core::Env& env) { q->Delete(env); });
  EXPECT_EQ(c, end->GetTerminal());
  EXPECT_EQ(nullptr, end->GetQualifier());
  EXPECT_EQ(3000, end->GetPosition().y);
  EXPECT_TRUE(c->GetQualifiers().empty());
  EXPECT_FALSE(assoc->IsDeleted());
  EXPECT_EQ("", CheckConnectors());
  Undo();
  EXPECT_EQ(q, end->GetTerminal());
  EXPECT_EQ("", CheckConnectors());
}

TEST_F(Qualifiers, DeletingTheClassDeletesItsQualifiersWithTheirTextsAndEnds) {
  Assoc* assoc = Path<Assoc>({{7000, 0}, {7000, 3000}}, nullptr, c);
  Qualifier* q = AtEnd(*EndOf(*assoc, 1));
  TextBlock::Text* text = q->GetText();
  Change([&](Core::Env& env) { c->Delete(env); });
  EXPECT_TRUE(q->IsDeleted());
  EXPECT_TRUE(text->IsDeleted());
  EXPECT_TRUE(assoc->IsDeleted());
  EXPECT_EQ(std::string::npos, Save().find("<Qualifier")) << Save();
  Undo();
  EXPECT_FALSE(q->IsDeleted());
  EXPECT_FALSE(assoc->IsDeleted());
  EXPECT_EQ("", CheckConnectors());
}

TEST_F(Qualifiers, AQualifierWithoutClassTakesItsEndsAlongWhenDeleted) {
  Assoc* assoc = Path<Assoc>({{1000, 1000}, {1000, 3000}});
  Qualifier* q = AtEnd(*EndOf(*assoc, 0));
  Change([&](Core::Env& env) { q->Delete(env); });
  EXPECT_TRUE(assoc->IsDeleted());
  Undo();
  EXPECT_FALSE(assoc->IsDeleted());
  EXPECT_EQ(q, EndOf(*assoc, 0)->GetTerminal());
}

TEST_F(Qualifiers, ADraggedQualifierKeepsToTheBorderOfTheClassNearThePointerAndJoinsItOnTheDrop) {
  Qualifier* q = Placed(zq::Rect(4000, 4000, 5000, 3400));  // on c's left side
  Class::Class* d = NewClass({12000, 5000});
  const zq::Rect rd = d->GetRect();
  Core::DeferredShiftSet set;
  ClassObject::QualifierMoveController<Qualifier, Class::Class> drag(diagram, set, *q);
  const zq::float8Point origin(4500, 3700);  // grabbed in the middle
  // Far from every class: no candidate, the point stays.
  EXPECT_EQ(zq::float8Point(4500, -5000), drag.Restrict(origin, {4500, -5000}));
  EXPECT_EQ(nullptr, drag.GetCandidate());
  // Within 600 of d's right side: the box lands right of d, flush with it, where the pointer is.
  const zq::float8Point p(rd.right + 500, rd.top - 400);
  const zq::float8Point to = drag.Restrict(origin, p);
  EXPECT_EQ(d, drag.GetCandidate());
  EXPECT_EQ(double(rd.right), q->GetPos().x + (to.x - origin.x));
  EXPECT_EQ(p.y + 300, q->GetPos().y + (to.y - origin.y));
  const auto marks = ClassObject::CornerMarks(rd);
  EXPECT_EQ(zq::Point(rd.left - 400, rd.top + 400), marks[0].first);
  EXPECT_EQ(zq::Point(rd.right, rd.bottom), marks[2].second);
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet move;
    q->Shift(env, nullptr, {to.x - origin.x, to.y - origin.y, true, true}, move, false);
    drag.Finish(env);
  });
  EXPECT_EQ(d, q->GetClass());
  EXPECT_TRUE(c->GetQualifiers().empty());
  EXPECT_EQ(1u, d->GetQualifiers().size());
  EXPECT_EQ(241u, q->ComputeHandleMask());
  EXPECT_EQ("", CheckConnectors());
}

// A drag shifts the qualifier at every step from where it lay before the drag, as a pending drop
// does, and the drop repeats the last step: wherever the pointer leaves it (below the left part
// of the class too), it lands outside the class on the side nearest the pointer.
TEST_F(Qualifiers, ADraggedQualifierLandsOnTheSideNearestThePointerAfterEveryStepOfTheDrag) {
  Qualifier* q = Placed(zq::Rect(9000, 4300, 10000, 3700));  // on c's right side, c = 5000 5000 9000 3000
  // Grabbed in the middle (500 right of and 300 below its corner), through the class to the pointer.
  auto drag = [&](const std::vector<zq::float8Point>& pointer) {
    Core::DeferredShiftSet set;
    ClassObject::QualifierMoveController<Qualifier, Class::Class> controller(diagram, set, *q);
    const zq::float8Point origin(q->GetPos().x + 500, q->GetPos().y - 300);
    Change([&](Core::Env& env) {
      for (const zq::float8Point& p : pointer) {
        const zq::float8Point to = controller.Restrict(origin, p);
        Core::DeferredShiftSet move;
        q->Shift(env, nullptr, {to.x - origin.x, to.y - origin.y, true, true}, move, false);
      }
      controller.Finish(env);
    });
  };
  drag({{7750, 3350}, {6000, 2700}, {6000, 2700}});  // below the left part
  EXPECT_EQ(zq::Rect(5500, 3000, 6500, 2400), q->GetRect());
  drag({{5500, 2500}, {4700, 4000}, {4700, 4000}});  // left of the class
  EXPECT_EQ(zq::Rect(4000, 4300, 5000, 3700), q->GetRect());
  drag({{6000, 4000}, {7000, 2800}, {7000, 2800}});  // from inside to below the middle
  EXPECT_EQ(zq::Rect(6500, 3000, 7500, 2400), q->GetRect());
  drag({{8000, 3500}, {8500, 3200}, {9200, 4500}, {9200, 4500}});  // back to the right side
  EXPECT_EQ(zq::Rect(9000, 4800, 10000, 4200), q->GetRect());
  EXPECT_EQ(c, q->GetClass());
  EXPECT_EQ(241u, q->ComputeHandleMask());
}

TEST_F(Qualifiers, AnEndPushedPastABranchAlongItsLineLeavesNoOverlapForTheReaderToClean) {
  // From the right edge to a bend with a branch, which turns down again 100 further right.
  Assoc* assoc = Path<Assoc>({{9000, 4000}, {9300, 4000}, {9300, 1000}}, c, nullptr);
  AssocEnd* end = EndOf(*assoc, 0);
  Connector::IJoin* bend = assoc->GetJoins().front();
  Path<Assoc>({{9400, 1000}, {9400, 4000}, {9300, 4000}}, nullptr, bend);
  ASSERT_EQ(bend->GetSegmentCount(), 3u);
  // The qualifier moves the end along its line beyond the branch.
  AtEnd(*end);
  ASSERT_GT(end->GetPosition().x, 9400);
  Core::Diagram copy(Registry(), nullptr);
  EXPECT_EQ(ReadBack(copy), Save());
  // The end's segment now starts at the branch's bend, not at the first bend under the branch.
  ASSERT_NE(end->GetSegment(), nullptr);
  for (Connector::ISegmentEnd* e : end->GetSegment()->GetEndList())
    if (e != end) { EXPECT_EQ(e->GetPoint(), zq::float8Point(9400, 4000)); }
  EXPECT_EQ(CheckConnectors(), "");
}

namespace {
// A Large package holding a class with a qualifier on its right side and a second class, the
// qualifier's association running level to the second class, and a generalization with two bends
// between the classes, texts anchored to the association's ends and segment: the package of the
// class diagram written by hand, without its styles.
const char kQualifiedPackage[] =
    "<Package id=\"r3\" Pos=\"1000 20000\" Size=\"14000 9000\">\n"
    "<PackageRider id=\"r4\" Size=\"2000 600\"><Text>geometry</Text></PackageRider>\n"
    "<Class id=\"r5\" Pos=\"2000 18000\" Size=\"3000 2600\"><Text>Shape</Text></Class>\n"
    "<Class id=\"r9\" Pos=\"10000 18000\" Size=\"3000 2000\"><Text>Circle</Text></Class>\n"
    "</Package>\n"
    "<Qualifier id=\"r17\" Pos=\"5000 17500\" Size=\"1000 600\" Class=\"r5\"><Text>name</Text></Qualifier>\n"
    "<Assoc id=\"r18\">\n"
    "<End id=\"r19\" Pos=\"6000 17200\" Qualifier=\"r17\" Type=\"2\">\n"
    "<Anchor id=\"r20\" Pos=\"6000 17200\"><FreeText id=\"r21\" Pos=\"6200 17400\" Origin=\"4\">"
    "<Text>0..1</Text></FreeText></Anchor>\n"
    "</End>\n"
    "<Segment id=\"r22\" Ends=\"r19 r25\">\n"
    "<Anchor id=\"r23\" Pos=\"8000 17200\"><FreeText id=\"r24\" Pos=\"8000 17400\" Origin=\"4\">"
    "<Text>draws</Text></FreeText></Anchor>\n"
    "</Segment>\n"
    "<End id=\"r25\" Pos=\"10000 17200\" Class=\"r9\" Type=\"1\" Traversed=\"1\">\n"
    "<Anchor id=\"r26\" Pos=\"10000 17200\"><FreeText id=\"r27\" Pos=\"9800 17400\" Origin=\"3\">"
    "<Text>*</Text></FreeText></Anchor>\n"
    "</End>\n"
    "</Assoc>\n"
    "<Generalization id=\"r32\">\n"
    "<End id=\"r33\" Pos=\"11500 16000\" Class=\"r9\" Type=\"2\"/>\n"
    "<Segment id=\"r34\" Ends=\"r33 r35\"/>\n"
    "<Join id=\"r35\" Pos=\"11500 14000\"/>\n"
    "<Segment id=\"r36\" Ends=\"r35 r37\"/>\n"
    "<Join id=\"r37\" Pos=\"3500 14000\"/>\n"
    "<Segment id=\"r38\" Ends=\"r37 r39\"/>\n"
    "<End id=\"r39\" Pos=\"3500 15400\" Class=\"r5\" Type=\"1\"/>\n"
    "</Generalization>\n";

// The anchor point of an anchored text.
zq::float8Point AnchorOf(const Text::FreeText& text) {
  auto* anchor = dynamic_cast<Text::Anchor*>(text.GetFreeTextOwner());
  return anchor != nullptr ? anchor->GetPos() : zq::float8Point(-1, -1);
}

struct QualifiedPackage : Scene {
  QualifiedPackage() { diagram.LoadXML(Doc(kQualifiedPackage)); }
};
}  // namespace

TEST_F(QualifiedPackage, APastedPackageCarriesEveryConnectorsPathMovedByTheOffset) {
  Class::Package* package = Live<Class::Package>().at(0);
  const std::vector<Connector::IConnector*> originals = Live<Connector::IConnector>();
  ASSERT_EQ(originals.size(), 2u);
  const std::string before = Save();
  // An offset that takes the copy off the rows of the original's classes, where following the
  // qualifier alone dragged the far end along the unmoved class; offsets that leave it over them.
  for (const zq::Point offset : {zq::Point(3000, -2000), zq::Point(700, -700), zq::Point(-1500, 400)}) {
    const Core::ModelElementSet pasted = CopyAndPaste({package}, offset.x, offset.y);
    std::vector<Connector::IConnector*> copies;
    for (Connector::IConnector* c : Live<Connector::IConnector>())
      if (pasted.Contains(c)) copies.push_back(c);
    ASSERT_EQ(copies.size(), originals.size()) << offset.x << " " << offset.y;
    for (std::size_t i = 0; i < copies.size(); ++i) {
      EXPECT_EQ(HostScene::PathOf(*copies[i]), HostScene::PathOf(*originals[i], offset.x, offset.y))
          << offset.x << " " << offset.y;
      for (Connector::IEnd* e : copies[i]->GetEnds())
        EXPECT_TRUE(pasted.Contains(e->GetTerminal())) << "a copied end lies on an original";
    }
    // The anchored texts and their anchor points come along at their places.
    std::map<std::wstring, std::pair<zq::Point, zq::float8Point>> texts;
    for (Text::FreeText* t : Live<Text::FreeText>())
      if (!pasted.Contains(t)) texts[t->GetText()->GetName()] = {t->GetPos(), AnchorOf(*t)};
    for (Text::FreeText* t : Live<Text::FreeText>()) {
      if (!pasted.Contains(t)) continue;
      const auto& [text, anchor] = texts[t->GetText()->GetName()];
      EXPECT_EQ(t->GetPos(), text + offset) << t->GetObjectId();
      EXPECT_EQ(AnchorOf(*t), anchor + zq::float8Vector(offset.x, offset.y)) << t->GetObjectId();
    }
    Qualifier* q = Live<Qualifier>().back();
    ASSERT_TRUE(pasted.Contains(q));
    EXPECT_EQ(q->GetPos(), zq::Point(5000 + offset.x, 17500 + offset.y));
    EXPECT_EQ(CheckConnectors(), "");
    // Written and read back, the copy keeps its level association without a bend.
    Core::Diagram copy(Registry(), nullptr);
    EXPECT_EQ(ReadBack(copy), Save());
    EXPECT_EQ(Save().find("Oblique"), std::string::npos) << Save();
    Undo();
    ASSERT_EQ(Save(), before);
  }
}

TEST_F(QualifiedPackage, ADraggedPackageCarriesItsConnectorsAndTheTextsAnchoredToThem) {
  Class::Package* package = Live<Class::Package>().at(0);
  std::vector<std::vector<std::string>> paths;
  for (Connector::IConnector* c : Live<Connector::IConnector>()) paths.push_back(HostScene::PathOf(*c, 3000, -2000));
  std::vector<zq::float8Point> anchors;
  for (Text::FreeText* t : Live<Text::FreeText>()) anchors.push_back(AnchorOf(*t) + zq::float8Vector(3000, -2000));
  Change([&](Core::Env& env) {
    // What a drag of the package moves: the package with what travels with it.
    Core::ModelElementSet selected;
    selected.Insert(package->shared_from_this());
    Core::DeferredShiftSet shift(Core::CopyExtendSelection::Build(selected, diagram), &diagram, package);
    shift.ShiftAll(env, {3000, -2000, true, true});
    shift.ShiftDeferred(env);
  });
  std::vector<std::vector<std::string>> now;
  for (Connector::IConnector* c : Live<Connector::IConnector>()) now.push_back(HostScene::PathOf(*c));
  EXPECT_EQ(now, paths);
  // The name on the level segment keeps its place along it, as the multiplicities at the ends do.
  std::vector<zq::float8Point> anchored;
  for (Text::FreeText* t : Live<Text::FreeText>()) anchored.push_back(AnchorOf(*t));
  EXPECT_EQ(anchored, anchors);
  EXPECT_EQ(CheckConnectors(), "");
}

// A rename, a resize, a compartment or a template box: the class keeps its qualifier on its side
// and the end on it, and a rename never makes it smaller; undone and redone, all comes back.
TEST_F(Qualifiers, EveryChangeOfTheClassesShapeTakesTheQualifierAndItsEndAlong) {
  Qualifier* q = AtEnd(*EndOf(*Path<Assoc>({{14000, 4400}, {9000, 4400}}, nullptr, c), 1));
  Class::Compartment* k = nullptr;
  const std::pair<const wchar_t*, std::function<void(Core::Env&)>> changes[] = {
      {L"a much longer name of the class", nullptr},
      {L"B", nullptr},
      {L"resized", [&](Core::Env& env) { c->SetRect(env, zq::Rect(4000, 6000, 12000, 2500), false); }},
      {L"compartment", [&](Core::Env& env) {
         c->InsertCompartment(env, *(k = Class::Compartment::Create(env, {0, 0}).get()), nullptr, false);
         k->SetName(env, L"a compartment wider than the class is now : a list of many things");
       }},
      {L"no compartment", [&](Core::Env& env) { k->Delete(env); }},
      {L"narrowed", [&](Core::Env& env) { c->SetRect(env, zq::Rect(4000, 6000, 4300, 2500), false); }},
      {L"template box", [&](Core::Env& env) { c->CreateTemplateParameters(env); }}};
  std::vector<std::string> saved{Save()};
  for (const auto& change : changes) {
    const zq::Point was = c->GetSize();
    Change([&](Core::Env& env) { change.second ? change.second(env) : c->SetName(env, change.first); });
    if (!change.second) {
      EXPECT_TRUE(c->GetSize().x >= was.x && c->GetSize().y == was.y) << "renamed";
    }
    EXPECT_EQ(ClassObjectTest::EndOffItsBox(diagram), Core::ObjectId(0)) << saved.size();
    EXPECT_EQ(CheckConnectors(), "");
    saved.push_back(Save());
  }
  EXPECT_EQ(q->GetRect().left, c->GetRect().right) << "the qualifier went along";
  for (std::size_t i = saved.size() - 1; i-- > 0;) {
    Undo();
    EXPECT_EQ(Save(), saved[i]);
  }
  for (std::size_t i = 1; i < saved.size(); ++i) {
    Redo();
    EXPECT_EQ(Save(), saved[i]);
  }
}
