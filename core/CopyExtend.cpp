#include "core/CopyExtend.h"

#include "core/Diagram.h"
#include "core/Shift.h"

#include <limits>
#include <set>
#include <unordered_map>
#include <vector>

namespace Core {

ExtendSelectionResult ExtendSelectionParam::Add(IModelElement* element)
{
    if (element == nullptr || element->IsDeleted() || !element->IsCopyable()) return ExtendSelectionResult::None;
    if (set_.Contains(element)) return ExtendSelectionResult::Partial;
    ElementPtr shared = element->weak_from_this().lock();
    if (!shared) return ExtendSelectionResult::None;
    set_.Insert(shared);
    return ExtendSelectionResult::Full;
}

bool ExtendSelectionParam::TakePending(IModelElement*& element)
{
    if (pending_ >= set_.Size()) return false;
    element = set_.Elements()[pending_++].get();
    return true;
}

namespace CopyExtendSelection {

namespace {

// Extends from every element taken and not yet extended from.
void Drain(ExtendSelectionParam& param)
{
    IModelElement* e = nullptr;
    while (param.TakePending(e)) {
        ModelElementSet parts;
        e->CollectForSelection(parts);
        for (const ElementPtr& p : parts.Elements()) param.Add(p.get());
        if (IShiftable* s = e->GetShiftable()) s->ExtendSelection(param);
    }
}

// Reports the reads of a set to a watcher for as long as it lives.
class WatchScope {
public:
    WatchScope(const ModelElementSet& set, ModelElementSet::Watcher& watcher) : set_(set) { set_.Watch(&watcher); }
    ~WatchScope() { set_.Watch(nullptr); }
    WatchScope(const WatchScope&) = delete;
    WatchScope& operator=(const WatchScope&) = delete;

private:
    const ModelElementSet& set_;
};

// Takes every diagram element that is owned by a taken element or completely selected by the
// selection, in repeated passes over the diagram in diagram order until a pass takes nothing.
// A place is looked at again only when something it depends on was taken since it was last looked
// at: its owner, or an element its selection test asked for and missed (a test that read the whole
// selection depends on everything). The elements are taken in the order of full passes.
class Scan : private ModelElementSet::Watcher {
public:
    Scan(const Diagram& diagram, ExtendSelectionParam& param)
        : elements_(diagram.Elements()), param_(param), readsWhole_(elements_.size(), false)
    {
        for (std::size_t i = 0; i < elements_.size(); ++i) {
            if (IModelElement* owner = elements_[i]->GetOwner()) owned_[owner].push_back(i);
        }
        noticed_ = param_.GetSet().Elements().size();
    }

    void Run()
    {
        // The first pass looks at every place; places after the pass's own are looked at anyway.
        for (firstPass_ = 0; firstPass_ < elements_.size(); ++firstPass_) Look(firstPass_);
        firstPass_ = std::numeric_limits<std::size_t>::max();
        std::size_t cursor = elements_.size();
        while (!dirty_.empty()) {
            auto it = dirty_.lower_bound(cursor);
            if (it == dirty_.end()) it = dirty_.begin();  // the next pass
            const std::size_t place = *it;
            dirty_.erase(it);
            cursor = place + 1;
            Look(place);
        }
    }

private:
    void Missed(const IModelElement* element) override { waiters_[element].push_back(current_); }
    void ReadWhole() override
    {
        if (readsWhole_[current_]) return;
        readsWhole_[current_] = true;
        wholeReaders_.push_back(current_);
    }

    // Takes the element at the place when it is takeable, with everything it draws along.
    void Look(std::size_t place)
    {
        if (Takeable(place) && param_.Add(elements_[place].get()) == ExtendSelectionResult::Full) {
            Drain(param_);
            Notice();
        }
    }

    // Marks the places to look at again.
    template <class Places>
    void MarkDirty(const Places& places)
    {
        for (std::size_t p : places)
            if (p <= firstPass_) dirty_.insert(p);
    }

    // Whether the element at the place is not taken yet and owned by a taken element or completely selected.
    bool Takeable(std::size_t place)
    {
        IModelElement* e = elements_[place].get();
        const ModelElementSet& set = param_.GetSet();
        if (set.Contains(e)) return false;
        IModelElement* owner = e->GetOwner();
        if (owner != nullptr && set.Contains(owner)) return true;
        current_ = place;
        WatchScope watching(set, *this);
        return e->IsCompletelySelected(set);
    }

    // Marks the places that depend on the elements taken since the last call.
    void Notice()
    {
        const std::vector<ElementPtr>& taken = param_.GetSet().Elements();
        for (; noticed_ < taken.size(); ++noticed_) {
            const IModelElement* e = taken[noticed_].get();
            if (auto it = owned_.find(e); it != owned_.end()) MarkDirty(it->second);
            if (auto it = waiters_.find(e); it != waiters_.end()) {
                MarkDirty(it->second);
                waiters_.erase(it);
            }
            MarkDirty(wholeReaders_);
        }
    }

    const std::vector<ElementPtr>& elements_;
    ExtendSelectionParam& param_;
    std::unordered_map<const IModelElement*, std::vector<std::size_t>> owned_;    // owner: places it owns
    std::unordered_map<const IModelElement*, std::vector<std::size_t>> waiters_;  // missed element: places
    std::vector<bool> readsWhole_;
    std::vector<std::size_t> wholeReaders_;
    std::set<std::size_t> dirty_;  // places to look at again
    std::size_t noticed_ = 0;      // taken elements whose dependants are marked
    std::size_t current_ = 0;      // the place being tested
    std::size_t firstPass_ = std::numeric_limits<std::size_t>::max();  // the first pass's place, then none
};

} // namespace

ModelElementSet Build(const ModelElementSet& selection, const Diagram& diagram)
{
    ExtendSelectionParam param(&diagram);
    for (const ElementPtr& e : selection.Elements()) param.Add(e.get());
    Drain(param);
    Scan(diagram, param).Run();
    // Diagram order first, then whatever lies outside the diagram.
    std::unordered_map<const IModelElement*, bool> taken;
    for (const ElementPtr& e : param.GetSet().Elements()) taken[e.get()] = false;
    ModelElementSet result;
    for (const ElementPtr& e : diagram.Elements()) {
        auto it = taken.find(e.get());
        if (it != taken.end()) {
            result.Insert(e);
            it->second = true;
        }
    }
    for (const ElementPtr& e : param.GetSet().Elements())
        if (!taken[e.get()]) result.Insert(e);
    return result;
}

} // namespace CopyExtendSelection

} // namespace Core
