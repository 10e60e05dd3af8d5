// Associations in a real view window under Wine, driven by commands and posted mouse input: two
// classes joined by "New &Association", a composition diamond, a role and a qualifier at one end;
// an association class connector drawn from the class menu onto the association (dashed); each
// gesture one undo step, the drawing checked by its pixels, the document saved, reopened and
// compared.
#include <gtest/gtest.h>

#include "core/DefaultGrid.h"
#include "elements/class/tests/AssocScene.h"
#include "elements/class/win/AssocClassViews.h"
#include "elements/class/win/AssociationViews.h"
#include "elements/class/win/ClassViews.h"
#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/tests/ElementWindow.h"

namespace {

void Install() {
  TextBlock::InstallUniscribeMeasurer();
  TextBlock::RegisterTextViews();
  Note::RegisterNoteViews();
  Class::RegisterClassViews();
  Class::RegisterAssociationViews();
  Class::RegisterAssocClassConnectorViews();
}

// The commands of the popup menus shown while a watch lives; each menu is closed again at once.
class MenuWatch {
 public:
  MenuWatch() {
    shown_.clear();
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &MenuWatch::Watch, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, 100, &MenuWatch::Close);
  }
  ~MenuWatch() {
    KillTimer(nullptr, timer_);
    UnhookWindowsHookEx(hook_);
  }
  MenuWatch(const MenuWatch&) = delete;
  MenuWatch& operator=(const MenuWatch&) = delete;
  static const std::vector<UINT>& Shown() { return shown_; }

 private:
  static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_INITMENUPOPUP) Read(reinterpret_cast<HMENU>(m->wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  // Reads the open popup (where the hook missed it) and closes it.
  static void CALLBACK Close(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND popup = FindWindowW(L"#32768", nullptr); popup != nullptr && IsWindowVisible(popup))
      Read(reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)));
    EndMenu();
  }
  static void Read(HMENU menu) {
    if (menu == nullptr || !shown_.empty()) return;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) shown_.push_back(GetMenuItemID(menu, i));
  }

  static inline std::vector<UINT> shown_;
  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
};

class AssocWindow : public ViewTest::ElementWindowTest {
 protected:
  AssocWindow() : ElementWindowTest(AssocTest::Registry(), &Install) {}

  // The commands of the context menu a right-click at the model point shows, nothing selected before.
  std::vector<UINT> RightClickMenu(const zq::Point& p) {
    Select({});
    MenuWatch watch;
    const POINT c = w.At(p);
    w.Mouse(WM_MOUSEMOVE, c);
    w.Mouse(WM_RBUTTONDOWN, c, MK_RBUTTON);
    w.Mouse(WM_RBUTTONUP, c);
    w.Pump();
    // The release asks for the menu through the default window procedure, where that sends it.
    if (MenuWatch::Shown().empty()) {
      POINT screen = c;
      ClientToScreen(w.hwnd, &screen);
      SendMessageW(w.hwnd, WM_CONTEXTMENU, WPARAM(w.hwnd), MAKELPARAM(screen.x, screen.y));
      w.Pump();
    }
    return MenuWatch::Shown();
  }
};

