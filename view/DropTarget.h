// A diagram view as an OLE drop target: for every drag entering the window a drop-target task shows
// the drop for real inside a private transaction; leaving aborts it, dropping makes it one undo step.
#pragma once

#include "core/ModelElementSet.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "view/CanvasView.h"

#include <memory>
#include <functional>
#include <optional>
#include <string>

namespace View {

class DefaultMoveTask;
class PendingDrop;

// Command ids of the drop menu (menu 110) of a right-button drag.
inline constexpr UINT kDropMenuId = 110;
inline constexpr UINT kCmdMoveHere = 40159;
inline constexpr UINT kCmdCopyHere = 40160;
inline constexpr UINT kCmdCancelDrop = 40161;

// The effect of a drop with the key state: copy with Control, else move, each only when allowed.
DWORD DropEffectFor(DWORD keyState, DWORD allowed);
// Shows the drop menu at the screen point with the default command (0: none), "Move Here" only
// enabled when moving is allowed; the chosen command or 0.
UINT ShowDropMenu(POINT screen, HWND owner, UINT defaultCommand, bool allowMove = true);
// Replaces the tracking of the drop menu (empty: the system's popup menu): the chooser gets the
// built popup (its items, their states and the default set) and answers the chosen command; for tests.
void SetDropMenuChooser(std::function<UINT(HMENU popup, POINT screen, HWND owner)> chooser);

// One drag over a view, from DragEnter to DragLeave or Drop. Points are screen pixels; effects are
// DROPEFFECT values (in: allowed, out: answered).
class IDropTargetTask {
public:
    IDropTargetTask(ViewContext& context, std::string name) : context_(context), name_(std::move(name)) {}
    virtual ~IDropTargetTask() = default;
    IDropTargetTask(const IDropTargetTask&) = delete;
    IDropTargetTask& operator=(const IDropTargetTask&) = delete;
    virtual HRESULT DragEnter(IDataObject* data, DWORD keyState, POINT point, DWORD& effect) = 0;
    virtual HRESULT DragOver(DWORD keyState, POINT point, DWORD& effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* data, DWORD keyState, POINT point, DWORD& effect) = 0;
    ViewContext& GetContext() const { return context_; }
    const std::string& GetName() const { return name_; }
    // The drop shown while the drag runs.
    virtual const PendingDrop& GetPending() const = 0;

protected:
    // The screen point in model units, rounded and snapped to the grid.
    zq::Point ToModel(POINT screen) const;
    // Brings the view up to date and repaints.
    void Repaint();
    // Brings the view's window to the top and the foreground.
    void RaiseWindow();

private:
    ViewContext& context_;
    std::string name_;
};

// The private transaction of one drag over a view, with its selection tracker and the move of the
// dragged elements: their preview images, the shift controls of what hangs on them and the grabbed
// element's move controller. Nothing of it reaches the undo list unless it is committed.
class PendingDrop {
public:
    // What runs between the shift controls and the move controller (the detaching of a move).
    using Detach = std::function<void(Core::Env&, Core::DeferredShiftSet&)>;

    // Opens the transaction on the view's diagram.
    explicit PendingDrop(ViewContext& context);
    // Rolls back what was not committed.
    ~PendingDrop();
    PendingDrop(const PendingDrop&) = delete;
    PendingDrop& operator=(const PendingDrop&) = delete;
    // The environment of the transaction, the tracker and the view's grid.
    Core::Env MakeEnv();
    // Builds the move of the moved elements grabbed at the element (none allowed) from the anchor
    // point: the preview images, the shift controls, then the detach step (when given), then the
    // grabbed element's move controller.
    void Prepare(const Core::ModelElementSet& moved, Core::IModelElement* grabbed, const zq::Point& anchor,
                 const Detach& detach = {});
    // The move (null before Prepare).
    Core::DeferredShiftSet* GetShift() const { return shift_.get(); }
    // One step to the point: the move controller may restrict it; the preview follows; everything
    // is shifted by the vector from the anchor; the shift controls and the controller follow.
    void ShiftTo(const zq::Point& anchor, zq::Point point);
    // Undoes every change so far; the move is forgotten.
    void Abort();
    // Makes the move final (deferred shifts, shift controls, move controller), closes the transaction
    // into one undo step and selects after.
    void Commit(const Core::ModelElementSet& before, const Core::ModelElementSet& after);
    // The preview images of the moving elements.
    const ICanvas::Group& GetPreview() const { return preview_; }
    // The shift controls and the move controller of the move.
    const ShiftControlSet& GetShiftControls() const { return controls_; }
    const MoveControllerPtr& GetMoveController() const { return controller_; }

private:
    void Forget();

