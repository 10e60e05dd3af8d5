// The second process of the transfer tests (transfer_clipboard_helper.exe): started on the
// clipboard the test filled, it reads it, reports what it read and replaces it with its own data.
#pragma once

#include "app/winutil/Platform.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace TransferTest {

// Runs the helper and pumps messages while it reads the clipboard, which this process serves.
struct HelperProcess {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"QuorvelTransferHelperReady");
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, L"QuorvelTransferHelperQuit");
    PROCESS_INFORMATION pi{};
    const wchar_t* reportFile = L"transfer-helper-report.txt";

    // Starts the helper with the reference-id format; true once it is ready or has ended.
    bool Start(CLIPFORMAT referenceFormat) {
        DeleteFileW(reportFile);
        ResetEvent(ready);
        ResetEvent(quit);
        std::wstring line =
            L"transfer_clipboard_helper.exe " + std::to_wstring(referenceFormat) + L" " + std::wstring(reportFile);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
        HANDLE both[2] = {ready, pi.hProcess};
        const DWORD deadline = GetTickCount() + 30000;
        while (GetTickCount() < deadline) {
            const DWORD w = MsgWaitForMultipleObjects(2, both, FALSE, 100, QS_ALLINPUT);
            if (w == WAIT_OBJECT_0 || w == WAIT_OBJECT_0 + 1) return true;
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        return false;
    }
    // What the helper reported, by format: the numbers of its line; a format it could not read
    // has no numbers.
    std::map<std::string, std::vector<long>> Report() const {
        std::map<std::string, std::vector<long>> out;
        std::ifstream in(reportFile);
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string name;
            words >> name;
            std::vector<long>& numbers = out[name];
            for (long n; words >> n;) numbers.push_back(n);
        }
        return out;
    }
    // Lets the helper end and answers its exit code.
    int Finish() {
        SetEvent(quit);
        if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return int(code);
    }
    // A helper that a failed test left serving is let go, so that the next one starts alone.
    ~HelperProcess() {
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) Finish();
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        CloseHandle(ready);
        CloseHandle(quit);
        DeleteFileW(reportFile);
    }
};

} // namespace TransferTest
