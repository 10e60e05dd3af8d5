// What the window tests of the containers (systems, composite states) share: a container copied
// and pasted beside itself through a window's Edit commands, the copy covering the note and the
// free text that lie in the original; they stay with the original and outlive the copy.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "core/Transaction.h"
#include "elements/note/Note.h"
#include "text/Text.h"
#include "text/free/FreeText.h"
#include "view/tests/TestTransfer.h"

namespace HostScene {

// A note and a free text made in one change.
struct NoteAndText {
  Note::Note* note = nullptr;
  Text::FreeText* text = nullptr;
};

// Makes a note with its corner at the point and a free text "free" 4000 to its right.
inline NoteAndText AddNoteAndText(Core::Env& env, const zq::Point& at) {
  NoteAndText made;
  made.note = Note::Note::Create(env, at).get();
  made.text = dynamic_cast<Text::FreeText*>(Text::FreeText::Create(env, {at.x + 4000, at.y}).get());
  made.text->GetText()->SetName(env, L"free");
  return made;
}

// Copies the container C holding the note and the free text and pastes it with the Edit commands of
// a window with the clipboard, where the copy lands over both; then deletes the selected copy.
template <class C>
void ExpectThePastedCopyLeavesNoteAndText(Core::Diagram& diagram, C& container, const NoteAndText& inside) {
  ASSERT_EQ(inside.note->GetContainer(), &container);
  ASSERT_EQ(inside.text->GetContainer(), &container);
  ViewTest::EditWindow edit(diagram);
  const std::vector<Core::IModelElement*> pasted = edit.CopyAndPaste({&container});
  C* copy = nullptr;
  Text::FreeText* copiedText = nullptr;
  for (Core::IModelElement* e : pasted) {
    if (auto* c = dynamic_cast<C*>(e)) copy = c;
    if (auto* t = dynamic_cast<Text::FreeText*>(e)) copiedText = t;
  }
  ASSERT_TRUE(copy && copy != &container && copiedText && copiedText != inside.text);
  ASSERT_TRUE(copy->GetRect().Contains(inside.note->GetRect()) && copy->GetRect().Contains(inside.text->GetBox()))
      << "the copy lies at " << copy->GetPos().x << " " << copy->GetPos().y;
  EXPECT_EQ(inside.note->GetContainer(), &container);
  EXPECT_EQ(inside.text->GetContainer(), &container);
  EXPECT_EQ(copiedText->GetContainer(), copy);
  ASSERT_TRUE(edit.DeleteSelection());
  EXPECT_TRUE(copy->IsDeleted());
  EXPECT_TRUE(copiedText->IsDeleted());
  EXPECT_FALSE(inside.note->IsDeleted());
  EXPECT_FALSE(inside.text->IsDeleted());
}

}  // namespace HostScene
