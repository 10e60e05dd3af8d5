// The transfer side of the view tests: a format handler that reads only this process's own sets
// (or fails on demand), a stand-in drag loop that drives a drop target, and OLE for each test.
#pragma once

#include "core/Exceptions.h"
#include "view/CopyPaste.h"
#include "view/DropTarget.h"
#include "view/MoveTask.h"
#include "view/Transfer.h"
#include "view/tests/TestBoxes.h"

#include <chrono>
#include <functional>
#include <vector>

namespace ViewTest {

class InProcessFormats : public View::ITransferSetFormatHandler {
public:
    void AddFormatsForSet(Application::DataProvider&, const std::shared_ptr<Core::TransferSet>&) override {}
    bool CanAccept(const Application::IDataHolder& holder) override {
        return holder.Test([](IDataObject* data) { return Application::GetOwnTransferSet(data) != nullptr; });
    }
    bool Extract(const Application::IDataHolder& holder, ITransferSetUser& user) override {
        if (malformed) throw Core::Exceptions::Base("unexpected end of data at line 3");
        std::shared_ptr<Core::TransferSet> set;
        holder.Extract([&](IDataObject* data) { return (set = Application::GetOwnTransferSet(data)) != nullptr; });
        if (set) user.Use(set);
        return set != nullptr;
    }
    bool malformed = false;
};

// OLE for the test's thread.
class OleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override {
        View::DefaultMoveTask::SetDragLoop({});
        View::SetDropMenuChooser({});
        OleUninitialize();
    }
};

// What the drop menu offered: its commands in order (a separator as 0), the grayed ones and the
// default command (0: none).
struct DropMenuSeen {
    std::vector<UINT> commands;
    std::vector<UINT> grayed;
    UINT defaultCommand = 0;
};

// Reads the built drop menu as the user would see it.
inline DropMenuSeen ReadDropMenu(HMENU popup) {
    DropMenuSeen seen;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        const UINT state = GetMenuState(popup, UINT(i), MF_BYPOSITION);
        const UINT id = (state & MF_SEPARATOR) ? 0 : GetMenuItemID(popup, i);
        seen.commands.push_back(id);
        if (id != 0 && (state & (MF_GRAYED | MF_DISABLED))) seen.grayed.push_back(id);
    }
    const UINT def = GetMenuDefaultItem(popup, FALSE, GMDI_USEDISABLED);
    seen.defaultCommand = def == UINT(-1) ? 0 : def;
    return seen;
}

// Pumps messages until the condition holds or two seconds passed; answers the condition.
inline bool PumpUntil(ViewWindow& w, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        w.Pump();
    }
    return true;
}

// The screen point of a logical point of a window.
inline POINTL ScreenAt(const ViewWindow& w, const zq::Point& p) {
    POINT s = w.At(p);
    ClientToScreen(w.hwnd, &s);
    return POINTL{s.x, s.y};
}

// The grid point a logical point gives after the round trip through client pixels.
inline zq::Point Snapped(const ViewWindow& w, const zq::Point& p) {
    return View::DefaultGrid::Instance().SnapPoint(w.Logical(w.At(p)));
}

// One step of a scripted drag over a drop target.
struct DragStep {
    IDropTarget* target;
    POINTL point;
    DWORD keys;
    enum Kind { Enter, Over, Leave, Drop } kind;
    std::function<void()> after = {};  // checks made inside the drag loop after the step
};

// A drag loop that plays the steps and answers like DoDragDrop: DROP with the last Drop's effect,
// CANCEL when the script ends without one. Records the effects answered.
struct ScriptedDrag {
    std::vector<DragStep> steps;
    std::vector<DWORD> answers;
    DWORD allowed = 0;
    HRESULT result = S_OK;  // a failure instead of playing the script

    ScriptedDrag() {
        View::DefaultMoveTask::SetDragLoop([this](IDataObject* data, IDropSource*, DWORD ok, DWORD* effect) {
            allowed = ok;
            if (FAILED(result)) return result;
            for (const DragStep& s : steps) {
                DWORD e = ok;
                switch (s.kind) {
                case DragStep::Enter: s.target->DragEnter(data, s.keys, s.point, &e); break;
                case DragStep::Over: s.target->DragOver(s.keys, s.point, &e); break;
                case DragStep::Leave: s.target->DragLeave(); e = 0; break;
                case DragStep::Drop:
                    s.target->Drop(data, s.keys, s.point, &e);
                    answers.push_back(e);
                    if (s.after) s.after();
                    *effect = e;
                    return HRESULT(DRAGDROP_S_DROP);
                }
                answers.push_back(e);
                if (s.after) s.after();
            }
            *effect = DROPEFFECT_NONE;
            return HRESULT(DRAGDROP_S_CANCEL);
        });
    }
};

// Presses the left button on from and drags through the window's drop target to to, where the
// script drops; over runs inside the drag loop while the pointer is over to.
inline void DragThrough(ViewWindow& w, IDropTarget* target, const zq::Point& from, const zq::Point& to,
                        std::function<void()> over = {}) {
    FakeDrag detect(true);
    ScriptedDrag drag;
    drag.steps = {{target, ScreenAt(w, from), MK_LBUTTON, DragStep::Enter},
                  {target, ScreenAt(w, to), MK_LBUTTON, DragStep::Over, std::move(over)},
                  {target, ScreenAt(w, to), 0, DragStep::Drop}};
    w.Mouse(WM_LBUTTONDOWN, w.At(from), MK_LBUTTON);
    w.Mouse(WM_MOUSEMOVE, w.At(from), MK_LBUTTON);
    w.Pump();
}

// A window on a diagram (beside the test's own) with the clipboard: its Edit commands copy, paste
// and delete as a user's do, the pasted elements selected in its view. OLE lives as long as it does.
class EditWindow {
public:
    explicit EditWindow(Core::Diagram& diagram) : w(&diagram, &clipboard, &formats, ViewWindow::kW + 20) {}

    // Selects the elements, copies them and pastes the copy; answers the pasted elements.
    std::vector<Core::IModelElement*> CopyAndPaste(const std::vector<Core::IModelElement*>& elements) {
        w.view->ClearSelection(nullptr);
        for (Core::IModelElement* e : elements) e->SelectInView(*w.view, true);
        w.Pump();
        if (!w.router.Execute({View::kCmdCopy, 0, nullptr})) return {};
        if (!PumpUntil(w, [&] { return w.router.IsEnabled(View::kCmdPaste); })) return {};
        if (!w.router.Execute({View::kCmdPaste, 0, nullptr})) return {};
        w.Pump();
        return w.Selection();
    }
    // Deletes the selection with the Delete command; false when the command did not run.
    bool DeleteSelection() {
        const bool ran = w.router.Execute({View::kCmdDelete, 0, nullptr});
        w.Pump();
        return ran;
    }

private:
    struct Ole {
        Ole() { OleInitialize(nullptr); }
        ~Ole() { OleUninitialize(); }
    } ole_;
    Application::Clipboard clipboard;
    InProcessFormats formats;

public:
    ViewWindow w;
};

} // namespace ViewTest
