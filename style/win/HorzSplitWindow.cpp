#include "style/win/HorzSplitWindow.h"

#include "app/winutil/CursorManager.h"

#include <algorithm>

namespace Style {

namespace {

POINT PointOf(const WinMessage::Msg& msg)
{
    return POINT{short(LOWORD(msg.lParam)), short(HIWORD(msg.lParam))};
}

} // namespace

HorzSplitWindow::HorzSplitWindow(WinUtil::IWindow& parent, HWND left, HWND right, Observer* observer)
    : parent_(parent.GetHwnd()), left_(left), right_(right), observer_(observer)
{
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(parent.GetDispatcher());
    plugs_->Add(WM_SETCURSOR, this, &HorzSplitWindow::OnSetCursor);
    plugs_->Add(WM_LBUTTONDOWN, this, &HorzSplitWindow::OnButtonDown);
    plugs_->Add(WM_LBUTTONUP, this, &HorzSplitWindow::OnButtonUp);
    plugs_->Add(WM_MOUSEMOVE, this, &HorzSplitWindow::OnMouseMove);
    plugs_->AddSpy(WM_ACTIVATE, this, &HorzSplitWindow::OnActivate);
    plugs_->AddSpy(WM_CAPTURECHANGED, this, &HorzSplitWindow::OnCaptureChanged);
    plugs_->AddSpy(WM_SETTINGCHANGE, this, &HorzSplitWindow::OnSettingChange);
    plugs_->AddSpy(WM_WINDOWPOSCHANGED, this, &HorzSplitWindow::OnPosChanged);
    ResetGap();
    static const WORD kRows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    HBITMAP bits = ::CreateBitmap(8, 8, 1, 1, kRows);
    pattern_ = ::CreatePatternBrush(bits);
    ::DeleteObject(bits);
}

HorzSplitWindow::~HorzSplitWindow()
{
    plugs_.reset();
    if (pattern_) ::DeleteObject(pattern_);
}

RECT HorzSplitWindow::PaneRect(HWND pane) const
{
    RECT r{};
    ::GetWindowRect(pane, &r);
    ::MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int HorzSplitWindow::GetSplitOffset() const
{
    const RECT r = PaneRect(left_);
    return r.right - r.left;
}

void HorzSplitWindow::MovePanes(int leftRight, int rightLeft)
{
    const RECT l = PaneRect(left_), r = PaneRect(right_);
    ::SetWindowPos(left_, nullptr, 0, 0, leftRight - l.left, l.bottom - l.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(right_, nullptr, rightLeft, r.top, r.right - rightLeft, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void HorzSplitWindow::ResetGap()
{
    const RECT l = PaneRect(left_), r = PaneRect(right_);
    const int d = ::GetSystemMetrics(SM_CXFRAME) - (r.left - l.right);
    if (d != 0) MovePanes(l.right - d / 2, r.left + (d - d / 2));
    ComputeBar();
}

void HorzSplitWindow::ComputeBar()
{
    const RECT l = PaneRect(left_), r = PaneRect(right_);
    bar_ = RECT{l.right, std::min(l.top, r.top), r.left, std::max(l.bottom, r.bottom)};
}

void HorzSplitWindow::SetSplitOffset(int width)
{
    const RECT l = PaneRect(left_), r = PaneRect(right_);
    const int gap = r.left - l.right;
    int leftRight = l.left + std::max(width, kMinPane);
    int rightLeft = leftRight + gap;
    if (r.right - rightLeft < kMinPane) {
        rightLeft = r.right - kMinPane;
        leftRight = rightLeft - gap;
    }
    MovePanes(leftRight, rightLeft);
    ComputeBar();
    if (observer_) observer_->SplitMoved();
}

void HorzSplitWindow::OnSetCursor(WinMessage::Msg& msg)
{
    POINT p{};
    ::GetCursorPos(&p);
    ::ScreenToClient(parent_, &p);
    if (!::PtInRect(&bar_, p)) {
        msg.passToDefault = 1;
        return;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
    msg.result = TRUE;
}

void HorzSplitWindow::OnButtonDown(WinMessage::Msg& msg)
{
    const POINT p = PointOf(msg);
    if (dragging_ || !::PtInRect(&bar_, p)) {
        msg.passToDefault = 1;
        return;
    }
    StartDrag(p);
}

void HorzSplitWindow::OnButtonUp(WinMessage::Msg& msg)
{
    if (!dragging_) {
        msg.passToDefault = 1;
        return;
    }
    EndDrag(PointOf(msg));
}

void HorzSplitWindow::OnMouseMove(WinMessage::Msg& msg)
{
    if (!dragging_) {
        msg.passToDefault = 1;
        return;
    }
    if (!(msg.wParam & MK_LBUTTON)) {
        CancelDrag();
        return;
    }
    if (!fullDrag_) DrawDragBar();
    PlaceDragBar(PointOf(msg));
    if (fullDrag_) ApplyDragBar();
    else DrawDragBar();
}

void HorzSplitWindow::OnActivate(WinMessage::Msg& msg)
{
    if (LOWORD(msg.wParam) == WA_INACTIVE && dragging_) CancelDrag();
}

void HorzSplitWindow::OnCaptureChanged(WinMessage::Msg& msg)
{
    if (HWND(msg.lParam) != parent_ && dragging_) CancelDrag();
}

void HorzSplitWindow::OnSettingChange(WinMessage::Msg&)
{
    ResetGap();
}

void HorzSplitWindow::OnPosChanged(WinMessage::Msg& msg)
{
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(msg.lParam);
    if (pos && !(pos->flags & SWP_NOSIZE)) ComputeBar();
}

void HorzSplitWindow::StartDrag(POINT at)
{
    if (observer_) observer_->DragStarted();
    ::SetCapture(parent_);
    dragging_ = true;
    BOOL full = TRUE;
    ::SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    fullDrag_ = full != FALSE;
    ComputeBar();
    savedBar_ = dragBar_ = bar_;
    grip_ = at.x - bar_.left;
    if (!fullDrag_) DrawDragBar();
    RunDragLoop();
}

void HorzSplitWindow::RunDragLoop()
{
    WinUtil::CursorManager::ModalGuard modal;
    MSG m;
    while (dragging_) {
        const BOOL got = ::GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(int(m.wParam));
            return;
        }
        if (got == -1) return;
        if (m.message == WM_KEYDOWN) {
            if (m.wParam == VK_ESCAPE) CancelDrag();
            continue;
        }
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
}

void HorzSplitWindow::PlaceDragBar(POINT at)
{
    const int width = dragBar_.right - dragBar_.left;
    dragBar_.left = at.x - grip_;
    dragBar_.right = dragBar_.left + width;
    const RECT l = PaneRect(left_), r = PaneRect(right_);
    if (dragBar_.left < l.left + kMinPane) {
        dragBar_.left = l.left + kMinPane;
        dragBar_.right = dragBar_.left + width;
    }
    if (dragBar_.right > r.right - kMinPane) {
        dragBar_.right = r.right - kMinPane;
        dragBar_.left = dragBar_.right - width;
    }
}

void HorzSplitWindow::DrawDragBar() const
{
    HDC dc = ::GetDCEx(left_, nullptr, DCX_PARENTCLIP);
    if (!dc) return;
    RECT r = dragBar_;
    ::MapWindowPoints(parent_, left_, reinterpret_cast<POINT*>(&r), 2);
    HGDIOBJ old = ::SelectObject(dc, pattern_);
    ::PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATINVERT);
    ::SelectObject(dc, old);
    ::ReleaseDC(left_, dc);
}

void HorzSplitWindow::ApplyDragBar()
{
    MovePanes(dragBar_.left, dragBar_.right);
    if (observer_) observer_->SplitMoved();
}

void HorzSplitWindow::EndDrag(POINT at)
{
    dragging_ = false;
    if (!fullDrag_) DrawDragBar();
    PlaceDragBar(at);
    ApplyDragBar();
    ::ReleaseCapture();
    ComputeBar();
    if (observer_) observer_->DragEnded(false);
}

void HorzSplitWindow::CancelDrag()
{
    dragging_ = false;
    if (!fullDrag_) DrawDragBar();
    dragBar_ = savedBar_;
    if (fullDrag_) ApplyDragBar();
    ::ReleaseCapture();
    ComputeBar();
    if (observer_) observer_->DragEnded(true);
}

} // namespace Style
