#include "core/Selection.h"

#include "core/View.h"

#include <algorithm>

namespace Core {

namespace {

// Reselects a remembered set of elements.
class SelectionRestorer : public ISelectionRestorer {
public:
    explicit SelectionRestorer(const ModelElementSet& set) : set_(set) {}
    void Restore(IView* view, SelectionTracker* tracker) override {
        if (view != nullptr) view->ApplySelection(tracker, set_);
    }

private:
    ModelElementSet set_;
};

} // namespace

bool IModelElement::IsSelectedInView(const IView& view) const
{
    const IViewElement* e = FindViewElement(view);
    const VISelectable* s = e != nullptr ? e->GetSelectable() : nullptr;
    return s != nullptr && s->IsSelected();
}

void IModelElement::SelectInView(IView& view, bool select, SelectionTracker* tracker)
{
    IViewElement* e = FindViewElement(view);
    if (VISelectable* s = e != nullptr ? e->GetSelectable() : nullptr) s->SetSelected(tracker, select);
}

SelectionTracker::SelectionTracker(IView* view, bool notifyAlways) : view_(view), notifyAlways_(notifyAlways) {}

SelectionTracker::~SelectionTracker()
{
    try {
        bool notifiedOwn = false;
        for (const Snapshot& s : snapshots_) {
            if (Selected(*s.view) == s.selected) continue;
            notifiedOwn = notifiedOwn || s.view == view_;
            s.view->NotifySelectionChanged();
        }
        if (notifyAlways_ && view_ != nullptr && !notifiedOwn) view_->NotifySelectionChanged();
    } catch (...) {
        // A failing observer must not end the change that made the selection.
    }
}

std::vector<const IModelElement*> SelectionTracker::Selected(const IView& view)
{
    std::vector<const IModelElement*> list;
    for (const IViewElement* e : view.GetSelectedViewElements()) list.push_back(e->GetModelElement());
    std::sort(list.begin(), list.end());
    return list;
}

void SelectionTracker::BeforeChange(IView& view)
{
    for (const Snapshot& s : snapshots_)
        if (s.view == &view) return;
    Snapshot s{&view, Selected(view), {}};
    for (const IModelElement* e : s.selected)
        if (e != nullptr)
            if (ElementPtr p = const_cast<IModelElement*>(e)->weak_from_this().lock()) s.keep.push_back(std::move(p));
    snapshots_.push_back(std::move(s));
}

bool SelectionTracker::HasChanged() const
{
    return std::any_of(snapshots_.begin(), snapshots_.end(),
                       [](const Snapshot& s) { return Selected(*s.view) != s.selected; });
}

SelectionVisibilityLock::SelectionVisibilityLock(IView& view) : view_(view)
{
    if (view_.visibilityHolds_++ == 0) view_.SetSelectionVisible(false);
}

SelectionVisibilityLock::~SelectionVisibilityLock()
{
    if (--view_.visibilityHolds_ == 0) {
        try {
            view_.SetSelectionVisible(true);
        } catch (...) {
        }
    }
}

std::shared_ptr<ISelectionRestorer> MakeSelectionRestorer(const ModelElementSet& set)
{
    return std::make_shared<SelectionRestorer>(set);
}

} // namespace Core
