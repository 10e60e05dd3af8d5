#include "Editor/ClientView.h"

#include "core/foundation/Geometry.h"

namespace Editor {

namespace {

const WinUtil::WindowClass& PaneClass() {
    static WinUtil::WindowClass cls(L"Editor::ClientView", nullptr, nullptr, CS_DBLCLKS | CS_OWNDC);
    return cls;
}

} // namespace

HDWP PlaceChild(HDWP batch, HWND child, const ChildPlace& place) {
    if (!batch || !child) return batch;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER |
                       (place.shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE);
    return DeferWindowPos(batch, child, nullptr, place.x, place.y, place.width, place.height, flags);
}

ClientView::ClientView(const PaneSetup& setup, ClientView* upper) : zoomed_(setup.zoomed), focused_(setup.focused) {
    window_.Create(PaneClass(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, 0, setup.frame);
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(window_.GetDispatcher());
    plugs_->AddSpy(WM_SETFOCUS, this, &ClientView::OnSetFocus);
    vScroll_ = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0, 0, 0, setup.frame,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    canvas_ = DrawingKernel::CreateScreenCanvas(GetHwnd(), setup.hScroll, vScroll_);
    mouse_ = std::make_unique<WinUtil::MouseInputControl>(GetHwnd());
    View::DiagramViewSetup viewSetup = setup.view;
    viewSetup.canvas = canvas_.get();
    viewSetup.window = &window_;
    viewSetup.mouse = mouse_.get();
    view_ = std::make_unique<View::DiagramView>(*setup.model, viewSetup, setup.dock);
    dropTarget_ = View::RegisterDropTarget(*view_);
    canvas_->GetScrollObservers().Add(this);
    canvas_->GetZoomObservers().Add(this);
    if (upper) {
        partner_ = upper;
        upper->partner_ = this;
    }
}

ClientView::~ClientView() {
    if (partner_) partner_->partner_ = nullptr;
    canvas_->GetScrollObservers().Remove(this);
    canvas_->GetZoomObservers().Remove(this);
    dropTarget_.reset();
    view_->SetBeingDestroyed();
    view_.reset();
    if (vScroll_) DestroyWindow(vScroll_);
    canvas_.reset();
    plugs_.reset();
    window_.Destroy();
}

void ClientView::OnSetFocus(WinMessage::Msg&) {
    // A pane that gets the focus (a click, a tab) becomes the window's active pane.
    if (focused_) focused_(*this);
}

HDWP ClientView::Place(HDWP batch, const ChildPlace& pane, const ChildPlace& scrollBar) const {
    return PlaceChild(PlaceChild(batch, GetHwnd(), pane), vScroll_, scrollBar);
}

int ClientView::ClientHeight() const {
    RECT r{};
    GetClientRect(GetHwnd(), &r);
    return r.bottom;
}

void ClientView::OnScrolled(const zq::float8Point&) {
    if (!partner_ || following_ || partner_->following_) return;
    // The partner keeps its own vertical place and takes this pane's horizontal one.
    const zq::float8Point mine = canvas_->ClientToLogical({0, 0});
    const zq::float8Point theirs = partner_->canvas_->ClientToLogical({0, 0});
    partner_->following_ = true;
    partner_->canvas_->ScrollPointTo(zq::float8Point(zq::RoundPoint(zq::float8Point(mine.x, theirs.y))), {0, 0});
    partner_->following_ = false;
}

void ClientView::OnZoomed(const zq::Point& clientRef) {
    if (zoomed_) zoomed_();
    if (!partner_ || following_ || partner_->following_) return;
    partner_->following_ = true;
    partner_->canvas_->CopyViewFrom(*canvas_, {clientRef.x, partner_->ClientHeight() / 2});
    partner_->following_ = false;
}

} // namespace Editor
