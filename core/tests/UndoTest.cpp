// Undo records, the undo handler and the dirty marker.
#include "core/tests/TestKinds.h"

#include "core/UndoHandler.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using namespace Core;
using namespace TestKinds;

namespace {

struct Undo : ::testing::Test {
    Diagram diagram{Registry(), nullptr};
    IUndoHandler& handler = diagram.GetUndoHandler();

    template <class F>
    UndoerRef Change(F&& f, bool join = false) {
        Transaction t(diagram);
        Env env(t);
        f(env);
        UndoerRef record = env.Close();
        handler.Add(record, nullptr, nullptr, join);
        return record;
    }
    std::shared_ptr<Box> NewBox() {
        std::shared_ptr<Box> box;
        Change([&](Env& env) { box = Box::Factory().CreateTyped(env); });
        return box;
    }
};

TEST_F(Undo, FieldSetAndSetBackMakesNoRecord)
{
    auto box = NewBox();
    auto other = NewBox();
    UndoerRef r = Change([&](Env& env) {
        box->SetField(env, &BoxRep::count, 4);
        box->SetField(env, &BoxRep::count, 0);
        box->SetField(env, &BoxRep::kind, BoxKind::Rounded);
        box->SetField(env, &BoxRep::kind, BoxKind::Plain);
        box->SetField(env, &BoxRep::anchor, zq::float8Point(0.1, 2));
        box->SetField(env, &BoxRep::anchor, zq::float8Point(0, 0));
        box->SetPos(env, {5, 5});
        box->SetPos(env, {0, 0});
    });
    EXPECT_TRUE(r.IsEmpty());
    EXPECT_EQ(handler.GetUndoCount(), 2u);

    auto part = std::make_shared<Part>();
    Change([&](Env& env) { env.Insert(part); });
    r = Change([&](Env& env) {
        part->SetField(env, &PartRep::target, static_cast<IBox*>(box.get()));
        part->SetField(env, &PartRep::target, static_cast<IBox*>(nullptr));
    });
    EXPECT_TRUE(r.IsEmpty());
}

TEST_F(Undo, ReferenceListChangedAndBackStillRecordsTheList)
{
    auto box = NewBox();
    auto part = std::make_shared<Part>();
    Change([&](Env& env) { env.Insert(part); });
    UndoerRef r = Change([&](Env& env) {
        part->SetField(env, &PartRep::boxes, PtrCont<IBox>{box.get()});
        part->SetField(env, &PartRep::boxes, PtrCont<IBox>{});
    });
    EXPECT_FALSE(r.IsEmpty());
    handler.Undo(nullptr, nullptr);
    EXPECT_TRUE(part->GetRep().boxes.empty());
}

TEST_F(Undo, ThreeChangesInOneTransactionAreOneStep)
{
    auto box = NewBox();
    Change([&](Env& env) {
        box->SetField(env, &BoxRep::count, 1);
        box->SetField(env, &BoxRep::count, 2);
        box->SetField(env, &BoxRep::count, 3);
        box->SetField(env, &BoxRep::name, std::wstring(L"x"));
        box->SetPos(env, {100, 0});
    });
    EXPECT_EQ(handler.GetUndoCount(), 2u);
    handler.Undo(nullptr, nullptr);
    EXPECT_EQ(box->GetRep().count, 0);
    EXPECT_EQ(box->GetRep().name, L"");
    EXPECT_EQ(box->GetPos(), zq::Point(0, 0));
    EXPECT_EQ(handler.GetRedoCount(), 1u);
}

TEST_F(Undo, UndoAndRedoAlternateExactly)
{
    auto box = NewBox();
    auto target = NewBox();
    auto part = std::make_shared<Part>();
    Change([&](Env& env) { env.Insert(part); });
    Change([&](Env& env) {
        box->SetField(env, &BoxRep::kind, BoxKind::Shadowed);
        box->SetField(env, &BoxRep::anchor, zq::float8Point(0.1, 2));
        box->SetPos(env, {7, 8});
        part->SetField(env, &PartRep::target, static_cast<IBox*>(target.get()));
        part->SetField(env, &PartRep::boxes, PtrCont<IBox>{target.get(), box.get()});
    });
    for (int i = 0; i < 25; ++i) {
        handler.Undo(nullptr, nullptr);
        ASSERT_EQ(box->GetRep().kind, BoxKind::Plain);
        ASSERT_EQ(box->GetRep().anchor.x, 0.0);
        ASSERT_EQ(box->GetPos(), zq::Point(0, 0));
        ASSERT_EQ(part->GetRep().target, nullptr);
        ASSERT_TRUE(part->GetRep().boxes.empty());
        handler.Redo(nullptr, nullptr);
        ASSERT_EQ(box->GetRep().kind, BoxKind::Shadowed);
        ASSERT_EQ(box->GetRep().anchor.x, 0.1);
        ASSERT_EQ(box->GetPos(), zq::Point(7, 8));
        ASSERT_EQ(part->GetRep().target, target.get());
        ASSERT_EQ(part->GetRep().boxes.size(), 2u);
    }
}

TEST_F(Undo, AddClearsRedoAndIgnoresEmptyRecords)
{
    auto box = NewBox();
    Change([&](Env& env) { box->SetField(env, &BoxRep::count, 1); });
    handler.Undo(nullptr, nullptr);
    EXPECT_EQ(handler.GetRedoCount(), 1u);
    handler.Add(UndoerRef(), nullptr, nullptr, false);
    EXPECT_EQ(handler.GetRedoCount(), 1u);
    Change([&](Env& env) { box->SetField(env, &BoxRep::count, 2); });
    EXPECT_EQ(handler.GetRedoCount(), 0u);
    EXPECT_EQ(handler.GetUndoCount(), 2u);
}

TEST_F(Undo, JoinedRecordUndoesBothChanges)
{
    auto box = NewBox();
    Change([&](Env& env) { box->SetField(env, &BoxRep::count, 1); });
    Change([&](Env& env) { box->SetField(env, &BoxRep::name, std::wstring(L"n")); }, true);
    EXPECT_EQ(handler.GetUndoCount(), 2u);
    handler.Undo(nullptr, nullptr);
    EXPECT_EQ(box->GetRep().count, 0);
    EXPECT_EQ(box->GetRep().name, L"");
    handler.Redo(nullptr, nullptr);
    EXPECT_EQ(box->GetRep().count, 1);
    EXPECT_EQ(box->GetRep().name, L"n");
}

struct DirtyLog : IDirtyStateObserver {
    std::vector<bool> states;
    void OnDirtyStateChanged(bool dirty) override { states.push_back(dirty); }
};

TEST_F(Undo, DirtyMarkerFollowsTheSavedState)
{
    auto box = NewBox();
    auto marker = handler.CreateDirtyMarker();
    DirtyLog log;
    zq::ObserverRegistration<IDirtyStateObserver> reg(marker->GetDirtyStateObserverPlug(), &log);
    EXPECT_FALSE(marker->IsDirty());
    Change([&](Env& env) { box->SetField(env, &BoxRep::count, 1); });
    EXPECT_TRUE(marker->IsDirty());
    handler.Undo(nullptr, nullptr);
    EXPECT_FALSE(marker->IsDirty());
    handler.Redo(nullptr, nullptr);
    marker->Reset();
    EXPECT_FALSE(marker->IsDirty());
    Change([&](Env& env) { box->SetField(env, &BoxRep::count, 2); }, true);  // merged: a new state
    EXPECT_TRUE(marker->IsDirty());
    handler.Undo(nullptr, nullptr);
    EXPECT_TRUE(marker->IsDirty());  // the merged step took the saved state with it
    handler.Redo(nullptr, nullptr);
    EXPECT_TRUE(marker->IsDirty());
    EXPECT_EQ(log.states, (std::vector<bool>{true, false, true, false, true}));
}

struct FailingRecord : Undoer {
    void Undo(UndoContext&) override { throw std::runtime_error("record failed"); }
    void Redo(UndoContext&) override {}
};

TEST_F(Undo, ARecordThatFailsDropsTheHistoryAndLeavesTheDocumentDirty)
{
    auto box = NewBox();
    Change([&](Env& env) { box->SetField(env, &BoxRep::count, 1); });
    handler.Add(UndoerRef(std::make_shared<FailingRecord>()), nullptr, nullptr, false);
    auto marker = handler.CreateDirtyMarker();
    marker->Reset();
    EXPECT_THROW(handler.Undo(nullptr, nullptr), std::runtime_error);
    // The remaining records would replay onto a model they no longer fit.
    EXPECT_EQ(handler.GetUndoCount(), 0u);
    EXPECT_EQ(handler.GetRedoCount(), 0u);
    EXPECT_TRUE(marker->IsDirty());
    EXPECT_EQ(box->GetRep().count, 1);
}

TEST_F(Undo, ClearKeepsACleanDocumentClean)
{
    auto box = NewBox();
    auto marker = handler.CreateDirtyMarker();
    handler.Clear();
    EXPECT_FALSE(marker->IsDirty());
    EXPECT_EQ(handler.GetUndoCount(), 0u);
}

struct Counts : IUndoRedoCountObserver, IDocumentChangeObserver {
    std::vector<std::pair<std::size_t, std::size_t>> counts;
    int changes = 0;
    void OnUndoRedoCountChanged(std::size_t u, std::size_t r) override { counts.emplace_back(u, r); }
    void OnDocumentChanged() override { ++changes; }
};

TEST_F(Undo, ObserversHearEveryStep)
{
    Counts c;
    zq::ObserverRegistration<IUndoRedoCountObserver> r1(handler.GetUndoRedoCountObserverPlug(), &c);
    zq::ObserverRegistration<IDocumentChangeObserver> r2(handler.GetDocumentChangeObserverPlug(), &c);
    auto box = NewBox();
    handler.Undo(nullptr, nullptr);
    handler.Redo(nullptr, nullptr);
    EXPECT_EQ(c.changes, 3);
    EXPECT_EQ(c.counts, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 0}, {0, 1}, {1, 0}}));
}

