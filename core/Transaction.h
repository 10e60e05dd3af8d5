// Transactions: the unit of change of a diagram, with its element follow-up queue and its queue of
// follow-up jobs, and the environment every changing operation takes.
#pragma once

#include "core/Exceptions.h"
#include "core/ModelElement.h"
#include "core/RegisteredStep.h"
#include "core/Undoer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

namespace Core {

class Diagram;
class IGrid;
class IView;
class SelectionTracker;

namespace LockedRep {
// A record obtained for writing while it is locked, that is outside an open transaction.
class AccessError : public Exceptions::Base {
public:
    explicit AccessError(const char* what = "record written outside an open transaction") : Base(what) {}
};
} // namespace LockedRep

namespace Exceptions {
// The element follow-up queue did not empty: "TransactionImp::Finalize overflow".
class FinalizeOverflow : public Base {
public:
    FinalizeOverflow() : Base("TransactionImp::Finalize overflow") {}
};
// The follow-up jobs did not end: "Transaction::Close overflow".
class CloseOverflow : public Base {
public:
    CloseOverflow() : Base("Transaction::Close overflow") {}
};
} // namespace Exceptions

// A job that runs when its transaction closes, inside the same transaction.
class IFollowUpJob {
public:
    virtual ~IFollowUpJob() = default;
    // The job's work.
    virtual void DoFollowUpJob(Env& env) = 0;
};

// A step registered with the model core for as long as it lives (usually a static object, so for
// the program run): every change that keeps its history runs it as it closes, before the elements'
// follow-ups, with the elements the change recorded; it changes nothing itself, but may queue
// follow-up jobs.
class ClosingHook : public RegisteredStep<ClosingHook> {
public:
    using RegisteredStep::RegisteredStep;
};

// The unit of change of a diagram. It is open from construction; Close makes its undo record,
// Abort (and destruction while open, and a failing Close) rolls everything back.
class Transaction {
public:
    // Elements processed by one run of the element follow-up queue before it gives up; a diagram
    // of more elements may process each of them twice (reading a large document queues them all).
    static constexpr std::size_t kFinalizeLimit = 99999;
    // Follow-up jobs allowed per close beyond the diagram's element count.
    static constexpr std::size_t kJobAllowance = 10000;

    // Opens a transaction on the diagram, started from the view (or none).
    explicit Transaction(Diagram& diagram, IView* view = nullptr);
    // Rolls back a transaction that is still open; never throws.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // The diagram the transaction changes.
    Diagram& GetDiagram() const { return diagram_; }
    // The view the change was started from, or none.
    IView* GetView() const { return view_; }
    // Whether changes may be made.
    bool IsOpen() const { return open_; }
    // A number that tells this change (from its opening or reopening) from every other of the process.
    std::uint64_t GetSerial() const { return serial_; }
    // Declares that the record Close returns is thrown away (a document being read): elements
    // made in the transaction then record no property changes, and only what a rollback needs is
    // kept. Holds until the transaction ends.
    void KeepNoHistory() { keepsHistory_ = false; }
    // Whether the record Close returns is kept (false after KeepNoHistory).
    bool KeepsHistory() const { return keepsHistory_; }
    // Opens a closed transaction again for a further change.
    void Begin();

    // Records a newly made element: appended to the diagram, flagged new, queued for its follow-up.
    void Insert(const ElementPtr& element);
    // Records the element as modified (once) and queues it for its follow-up unless queued;
    // with the flag its view elements update at once.
    void Modify(IModelElement& element, bool updateViews);
    // Deletes the element (nothing when it is deleted already).
    void Delete(IModelElement& element);
    // Queues a job; the owner keeps it alive until it has run.
    void AddFollowUpJob(IFollowUpJob& job, std::shared_ptr<const void> owner);
    // Queues a job it owns.
    void AddFollowUpJob(std::shared_ptr<IFollowUpJob> job);

