// An object diagram in a real view window under Wine, driven by commands and posted mouse input:
// three objects, two links drawn by "New &Link" with role texts, a composition, a qualifier and a
// compartment; each gesture one undo step, the drawing checked by its pixels, the document saved,
// reopened and compared.
#include <gtest/gtest.h>

#include "core/DefaultGrid.h"
#include "elements/note/win/Views.h"
#include "elements/object/tests/ObjectScene.h"
#include "elements/object/win/Views.h"
#include "resources/resource.h"
#include "text/edit/TextView.h"
#include "view/CmdHandler.h"
#include "text/win/UniscribeSetup.h"
#include "view/tests/ElementWindow.h"

namespace {

void Install() {
  TextBlock::InstallUniscribeMeasurer();
  TextBlock::RegisterTextViews();
  Note::RegisterNoteViews();
  Object::RegisterObjectViews();
}

class ObjectWindow : public ViewTest::ElementWindowTest {
 protected:
  ObjectWindow() : ElementWindowTest(ObjectTest::Registry(), &Install) {
    // The background's object command, as the editor's dock gives it.
    background_.Add(std::make_unique<View::StdCreateCmdHandler>(w.Task(), ID_NEW_OBJECT, &Object::Object::CreateElement));
  }

  // "New &Link" from the object at start, released at the point on the other object; one step.
  Object::Link* DrawLink(Object::Object& from, const zq::Point& start, const zq::Point& release) {
    const std::size_t steps = Steps();
    const std::size_t before = Live<Object::Link>().size();
    if (!Menu(from, ID_NEW_LINK, start)) return nullptr;
    Click(release);
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(steps + 1, Steps());
    const std::vector<Object::Link*> live = Live<Object::Link>();
    return live.size() == before + 1 ? live.back() : nullptr;
  }
  static Object::LinkEnd* EndOn(const Object::Link& link, const Core::IModelElement* terminal) {
    for (Connector::IEnd* e : link.GetEnds())
      if (e->GetTerminal() == terminal) return dynamic_cast<Object::LinkEnd*>(e);
    return nullptr;
  }