TEST_F(AssocWindow, TwoClassesJoinedWithACompositionARoleAndAQualifierEachOneStepSavedAndReopened) {
  Class::Class *a = nullptr, *b = nullptr;
  Change([&](Core::Env& env) {
    a = Class::Class::Create(env, {1000, 5000}).get();
    b = Class::Class::Create(env, {9000, 5000}).get();
  });
  const zq::Rect ra = a->GetRect(), rb = b->GetRect();
  // Both points as the pixels give them, on one level line through both classes.
  const zq::Point release = w.Logical(w.At({rb.left + 100, ra.top - 200}));
  const zq::Point start = w.Logical(w.At({ra.right - 100, release.y}));
  ASSERT_EQ(start.y, release.y);

  // "New &Association" from the class, released on the other class.
  std::size_t steps = Steps();
  ASSERT_TRUE(Menu(*a, ID_NEW_ASSOCIATION, start));
  Click(release);
  ASSERT_FALSE(w.Task().IsBusy());
  EXPECT_EQ(steps + 1, Steps());
  const std::vector<Class::Assoc*> live = Live<Class::Assoc>();
  ASSERT_EQ(1u, live.size());
  Class::Assoc* assoc = live.front();
  Class::AssocEnd* atA = nullptr;
  for (Connector::IEnd* e : assoc->GetEnds())
    if (e->GetTerminal() == a) atA = dynamic_cast<Class::AssocEnd*>(e);
  ASSERT_NE(nullptr, atA);
  EXPECT_EQ(1u, b->GetAssocEnds().size());
  const zq::float8Point p = atA->GetPosition();
  EXPECT_EQ(double(ra.right), p.x);
  // The line is drawn; no diamond yet.
  EXPECT_GT(DarkAround({p.x + 1500, p.y}), 0);
  EXPECT_EQ(0, DarkAround({p.x + 300, p.y + 90}, 0));

  // "&Composition": a filled diamond from the end point towards the other class; radio marks.
  steps = Steps();
  ASSERT_TRUE(Menu(*atA, ID_END_COMPOSITION, zq::RoundPoint(p)));
  EXPECT_EQ(steps + 1, Steps());
  EXPECT_EQ(ClassObject::EndType::Composition, atA->GetKind());
  EXPECT_EQ(2, CheckAfter(ID_END_COMPOSITION));
  EXPECT_EQ(0, w.router.GetCheckState(ID_END_DIRECT));
  EXPECT_EQ(0, w.router.GetCheckState(ID_END_AGGREGATION));
  EXPECT_GT(DarkAround({p.x + 300, p.y + 60}, 0), 0);
  EXPECT_GT(DarkAround({p.x + 300, p.y - 60}, 0), 0);
  // "&Traversed" toggles its check mark; a second time takes it away again.
  ASSERT_TRUE(Menu(*atA, ID_END_TRAVERSED, zq::RoundPoint(p)));
  EXPECT_EQ(1, CheckAfter(ID_END_TRAVERSED));
  ASSERT_TRUE(Menu(*atA, ID_END_TRAVERSED, zq::RoundPoint(p)));
  EXPECT_EQ(0, CheckAfter(ID_END_TRAVERSED));
  EXPECT_FALSE(atA->IsTraversed());

  // "New &Role" at the end on B: the text goes beside the end, outside the class.
  Class::AssocEnd* atB = dynamic_cast<Class::AssocEnd*>(b->GetAssocEnds().front());
  steps = Steps();
  ASSERT_TRUE(Menu(*atB, ID_END_ROLE, zq::RoundPoint(atB->GetPosition())));
  EXPECT_EQ(steps + 1, Steps());
  ASSERT_EQ(1u, atB->GetAnchors().size());
  Text::FreeText* role = atB->GetAnchors()[0]->GetFreeText();
  ASSERT_NE(nullptr, role);
  EXPECT_EQ(L"<role?>", role->GetText()->GetName());
  const zq::Rect box = role->GetBox();
  const bool overlaps = box.left < rb.right && box.right > rb.left && box.bottom < rb.top && box.top > rb.bottom;
  EXPECT_FALSE(overlaps) << box.left << " " << box.top << " " << box.right << " " << box.bottom;

  // "With &Qualifier" at the end on B: a box flush against B's border, the end on its outer edge.
  steps = Steps();
  ASSERT_TRUE(Menu(*atB, ID_END_QUALIFIER, zq::RoundPoint(atB->GetPosition())));
  EXPECT_EQ(steps + 1, Steps());
  EXPECT_EQ(1, CheckAfter(ID_END_QUALIFIER));
  Class::Qualifier* q = atB->GetQualifier();
  ASSERT_NE(nullptr, q);
  const zq::Rect rq = q->GetRect();
  EXPECT_NE(ClassObject::OwnerSide::None, ClassObject::TouchedSide(rq, rb));
  const zq::float8Point e = atB->GetPosition();
  EXPECT_TRUE(e.x == rq.left || e.x == rq.right || e.y == rq.top || e.y == rq.bottom);
  EXPECT_GT(DarkAround({double(rq.left + rq.Width() / 4), double(rq.top)}), 0);
  EXPECT_GT(DarkAround({double(rq.left), double(rq.bottom + rq.Height() / 4)}), 0);
  // Dragged, the qualifier shows a dashed rectangle and its four corner marks.
  auto* shiftable = dynamic_cast<View::VIShiftable*>(q->FindViewElement(*w.view));
  ASSERT_NE(nullptr, shiftable);
  ICanvas::Group image;
  shiftable->DrawMoveImage(*w.canvas, image, Core::DeferredShiftSet());
  EXPECT_EQ(5u, image.Size());

  // Saved, reopened, the same document.
  const std::string xml = Saved(diagram);
  Core::Diagram reopened(AssocTest::Registry(), nullptr);
  reopened.LoadXML(xml);
  EXPECT_EQ(xml, Saved(reopened));
  EXPECT_NE(std::string::npos, xml.find("Type=\"3\"")) << xml;
  EXPECT_NE(std::string::npos, xml.find("role?")) << xml;

  // Undo goes back one gesture at a time.
  w.Undo();
  EXPECT_EQ(nullptr, atB->GetQualifier());
  EXPECT_EQ(b, atB->GetTerminal());
  w.Undo();
  EXPECT_TRUE(atB->GetAnchors().empty());
}

