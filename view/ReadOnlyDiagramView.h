// A view of a diagram, or of any element source, on a canvas that is never edited: printing and
// export draw through it.
#pragma once

#include "core/Diagram.h"
#include "view/CanvasView.h"

#include <functional>
#include <memory>
#include <vector>

namespace View {

class ReadOnlyDiagramView : public ICanvasView {
public:
    // Makes the view element of an element that is not a View::ModelElement (the page's frame);
    // none when the element has nothing to show.
    using ForeignViewMaker =
        std::function<std::shared_ptr<Core::IViewElement>(Core::IModelElement& element, ReadOnlyDiagramView& view)>;

    // A view of the source on the canvas (both outlive the view); it marks itself inactive, so that
    // no selection mark is ever drawn.
    ReadOnlyDiagramView(const Core::IClub& source, ICanvas::Canvas& canvas, ForeignViewMaker foreign = {});
    // Takes its view elements back from the elements it gave them to.
    ~ReadOnlyDiagramView() override;

    // Gives every element of the source its view element here, in the source's order (for a source
    // the view is not attached to; an attached diagram does this itself).
    void AddSourceElements();
    // The source drawn.
    const Core::IClub& GetSource() const { return source_; }

    std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& element) override;
    // Processes the queued updates: every view element draws onto the canvas.
    void UpdateView() override { ProcessUpdates(); }
    int PixelsToLogical(int n) const override;
    ICanvas::Canvas& GetCanvas() override { return canvas_; }

private:
    const Core::IClub& source_;
    ICanvas::Canvas& canvas_;
    ForeignViewMaker foreign_;
    std::vector<Core::ElementPtr> added_;  // the elements AddSourceElements gave view elements to
};

} // namespace View
