#include "core/UndoHandler.h"

#include "core/Diagram.h"
#include "core/Exceptions.h"
#include "core/ViewRepair.h"

#include <algorithm>

namespace Core {

class DirtyMarker;

struct UndoHandler::State {
    std::uint64_t current = 0;  // serial of the step on top of the undo list
    std::vector<DirtyMarker*> markers;
    void Notify();
};

class DirtyMarker : public IDirtyMarker {
public:
    explicit DirtyMarker(std::shared_ptr<UndoHandler::State> state)
        : state_(std::move(state)), clean_(state_->current), lastDirty_(false)
    {
        state_->markers.push_back(this);
    }
    ~DirtyMarker() override { std::erase(state_->markers, this); }
    bool IsDirty() const override { return state_->current != clean_; }
    void Reset() override {
        clean_ = state_->current;
        StateMayHaveChanged();
    }
    zq::IObserverPlug<IDirtyStateObserver>& GetDirtyStateObserverPlug() override { return observers_; }
    // Notifies the observers when the dirty state differs from the one last told.
    void StateMayHaveChanged() {
        bool dirty = IsDirty();
        if (dirty == lastDirty_) return;
        lastDirty_ = dirty;
        observers_.Notify([&](IDirtyStateObserver& o) { o.OnDirtyStateChanged(dirty); });
    }

private:
    std::shared_ptr<UndoHandler::State> state_;
    std::uint64_t clean_;
    bool lastDirty_;
    zq::ObserverList<IDirtyStateObserver> observers_;
};

void UndoHandler::State::Notify()
{
    auto markers = this->markers;
    for (DirtyMarker* m : markers)
        if (std::find(this->markers.begin(), this->markers.end(), m) != this->markers.end()) m->StateMayHaveChanged();
}

UndoHandler::UndoHandler(Diagram& diagram) : diagram_(diagram), state_(std::make_shared<State>()) {}

UndoHandler::~UndoHandler() = default;

void UndoHandler::Add(const UndoerRef& record, std::shared_ptr<ISelectionRestorer> before,
                      std::shared_ptr<ISelectionRestorer> after, bool join)
{
    if (record.IsEmpty()) return;
    if (join && !undo_.empty()) {
        Step& last = undo_.back();
        last.record = UndoerRef::Join(last.record, record);
        last.after = std::move(after);
        last.serial = nextSerial_++;
    } else {
        undo_.push_back(Step{record, std::move(before), std::move(after), nextSerial_++});
    }
    redo_.clear();
    Changed(true);
}

void UndoHandler::Undo(IView* view, SelectionTracker* tracker, int count)
{
    for (int i = 0; i < count && !undo_.empty(); ++i) Step1(view, tracker, true);
}

void UndoHandler::Redo(IView* view, SelectionTracker* tracker, int count)
{
    for (int i = 0; i < count && !redo_.empty(); ++i) Step1(view, tracker, false);
}

void UndoHandler::Step1(IView* view, SelectionTracker* tracker, bool undo)
{
    if (diagram_.IsTransactionOpen()) throw Exceptions::Base("undo or redo while a transaction is open");
    auto& from = undo ? undo_ : redo_;
    auto& to = undo ? redo_ : undo_;
    Step step = std::move(from.back());
    from.pop_back();
    std::exception_ptr viewError;
    try {
        UndoContext context(diagram_);
        context.Apply(step.record, undo);
    } catch (const Exceptions::ViewUpdateFailed&) {
        // The record ran in full and the views were repaired: the step counts as done.
        viewError = std::current_exception();
    } catch (...) {
        // The model may be partly changed: the remaining records no longer fit it, so the history
        // is dropped, and the document counts as changed against every saved state.
        undo_.clear();
        redo_.clear();
        baseSerial_ = nextSerial_++;
        Changed(true);
        throw;
    }
    std::shared_ptr<ISelectionRestorer> restorer = undo ? step.before : step.after;
    to.push_back(std::move(step));
    if (restorer) restorer->Restore(view, tracker);
    Changed(true);
    if (viewError) std::rethrow_exception(viewError);
}

std::unique_ptr<IDirtyMarker> UndoHandler::CreateDirtyMarker() { return std::make_unique<DirtyMarker>(state_); }

void UndoHandler::Clear()
{
    if (undo_.empty() && redo_.empty()) return;
    baseSerial_ = state_->current;  // the document itself is unchanged
    undo_.clear();
    redo_.clear();
    Changed(false);
}

void UndoHandler::Changed(bool documentChanged)
{
    state_->current = undo_.empty() ? baseSerial_ : undo_.back().serial;
    if (documentChanged) changeObservers_.Notify([](IDocumentChangeObserver& o) { o.OnDocumentChanged(); });
    const std::size_t u = undo_.size(), r = redo_.size();
    countObservers_.Notify([&](IUndoRedoCountObserver& o) { o.OnUndoRedoCountChanged(u, r); });
    state_->Notify();
}

} // namespace Core
