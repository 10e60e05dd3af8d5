#include "view/ReadOnlyDiagramView.h"

#include "core/foundation/Geometry.h"

#include <algorithm>

namespace View {

ReadOnlyDiagramView::ReadOnlyDiagramView(const Core::IClub& source, ICanvas::Canvas& canvas, ForeignViewMaker foreign)
    : source_(source), canvas_(canvas), foreign_(std::move(foreign))
{
    SetActive(false);
}

ReadOnlyDiagramView::~ReadOnlyDiagramView()
{
    SetBeingDestroyed();
    // A view element left behind would outlive its view inside the model element.
    for (const Core::ElementPtr& e : added_) e->RemoveViewElements(*this);
}

void ReadOnlyDiagramView::AddSourceElements()
{
    source_.ForEachElement([this](Core::IModelElement& element) {
        if (element.FindViewElement(*this) != nullptr) return;
        auto viewElement = CreateViewElement(element);
        if (!viewElement) return;
        added_.push_back(element.shared_from_this());
        element.AddViewElement(std::move(viewElement));
    });
    UpdateViewElements();
}

std::shared_ptr<Core::IViewElement> ReadOnlyDiagramView::CreateViewElement(Core::IModelElement& element)
{
    if (auto made = ICanvasView::CreateViewElement(element)) return made;
    return foreign_ ? foreign_(element, *this) : nullptr;
}

int ReadOnlyDiagramView::PixelsToLogical(int n) const
{
    return zq::Round(n / std::max(0.75, canvas_.GetPageLayout().scale));
}

} // namespace View
