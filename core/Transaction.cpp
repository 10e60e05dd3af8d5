#include "core/Transaction.h"

#include "core/Diagram.h"
#include "core/OwnedViews.h"
#include "core/View.h"
#include "core/ViewRepair.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace Core {

namespace {
// The changed elements redrew as they changed; what they carry (a note's text, the parts of a
// class) is drawn where they now are and redraws once the change is over, as does what a view drew
// as being changed. The change stands whatever a view does: a failing view is repaired.
void FollowOwners(Diagram& diagram, const std::unordered_set<const IModelElement*>& changed) noexcept
{
    try {
        ViewFailures failures;
        UpdateOwnedViews(diagram, changed, failures);
        const std::string report = failures.Repair(diagram);
        if (!report.empty()) std::fprintf(stderr, "%s\n", report.c_str());
        const std::vector<IView*> views = diagram.GetViews();  // a copy: a view may go meanwhile
        for (IView* v : views) v->OnTransactionEnded();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "view update after a change failed: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "view update after a change failed\n");
    }
}
} // namespace

Transaction::Transaction(Diagram& diagram, IView* view) : diagram_(diagram), view_(view) { Begin(); }

Transaction::~Transaction() { AbortQuietly(); }

void Transaction::AbortQuietly() noexcept
{
    if (!open_) return;
    try {
        Abort();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rolling back a transaction: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "rolling back a transaction failed\n");
    }
}

void Transaction::Begin()
{
    if (open_) return;
    static std::atomic<std::uint64_t> opened{0};
    serial_ = ++opened;
    step_ = std::make_shared<UndoSequence>();
    done_ = std::make_shared<TransactionUndoer>();
    open_ = true;
    diagram_.TransactionOpened();
}

void Transaction::RequireOpen() const
{
    if (!open_) throw LockedRep::AccessError("change outside an open transaction");
}

void Transaction::Record(IModelElement& element, const ElementPtr* owned)
{
    Transaction* owner = element.GetTransaction();
    if (owner == this) return;
    if (owner != nullptr) throw LockedRep::AccessError("element changed by two open transactions");
    recorded_.push_back(owned != nullptr ? *owned : element.shared_from_this());
    ElementState::SetTransaction(element, this);
}

void Transaction::Enqueue(IModelElement& element, const ElementPtr* owned)
{
    if (ElementState::IsQueued(element)) return;
    queue_.push_back(owned != nullptr ? *owned : element.shared_from_this());
    ElementState::SetQueued(element, true);
}

void Transaction::Insert(const ElementPtr& element)
{
    RequireOpen();
    if (!element) throw std::invalid_argument("Transaction::Insert: no element");
    // An element already in the diagram fails in AppendElement below (one look-up less).
    if (element->GetTransaction() != nullptr && element->GetTransaction() != this)
        throw LockedRep::AccessError("element changed by two open transactions");
    const bool recordedBefore = element->GetTransaction() == this;
    Record(*element, &element);
    try {
        std::size_t index = diagram_.AppendElement(element);  // a taken id fails here
        try {
            RecordInsertion(element, index);
        } catch (...) {
            diagram_.RemoveElementAt(index, *element);
            ElementState::SetDeleted(*element, false);
            throw;
        }
    } catch (...) {
        if (!recordedBefore) {
            recorded_.pop_back();
            ElementState::SetTransaction(*element, nullptr);
        }
        throw;
    }
    ElementState::SetNew(*element, true);
    Enqueue(*element, &element);
}

// Consecutive insertions share one record.
void Transaction::RecordInsertion(const ElementPtr& element, std::size_t index)
{
    if (batch_ && step_->Size() == batchEnd_) {
        batch_->Add(element, index);
        return;
    }
    auto batch = std::make_shared<InsertionBatch>();
    batch->Add(element, index);
    step_->Add(UndoerRef(batch));
    batch_ = std::move(batch);
    batchEnd_ = step_->Size();
}

void Transaction::Modify(IModelElement& element, bool updateViews)
{
    RequireOpen();
    if (!element.IsNew() && !ElementState::IsModified(element)) {
        Record(element);
        ElementState::SetModified(element, true);
    }
    Enqueue(element);
    if (updateViews) element.UpdateViewElements();
}

void Transaction::Delete(IModelElement& element)
{
    RequireOpen();
    if (element.IsDeleted()) return;
    std::size_t index = diagram_.IndexOf(element);
    if (index == diagram_.GetElementCount()) throw std::logic_error("Transaction::Delete: element not in the diagram");
    ElementPtr keep = element.shared_from_this();
    step_->Add(MakeDeletionUndoer(keep, index));
    diagram_.RemoveElementAt(index, element);
}

void Transaction::AddFollowUpJob(IFollowUpJob& job, std::shared_ptr<const void> owner)
{
    RequireOpen();
    jobs_.push_back(Job{&job, std::move(owner)});
}

void Transaction::AddFollowUpJob(std::shared_ptr<IFollowUpJob> job)
{
    if (!job) throw std::invalid_argument("Transaction::AddFollowUpJob: no job");
    IFollowUpJob& ref = *job;
    AddFollowUpJob(ref, std::move(job));
}

