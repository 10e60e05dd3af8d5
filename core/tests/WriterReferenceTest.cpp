// The document writer's reference check: a document never refers to an element it leaves out,
// and checking costs no copies of the elements.
#include "core/tests/DocumentKinds.h"

#include "core/DocumentWriter.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace Core;
using namespace TestKinds;

namespace {

struct LooseRep {
    IModelElement* owner = nullptr;  // not stored: written inside its owner
};

// A box-like element that may be left out of documents and may lie inside another element;
// it counts its copies.
class Loose : public Storable<Loose, LooseRep, StorableTraits::Null, IBox> {
public:
    static FactoryImp<Loose>& Factory() {
        static FactoryImp<Loose> factory(SchemaNamespace10(), L"Loose");
        return factory;
    }
    static void RegisterProperties(PropertyTable<LooseRep>& t) {
        RegisterRefNonStoreProperty::Register(t, &LooseRep::owner, L"Owner");
    }
    Loose() = default;
    Loose(const Loose& o) : IModelElement(), Storable(o), stored(o.stored) { ++copies; }
    bool IsStored() const override { return stored; }
    IModelElement* GetOwner() const override { return GetRep().owner; }

    bool stored = true;
    static inline int copies = 0;
};

struct WriterReferences : ::testing::Test {
    Diagram diagram{DocumentRegistry(), nullptr};
    Transaction t{diagram};
    Env env{t};
    std::shared_ptr<Box> box = Box::Factory().CreateTyped(env);
    std::shared_ptr<Part> part = Part::Factory().CreateTyped(env);

    std::shared_ptr<Loose> MakeLoose(bool stored, IModelElement* owner) {
        auto loose = std::make_shared<Loose>();
        loose->stored = stored;
        env.Insert(loose);
        loose->SetField(env, &LooseRep::owner, owner);
        return loose;
    }
    // Saves; true when written, false when refused with nothing written.
    bool Saves() {
        env.Close();
        std::ostringstream out;
        try {
            diagram.SaveXML(out);
        } catch (const Exceptions::DanglingReference&) {
            EXPECT_TRUE(out.str().empty());
            return false;
        }
        EXPECT_FALSE(out.str().empty());
        return true;
    }
};

TEST_F(WriterReferences, ReferencesToWrittenElementsSave)
{
    auto inside = MakeLoose(true, box.get());  // written nested inside the box
    part->SetField(env, &PartRep::target, static_cast<IBox*>(inside.get()));
    part->SetField(env, &PartRep::boxes, PtrCont<IBox>{box.get(), inside.get()});
    auto hidden = MakeLoose(false, nullptr);
    part->SetField(env, &PartRep::seen, PtrCont<IModelElement>{hidden.get()});  // not stored: no matter
    EXPECT_TRUE(Saves());
}

TEST_F(WriterReferences, AReferenceToAnElementLeftOutIsRefused)
{
    auto hidden = MakeLoose(false, nullptr);
    part->SetField(env, &PartRep::target, static_cast<IBox*>(hidden.get()));
    EXPECT_FALSE(Saves());
}

TEST_F(WriterReferences, AReferenceInsideAListToAnElementWhoseOwnerIsLeftOutIsRefused)
{
    auto hidden = MakeLoose(false, nullptr);
    auto orphan = MakeLoose(true, hidden.get());  // stored, but its owner is not written
    part->SetField(env, &PartRep::boxes, PtrCont<IBox>{box.get(), orphan.get()});
    EXPECT_FALSE(Saves());
    // Dropping the reference makes the document whole again.
    part->SetField(env, &PartRep::boxes, PtrCont<IBox>{box.get()});
    EXPECT_TRUE(Saves());
}

TEST_F(WriterReferences, AReferenceHeldByANestedElementIsChecked)
{
    auto connector = Connector::Factory().CreateTyped(env);
    auto end = connector->AddPart<ConnectorEnd>(env);
    auto hidden = MakeLoose(false, nullptr);
    end->SetField(env, &EndRep::box, static_cast<IBox*>(hidden.get()));
    EXPECT_FALSE(Saves());
}

TEST_F(WriterReferences, CheckingMakesNoCopies)
{
    auto inside = MakeLoose(true, box.get());
    auto top = MakeLoose(true, nullptr);
    part->SetField(env, &PartRep::boxes, PtrCont<IBox>{inside.get(), top.get()});
    const int before = Loose::copies;
    EXPECT_TRUE(Saves());
    part->SetField(env, &PartRep::target, static_cast<IBox*>(MakeLoose(false, nullptr).get()));
    EXPECT_FALSE(Saves());
    EXPECT_EQ(Loose::copies, before);
}

} // namespace
