// The interaction tasks of a view: the task contract, sub-tasks and the default task's interface.
#pragma once

#include "view/ViewElements.h"

#include <list>
#include <memory>
#include <string>

namespace Core {
class Transaction;
class SelectionTracker;
class Env;
} // namespace Core

namespace View {

struct ViewContext;

// A mode of the mouse and keyboard in a diagram window.
class ITask {
public:
    // How a sub-task ended: finished (its changes stay) or cancelled (thrown away).
    enum EndCode { Finished = 0, Cancelled = 1 };

    // A task of the view context with a name (for diagnostics).
    ITask(ViewContext& context, std::string name);
    // Releases the mouse capture the task still holds.
    virtual ~ITask();
    ITask(const ITask&) = delete;
    ITask& operator=(const ITask&) = delete;

    // A sub-task reports its end.
    virtual void SubTaskFinished(ISubTask* task, EndCode code) = 0;
    // Whether a sub-task runs.
    virtual bool IsBusy() const = 0;
    // The innermost running task.
    virtual ITask& GetActiveTask() = 0;
    // Sets the cursor for what lies under the pointer.
    virtual void UpdateCursor() = 0;
    // Re-evaluates after the view's state changed.
    virtual void Refresh() = 0;
    // The transaction that collects the current gesture's changes.
    virtual Core::Transaction& GetTransaction() = 0;
    // Turns the collected changes into one undo step.
    virtual void CommitPending(bool join) = 0;
    // Throws the collected changes away.
    virtual void DiscardPending() = 0;
    // The tracker of the current gesture's selection changes.
    virtual Core::SelectionTracker& GetSelectionTracker() = 0;
    // Remembers the current selection as the before-selection of the next undo step.
    virtual void TakeSelectionSnapshot() = 0;

    // The environment of the pending change: the transaction, the tracker and the view's grid.
    Core::Env MakeEnv();
    ViewContext& GetContext() const { return context_; }
    const std::string& GetName() const { return name_; }
    // Takes the mouse capture unless the task holds it.
    void TakeCapture();
    // Releases the capture the task holds.
    void ReleaseCapture();
    bool HoldsCapture() const { return holdsCapture_; }

private:
    ViewContext& context_;
    std::string name_;
    bool holdsCapture_ = false;
};

// A task started by another one, which it reports to when it finishes.
class ISubTask : public ITask {
public:
    ISubTask(ViewContext& context, ITask& parent, std::string name) : ITask(context, std::move(name)), parent_(parent) {}

    void SubTaskFinished(ISubTask*, EndCode) override {}
    ITask& GetActiveTask() override { return *this; }
    void UpdateCursor() override { parent_.UpdateCursor(); }
    Core::Transaction& GetTransaction() override { return parent_.GetTransaction(); }
    void CommitPending(bool join) override { parent_.CommitPending(join); }
    void DiscardPending() override { parent_.DiscardPending(); }
    Core::SelectionTracker& GetSelectionTracker() override { return parent_.GetSelectionTracker(); }
    void TakeSelectionSnapshot() override { parent_.TakeSelectionSnapshot(); }
    // Reports the end to the parent (which may destroy this task: touch nothing afterwards).
    virtual void Finish(EndCode code) { parent_.SubTaskFinished(this, code); }
    // The parent let go of the task (it is replaced or goes away): from now on the task must neither
    // report to the parent nor use its pending change.
    virtual void Dismissed() {}
    ITask& GetParent() const { return parent_; }

private:
    ITask& parent_;
};

// The default task of a view: it starts the sub-tasks and owns the pending change.
class IDefaultTask : public ITask, public Core::ISelectionObserver {
public:
    using ITask::ITask;
    // Makes the sub-task the running one (replacing a running one).
    virtual void StartSubTask(SubTaskPtr task) = 0;
    // A copy of the remembered before-selection.
    virtual std::list<Core::ElementPtr> GetSelectionSnapshot() const = 0;
    // Whether a selected element is named.
    virtual bool SelectionHasNamedElement() const = 0;
    // The model point of the last button press (or where the context menu was opened).
    virtual zq::Point GetLastMousePoint() const = 0;
};

} // namespace View
