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

    // Adds the element unless present; answers whether it was added.
    bool Insert(const ElementPtr& element);
    // Whether the set holds the element.
    bool Contains(const IModelElement* element) const;
    // Removes the element; answers whether it was held.
    bool Remove(const IModelElement* element);
    // Calls f(element&) (or an Actor) on every element in insertion order.
    template <class F>
    void ForEach(F&& f) const {
        for (std::size_t i = 0; i < elements_.size(); ++i) f(*elements_[i]);
    }
    // The elements in insertion order.
    const std::vector<ElementPtr>& Elements() const { return elements_; }
    std::size_t Size() const { return elements_.size(); }
    bool Empty() const { return elements_.empty(); }
    void Clear() {
        elements_.clear();
        index_.clear();
    }

private:
    std::vector<ElementPtr> elements_;
    std::unordered_set<const IModelElement*> index_;  // the same elements, for fast lookup
};

} // namespace Core
