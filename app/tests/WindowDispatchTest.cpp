// Window objects and message bindings: dispatch order, pass-through, removal, exceptions.
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/Window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

const UINT kTestMsg = WM_APP + 7;
std::vector<std::string> g_log;

// The procedure of a window made without the framework: records what reaches it.
LRESULT CALLBACK RawProc(HWND hwnd, UINT id, WPARAM wParam, LPARAM lParam) {
    if (id == kTestMsg) {
        g_log.push_back("previous");
        return 42;
    }
    return DefWindowProcW(hwnd, id, wParam, lParam);
}

HWND MakeRawWindow() {
    static WinUtil::WindowClass cls(L"QuorvelTest.Raw", RawProc);
    return CreateWindowExW(0, cls.GetName(), L"raw", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           cls.GetInstance(), nullptr);
}

// An owner with observing and consuming handlers that log their calls.
struct Owner : WinMessage::IExceptionHandler {
    explicit Owner(std::string name) : name(std::move(name)) {}
    void Spy(WinMessage::Msg&) { g_log.push_back(name + ".spy"); }
    void Consume(WinMessage::Msg& msg) {
        g_log.push_back(name + ".consume");
        msg.result = result;
        msg.passToDefault = pass;
    }
    void Throw(WinMessage::Msg&) { throw std::runtime_error("binding failed"); }
    void OnException(std::exception_ptr) override { g_log.push_back(name + ".handler"); }
    std::string name;
    LRESULT result = 7;
    BYTE pass = 0;
};

class WindowDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        previousSink_ = WinUtil::ExceptionBox::SetSink(
            [this](const std::wstring&, const std::wstring& text) { reports.push_back(text); });
        hwnd = MakeRawWindow();
        ASSERT_NE(hwnd, nullptr);
        window.Attach(hwnd);
    }
    void TearDown() override {
        window.Detach();
        DestroyWindow(hwnd);
        WinUtil::ExceptionBox::SetSink(previousSink_);
    }
    LRESULT Send() { return SendMessageW(hwnd, kTestMsg, 0, 0); }

    HWND hwnd = nullptr;
    WinUtil::Window window;
    std::vector<std::wstring> reports;

private:
    WinUtil::ExceptionBox::Sink previousSink_;
};

TEST_F(WindowDispatch, UnboundMessageReachesPreviousProcedure) {
    EXPECT_EQ(Send(), 42);
    EXPECT_EQ(g_log, std::vector<std::string>{"previous"});
    EXPECT_EQ(WinUtil::Window::FromHandle(hwnd), &window);
}

TEST_F(WindowDispatch, ObserversFirstThenExactlyOneConsumerOfTheNewestMap) {
    Owner a("a"), b("b");
    WinMessage::WinMsgPlugMap mapA(window.GetDispatcher(), &a);
    mapA.Add(kTestMsg, &a, &Owner::Consume);
    WinMessage::WinMsgPlugMap mapB(window.GetDispatcher(), &b);
    mapB.Add(kTestMsg, &b, &Owner::Consume);
    mapB.AddSpy(kTestMsg, &b, &Owner::Spy);
    mapA.AddSpy(kTestMsg, &a, &Owner::Spy);
    b.result = 99;
    EXPECT_EQ(Send(), 99);
    EXPECT_EQ(g_log, (std::vector<std::string>{"a.spy", "b.spy", "b.consume"}));
}

TEST_F(WindowDispatch, ConsumerAskingForDefaultPassesToPreviousProcedure) {
    Owner a("a");
    WinMessage::WinMsgPlugMap map(window.GetDispatcher(), &a);
    map.Add(kTestMsg, &a, &Owner::Consume);
    a.pass = 1;
    EXPECT_EQ(Send(), 42);
    EXPECT_EQ(g_log, (std::vector<std::string>{"a.consume", "previous"}));
}

TEST_F(WindowDispatch, SpyAloneDoesNotConsume) {
    Owner a("a");
    WinMessage::WinMsgPlugMap map(window.GetDispatcher(), &a);
    map.AddSpy(kTestMsg, &a, &Owner::Spy);
    EXPECT_EQ(Send(), 42);
    EXPECT_EQ(g_log, (std::vector<std::string>{"a.spy", "previous"}));
}

TEST_F(WindowDispatch, MapsRemovedInAnyOrder) {
    Owner a("a"), b("b"), c("c");
    auto mapA = std::make_unique<WinMessage::WinMsgPlugMap>(window.GetDispatcher(), &a);
    auto mapB = std::make_unique<WinMessage::WinMsgPlugMap>(window.GetDispatcher(), &b);
    auto mapC = std::make_unique<WinMessage::WinMsgPlugMap>(window.GetDispatcher(), &c);
    mapA->Add(kTestMsg, &a, &Owner::Consume);
    mapB->Add(kTestMsg, &b, &Owner::Consume);
    mapC->Add(kTestMsg, &c, &Owner::Consume);
    mapB.reset();  // the middle one first
    Send();
    mapC.reset();  // then the newest: the oldest consumes again
    Send();
    mapA.reset();
    Send();
    EXPECT_EQ(g_log, (std::vector<std::string>{"c.consume", "a.consume", "previous"}));
}

// An owner whose observer removes another owner's bindings while the message is on its way.
struct Remover {
    void Spy(WinMessage::Msg&) { victim.reset(); }
    std::unique_ptr<WinMessage::WinMsgPlugMap> victim;
};

