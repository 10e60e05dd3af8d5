// A set of model elements in insertion order (selection, deletion, copy).
#pragma once

#include "core/ModelElement.h"

#include <vector>

namespace Core {

class ModelElementSet {
public:
    // Adds the element unless present; answers whether it was added.
    bool Insert(const ElementPtr& element);
    // Whether the set holds the element (linear search).
    bool Contains(const IModelElement* element) const;
    // Calls f(element&) on every element in insertion order.
    template <class F>
    void ForEach(F&& f) const {
        for (const auto& e : elements_) f(*e);
    }
    // The elements in insertion order.
    const std::vector<ElementPtr>& Elements() const { return elements_; }
    std::size_t Size() const { return elements_.size(); }
    bool Empty() const { return elements_.empty(); }

private:
    std::vector<ElementPtr> elements_;
};

} // namespace Core
