// Transactions: insertion order and ids, follow-up queues and their limits, rollback.
#include "core/tests/TestKinds.h"

#include "core/UndoHandler.h"

#include <gtest/gtest.h>

using namespace Core;
using namespace TestKinds;

namespace {

struct Txn : ::testing::Test {
    Diagram diagram{Registry(), nullptr};

    std::shared_ptr<Box> AddBox(const zq::Point& pos = {}) {
        Transaction t(diagram);
        Env env(t);
        auto box = Box::Factory().CreateTyped(env);
        box->SetPos(env, pos);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        return box;
    }
    std::vector<ObjectId> Ids() const {
        std::vector<ObjectId> ids;
        for (const auto& e : diagram.Elements()) ids.push_back(e->GetObjectId());
        return ids;
    }
    // Makes a box named "new" and renames the existing box "changed".
    static std::shared_ptr<Box> MakeNewAndRename(Env& env, Box& existing) {
        auto made = Box::Factory().CreateTyped(env);
        made->SetField(env, &BoxRep::name, std::wstring(L"new"));
        existing.SetField(env, &BoxRep::name, std::wstring(L"changed"));
        return made;
    }
};

TEST_F(Txn, InsertAppendsWithIncreasingIdsAndUndoRemoves)
{
    auto a = AddBox(), b = AddBox(), c = AddBox();
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2, 3}));
    EXPECT_EQ(diagram.FindElementById(2), b.get());
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2}));
    EXPECT_TRUE(c->IsDeleted());
    EXPECT_EQ(diagram.FindElementById(3), nullptr);
    diagram.GetUndoHandler().Redo(nullptr, nullptr);
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2, 3}));
    EXPECT_FALSE(c->IsDeleted());
    auto d = AddBox();
    EXPECT_EQ(d->GetObjectId(), 4u);  // ids are never reused
}

TEST_F(Txn, ElementWithStoredIdKeepsItAndRaisesCounter)
{
    Transaction t(diagram);
    Env env(t);
    auto e = Box::Factory().CreateElement();
    ElementState::SetId(*e, 40);
    env.Insert(e);
    auto f = Box::Factory().CreateElement();
    ElementState::SetId(*f, 40);
    EXPECT_THROW(env.Insert(f), Exceptions::Base);
    EXPECT_EQ(diagram.GetElementCount(), 1u);
    EXPECT_FALSE(f->IsInTransaction());
    auto g = Box::Factory().Create(env);
    EXPECT_EQ(g->GetObjectId(), 41u);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(diagram.GetElementCount(), 0u);
}

TEST_F(Txn, DeletionUndoPutsElementBackAtItsPlace)
{
    auto a = AddBox(), b = AddBox(), c = AddBox();
    {
        Transaction t(diagram);
        Env env(t);
        b->Delete(env);
        b->Delete(env);  // a second deletion does nothing
        EXPECT_TRUE(b->IsDeleted());
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 3}));
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2, 3}));
    EXPECT_FALSE(b->IsDeleted());
}

TEST_F(Txn, NewAndInTransactionFlagsLastWhileTheTransactionRuns)
{
    auto a = AddBox();
    EXPECT_FALSE(a->IsNew());
    EXPECT_FALSE(a->IsInTransaction());
    Transaction t(diagram);
    Env env(t);
    auto b = Box::Factory().CreateTyped(env);
    EXPECT_TRUE(b->IsNew());
    EXPECT_TRUE(b->IsInTransaction());
    EXPECT_FALSE(a->IsInTransaction());
    a->SetField(env, &BoxRep::count, 5);
    EXPECT_TRUE(a->IsInTransaction());
    EXPECT_FALSE(a->IsNew());
    EXPECT_TRUE(diagram.IsTransactionOpen());
    env.Close();
    EXPECT_FALSE(diagram.IsTransactionOpen());
    EXPECT_FALSE(a->IsInTransaction());
    EXPECT_FALSE(b->IsNew());
}

TEST_F(Txn, WritingARecordOutsideAnOpenTransactionIsAnError)
{
    auto a = AddBox();
    Transaction t(diagram);
    t.Close();
    EXPECT_THROW(a->GetRepForWrite(t, false), LockedRep::AccessError);
    EXPECT_THROW(a->ModifyField(t, &BoxRep::count), LockedRep::AccessError);
    EXPECT_TRUE(a->IsLocked());
    EXPECT_EQ(a->GetRep().count, 0);
}

