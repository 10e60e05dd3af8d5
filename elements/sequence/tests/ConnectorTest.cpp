// Messages and returns: where their ends may lie, how they follow their parties, their stored form.
#include "elements/sequence/tests/SequenceScene.h"

#include "core/Exceptions.h"

using namespace SequenceTest;
using Sequence::Activation;
using Sequence::LifeLine;
using Sequence::Message;
using Sequence::MessageEnd;
using Sequence::Return;
using Sequence::ReturnEnd;
using Sequence::SeqObject;

namespace {
struct Three : Scene {
    SeqObject* a = nullptr;
    SeqObject* b = nullptr;
    SeqObject* c = nullptr;
    Three() {
        a = NewObject({0, 10000});
        b = NewObject({4000, 10000});
        c = NewObject({8000, 10000});
    }
    LifeLine& L(SeqObject* o) { return *o->GetLifeLine(); }
    Message* Msg(double y, SeqObject* from, SeqObject* to) {
        const double x0 = L(from).GetTop().x, x1 = L(to).GetTop().x;
        return Path<Message>({{x0, y}, {x1, y}}, &L(from), &L(to));
    }
    static MessageEnd* Target(Message* m) { return dynamic_cast<MessageEnd*>(m->GetTargetEnd()); }
    static MessageEnd* Source(Message* m) { return dynamic_cast<MessageEnd*>(m->GetSourceEnd()); }
};
} // namespace

TEST_F(Three, NewMessageHasAFilledHeadAndRoundTrips)
{
    Message* m = Msg(7000, a, b);
    ASSERT_NE(nullptr, m);
    ASSERT_NE(nullptr, Target(m));
    EXPECT_EQ(Sequence::MessageArrowType::FilledSolid, Target(m)->GetArrowType());
    EXPECT_EQ(&L(b), Target(m)->GetTerminal());
    EXPECT_EQ(&L(a), Source(m)->GetTerminal());
    EXPECT_EQ(1u, L(a).GetMessageEnds().size());
    Change([&](Core::Env& env) { Target(m)->SetArrowType(env, Sequence::MessageArrowType::HalfStick); });
    EXPECT_EQ(3, Target(m)->GetArrowType());
    Change([&](Core::Env& env) { Target(m)->SetArrowType(env, 4); });  // out of range: ignored
    EXPECT_EQ(3, Target(m)->GetArrowType());
    Undo();  // the ignored change left no step
    EXPECT_EQ(1, Target(m)->GetArrowType());
    Redo();
    const std::string xml = Save();
    EXPECT_NE(std::string::npos, xml.find("<SourceEnd id=")) << xml;
    EXPECT_NE(std::string::npos, xml.find("ArrowType=\"3\"")) << xml;
    EXPECT_EQ(std::string::npos, xml.find("Ends=")) << xml;
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    std::ostringstream again;
    copy.SaveXML(again);
    EXPECT_EQ(xml, again.str());
    for (const auto& e : copy.Elements()) {
        if (auto* line = dynamic_cast<LifeLine*>(e.get()); line != nullptr && line->GetTop().x == 5000) {
            EXPECT_EQ(1u, line->GetMessageEnds().size());
        }
    }

    auto with = [&](const std::string& value) {
        std::string s = xml;
        s.replace(s.find("ArrowType=\"3\""), 13, value);
        return s;
    };
    for (const char* good : {"ArrowType=\"1\"", "ArrowType=\"2\""}) {
        Core::Diagram d(Registry(), nullptr);
        EXPECT_NO_THROW(d.LoadXML(with(good))) << good;
    }
    Core::Diagram bad(Registry(), nullptr);
    EXPECT_THROW(bad.LoadXML(with("ArrowType=\"0\"")), Core::Exceptions::AttributeOutOfRange);
    EXPECT_THROW(bad.LoadXML(with("ArrowType=\"4\"")), Core::Exceptions::AttributeOutOfRange);
    EXPECT_THROW(bad.LoadXML(with("")), Core::Exceptions::MandatoryAttributeMissing);
}

