#include "Editor/Zoom.h"

#include "Editor/DocumentWindow.h"
#include "resources/resource.h"

#include <cmath>
#include <sstream>

namespace Editor {

namespace Zoom {

int PercentOf(double factor) { return static_cast<int>(std::floor(factor * 100.0 + 0.5)); }

bool MatchesPreset(const ICanvas::IScreenCanvas& canvas, int p, int preset) {
    return p == PercentOf(canvas.RoundZoom(preset / 100.0));
}

int ShownPercent(const ICanvas::IScreenCanvas& canvas) {
    const int p = PercentOf(canvas.GetZoom());
    for (int preset : kPresets)
        if (MatchesPreset(canvas, p, preset)) return preset;
    return p;
}

std::optional<int> ParseTyped(const std::wstring& text) {
    std::wistringstream in(text);
    int value = 0;
    if (!(in >> value) || value < 10 || value > 10000) return std::nullopt;
    return value;
}

UINT CheckedCommand(const ICanvas::IScreenCanvas& canvas) {
    const int p = PercentOf(canvas.GetZoom());
    const std::pair<int, UINT> items[] = {{200, ID_ZOOM_200}, {100, ID_ZOOM_100}, {50, ID_ZOOM_50}, {25, ID_ZOOM_25}};
    for (const auto& [preset, id] : items)
        if (MatchesPreset(canvas, p, preset)) return id;
    return ID_ZOOM_CUSTOM;
}

zq::Point Middle(HWND frame) {
    RECT client{};
    GetClientRect(frame, &client);
    return {client.right / 2, client.bottom / 2};
}

} // namespace Zoom

ZoomCmdHandler::ZoomCmdHandler(WindowImp& window) : window_(window), commands_(window.GetCommander()) {
    for (UINT id : {ID_ZOOM_200, ID_ZOOM_100, ID_ZOOM_50, ID_ZOOM_25}) commands_.Add(id, this, &ZoomCmdHandler::OnPercent);
    commands_.Add(ID_ZOOM_FIT, this, &ZoomCmdHandler::OnFit);
    commands_.Add(ID_ZOOM_IN, this, &ZoomCmdHandler::OnStep);
    commands_.Add(ID_ZOOM_OUT, this, &ZoomCmdHandler::OnStep);
    commands_.Add(ID_ZOOM_CUSTOM, this, &ZoomCmdHandler::OnCustom);
}

ZoomCmdHandler::~ZoomCmdHandler() {
    dialog_.reset();
    closed_.reset();
}

void ZoomCmdHandler::ZoomChanged() {
    if (!window_.GetActiveView()) return;
    const UINT checked = Zoom::CheckedCommand(window_.GetCanvas());
    for (UINT id = ID_ZOOM_200; id <= ID_ZOOM_CUSTOM; ++id) commands_.SetCheckState(id, Application::Unchecked);
    commands_.SetCheckState(checked, Application::RadioChecked);
    if (dialog_) dialog_->Refresh();
}

void ZoomCmdHandler::OnPercent(const Application::CommandMsg& msg) {
    if (!window_.GetActiveView()) return;
    const double factor = msg.id == ID_ZOOM_200 ? 2.0 : msg.id == ID_ZOOM_100 ? 1.0 : msg.id == ID_ZOOM_50 ? 0.5 : 0.25;
    window_.GetCanvas().SetZoom(factor, Zoom::Middle(window_.GetHwnd()));
}

void ZoomCmdHandler::OnFit(const Application::CommandMsg&) {
    if (window_.GetActiveView()) window_.GetCanvas().ZoomToExtent();
}

void ZoomCmdHandler::OnStep(const Application::CommandMsg& msg) {
    if (!window_.GetActiveView()) return;
    if (msg.id == ID_ZOOM_IN) window_.GetCanvas().ZoomIn(Zoom::Middle(window_.GetHwnd()));
    else window_.GetCanvas().ZoomOut(Zoom::Middle(window_.GetHwnd()));
}

void ZoomCmdHandler::OnCustom(const Application::CommandMsg&) {
    if (dialog_) {
        SetForegroundWindow(dialog_->GetHwnd());
        return;
    }
    if (!window_.GetActiveView()) return;
    closed_.reset();
    auto dialog = std::make_unique<ZoomDialog>(window_, *this, *window_.GetActiveView());
    dialog->Create(window_.GetHwnd(), L"ZOOM");
    dialog_ = std::move(dialog);
    ShowWindow(dialog_->GetHwnd(), SW_SHOW);
}

void ZoomCmdHandler::PaneRemoved(const ClientView& gone, ClientView& remaining) {
    if (dialog_) dialog_->PaneRemoved(gone, remaining);
}

void ZoomCmdHandler::CloseDialog() {
    if (!dialog_) return;
    placement_.ReadFromWindow(dialog_->GetHwnd());
    // The dialog may be running one of its own handlers: its object stays until the next opening.
    closed_ = std::move(dialog_);
    closed_->Destroy();
}

} // namespace Editor
