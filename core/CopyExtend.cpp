#include "core/CopyExtend.h"

#include "core/Diagram.h"
#include "core/Shift.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <set>
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

// Lists of places keyed by element, in two flat arrays (open addressing over the keys, the lists
// chained through one entry array): a scan over a large diagram adds tens of thousands of them, and
// a node allocation per key and per list made the scan's time depend on the state of the heap.
class PlaceLists {
public:
    // Appends the place to the element's list.
    void Add(const IModelElement* key, std::size_t place)
    {
        if (2 * (used_ + 1) > slots_.size()) Grow();
        Slot& s = slots_[Find(key)];
        if (s.key == nullptr) {
            s.key = key;
            ++used_;
        }
        entries_.push_back({place, s.head});
        s.head = std::uint32_t(entries_.size() - 1);
    }
    // Calls f(place) for every place of the element's list.
    template <class F>
    void ForEach(const IModelElement* key, F&& f) const
    {
        if (slots_.empty()) return;
        for (std::uint32_t e = slots_[Find(key)].head; e != kNone; e = entries_[e].next) f(entries_[e].place);
    }
    // Empties the element's list.
    void Drop(const IModelElement* key)
    {
        if (!slots_.empty()) slots_[Find(key)].head = kNone;
    }

private:
    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    struct Slot {
        const IModelElement* key = nullptr;
        std::uint32_t head = kNone;
    };
    struct Entry {
        std::size_t place;
        std::uint32_t next;
    };
    // The key's slot, or the empty slot where it belongs.
    std::size_t Find(const IModelElement* key) const
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = std::hash<const IModelElement*>()(key) * 0x9E3779B97F4A7C15ull >> 20 & mask;;
             i = (i + 1) & mask)
            if (slots_[i].key == key || slots_[i].key == nullptr) return i;
    }
    void Grow()
    {
        std::vector<Slot> old(std::max<std::size_t>(64, 2 * slots_.size()));
        old.swap(slots_);
        for (const Slot& s : old)
            if (s.key != nullptr) slots_[Find(s.key)] = s;
    }
    std::vector<Slot> slots_;  // a power of two of them, at most half used
    std::vector<Entry> entries_;
    std::size_t used_ = 0;
};

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
            if (IModelElement* owner = elements_[i]->GetOwner()) owned_.Add(owner, i);
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
    void Missed(const IModelElement* element) override { waiters_.Add(element, current_); }
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

    // Marks the place to look at again.
    void MarkDirty(std::size_t place)
    {
        if (place <= firstPass_) dirty_.insert(place);
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
            const auto mark = [this](std::size_t place) { MarkDirty(place); };
            owned_.ForEach(e, mark);
            waiters_.ForEach(e, mark);
            waiters_.Drop(e);
            for (std::size_t place : wholeReaders_) MarkDirty(place);
        }
    }

    const std::vector<ElementPtr>& elements_;
    ExtendSelectionParam& param_;
    PlaceLists owned_;    // owner: places it owns
    PlaceLists waiters_;  // missed element: places
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
    // Diagram order first, then whatever lies outside the diagram (the result skips those it has).
    const ModelElementSet& taken = param.GetSet();
    ModelElementSet result;
    for (const ElementPtr& e : diagram.Elements())
        if (taken.Contains(e.get())) result.Insert(e);
    for (const ElementPtr& e : taken.Elements()) result.Insert(e);
    return result;
}

ModelElementSet Companions(const Diagram& diagram)
{
    ModelElementSet companions;
    for (const ElementPtr& e : diagram.Elements())
        if (!e->IsDeleted() && e->TravelsWithEveryCopy()) e->CollectForSelection(companions);
    return companions;
}

} // namespace CopyExtendSelection

} // namespace Core