TEST_F(AssocWindow, AnAssociationClassConnectorDrawnFromTheMenuIsDashedAndOneUndoStep) {
  Class::Class *person = nullptr, *company = nullptr, *employment = nullptr;
  Class::Assoc* assoc = nullptr;
  Change([&](Core::Env& env) {
    person = Class::Class::Create(env, {1000, 5000}).get();
    company = Class::Class::Create(env, {9000, 5000}).get();
    employment = Class::Class::Create(env, {5000, 2500}).get();
    const zq::Rect rp = person->GetRect(), rc = company->GetRect();
    const double y = rp.top - 500;
    assoc = dynamic_cast<Class::Assoc*>(Connector::BuildPathConnector(
        env, Class::Assoc::PartFactory(), {{{double(rp.right), y}, false}, {{double(rc.left), y}, false}}, person,
        company, nullptr));
  });
  ASSERT_NE(nullptr, assoc);
  const zq::Rect re = employment->GetRect();
  const double lineY = person->GetRect().top - 500;
  // Straight up from the top of Employment to the association, as the pixels give both points.
  const zq::Point start = w.Logical(w.At({(re.left + re.right) / 2, re.top - 100}));
  const zq::Point release = w.Logical(w.At({start.x, int(lineY)}));
  ASSERT_EQ(start.x, release.x);
  // The stretch of the line between the class and the association, clear of both.
  const zq::Point low(start.x, re.top + 200), high(start.x, int(lineY) - 200);
  EXPECT_EQ(0, DarkOnLine(low, high));

  std::size_t steps = Steps();
  ASSERT_TRUE(Menu(*employment, ID_NEW_ASSOCCLASSCONNECTOR, start));
  Click(release);
  ASSERT_FALSE(w.Task().IsBusy());
  EXPECT_EQ(steps + 1, Steps());
  const std::vector<Class::AssocClassConnector*> live = Live<Class::AssocClassConnector>();
  ASSERT_EQ(1u, live.size());
  Class::AssocClassConnector* c = live.front();
  EXPECT_EQ("", c->CheckGraph());
  auto* source = dynamic_cast<Class::AssocClassConnectorSourceEnd*>(c->GetFirstEnd());
  ASSERT_NE(nullptr, source);
  EXPECT_EQ(employment, source->GetClass());
  Class::AssocClassConnectorEnd* onAssoc = nullptr;
  for (Connector::IEnd* e : c->GetEnds())
    if (auto* f = dynamic_cast<Class::AssocClassConnectorEnd*>(e)) onAssoc = f;
  ASSERT_NE(nullptr, onAssoc);
  EXPECT_EQ(assoc->GetSegmentList().front(), onAssoc->GetAssocSegment());

  // Dashed: the column along the line is partly dark, partly light.
  const int dark = DarkOnLine(low, high);
  const int length = std::abs(w.At(low).y - w.At(high).y) + 1;
  EXPECT_GT(dark, length / 4) << dark << " of " << length;
  EXPECT_LT(dark, length * 9 / 10) << dark << " of " << length;

  // Saved, reopened, the same document; undo takes the whole connector in one step.
  const std::string xml = Saved(diagram);
  Core::Diagram reopened(AssocTest::Registry(), nullptr);
  reopened.LoadXML(xml);
  EXPECT_EQ(xml, Saved(reopened));
  EXPECT_NE(std::string::npos, xml.find("<AssocClassConnector")) << xml;
  w.Undo();
  EXPECT_TRUE(c->IsDeleted());
  EXPECT_TRUE(onAssoc->GetAssocSegment() == nullptr || onAssoc->IsDeleted());
  EXPECT_EQ(0, DarkOnLine(low, high));
  w.Redo();
  EXPECT_FALSE(c->IsDeleted());
  EXPECT_EQ(dark, DarkOnLine(low, high));
}

