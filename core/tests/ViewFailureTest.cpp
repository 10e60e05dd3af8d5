// Views that fail while a transaction is rolled back or an undo step runs: the model is restored
// whole, the undo lists stay consistent with it, and the failing view is rebuilt or detached.
#include "core/tests/TestKinds.h"

#include "core/DocumentReader.h"
#include "core/UndoHandler.h"
#include "core/View.h"
#include "core/ViewRepair.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace Core;
using namespace TestKinds;

namespace {

// A view whose next view elements, updates or undo-end notifications throw on demand
// (a count of -1 fails every time).
struct FlakyView : IView {
    struct Element : IViewElement {
        FlakyView& view;
        Element(FlakyView& v, IModelElement& e) : IViewElement(v, e), view(v) {}
        void Update(const ViewUpdateContext*) override {
            if (Fails(view.failUpdates)) throw std::runtime_error("drawing failed");
            ++view.updates;
        }
    };
    int failCreates = 0;
    int failUpdates = 0;
    int failUndoEnds = 0;
    int created = 0;
    int updates = 0;

    static bool Fails(int& count) {
        if (count == 0) return false;
        if (count > 0) --count;
        return true;
    }
    std::shared_ptr<IViewElement> CreateViewElement(IModelElement& e) override {
        if (Fails(failCreates)) throw std::runtime_error("no view element");
        ++created;
        return std::make_shared<Element>(*this, e);
    }
    void UpdateView() override {}
    void OnUndoEnd() override {
        if (Fails(failUndoEnds)) throw std::runtime_error("undo end failed");
    }
    bool Shows(const IModelElement& e) const { return e.FindViewElement(*this) != nullptr; }
};

struct ViewFailure : ::testing::Test {
    Diagram diagram{Registry(), nullptr};
    FlakyView view;  // destroyed before the diagram: it detaches itself
    IUndoHandler& handler = diagram.GetUndoHandler();
    std::shared_ptr<Box> a, b, c;

