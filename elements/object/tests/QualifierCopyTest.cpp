// Which copies and drags take an object's qualifier along: the object alone leaves it, the object
// with the qualifier's link (or with the object at the link's other end) takes it, the qualifier
// selected alone goes by itself. Each paste is one undo step and is compared with the originals as
// stored text; pasted with an offset, the copied links keep their originals' paths.
#include "elements/object/tests/ObjectScene.h"

#include <functional>
#include <regex>

#include "core/CopyExtend.h"
#include "core/ModelElementSet.h"
#include "core/TransferSet.h"
#include "elements/classobject/tests/BoxChecks.h"

using namespace ObjectTest;

namespace {

// The diagram's top-level elements as stored.
std::vector<std::string> TopLevel(const std::string& xml) {
  std::vector<std::string> out;
  std::istringstream lines(xml);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("</Diagram", 0) == 0) break;
    if (line.rfind("  <", 0) == 0 && line.rfind("  </", 0) != 0) out.emplace_back();
    if (!out.empty()) out.back() += line + "\n";
  }
  return out;
}

// The stored text with its object ids replaced by "r" (copies get new ids).
std::string WithoutIds(const std::string& stored) {
  static const std::regex id("([\" ])r[0-9]+(?=[\" ])");
  return std::regex_replace(stored, id, "$1r");
}

// An element's stored text without the attribute of the name.
std::string Without(const std::string& element, const std::string& attribute) {
  return std::regex_replace(element, std::regex("\n *" + attribute + "=\"[^\"]*\""), "");
}

// Object a with a qualifier on its right side, linked through the qualifier to object b.
struct QualifierCopies : Scene {
  Object::Object* a = NewObject({0, 0});
  Object::Object* b = NewObject({9000, 0});
  Object::Link* link = NewLink({{double(a->GetRect().right), -500}, {double(b->GetRect().left), -500}}, a, b);
  Object::Qualifier* q = Qualify(*EndOf(*link, 0));
  std::string original = Save();

  Core::ModelElementSet Extended(const std::vector<Core::IModelElement*>& selected) const {
    Core::ModelElementSet selection;
    for (Core::IModelElement* e : selected) selection.Insert(e->shared_from_this());
    return Core::CopyExtendSelection::Build(selection, diagram);
  }
  // Copies the selection and pastes it into the diagram as one undo step; answers the pasted
  // top-level elements and undoes the paste.
  std::vector<std::string> CopyAndPaste(const std::vector<Core::IModelElement*>& selected) {
    Core::TransferSet transfer(Registry());
    Extended(selected).ForEach([&](Core::IModelElement& e) { transfer.Insert(e); });
    const std::size_t steps = diagram.GetUndoHandler().GetUndoCount();
    Change([&](Core::Env& env) { transfer.Paste(env); });
    EXPECT_EQ(steps + 1, diagram.GetUndoHandler().GetUndoCount());
    EXPECT_EQ("", CheckSound());
    const std::vector<std::string> all = TopLevel(Save()), before = TopLevel(original);
    Undo();
    EXPECT_EQ(original, Save());
    std::vector<std::string> pasted;
    for (std::size_t i = before.size(); i < all.size(); ++i) pasted.push_back(WithoutIds(all[i]));
    return pasted;
  }
  // The originals' stored texts, in the order given.
  std::vector<std::string> Stored(const std::vector<Core::IModelElement*>& elements) const {
    std::vector<std::string> out;
    for (Core::IModelElement* e : elements) {
      const std::string id = " id=\"r" + std::to_string(e->GetObjectId()) + "\"";
      for (const std::string& element : TopLevel(original))
        if (element.substr(0, element.find('\n')).find(id) != std::string::npos) out.push_back(WithoutIds(element));
    }
    return out;
  }
};

TEST_F(QualifierCopies, TheObjectAloneLeavesTheQualifierAndItsLinkBehind) {
  ASSERT_TRUE(link != nullptr && q != nullptr);
  ASSERT_EQ(q, EndOf(*link, 0)->GetTerminal());
  const Core::ModelElementSet taken = Extended({a});
  EXPECT_TRUE(taken.Contains(a));
  EXPECT_FALSE(taken.Contains(q));
  EXPECT_FALSE(taken.Contains(link));
  EXPECT_EQ(Stored({a}), CopyAndPaste({a}));
}

TEST_F(QualifierCopies, TheObjectWithTheLinkOrWithTheObjectAtItsOtherEndTakesTheQualifier) {
  const std::vector<std::string> everything = Stored({a, b, link, q});
  ASSERT_EQ(4u, everything.size());
  EXPECT_EQ(everything, CopyAndPaste({a, SegmentOf(*link, 0)}));
  // Neither the link nor the qualifier is selected: each goes because the other does.
  const Core::ModelElementSet taken = Extended({a, b});
  EXPECT_TRUE(taken.Contains(q));
  EXPECT_TRUE(taken.Contains(link));
  EXPECT_EQ(everything, CopyAndPaste({a, b}));
}

TEST_F(QualifierCopies, TheQualifierSelectedAloneGoesWithoutItsObject) {
  const std::vector<std::string> pasted = CopyAndPaste({q});
  ASSERT_EQ(1u, pasted.size());
  const std::string stored = Stored({q}).at(0);
  EXPECT_NE(stored, pasted[0]);
  EXPECT_EQ(Without(stored, "Object"), pasted[0]);
}

