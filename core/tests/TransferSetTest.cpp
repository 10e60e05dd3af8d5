// Transfer sets: copies held apart from the source, pasted with references remapped between the
// pasted copies and dropped where they led outside the set, and written and read as documents.
#include "core/tests/DocumentKinds.h"

#include "core/DocumentWriter.h"
#include "core/TransferSet.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace Core;
using namespace TestKinds;

namespace {

std::string Save(const IClub& club)
{
    std::ostringstream out;
    WriteDiagramXML(club, out);
    return out.str();
}

struct PostProcessor : IPastePostProcessor {
    std::size_t calls = 0, seen = 0;
    void OnPaste(Env&, const ModelElementSet& pasted) override {
        ++calls;
        seen = pasted.Size();
    }
};

struct Transfer : ::testing::Test {
    Diagram source{DocumentRegistry(), nullptr};
    PostProcessor post;
    Diagram target{DocumentRegistry(), nullptr, &post};
    std::shared_ptr<Box> b1, b2;
    std::shared_ptr<Part> part;
    std::shared_ptr<Connector> connector;
    std::shared_ptr<ConnectorEnd> e1, e2;

    void SetUp() override {
        Transaction t(source);
        Env env(t);
        b1 = Box::Factory().CreateTyped(env);
        b2 = Box::Factory().CreateTyped(env);
        part = Part::Factory().CreateTyped(env);
        part->SetField(env, &PartRep::target, static_cast<IBox*>(b1.get()));
        part->SetField(env, &PartRep::boxes, PtrCont<IBox>{b2.get(), b1.get()});
        connector = Connector::Factory().CreateTyped(env);
        e1 = connector->AddPart<ConnectorEnd>(env);
        e2 = connector->AddPart<ConnectorEnd>(env);
        e1->SetField(env, &EndRep::box, static_cast<IBox*>(b1.get()));
        e2->SetField(env, &EndRep::box, static_cast<IBox*>(b2.get()));
        b1->SetField(env, &BoxRep::title, std::wstring(L"one"));
        env.Close();
    }

    // A set of everything but b2, with the part as reference element.
    void Fill(TransferSet& set) {
        for (IModelElement* e : {static_cast<IModelElement*>(part.get()), static_cast<IModelElement*>(b1.get()),
                                 static_cast<IModelElement*>(connector.get()), static_cast<IModelElement*>(e1.get()),
                                 static_cast<IModelElement*>(e2.get())})
            set.Insert(*e);
        set.SetReferenceElement(part->GetObjectId());
    }

