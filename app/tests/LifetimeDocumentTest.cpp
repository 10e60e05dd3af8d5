// Documents: window numbering, the active window, name observers, the factory's list, and the
// COM message filter's busy answer.
#include "app/Document.h"
#include "app/MessageFilter.h"
#include "app/SdiApp.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Application;

namespace {

struct TestApp : IApplication {
    WinUtil::MessageLoop& GetMessageLoop() override { throw std::logic_error("no loop"); }
    LifeTimeSupervisor& GetLifeTimeSupervisor() override { throw std::logic_error("no tree"); }
    HINSTANCE GetInstance() const override { return GetModuleHandleW(nullptr); }
};

struct TestWindow : IDocumentWindow {
    using IDocumentWindow::IDocumentWindow;
};

struct TestDocument : IDocument {
    using IDocument::IDocument;
    int made = 0;
    IDocumentWindow* CreateDocumentWindow(NewWindowDefaultsProvider*) override { ++made; return nullptr; }
};

// Keeps ended nodes until the test asks, so that their state can be read.
struct NoCollect : LifeTimeSupervisor::IScheduler {
    void ScheduleCollect(LifeTimeSupervisor&) override {}
};

struct NameObserver : IDocumentNameObserver {
    int told = 0;
    std::wstring last;
    void DocumentNameChanged(IDocument& d) override { ++told; last = d.GetName(); }
};

} // namespace

TEST(Document, WindowsAreNumberedOnlyWhenThereAreSeveral) {
    TestApp app;
    NoCollect keep;
    auto root = LifeTimeSupervisor::CreateRoot(&keep);
    LifeTimeSupervisor& docNode = root->CreateChild();
    TestDocument doc(app, docNode, L"A");
    auto w1 = std::make_unique<TestWindow>(doc, docNode.CreateChild());
    EXPECT_EQ(w1->GetNumber(), 0);
    auto w2 = std::make_unique<TestWindow>(doc, docNode.CreateChild());
    EXPECT_EQ(doc.GetWindowCount(), 2);
    EXPECT_EQ(w1->GetNumber(), 1);
    EXPECT_EQ(w2->GetNumber(), 2);
    EXPECT_EQ(&w2->GetApplication(), &app);
    doc.SetActiveWindow(w2.get());
    EXPECT_EQ(doc.GetActiveWindow(), w2.get());
    w2.reset();
    EXPECT_EQ(doc.GetWindowCount(), 1);
    EXPECT_EQ(w1->GetNumber(), 0);
    EXPECT_EQ(doc.GetActiveWindow(), w1.get());
    EXPECT_FALSE(docNode.IsEnded());
    w1.reset();
    EXPECT_TRUE(docNode.IsEnded());  // the last window took the document with it
}

TEST(Document, NameObserversAreToldOfChangesOnly) {
    TestApp app;
    NoCollect keep;
    auto root = LifeTimeSupervisor::CreateRoot(&keep);
    TestDocument doc(app, root->CreateChild(), L"Diagram1");
    NameObserver observer;
    {
        zq::ObserverRegistration<IDocumentNameObserver> registration(doc.GetNameObserverList(), &observer);
        doc.SetName(L"Diagram1");
        EXPECT_EQ(observer.told, 0);
        doc.SetName(L"Classes.qvd");
        EXPECT_EQ(observer.told, 1);
        EXPECT_EQ(observer.last, L"Classes.qvd");
    }
    doc.SetName(L"Other");
    EXPECT_EQ(observer.told, 1);
}

TEST(Document, BringToFrontMakesAWindowWhenThereIsNone) {
    TestApp app;
    NoCollect keep;
    auto root = LifeTimeSupervisor::CreateRoot(&keep);
    TestDocument doc(app, root->CreateChild(), L"X");
    doc.BringToFront();
    EXPECT_EQ(doc.made, 1);
}

TEST(DocumentFactory, VisitsDocumentsUntilTheVisitorStops) {
    TestApp app;
    NoCollect keep;
    auto root = LifeTimeSupervisor::CreateRoot(&keep);
    IDocumentFactory factory(app, *root);
    TestDocument a(app, root->CreateChild()), b(app, root->CreateChild()), c(app, root->CreateChild());
    factory.AddDocument(a);
    factory.AddDocument(b);
    factory.AddDocument(c);
    factory.AddDocument(a);
    EXPECT_EQ(factory.GetDocumentCount(), 3);
    int visits = 0;
    EXPECT_FALSE(factory.ForEachDocument([&](IDocument& d) { ++visits; return &d != &b; }));
    EXPECT_EQ(visits, 2);
    factory.RemoveDocument(b);
    factory.Shutdown();
    EXPECT_TRUE(a.GetNode().IsEnded());
    EXPECT_FALSE(b.GetNode().IsEnded());
    EXPECT_TRUE(c.GetNode().IsEnded());
}

