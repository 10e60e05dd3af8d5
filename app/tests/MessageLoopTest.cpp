// The message loop: exit codes, nested loops and WM_QUIT, pre- and one-time post-processors, timers,
// the keys handled ahead of other messages.
#include "app/tests/ReportCollector.h"
#include "app/winutil/MessageLoop.h"
#include "app/winutil/Modal.h"
#include "app/winutil/Timer.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

namespace {

const UINT kPing = WM_APP + 11;

// Posts thread messages and runs a function when one arrives (a pre-processor that consumes them).
struct Scripted : WinUtil::MessageLoop::IPreProc {
    bool PreProcess(MSG& msg) override {
        if (msg.hwnd || msg.message != kPing) return false;
        ++seen;
        if (onPing) onPing(static_cast<int>(msg.wParam));
        return true;
    }
    int seen = 0;
    std::function<void(int)> onPing;
};

void Ping(int value) { PostThreadMessageW(GetCurrentThreadId(), kPing, value, 0); }

// Empties the thread's queue of anything earlier tests left behind.
void DrainQueue() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(MessageLoop, RunAnswersTheQuitCode) {
    DrainQueue();
    WinUtil::MessageLoop loop;
    PostQuitMessage(17);
    EXPECT_EQ(loop.Run(), 17);
}

TEST(MessageLoop, NestedLoopPostsQuitAgainAndOuterLoopEndsWithIt) {
    DrainQueue();
    WinUtil::MessageLoop loop;
    Scripted script;
    loop.AddPreProc(&script);
    bool nestedAnswer = true;
    script.onPing = [&](int value) {
        if (value != 1) return;
        PostQuitMessage(23);
        Ping(2);  // must still be processed by the nested loop before the quit
        nestedAnswer = loop.RunWhile([] { return true; });
    };
    Ping(1);
    EXPECT_EQ(loop.Run(), 23);
    EXPECT_FALSE(nestedAnswer);
    EXPECT_EQ(script.seen, 2);
    loop.RemovePreProc(&script);
}

TEST(MessageLoop, AFailingPreProcessorIsReportedAndTheLoopGoesOn) {
    DrainQueue();
    AppTest::ReportCollector collector;
    std::vector<std::wstring>& reports = collector.texts;
    WinUtil::MessageLoop loop;
    Scripted script;
    loop.AddPreProc(&script);
    script.onPing = [&](int value) {
        if (value == 1) throw std::runtime_error("pre-processor failed");
        PostQuitMessage(31);
    };
    Ping(1);
    Ping(2);
    EXPECT_EQ(loop.Run(), 31);  // the second message still arrived
    EXPECT_EQ(script.seen, 2);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(L"WinUtil::MessageLoop::PreProcess"), std::wstring::npos);
    loop.RemovePreProc(&script);
}