TEST_F(Txn, EnvIsUsableAgainAfterClose)
{
    Transaction t(diagram);
    Env env(t);
    Box::Factory().Create(env);
    UndoerRef first = env.Close();
    Box::Factory().Create(env);
    UndoerRef second = env.Close();
    EXPECT_FALSE(first.IsEmpty());
    EXPECT_FALSE(second.IsEmpty());
    EXPECT_EQ(diagram.GetElementCount(), 2u);
    EXPECT_FALSE(diagram.IsTransactionOpen());
}

TEST_F(Txn, ElementQueueRunsInOrderAndDoesNotRequeueSelfModification)
{
    std::vector<int> order;
    Transaction t(diagram);
    Env env(t);
    auto p1 = Probe::Factory().CreateTyped(env);
    auto p2 = Probe::Factory().CreateTyped(env);
    auto p3 = Probe::Factory().CreateTyped(env);
    p1->onFinalize = [&](Env& e, Probe& p) {
        order.push_back(1);
        p.SetField(e, &ProbeRep::value, 7);  // modifies itself: not queued again
        p3->SetField(e, &ProbeRep::value, 1);  // already queued: stays in its place
    };
    p2->onFinalize = [&](Env& e, Probe&) {
        order.push_back(2);
        p1->SetField(e, &ProbeRep::value, 8);  // p1 left the queue: queued again at the end
    };
    p3->onFinalize = [&](Env&, Probe&) { order.push_back(3); };
    env.Close();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 1}));
    EXPECT_EQ(p1->finalized, 2);
    EXPECT_EQ(p1->GetRep().value, 7);  // its second follow-up set it again
}

struct RecordingJob : IFollowUpJob {
    std::vector<int>& log;
    int id;
    std::function<void(Env&)> more;
    RecordingJob(std::vector<int>& l, int i) : log(l), id(i) {}
    void DoFollowUpJob(Env& env) override {
        log.push_back(id);
        if (more) more(env);
    }
};

TEST_F(Txn, JobsRunFirstInFirstOutAndMayQueueMore)
{
    std::vector<int> log;
    Transaction t(diagram);
    Env env(t);
    auto j1 = std::make_shared<RecordingJob>(log, 1);
    auto j2 = std::make_shared<RecordingJob>(log, 2);
    j1->more = [&](Env& e) {
        auto j3 = std::make_shared<RecordingJob>(log, 3);
        j3->more = [&](Env& e2) { Box::Factory().Create(e2); };
        e.GetTransaction().AddFollowUpJob(j3);
    };
    t.AddFollowUpJob(j1);
    t.AddFollowUpJob(*j2, j2);
    j2.reset();  // the transaction keeps it alive
    UndoerRef record = env.Close();
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(diagram.GetElementCount(), 1u);
    diagram.GetUndoHandler().Add(record, nullptr, nullptr, false);
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(diagram.GetElementCount(), 0u);
}

// A registered closing hook sees what each change that keeps its history recorded, and a job it
// queues runs in the same close, after those queued before; a change that recorded nothing and one
// that keeps no history do not run it, and a hook gone runs no more.
TEST_F(Txn, ClosingHooksSeeWhatTheChangeRecordedAndMayQueueJobs)
{
    std::vector<int> log;
    std::vector<std::size_t> seen;
    auto box = AddBox();
    {
        const ClosingHook hook([&](Env& env, const std::vector<ElementPtr>& recorded) {
            seen.push_back(recorded.size());
            if (!recorded.empty() && recorded.front() == box)
                env.GetTransaction().AddFollowUpJob(std::make_shared<RecordingJob>(log, 2));
        });
        Transaction t(diagram);
        Env env(t);
        box->SetPos(env, {500, 500});
        t.AddFollowUpJob(std::make_shared<RecordingJob>(log, 1));
        env.Close();
        EXPECT_EQ(seen, (std::vector<std::size_t>{1}));
        EXPECT_EQ(log, (std::vector<int>{1, 2}));
        Transaction idle(diagram);
        Env idleEnv(idle);
        idleEnv.Close();
        Transaction reading(diagram);
        reading.KeepNoHistory();
        Env readingEnv(reading);
        box->SetPos(readingEnv, {700, 700});
        readingEnv.Close();
        EXPECT_EQ(seen, (std::vector<std::size_t>{1}));
    }
    Transaction t(diagram);
    Env env(t);
    box->SetPos(env, {900, 900});
    env.Close();
    EXPECT_EQ(seen, (std::vector<std::size_t>{1}));
}

