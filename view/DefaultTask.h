// The default task of a diagram view: it receives the window's mouse and keyboard messages, decides
// what a press does, starts the sub-tasks of a gesture and turns their changes into undo steps.
#pragma once

#include "app/winutil/MessageLoop.h"
#include "core/Selection.h"
#include "core/Transaction.h"
#include "view/CanvasView.h"
#include "view/CmdHandler.h"
#include "view/CopyPaste.h"
#include "view/Tasks.h"

#include <functional>
#include <list>
#include <memory>

namespace View {

// Keeps the "just activated" state of a view: the click that activates a window keeps its selection.
class ActivationObserver : private WinUtil::MessageLoop::IOneTimePostProc {
public:
    ActivationObserver() = default;
    ~ActivationObserver() override;
    // Re-evaluates with the view's active state.
    void Refresh(bool active);
    // Whether the view was just activated (the flag is cleared after the next dispatched message).
    bool IsJustActivated() const { return justActivated_; }

private:
    void PostProcess() override { justActivated_ = false; scheduled_ = nullptr; }
    bool justActivated_ = true;
    bool lastActive_ = false;
    WinUtil::MessageLoop* scheduled_ = nullptr;
};

class DefaultTask : public IDefaultTask, private ICanvas::IScrollObserver {
public:
    // Whether a drag starts at the screen point with the button (1 left, 2 middle, 3 right).
    using DragDetector = std::function<bool(HWND, int x, int y, int button)>;
    // Replaces the drag detection of every default task (empty: the system's); for tests.
    static void SetDragDetector(DragDetector detector);

    DefaultTask(ViewContext& context, ICmdHandlerDockCreator* dockCreator);
    ~DefaultTask() override;

    // ITask
    void SubTaskFinished(ISubTask* task, EndCode code) override;
    bool IsBusy() const override { return subTask_ != nullptr; }
    ITask& GetActiveTask() override;
    void UpdateCursor() override;
    void Refresh() override;
    Core::Transaction& GetTransaction() override;
    void CommitPending(bool join) override;
    void DiscardPending() override;
    Core::SelectionTracker& GetSelectionTracker() override;
    void TakeSelectionSnapshot() override;
    // IDefaultTask
    void StartSubTask(SubTaskPtr task) override;
    std::list<Core::ElementPtr> GetSelectionSnapshot() const override { return snapshot_; }
    bool SelectionHasNamedElement() const override { return named_; }
    zq::Point GetLastMousePoint() const override { return lastPoint_; }
    void OnSelectionChanged(Core::IView& view) override;

    // The running sub-task, or none.
    const SubTaskPtr& GetSubTask() const { return subTask_; }
    // The view element last handled, or none.
    Core::IViewElement* GetCurrentElement() const { return current_; }
    // Sets the element last handled (a change updates the command states).
    void SetCurrentElement(Core::IViewElement* element);
    // Lets the dock update its commands.
    void UpdateCommands();
    // The command handler dock.
    ICmdHandlerDock* GetDock() const { return dock_.get(); }
    // Sets the last pressed point (the context menu sets it where it opens).
    void SetLastMousePoint(const zq::Point& p) { lastPoint_ = p; }
    // The Edit commands and the Delete key.
    DefaultTaskCopyPaste* GetCopyPaste() const { return copyPaste_.get(); }

private:
    void OnLButtonDown(WinMessage::MouseMsg& msg);
    void OnRButtonDown(WinMessage::MouseMsg& msg);
    void OnRButtonUp(WinMessage::MouseMsg& msg);
    void OnLButtonDblClk(WinMessage::MouseMsg& msg);
    void OnRButtonDblClk(WinMessage::MouseMsg& msg);
    void OnMButtonDown(WinMessage::MouseMsg& msg);
    void OnContextMenu(WinMessage::WM_CONTEXTMENU_Msg& msg);
    void OnSetCursor(WinMessage::WM_SETCURSOR_Msg& msg);
    void OnKey(WinMessage::KeyMsg& msg);
    void OnChar(WinMessage::WM_CHAR_Msg& msg);
    void OnScrolled(const zq::float8Point& p) override;

    // Whether gestures may change the document: a read-only one is only selected, scrolled, zoomed
    // and copied from (the commands keep to the same rule through their own readiness).
    bool MayEdit() const;
    // The handle of the hit element at the point; none on a read-only document, whose handles
    // start nothing.
    IControl* ControlAt(const Core::HitResult& hit, const zq::Point& p) const;

    void Press(WinMessage::MouseMsg& msg, int button);
    void PressOnElement(const Core::HitResult& hit, bool toggle, int button, const POINT& screen);
    void PressOnNothing(bool shift, bool ctrl, int button, const POINT& screen);
    // Brings the view and the screen up to date with the selection changed by a press.
    void ShowChanges();
    bool DetectDrag(const POINT& screen, int button);
    zq::Point ToModel(const POINT& client) const;
    void DropTracker() { tracker_.reset(); }
    void ShowContextMenu(IContextMenu& menu, const POINT& screen, bool ctrl);

    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    zq::Point lastPoint_;
    Core::IViewElement* current_ = nullptr;
    SubTaskPtr subTask_;
    Core::Transaction transaction_;
    std::list<Core::ElementPtr> snapshot_;
    std::unique_ptr<Core::SelectionTracker> tracker_;
    bool named_ = false;
    std::unique_ptr<ICmdHandlerDock> dock_;
    ActivationObserver activation_;
    std::unique_ptr<DefaultTaskCopyPaste> copyPaste_;
};

} // namespace View
