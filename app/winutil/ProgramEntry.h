// The program entry and the single-instance hand-off of the command line.
#pragma once

#include "app/winutil/Platform.h"

#include <functional>
#include <memory>
#include <string>

namespace WinUtil {

// Runs the program's main body inside the guard "WinMain": installs the fault translation and the
// new-handler; answers the body's exit code (1 when it threw).
int RunProgram(const std::function<int()>& body);

// The command line handed from a later start to the running instance.
struct HandedCommandLine {
    std::wstring directory;    // current directory of the starting process
    std::wstring commandLine;  // its whole command line
};

// One running instance per user and desktop. The first start receives the command lines of later
// starts through WM_COPYDATA; a later start hands its own over and should end with exit code 0.
class SingleInstance {
public:
    using Receiver = std::function<void(const HandedCommandLine&)>;

    // Builds the instance key from the application name, the user's SID and the desktop.
    explicit SingleInstance(const std::wstring& appName);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    // Answers true when this is the first instance (it then receives later command lines through
    // receiver, on this thread's message loop). Answers false after handing directory and command
    // line to the running instance.
    bool Claim(const std::wstring& directory, const std::wstring& commandLine, Receiver receiver);
    // While set, a later start's hand-off is refused whenever acceptor answers false (the instance is
    // shutting down, say), so that the later start runs on its own instead of losing its request.
    void SetAcceptor(std::function<bool()> acceptor);
    // The key naming the instance's objects (mutex and receiver window title).
    const std::wstring& GetKey() const { return key_; }
    // The receiver window of the first instance (null otherwise).
    HWND GetReceiverWindow() const;

    // The WM_COPYDATA tag of a handed command line.
    static constexpr ULONG_PTR kCopyDataTag = 0x51564C31;  // "QVL1"
    // Builds the WM_COPYDATA payload: directory, NUL, command line, NUL (UTF-16).
    static std::wstring EncodePayload(const HandedCommandLine& data);
    // Parses a WM_COPYDATA payload; answers false (data untouched) when it is malformed.
    static bool DecodePayload(const COPYDATASTRUCT& cds, HandedCommandLine& data);

    class Impl;

private:
    std::wstring key_;
    HANDLE mutex_ = nullptr;
    std::function<bool()> acceptor_;
    std::unique_ptr<Impl> impl_;
};

// The class name of the first instance's receiver window.
inline constexpr const wchar_t* kSingleInstanceClass = L"QuorvelUML.SingleInstance";

} // namespace WinUtil