    ViewFailure() {
        diagram.AttachView(view);
        a = NewBox(L"a");
        b = NewBox(L"b");
        c = NewBox(L"c");
    }
    std::shared_ptr<Box> NewBox(const wchar_t* name) {
        Transaction t(diagram);
        Env env(t);
        auto box = Box::Factory().CreateTyped(env);
        box->SetField(env, &BoxRep::name, std::wstring(name));
        handler.Add(env.Close(), nullptr, nullptr, false);
        return box;
    }
    // Deletes a and b and renames c in the open transaction.
    void DeleteTwoAndRename(Transaction& t) {
        Env env(t);
        a->Delete(env);
        b->Delete(env);
        c->SetField(env, &BoxRep::name, std::wstring(L"renamed"));
    }
    std::vector<ObjectId> Ids() const {
        std::vector<ObjectId> ids;
        for (const auto& e : diagram.Elements()) ids.push_back(e->GetObjectId());
        return ids;
    }
    // The model as before the change, out of any transaction.
    void ExpectModelWhole() {
        EXPECT_EQ(Ids(), (std::vector<ObjectId>{1, 2, 3}));
        EXPECT_FALSE(a->IsDeleted());
        EXPECT_FALSE(b->IsDeleted());
        EXPECT_EQ(c->GetRep().name, L"c");
        EXPECT_FALSE(diagram.IsTransactionOpen());
        EXPECT_FALSE(a->IsInTransaction() || b->IsInTransaction() || c->IsInTransaction());
        EXPECT_EQ(handler.GetUndoCount(), 3u);
    }
    bool Attached() const { return !diagram.GetViews().empty(); }
};

TEST_F(ViewFailure, AbortRestoresEveryElementAndRebuildsTheView)
{
    Transaction t(diagram);
    DeleteTwoAndRename(t);
    view.failCreates = 1;  // the first element put back gets no view element
    try {
        t.Abort();
        ADD_FAILURE() << "the view failure was not reported";
    } catch (const Exceptions::ViewUpdateFailed& e) {
        EXPECT_NE(std::string(e.what()).find("no view element"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("rebuilt"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(t.IsOpen());
    ExpectModelWhole();
    ASSERT_TRUE(Attached());
    EXPECT_TRUE(view.Shows(*a) && view.Shows(*b) && view.Shows(*c));
    EXPECT_EQ(view.GetViewElements().size(), 3u);
}

TEST_F(ViewFailure, AViewThatCannotBeRebuiltIsDetached)
{
    Transaction t(diagram);
    DeleteTwoAndRename(t);
    view.failCreates = -1;
    try {
        t.Abort();
        ADD_FAILURE() << "the view failure was not reported";
    } catch (const Exceptions::ViewUpdateFailed& e) {
        EXPECT_NE(std::string(e.what()).find("detached"), std::string::npos) << e.what();
    }
    ExpectModelWhole();
    EXPECT_FALSE(Attached());
    EXPECT_TRUE(view.GetViewElements().empty());
    EXPECT_FALSE(view.Shows(*c));
    // The model goes on working without the view.
    auto d = NewBox(L"d");
    EXPECT_EQ(diagram.GetElementCount(), 4u);
    EXPECT_FALSE(view.Shows(*d));
}

TEST_F(ViewFailure, AFailingCloseAndADestroyedTransactionRollBackWhole)
{
    {
        Transaction t(diagram);
        DeleteTwoAndRename(t);
        struct Fail : IFollowUpJob {
            void DoFollowUpJob(Env&) override { throw std::runtime_error("job failed"); }
        };
        t.AddFollowUpJob(std::make_shared<Fail>());
        view.failCreates = 1;
        Env env(t);
        try {
            env.Close();
            ADD_FAILURE() << "the close succeeded";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "job failed");  // the cause of the rollback is what the caller hears
        }
    }
    ExpectModelWhole();
    EXPECT_TRUE(view.Shows(*a) && view.Shows(*b));
    {
        Transaction t(diagram);
        DeleteTwoAndRename(t);
        view.failCreates = 1;
    }
    ExpectModelWhole();
    EXPECT_TRUE(view.Shows(*a) && view.Shows(*b));
}

TEST_F(ViewFailure, UndoWhoseViewFailsCountsAsUndoneAndRebuildsTheView)
{
    {
        Transaction t(diagram);
        DeleteTwoAndRename(t);
        handler.Add(Env(t).Close(), nullptr, nullptr, false);
    }
    auto marker = handler.CreateDirtyMarker();
    view.failCreates = 1;
    EXPECT_THROW(handler.Undo(nullptr, nullptr), Exceptions::ViewUpdateFailed);
    ExpectModelWhole();
    EXPECT_EQ(handler.GetRedoCount(), 1u);
    EXPECT_TRUE(marker->IsDirty());
    EXPECT_TRUE(view.Shows(*a) && view.Shows(*b) && view.Shows(*c));

    // The lists still fit the model: redo and undo go on working.
    handler.Redo(nullptr, nullptr);
    EXPECT_TRUE(a->IsDeleted() && b->IsDeleted());
    EXPECT_EQ(c->GetRep().name, L"renamed");
    EXPECT_FALSE(marker->IsDirty());
    handler.Undo(nullptr, nullptr);
    ExpectModelWhole();
}

TEST_F(ViewFailure, RedoWhoseViewElementUpdateFailsCountsAsRedone)
{
    {
        Transaction t(diagram);
        Env env(t);
        c->SetField(env, &BoxRep::name, std::wstring(L"renamed"));
        handler.Add(env.Close(), nullptr, nullptr, false);
    }
    handler.Undo(nullptr, nullptr);
    const int createdBefore = view.created;
    view.failUpdates = 1;
    EXPECT_THROW(handler.Redo(nullptr, nullptr), Exceptions::ViewUpdateFailed);
    EXPECT_EQ(c->GetRep().name, L"renamed");
    EXPECT_EQ(handler.GetUndoCount(), 4u);
    EXPECT_EQ(handler.GetRedoCount(), 0u);
    // Rebuilt: a fresh view element for every element, each brought up to date.
    EXPECT_EQ(view.created, createdBefore + 3);
    EXPECT_EQ(view.GetViewElements().size(), 3u);

    view.failUndoEnds = 1;
    EXPECT_THROW(handler.Undo(nullptr, nullptr), Exceptions::ViewUpdateFailed);
    EXPECT_EQ(c->GetRep().name, L"c");
    EXPECT_EQ(handler.GetUndoCount(), 3u);
    EXPECT_EQ(handler.GetRedoCount(), 1u);
    EXPECT_TRUE(Attached());
}

struct FailingRecord : Undoer {
    void Undo(UndoContext&) override { throw std::runtime_error("record failed"); }
    void Redo(UndoContext&) override {}
};

TEST_F(ViewFailure, ARecordThatFailsBesideAFailingViewStillDropsTheHistory)
{
    handler.Add(UndoerRef(std::make_shared<FailingRecord>()), nullptr, nullptr, false);
    view.failUndoEnds = 1;
    EXPECT_THROW(handler.Undo(nullptr, nullptr), std::runtime_error);
    EXPECT_EQ(handler.GetUndoCount(), 0u);
    EXPECT_EQ(handler.GetRedoCount(), 0u);
    EXPECT_TRUE(Attached());
}

TEST_F(ViewFailure, AFailedReadingReportsItsOwnErrorWhenTheViewFailsDuringTheRollback)
{
    // A reading whose last stage changed an element that was there before, then failed.
    const std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Diagram xmlns=\"http://quorvel.example/schema/1.0\"><Box id=\"r9\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"/></Diagram>\n";
    ReadOptions options;
    options.afterRestored = [&](Env& env, const std::vector<ElementPtr>&) {
        c->SetField(env, &BoxRep::name, std::wstring(L"merged"));
        view.failUpdates = -1;
        throw Exceptions::Base("the reading could not be finished");
    };
    try {
        ReadDiagramXML(diagram, doc, options);
        ADD_FAILURE() << "the failing reading reported success";
    } catch (const Exceptions::ViewUpdateFailed& e) {
        ADD_FAILURE() << "the view's failure replaced the reading error: " << e.what();
    } catch (const Exceptions::Base& e) {
        EXPECT_STREQ(e.what(), "the reading could not be finished");
    }
    view.failUpdates = 0;
    ExpectModelWhole();
}

} // namespace
