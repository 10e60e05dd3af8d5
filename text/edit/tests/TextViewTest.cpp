// The view of a text whose owner a change moves: while the change is open the drawing moves along
// and keeps its shaped runs (as at every step of a drag); an edit of the text, the change closed or
// thrown away, and an undo draw it anew at the place it then has.
#include <gtest/gtest.h>

#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "drawing/DrawingModel.h"
#include "text/edit/TextView.h"
#include "text/edit/tests/EditWindow.h"

namespace EditTest {
namespace {

// What the text's view draws: its drawing element and the shaped lines in it (none when it shows
// none). A new shaping is made before the old one goes, so it never takes the old one's address.
struct DrawnText {
  ICanvas::Element element;
  const void* shaped = nullptr;
};
DrawnText Drawn(EditWindow& w, const TextBlock::Text& text) {
  w.view->ProcessUpdates();
  const TextBlock::VText* view = TextBlock::FindTextView(text, *w.view);
  if (!view) return {};
  return {view->GetDrawing(), view->GetShaped()};
}

double LeftOf(const ICanvas::Element& e) {
  const auto* d = dynamic_cast<const DrawingKernel::Drawable*>(e.Get());
  return d ? d->Bounds().left : -1e9;
}

zq::Rect Moved(const zq::Rect& r, std::int32_t dx, std::int32_t dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

TEST(TextView, ATextMovedByAnOpenChangeKeepsItsDrawingThereAndIsDrawnAnewAfterwards) {
  EditWindow w;
  auto note = w.AddNote(L"Words that were shaped once");
  TextBlock::Text& text = *note->GetText();
  const zq::Rect was = note->Rect();
  DrawnText first = Drawn(w, text);
  ASSERT_FALSE(first.element.IsEmpty());
  ASSERT_GT(w.InkedPixels(was), 20);
  const double left = LeftOf(first.element);
  constexpr std::int32_t dx = 4000, dy = -1000;
  const zq::Rect moved = Moved(was, dx, dy);
  // A change that is thrown away leaves the text where it was.
  {
    Core::Transaction t(*w.diagram, w.view.get());
    Core::Env env(t);
    note->SetRect(env, moved);
    w.diagram->UpdateAllViews();
    EXPECT_EQ(Drawn(w, text).shaped, first.shaped);
    t.Abort();
  }
  w.diagram->UpdateAllViews();
  first = Drawn(w, text);
  EXPECT_DOUBLE_EQ(LeftOf(first.element), left);
  EXPECT_EQ(w.InkedPixels(moved), 0);
  {
    Core::Transaction t(*w.diagram, w.view.get());
    Core::Env env(t);
    // Two steps of a drag: the same drawing, where the owner is now.
    for (std::int32_t step : {1, 2}) {
      note->SetRect(env, Moved(was, dx * step / 2, dy * step / 2));
      w.diagram->UpdateAllViews();
      EXPECT_EQ(Drawn(w, text).shaped, first.shaped) << "step " << step << ": the text was drawn anew";
      EXPECT_DOUBLE_EQ(LeftOf(first.element), left + dx * step / 2) << "step " << step;
    }
    EXPECT_GT(w.InkedPixels(moved), 20) << "the moved text shows at the moved place";
    EXPECT_EQ(w.InkedPixels(was), 0) << "the moved text still shows at its old place";
    // An edit in the same change lays the text out again: drawn anew at the moved place.
    text.SetName(env, L"Other words");
    w.diagram->UpdateAllViews();
    const DrawnText edited = Drawn(w, text);
    EXPECT_NE(edited.shaped, first.shaped);
    EXPECT_DOUBLE_EQ(LeftOf(edited.element), left + dx);
    w.diagram->GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  w.diagram->UpdateAllViews();
  EXPECT_GT(w.InkedPixels(moved), 20);
  // The undo puts the note back: its text shows at the old place again, and nothing at the moved one.
  w.Undo();
  ASSERT_EQ(note->Rect(), was);
  EXPECT_EQ(text.GetName(), L"Words that were shaped once");
  EXPECT_DOUBLE_EQ(LeftOf(Drawn(w, text).element), left);
  EXPECT_GT(w.InkedPixels(was), 20);
  EXPECT_EQ(w.InkedPixels(moved), 0);
}

}  // namespace
}  // namespace EditTest
