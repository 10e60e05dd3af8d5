#include "Editor/SplitBar.h"

#include "view/Cursor.h"

#include <algorithm>

namespace Editor {

namespace {

constexpr int kSplitCursor = 282;

const WinUtil::WindowClass& BarClass() {
    static WinUtil::WindowClass cls(L"SplitBar", nullptr, nullptr, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_PARENTDC,
                                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    return cls;
}

int ScrollHeight() { return GetSystemMetrics(SM_CYHSCROLL); }

} // namespace

SplitBar::SplitBar(ISplitHost& host) : host_(host) {
    window_.Create(BarClass(), L"", WS_CHILD | WS_VISIBLE, 0, 0, host.GetToolbarHeight(), 0, 0, host.GetFrame());
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(window_.GetDispatcher());
    plugs_->Add(WM_PAINT, this, &SplitBar::OnPaint);
    plugs_->Add(WM_LBUTTONDOWN, this, &SplitBar::OnLButtonDown);
    plugs_->Add(WM_LBUTTONUP, this, &SplitBar::OnLButtonUp);
    plugs_->Add(WM_LBUTTONDBLCLK, this, &SplitBar::OnLButtonDblClk);
    plugs_->Add(WM_MOUSEMOVE, this, &SplitBar::OnMouseMove);
    plugs_->Add(WM_KILLFOCUS, this, &SplitBar::OnCancelMode);
    plugs_->Add(WM_KEYDOWN, this, &SplitBar::OnKeyDown);
    plugs_->Add(WM_CAPTURECHANGED, this, &SplitBar::OnCancelMode);
    plugs_->Add(WM_SETCURSOR, this, &SplitBar::OnSetCursor);
}

SplitBar::~SplitBar() {
    plugs_.reset();
    window_.Destroy();
}

void SplitBar::SetLayoutState(bool split, int splitPos) {
    split_ = split;
    splitPos_ = splitPos;
}

RECT SplitBar::FrameClient() const {
    RECT r{};
    GetClientRect(host_.GetFrame(), &r);
    return r;
}

int SplitBar::FrameY(const WinMessage::MouseMsg& msg) const {
    POINT p = msg.Pos();
    MapWindowPoints(GetHwnd(), host_.GetFrame(), &p, 1);
    return p.y;
}

RECT SplitBar::TrackRect(int y) const {
    const RECT client = FrameClient();
    RECT own{};
    GetWindowRect(GetHwnd(), &own);
    const int height = std::max<int>(own.bottom - own.top, GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYFRAME));
    const int top = std::clamp<int>(y - height / 2, client.top, std::max<int>(client.top, client.bottom - height));
    return RECT{client.left, top, client.right, top + height};
}

void SplitBar::DrawTracker(const RECT& r) const {
    HDC dc = GetDCEx(host_.GetFrame(), nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, brush_);
    PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATINVERT);
    SelectObject(dc, old);
    ReleaseDC(host_.GetFrame(), dc);
}

void SplitBar::MoveTracker(int y) {
    const RECT next = TrackRect(y);
    if (trackerShown_ && EqualRect(&next, &tracker_)) return;
    if (trackerShown_) DrawTracker(tracker_);
    tracker_ = next;
    trackerShown_ = true;
    DrawTracker(tracker_);
}

void SplitBar::BeginTracking(int y, bool fromKeyboard) {
    if (tracking_) return;
    tracking_ = true;
    keyboard_ = fromKeyboard;
    if (fromKeyboard) GetCursorPos(&savedCursor_);
    brush_ = GetSysColorBrush(COLOR_APPWORKSPACE);
    View::Cursor::Load(kSplitCursor);
    SetFocus(GetHwnd());
    SetCapture(GetHwnd());
    MoveTracker(y);
}

