// The page frame: the view element of the page in a view, which hands the page's layout to the
// view's canvas (page borders on screen, sheets when printing or exporting).
#pragma once

#include "core/View.h"
#include "drawing/Canvas.h"
#include "page/Page.h"

namespace Page {

class VPage : public Core::IViewElement {
public:
    // The frame of the page in the view, drawing on the view's canvas (which outlives it).
    VPage(Core::IView& view, Page& page, ICanvas::Canvas& canvas);
    // Gives the canvas the default layout again, unless the canvas or the view is going away.
    ~VPage() override;

    // Hands the page's current layout to the canvas.
    void Update(const Core::ViewUpdateContext* context) override;

private:
    Page& page_;
    ICanvas::Canvas& canvas_;
};

} // namespace Page