TEST_F(AssocWindow, ARightClickOnEitherEndOfAnAssociationClassConnectorShowsCutCopyPaste) {
  Class::Class *person = nullptr, *company = nullptr, *employment = nullptr;
  Class::AssocClassConnector* c = nullptr;
  Change([&](Core::Env& env) {
    person = Class::Class::Create(env, {1000, 5000}).get();
    company = Class::Class::Create(env, {9000, 5000}).get();
    employment = Class::Class::Create(env, {5000, 2000}).get();
    const double y = person->GetRect().top - 500;
    auto* assoc = dynamic_cast<Class::Assoc*>(Connector::BuildPathConnector(
        env, Class::Assoc::PartFactory(),
        {{{double(person->GetRect().right), y}, false}, {{double(company->GetRect().left), y}, false}}, person, company,
        nullptr));
    c = Class::AssocClassConnector::Create(env, *employment, *dynamic_cast<Class::AssocSegment*>(assoc->GetSegmentList().front()));
  });
  ASSERT_NE(nullptr, c);
  Connector::ISegmentEnd *source = nullptr, *onAssoc = nullptr;
  ASSERT_TRUE(c->GetSegmentList().front()->GetEnds(source, onAssoc));
  ASSERT_NE(nullptr, dynamic_cast<Class::AssocClassConnectorSourceEnd*>(source));
  ASSERT_NE(nullptr, dynamic_cast<Class::AssocClassConnectorEnd*>(onAssoc));
  const std::vector<UINT> cutCopyPaste{ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE};
  EXPECT_EQ(cutCopyPaste, RightClickMenu(zq::RoundPoint(source->GetPoint())));
  EXPECT_EQ(cutCopyPaste, RightClickMenu(zq::RoundPoint(onAssoc->GetPoint())));
  // Between the ends the segment's own menu shows, with "Keep &Orthogonal".
  const zq::float8Point a = source->GetPoint(), b = onAssoc->GetPoint();
  const std::vector<UINT> between = RightClickMenu(zq::RoundPoint({(a.x + b.x) / 2, (a.y + b.y) / 2}));
  EXPECT_NE(cutCopyPaste, between);
  EXPECT_NE(between.end(), std::find(between.begin(), between.end(), UINT(ID_KEEP_ORTHOGONAL)));
}

}  // namespace
