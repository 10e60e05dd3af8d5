// A document's undo and redo lists, their observers and the dirty marker.
#pragma once

#include "core/Undoer.h"
#include "core/foundation/Observer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Core {

class Diagram;
class IView;
class SelectionTracker;

// Puts a selection back when an undo step is undone or redone.
class ISelectionRestorer {
public:
    virtual ~ISelectionRestorer() = default;
    // Reselects the remembered elements in the view.
    virtual void Restore(IView* view, SelectionTracker* tracker) = 0;
};

// Told after every change of the document, undo and redo included.
class IDocumentChangeObserver {
public:
    virtual ~IDocumentChangeObserver() = default;
    // The document changed (a new step, an undo or a redo).
    virtual void OnDocumentChanged() = 0;
};

// Told when the undo or redo count changes.
class IUndoRedoCountObserver {
public:
    virtual ~IUndoRedoCountObserver() = default;
    // The new numbers of undo and redo steps.
    virtual void OnUndoRedoCountChanged(std::size_t undoCount, std::size_t redoCount) = 0;
};

// Told when a document becomes dirty or clean.
class IDirtyStateObserver {
public:
    virtual ~IDirtyStateObserver() = default;
    // The document became dirty (true) or clean (false).
    virtual void OnDirtyStateChanged(bool dirty) = 0;
};

// Tells whether a document differs from its state at the last reset.
class IDirtyMarker {
public:
    virtual ~IDirtyMarker() = default;
    // Whether the document differs from the state at the last reset.
    virtual bool IsDirty() const = 0;
    // The current state becomes the clean state.
    virtual void Reset() = 0;
    // The plug of the marker's observers.
    virtual zq::IObserverPlug<IDirtyStateObserver>& GetDirtyStateObserverPlug() = 0;
};

// A document's undo and redo lists of steps.
class IUndoHandler {
public:
    virtual ~IUndoHandler() = default;
    // Appends one undo step (empty records are ignored) and clears the redo list; with the join flag
    // and a non-empty undo list the record is merged into the last step.
    virtual void Add(const UndoerRef& record, std::shared_ptr<ISelectionRestorer> before,
                     std::shared_ptr<ISelectionRestorer> after, bool join) = 0;
    // Undoes up to count steps. A failing record drops the whole history and passes its error on;
    // when only views failed the step counts as undone and Exceptions::ViewUpdateFailed follows.
    virtual void Undo(IView* view, SelectionTracker* tracker, int count = 1) = 0;
    // Redoes up to count steps, failing as Undo.
    virtual void Redo(IView* view, SelectionTracker* tracker, int count = 1) = 0;
    // The number of steps that can be undone.
    virtual std::size_t GetUndoCount() const = 0;
    // The number of steps that can be redone.
    virtual std::size_t GetRedoCount() const = 0;
    // A new marker whose clean state is the current state.
    virtual std::unique_ptr<IDirtyMarker> CreateDirtyMarker() = 0;
    // The plug of the observers told after every change of the document.
    virtual zq::IObserverPlug<IDocumentChangeObserver>& GetDocumentChangeObserverPlug() = 0;
    // The plug of the observers told when the undo or redo count changes.
    virtual zq::IObserverPlug<IUndoRedoCountObserver>& GetUndoRedoCountObserverPlug() = 0;
    // Drops every undo and redo step.
    virtual void Clear() = 0;
};

// The undo handler a diagram owns.
class UndoHandler : public IUndoHandler {
public:
    explicit UndoHandler(Diagram& diagram);
    ~UndoHandler() override;

    void Add(const UndoerRef& record, std::shared_ptr<ISelectionRestorer> before,
             std::shared_ptr<ISelectionRestorer> after, bool join) override;
    void Undo(IView* view, SelectionTracker* tracker, int count = 1) override;
    void Redo(IView* view, SelectionTracker* tracker, int count = 1) override;
    std::size_t GetUndoCount() const override { return undo_.size(); }
    std::size_t GetRedoCount() const override { return redo_.size(); }
    std::unique_ptr<IDirtyMarker> CreateDirtyMarker() override;
    zq::IObserverPlug<IDocumentChangeObserver>& GetDocumentChangeObserverPlug() override { return changeObservers_; }
    zq::IObserverPlug<IUndoRedoCountObserver>& GetUndoRedoCountObserverPlug() override { return countObservers_; }
    void Clear() override;

    // The serial number of the current undo state, shared with the dirty markers.
    struct State;

private:
    struct Step {
        UndoerRef record;
        std::shared_ptr<ISelectionRestorer> before;
        std::shared_ptr<ISelectionRestorer> after;
        std::uint64_t serial = 0;
    };
    void Step1(IView* view, SelectionTracker* tracker, bool undo);
    void Changed(bool documentChanged);

    Diagram& diagram_;
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    std::uint64_t nextSerial_ = 1;
    std::uint64_t baseSerial_ = 0;  // the state with an empty undo list
    std::shared_ptr<State> state_;
    zq::ObserverList<IDocumentChangeObserver> changeObservers_;
    zq::ObserverList<IUndoRedoCountObserver> countObservers_;
};

} // namespace Core
