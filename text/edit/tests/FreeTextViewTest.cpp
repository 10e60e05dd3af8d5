// Free texts in a view: the background command makes one where the user clicked, typing fills it,
// its text is drawn through the text runs, and an anchored text is made as one undo step.
#include <gtest/gtest.h>

#include "text/edit/AnchoredTextCmd.h"
#include "text/edit/EditTask.h"
#include "text/edit/tests/EditWindow.h"

namespace EditTest {
namespace {

template <class T>
std::vector<T*> All(const Core::Diagram& diagram) {
  std::vector<T*> out;
  for (const auto& e : diagram.Elements())
    if (auto* t = dynamic_cast<T*>(e.get()); t && !e->IsDeleted()) out.push_back(t);
  return out;
}

TEST(FreeTextView, TheBackgroundCommandMakesAFreeTextThatTypingFillsAndTheRunsDraw) {
  EditWindow w;
  const POINT click = w.At({2000, 4000});
  w.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(click.x, click.y));
  w.Post(WM_LBUTTONUP, 0, MAKELPARAM(click.x, click.y));
  ASSERT_TRUE(w.router.Execute({Dock::kNewFreeText, 0, nullptr}));
  w.Pump();
  const auto frees = All<Text::FreeText>(*w.diagram);
  ASSERT_EQ(frees.size(), 1u);
  Text::FreeText* free = frees[0];
  EXPECT_EQ(w.Selection(), std::vector<Core::IModelElement*>{free});
  EXPECT_EQ(free->GetBox().left, free->GetPos().x);
  EXPECT_EQ(w.InkedPixels(free->GetBox()), 0);

  w.Type(u"WWW");
  ASSERT_TRUE(w.Editing());
  w.Key(VK_ESCAPE);
  EXPECT_EQ(free->GetText()->GetName(), L"WWW");
  const zq::Rect box = free->GetBox();
  EXPECT_GT(box.Height(), 0);
  EXPECT_GT(w.InkedPixels(box), 10);
  w.Undo();
  EXPECT_EQ(free->GetText()->GetName(), L"");
  EXPECT_EQ(w.InkedPixels(box), 0);
}

TEST(FreeTextView, ADoubleClickEditsAFreeTextAtTheClickedPlace) {
  EditWindow w;
  Text::FreeText* free = nullptr;
  {
    Core::Transaction t(*w.diagram, w.view.get());
    Core::Env env(t);
    free = Text::FreeText::Create(env, nullptr, {2000, 4000}, L"abcdef", Text::OriginTopLeft).get();
    w.diagram->GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  w.diagram->UpdateAllViews();
  w.DoubleClick(w.AtPlace(*free->GetText(), 0, 3));
  auto* task = dynamic_cast<TextBlock::EditTask*>(w.Task().GetSubTask().get());
  ASSERT_NE(task, nullptr);
  EXPECT_EQ(task->GetCaret(), 3u);
  // Dragging with the button down selects.
  const POINT from = w.AtPlace(*free->GetText(), 0, 1), to = w.AtPlace(*free->GetText(), 0, 5);
  w.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  w.Post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
  w.Post(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
  EXPECT_EQ(task->GetSelectionAnchor(), 1u);
  EXPECT_EQ(task->GetCaret(), 5u);
  w.Type(u"-");
  EXPECT_EQ(free->GetText()->GetName(), L"a-f");
}

TEST(FreeTextView, TheAnchoredTextCommandMakesASelectedLabelInOneUndoStep) {
  EditWindow w;
  auto note = w.AddNote(L"owner");
  View::CmdHandlerList handlers;
  handlers.Add(std::make_unique<Text::CreateAnchoredTextCmdHandler>(w.Task(), 40116, *note, L"label"));
  const POINT click = w.At({2500, 4000});
  w.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(click.x, click.y));
  w.Post(WM_LBUTTONUP, 0, MAKELPARAM(click.x, click.y));
  const std::size_t steps = w.diagram->GetUndoHandler().GetUndoCount();
  handlers.UpdateCommands();
  ASSERT_TRUE(w.router.Execute({40116, 0, nullptr}));
  w.Pump();
  ASSERT_EQ(note->Anchors().size(), 1u);
  Text::FreeText* free = note->Anchors()[0]->GetFreeText();
  ASSERT_NE(free, nullptr);
  EXPECT_EQ(free->GetText()->GetName(), L"label");
  const zq::Point pressed = w.Task().GetLastMousePoint();
  EXPECT_EQ(free->GetPos(), (zq::Point{pressed.x, 5200}));
  EXPECT_EQ(free->GetBox().bottom, 5200);  // grows upward, away from its owner
  EXPECT_EQ(w.Selection(), std::vector<Core::IModelElement*>{free});
  EXPECT_EQ(w.diagram->GetUndoHandler().GetUndoCount(), steps + 1);
  EXPECT_GT(w.InkedPixels(free->GetBox()), 10);
  w.Undo();
  EXPECT_TRUE(note->Anchors().empty());
  EXPECT_TRUE(All<Text::FreeText>(*w.diagram).empty());
  EXPECT_EQ(w.Selection(), std::vector<Core::IModelElement*>{note.get()});
}

}  // namespace
}  // namespace EditTest