 private:
  View::CmdHandlerList background_;
};

TEST_F(ObjectWindow, ThreeObjectsTwoLinksWithRolesACompositionAndAQualifierEachOneStepSavedAndReopened) {
  // "New &Object" of the background menu, three times.
  std::size_t steps = Steps();
  ASSERT_TRUE(Run(ID_NEW_OBJECT, {1000, 5000}));
  ASSERT_TRUE(Run(ID_NEW_OBJECT, {9000, 5000}));
  ASSERT_TRUE(Run(ID_NEW_OBJECT, {1000, -2000}));
  EXPECT_EQ(steps + 3, Steps());
  const std::vector<Object::Object*> objects = Live<Object::Object>();
  ASSERT_EQ(3u, objects.size());
  Object::Object *a = objects[0], *b = objects[1], *c = objects[2];
  EXPECT_EQ(L"<name?>", a->GetName());
  const zq::Rect ra = a->GetRect(), rb = b->GetRect(), rc = c->GetRect();
  // The box and its underlined name are drawn.
  EXPECT_GT(DarkOnLine({ra.left + 100, ra.top}, {ra.right - 100, ra.top}, true), 10);

  // "New C&ompartment": the object grows by the compartment; the entry is off while it has one.
  steps = Steps();
  ASSERT_TRUE(Menu(*a, ID_NEW_COMPARTMENT, {ra.left + 500, ra.top - 300}));
  EXPECT_EQ(steps + 1, Steps());
  ASSERT_NE(nullptr, a->GetCompartment());
  EXPECT_EQ(ra.Height() + a->GetCompartment()->GetSize().y, a->GetSize().y);
  const zq::Rect ra2 = a->GetRect();
  EXPECT_GT(DarkOnLine({ra2.left + 100, ra.bottom}, {ra2.right - 100, ra.bottom}, true), 10);
  EXPECT_FALSE(Menu(*a, ID_NEW_COMPARTMENT, {ra.left + 500, ra.top - 300}));

  // Two links: A to B level, A to C downwards.
  const zq::Point release = w.Logical(w.At({rb.left + 100, ra.top - 500}));
  const zq::Point start = w.Logical(w.At({ra.right - 100, release.y}));
  ASSERT_EQ(start.y, release.y);
  Object::Link* ab = DrawLink(*a, start, release);
  ASSERT_NE(nullptr, ab);
  Object::LinkEnd* atA = EndOn(*ab, a);
  Object::LinkEnd* atB = EndOn(*ab, b);
  ASSERT_TRUE(atA && atB);
  const zq::float8Point p = atA->GetPosition();
  EXPECT_EQ(double(ra.right), p.x);
  EXPECT_GT(DarkAround({p.x + 1500, p.y}), 0);
  EXPECT_EQ(0, DarkAround({p.x + 300, p.y + 90}, 0));
  const zq::Point down = w.Logical(w.At({ra.left + 500, rc.top - 100}));
  const zq::Point from = w.Logical(w.At({down.x, ra2.bottom + 100}));
  Object::Link* ac = DrawLink(*a, from, down);
  ASSERT_NE(nullptr, ac);
  Object::LinkEnd* atC = EndOn(*ac, c);
  ASSERT_NE(nullptr, atC);

  // "&Composition" at A's end of the first link: a filled diamond; radio marks move.
  steps = Steps();
  ASSERT_TRUE(Menu(*atA, ID_LINKEND_COMPOSITION, zq::RoundPoint(p)));
  EXPECT_EQ(steps + 1, Steps());
  EXPECT_EQ(ClassObject::EndType::Composition, atA->GetType());
  EXPECT_EQ(2, CheckAfter(ID_LINKEND_COMPOSITION));
  EXPECT_EQ(0, w.router.GetCheckState(ID_LINKEND_DIRECT));
  EXPECT_GT(DarkAround({p.x + 300, p.y + 60}, 0), 0);
  EXPECT_GT(DarkAround({p.x + 300, p.y - 60}, 0), 0);
  // "&Traversed" twice: two steps, back where it was.
  steps = Steps();
  ASSERT_TRUE(Menu(*atA, ID_LINKEND_TRAVERSED, zq::RoundPoint(p)));
  EXPECT_EQ(1, CheckAfter(ID_LINKEND_TRAVERSED));
  ASSERT_TRUE(Menu(*atA, ID_LINKEND_TRAVERSED, zq::RoundPoint(p)));
  EXPECT_EQ(0, CheckAfter(ID_LINKEND_TRAVERSED));
  EXPECT_EQ(steps + 2, Steps());

  // "New &Role" at the ends on B and C: "???" beside each end, outside the object.
  for (Object::LinkEnd* end : {atB, atC}) {
    steps = Steps();
    ASSERT_TRUE(Menu(*end, ID_END_ROLE, zq::RoundPoint(end->GetPosition())));
    EXPECT_EQ(steps + 1, Steps());
    ASSERT_EQ(1u, end->GetAnchors().size());
    Text::FreeText* role = end->GetAnchors()[0]->GetFreeText();
    ASSERT_NE(nullptr, role);
    EXPECT_EQ(L"???", role->GetText()->GetName());
    const zq::Rect box = role->GetBox(), r = end->GetObject()->GetRect();
    EXPECT_FALSE(box.left < r.right && box.right > r.left && box.bottom < r.top && box.top > r.bottom);
  }

  // "With &Qualifier" at the end on B: flush against a side of B, the end on its outer edge.
  steps = Steps();
  ASSERT_TRUE(Menu(*atB, ID_LINKEND_QUALIFIER, zq::RoundPoint(atB->GetPosition())));
  EXPECT_EQ(steps + 1, Steps());
  EXPECT_EQ(1, CheckAfter(ID_LINKEND_QUALIFIER));
  Object::Qualifier* q = atB->GetQualifier();
  ASSERT_NE(nullptr, q);
  EXPECT_EQ(L"<?>", q->GetName());
  const zq::Rect rq = q->GetRect();
  EXPECT_NE(ClassObject::OwnerSide::None, ClassObject::TouchedSide(rq, rb));
  const zq::float8Point e = atB->GetPosition();
  EXPECT_TRUE(e.x == rq.left || e.x == rq.right || e.y == rq.top || e.y == rq.bottom);
  EXPECT_GT(DarkAround({double(rq.left + rq.Width() / 4), double(rq.top)}), 0);
  EXPECT_GT(DarkAround({double(rq.left), double(rq.bottom + rq.Height() / 4)}), 0);

  // Saved, reopened, the same document.
  const std::string xml = Saved(diagram);
  Core::Diagram reopened(ObjectTest::Registry(), nullptr);
  reopened.LoadXML(xml);
  EXPECT_EQ(xml, Saved(reopened));
  EXPECT_NE(std::string::npos, xml.find("Type=\"3\"")) << xml;
  EXPECT_NE(std::string::npos, xml.find("<ObjectQualifier ")) << xml;
  EXPECT_NE(std::string::npos, xml.find("<Compartment ")) << xml;

  // "With &Qualifier" again takes the qualifier away and puts the end back on B; undo one step at a time.
  steps = Steps();
  ASSERT_TRUE(Menu(*atB, ID_LINKEND_QUALIFIER, zq::RoundPoint(atB->GetPosition())));
  EXPECT_EQ(steps + 1, Steps());
  EXPECT_EQ(b, atB->GetTerminal());
  EXPECT_TRUE(q->IsDeleted());
  w.Undo();
  EXPECT_EQ(q, atB->GetTerminal());
  w.Undo();
  EXPECT_EQ(nullptr, atB->GetQualifier());
  EXPECT_EQ(b, atB->GetTerminal());
}

// Moved by an open change, as a drag moves it, an object and its compartment stay drawn where the
// last closed change put them (the drag's dashed image alone follows the pointer).
TEST_F(ObjectWindow, AnObjectAndItsCompartmentMovedInAnOpenChangeStayDrawnWhereTheyWere) {
  ASSERT_TRUE(Run(ID_NEW_OBJECT, {1000, 5000}));
  Object::Object* o = Live<Object::Object>().at(0);
  ASSERT_TRUE(Menu(*o, ID_NEW_COMPARTMENT, {o->GetRect().left + 500, o->GetRect().top - 300}));
  ASSERT_NE(nullptr, o->GetCompartment());
  ExpectBoxAndCompartmentStayWhileMoved(*o, *o->GetCompartment());
}

}  // namespace
