// What an element owns (a note's text, the parts of a class) is drawn where the element is: its
// view elements follow every change of the owner, by an edit, an undo or a redo, though the change
// left the owned elements alone; elements outside the owner are not redrawn.
#include "core/tests/DocumentKinds.h"

#include "core/OwnedViews.h"
#include "core/UndoHandler.h"
#include "core/View.h"

#include <gtest/gtest.h>

#include <map>

using namespace Core;
using namespace TestKinds;

namespace {

// A view that counts the updates of each element's view element.
struct CountingView : IView {
    struct Element : IViewElement {
        CountingView& view;
        Element(CountingView& v, IModelElement& e) : IViewElement(v, e), view(v) {}
        void Update(const ViewUpdateContext*) override { ++view.updates[GetModelElement()]; }
    };
    std::map<const IModelElement*, int> updates;
    std::shared_ptr<IViewElement> CreateViewElement(IModelElement& e) override { return std::make_shared<Element>(*this, e); }
    void UpdateView() override {}
};

struct OwnedViews : ::testing::Test {
    Diagram diagram{DocumentRegistry(), nullptr};
    CountingView view;  // destroyed before the diagram: it detaches itself
    Group* outer = nullptr;
    Group* inner = nullptr;
    Member* member = nullptr;
    Member* loose = nullptr;

    OwnedViews() {
        diagram.AttachView(view);
        Change([&](Env& env) {
            outer = Group::Factory().CreateTyped(env).get();
            inner = Group::Factory().CreateTyped(env).get();
            member = Member::Factory().CreateTyped(env).get();
            loose = Member::Factory().CreateTyped(env).get();
            outer->Take(env, *inner);
            inner->Take(env, *member);
        });
        view.updates.clear();
    }
    template <class F>
    void Change(F&& f) {
        Transaction t(diagram);
        Env env(t);
        f(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    int Updates(const IModelElement* e) { return view.updates.count(e) ? view.updates[e] : 0; }
};

TEST_F(OwnedViews, AChangedOwnerRedrawsWhatItOwnsAllTheWayDownAndNothingElse) {
    Change([&](Env& env) { outer->SetField(env, &GroupRep::label, std::wstring(L"moved")); });
    EXPECT_GE(Updates(outer), 1);
    EXPECT_EQ(Updates(inner), 1);
    EXPECT_EQ(Updates(member), 1);
    EXPECT_EQ(Updates(loose), 0);
}

TEST_F(OwnedViews, UndoAndRedoOfTheOwnersChangeRedrawWhatItOwns) {
    Change([&](Env& env) { outer->SetField(env, &GroupRep::label, std::wstring(L"moved")); });
    for (bool undo : {true, false}) {
        view.updates.clear();
        if (undo) diagram.GetUndoHandler().Undo(&view, nullptr);
        else diagram.GetUndoHandler().Redo(&view, nullptr);
        EXPECT_EQ(Updates(inner), 1) << (undo ? "undo" : "redo");
        EXPECT_EQ(Updates(member), 1) << (undo ? "undo" : "redo");
        EXPECT_EQ(Updates(loose), 0) << (undo ? "undo" : "redo");
    }
}

TEST_F(OwnedViews, AChangeOfTheOwnedElementAloneLeavesItsOwnerAlone) {
    Change([&](Env& env) { member->SetPos(env, {100, -100}); });
    EXPECT_GE(Updates(member), 1);
    EXPECT_EQ(Updates(outer), 0);
    EXPECT_EQ(Updates(inner), 0);
}

TEST_F(OwnedViews, WithoutViewsNothingIsLookedFor) {
    diagram.DetachView(view);
    Change([&](Env& env) { outer->SetField(env, &GroupRep::label, std::wstring(L"moved")); });
    EXPECT_TRUE(FindOwnedBy(diagram, {outer}).empty());
}

} // namespace
