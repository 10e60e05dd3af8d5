// A window object deleted by a handler of its own message: the frames still running on the stack
// must not touch the deleted object.
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

const UINT kOuterMsg = WM_APP + 21;
const UINT kInnerMsg = WM_APP + 22;
const unsigned char kFreed = 0xCD;

// Holds a window object in storage the test can inspect after the object is gone: every byte is
// overwritten when the object is deleted, so a later write by the framework shows up.
struct WindowHolder {
    alignas(WinUtil::Window) unsigned char storage[sizeof(WinUtil::Window)];
    WinUtil::Window* window = nullptr;

    WindowHolder() { window = new (storage) WinUtil::Window; }
    ~WindowHolder() {
        if (window) window->~Window();
    }
    void Delete() {
        window->~Window();
        window = nullptr;
        std::memset(storage, kFreed, sizeof storage);
    }
    bool Untouched() const {
        return std::all_of(std::begin(storage), std::end(storage), [](unsigned char b) { return b == kFreed; });
    }
};

struct ReentryOwner {
    WindowHolder* holder = nullptr;
    std::vector<std::string> log;
    void DeleteWindow(WinMessage::Msg&) {
        log.push_back("delete");
        holder->Delete();
    }
    void SendInner(WinMessage::Msg& msg) {
        log.push_back("outer");
        SendMessageW(msg.hwnd, kInnerMsg, 0, 0);
        msg.result = 5;
    }
    void Spy(WinMessage::Msg&) { log.push_back("spy"); }
    void Consume(WinMessage::Msg& msg) {
        log.push_back("consume");
        msg.result = 1;
    }
};

class WindowReentry : public ::testing::Test {
protected:
    void SetUp() override {
        previousSink_ = WinUtil::ExceptionBox::SetSink(
            [this](const std::wstring&, const std::wstring& text) { reports.push_back(text); });
        static WinUtil::WindowClass cls(L"QuorvelTest.Reentry");
        hwnd = holder.window->Create(cls, L"reentry", WS_POPUP, 0, 0, 0, 10, 10);
        owner.holder = &holder;
    }
    void TearDown() override { WinUtil::ExceptionBox::SetSink(previousSink_); }

    WindowHolder holder;
    ReentryOwner owner;
    HWND hwnd = nullptr;
    std::vector<std::wstring> reports;

private:
    WinUtil::ExceptionBox::Sink previousSink_;
};

TEST_F(WindowReentry, ObserverDeletingTheWindowStopsTheDispatch) {
    WinMessage::WinMsgPlugMap map(holder.window->GetDispatcher());
    map.AddSpy(kOuterMsg, &owner, &ReentryOwner::DeleteWindow);
    map.AddSpy(kOuterMsg, &owner, &ReentryOwner::Spy);
    map.Add(kOuterMsg, &owner, &ReentryOwner::Consume);

    SendMessageW(hwnd, kOuterMsg, 0, 0);

    EXPECT_EQ(owner.log, std::vector<std::string>{"delete"});
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(holder.Untouched());
    EXPECT_TRUE(reports.empty());
}

TEST_F(WindowReentry, ConsumerDeletingTheWindowLeavesItAlone) {
    WinMessage::WinMsgPlugMap map(holder.window->GetDispatcher());
    map.Add(kOuterMsg, &owner, &ReentryOwner::DeleteWindow);

    SendMessageW(hwnd, kOuterMsg, 0, 0);

    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(holder.Untouched());
    EXPECT_TRUE(reports.empty());
}

TEST_F(WindowReentry, WindowDeletedInANestedMessageIsLeftAloneByTheOuterOne) {
    WinMessage::WinMsgPlugMap map(holder.window->GetDispatcher());
    map.Add(kOuterMsg, &owner, &ReentryOwner::SendInner);
    map.Add(kInnerMsg, &owner, &ReentryOwner::DeleteWindow);

    SendMessageW(hwnd, kOuterMsg, 0, 0);

    EXPECT_EQ(owner.log, (std::vector<std::string>{"outer", "delete"}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(holder.Untouched());
    EXPECT_TRUE(reports.empty());
}

TEST_F(WindowReentry, WindowKeepsWorkingAfterNestedMessages) {
    WinMessage::WinMsgPlugMap map(holder.window->GetDispatcher());
    map.Add(kOuterMsg, &owner, &ReentryOwner::SendInner);
    map.Add(kInnerMsg, &owner, &ReentryOwner::Consume);

    EXPECT_EQ(SendMessageW(hwnd, kOuterMsg, 0, 0), 5);
    EXPECT_EQ(SendMessageW(hwnd, kOuterMsg, 0, 0), 5);
    EXPECT_EQ(owner.log, (std::vector<std::string>{"outer", "consume", "outer", "consume"}));
    EXPECT_TRUE(reports.empty());
}

} // namespace
