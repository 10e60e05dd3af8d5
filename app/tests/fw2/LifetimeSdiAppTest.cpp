// The application object end to end: a program on ISdiApp opens one window per document named on
// its command line and ends with exit code 0 exactly when the last window closes.
#include "app/LifeTime.h"
#include "app/winutil/Platform.h"

#include "app/tests/fw2/Polling.h"
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace {

using AppTest::WaitFor;

HWND Find(const wchar_t* name) {
    std::wstring title = std::wstring(L"Quorvel SDI Test - ") + name;
    return FindWindowW(L"Quorvel.SdiTestWindow", title.c_str());
}

struct Process {
    PROCESS_INFORMATION pi{};
    explicit Process(std::wstring line) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
    }
    ~Process() {
        if (!started) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    bool Running() const { return WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD ExitCode() const {
        DWORD code = 12345;
        GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
    bool started = false;
};

} // namespace

TEST(SdiApp, EndsWhenTheLastDocumentWindowCloses) {
    Process app(L"fw2_sdi_app.exe first \"second doc\"");
    ASSERT_TRUE(app.started);
    HWND first = nullptr, second = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        first = Find(L"first");
        second = Find(L"second doc");
        return first && second && IsWindowVisible(first) && IsWindowVisible(second);
    }));

    PostMessageW(first, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(first); }));
    // One window left: the program keeps running.
    EXPECT_TRUE(app.Running());
    EXPECT_TRUE(IsWindow(second));

    PostMessageW(second, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(app.pi.hProcess, 15000), WAIT_OBJECT_0);
    EXPECT_EQ(app.ExitCode(), 0u);
}

TEST(SdiApp, WithoutArgumentsOpensANewDocument) {
    Process app(L"fw2_sdi_app.exe");
    ASSERT_TRUE(app.started);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = Find(L"Untitled")) && IsWindowVisible(window); }));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(app.pi.hProcess, 15000), WAIT_OBJECT_0);
    EXPECT_EQ(app.ExitCode(), 0u);
}
