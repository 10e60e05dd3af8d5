// Undo records: the shared record handle, the context records run in, the shared empty record,
// sequences (a sub-transaction, a whole transaction) and the records of insertions and deletions.
#pragma once

#include "core/ModelElement.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

namespace Core {

class Diagram;
class UndoContext;
class ViewFailures;

// One undo record: undoing and redoing it must alternate exactly.
class Undoer {
public:
    virtual ~Undoer() = default;
    // Puts the document back into the state before the change.
    virtual void Undo(UndoContext& context) = 0;
    // Makes the change again.
    virtual void Redo(UndoContext& context) = 0;
    // Whether the record changes nothing.
    virtual bool IsEmpty() const { return false; }
};

// Another owner of the one empty undo record of the process (made on first use, thread-safe).
std::shared_ptr<Undoer> GetNullUndoer();

// A shared undo record; a default-constructed handle holds the empty record.
class UndoerRef {
public:
    // The empty record.
    UndoerRef();
    // Holds the record; null holds the empty record.
    UndoerRef(std::shared_ptr<Undoer> undoer);
    // Whether the record changes nothing.
    bool IsEmpty() const { return undoer_->IsEmpty(); }
    // Runs the record's undo (or redo) inside the context.
    void Apply(UndoContext& context, bool undo) const;
    // The record.
    const std::shared_ptr<Undoer>& Get() const { return undoer_; }
    // One record that undoes second, then first, and redoes first, then second.
    static UndoerRef Join(const UndoerRef& first, const UndoerRef& second);

private:
    std::shared_ptr<Undoer> undoer_;
};

// The context undo records run in: it collects the elements they touched and, once the model
// change is complete, brings the views up to date with them.
class UndoContext {
public:
    explicit UndoContext(Diagram& diagram) : diagram_(diagram) {}
    UndoContext(const UndoContext&) = delete;
    UndoContext& operator=(const UndoContext&) = delete;
    // Brings the views up to date with elements touched outside Run; never throws.
    ~UndoContext();
    // The diagram the records change.
    Diagram& GetDiagram() const { return diagram_; }
    // Notes an element whose views follow once the model change is complete.
    void Touch(IModelElement& element);
    // Runs the record's undo (or redo) between the views' begin and end notifications (Run).
    void Apply(const UndoerRef& record, bool undo);
    // Runs a change of the model, then brings the views up to date (with the undo begin and end
    // notifications when notify is set). Views never stop the change: a view that fails is rebuilt
    // or detached afterwards. The change's own error passes on as it is; otherwise a view failure
    // throws Exceptions::ViewUpdateFailed once the model and the views are whole.
    void Run(const std::function<void()>& change, bool notify);

private:
    void UpdateTouched(ViewFailures& failures);
    Diagram& diagram_;
    std::vector<ElementPtr> touched_;                       // in the order first touched
    std::unordered_set<const IModelElement*> touchedIndex_;  // the same elements, for lookups
};

// Records run in order on redo and in reverse on undo.
class UndoSequence : public Undoer {
public:
    // Appends a record; empty records are dropped.
    void Add(const UndoerRef& record);
    void Undo(UndoContext& context) override;
    void Redo(UndoContext& context) override;
    bool IsEmpty() const override { return records_.empty(); }
    // The number of non-empty records held.
    std::size_t Size() const { return records_.size(); }

private:
    std::vector<UndoerRef> records_;
};

// The undo record of one transaction: the records of its sub-transactions in order.
class TransactionUndoer : public UndoSequence {};

// The record of an element's insertion at a place of the diagram's element list.
UndoerRef MakeInsertionUndoer(const ElementPtr& element, std::size_t index);

// The record of consecutive insertions: undone in reverse order, redone in order, exactly as a
// sequence of insertion records (one record instead of one per element when a document is read).
class InsertionBatch : public Undoer {
public:
    // Appends the insertion of the element at the place.
    void Add(const ElementPtr& element, std::size_t index) { placed_.push_back({element, index}); }
    void Undo(UndoContext& context) override;
    void Redo(UndoContext& context) override;
    bool IsEmpty() const override { return placed_.empty(); }

private:
    struct Placed {
        ElementPtr element;
        std::size_t index;
    };
    std::vector<Placed> placed_;
};
// The record of an element's deletion from a place of the diagram's element list.
UndoerRef MakeDeletionUndoer(const ElementPtr& element, std::size_t index);

} // namespace Core
