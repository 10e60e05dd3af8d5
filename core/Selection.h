// Selection changes: the tracker that notifies a view's selection observers once per real change,
// the hold that hides a view's selection marks, and the restorer undo steps reselect with.
#pragma once

#include "core/ModelElementSet.h"
#include "core/UndoHandler.h"

#include <memory>
#include <vector>

namespace Core {

class IView;

// Made on a view beside a change: every selection change goes through it, and when it ends it
// notifies each touched view's selection observers once, only when that view's selection differs
// from the one before the first change.
class SelectionTracker {
public:
    // Tracks changes in the view (none: only views touched later); with notifyAlways the view's
    // observers are notified at the end even without a change.
    explicit SelectionTracker(IView* view, bool notifyAlways = false);
    // Notifies as described; never throws.
    ~SelectionTracker();
    SelectionTracker(const SelectionTracker&) = delete;
    SelectionTracker& operator=(const SelectionTracker&) = delete;

    // The view the tracker was made on, or none.
    IView* GetView() const { return view_; }
    // Remembers the view's selection before its first change through this tracker.
    void BeforeChange(IView& view);
    // Whether a touched view's selection now differs from the remembered one.
    bool HasChanged() const;

private:
    struct Snapshot {
        IView* view;
        std::vector<const IModelElement*> selected;  // sorted
        std::vector<ElementPtr> keep;                // keeps the addresses from being reused
    };
    static std::vector<const IModelElement*> Selected(const IView& view);

    IView* view_;
    bool notifyAlways_;
    std::vector<Snapshot> snapshots_;
};

// A hold on a view's selection display: while any hold exists the marks are hidden; releasing the
// last hold shows them.
class SelectionVisibilityLock {
public:
    explicit SelectionVisibilityLock(IView& view);
    ~SelectionVisibilityLock();
    SelectionVisibilityLock(const SelectionVisibilityLock&) = delete;
    SelectionVisibilityLock& operator=(const SelectionVisibilityLock&) = delete;

private:
    IView& view_;
};

// A restorer that reselects exactly the set's elements (those still shown) on undo or redo.
std::shared_ptr<ISelectionRestorer> MakeSelectionRestorer(const ModelElementSet& set);

} // namespace Core
