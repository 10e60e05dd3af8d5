#include "app/winutil/WindowResizer.h"

namespace WinUtil {

namespace {

RECT ControlRect(HWND parent, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT ClientInScreen(HWND parent) {
    RECT r{};
    GetClientRect(parent, &r);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

void RelativeMover::Record(HWND parent) { rect_ = ControlRect(parent, control_); }

bool RelativeMover::Place(const RECT& d, HWND& control, RECT& rect) const {
    control = control_;
    rect = rect_;
    int dx = right_ ? d.right : 0;
    int dy = bottom_ ? d.bottom : 0;
    OffsetRect(&rect, dx, dy);
    return true;
}

void Stretcher::Record(HWND parent) { rect_ = ControlRect(parent, control_); }

bool Stretcher::Place(const RECT& d, HWND& control, RECT& rect) const {
    control = control_;
    rect = rect_;
    if (left_) rect.left += d.left;
    if (top_) rect.top += d.top;
    if (right_) rect.right += d.right;
    if (bottom_) rect.bottom += d.bottom;
    if (rect.right < rect.left) rect.right = rect.left;
    if (rect.bottom < rect.top) rect.bottom = rect.top;
    return true;
}

WindowResizer::WindowResizer(IWindow& dialog) : parent_(dialog.GetHwnd()), plugs_(dialog.GetDispatcher()) {
    plugs_.AddSpy(WM_WINDOWPOSCHANGED, this, &WindowResizer::OnChange);
    plugs_.AddSpy(WM_SETTINGCHANGE, this, &WindowResizer::OnChange);
    client_ = ClientInScreen(parent_);
}

void WindowResizer::Add(std::unique_ptr<IResizeRule> rule) {
    rule->Record(parent_);
    rules_.push_back(std::move(rule));
}

void WindowResizer::Record() {
    client_ = ClientInScreen(parent_);
    for (auto& rule : rules_) rule->Record(parent_);
}

void WindowResizer::Apply() {
    if (IsIconic(parent_) || rules_.empty()) return;
    RECT now = ClientInScreen(parent_);
    // Controls live in client coordinates: a moved parent's left/top change moves them already.
    RECT delta{0, 0, (now.right - now.left) - (client_.right - client_.left),
               (now.bottom - now.top) - (client_.bottom - client_.top)};
    HDWP batch = BeginDeferWindowPos(static_cast<int>(rules_.size()));
    for (auto& rule : rules_) {
        HWND control = nullptr;
        RECT r;
        if (!rule->Place(delta, control, r)) continue;
        if (batch)
            batch = DeferWindowPos(batch, control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) EndDeferWindowPos(batch);
}

void WindowResizer::OnChange(WinMessage::Msg&) { Apply(); }

} // namespace WinUtil
