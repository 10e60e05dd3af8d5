#include "core/Undoer.h"

#include "core/Diagram.h"
#include "core/OwnedViews.h"
#include "core/View.h"
#include "core/ViewRepair.h"

#include <cstdio>
#include <exception>

namespace Core {

namespace {

class NullUndoer : public Undoer {
public:
    void Undo(UndoContext&) override {}
    void Redo(UndoContext&) override {}
    bool IsEmpty() const override { return true; }
};

// Undoing an insertion removes the element again; an undone deletion puts it back at its place.
class PlacementUndoer : public Undoer {
public:
    PlacementUndoer(ElementPtr element, std::size_t index, bool inserted)
        : element_(std::move(element)), index_(index), inserted_(inserted) {}
    void Undo(UndoContext& context) override { Place(context, !inserted_); }
    void Redo(UndoContext& context) override { Place(context, inserted_); }

private:
    void Place(UndoContext& context, bool present) {
        Diagram& diagram = context.GetDiagram();
        if (present)
            diagram.RestoreElement(element_, index_);
        else
            diagram.RemoveElementAt(index_, *element_);
        context.Touch(*element_);
    }
    ElementPtr element_;
    std::size_t index_;
    bool inserted_;
};

class JoinedUndoer : public Undoer {
public:
    JoinedUndoer(UndoerRef first, UndoerRef second) : first_(std::move(first)), second_(std::move(second)) {}
    void Undo(UndoContext& context) override {
        second_.Get()->Undo(context);
        first_.Get()->Undo(context);
    }
    void Redo(UndoContext& context) override {
        first_.Get()->Redo(context);
        second_.Get()->Redo(context);
    }
    bool IsEmpty() const override { return first_.IsEmpty() && second_.IsEmpty(); }

private:
    UndoerRef first_;
    UndoerRef second_;
};

} // namespace

std::shared_ptr<Undoer> GetNullUndoer()
{
    static const std::shared_ptr<Undoer> null = std::make_shared<NullUndoer>();  // thread-safe static init
    return null;
}

UndoerRef::UndoerRef() : undoer_(GetNullUndoer()) {}

UndoerRef::UndoerRef(std::shared_ptr<Undoer> undoer) : undoer_(undoer ? std::move(undoer) : GetNullUndoer()) {}

void UndoerRef::Apply(UndoContext& context, bool undo) const { context.Apply(*this, undo); }

UndoerRef UndoerRef::Join(const UndoerRef& first, const UndoerRef& second)
{
    if (second.IsEmpty()) return first;
    if (first.IsEmpty()) return second;
    return UndoerRef(std::make_shared<JoinedUndoer>(first, second));
}

UndoContext::~UndoContext()
{
    if (touched_.empty()) return;
    try {
        ViewFailures failures;
        UpdateTouched(failures);
        const std::string report = failures.Repair(diagram_);
        if (!report.empty()) std::fprintf(stderr, "%s\n", report.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "view update after undo failed: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "view update after undo failed\n");
    }
}

void UndoContext::Touch(IModelElement& element)
{
    if (touchedIndex_.count(&element)) return;
    touched_.push_back(element.shared_from_this());
    touchedIndex_.insert(&element);
}

void UndoContext::Apply(const UndoerRef& record, bool undo)
{
    Run([&] { undo ? record.Get()->Undo(*this) : record.Get()->Redo(*this); }, true);
}

void UndoContext::Run(const std::function<void()>& change, bool notify)
{
    ViewFailures failures;
    const auto views = diagram_.GetViews();
    auto tellViews = [&](void (IView::*notification)()) {
        for (IView* v : views) {
            try {
                (v->*notification)();
            } catch (...) {
                failures.Note(v);
            }
        }
    };
    if (notify) tellViews(&IView::OnUndoBegin);
    std::exception_ptr changeError;
    try {
        change();
    } catch (...) {
        changeError = std::current_exception();
    }
    UpdateTouched(failures);
    if (notify) tellViews(&IView::OnUndoEnd);
    const std::string report = failures.Repair(diagram_);
    if (changeError) {
        if (!report.empty()) std::fprintf(stderr, "%s\n", report.c_str());
        std::rethrow_exception(changeError);
    }
    if (!report.empty()) throw Exceptions::ViewUpdateFailed(report);
}

void UndoContext::UpdateTouched(ViewFailures& failures)
{
    auto touched = std::move(touched_);
    auto index = std::move(touchedIndex_);
    touched_.clear();
    touchedIndex_.clear();
    for (const auto& e : touched)
        if (!e->IsDeleted()) diagram_.MakeMissingViewElements(*e, failures);
    for (const auto& e : touched) e->UpdateViewElements(failures);
    // What a touched element carries (its text, its parts) is drawn where the element now is,
    // though the record left it alone.
    UpdateOwnedViews(diagram_, index, failures);
}

void UndoSequence::Add(const UndoerRef& record)
{
    if (!record.IsEmpty()) records_.push_back(record);
}

void UndoSequence::Undo(UndoContext& context)
{
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) it->Get()->Undo(context);
}

void UndoSequence::Redo(UndoContext& context)
{
    for (auto& r : records_) r.Get()->Redo(context);
}

UndoerRef MakeInsertionUndoer(const ElementPtr& element, std::size_t index)
{
    return UndoerRef(std::make_shared<PlacementUndoer>(element, index, true));
}

void InsertionBatch::Undo(UndoContext& context)
{
    Diagram& diagram = context.GetDiagram();
    for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) {
        diagram.RemoveElementAt(it->index, *it->element);
        context.Touch(*it->element);
    }
}

void InsertionBatch::Redo(UndoContext& context)
{
    Diagram& diagram = context.GetDiagram();
    for (const Placed& p : placed_) {
        diagram.RestoreElement(p.element, p.index);
        context.Touch(*p.element);
    }
}

UndoerRef MakeDeletionUndoer(const ElementPtr& element, std::size_t index)
{
    return UndoerRef(std::make_shared<PlacementUndoer>(element, index, false));
}

} // namespace Core
