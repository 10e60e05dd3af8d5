#include "page/win/VPage.h"

namespace Page {

VPage::VPage(Core::IView& view, Page& page, ICanvas::Canvas& canvas)
    : Core::IViewElement(view, page), page_(page), canvas_(canvas)
{
}

VPage::~VPage()
{
    const Core::IView* view = GetOwnerView();
    if (view == nullptr || view->IsBeingDestroyed() || canvas_.IsClosing()) return;
    canvas_.SetPageLayout(PageLayout());
}

void VPage::Update(const Core::ViewUpdateContext*)
{
    canvas_.SetPageLayout(page_.GetLayout());
}

} // namespace Page
