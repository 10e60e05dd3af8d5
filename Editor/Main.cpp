// Program entry of the editor: guarded start, single instance, the main window and the loop.
#include "app/winutil/MessageLoop.h"
#include "app/winutil/Platform.h"
#include "app/winutil/ProgramEntry.h"
#include "app/winutil/Window.h"
#include "resources/resource.h"

namespace {

// Until the editor's application object takes over, the last command line handed over by a later
// start is kept as the text of this hidden child of the main window.
const int kHandedCommandLineId = 1001;

class MainWindow {
public:
    MainWindow(HINSTANCE instance, int show) : bindings_(window_.GetDispatcher()) {
        bindings_.Add(WM_DESTROY, this, &MainWindow::OnDestroy);
        static WinUtil::WindowClass cls(L"QuorvelUML.Frame", nullptr, instance, 0,
                                        reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        window_.Create(cls, L"Quorvel UML Editor", WS_OVERLAPPEDWINDOW, 0, CW_USEDEFAULT,
                       CW_USEDEFAULT, 800, 600, nullptr,
                       LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINMENU)));
        handed_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, window_.GetHwnd(),
                                  reinterpret_cast<HMENU>(kHandedCommandLineId), instance, nullptr);
        ShowWindow(window_.GetHwnd(), show);
    }
    void Receive(const WinUtil::HandedCommandLine& data) {
        SetWindowTextW(handed_, (data.directory + L"\n" + data.commandLine).c_str());
    }

private:
    void OnDestroy(WinMessage::Msg&) { PostQuitMessage(0); }

    WinUtil::Window window_;
    WinMessage::WinMsgPlugMap bindings_;
    HWND handed_ = nullptr;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    return WinUtil::RunProgram([&] {
        WinUtil::SingleInstance single(L"QuorvelUML");
        wchar_t directory[MAX_PATH + 1] = L"";
        GetCurrentDirectoryW(MAX_PATH, directory);
        MainWindow* main = nullptr;
        if (!single.Claim(directory, GetCommandLineW(),
                          [&](const WinUtil::HandedCommandLine& data) { if (main) main->Receive(data); }))
            return 0;
        MainWindow window(instance, show);
        main = &window;
        WinUtil::MessageLoop loop;
        return loop.Run();
    });
}
