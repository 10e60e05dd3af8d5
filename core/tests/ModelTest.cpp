// The diagram and the element base: element order and lookup, views and their update guard,
// nested storing through the element source, selection and shift guards, the report hook.
#include "core/tests/TestKinds.h"

#include "core/ModelElementSet.h"
#include "core/Shift.h"
#include "core/UndoHandler.h"
#include "core/View.h"
#include "core/xml/Writer.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace Core;
using namespace TestKinds;

namespace {

struct FakeView : IView {
    struct Element : IViewElement {
        FakeView& view;
        IModelElement& element;
        int updates = 0;
        Element(FakeView& v, IModelElement& e) : view(v), element(e) {}
        const IView& GetView() const override { return view; }
        void Update(const ViewUpdateContext*) override {
            ++updates;
            if (view.reenter) element.UpdateViewElements();  // answered at once by the guard
        }
    };
    std::vector<std::shared_ptr<Element>> made;
    std::vector<std::string> undoLog;
    int viewUpdates = 0;
    bool reenter = false;
    std::shared_ptr<IViewElement> CreateViewElement(IModelElement& e) override {
        made.push_back(std::make_shared<Element>(*this, e));
        return made.back();
    }
    void UpdateView() override { ++viewUpdates; }
    void OnUndoBegin() override { undoLog.push_back("begin"); }
    void OnUndoEnd() override { undoLog.push_back("end"); }
    // Counts the ends of changes, noting whether the watched element still showed itself changing.
    void OnTransactionEnded() override {
        ++ended;
        if (watched != nullptr) watchedChanging = watched->IsInTransaction();
    }
    int ended = 0;
    const IModelElement* watched = nullptr;
    bool watchedChanging = false;
    Element* Of(const IModelElement& e) { return static_cast<Element*>(e.FindViewElement(*this)); }
};

// A kind with an owner link, a shift and a report hook.
struct NestedRep {
    IModelElement* owner = nullptr;
    int32_t value = 0;
};
int g_reportExtras = 0;
class Nested : public Storable<Nested, NestedRep>, public IShiftable {
public:
    static FactoryImp<Nested>& Factory() {
        static FactoryImp<Nested> factory(SchemaNamespace10(), L"Nested");
        return factory;
    }
    static void RegisterProperties(PropertyTable<NestedRep>& t) {
        RegisterRefNonStoreProperty::Register(t, &NestedRep::owner, L"Owner");
        RegisterProperty<EvalRestore::Optional>::Register(t, &NestedRep::value, L"Value", 0);
    }
    static void ReportExtras(FactoryRegistry&) { ++g_reportExtras; }
    IModelElement* GetOwner() const override { return GetRep().owner; }
    IShiftable* GetShiftable() override { return this; }
    void ShiftImpl(Env& env, IModelElement*, const ShiftVector& v, DeferredShiftSet& set, bool) override {
        set.MarkShifted(this);
        SetField(env, &NestedRep::value, GetRep().value + static_cast<int32_t>(v.dx));
    }
    bool IsCompletelySelectedImp(const ModelElementSet& set) override {
        auto* owner = GetRep().owner;
        return set.Contains(this) && (owner == nullptr || owner->IsCompletelySelected(set));
    }
};

struct ModelElements : ::testing::Test {
    FactoryRegistry registry;
    Diagram diagram{registry, nullptr};
    ModelElements() { Nested::Factory().ReportTo(registry); }

