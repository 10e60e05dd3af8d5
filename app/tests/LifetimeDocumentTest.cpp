// Documents: window numbering, the active window, name observers, the factory's list, and the
// COM message filter's busy answer.
#include "app/Document.h"
#include "app/MessageFilter.h"
#include "app/SdiApp.h"

#include <gtest/gtest.h>

using namespace Application;

namespace {

struct TestApp : IApplication {
    HINSTANCE GetInstance() const override { return GetModuleHandleW(nullptr); }
};

struct TestWindow : IDocumentWindow {
    using IDocumentWindow::IDocumentWindow;
};

struct TestDocument : IDocument {
    using IDocument::IDocument;
    int made = 0;
    IDocumentWindow* CreateDocumentWindow(int) override { ++made; return nullptr; }
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