// Two probes that modify each other: after the first run every run queues one more element, so a
// budget of m modifications processes m + 2 elements (the moved box included).
struct PingPong {
    std::shared_ptr<Probe> a, b;
    std::size_t runs = 0;
    PingPong(Env& env, std::size_t m) {
        a = Probe::Factory().CreateTyped(env);
        b = Probe::Factory().CreateTyped(env);
        auto hook = [this, m](Env& e, Probe& self) {
            Probe& other = &self == a.get() ? *b : *a;
            if (++runs <= m) other.SetField(e, &ProbeRep::value, other.GetRep().value + 1);
        };
        a->onFinalize = hook;
        b->onFinalize = hook;
    }
};

TEST_F(Txn, FinalizeRunsUpToTheLimit)
{
    auto keep = AddBox({10, 10});
    Transaction t(diagram);
    Env env(t);
    PingPong pp(env, Transaction::kFinalizeLimit - 2);
    keep->SetPos(env, {20, 20});
    EXPECT_NO_THROW(env.Close());
    EXPECT_EQ(pp.runs, Transaction::kFinalizeLimit - 1);  // the box took one of the runs
}

TEST_F(Txn, ADiagramOfMoreElementsThanTheLimitIsMadeInOneTransaction)
{
    // A large document is read in one transaction that queues every element it makes.
    Transaction t(diagram);
    Env env(t);
    for (std::size_t i = 0; i <= Transaction::kFinalizeLimit; ++i) Box::Factory().CreateTyped(env);
    EXPECT_NO_THROW(env.Close());
    EXPECT_EQ(diagram.GetElementCount(), Transaction::kFinalizeLimit + 1);
}

TEST_F(Txn, FinalizeOverflowBeyondTheLimitRollsBack)
{
    auto keep = AddBox({10, 10});
    Transaction t(diagram);
    Env env(t);
    PingPong pp(env, Transaction::kFinalizeLimit - 1);
    keep->SetPos(env, {20, 20});
    try {
        env.Close();
        FAIL() << "no overflow";
    } catch (const Exceptions::Base& e) {
        EXPECT_STREQ(e.what(), "TransactionImp::Finalize overflow");
    }
    EXPECT_EQ(pp.runs, Transaction::kFinalizeLimit - 1);
    EXPECT_EQ(diagram.GetElementCount(), 1u);
    EXPECT_EQ(keep->GetPos(), zq::Point(10, 10));
    EXPECT_FALSE(diagram.IsTransactionOpen());
    EXPECT_EQ(diagram.GetUndoHandler().GetUndoCount(), 1u);
}

TEST_F(Txn, CloseOverflowAtElementCountPlusAllowance)
{
    auto keep = AddBox({10, 10});
    const std::size_t allowed = diagram.GetElementCount() + Transaction::kJobAllowance - 1;
    for (std::size_t jobs : {allowed, allowed + 1}) {
        Transaction t(diagram);
        Env env(t);
        keep->SetField(env, &BoxRep::count, 9);
        std::size_t ran = 0;
        struct Chain : IFollowUpJob {
            std::size_t& ran;
            std::size_t total;
            Chain(std::size_t& r, std::size_t n) : ran(r), total(n) {}
            void DoFollowUpJob(Env& env) override {
                if (++ran < total) env.GetTransaction().AddFollowUpJob(std::make_shared<Chain>(ran, total));
            }
        };
        t.AddFollowUpJob(std::make_shared<Chain>(ran, jobs));
        if (jobs == allowed) {
            EXPECT_NO_THROW(env.Close());
            EXPECT_EQ(ran, jobs);
            EXPECT_EQ(keep->GetRep().count, 9);
            // set it back for the second round
            Transaction t2(diagram);
            Env env2(t2);
            keep->SetField(env2, &BoxRep::count, 0);
            env2.Close();
        } else {
            try {
                env.Close();
                FAIL() << "no overflow";
            } catch (const Exceptions::Base& e) {
                EXPECT_STREQ(e.what(), "Transaction::Close overflow");
            }
            EXPECT_EQ(ran, allowed);
            EXPECT_EQ(keep->GetRep().count, 0);
        }
    }
}