void SplitBar::EndTracking(bool cancel) {
    if (!tracking_) return;
    tracking_ = false;
    if (GetCapture() == GetHwnd()) ReleaseCapture();
    host_.FocusActivePane();
    if (trackerShown_) DrawTracker(tracker_);
    trackerShown_ = false;
    if (keyboard_) SetCursorPos(savedCursor_.x, savedCursor_.y);
    keyboard_ = false;
    if (cancel) return;
    const int h = ScrollHeight();
    const int T = host_.GetToolbarHeight();
    if (tracker_.top >= T + h && tracker_.bottom + 2 * h <= FrameClient().bottom) {
        splitPos_ = tracker_.top;
        if (!split_) {
            split_ = true;
            host_.CreateSecondView();
        }
        host_.Layout();
        host_.FocusActivePane();
    } else {
        Unsplit();
    }
}

void SplitBar::Unsplit() {
    if (!split_) return;
    split_ = false;
    host_.RemoveSecondView();
    host_.Layout();
}

void SplitBar::StartFromKeyboard() {
    POINT p{};
    if (split_) {
        RECT r{};
        GetWindowRect(GetHwnd(), &r);
        p = {(r.left + r.right) / 2, (r.top + r.bottom - 1) / 2};
        ScreenToClient(host_.GetFrame(), &p);
    } else {
        const RECT client = FrameClient();
        p = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    }
    BeginTracking(p.y, true);
    ClientToScreen(host_.GetFrame(), &p);
    SetCursorPos(p.x, p.y);
}

void SplitBar::OnPaint(WinMessage::Msg&) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(GetHwnd(), &ps);
    RECT r{};
    GetClientRect(GetHwnd(), &r);
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    EndPaint(GetHwnd(), &ps);
}

void SplitBar::OnSetCursor(WinMessage::Msg& msg) {
    if (tracking_ || LOWORD(msg.lParam) == HTCLIENT) {
        View::Cursor::Load(kSplitCursor);
        msg.result = TRUE;
    } else {
        msg.passToDefault = 1;
    }
}

void SplitBar::OnLButtonDown(WinMessage::MouseMsg& msg) {
    if (tracking_ && keyboard_) keyboard_ = false;  // the mouse takes over
    else BeginTracking(FrameY(msg), false);
}

void SplitBar::OnLButtonUp(WinMessage::MouseMsg&) { EndTracking(false); }

void SplitBar::OnLButtonDblClk(WinMessage::MouseMsg&) {
    if (split_) {
        Unsplit();
        return;
    }
    BeginTracking((FrameClient().bottom - ScrollHeight()) / 2, false);
    EndTracking(false);
}

void SplitBar::OnMouseMove(WinMessage::MouseMsg& msg) {
    if (!tracking_) return;
    if (!keyboard_ && !msg.IsButtonDown(1)) EndTracking(false);
    else MoveTracker(FrameY(msg));
}

void SplitBar::OnCancelMode(WinMessage::Msg&) { EndTracking(true); }

void SplitBar::OnKeyDown(WinMessage::Msg& msg) {
    if (!tracking_) return;
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(host_.GetFrame(), &p);
    const RECT r = FrameClient();
    const int h = ScrollHeight();
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (msg.wParam) {
    case VK_RETURN: EndTracking(false); return;
    case VK_ESCAPE:
    case VK_CANCEL: EndTracking(true); return;
    case VK_BACK:
    case VK_DELETE:
        EndTracking(true);
        Unsplit();
        return;
    case VK_PRIOR:
    case VK_HOME: p.y = r.top; break;
    case VK_NEXT:
    case VK_END: p.y = r.bottom; break;
    case VK_UP: p.y -= ctrl ? 1 : h; break;
    case VK_DOWN: p.y += ctrl ? 1 : h; break;
    default: return;
    }
    p.y = std::clamp<LONG>(p.y, r.top, r.bottom);
    p.x = std::clamp<LONG>(p.x, r.left, r.right);
    MoveTracker(p.y);
    ClientToScreen(host_.GetFrame(), &p);
    SetCursorPos(p.x, p.y);
}

} // namespace Editor