    TransferSet::PasteResult PasteInto(Diagram& d, const TransferSet& set) {
        Transaction t(d);
        Env env(t);
        auto result = set.Paste(env);
        env.Close();
        return result;
    }
};

TEST_F(Transfer, PasteRemapsInternalReferencesAndDropsExternalOnes)
{
    TransferSet set(DocumentRegistry());
    Fill(set);
    EXPECT_EQ(set.Size(), 5u);
    auto result = PasteInto(target, set);
    ASSERT_EQ(result.pasted.Size(), 5u);
    ASSERT_EQ(target.GetElementCount(), 5u);
    auto* pastedPart = dynamic_cast<Part*>(result.reference.get());
    ASSERT_NE(pastedPart, nullptr);
    auto* pastedBox = dynamic_cast<Box*>(target.Elements()[1].get());
    ASSERT_NE(pastedBox, nullptr);
    EXPECT_EQ(pastedBox->GetRep().title, L"one");
    EXPECT_EQ(pastedPart->GetRep().target, static_cast<IBox*>(pastedBox));
    EXPECT_EQ(pastedPart->GetRep().boxes, PtrCont<IBox>{pastedBox});  // b2 was not in the set
    auto* c = dynamic_cast<Connector*>(target.Elements()[2].get());
    auto* end1 = dynamic_cast<ConnectorEnd*>(target.Elements()[3].get());
    auto* end2 = dynamic_cast<ConnectorEnd*>(target.Elements()[4].get());
    ASSERT_TRUE(c && end1 && end2);
    EXPECT_EQ(end1->GetOwner(), c);
    EXPECT_EQ(c->GetRep().parts, (PtrCont<IModelElement>{end1, end2}));
    EXPECT_EQ(end1->GetRep().box, static_cast<IBox*>(pastedBox));
    EXPECT_EQ(end2->GetRep().box, nullptr);
    EXPECT_EQ(post.calls, 1u);
    EXPECT_EQ(post.seen, 5u);
    // The originals are untouched.
    EXPECT_EQ(part->GetRep().boxes, (PtrCont<IBox>{b2.get(), b1.get()}));
    EXPECT_EQ(e2->GetRep().box, static_cast<IBox*>(b2.get()));
}

TEST_F(Transfer, PastingTwiceIntoTheSourceMakesFreshCopies)
{
    TransferSet set(DocumentRegistry());
    Fill(set);
    auto first = PasteInto(source, set);
    auto second = PasteInto(source, set);
    EXPECT_EQ(source.GetElementCount(), 6u + 10u);
    EXPECT_NE(first.reference, second.reference);
    EXPECT_NE(first.reference->GetObjectId(), part->GetObjectId());
    auto* p1 = dynamic_cast<Part*>(first.reference.get());
    auto* p2 = dynamic_cast<Part*>(second.reference.get());
    EXPECT_NE(p1->GetRep().target, p2->GetRep().target);
    EXPECT_NE(p1->GetRep().target, static_cast<IBox*>(b1.get()));
}

TEST_F(Transfer, ReferenceElementIsFoundByObjectId)
{
    TransferSet set(DocumentRegistry());
    Fill(set);
    EXPECT_EQ(set.GetReferenceElement()->GetObjectId(), part->GetObjectId());
    set.SetReferenceElement(0);
    EXPECT_EQ(set.GetReferenceElement(), nullptr);
    set.SetReferenceElement(b2->GetObjectId());  // not in the set
    EXPECT_EQ(set.GetReferenceElement(), nullptr);
    EXPECT_EQ(PasteInto(target, set).reference, nullptr);
    set.Insert(*b1);  // a second insert of one original adds nothing
    EXPECT_EQ(set.Size(), 5u);
}

TEST_F(Transfer, ElementsTakenWhenUsedAreCopiedAsTheyAreAtTheFirstUseAndOnlyOnce)
{
    // As a drag takes them: a change that is thrown away before another window asks for them
    // leaves nothing in the copies; the copy made then holds whatever later happens to the originals.
    TransferSet set(DocumentRegistry());
    for (IModelElement* e : {static_cast<IModelElement*>(part.get()), static_cast<IModelElement*>(b1.get()),
                             static_cast<IModelElement*>(b1.get())})
        set.InsertWhenUsed(*e);
    set.SetReferenceElement(part->GetObjectId());
    const auto retitle = [&](const wchar_t* title, bool keep) {
        Transaction t(source);
        Env env(t);
        b1->SetField(env, &BoxRep::title, std::wstring(title));
        if (keep) env.Close(); else t.Abort();
    };
    retitle(L"moved", false);
    EXPECT_EQ(set.Size(), 2u);  // the first use: each original once
    retitle(L"changed after", true);
    set.InsertWhenUsed(*b1);  // already held: nothing more
    auto* pastedPart = dynamic_cast<Part*>(PasteInto(target, set).reference.get());
    ASSERT_NE(pastedPart, nullptr);
    EXPECT_EQ(target.GetElementCount(), 2u);
    auto* pastedBox = dynamic_cast<Box*>(pastedPart->GetRep().target);
    ASSERT_TRUE(pastedBox != nullptr && pastedBox != b1.get());
    EXPECT_EQ(pastedBox->GetRep().title, L"one");
}

TEST_F(Transfer, WrittenSetReadsBackIntoAnotherSet)
{
    TransferSet set(DocumentRegistry());
    Fill(set);
    const std::string text = Save(set.GetClub());
    EXPECT_EQ(text.find("r" + std::to_string(b2->GetObjectId()) + "\""), std::string::npos);
    TransferSet other(DocumentRegistry());
    EXPECT_EQ(ReadDiagramXML(other, text), 0u);
    EXPECT_EQ(other.Size(), 5u);
    other.SetReferenceElement(part->GetObjectId());
    ASSERT_NE(other.GetReferenceElement(), nullptr);
    EXPECT_EQ(other.GetReferenceElement()->GetTypeName(), L"Part");
    EXPECT_EQ(Save(other), text);
    auto result = PasteInto(target, other);
    auto* pastedPart = dynamic_cast<Part*>(result.reference.get());
    ASSERT_NE(pastedPart, nullptr);
    EXPECT_EQ(pastedPart->GetRep().target, dynamic_cast<IBox*>(target.Elements()[1].get()));
}

TEST_F(Transfer, FailedReadLeavesTheSetAsItWas)
{
    TransferSet set(DocumentRegistry());
    Fill(set);
    const std::string before = Save(set);
    std::string bad = before;
    bad.replace(bad.find("<Box"), 4, "<Bogus");
    EXPECT_THROW(ReadDiagramXML(set, bad), Exceptions::Base);
    EXPECT_EQ(Save(set), before);
    EXPECT_EQ(set.GetReferenceElement()->GetObjectId(), part->GetObjectId());
}

} // namespace
