#include "core/View.h"

#include "core/Diagram.h"

#include "core/Interfaces.h"
#include "core/Selection.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <stdexcept>

namespace Core {

IViewElement::IViewElement(IView& view, IModelElement& element)
    : view_(&view), element_(&element), pointable_(zq::Cast<const IPointable>(&element))
{
    index_ = view.elements_.size();
    view.elements_.push_back(this);
}

IViewElement::~IViewElement()
{
    if (view_ != nullptr) view_->Unlist(*this);
}

const IView& IViewElement::GetView() const
{
    if (view_ == nullptr) throw std::logic_error("view element without a view");
    return *view_;
}

VISelectable* IViewElement::GetSelectable() { return selectable_; }

bool IViewElement::IsHit(const zq::Point& point, int32_t tolerance) const
{
    return pointable_ != nullptr && pointable_->IsNear(point, tolerance);
}

Weight IViewElement::GetWeight(const zq::Point& point, int32_t tolerance) const
{
    if (pointable_ == nullptr) return {};
    return pointable_->GetWeight(GetView(), point, tolerance);
}

VISelectable::~VISelectable()
{
    if (selected_ && GetOwnerView() != nullptr) --GetOwnerView()->selectedCount_;
}

bool VISelectable::SetSelected(SelectionTracker* tracker, bool select)
{
    if (selected_ == select) return false;
    IView* view = GetOwnerView();
    if (view == nullptr) {
        selected_ = select;
        OnSelectedChanged();
        return true;
    }
    auto change = [&] {
        selected_ = select;
        if (select)
            ++view->selectedCount_;
        else
            --view->selectedCount_;
    };
    if (tracker != nullptr) {
        tracker->BeforeChange(*view);
        change();
    } else {
        SelectionTracker own(view);
        own.BeforeChange(*view);
        change();
    }
    OnSelectedChanged();
    return true;
}

void IView::Unlist(const IViewElement& element)
{
    elements_[element.index_] = nullptr;
    if (++gaps_ < 64 || gaps_ * 2 < elements_.size()) return;
    std::size_t kept = 0;
    for (IViewElement* e : elements_)
        if (e != nullptr) {
            e->index_ = kept;
            elements_[kept++] = e;
        }
    elements_.resize(kept);
    gaps_ = 0;
}

std::vector<IViewElement*> IView::GetViewElements() const
{
    std::vector<IViewElement*> all;
    all.reserve(elements_.size() - gaps_);
    for (IViewElement* e : elements_)
        if (e != nullptr) all.push_back(e);
    return all;
}

std::vector<IViewElement*> IView::GetSelectedViewElements() const
{
    std::vector<IViewElement*> selected;
    if (selectedCount_ == 0) return selected;
    selected.reserve(selectedCount_);
    for (IViewElement* e : elements_) {
        const VISelectable* s = e != nullptr ? e->GetSelectable() : nullptr;
        if (s != nullptr && s->IsSelected()) selected.push_back(e);
    }
    return selected;
}

IView::~IView()
{
    // A diagram must never keep a destroyed view: its next update or undo would reach freed memory.
    if (diagram_) diagram_->DetachView(*this);
    for (IViewElement* e : elements_)
        if (e != nullptr) e->view_ = nullptr;
}

void IView::UpdateViewElements(const ViewUpdateContext* context)
{
    const std::vector<IViewElement*> all = GetViewElements();
    for (IViewElement* e : all) e->Update(context);
}

void IView::NotifySelectionChanged()
{
    observers_.Notify([this](ISelectionObserver& o) { o.OnSelectionChanged(*this); });
}

void IView::SetActive(bool active)
{
    if (frozen_) return;
    active_ = active;
    for (IViewElement* e : GetSelectedViewElements()) e->OnActiveChanged(active);
}

template <class F>
void IView::ChangeSelection(SelectionTracker* tracker, F&& change)
{
    if (frozen_) return;
    if (tracker != nullptr) {
        change(tracker);
    } else {
        SelectionTracker own(this);  // one notification for the whole change
        change(&own);
    }
}

void IView::ClearSelection(SelectionTracker* tracker)
{
    if (selectedCount_ == 0) return;
    ChangeSelection(tracker, [this](SelectionTracker* t) {
        for (IViewElement* e : GetSelectedViewElements()) e->GetSelectable()->SetSelected(t, false);
    });
}

ModelElementSet IView::GetSelection() const
{
    ModelElementSet set;
    for (IViewElement* e : GetSelectedViewElements())
        if (e->GetModelElement() != nullptr) set.Insert(e->GetModelElement()->weak_from_this().lock());
    return set;
}

bool IView::HasSelection() const { return selectedCount_ != 0; }

void IView::ApplySelection(SelectionTracker* tracker, const ModelElementSet& set)
{
    ChangeSelection(tracker, [&](SelectionTracker* t) {
        const std::vector<IViewElement*> all = GetViewElements();
        for (IViewElement* e : all)
            if (VISelectable* s = e->GetSelectable()) s->SetSelected(t, set.Contains(e->GetModelElement()));
    });
}

void IView::SelectAll(SelectionTracker* tracker)
{
    ChangeSelection(tracker, [this](SelectionTracker* t) {
        const std::vector<IViewElement*> all = GetViewElements();
        for (IViewElement* e : all)
            if (VISelectable* s = e->GetSelectable()) s->SetSelected(t, true);
    });
}

void IView::SelectEnclosed(SelectionTracker* tracker, const zq::Rect& rect)
{
    const zq::Rect area = rect.Normalized();
    ChangeSelection(tracker, [&](SelectionTracker* t) {
        const std::vector<IViewElement*> all = GetViewElements();
        for (IViewElement* e : all) {
            VISelectable* s = e->GetSelectable();
            auto* pointable = zq::Cast<const IPointable>(e->GetModelElement());
            if (s == nullptr || pointable == nullptr) continue;
            zq::Rect bounds;
            if (pointable->GetBoundingRect(bounds) && area.Contains(bounds.Normalized())) s->SetSelected(t, true);
        }
    });
}

void IView::SetSelectionVisible(bool visible)
{
    selectionVisible_ = visible;
    for (IViewElement* e : GetSelectedViewElements()) e->GetSelectable()->OnSelectionVisible(visible);
}

HitResult IView::HitTest(const zq::Point& point, int32_t tolerance, const IFilter* filter, unsigned flags,
                         const std::vector<std::wstring>& requiredTypes) const
{
    auto admitted = [&](const IViewElement* e) {
        const IModelElement* m = e->GetModelElement();
        if (m == nullptr || m->IsDeleted()) return false;
        if (filter != nullptr && !filter->Accept(m)) return false;
        if (!requiredTypes.empty() &&
            std::find(requiredTypes.begin(), requiredTypes.end(), m->GetTypeName()) == requiredTypes.end())
            return false;
        const VISelectable* s = e->GetSelectable();
        return (flags & kHitSelectedOnly) == 0 || (s != nullptr && s->IsSelected());
    };
    HitResult best;
    auto offer = [&](IViewElement* e, const Weight& w, bool onMark) {
        if (!best || w > best.weight) best = HitResult{e, w, onMark};
    };
    if ((flags & kHitSelectedOnly) != 0 && selectedCount_ == 0) return best;
    if ((flags & kHitNoMarks) == 0) {
        for (IViewElement* e : GetSelectedViewElements()) {
            if (!admitted(e)) continue;
            Weight w = e->GetSelectable()->HitTestMarks(point, tolerance);
            if (w.GetKind() != Weight::Kind::Invisible) offer(e, w, true);
        }
    }
    // Every element is asked: the cheap tests first (elements that cannot be pointed at, texts
    // among them, without reaching their model element), the filters only for the few hit.
    for (IViewElement* e : elements_) {
        if (e == nullptr || e->pointable_ == nullptr) continue;
        if (e->GetModelElement() == nullptr || e->GetModelElement()->IsDeleted()) continue;
        if (e->IsHit(point, tolerance) && admitted(e)) offer(e, e->GetWeight(point, tolerance), false);
    }
    return best;
}

} // namespace Core
