// Element interfaces: resizing defaults and the position through the resizable side, the undoable
// partner list with attach rules and filters, carrying attached points through a reshape and a move,
// and the once-per-visit container update.
#include "core/tests/SelectionTestKinds.h"

#include <gtest/gtest.h>

using namespace Core;
using namespace SelKinds;

namespace {

struct Interfaces : ::testing::Test, Fixture {};

TEST_F(Interfaces, ResizableDefaultsAndAspectRatioUseTheMinimumSize)
{
    auto s = AddSheet(Box(0, 0, 1000, 500));
    IResizable& r = *s;
    EXPECT_EQ(r.GetMinWidth(), 300);
    EXPECT_EQ(r.GetMinHeight(), 300);
    EXPECT_DOUBLE_EQ(r.GetAspectRatio(), 0.5);
    Transaction t(diagram);
    Env env(t);
    r.SetRect(env, Box(100, 100, 200, 100), false);
    EXPECT_DOUBLE_EQ(r.GetAspectRatio(), 1.0);  // both below the minimum
    EXPECT_EQ(r.GetOldSize(), zq::Point(1000, 500));
    EXPECT_EQ(r.GetOldRect(), Box(0, 0, 1000, 500));
    r.SetPos(env, {700, 700});
    EXPECT_EQ(r.GetOldPos(), zq::Point(0, 0));
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    EXPECT_EQ(r.GetRect(), Box(700, 700, 200, 100));
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(r.GetRect(), Box(0, 0, 1000, 500));
}

TEST_F(Interfaces, PartnerListsAreUndoableAndSkipDeletedPartiesAndRepeats)
{
    auto a = AddSheet(Box(0, 0, 1000, 1000));
    auto b = AddSheet(Box(5000, 0, 1000, 1000));
    auto link = AddLink(a.get(), b.get());
    EXPECT_TRUE(a->Contains(link.get()));
    EXPECT_EQ(a->GetPartners().size(), 1u);
    {
        Transaction t(diagram);
        Env env(t);
        a->AddPartner(env, link.get());
        EXPECT_EQ(a->GetPartners().size(), 1u);
        a->RemovePartner(env, link.get());
        a->RemovePartner(env, link.get());
        EXPECT_FALSE(a->Contains(link.get()));
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_TRUE(a->Contains(link.get()));
    diagram.GetUndoHandler().Undo(nullptr, nullptr);  // the link's creation
    EXPECT_FALSE(a->Contains(link.get()));
    {
        Transaction t(diagram);
        Env env(t);
        b->Delete(env);
        b->AddPartner(env, link.get());
        EXPECT_FALSE(b->Contains(link.get()));
    }
    a->AppendPartner(link.get());
    a->AppendPartner(link.get());
    EXPECT_EQ(a->GetPartners().size(), 1u);
}

TEST_F(Interfaces, TryAttachAndAttachFilterFollowCanAttach)
{
    auto a = AddSheet(Box(0, 0, 1000, 1000));
    auto label = AddLabel(a.get());
    Transaction t(diagram);
    Env env(t);
    auto link = Link::Factory().CreateTyped(env);
    AttachFilter<Link> forNew(nullptr), forLink(link.get());
    EXPECT_TRUE(forNew.Accept(a.get()));
    EXPECT_FALSE(forNew.Accept(label.get()));
    a->acceptsNew = false;
    EXPECT_FALSE(forNew.Accept(a.get()));
    EXPECT_TRUE(forLink.Accept(a.get()));
    EXPECT_FALSE(a->TryAttach(env, nullptr));
    EXPECT_TRUE(a->TryAttach(env, link.get()));
    EXPECT_TRUE(a->Contains(link.get()));
}

TEST_F(Interfaces, AttachedPointsFollowTheReshapeAndTheMoveOfTheirTerminal)
{
    auto a = AddSheet(Box(0, 0, 1000, 1000));
    auto b = AddSheet(Box(5000, 0, 1000, 1000));
    auto link = AddLink(a.get(), b.get());
    // A point on the right edge stays on the right edge, clamped into its new extent; a connector
    // end's point goes to the same relative height (never onto the corner).
    BoxReshapeInfo grow(a.get(), Box(0, 0, 1000, 1000), Box(0, 0, 2000, 2000));
    EXPECT_EQ(grow.GetTerminal(), a.get());
    EXPECT_EQ(grow.MapPoint({1000, -500}), zq::float8Point(2000, -500));
    BoxReshapeInfo shrink(a.get(), Box(0, 0, 1000, 1000), Box(0, 0, 500, 300));
    EXPECT_EQ(shrink.MapPoint({1000, -500}), zq::float8Point(500, -300));
    EXPECT_EQ(shrink.MapAlongSide({1000, -500}), zq::float8Point(500, -150));
    EXPECT_EQ(grow.MapAlongSide({1000, -500}), zq::float8Point(2000, -500));
    // A box moved whole carries its points along, also past the old extent of their edge.
    BoxReshapeInfo up(a.get(), Box(0, 0, 1000, 1000), Box(0, 1500, 1000, 1000));
    EXPECT_EQ(up.MapPoint({1000, -500}), zq::float8Point(1000, 1000));
    ModelElementSet moved;
    moved.Insert(a);
    DeferredShiftSet set(moved, &diagram, a.get(), true, false);
    set.SetShift({300, 300, true, false});
    BoxReshapeInfo same(a.get(), Box(0, 0, 1000, 1000), Box(0, 0, 1000, 1000));
    EXPECT_EQ(link->GetShiftedPosition(same, {1000, -500}, nullptr, set), zq::float8Point(1300, -500));
    BoxReshapeInfo other(b.get(), Box(5000, 0, 1000, 1000), Box(5000, 0, 1000, 1000));
    EXPECT_EQ(link->GetShiftedPosition(other, {5000, -500}, nullptr, set), zq::float8Point(5000, -500));
    GraphUtil::OutlineHit hit;
    ASSERT_TRUE(a->GetTerminalOutline(hit, {3000, -400}, true));
    EXPECT_EQ(hit.point, zq::float8Point(1000, -400));
}

// A containable whose container update counts its runs.
struct NoteRep {
    int32_t value = 0;
};
class Note : public Storable<Note, NoteRep, StorableTraits::Null, IContainable> {
public:
    static FactoryImp<Note>& Factory() {
        static FactoryImp<Note> factory(SchemaNamespace10(), L"Note");
        return factory;
    }
    static void RegisterProperties(PropertyTable<NoteRep>& t) {
        RegisterProperty<EvalRestore::Optional>::Register(t, &NoteRep::value, L"Value", int32_t(0));
    }
    void UpdateContainer(Env&, ModelElementSet&) override { ++updates; }
    void SetContainer(Env&, IContainer* c) override { container = c; }
    IContainer* GetContainer() const override { return container; }
    void Delete(Env& env) override { IModelElement::Delete(env); }
    int updates = 0;
    IContainer* container = nullptr;
};

TEST_F(Interfaces, TheContainerUpdateRunsOncePerVisitedSetAndOncePerTransactionStep)
{
    Transaction t(diagram);
    Env env(t);
    auto note = Note::Factory().CreateTyped(env);
    note->SetField(env, &NoteRep::value, 3);
    env.Close();
    EXPECT_EQ(note->updates, 1);
    ModelElementSet visited;
    note->UpdateContainerOnce(env, visited);
    note->UpdateContainerOnce(env, visited);
    EXPECT_EQ(note->updates, 2);
    EXPECT_TRUE(visited.Contains(note.get()));
}

} // namespace
