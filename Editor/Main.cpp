// Program entry of the editor: guarded start, single instance, then the application object.
#include "Editor/CommandLine.h"
#include "Editor/EditorApp.h"
#include "app/winutil/MsiLibrary.h"
#include "app/winutil/Platform.h"
#include "app/winutil/ProgramEntry.h"
#include "drawing/DrawingKernel.h"

#include <string>

namespace {

std::wstring CurrentDirectory() {
    DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring directory(needed, L'\0');
    DWORD length = needed ? GetCurrentDirectoryW(needed, directory.data()) : 0;
    directory.resize(length < needed ? length : 0);
    return directory;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return WinUtil::RunProgram([] {
        // The installation check in the application's constructor needs the installer library:
        // loaded beside the single-instance check, it is off the way to the first window.
        WinUtil::MsiPreload installerLibrary;
        const std::wstring directory = CurrentDirectory();
        const std::wstring commandLine = GetCommandLineW();
        WinUtil::SingleInstance single(L"QuorvelUML");
        Editor::EditorApp* running = nullptr;
        // Command lines of later starts are delivered from the message loop, so the application
        // exists whenever one arrives.
        auto receive = [&running](const WinUtil::HandedCommandLine& handed) {
            if (running) running->ReceiveForwarded(handed.directory, handed.commandLine);
        };
        // Once the application shuts down, a later start runs on its own: a command line accepted
        // then would be lost with the closing instance.
        single.SetAcceptor([&running] { return running && running->IsAcceptingForwarded(); });
        if (!single.Claim(directory, commandLine, receive)) return 0;
        // Only a start that runs on its own draws: one that handed its command line over is done.
        DrawingKernel::GdiplusSession gdiplus;
        Editor::EditorApp app;
        installerLibrary.Release();
        const bool serverStart = Editor::ParseCommandLine(directory, commandLine).serverOnly;
        app.SetServerStart(serverStart);
        app.SetRegisterAfterFirstPaint(true);  // a server start registers at once all the same
        running = &app;
        int code = app.Run(directory, commandLine);
        running = nullptr;
        // COM started this copy for a container that cannot reach it: say so to whoever waits.
        if (serverStart && app.ServerRegistrationFailed() && code == 0) code = 1;
        return code;
    });
}