TEST_F(Txn, AbortRestoresRecordsPositionsInsertionsAndDeletions)
{
    auto a = AddBox({100, 100});
    auto b = AddBox({200, 200});
    auto c = AddBox({300, 300});
    {
        Transaction t(diagram);
        Env env(t);
        a->SetField(env, &BoxRep::name, std::wstring(L"changed"));
        a->SetField(env, &BoxRep::kind, BoxKind::Shadowed);
        a->SetPos(env, {1, 2});
        b->Delete(env);
        Box::Factory().Create(env);
        t.Abort();
        EXPECT_FALSE(t.IsOpen());
    }
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2, 3}));
    EXPECT_EQ(a->GetRep().name, L"");
    EXPECT_EQ(a->GetRep().kind, BoxKind::Plain);
    EXPECT_EQ(a->GetPos(), zq::Point(100, 100));
    EXPECT_FALSE(b->IsDeleted());
    EXPECT_FALSE(diagram.IsTransactionOpen());
    EXPECT_EQ(diagram.GetUndoHandler().GetUndoCount(), 3u);
}

// A drag's steps: each goes back to the restore point before it changes anything, so the last step
// alone decides the outcome; the change up to the point stays, and one undo step takes back both.
TEST_F(Txn, ReturningToTheRestorePointUndoesOnlyWhatCameAfterIt)
{
    auto a = AddBox({100, 100}), b = AddBox({200, 200}), c = AddBox({300, 300});
    {
        Transaction t(diagram);
        Env env(t);
        EXPECT_TRUE(t.ReturnToRestorePoint().empty());  // no point: nothing to go back to
        a->SetPos(env, {150, 150});
        t.SetRestorePoint();
        EXPECT_EQ(a->GetOldPos(), zq::Point(150, 150));  // moves measure from the point now
        for (int step = 0; step < 3; ++step) {
            const auto restored = t.ReturnToRestorePoint();
            EXPECT_EQ(restored.size(), step == 0 ? 0u : 2u);
            EXPECT_EQ(a->GetPos(), zq::Point(150, 150));
            EXPECT_EQ(b->GetRep().name, L"");
            EXPECT_FALSE(c->IsDeleted());
            EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2, 3}));
            a->SetPos(env, {400 + step, 400});
            b->SetField(env, &BoxRep::name, std::wstring(L"step"));
            if (step < 2) {
                c->Delete(env);
                Box::Factory().Create(env);
            }
        }
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    EXPECT_EQ(a->GetPos(), zq::Point(402, 400));
    EXPECT_EQ(b->GetRep().name, L"step");
    EXPECT_FALSE(c->IsDeleted());
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2, 3}));
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(a->GetPos(), zq::Point(100, 100));
    EXPECT_EQ(b->GetRep().name, L"");
    diagram.GetUndoHandler().Redo(nullptr, nullptr);
    EXPECT_EQ(a->GetPos(), zq::Point(402, 400));
}

TEST_F(Txn, AbortAfterARestorePointRestoresTheStateBeforeTheTransaction)
{
    auto a = AddBox({100, 100});
    Transaction t(diagram);
    Env env(t);
    a->SetPos(env, {150, 150});
    Box::Factory().Create(env);
    t.SetRestorePoint();
    a->SetPos(env, {400, 400});
    t.Abort();
    EXPECT_EQ(a->GetPos(), zq::Point(100, 100));
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1}));
}

TEST_F(Txn, ExceptionInAJobRollsBackEarlierStepsToo)
{
    auto a = AddBox({100, 100});
    Transaction t(diagram);
    Env env(t);
    a->SetField(env, &BoxRep::count, 1);
    struct Step2 : IFollowUpJob {
        Box& box;
        explicit Step2(Box& b) : box(b) {}
        void DoFollowUpJob(Env& env) override {
            box.SetField(env, &BoxRep::count, 2);
            box.SetPos(env, {5, 5});
            Box::Factory().Create(env);
            struct Fail : IFollowUpJob {
                void DoFollowUpJob(Env&) override { throw std::runtime_error("job failed"); }
            };
            env.GetTransaction().AddFollowUpJob(std::make_shared<Fail>());
        }
    };
    t.AddFollowUpJob(std::make_shared<Step2>(*a));
    EXPECT_THROW(env.Close(), std::runtime_error);
    EXPECT_EQ(a->GetRep().count, 0);
    EXPECT_EQ(a->GetPos(), zq::Point(100, 100));
    EXPECT_EQ(diagram.GetElementCount(), 1u);
    EXPECT_FALSE(t.IsOpen());
    EXPECT_FALSE(a->IsInTransaction());
}

