#include "Editor/DocumentWindow.h"

#include "Editor/Diagram.h"
#include "Editor/DiagramFactory.h"
#include "app/winutil/ResourceLoader.h"
#include "app/winutil/Window.h"
#include "app/winutil/WindowPlacement.h"
#include "Editor/WindowSettings.h"
#include "resources/resource.h"

namespace Editor {

namespace {

const WinUtil::WindowClass& FrameClass() {
    static WinUtil::WindowClass cls(L"QuorvelUML.Frame", nullptr, nullptr, CS_DBLCLKS,
                                    reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), LoadCursorW(nullptr, IDC_ARROW),
                                    MAKEINTRESOURCEW(IDR_MAINMENU),
                                    WinUtil::ResourceLoader::Instance().LoadIcon(IDI_APPICON));
    return cls;
}

} // namespace

DocumentWindow::DocumentWindow(Diagram& document, Application::LifeTimeSupervisor& node)
    : IDocumentWindow(document, node), document_(document), bindings_(GetDispatcher()), commander_(*this),
      commands_(commander_) {
    bindings_.AddSpy(WM_DESTROY, this, &DocumentWindow::OnDestroy);
    bindings_.AddSpy(WM_ACTIVATE, this, &DocumentWindow::OnActivate);
    bindings_.Add(WM_CTLCOLORSTATIC, this, &DocumentWindow::OnCtlColorStatic);
    commands_.Add(ID_FILE_NEW, this, &DocumentWindow::OnNew);
    commands_.Add(ID_FILE_CLOSE, this, &DocumentWindow::OnClose);
}

void DocumentWindow::Open(HWND after) {
    Create(FrameClass(), document_.GetCaption().c_str(), WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE,
           CW_USEDEFAULT, CW_USEDEFAULT, 800, 600);
    if (after) {
        // Below and right of the reference window, so that both show; the caller shows it.
        WinUtil::WindowPlacement placement = WinUtil::GetCascadedPlacement(after);
        placement.SetShowCmd(SW_HIDE);
        placement.ApplyToWindow(GetHwnd());
    } else if (LastWindowPlacement().IsValid()) {
        // The first window takes the place where the last one was closed.
        WinUtil::WindowPlacement placement = LastWindowPlacement();
        placement.SetShowCmd(SW_HIDE);
        placement.ApplyToWindow(GetHwnd());
    }
    const std::wstring shown = document_.IsUntitled() ? std::wstring() : document_.GetName();
    HWND path = CreateWindowExW(0, L"STATIC", shown.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                    8, 8, 2000, 20, GetHwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPathControlId)),
                    GetModuleHandleW(nullptr), nullptr);
    if (path) SendMessageW(path, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    // Greys every menu item that no binding serves yet; File > New and Close stay enabled.
    commander_.ShowMenu(GetMenu(GetHwnd()));
}

bool DocumentWindow::QueryClose() { return document_.GetWindowCount() > 1 || document_.QueryClose(); }

void DocumentWindow::OnDestroy(WinMessage::Msg&) {
    commander_.ShowMenu(nullptr);
    // The next first window takes this place (the settings keep it across runs).
    LastWindowPlacement().ReadFromWindow(GetHwnd());
}

void DocumentWindow::OnActivate(WinMessage::Msg& msg) {
    // The window the user works in is the one new windows cascade from.
    if (LOWORD(msg.wParam) != WA_INACTIVE) document_.GetFactory().SetReferenceWindow(GetHwnd());
}

void DocumentWindow::OnCtlColorStatic(WinMessage::Msg& msg) {
    // The path is shown on the window's own background.
    HDC dc = reinterpret_cast<HDC>(msg.wParam);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    msg.result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

void DocumentWindow::OnNew(const Application::CommandMsg&) { document_.GetFactory().NewDiagram(); }

void DocumentWindow::OnClose(const Application::CommandMsg&) { document_.Close(); }

} // namespace Editor
