// The clipboard across processes: a data provider put on the clipboard here is read by a second
// process, while this one renders on demand and after it flushed.
#include "app/Clipboard.h"
#include "app/winutil/ClipFormat.h"
#include "app/winutil/Window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace Application;

namespace {

const wchar_t* const kFormatName = L"Quorvel Transfer Test Format";

HENHMETAFILE SmallEmf() {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    Ellipse(dc, 0, 0, 40, 20);
    return CloseEnhMetaFile(dc);
}

// Runs the reader program and pumps this thread's messages meanwhile (the clipboard owner renders
// on request); answers its exit code, or -1 when it did not end in time.
int RunReader(const std::wstring& arguments, std::string* output = nullptr) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readPipe = nullptr, writePipe = nullptr;
    CreatePipe(&readPipe, &writePipe, &sa, 0);
    SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);
    std::wstring line = L"fw2_clipboard_reader.exe " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writePipe;
    si.hStdError = writePipe;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(readPipe);
        CloseHandle(writePipe);
        return -2;
    }
    CloseHandle(writePipe);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int code = -1;
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 100, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
            DWORD exit = 0;
            GetExitCodeProcess(pi.hProcess, &exit);
            code = static_cast<int>(exit);
            break;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (std::chrono::steady_clock::now() > deadline) {
            TerminateProcess(pi.hProcess, 99);
            break;
        }
    }
    char buffer[4096];
    DWORD got = 0;
    std::string text;
    while (ReadFile(readPipe, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    if (output) *output = text;
    CloseHandle(readPipe);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

class ClipboardTransfer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

} // namespace

TEST_F(ClipboardTransfer, SecondProcessReadsTheOfferedFormatsInOrder) {
    WinUtil::PrivateClipFormat privateFormat;
    CLIPFORMAT registered = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(kFormatName));
    DataProvider provider;
    provider.AddFormat(new EmfFormatProvider(SmallEmf()));
    provider.AddFormat(new BytesFormatProvider(registered, {'a', 'b', 'c'}));
    provider.AddFormat(new BytesFormatProvider(privateFormat, {'p'}));

    std::wstring args = std::wstring(L"live \"") + kFormatName + L"\" " + std::to_wstring(privateFormat.Get());
    {
        Clipboard clipboard;
        clipboard.SetData(provider);
        EXPECT_TRUE(clipboard.OwnsClipboard());
        // In this process the clipboard's object is recognised as our own.
        IDataObject* current = nullptr;
        ASSERT_EQ(OleGetClipboard(&current), S_OK);
        EXPECT_TRUE(IsOwnDataObject(current));
        current->Release();
        EXPECT_TRUE(clipboard.HasFormat(registered));
        EXPECT_EQ(clipboard.GetGlobalData(registered)->at(1), 'b');

        std::string output;
        EXPECT_EQ(RunReader(args, &output), 0) << output;
    }
    // The clipboard object flushed on destruction: the data stays after this process lets go.
    EXPECT_EQ(OleIsCurrentClipboard(nullptr), S_FALSE);
    std::string output;
    args.replace(0, 4, L"flushed");
    EXPECT_EQ(RunReader(args, &output), 0) << output;
}

TEST_F(ClipboardTransfer, ViewerTellsObserversOfChanges) {
    static WinUtil::WindowClass cls(L"Quorvel.ClipboardViewerTest");
    WinUtil::Window window;
    window.Create(cls, L"viewer", WS_OVERLAPPED, 0, 0, 0, 100, 100);
    struct Observer : IClipboardObserver {
        int changes = 0;
        void ClipboardChanged() override { ++changes; }
    } observer;
    ClipboardViewer viewer(window);
    zq::ObserverRegistration<IClipboardObserver> registration(viewer.GetObserverList(), &observer);

    DataProvider provider;
    provider.AddFormat(new BytesFormatProvider(CF_UNICODETEXT, {'h', 0, 'i', 0, 0, 0}));
    Clipboard clipboard;
    clipboard.SetData(provider);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MSG msg;
    while (observer.changes == 0 && std::chrono::steady_clock::now() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_GE(observer.changes, 1);
    EXPECT_EQ(clipboard.GetText(), L"hi");
    window.Destroy();
}
