// The lifetime tree: the quit notice comes exactly when the last lock goes, external connections
// keep the tree alive, ended nodes are collected with their clients.
#include "app/LifeTime.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Application;

namespace {

struct CountingClient : ILifeTimeSupervisorClient {
    explicit CountingClient(int* ends, int* destroyed = nullptr) : ends(ends), destroyed(destroyed) {}
    ~CountingClient() override { if (destroyed) ++*destroyed; }
    void LifeTimeEnded() override { ++*ends; if (onEnd) onEnd(); }
    int* ends;
    int* destroyed;
    std::function<void()> onEnd;
};

} // namespace

TEST(LifeTimeSupervisor, QuitExactlyWhenTheLastLockGoes) {
    auto root = LifeTimeSupervisor::CreateRoot();
    int quits = 0;
    root->SetClient(std::make_unique<CountingClient>(&quits));
    LifeTimeSupervisor& document = root->CreateChild();
    LifeTimeSupervisor& window1 = document.CreateChild();
    LifeTimeSupervisor& window2 = document.CreateChild();
    window1.Lock();
    window2.Lock();
    window1.Unlock();
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(root->GetActiveCount(), 1);
    window2.Unlock();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(root->IsEnded());
    EXPECT_EQ(root->GetChildCount(), 0u);  // everything collected
}

TEST(LifeTimeSupervisor, ExternalConnectionsKeepTheTreeAlive) {
    auto root = LifeTimeSupervisor::CreateRoot();
    int quits = 0, docEnds = 0, docDestroyed = 0;
    root->SetClient(std::make_unique<CountingClient>(&quits));
    LifeTimeSupervisor& document = root->CreateChild();
    document.SetClient(std::make_unique<CountingClient>(&docEnds, &docDestroyed));
    LifeTimeSupervisor& window = document.CreateChild();
    window.Lock();
    document.AddExternalConnection();
    window.Unlock();  // the window closes, a container still holds the document
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(document.GetChildCount(), 0u);  // the window node is gone
    EXPECT_EQ(docDestroyed, 0);
    document.ReleaseExternalConnection();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(docEnds, 1);
    EXPECT_EQ(docDestroyed, 1);
}

TEST(LifeTimeSupervisor, EndingADocumentEndsItsWindowsButWaitsForTheirLocks) {
    auto root = LifeTimeSupervisor::CreateRoot();
    int quits = 0, windowEnds = 0, windowDestroyed = 0, docDestroyed = 0, docEnds = 0;
    root->SetClient(std::make_unique<CountingClient>(&quits));
    LifeTimeSupervisor& document = root->CreateChild();
    document.SetClient(std::make_unique<CountingClient>(&docEnds, &docDestroyed));
    LifeTimeSupervisor& window = document.CreateChild();
    window.SetClient(std::make_unique<CountingClient>(&windowEnds, &windowDestroyed));
    window.Lock();
    document.End();
    EXPECT_EQ(windowEnds, 1);       // the window is asked to close
    EXPECT_EQ(windowDestroyed, 0);  // but stays while locked
    EXPECT_EQ(docDestroyed, 0);
    window.Unlock();
    EXPECT_EQ(windowDestroyed, 1);
    EXPECT_EQ(docDestroyed, 1);
    EXPECT_EQ(quits, 1);
}

TEST(LifeTimeSupervisor, ClientThatUnlocksWhileToldToEnd) {
    // A window client destroys its window (and so releases its lock) when its node ends.
    auto root = LifeTimeSupervisor::CreateRoot();
    int quits = 0, ends = 0, destroyed = 0;
    root->SetClient(std::make_unique<CountingClient>(&quits));
    LifeTimeSupervisor& window = root->CreateChild();
    auto client = std::make_unique<CountingClient>(&ends, &destroyed);
    client->onEnd = [&window] { window.Unlock(); };
    window.SetClient(std::move(client));
    window.Lock();
    window.End();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(quits, 1);
}

TEST(LifeTimeSupervisor, UnbalancedUnlockAndReleaseAreIgnored) {
    auto root = LifeTimeSupervisor::CreateRoot();
    int quits = 0;
    root->SetClient(std::make_unique<CountingClient>(&quits));
    LifeTimeSupervisor& a = root->CreateChild();
    LifeTimeSupervisor& b = root->CreateChild();
    b.Lock();
    a.Unlock();
    a.ReleaseExternalConnection();
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(root->GetActiveCount(), 1);
    b.Unlock();
    EXPECT_EQ(quits, 1);
}

TEST(LifeTimeSupervisor, SchedulerDefersCollection) {
    struct Scheduler : LifeTimeSupervisor::IScheduler {
        int asked = 0;
        void ScheduleCollect(LifeTimeSupervisor&) override { ++asked; }
    } scheduler;
    auto root = LifeTimeSupervisor::CreateRoot(&scheduler);
    int ends = 0, destroyed = 0;
    LifeTimeSupervisor& node = root->CreateChild();
    node.SetClient(std::make_unique<CountingClient>(&ends, &destroyed));
    node.Lock();
    root->Lock();  // keeps the tree from quitting
    node.Unlock();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(destroyed, 0);
    EXPECT_GE(scheduler.asked, 1);
    root->Collect();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(root->GetChildCount(), 0u);
    root->Unlock();
}
