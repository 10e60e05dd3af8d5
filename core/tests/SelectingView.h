// A view that only keeps a selection, for tests that drag as a view does: what a drag takes along
// without the user selecting it follows the selected element as it does in the editor.
#pragma once

#include "core/View.h"

#include <memory>

namespace CoreTest {

// A view element that can be selected and draws nothing.
class SelectableView : public Core::VISelectable {
public:
    SelectableView(Core::IView& view, Core::IModelElement& element) : Core::IViewElement(view, element) {}
    void Update(const Core::ViewUpdateContext*) override {}
};

// A view whose elements are only selectable.
class SelectingView : public Core::IView {
public:
    std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& e) override {
        return std::make_shared<SelectableView>(*this, e);
    }
    void UpdateView() override {}
};

} // namespace CoreTest