TEST_F(Three, MessageEndsAttachOnlyToParties)
{
    Message* m = Msg(7000, a, b);
    Message* other = Msg(6000, b, c);
    MessageEnd* end = Target(m);
    Connector::ISegment* own = m->GetSegmentList().front();
    Connector::ISegment* foreign = other->GetSegmentList().front();
    EXPECT_FALSE(end->AcceptsTerminal(own));
    EXPECT_FALSE(end->AcceptsTerminal(foreign));
    EXPECT_TRUE(end->AcceptsTerminal(a));
    EXPECT_TRUE(end->AcceptsTerminal(&L(c)));
    // A message from a lifeline to itself is allowed.
    Message* self = Path<Message>({{1000, 5000}, {2000, 5000}, {2000, 4500}, {1000, 4500}}, &L(a), &L(a));
    ASSERT_NE(nullptr, self);
    EXPECT_EQ(&L(a), Source(self)->GetTerminal());
    EXPECT_EQ(&L(a), Target(self)->GetTerminal());
    // Return ends take lifelines and activations but no object box.
    Activation* bar = NewActivation(L(b), {4800, 8000});
    Return* r = Path<Return>({{5200, 7000}, {1000, 7000}}, bar, &L(a));
    ASSERT_NE(nullptr, r);
    auto* rt = dynamic_cast<ReturnEnd*>(r->GetTargetEnd());
    EXPECT_FALSE(rt->AcceptsTerminal(a));
    EXPECT_FALSE(rt->AcceptsTerminal(r->GetSegmentList().front()));
    EXPECT_TRUE(rt->AcceptsTerminal(bar));
}

TEST_F(Three, EndsFollowTheirLifeLines)
{
    Message* m = Msg(7000, a, b);
    // The object moves sideways: the message keeps its height.
    Move({b}, 1000, 0);
    EXPECT_EQ(zq::float8Point(6000, 7000), Target(m)->GetPosition());
    EXPECT_EQ(zq::float8Point(1000, 7000), Source(m)->GetPosition());
    // The object moves down: the line's bottom stays, the end keeps its height.
    Move({b}, 0, -500);
    EXPECT_EQ(zq::float8Point(6000, 7000), Target(m)->GetPosition());
    // A lifeline shortened above the end takes the end up to its new bottom.
    Change([&](Core::Env& env) { L(b).SetBottom(env, 8000); });
    EXPECT_EQ(zq::float8Point(6000, 8000), Target(m)->GetPosition());
    Undo();
    EXPECT_EQ(zq::float8Point(6000, 7000), Target(m)->GetPosition());
}

TEST_F(Three, EndAtTheMiddleOfABarStaysThereWhenItGrows)
{
    Activation* bar = NewActivation(L(b), {4800, 8000});  // 8000 .. 6000, left edge at x 4800
    Message* m = Path<Message>({{1000, 7000}, {4800, 7000}}, &L(a), bar);
    ASSERT_EQ(bar, Target(m)->GetTerminal());
    Change([&](Core::Env& env) { bar->SetBottom(env, 4000); });
    EXPECT_EQ(zq::float8Point(4800, 6000), Target(m)->GetPosition());
    Undo();
    EXPECT_EQ(zq::float8Point(4800, 7000), Target(m)->GetPosition());
}

TEST_F(Three, DeletingPartiesDeletesTheirConnectors)
{
    Activation* bar = NewActivation(L(b), {4800, 8000});
    Msg(7000, a, b);
    Path<Message>({{1000, 5000}, {8800, 5000}}, a, &L(c));
    Return* r = Path<Return>({{5200, 6500}, {1000, 6500}}, bar, &L(a));
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(2u, Count<Message>());
    Change([&](Core::Env& env) { bar->Delete(env); });
    EXPECT_EQ(0u, Count<Return>());
    EXPECT_TRUE(bar->IsDeleted());
    Undo();
    EXPECT_EQ(1u, Count<Return>());
    EXPECT_EQ(bar, r->GetSourceEnd()->GetTerminal());
    EXPECT_EQ(1u, bar->GetReturnEnds().size());
    Change([&](Core::Env& env) { a->Delete(env); });
    EXPECT_EQ(0u, Count<Message>());
    EXPECT_EQ(0u, Count<Return>());
    Undo();
    EXPECT_EQ(2u, Count<Message>());
}

TEST_F(Three, ReturnStoredFormAndFreeTarget)
{
    Activation* bar = NewActivation(L(b), {4800, 8000});
    Return* r = Path<Return>({{5200, 6500}, {1000, 6500}}, bar, &L(a));
    ASSERT_NE(nullptr, r);
    const std::string xml = Save();
    EXPECT_NE(std::string::npos, xml.find("<Return id=")) << xml;
    EXPECT_NE(std::string::npos, xml.find("<TargetEnd id=")) << xml;
    const auto at = xml.find("<TargetEnd");
    const std::string target = xml.substr(at, xml.find('>', at) - at);
    std::string loose = xml;
    loose.replace(at, target.size(), target.substr(0, target.find(" Party=")) +
                                         (target.back() == '/' ? "/" : ""));
    Core::Diagram d(Registry(), nullptr);
    ASSERT_NO_THROW(d.LoadXML(loose)) << loose;
    for (const auto& e : d.Elements())
        if (auto* rr = dynamic_cast<Return*>(e.get())) {
            ASSERT_NE(nullptr, rr->GetTargetEnd());
            EXPECT_EQ(nullptr, rr->GetTargetEnd()->GetTerminal());
        }
}