// A document window whose answer to closing is set by the test.
struct RefusingWindow : IDocumentWindow {
    using IDocumentWindow::IDocumentWindow;
    bool mayClose = false;
    int asked = 0;
    bool QueryClose() override {
        ++asked;
        return mayClose;
    }
    void Open() {
        static WinUtil::WindowClass cls(L"QuorvelTest.DocumentWindow");
        Create(cls, L"", WS_OVERLAPPEDWINDOW);
    }
};

TEST(DocumentWindow, EndOfSessionAsksTheWindowAndARefusalKeepsIt) {
    TestApp app;
    NoCollect keep;
    auto root = LifeTimeSupervisor::CreateRoot(&keep);
    TestDocument doc(app, root->CreateChild(), L"X");
    LifeTimeSupervisor& node = doc.GetNode().CreateChild();
    auto owned = std::make_unique<RefusingWindow>(doc, node);
    RefusingWindow& window = *owned;
    node.SetClient(std::move(owned));
    window.Open();
    HWND hwnd = window.GetHwnd();
    ASSERT_NE(hwnd, nullptr);

    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), FALSE);
    EXPECT_EQ(window.asked, 1);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd)) << "a refused close keeps the window";
    EXPECT_FALSE(node.IsEnded());

    window.mayClose = true;
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_TRUE(IsWindow(hwnd)) << "asking does not close";
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(node.IsEnded());
    EXPECT_TRUE(doc.GetNode().IsEnded()) << "the document ends with its last window";
}

// What the application gave its factory while the command line was received.
struct Seen {
    IApplication* app = nullptr;
    WinUtil::MessageLoop* loop = nullptr;
    WinUtil::MessageLoop* current = nullptr;
    LifeTimeSupervisor* tree = nullptr;
    LifeTimeSupervisor* given = nullptr;
};

struct ProbeFactory : IDocumentFactory, CommandLine::IReceiver {
    ProbeFactory(IApplication& app, LifeTimeSupervisor& root, Seen& seen) : IDocumentFactory(app, root), seen(seen) {}
    void Receive(const std::wstring&, const std::wstring&) override {
        seen.app = &GetApplication();
        seen.loop = &GetApplication().GetMessageLoop();
        seen.current = WinUtil::MessageLoop::Current();
        seen.tree = &GetApplication().GetLifeTimeSupervisor();
    }
    Seen& seen;
};

struct ProbeApp : ISdiApp, private IDocumentFactoryCreator {
    std::unique_ptr<IDocumentFactory> GetDocumentFactory(LifeTimeSupervisor& root) override {
        seen.given = &root;
        return std::make_unique<ProbeFactory>(static_cast<IDocumentFactoryCreator&>(*this).GetApplication(), root, seen);
    }
    IApplication& GetApplication() override { return *this; }
    Seen seen;
};

TEST(SdiApp, GivesItsLoopAndLifetimeTreeWhileRunningOnly) {
    MSG stale;
    while (PeekMessageW(&stale, nullptr, 0, 0, PM_REMOVE)) {
    }
    ProbeApp app;
    EXPECT_THROW(app.GetMessageLoop(), std::logic_error);
    EXPECT_THROW(app.GetLifeTimeSupervisor(), std::logic_error);
    // Nothing opens, so the application ends at once after receiving its command line.
    EXPECT_EQ(app.Run(L"C:\\", L"probe.exe"), 0);
    EXPECT_EQ(app.seen.app, static_cast<IApplication*>(&app));
    ASSERT_NE(app.seen.loop, nullptr);
    EXPECT_EQ(app.seen.loop, app.seen.current);
    ASSERT_NE(app.seen.tree, nullptr);
    EXPECT_EQ(app.seen.tree, app.seen.given);
    EXPECT_THROW(app.GetMessageLoop(), std::logic_error);
    EXPECT_THROW(app.GetLifeTimeSupervisor(), std::logic_error);
}

TEST(CommandLineArguments, QuotesAndBlanks) {
    auto args = CommandLine::SplitArguments(L"  a.qvd \"b c.qvd\" -embedding");
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[1], L"b c.qvd");
    EXPECT_EQ(args[2], L"-embedding");
    EXPECT_TRUE(CommandLine::SplitArguments(L"   ").empty());
}

TEST(MessageFilter, BlockedFilterAsksCallersToRetryLater) {
    WinUtil::MessageFilter& filter = WinUtil::GetMessageFilter();
    EXPECT_EQ(filter.HandleInComingCall(), static_cast<DWORD>(SERVERCALL_ISHANDLED));
    {
        WinUtil::MessageFilterBlock block;
        WinUtil::MessageFilterBlock nested;
        EXPECT_EQ(filter.HandleInComingCall(), static_cast<DWORD>(SERVERCALL_RETRYLATER));
        IMessageFilter* com = filter.GetInterface();
        EXPECT_EQ(com->HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, nullptr),
                  static_cast<DWORD>(SERVERCALL_RETRYLATER));
    }
    EXPECT_EQ(filter.HandleInComingCall(), static_cast<DWORD>(SERVERCALL_ISHANDLED));
    filter.Unblock();  // an extra unblock does not go below zero
    EXPECT_FALSE(filter.IsBlocked());
}
