// A set of model elements in insertion order (selection, deletion, copy).
#pragma once

#include "core/ModelElement.h"

#include <unordered_set>
#include <vector>

namespace Core {

class ModelElementSet {
public:
    // The operation ForEach calls on every element.
    class Actor {
    public:
        virtual ~Actor() = default;
        // Acts on one element.
        virtual void Act(IModelElement& element) = 0;
        void operator()(IModelElement& element) { Act(element); }
    };

    // Learns what a query read from a set while it watches it (see Watch).
    class Watcher {
    public:
        virtual ~Watcher() = default;
        // The set was asked for an element it does not hold.
        virtual void Missed(const IModelElement* element) = 0;
        // The set was read as a whole (its elements, size or emptiness).
        virtual void ReadWhole() = 0;
    };

    // Adds the element unless present; answers whether it was added.
    bool Insert(const ElementPtr& element);
    // Whether the set holds the element.
    bool Contains(const IModelElement* element) const;
    // Removes the element; answers whether it was held.
    bool Remove(const IModelElement* element);
    // Calls f(element&) (or an Actor) on every element in insertion order.
    template <class F>
    void ForEach(F&& f) const {
        Read();
        for (std::size_t i = 0; i < elements_.size(); ++i) f(*elements_[i]);
    }
    // The elements in insertion order.
    const std::vector<ElementPtr>& Elements() const {
        Read();
        return elements_;
    }
    std::size_t Size() const {
        Read();
        return elements_.size();
    }
    bool Empty() const {
        Read();
        return elements_.empty();
    }
    void Clear() {
        elements_.clear();
        index_.clear();
    }

    // Reports every read of the set to the watcher until it is replaced (none: stops reporting);
    // the watcher must outlive its watching. Not copied with the set.
    void Watch(Watcher* watcher) const { watcher_ = watcher; }

    ModelElementSet() = default;
    ModelElementSet(const ModelElementSet& other) : elements_(other.elements_), index_(other.index_) {}
    ModelElementSet(ModelElementSet&& other) noexcept
        : elements_(std::move(other.elements_)), index_(std::move(other.index_)) {}
    ModelElementSet& operator=(const ModelElementSet& other) {
        if (this != &other) {
            elements_ = other.elements_;
            index_ = other.index_;
        }
        return *this;
    }
    ModelElementSet& operator=(ModelElementSet&& other) noexcept {
        elements_ = std::move(other.elements_);
        index_ = std::move(other.index_);
        return *this;
    }

private:
    void Read() const {
        if (watcher_ != nullptr) watcher_->ReadWhole();
    }

    std::vector<ElementPtr> elements_;
    std::unordered_set<const IModelElement*> index_;  // the same elements, for fast lookup
    mutable Watcher* watcher_ = nullptr;
};

} // namespace Core