struct Restorer : ISelectionRestorer {
    std::vector<std::string>& log;
    std::string name;
    Restorer(std::vector<std::string>& l, std::string n) : log(l), name(std::move(n)) {}
    void Restore(IView*, SelectionTracker*) override { log.push_back(name); }
};

TEST_F(Undo, UndoRestoresTheSelectionBeforeAndRedoTheOneAfter)
{
    std::vector<std::string> log;
    auto box = NewBox();
    Transaction t(diagram);
    Env env(t);
    box->SetField(env, &BoxRep::count, 1);
    handler.Add(env.Close(), std::make_shared<Restorer>(log, "before"), std::make_shared<Restorer>(log, "after"), false);
    handler.Undo(nullptr, nullptr);
    handler.Redo(nullptr, nullptr);
    handler.Undo(nullptr, nullptr, 5);  // only two steps exist
    EXPECT_EQ(log, (std::vector<std::string>{"before", "after", "before"}));
    EXPECT_EQ(handler.GetUndoCount(), 0u);
    EXPECT_EQ(handler.GetRedoCount(), 2u);
}

TEST_F(Undo, UndoWhileATransactionIsOpenIsRefused)
{
    auto box = NewBox();
    Transaction t(diagram);
    EXPECT_THROW(handler.Undo(nullptr, nullptr), Exceptions::Base);
    EXPECT_EQ(handler.GetUndoCount(), 1u);
}

TEST(NullUndoer, OneSharedEmptyRecord)
{
    std::shared_ptr<Undoer> a, b;
    std::thread t1([&] { a = GetNullUndoer(); });
    std::thread t2([&] { b = GetNullUndoer(); });
    t1.join();
    t2.join();
    EXPECT_EQ(a.get(), b.get());
    EXPECT_TRUE(a->IsEmpty());
    EXPECT_TRUE(UndoerRef().IsEmpty());
    EXPECT_TRUE(UndoerRef::Join(UndoerRef(), UndoerRef()).IsEmpty());
}

} // namespace