// Insertions share one record until another record comes between them; undo and redo still
// restore every place exactly.
TEST_F(Txn, InsertionsAroundADeletionUndoAndRedoInPlace)
{
    auto a = AddBox(), b = AddBox(), c = AddBox();
    {
        Transaction t(diagram);
        Env env(t);
        Box::Factory().Create(env);
        Box::Factory().Create(env);
        b->Delete(env);
        Box::Factory().Create(env);
        a->Delete(env);
        Box::Factory().Create(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    const std::vector<ObjectId> after{3, 4, 5, 6, 7};
    EXPECT_EQ(Ids(), after);
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2, 3}));
    EXPECT_EQ(diagram.FindElementById(6), nullptr);
    diagram.GetUndoHandler().Redo(nullptr, nullptr);
    EXPECT_EQ(Ids(), after);
    EXPECT_TRUE(a->IsDeleted());
    EXPECT_FALSE(c->IsDeleted());
}

// A transaction whose record is thrown away still rolls back whole: new elements go, elements
// that were there get their records, positions and places back; the next transaction keeps
// history again.
TEST_F(Txn, NoHistoryTransactionRollsBackWholeAndEndsWithTheTransaction)
{
    auto a = AddBox({100, 100});
    auto b = AddBox({200, 200});
    Transaction t(diagram);
    t.KeepNoHistory();
    Env env(t);
    auto made = MakeNewAndRename(env, *a);
    a->SetPos(env, {1, 2});
    struct Step2 : IFollowUpJob {
        Box& box;
        explicit Step2(Box& b) : box(b) {}
        void DoFollowUpJob(Env& env) override {
            box.Delete(env);
            Box::Factory().Create(env);
            struct Fail : IFollowUpJob {
                void DoFollowUpJob(Env&) override { throw std::runtime_error("job failed"); }
            };
            env.GetTransaction().AddFollowUpJob(std::make_shared<Fail>());
        }
    };
    t.AddFollowUpJob(std::make_shared<Step2>(*b));
    EXPECT_THROW(env.Close(), std::runtime_error);
    EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2}));
    EXPECT_EQ(a->GetRep().name, L"");
    EXPECT_EQ(a->GetPos(), zq::Point(100, 100));
    EXPECT_FALSE(b->IsDeleted());
    EXPECT_TRUE(made->IsDeleted());
    // Opened again, the transaction records changes for undo as usual.
    a->SetField(env, &BoxRep::name, std::wstring(L"again"));
    UndoerRef record = env.Close();
    EXPECT_FALSE(record.IsEmpty());
    UndoContext context(diagram);
    record.Apply(context, true);
    EXPECT_EQ(a->GetRep().name, L"");
}

// Without history a new element's changes are not listed (they would only be thrown away); an
// element that was there lists its changes for the rollback as ever, and with history so does a
// new one (its changes are redone with it).
TEST_F(Txn, NoHistoryTransactionListsNoChangesOfNewElements)
{
    auto a = AddBox({100, 100});
    {
        Transaction t(diagram);
        t.KeepNoHistory();
        Env env(t);
        auto made = MakeNewAndRename(env, *a);
        EXPECT_TRUE(made->GetChangedFields().empty());
        EXPECT_EQ(a->GetChangedFields().size(), 1u);
        env.Close();
        EXPECT_EQ(made->GetRep().name, L"new");
        EXPECT_EQ(a->GetRep().name, L"changed");
    }
    Transaction t(diagram);
    Env env(t);
    auto made = Box::Factory().CreateTyped(env);
    made->SetField(env, &BoxRep::name, std::wstring(L"new"));
    EXPECT_EQ(made->GetChangedFields().size(), 1u);
    UndoerRef record = env.Close();
    UndoContext context(diagram);
    record.Apply(context, true);
    EXPECT_TRUE(made->IsDeleted());
    record.Apply(context, false);
    EXPECT_FALSE(made->IsDeleted());
    EXPECT_EQ(made->GetRep().name, L"new");
}

TEST_F(Txn, TransactionDestroyedOpenIsRolledBack)
{
    auto a = AddBox({100, 100});
    {
        Transaction t(diagram);
        Env env(t);
        a->SetPos(env, {0, 0});
        a->SetField(env, &BoxRep::flag, true);
        Box::Factory().Create(env);
    }
    EXPECT_EQ(a->GetPos(), zq::Point(100, 100));
    EXPECT_FALSE(a->GetRep().flag);
    EXPECT_EQ(diagram.GetElementCount(), 1u);
    EXPECT_FALSE(diagram.IsTransactionOpen());
}

} // namespace
