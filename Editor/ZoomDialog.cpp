// The modeless Zoom dialog of a document window.
#include "Editor/DocumentWindow.h"
#include "Editor/Zoom.h"
#include "resources/resource.h"

#include <cmath>

namespace Editor {

namespace {

// The radio button of a percent, or 0 when none shows it.
int RadioOf(int percent) {
    for (size_t i = 0; i < Zoom::kPresets.size(); ++i)
        if (Zoom::kPresets[i] == percent) return IDC_ZOOM_400 + static_cast<int>(i);
    return 0;
}

} // namespace

ZoomDialog::ZoomDialog(WindowImp& window, ZoomCmdHandler& handler, ClientView& pane)
    : window_(window), handler_(handler), pane_(&pane) {}

ZoomDialog::~ZoomDialog() {
    plugs_.reset();
    percent_.reset();
    Destroy();
}

ICanvas::IScreenCanvas& ZoomDialog::Canvas() const { return pane_->GetCanvas(); }

void ZoomDialog::PaneRemoved(const ClientView& gone, ClientView& remaining) {
    if (pane_ != &gone) return;
    pane_ = &remaining;
    Refresh();
}

BOOL ZoomDialog::OnInitDialog() {
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(GetWindow().GetDispatcher());
    plugs_->Add(WM_CLOSE, this, &ZoomDialog::OnCloseMessage);
    plugs_->Add(WM_NOTIFY, this, &ZoomDialog::OnNotify);
    for (int id = IDC_ZOOM_400; id <= IDC_ZOOM_25; ++id)
        GetCommands().Add(static_cast<UINT>(id), this, &ZoomDialog::OnPreset);
    GetCommands().Add(IDC_ZOOM_FIT, this, &ZoomDialog::OnFit);
    GetCommands().Add(IDOK, this, &ZoomDialog::OnClose);
    GetCommands().Add(IDCANCEL, this, &ZoomDialog::OnClose);
    SendDlgItemMessageW(GetHwnd(), IDC_ZOOM_SPIN, UDM_SETRANGE32, 0, 100);
    refreshing_ = true;
    percent_ = std::make_unique<Application::PercentEditCtrl>(GetHwnd(), IDC_ZOOM_PERCENT, 5, 5000,
                                                              Zoom::ShownPercent(Canvas()), 5,
                                                              static_cast<Application::EditCtrlHelper::IObserver*>(this));
    refreshing_ = false;
    BindEditCtrl(*percent_);
    if (handler_.GetPlacement().IsValid()) {
        WinUtil::WindowPlacement placement = handler_.GetPlacement();
        placement.SetShowCmd(SW_HIDE);
        placement.ApplyToWindow(GetHwnd());
    } else {
        Application::CenterWindow(GetHwnd());
    }
    SetRadioButtons();
    return TRUE;
}

void ZoomDialog::Refresh() {
    if (!percent_ || refreshing_) return;
    refreshing_ = true;
    percent_->SetValue(Zoom::ShownPercent(Canvas()));
    refreshing_ = false;
    SetRadioButtons();
}

void ZoomDialog::ValueChanged(Application::EditCtrlHelper&) {
    if (!percent_ || refreshing_) return;
    Apply(static_cast<int>(std::lround(percent_->GetValue())));
    SetRadioButtons();
}

void ZoomDialog::Apply(int percent) {
    // The field keeps what the user wrote while the pane follows it.
    refreshing_ = true;
    Canvas().SetZoom(percent / 100.0, Zoom::Middle(window_.GetHwnd()));
    refreshing_ = false;
}

void ZoomDialog::OnPreset(const Application::CommandMsg& msg) {
    const int percent = Zoom::kPresets[msg.id - IDC_ZOOM_400];
    Apply(percent);
    refreshing_ = true;
    percent_->SetValue(percent);
    refreshing_ = false;
    SetRadioButtons();
}

void ZoomDialog::OnFit(const Application::CommandMsg&) {
    refreshing_ = true;
    Canvas().ZoomToExtent();
    percent_->SetValue(Zoom::PercentOf(Canvas().GetZoom()));
    refreshing_ = false;
    SetRadioButtons();
    HWND field = GetDlgItem(GetHwnd(), IDC_ZOOM_PERCENT);
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
}

void ZoomDialog::SetRadioButtons() {
    if (!percent_) return;
    const int radio = RadioOf(static_cast<int>(std::lround(percent_->GetValue())));
    if (radio) {
        CheckRadioButton(GetHwnd(), IDC_ZOOM_400, IDC_ZOOM_25, radio);
        return;
    }
    for (int id = IDC_ZOOM_400; id <= IDC_ZOOM_25; ++id) CheckDlgButton(GetHwnd(), id, BST_UNCHECKED);
}

void ZoomDialog::OnNotify(WinMessage::Msg& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.lParam);
    if (header->idFrom != IDC_ZOOM_SPIN || header->code != UDN_DELTAPOS) {
        msg.passToDefault = 1;
        return;
    }
    percent_->Step(reinterpret_cast<const NMUPDOWN*>(msg.lParam)->iDelta);
    msg.result = TRUE;  // the arrows move the field's value, not a position of their own
}

void ZoomDialog::OnClose(const Application::CommandMsg&) { handler_.CloseDialog(); }

void ZoomDialog::OnCloseMessage(WinMessage::Msg& msg) {
    msg.result = 0;
    handler_.CloseDialog();
}

} // namespace Editor