TEST_F(QualifierCopies, QualifiersAtBothEndsOfALinkGoWithBothObjectsButNotWithOne) {
  Object::Qualifier* p = Qualify(*EndOf(*link, 1));
  ASSERT_NE(nullptr, p);
  original = Save();
  const Core::ModelElementSet one = Extended({a});
  EXPECT_FALSE(one.Contains(q) || one.Contains(p) || one.Contains(link));
  const Core::ModelElementSet both = Extended({a, b});
  EXPECT_TRUE(both.Contains(q) && both.Contains(p) && both.Contains(link));
  EXPECT_EQ(Stored({a, b, link, q, p}), CopyAndPaste({b, a}));
}

TEST_F(QualifierCopies, AnObjectDraggedAloneStillCarriesItsQualifierOnce) {
  const zq::Point from = q->GetPos();
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet shift(Extended({a}), &diagram, nullptr);
    shift.ShiftAll(env, {0, 700, true, true});
    shift.ShiftDeferred(env);
  });
  EXPECT_EQ(zq::Point(from.x, from.y + 700), q->GetPos());
  // The end stays on the qualifier's outer edge.
  const zq::float8Point end = EndOf(*link, 0)->GetPosition();
  EXPECT_EQ(q, EndOf(*link, 0)->GetTerminal());
  EXPECT_EQ(double(q->GetRect().right), end.x);
  EXPECT_TRUE(end.y <= q->GetRect().top && end.y >= q->GetRect().bottom) << end.y;
  EXPECT_EQ("", CheckSound());
}

TEST_F(QualifierCopies, PastedWithAnOffsetTheLinkKeepsItsPathFromTheCopiedQualifier) {
  // A second link from a's qualifier bends down and over to b's bottom edge.
  const zq::Rect qr = q->GetRect(), br = b->GetRect();
  const double x = qr.right, y = qr.bottom + 100, under = br.bottom - 2000, at = br.left + 500;
  Object::Link* bent = NewLink({{x, y}, {x + 1000, y}, {x + 1000, under}, {at, under}, {at, double(br.bottom)}}, q, b);
  ASSERT_TRUE(bent != nullptr && bent->GetJoinCount() == 3u);
  const std::vector<std::vector<std::string>> paths{HostScene::PathOf(*link), HostScene::PathOf(*bent)};
  for (const zq::Point offset : {zq::Point(3000, -2000), zq::Point(-700, 1400)}) {
    const Core::ModelElementSet pasted = HostScene::Scene::CopyAndPaste({a, b}, offset.x, offset.y);
    std::vector<Object::Link*> copies;
    for (Object::Link* l : Live<Object::Link>())
      if (pasted.Contains(l)) copies.push_back(l);
    ASSERT_EQ(2u, copies.size());
    for (std::size_t i = 0; i < copies.size(); ++i) {
      EXPECT_EQ(HostScene::PathOf(*copies[i], -offset.x, -offset.y), paths[i]) << offset.x << " " << offset.y;
      for (Connector::IEnd* e : copies[i]->GetEnds()) EXPECT_TRUE(pasted.Contains(e->GetTerminal()));
    }
    EXPECT_EQ("", CheckSound());
    Undo();
  }
}

}  // namespace

// Renamed, resized, given a compartment and losing it, the object keeps its qualifier on its side and
// the link end on it (a rename never makes the object smaller); undo takes all back.
TEST_F(QualifierCopies, EveryChangeOfTheObjectsShapeTakesTheQualifierAndItsLinkEndAlong) {
  Object::Compartment* k = nullptr;
  const std::function<void(Core::Env&)> changes[] = {
      [&](Core::Env& env) { a->SetName(env, L"a:Account of a much longer name"); },
      [&](Core::Env& env) { a->SetName(env, L"a"); },
      [&](Core::Env& env) { a->SetRect(env, zq::Rect(-500, 500, 9000, -3000), false); },
      [&](Core::Env& env) { a->AddCompartment(env, *(k = Object::Compartment::Create(env, {0, 0}).get())); },
      [&](Core::Env& env) { k->Delete(env); }};
  for (std::size_t i = 0; i < std::size(changes); ++i) {
    const zq::Point was = a->GetSize();
    Change(changes[i]);
    EXPECT_TRUE(i > 1 || (a->GetSize().x >= was.x && a->GetSize().y >= was.y)) << i;
    EXPECT_EQ(ClassObjectTest::EndOffItsBox(diagram), Core::ObjectId(0)) << i;
  }
  for (std::size_t i = 0; i < std::size(changes); ++i) Undo();
  EXPECT_EQ(Save(), original);
}

// Pasted into a document of smaller and of larger fonts: the objects, the qualifier and the links
// keep their sizes or grow where the text needs it, and the link end on the qualifier stays on it.
TEST_F(QualifierCopies, PastedUnderOtherFontsTheObjectsKeepTheirSizesOrGrowAndTheEndsStayOnThem) {
  Change([&](Core::Env& env) {
    a->SetName(env, L"a:Account");
    q->SetName(env, L"nr");
    a->SetRect(env, zq::Rect(0, 0, 4000, -2500), false);
  });
  for (const double points : {6.0, 24.0}) {
    ClassObjectTest::PastedCopy copy(Registry(), diagram, points, {-1000, 2000});
    copy.ExpectBoxesKept(diagram, {-1000, 2000}, points < 11);
    Core::Diagram read(Registry(), nullptr);
    read.LoadXML(Save(copy.target));
    EXPECT_EQ(Save(read), Save(copy.target)) << points;
  }
}
