// The model side of views: a view of a diagram and an element's presence in one view.
#pragma once

#include <memory>

namespace Core {

class IModelElement;

// Whatever a view needs to know when its view elements update (opaque to the model).
struct ViewUpdateContext;

// An element's presence in one view.
class IViewElement {
public:
    virtual ~IViewElement() = default;
    // The view the element belongs to.
    virtual const class IView& GetView() const = 0;
    // Brings the view element up to date with its model element.
    virtual void Update(const ViewUpdateContext* context) = 0;
};

// A view of a diagram: it makes view elements and hears of document changes.
class IView {
public:
    virtual ~IView() = default;
    // The view element of a model element in this view, or none when the view does not show it.
    virtual std::shared_ptr<IViewElement> CreateViewElement(IModelElement& element) = 0;
    // Lets the view update its drawables after a change.
    virtual void UpdateView() = 0;
    // Told before an undo or redo record runs on the diagram.
    virtual void OnUndoBegin() {}
    // Told after an undo or redo record has run and the touched elements have updated.
    virtual void OnUndoEnd() {}
};

} // namespace Core