    // Runs the follow-ups and jobs and returns the undo record (empty when nothing changed).
    // On failure the transaction is rolled back and the error passed on (a view failing during
    // that rollback is repaired and only logged).
    UndoerRef Close(SelectionTracker* tracker = nullptr, const IGrid* grid = nullptr);
    // Rolls back every insertion, deletion and change made in the transaction. The model is put
    // back whole before any view follows; a view that cannot follow is rebuilt or detached and then
    // reported as Exceptions::ViewUpdateFailed.
    void Abort();
    // Keeps the state the change has reached as the one ReturnToRestorePoint goes back to. What was
    // changed so far stays part of the record Close returns, and the elements' state before the
    // transaction (their old records and positions) is from now on the state at this point.
    void SetRestorePoint();
    // Undoes every change made since SetRestorePoint (nothing without one), so that a change redone
    // from there (a drag's next step) depends on nothing of what was undone. The elements whose
    // records were put back are handed out without their views updated: their next change, or
    // the caller, brings the views up to date.
    std::vector<ElementPtr> ReturnToRestorePoint();
    // Abort for an error path: a view failure during the rollback goes to stderr, so that the
    // error that caused the rollback is the one the caller hears.
    void AbortQuietly() noexcept;

private:
    struct Job {
        IFollowUpJob* job;
        std::shared_ptr<const void> owner;
    };
    void RequireOpen() const;
    // Record and Enqueue take the element's owning pointer when the caller has it (spares a look-up).
    void Record(IModelElement& element, const ElementPtr* owned = nullptr);
    void RecordInsertion(const ElementPtr& element, std::size_t index);
    void Enqueue(IModelElement& element, const ElementPtr* owned = nullptr);
    void CloseStep(SelectionTracker* tracker, const IGrid* grid);
    void RunElementQueue(Env& env);
    void RollBack();
    void End();

    Diagram& diagram_;
    IView* view_;
    bool open_ = false;
    bool keepsHistory_ = true;
    std::uint64_t serial_ = 0;
    std::vector<ElementPtr> recorded_;  // inserted or modified, in recording order
    std::deque<ElementPtr> queue_;
    std::deque<Job> jobs_;
    std::shared_ptr<UndoSequence> step_;                 // the open sub-transaction
    std::shared_ptr<TransactionUndoer> done_;            // the closed sub-transactions
    std::shared_ptr<InsertionBatch> batch_;              // the open sub-transaction's last record, while
    std::size_t batchEnd_ = 0;                           // it holds batchEnd_ records
    struct RestorePoint {
        std::size_t recorded, queued, jobs;
    };
    std::optional<RestorePoint> restorePoint_;  // the lengths of the lists at the restore point
};

// The environment of a change: the transaction, the selection tracker and the grid.
class Env {
public:
    // The grid defaults to the diagram's default grid.
    explicit Env(Transaction& transaction, SelectionTracker* tracker = nullptr, const IGrid* grid = nullptr);
    // The diagram the transaction works on.
    Diagram& GetDiagram() const { return transaction_.GetDiagram(); }
    // The transaction, opened again when an earlier Close ended it.
    Transaction& GetTransaction();
    // The selection tracker, or none.
    SelectionTracker* GetTracker() const { return tracker_; }
    // The grid: the one given, else the diagram's default grid.
    const IGrid* GetGrid() const;
    // The view the change was started from, or none.
    IView* GetView() const { return transaction_.GetView(); }
    // Records a newly made element in the transaction.
    void Insert(const ElementPtr& element) { GetTransaction().Insert(element); }
    // Records a modification in the transaction.
    void Modify(IModelElement& element, bool updateViews = false) { GetTransaction().Modify(element, updateViews); }
    // Closes the transaction with the tracker and grid; the environment stays usable afterwards.
    UndoerRef Close() { return transaction_.Close(tracker_, grid_); }

private:
    Transaction& transaction_;
    SelectionTracker* tracker_;
    const IGrid* grid_;
};

} // namespace Core
