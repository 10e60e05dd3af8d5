#include "Editor/DocumentWindow.h"

#include "Editor/DocumentFactory.h"
#include "app/winutil/ResourceLoader.h"
#include "app/winutil/Window.h"
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

DocumentWindow::DocumentWindow(EmptyDocument& document, Application::LifeTimeSupervisor& node)
    : IDocumentWindow(document, node), document_(document), bindings_(GetDispatcher()), commander_(*this),
      commands_(commander_) {
    bindings_.AddSpy(WM_DESTROY, this, &DocumentWindow::OnDestroy);
    bindings_.Add(WM_CTLCOLORSTATIC, this, &DocumentWindow::OnCtlColorStatic);
    commands_.Add(ID_FILE_NEW, this, &DocumentWindow::OnNew);
    commands_.Add(ID_FILE_CLOSE, this, &DocumentWindow::OnClose);
}

void DocumentWindow::Open(int showCommand, HWND after) {
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    RECT previous;
    if (after && !IsIconic(after) && GetWindowRect(after, &previous)) {
        // Below and right of the previous window by the height of a caption, so that both show.
        int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        x = previous.left + step;
        y = previous.top + step;
        if (x + 800 > work.right || y + 600 > work.bottom) x = y = CW_USEDEFAULT;
    }
    Create(FrameClass(), document_.GetCaption().c_str(), WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE,
           x, y, 800, 600);
    HWND path = CreateWindowExW(0, L"STATIC", document_.GetName().c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                    8, 8, 2000, 20, GetHwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPathControlId)),
                    GetModuleHandleW(nullptr), nullptr);
    if (path) SendMessageW(path, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    // Greys every menu item that no binding serves yet; File > New and Close stay enabled.
    commander_.ShowMenu(GetMenu(GetHwnd()));
    ShowWindow(GetHwnd(), showCommand);
}

void DocumentWindow::OnDestroy(WinMessage::Msg&) {
    commander_.ShowMenu(nullptr);
}

void DocumentWindow::OnCtlColorStatic(WinMessage::Msg& msg) {
    // The path is shown on the window's own background.
    HDC dc = reinterpret_cast<HDC>(msg.wParam);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    msg.result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

void DocumentWindow::OnNew(const Application::CommandMsg&) { document_.GetFactory().NewDocument(); }

void DocumentWindow::OnClose(const Application::CommandMsg&) { document_.GetNode().End(); }

} // namespace Editor