    std::shared_ptr<Nested> Add(IModelElement* owner = nullptr, int value = 0) {
        Transaction t(diagram);
        Env env(t);
        auto n = Nested::Factory().CreateTyped(env);
        n->SetField(env, &NestedRep::owner, owner);
        n->SetField(env, &NestedRep::value, value);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        return n;
    }
};

TEST_F(ModelElements, IteratorWalksInInsertionOrderAndFindElementFindsTheFirstOfAType)
{
    EXPECT_TRUE(diagram.GetElementIterator() == diagram.GetElementEnd());
    auto a = Add(), b = Add(), c = Add();
    std::vector<IModelElement*> seen;
    for (zq::Iterator it = diagram.GetElementIterator(); !(it == diagram.GetElementEnd()); ++it) seen.push_back(*it);
    EXPECT_EQ(seen, (std::vector<IModelElement*>{a.get(), b.get(), c.get()}));
    zq::Iterator first = diagram.GetElementIterator();
    zq::Iterator copy = first;
    ++copy;
    EXPECT_FALSE(first == copy);
    EXPECT_EQ(*copy, b.get());
    EXPECT_EQ(diagram.FindElement(L"Nested"), a.get());
    EXPECT_EQ(diagram.FindElement(L"Box"), nullptr);
    EXPECT_EQ(diagram.GetElementCount(), 3u);
}

TEST_F(ModelElements, ViewsGetViewElementsForExistingAndNewElements)
{
    auto a = Add();
    FakeView view;
    diagram.AttachView(view);
    diagram.AttachView(view);  // once only
    ASSERT_NE(view.Of(*a), nullptr);
    auto b = Add();
    ASSERT_NE(view.Of(*b), nullptr);
    EXPECT_EQ(view.made.size(), 2u);
    diagram.UpdateAllViews();
    EXPECT_EQ(view.viewUpdates, 1);
    diagram.DetachView(view);
    EXPECT_EQ(a->FindViewElement(view), nullptr);
    EXPECT_EQ(b->GetViewElements().size(), 0u);
}

TEST_F(ModelElements, AViewDestroyedWhileAttachedLeavesTheDiagram)
{
    auto a = Add();
    {
        FakeView view;
        diagram.AttachView(view);
        ASSERT_EQ(diagram.GetViews().size(), 1u);
    }
    // Updates and new elements no longer reach the destroyed view (the sanitizers would see it).
    EXPECT_TRUE(diagram.GetViews().empty());
    EXPECT_TRUE(a->GetViewElements().empty());
    diagram.UpdateAllViews();
    Add();
}

TEST_F(ModelElements, AViewOutlivingItsDiagramOrShownByTwoIsSafe)
{
    FakeView view;
    {
        Diagram other{Registry(), nullptr};
        other.AttachView(view);
        EXPECT_THROW(diagram.AttachView(view), Exceptions::Base);  // one diagram per view
    }
    diagram.AttachView(view);  // free again once its diagram is gone
    EXPECT_EQ(diagram.GetViews().size(), 1u);
}

TEST_F(ModelElements, RemovedElementsShowInNoViewAndComeBackWithTheAttachedOnes)
{
    FakeView first, second;
    diagram.AttachView(first);
    auto a = Add();
    {
        Transaction t(diagram);
        Env env(t);
        a->Delete(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    EXPECT_TRUE(a->GetViewElements().empty());
    diagram.DetachView(first);
    diagram.AttachView(second);
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    ASSERT_EQ(a->GetViewElements().size(), 1u);
    EXPECT_EQ(&a->GetViewElements().front()->GetView(), &second);
}

TEST_F(ModelElements, FieldWritesAndUndoUpdateViewElementsOnceEach)
{
    FakeView view;
    view.reenter = true;
    diagram.AttachView(view);
    auto a = Add();
    int before = view.Of(*a)->updates;
    {
        Transaction t(diagram);
        Env env(t);
        a->SetField(env, &NestedRep::value, 5);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    EXPECT_EQ(view.Of(*a)->updates, before + 1);  // the re-entering update returned at once
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(view.Of(*a)->updates, before + 2);
    EXPECT_EQ(a->GetRep().value, 0);
    EXPECT_EQ(view.undoLog, (std::vector<std::string>{"begin", "end"}));
}

TEST_F(ModelElements, ViewsHearTheEndOfEveryChangeOnceTheElementsAreNoLongerChanging)
{
    FakeView view;
    diagram.AttachView(view);
    auto a = Add();
    view.watched = a.get();
    const int ended = view.ended, updates = view.Of(*a)->updates;
    {
        Transaction t(diagram);
        Env env(t);
        a->SetField(env, &NestedRep::value, 5);
        EXPECT_EQ(view.ended, ended);  // not while the change is open
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    EXPECT_EQ(view.ended, ended + 1);
    EXPECT_FALSE(view.watchedChanging);
    // Hearing of the end is not an update of the changed element: the view decides what to redraw.
    EXPECT_EQ(view.Of(*a)->updates, updates + 1);
    view.watchedChanging = true;
    {
        Transaction t(diagram);
        Env env(t);
        a->SetField(env, &NestedRep::value, 7);
        t.Abort();
    }
    EXPECT_EQ(view.ended, ended + 2);
    EXPECT_FALSE(view.watchedChanging);
    EXPECT_EQ(a->GetRep().value, 5);
}

TEST_F(ModelElements, EveryMoveOfOneChangeReachesTheViews)
{
    // A drop moves its elements for real at every step of the pointer inside one open change, and
    // the views show each step.
    Box::Factory().ReportTo(registry);
    FakeView view;
    diagram.AttachView(view);
    Transaction t(diagram);
    Env env(t);
    auto box = Box::Factory().CreateTyped(env);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    const int before = view.Of(*box)->updates;
    Transaction move(diagram);
    Env step(move);
    box->SetPos(step, {100, 0});
    box->SetPos(step, {200, 0});
    box->SetPos(step, {200, 0});  // no move, no update
    EXPECT_EQ(view.Of(*box)->updates, before + 2);
    EXPECT_EQ(box->GetOldPos(), zq::Point(0, 0));
    diagram.GetUndoHandler().Add(step.Close(), nullptr, nullptr, false);
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(box->GetPos(), zq::Point(0, 0));
}

TEST_F(ModelElements, AViewThatFailsToShowAnElementLeavesTheDiagramUnchanged)
{
    struct Refusing : FakeView {
        bool refuse = true;
        std::shared_ptr<IViewElement> CreateViewElement(IModelElement& e) override {
            if (refuse) throw std::runtime_error("no");
            return FakeView::CreateViewElement(e);
        }
    } view;
    auto a = Add();
    EXPECT_THROW(diagram.AttachView(view), std::runtime_error);
    EXPECT_TRUE(diagram.GetViews().empty());
    view.refuse = false;
    diagram.AttachView(view);
    view.refuse = true;
    EXPECT_THROW(Add(), std::runtime_error);
    EXPECT_EQ(diagram.GetElementCount(), 1u);
    EXPECT_EQ(diagram.GetUndoHandler().GetUndoCount(), 1u);
    EXPECT_FALSE(diagram.IsTransactionOpen());
    diagram.DetachView(view);
    Add();
    EXPECT_EQ(diagram.GetElementCount(), 2u);
}

TEST_F(ModelElements, FactoryCountsLiveInstances)
{
    const long before = Nested::Factory().GetInstanceCount();
    {
        auto e = Nested::Factory().CreateElement();
        auto copy = e->Clone();
        EXPECT_EQ(Nested::Factory().GetInstanceCount(), before + 2);
    }
    EXPECT_EQ(Nested::Factory().GetInstanceCount(), before);
}

TEST_F(ModelElements, StoreNestsOwnedElementsInDiagramOrder)
{
    auto top = Add(nullptr, 1);
    auto other = Add(nullptr, 2);
    auto child1 = Add(top.get(), 3);
    auto grandchild = Add(child1.get(), 4);
    auto child2 = Add(top.get(), 5);
    std::ostringstream out;
    {
        xml::DocumentWriter doc(out);
        top->Store(doc, &diagram);
        doc.EndElement();
    }
    const std::string text = out.str();
    auto at = [&](const char* s) { return text.find(s); };
    ASSERT_NE(at("<Nested id=\"r1\""), std::string::npos);
    EXPECT_EQ(at("id=\"r2\""), std::string::npos);
    EXPECT_LT(at("id=\"r3\""), at("id=\"r4\""));
    EXPECT_LT(at("id=\"r4\""), at("id=\"r5\""));
    EXPECT_NE(at("Value=\"4\""), std::string::npos);
    EXPECT_EQ(at("Owner"), std::string::npos);  // owner links are not stored
    EXPECT_EQ(diagram.GetOwnedElements(*top), (std::vector<IModelElement*>{child1.get(), child2.get()}));
}

TEST_F(ModelElements, CompleteSelectionTestIsGuardedAgainstReentry)
{
    auto a = Add();
    auto b = Add(a.get());
    {
        Transaction t(diagram);
        Env env(t);
        a->SetField(env, &NestedRep::owner, static_cast<IModelElement*>(b.get()));  // a cycle
        env.Close();
    }
    ModelElementSet set;
    a->CollectForSelection(set);
    EXPECT_FALSE(set.Insert(a));
    EXPECT_FALSE(b->IsCompletelySelected(set));
    set.Insert(b);
    EXPECT_TRUE(b->IsCompletelySelected(set));  // terminates on the cycle
}

TEST_F(ModelElements, ShiftSkipsDeletedAndAlreadyShiftedElements)
{
    auto a = Add();
    auto box = std::make_shared<Box>();
    Transaction t(diagram);
    Env env(t);
    DeferredShiftSet set;
    ShiftVector v{10, 0, true, false};
    EXPECT_TRUE(a->Shift(env, nullptr, v, set, false));
    EXPECT_EQ(a->GetRep().value, 10);
    EXPECT_FALSE(a->Shift(env, nullptr, v, set, false));  // already shifted
    EXPECT_EQ(a->GetRep().value, 10);
    EXPECT_FALSE(box->Shift(env, nullptr, v, set, false));  // not shiftable
    DeferredShiftSet fresh;
    a->Delete(env);
    EXPECT_FALSE(a->Shift(env, nullptr, v, fresh, false));
}

TEST_F(ModelElements, ReportToRunsTheKindsHook)
{
    FactoryRegistry r;
    int before = g_reportExtras;
    Nested::Factory().ReportTo(r);
    EXPECT_EQ(g_reportExtras, before + 1);
    EXPECT_EQ(r.Find(SchemaNamespace10().uri, L"Nested"), &Nested::Factory());
    auto e = Nested::Factory().CreateElement();
    EXPECT_EQ(e->GetFactory(), &Nested::Factory());
}

struct Init : Diagram::Initializer {
    int runs = 0;
    void InitNewDiagram(Diagram& d) override {
        ++runs;
        Transaction t(d);
        Env env(t);
        Box::Factory().Create(env);
        env.Close();
    }
};

TEST(DiagramInit, InitializeFillsAnEmptyDiagramOnly)
{
    Init init;
    Diagram d(Registry(), &init);
    d.Initialize();
    d.Initialize();
    EXPECT_EQ(init.runs, 1);
    EXPECT_NE(d.FindElement(L"Box"), nullptr);
    EXPECT_EQ(d.GetUndoHandler().GetUndoCount(), 0u);
}

TEST(DiagramInit, ChildElementsAreMadeThroughTheRegistry)
{
    Diagram d(Registry(), nullptr);
    Transaction t(d);
    Env env(t);
    auto box = Box::Factory().Create(env);
    auto child = box->CreateChildElement(env, std::wstring(SchemaNamespace10().uri), L"Part");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetTypeName(), L"Part");
    EXPECT_EQ(box->CreateChildElement(env, std::wstring(SchemaNamespace10().uri), L"Unknown"), nullptr);
}

} // namespace
