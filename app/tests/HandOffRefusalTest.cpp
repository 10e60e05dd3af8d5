// A command line handed over by a later start is refused once the running instance shuts down,
// so that the later start runs on its own instead of losing it.
#include "app/SdiApp.h"
#include "app/winutil/MessageLoop.h"
#include "app/winutil/ProgramEntry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::wstring UniqueName(const wchar_t* base) {
    return base + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
}

TEST(HandOffRefusal, LaterStartRunsOnItsOwnWhileTheFirstRefuses) {
    const std::wstring name = UniqueName(L"QuorvelHandOff");
    std::vector<std::wstring> received;
    bool accepting = false;
    WinUtil::SingleInstance first(name);
    first.SetAcceptor([&] { return accepting; });
    ASSERT_TRUE(first.Claim(L"C:\\", L"first.exe", [&](const WinUtil::HandedCommandLine& h) {
        received.push_back(h.commandLine);
    }));

    // Refused: the later start becomes an instance of its own and keeps its command line.
    {
        WinUtil::SingleInstance second(name);
        EXPECT_TRUE(second.Claim(L"C:\\", L"second.exe a.qvd", nullptr));
        EXPECT_NE(second.GetReceiverWindow(), nullptr);
    }

    // Accepted: handed over, and delivered from the loop.
    accepting = true;
    WinUtil::SingleInstance third(name);
    EXPECT_FALSE(third.Claim(L"C:\\", L"third.exe b.qvd", nullptr));
    WinUtil::MessageLoop loop;
    loop.PumpWaiting();
    EXPECT_EQ(received, std::vector<std::wstring>{L"third.exe b.qvd"});
}

// Records whether the application accepts hand-offs when a probe message arrives in its loop.
class ProbingApp : public Application::ISdiApp, public WinUtil::MessageLoop::IPreProc {
public:
    static constexpr UINT kProbe = WM_APP + 41;
    std::optional<bool> beforeRun, atStartUp, whileQuitting;

    bool PreProcess(MSG& msg) override {
        if (msg.message != kProbe) return false;
        whileQuitting = IsAcceptingForwarded();
        return true;
    }

protected:
    std::unique_ptr<Application::IDocumentFactory> GetDocumentFactory(Application::LifeTimeSupervisor&) override {
        atStartUp = IsAcceptingForwarded();
        WinUtil::MessageLoop::Current()->AddPreProc(this);
        // Nothing is opened, so the application ends at once: the probe arrives after the quit
        // message was posted and before the loop takes it.
        PostThreadMessageW(GetCurrentThreadId(), kProbe, 0, 0);
        return nullptr;
    }
};

TEST(HandOffRefusal, ApplicationRefusesOnceItShutsDown) {
    ProbingApp app;
    app.beforeRun = app.IsAcceptingForwarded();
    EXPECT_EQ(app.Run(L"C:\\", L"app.exe"), 0);
    EXPECT_EQ(app.beforeRun, std::optional<bool>(true));
    EXPECT_EQ(app.atStartUp, std::optional<bool>(true));
    EXPECT_EQ(app.whileQuitting, std::optional<bool>(false));
    EXPECT_FALSE(app.IsAcceptingForwarded());
}

} // namespace
