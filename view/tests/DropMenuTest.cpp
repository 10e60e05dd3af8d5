// The drop menu at the end of a right-button drag from another window offers only what the drag
// source allows: "Move Here" is enabled only when the source allows moving, and picking it anyway
// neither moves nor pastes.
#include "app/DragData.h"
#include "core/TransferSet.h"
#include "view/tests/TestTransfer.h"

namespace ViewTest {
namespace {

class DropMenu : public OleTest {};

// Drags the data into the target with the right button (and the extra keys) and drops it, each
// callback offered the allowed effects; answers the drop's effect.
DWORD RightDrop(IDropTarget* target, IDataObject* data, POINTL from, POINTL to, DWORD allowed, DWORD keys)
{
    DWORD effect = allowed;
    target->DragEnter(data, MK_RBUTTON | keys, from, &effect);
    effect = allowed;
    target->DragOver(MK_RBUTTON | keys, to, &effect);
    effect = allowed;
    target->Drop(data, keys, to, &effect);
    return effect;
}

TEST_F(DropMenu, MoveHereIsOfferedOnlyWhenTheSourceAllowsMoving)
{
    InProcessFormats formats;
    ViewWindow w1;
    ViewWindow w2(nullptr, nullptr, &formats, ViewWindow::kW + 20);
    auto reg = View::RegisterDropTarget(*w2.view);
    auto a = w1.AddBox({0, 4000, 2000, 2000});
    auto set = std::make_shared<Core::TransferSet>(Registry());
    set->Insert(*a);
    Application::DragData drag(set, {}, {});
    struct Data {
        IDataObject* p;
        ~Data() { p->Release(); }
    } data{drag.GetDataObject()};
    const POINTL from = ScreenAt(w2, {1000, 3000}), to = ScreenAt(w2, {5000, 1000});

    std::vector<DropMenuSeen> seen;
    UINT pick = 0;
    View::SetDropMenuChooser([&](HMENU popup, POINT, HWND) {
        seen.push_back(ReadDropMenu(popup));
        return pick;
    });
    const std::vector<UINT> items{View::kCmdMoveHere, View::kCmdCopyHere, 0, View::kCmdCancelDrop};
    size_t count = w2.diagram.GetElementCount(), undo = w2.diagram.GetUndoHandler().GetUndoCount();

    // A source that allows moving: every item enabled, Move Here the default and honoured.
    pick = View::kCmdMoveHere;
    EXPECT_EQ(RightDrop(reg->Get(), data.p, from, to, DROPEFFECT_COPY | DROPEFFECT_MOVE, 0), DWORD(DROPEFFECT_MOVE));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].commands, items);
    EXPECT_TRUE(seen[0].grayed.empty());
    EXPECT_EQ(seen[0].defaultCommand, View::kCmdMoveHere);
    EXPECT_EQ(w2.diagram.GetElementCount(), ++count);
    EXPECT_EQ(w2.diagram.GetUndoHandler().GetUndoCount(), ++undo);

    // A source that allows only copying (dropped with Control, or the drag loop would not drop):
    // Move Here is there but grayed; picked anyway it cancels the drop.
    for (UINT chosen : {View::kCmdMoveHere, View::kCmdCopyHere}) {
        SCOPED_TRACE(chosen == View::kCmdMoveHere ? "Move Here" : "Copy Here");
        pick = chosen;
        const DWORD effect = RightDrop(reg->Get(), data.p, from, to, DROPEFFECT_COPY, MK_CONTROL);
        ASSERT_EQ(seen.size(), chosen == View::kCmdMoveHere ? 2u : 3u);
        EXPECT_EQ(seen.back().commands, items);
        EXPECT_EQ(seen.back().grayed, std::vector<UINT>{View::kCmdMoveHere});
        EXPECT_EQ(seen.back().defaultCommand, View::kCmdCopyHere);
        const bool copied = chosen == View::kCmdCopyHere;
        EXPECT_EQ(effect, DWORD(copied ? DROPEFFECT_COPY : DROPEFFECT_NONE));
        EXPECT_EQ(w2.diagram.GetElementCount(), count += copied);
        EXPECT_EQ(w2.diagram.GetUndoHandler().GetUndoCount(), undo += copied);
        EXPECT_FALSE(w2.diagram.IsTransactionOpen());
    }
    EXPECT_FALSE(a->IsDeleted());
}

} // namespace
} // namespace ViewTest