TEST_F(WindowDispatch, MapRemovedByAnObserverIsSkipped) {
    Owner a("a"), b("b");
    WinMessage::WinMsgPlugMap mapA(window.GetDispatcher(), &a);
    mapA.Add(kTestMsg, &a, &Owner::Consume);
    Remover remover;
    WinMessage::WinMsgPlugMap removerMap(window.GetDispatcher());
    removerMap.AddSpy(kTestMsg, &remover, &Remover::Spy);
    remover.victim = std::make_unique<WinMessage::WinMsgPlugMap>(window.GetDispatcher(), &b);
    remover.victim->AddSpy(kTestMsg, &b, &Owner::Spy);
    remover.victim->Add(kTestMsg, &b, &Owner::Consume);
    Send();
    EXPECT_EQ(g_log, (std::vector<std::string>{"a.consume"}));
}

TEST_F(WindowDispatch, ExceptionReachesOwnersHandlerThenTheGuard) {
    Owner a("a");
    WinMessage::WinMsgPlugMap map(window.GetDispatcher(), &a);
    map.Add(kTestMsg, &a, &Owner::Throw);
    EXPECT_EQ(Send(), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"a.handler"}));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], L"std::runtime_error catched in WinUtil::Window::WindowProc\nbinding failed");
    // The window goes on working.
    map.RemovePlugs(kTestMsg);
    EXPECT_EQ(Send(), 42);
}

TEST_F(WindowDispatch, DetachRestoresThePreviousProcedure) {
    Owner a("a");
    WinMessage::WinMsgPlugMap map(window.GetDispatcher(), &a);
    map.Add(kTestMsg, &a, &Owner::Consume);
    window.Detach();
    EXPECT_EQ(WinUtil::Window::FromHandle(hwnd), nullptr);
    EXPECT_EQ(Send(), 42);
    EXPECT_EQ(g_log, (std::vector<std::string>{"previous"}));
}

// A window object made by the framework, seeing its own creation and destruction.
struct CreatedWindow : WinUtil::Window {
    CreatedWindow() : map(GetDispatcher()) {
        map.AddSpy(WM_CREATE, this, &CreatedWindow::OnCreate);
        map.AddSpy(WM_DESTROY, this, &CreatedWindow::OnDestroy);
    }
    void OnCreate(WinMessage::Msg&) { created = true; }
    void OnDestroy(WinMessage::Msg&) { destroyed = true; }
    void OnFinalMessage() override { final = true; }
    WinMessage::WinMsgPlugMap map;
    bool created = false, destroyed = false, final = false;
};

TEST(WindowCreate, BindingsSeeCreateAndDestroyAndHandleIsForgotten) {
    static WinUtil::WindowClass cls(L"QuorvelTest.Created");
    CreatedWindow window;
    HWND hwnd = window.Create(cls, L"made", WS_POPUP, 0, 0, 0, 20, 20);
    EXPECT_TRUE(window.created);
    EXPECT_EQ(WinUtil::Window::FromHandle(hwnd), &window);
    window.Destroy();
    EXPECT_TRUE(window.destroyed);
    EXPECT_TRUE(window.final);
    EXPECT_EQ(window.GetHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WindowCreate, ClassRegisteredOnce) {
    WinUtil::WindowClass first(L"QuorvelTest.Once");
    WinUtil::WindowClass second(L"QuorvelTest.Once");  // no failure on the second registration
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    EXPECT_TRUE(GetClassInfoExW(first.GetInstance(), L"QuorvelTest.Once", &info));
}

TEST(MessageCrackers, MouseButtonsAndContextMenuPositions) {
    WinMessage::MouseMsg mouse(nullptr, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(-5, 12));
    EXPECT_TRUE(mouse.IsButtonDown(1));
    EXPECT_FALSE(mouse.IsButtonDown(2));
    EXPECT_TRUE(mouse.IsButtonDown(3));
    EXPECT_EQ(mouse.X(), -5);
    EXPECT_EQ(mouse.Y(), 12);
    WinMessage::MouseMsg middle(nullptr, WM_MBUTTONDOWN, MK_MBUTTON, 0);
    EXPECT_TRUE(middle.IsButtonDown(2));

    WinMessage::WM_CONTEXTMENU_Msg keyboard(nullptr, WM_CONTEXTMENU, 0, MAKELPARAM(0xFFFF, 0xFFFF));
    EXPECT_TRUE(keyboard.IsFromKeyboard());
    WinMessage::WM_CONTEXTMENU_Msg halfway(nullptr, WM_CONTEXTMENU, 0, MAKELPARAM(0xFFFF, 10));
    EXPECT_FALSE(halfway.IsFromKeyboard());

    HWND hwnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 100, 200, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    WinMessage::WM_CONTEXTMENU_Msg mouseMenu(hwnd, WM_CONTEXTMENU, 0, MAKELPARAM(origin.x + 3, origin.y + 4));
    POINT client = mouseMenu.ClientPos();
    EXPECT_EQ(client.x, 3);
    EXPECT_EQ(client.y, 4);
    DestroyWindow(hwnd);
}

TEST(PrivateMessages, HandedOutOnceFrom0x600) {
    UINT first = WinUtil::PrivateMessage::Instance().Allocate();
    UINT second = WinUtil::PrivateMessage::Instance().Allocate();
    EXPECT_GE(first, 0x600u);
    EXPECT_NE(first, second);
}

TEST(MouseCapture, CountedCaptureEndsWithTheLastEnd) {
    HWND hwnd = MakeRawWindow();
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    WinUtil::MouseInputControl control(hwnd);
    control.BeginCapture();
    control.BeginCapture();
    EXPECT_EQ(GetCapture(), hwnd);
    control.EndCapture();
    EXPECT_EQ(GetCapture(), hwnd);
    control.EndCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    control.EndCapture();  // an extra end does no harm
    EXPECT_EQ(control.GetCount(), 0);
    DestroyWindow(hwnd);
}

} // namespace