TEST(MessageLoop, FailuresToGetAMessageAreReportedAndOnlyQuitEndsTheLoop) {
    DrainQueue();
    AppTest::ReportCollector collector;
    std::vector<std::wstring>& reports = collector.texts;
    WinUtil::MessageLoop loop;
    Scripted script;
    loop.AddPreProc(&script);
    int calls = 0;
    // The first two takes fail (as GetMessageW does on a bad window handle); then the messages flow.
    loop.SetMessageSource([&](MSG& msg) -> BOOL {
        if (++calls <= 2) {
            if (calls == 2) Ping(1);  // something for the wait after a repeated failure to return on
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        return GetMessageW(&msg, nullptr, 0, 0);
    });
    script.onPing = [&](int value) { PostQuitMessage(40 + value); };
    EXPECT_EQ(loop.Run(), 41);  // the loop went on and ended with the quit message only
    EXPECT_EQ(script.seen, 1);
    ASSERT_EQ(reports.size(), 1u) << "a failure in a row is reported once";
    EXPECT_NE(reports[0].find(L"WinUtil::MessageLoop::GetMessage"), std::wstring::npos);
    EXPECT_NE(reports[0].find(L"HRESULT=0x80070578"), std::wstring::npos);

    // A nested loop copes the same way instead of ending its modal operation.
    calls = 0;
    script.onPing = [&](int) {};
    bool nested = loop.RunWhile([&] { return script.seen < 2; });
    EXPECT_TRUE(nested);
    EXPECT_EQ(script.seen, 2);
    EXPECT_EQ(reports.size(), 2u);
    loop.RemovePreProc(&script);
}

TEST(MessageLoop, NestedLoopEndsWhenItsConditionDoes) {
    DrainQueue();
    WinUtil::MessageLoop loop;
    Scripted script;
    loop.AddPreProc(&script);
    bool done = false;
    script.onPing = [&](int) { done = true; };
    Ping(0);
    EXPECT_TRUE(WinUtil::RunNestedLoop([&] { return !done; }));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    loop.RemovePreProc(&script);
}

TEST(MessageLoop, PumpWaitingDoesNotBlockAndReportsQuit) {
    DrainQueue();
    WinUtil::MessageLoop loop;
    Scripted script;
    loop.AddPreProc(&script);
    Ping(0);
    Ping(0);
    EXPECT_TRUE(loop.PumpWaiting());
    EXPECT_EQ(script.seen, 2);
    EXPECT_TRUE(loop.PumpWaiting());  // nothing waiting: returns at once
    PostQuitMessage(5);
    EXPECT_FALSE(loop.PumpWaiting());
    EXPECT_EQ(loop.Run(), 5);  // the quit was posted again for the outer loop
    loop.RemovePreProc(&script);
}

struct Counter : WinUtil::MessageLoop::IOneTimePostProc {
    void PostProcess() override { ++runs; }
    int runs = 0;
};

TEST(MessageLoop, OneTimePostProcRunsOnceAndCanBeWithdrawn) {
    DrainQueue();
    WinUtil::MessageLoop loop;
    Scripted script;
    loop.AddPreProc(&script);
    Counter once, withdrawn;
    loop.AddOneTimePostProc(&once);
    loop.AddOneTimePostProc(&withdrawn);
    loop.RemoveOneTimePostProc(&withdrawn);
    Ping(0);
    Ping(0);
    Ping(0);
    EXPECT_TRUE(loop.PumpWaiting());
    EXPECT_EQ(once.runs, 1);
    EXPECT_EQ(withdrawn.runs, 0);
    loop.RemovePreProc(&script);
}

TEST(QuitMessageSaver, HoldsBackAndRepostsTheQuit) {
    DrainQueue();
    PostQuitMessage(31);
    {
        WinUtil::QuitMessageSaver saver;
        EXPECT_TRUE(saver.HasQuit());
        MSG msg;
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    }
    WinUtil::MessageLoop loop;
    EXPECT_EQ(loop.Run(), 31);
}

// Counts ticks and ends the loop after a number of them.
struct TickCounter : WinUtil::ITimerClient {
    void OnTimer() override {
        ++ticks;
        if (onTick) onTick();
    }
    int ticks = 0;
    std::function<void()> onTick;
};

TEST(Timer, StartsStopsAndRestarts) {
    DrainQueue();
    TickCounter client;
    WinUtil::Timer timer(client);
    EXPECT_FALSE(timer.IsRunning());
    client.onTick = [&] {
        if (client.ticks == 3) timer.Stop();
    };
    timer.Start(10);
    EXPECT_TRUE(timer.IsRunning());
    const DWORD deadline = GetTickCount() + 5000;
    EXPECT_TRUE(WinUtil::RunNestedLoop([&] { return timer.IsRunning() && GetTickCount() < deadline; }));
    EXPECT_EQ(client.ticks, 3);
    EXPECT_FALSE(timer.IsRunning());

    client.onTick = [&] { timer.Stop(); };
    timer.Start(10);  // restart after a stop
    const DWORD deadline2 = GetTickCount() + 5000;
    WinUtil::RunNestedLoop([&] { return timer.IsRunning() && GetTickCount() < deadline2; });
    EXPECT_EQ(client.ticks, 4);
}

TEST(Timer, DestroyedTimerNeverTicks) {
    DrainQueue();
    TickCounter dead, alive;
    auto timer = std::make_unique<WinUtil::Timer>(dead);
    timer->Start(1);
    timer.reset();
    WinUtil::Timer other(alive);
    alive.onTick = [&] { other.Stop(); };
    other.Start(30);
    const DWORD deadline = GetTickCount() + 5000;
    WinUtil::RunNestedLoop([&] { return other.IsRunning() && GetTickCount() < deadline; });
    EXPECT_EQ(alive.ticks, 1);
    EXPECT_EQ(dead.ticks, 0);
}

// A window that records the keys and characters it receives.
struct KeyWindow {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<KeyWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && (msg == WM_KEYDOWN || msg == WM_CHAR)) self->seen.push_back(msg);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    KeyWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuorvelKeyWindow";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~KeyWindow() { DestroyWindow(hwnd); }
    HWND hwnd = nullptr;
    std::vector<UINT> seen;
};

TEST(MessageLoop, QueuedKeysAreHandledAheadOfOtherMessagesWithoutThePostProcessors) {
    DrainQueue();
    WinUtil::MessageLoop loop;
    Scripted script;
    loop.AddPreProc(&script);
    KeyWindow window;
    ASSERT_TRUE(window.hwnd != nullptr);
    Counter post;
    loop.AddOneTimePostProc(&post);
    Ping(1);  // queued before the key: it stays queued
    PostMessageW(window.hwnd, WM_KEYDOWN, 'A', 0);
    loop.HandleQueuedKeys();
    // The key is translated into its character, which is handled as well.
    EXPECT_EQ(window.seen, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR}));
    EXPECT_EQ(script.seen, 0);
    EXPECT_EQ(post.runs, 0);
    loop.HandleQueuedKeys();  // nothing left: nothing happens
    EXPECT_EQ(window.seen.size(), 2u);
    EXPECT_TRUE(loop.PumpWaiting());
    EXPECT_EQ(script.seen, 1);
    EXPECT_EQ(post.runs, 1);
    loop.RemovePreProc(&script);
}

} // namespace