void Transaction::RunElementQueue(Env& env)
{
    std::size_t processed = 0;
    const std::size_t limit = std::max(kFinalizeLimit, 2 * diagram_.GetElementCount());
    while (!queue_.empty()) {
        if (processed == limit) throw Exceptions::FinalizeOverflow();
        ElementPtr element = queue_.front();  // stays queued while it runs, so it does not queue itself again
        Exceptions::NamingElement(element->GetObjectId(), [&] { element->Finalize(env); });
        queue_.pop_front();
        ElementState::SetQueued(*element, false);
        ++processed;
    }
}

void Transaction::CloseStep(SelectionTracker* tracker, const IGrid* grid)
{
    Env env(*this, tracker, grid);
    RunElementQueue(env);
    for (const auto& e : recorded_) {
        if (keepsHistory_ || !e->IsNew())
            e->CommitUndo(*step_);
        else
            e->Commit();  // removed again by a rollback, never redone: its changes need no record
    }
    done_->Add(UndoerRef(step_));
    step_ = std::make_shared<UndoSequence>();
    batch_.reset();
}

UndoerRef Transaction::Close(SelectionTracker* tracker, const IGrid* grid)
{
    if (!open_) return UndoerRef();
    try {
        if (keepsHistory_ && !recorded_.empty()) {
            Env env(*this, tracker, grid);
            ClosingHook::RunAll(env, recorded_);
        }
        std::size_t limit = diagram_.GetElementCount() + kJobAllowance;
        for (;;) {
            CloseStep(tracker, grid);
            if (jobs_.empty()) break;
            if (--limit == 0) throw Exceptions::CloseOverflow();
            Job job = std::move(jobs_.front());
            jobs_.pop_front();
            Env env(*this, tracker, grid);
            job.job->DoFollowUpJob(env);
        }
    } catch (...) {
        AbortQuietly();  // the cause of the rollback is what the caller hears
        throw;
    }
    UndoerRef record = done_->IsEmpty() ? UndoerRef() : UndoerRef(done_);
    End();
    return record;
}

void Transaction::Abort()
{
    if (!open_) return;
    struct Ender {
        Transaction& t;
        ~Ender() { t.End(); }
    } ender{*this};
    RollBack();
}

void Transaction::SetRestorePoint()
{
    RequireOpen();
    for (const auto& e : recorded_) {
        if (keepsHistory_ || !e->IsNew())
            e->CommitUndo(*step_);
        else
            e->Commit();
    }
    done_->Add(UndoerRef(step_));
    step_ = std::make_shared<UndoSequence>();
    batch_.reset();
    restorePoint_ = RestorePoint{recorded_.size(), queue_.size(), jobs_.size()};
}

std::vector<ElementPtr> Transaction::ReturnToRestorePoint()
{
    std::vector<ElementPtr> restored;
    if (!open_ || !restorePoint_) return restored;
    const RestorePoint point = *restorePoint_;
    for (auto it = recorded_.rbegin(); it != recorded_.rend(); ++it) {
        if (!(*it)->HasBackup()) continue;
        (*it)->Rollback();
        restored.push_back(*it);
    }
    if (!step_->IsEmpty()) {
        UndoContext context(diagram_);
        context.Run([&] { step_->Undo(context); }, false);
    }
    step_ = std::make_shared<UndoSequence>();
    batch_.reset();
    // Elements first changed after the point are as they were before the transaction again.
    for (std::size_t i = point.recorded; i < recorded_.size(); ++i) {
        IModelElement& e = *recorded_[i];
        e.Commit();
        ElementState::SetNew(e, false);
        ElementState::SetModified(e, false);
        ElementState::SetTransaction(e, nullptr);
    }
    recorded_.resize(point.recorded);
    for (std::size_t i = point.queued; i < queue_.size(); ++i) ElementState::SetQueued(*queue_[i], false);
    queue_.resize(point.queued);
    jobs_.resize(point.jobs);
    return restored;
}

void Transaction::RollBack()
{
    UndoContext context(diagram_);
    context.Run(
        [&] {
            for (auto it = recorded_.rbegin(); it != recorded_.rend(); ++it) {
                (*it)->Rollback();
                context.Touch(**it);
            }
            step_->Undo(context);
            done_->Undo(context);
        },
        false);
}

void Transaction::End()
{
    std::unordered_set<const IModelElement*> changed;
    if (!diagram_.GetViews().empty())
        for (const auto& e : recorded_)
            if (!e->IsDeleted()) changed.insert(e.get());
    for (const auto& e : recorded_) {
        e->Commit();
        ElementState::SetNew(*e, false);
        ElementState::SetModified(*e, false);
        ElementState::SetTransaction(*e, nullptr);
    }
    recorded_.clear();
    for (const auto& e : queue_) ElementState::SetQueued(*e, false);
    queue_.clear();
    jobs_.clear();
    step_.reset();
    done_.reset();
    batch_.reset();
    keepsHistory_ = true;
    restorePoint_.reset();
    open_ = false;
    diagram_.TransactionEnded();
    FollowOwners(diagram_, changed);
}

Env::Env(Transaction& transaction, SelectionTracker* tracker, const IGrid* grid)
    : transaction_(transaction), tracker_(tracker), grid_(grid)
{
}

Transaction& Env::GetTransaction()
{
    if (!transaction_.IsOpen()) transaction_.Begin();
    return transaction_;
}

const IGrid* Env::GetGrid() const { return grid_ != nullptr ? grid_ : transaction_.GetDiagram().GetDefaultGrid(); }

} // namespace Core
