// The "Diagram Style" dialog over a class diagram in a window, driven from a second thread: a larger
// size picked for "Class" and confirmed with OK grows the class box on the screen, with its
// compartment, as one undo step.
#include "elements/class/win/tests/ClassWindow.h"

#include <thread>

#include "app/RegistryAccess.h"
#include "page/tests/dialogs/DialogDriving.h"
#include "style/tests/win/StyleDialogDriving.h"
#include "style/win/PropertyEditor.h"

namespace {

using ClassViewTest::ClassWindow;

const wchar_t kKey[] = L"Software\\Quorvel\\ClassStyleDialogTest";

class ClassStyleDialog : public ClassWindow {
 protected:
  ClassStyleDialog() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  ~ClassStyleDialog() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }

  // Opens the dialog over the window, picks the size for the directory and ends it with OK (with
  // Cancel when the size could not be picked); answers whether it was picked.
  bool PickInDialog(const wchar_t* directory, const wchar_t* size) {
    bool picked = false;
    std::thread driver([&] {
      HWND dialog = nullptr;
      if (!DialogTest::WaitFor([&] { return (dialog = DialogTest::FindDialog(L"Diagram Style")) != nullptr; })) return;
      picked = StyleDialogDriving::PickSize(dialog, directory, size);
      ::PostMessageW(::GetDlgItem(dialog, picked ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
    });
    Application::UserKeyRegistryAccess access{kKey};
    Style::EditDiagramStyle(diagram, nullptr, w.hwnd, access, nullptr);
    driver.join();
    w.Pump();
    return picked;
  }
};

TEST_F(ClassStyleDialog, ALargerClassSizeConfirmedWithOkGrowsTheBoxOnTheScreenInOneUndoStep) {
  Class::Class* c = nullptr;
  Class::Compartment* k = nullptr;
  Change([&](Core::Env& env) {
    c = Class::Class::Create(env, {1000, 8000}).get();
    auto compartment = Class::Compartment::Create(env, {0, 0});
    c->InsertCompartment(env, *compartment, nullptr, false);
    k = compartment.get();
    k->SetName(env, L"+area(): double");
  });
  w.view->ClearSelection(nullptr);
  const zq::Rect before = c->GetRect();
  const zq::Point compartment = k->GetSize();
  const std::size_t steps = Steps();
  // Nothing is drawn right of the box yet.
  EXPECT_EQ(DarkOnLine({before.right + 200, before.top}, {before.right + 2000, before.top}), 0);

  ASSERT_TRUE(PickInDialog(L"Class", L"20"));
  EXPECT_EQ(Steps(), steps + 1);
  const zq::Rect after = c->GetRect();
  // The larger name widens the box and heightens its header; the top-left corner stays, the
  // compartment keeps its height, takes the new width and still closes the box.
  EXPECT_EQ(after.TopLeft(), before.TopLeft());
  EXPECT_GT(after.right, before.right + 200);
  EXPECT_LT(after.bottom, before.bottom);
  EXPECT_EQ(k->GetSize().y, compartment.y);
  EXPECT_EQ(k->GetSize().x, c->GetSize().x);
  EXPECT_EQ(k->GetPos().y - k->GetSize().y, after.bottom);
  // On the screen: the top edge runs on beyond the old right edge, the new right and bottom edges
  // are drawn.
  EXPECT_GT(DarkOnLine({before.right + 100, after.top}, {after.right - 100, after.top}, true), 5);
  EXPECT_GT(DarkOnLine({after.right, after.top - 100}, {after.right, after.bottom + 100}, true), 10);
  EXPECT_GT(DarkOnLine({after.left + 100, after.bottom}, {after.right - 100, after.bottom}, true), 20);

  w.Undo();
  EXPECT_EQ(c->GetRect(), before);
  EXPECT_EQ(k->GetSize(), compartment);
  EXPECT_EQ(DarkOnLine({before.right + 200, before.top}, {before.right + 2000, before.top}), 0);
}

}  // namespace