    ViewContext& context_;
    Core::Transaction transaction_;
    std::unique_ptr<Core::SelectionTracker> tracker_;
    std::unique_ptr<Core::DeferredShiftSet> shift_;
    ICanvas::Group preview_;
    zq::Point last_;  // the point of the last step
    bool shifted_ = false;  // whether a step was made since Prepare
    ShiftControlSet controls_;
    MoveControllerPtr controller_;
};

// A drag of the view's own selection (the data come from a move task of the same diagram): moves the
// dragged elements, or copies with Control; answers DROPEFFECT_COPY so that the source deletes nothing.
class SameDiagramDropTargetTask : public IDropTargetTask {
public:
    SameDiagramDropTargetTask(ViewContext& context, DefaultMoveTask& source);
    ~SameDiagramDropTargetTask() override;
    HRESULT DragEnter(IDataObject* data, DWORD keyState, POINT point, DWORD& effect) override;
    HRESULT DragOver(DWORD keyState, POINT point, DWORD& effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(IDataObject* data, DWORD keyState, POINT point, DWORD& effect) override;
    const PendingDrop& GetPending() const override { return drop_; }

private:
    enum Mode { None = 0, Move = 1, Copy = 2 };
    void Update(POINT point, Mode mode);
    void PrepareMove();
    void PrepareCopy();

    zq::Point grab_;
    PendingDrop drop_;
    IDataObject* data_ = nullptr;
    DefaultMoveTask& source_;
    Core::ModelElementSet before_, dragged_, moving_;
    Mode mode_ = None;
    bool rightDrag_ = false;
};

// A drag of data from anywhere else: the data are pasted at DragEnter and move with the pointer.
class StdDropTargetTask : public IDropTargetTask {
public:
    explicit StdDropTargetTask(ViewContext& context);
    HRESULT DragEnter(IDataObject* data, DWORD keyState, POINT point, DWORD& effect) override;
    HRESULT DragOver(DWORD keyState, POINT point, DWORD& effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(IDataObject* data, DWORD keyState, POINT point, DWORD& effect) override;
    const PendingDrop& GetPending() const override { return drop_; }

private:
    void Update(POINT point);
    // The effect answered: copy for dropped files, else by the keys.
    DWORD Answer(DWORD keys, DWORD allowed) const;

    zq::Point anchor_;
    PendingDrop drop_;
    Core::ModelElementSet before_, pasted_;
    bool rightDrag_ = false;
    bool refused_ = false;  // the data could not be read: the drag is refused throughout
    bool filesOnly_ = false;  // the data are dropped files
};

// The drop target registered for a view's window; revoked when destroyed.
class DropTargetRegistration {
public:
    // Registers the view's window (RegisterDragDrop); throws WinUtil::ComException when that fails.
    explicit DropTargetRegistration(DiagramView& view);
    ~DropTargetRegistration();
    DropTargetRegistration(const DropTargetRegistration&) = delete;
    DropTargetRegistration& operator=(const DropTargetRegistration&) = delete;
    // The drop target (no reference added).
    IDropTarget* Get() const { return target_; }
    // The name of the running drop-target task, empty when none runs.
    std::string GetTaskName() const;
    // How often a DragOver reached a task (the others were answered from the cache).
    int GetDragOverCalls() const;
    // The drop the running task shows, or none.
    const PendingDrop* GetPendingDrop() const;

private:
    IDropTarget* target_;
    HWND hwnd_;
    bool registered_ = false;
};

// Registers the view as a drop target for its window.
std::unique_ptr<DropTargetRegistration> RegisterDropTarget(DiagramView& view);

} // namespace View
