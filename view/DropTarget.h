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
// Replaces the drop menu (empty: the real menu); for tests.
void SetDropMenuChooser(std::function<UINT(POINT, HWND, UINT)> chooser);

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
// dragged elements: nothing of it reaches the undo list unless it is committed.
class PendingDrop {
public:
    // Opens the transaction on the view's diagram.
    explicit PendingDrop(ViewContext& context);
    // Rolls back what was not committed.
    ~PendingDrop();
    PendingDrop(const PendingDrop&) = delete;
    PendingDrop& operator=(const PendingDrop&) = delete;
    // The environment of the transaction, the tracker and the view's grid.
    Core::Env MakeEnv();
    // Builds the move of the moved elements grabbed at the element (none allowed).
    void Prepare(const Core::ModelElementSet& moved, Core::IModelElement* grabbed);
    // The move (null before Prepare).
    Core::DeferredShiftSet* GetShift() const { return shift_.get(); }
    // Shifts everything by the vector from the anchor to the point.
    void ShiftTo(const zq::Point& anchor, const zq::Point& point);
    // Undoes every change so far; the move is forgotten.
    void Abort();
    // Makes the move final, closes the transaction into one undo step and selects after.
    void Commit(const Core::ModelElementSet& before, const Core::ModelElementSet& after);

private:
    ViewContext& context_;
    Core::Transaction transaction_;
    std::unique_ptr<Core::SelectionTracker> tracker_;
    std::unique_ptr<Core::DeferredShiftSet> shift_;
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

private:
    IDropTarget* target_;
    HWND hwnd_;
    bool registered_ = false;
};

// Registers the view as a drop target for its window.
std::unique_ptr<DropTargetRegistration> RegisterDropTarget(DiagramView& view);

} // namespace View
