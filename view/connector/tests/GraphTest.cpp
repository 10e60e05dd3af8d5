// The connector graph: building, the flag rule, deletion, and the stored form with its checks.
#include "view/connector/tests/ConnectorFixture.h"

#include "core/TransferSet.h"

#include "core/CopyExtend.h"
#include "core/xml/Exceptions.h"

using namespace ConnectorTest;
using Connector::IEnd;
using Connector::IJoin;
using Connector::ISegment;

TEST_F(ConnectorFixture, PathGetsFlagsOnlyWhereNewSegmentsAreAligned)
{
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 800}, {1500, 1500}});
    ASSERT_EQ(3u, w->GetSegmentCount());
    const auto& s = w->GetSegmentList();
    EXPECT_TRUE(s[0]->IsHorizontalOrtho());
    EXPECT_FALSE(s[0]->IsVerticalOrtho());
    EXPECT_TRUE(s[1]->IsVerticalOrtho());
    EXPECT_FALSE(s[2]->IsVerticalOrtho() || s[2]->IsHorizontalOrtho());
    EXPECT_EQ("", w->CheckGraph());
}

TEST_F(ConnectorFixture, OldObliqueSegmentNeverGainsAFlagButCoincidingEndsLoseThem)
{
    Wire* w = Path({{0, 0}, {1000, 500}});
    ISegment* s = w->GetSegmentList()[0];
    Change([&](Core::Env& env) {
        w->GetEnds()[1]->MoveTo(env, {1000, 0});
        s->SetOrthoFlags(env);
    });
    EXPECT_FALSE(s->IsHorizontalOrtho());
    Wire* h = Path({{0, 0}, {1000, 0}});
    ISegment* hs = h->GetSegmentList()[0];
    ASSERT_TRUE(hs->IsHorizontalOrtho());
    Change([&](Core::Env& env) {
        h->GetEnds()[1]->MoveTo(env, {0, 0});
        hs->SetOrthoFlags(env);
    });
    EXPECT_FALSE(hs->IsHorizontalOrtho() || hs->IsVerticalOrtho());
}

TEST_F(ConnectorFixture, OtherSegmentOfAJoinDemandsTwoSegmentsAndAMember)
{
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 1000}});
    IJoin* j = w->GetJoins()[0];
    const auto& s = w->GetSegmentList();
    EXPECT_EQ(s[1], j->GetOtherSegment(s[0]));
    Wire* other = Path({{5000, 0}, {6000, 0}});
    EXPECT_THROW(j->GetOtherSegment(other->GetSegmentList()[0]), std::logic_error);
}

TEST_F(ConnectorFixture, DeletingTheConnectorDeletesEveryPartAndUndoBringsThemBack)
{
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 1000}}, a.get(), b.get());
    Change([&](Core::Env& env) { w->Delete(env); });
    for (IEnd* e : w->GetEnds()) EXPECT_TRUE(e->IsDeleted());
    for (ISegment* s : w->GetSegmentList()) EXPECT_TRUE(s->IsDeleted());
    EXPECT_TRUE(w->GetJoins()[0]->IsDeleted());
    EXPECT_TRUE(a->Ends().empty());
    Undo();
    EXPECT_FALSE(w->IsDeleted());
    EXPECT_EQ(1u, a->Ends().size());
    EXPECT_EQ("", w->CheckGraph());
}

TEST_F(ConnectorFixture, DetachingAnEndWithDeletionTakesTheWholeChain)
{
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 1000}}, a.get(), b.get());
    Change([&](Core::Env& env) { a->Delete(env); });
    EXPECT_TRUE(w->IsDeleted());
    EXPECT_TRUE(b->Ends().empty());
    EXPECT_EQ(0u, Live<WireSegment>());
}

TEST_F(ConnectorFixture, DeletingOneOfThreeSegmentsOfAJoinSplitsTheConnector)
{
    Wire* w = Tree();
    IJoin* j = w->GetJoins()[0];
    ASSERT_EQ(3u, j->GetSegmentCount());
    Change([&](Core::Env& env) { j->GetSegments()[0]->Delete(env); });
    // The join keeps a real bend of two segments; its parts moved into a new connector; the old one
    // deleted itself.
    EXPECT_FALSE(j->IsDeleted());
    EXPECT_TRUE(w->IsDeleted());
    ASSERT_NE(nullptr, j->GetConnector());
    EXPECT_EQ(2u, j->GetConnector()->GetEndCount());
    EXPECT_EQ("", CheckAll());
    Undo();
    EXPECT_EQ(3u, j->GetSegmentCount());
    EXPECT_EQ(w, j->GetConnector());
}

TEST_F(ConnectorFixture, DeletingTheOnlySegmentOfAJoinDeletesTheJoin)
{
    Wire* w = Tree();
    IJoin* j = w->GetJoins()[0];
    Change([&](Core::Env& env) {
        auto segs = j->GetSegments();
        segs[0]->Delete(env);
        segs[1]->Delete(env);
    });
    EXPECT_TRUE(j->IsDeleted());
    EXPECT_EQ("", CheckAll());
    EXPECT_EQ(0u, Live<WireJoin>());
}

TEST_F(ConnectorFixture, StoredFormRoundTripsBranchingAndLinearConnectors)
{
    Wire* w = Path({{0, 0}, {1000, 0}, {1000, 1000}, {3000, 2500}}, a.get(), b.get());
    Chain* c = ChainPath({{0, -3000}, {2000, -3000}, {2000, -5000}});
    (void)w;
    (void)c;
    const std::string first = Save();
    EXPECT_EQ(std::string::npos, first.find("Segment=")) << "an end never stores its segment";
    EXPECT_NE(std::string::npos, first.find("Oblique=")) << "the oblique segment says so";
    Core::Diagram copy{Registry(), nullptr};
    copy.LoadXML(first);
    EXPECT_EQ("", CheckAll(copy));
    std::ostringstream again;
    copy.SaveXML(again);
    EXPECT_EQ(first, again.str());
    auto* w2 = Nth<Wire>(copy, 0);
    ASSERT_NE(nullptr, w2);
    EXPECT_TRUE(w2->GetSegmentList()[0]->IsHorizontalOrtho());
    EXPECT_TRUE(w2->GetSegmentList()[1]->IsVerticalOrtho());
    EXPECT_EQ(1u, Nth<Box>(copy, 0)->Ends().size()) << "partner lists are rebuilt";
}

namespace {
// A whole document as the writer writes it.
std::string WrittenDoc(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
           "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n" + body + "</Diagram>\n";
}

// A wire branching at a join, its parts interleaved; a chain in chain order, its segments naming no ends.
const std::string kInterleavedWire = R"(  <TestWire id="r1">
    <End id="r2"
        Pos="0 0"
        Type="1"/>
    <Segment id="r3"
        Ends="r2 r4"/>
    <Join id="r4"
        Pos="1000 0"/>
    <Segment id="r5"
        Ends="r4 r6"/>
    <End id="r6"
        Pos="1000 1000"
        Type="2"/>
    <Segment id="r7"
        Ends="r8 r4"/>
    <End id="r8"
        Pos="2000 0"
        Type="0"/>
  </TestWire>
)";
const std::string kChain = R"(  <TestChain id="r10">
    <End id="r11"
        Pos="0 -3000"
        Type="2"/>
    <Segment id="r15"/>
    <Join id="r13"
        Pos="2000 -3000"/>
    <Segment id="r14"/>
    <End id="r12"
        Pos="2000 -5000"
        Type="1"/>
  </TestChain>
)";
} // namespace

TEST_F(ConnectorFixture, ABranchingConnectorIsWrittenInTheOrderItsPartsWereRead)
{
    const std::string doc = WrittenDoc(kInterleavedWire);
    Core::Diagram d{Registry(), nullptr};
    d.LoadXML(doc);
    EXPECT_EQ("", CheckAll(d));
    ASSERT_EQ(1u, Nth<Wire>(d, 0)->GetJoinCount());
    EXPECT_EQ(3u, Nth<Wire>(d, 0)->GetJoins()[0]->GetSegmentCount());
    std::ostringstream out;
    d.SaveXML(out);
    EXPECT_EQ(doc, out.str());
}

TEST_F(ConnectorFixture, AChainIsReadByItsOrderOrByTheEndsItsSegmentsNameAndWrittenInChainOrder)
{
    const std::string doc = WrittenDoc(kChain);
    Core::Diagram d{Registry(), nullptr};
    d.LoadXML(doc);
    EXPECT_EQ("", CheckAll(d));
    auto* c = Nth<Chain>(d, 0);
    ASSERT_NE(nullptr, c);
    ASSERT_EQ(2u, c->GetSegmentCount());
    EXPECT_TRUE(c->GetSegmentList()[0]->IsHorizontalOrtho());
    EXPECT_TRUE(c->GetSegmentList()[1]->IsVerticalOrtho());
    std::ostringstream out;
    d.SaveXML(out);
    EXPECT_EQ(doc, out.str());

    // Ends first and segments naming their ends, in no chain order.
    const std::string named =
        "<TestChain id=\"r10\"><End id=\"r11\" Pos=\"0 -3000\" Type=\"2\"/><End id=\"r12\" Pos=\"2000 -5000\" Type=\"1\"/>"
        "<Join id=\"r13\" Pos=\"2000 -3000\"/><Segment id=\"r14\" Ends=\"r13 r12\"/>"
        "<Segment id=\"r15\" Ends=\"r11 r13\"/></TestChain>\n";
    Core::Diagram old{Registry(), nullptr};
    old.LoadXML(Doc(named));
    EXPECT_EQ("", CheckAll(old));
    std::ostringstream again;
    old.SaveXML(again);
    EXPECT_NE(std::string::npos, again.str().find(kChain)) << again.str();
}

TEST_F(ConnectorFixture, MissingObliqueReadsTheFlagThatHolds)
{
    Core::Diagram d{Registry(), nullptr};
    d.LoadXML(Doc(WireXml("0 0", "1000 700", "") + WireXml("0 0", "1000 0", "", 10)));
    auto* oblique = Nth<Wire>(d, 0)->GetSegmentList()[0];
    auto* level = Nth<Wire>(d, 1)->GetSegmentList()[0];
    EXPECT_FALSE(oblique->IsHorizontalOrtho() || oblique->IsVerticalOrtho());
    EXPECT_TRUE(level->IsHorizontalOrtho());
    EXPECT_FALSE(level->IsVerticalOrtho());
}

TEST_F(ConnectorFixture, BrokenDocumentsAreRefusedAndLeaveNothingBehind)
{
    const std::vector<std::string> broken = {
        // an unknown part tag
        "<TestWire id=\"r1\"><Bend id=\"r2\" Pos=\"0 0\"/></TestWire>",
        // a segment with one end
        "<TestWire id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/><Segment id=\"r3\" Ends=\"r2\"/></TestWire>",
        // an end without a segment
        "<TestWire id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/></TestWire>",
        // a join with one segment
        "<TestWire id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/><Join id=\"r3\" Pos=\"5 5\"/>"
        "<Segment id=\"r4\" Ends=\"r2 r3\"/></TestWire>",
        // a segment ending on a part of another connector
        "<TestWire id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/><End id=\"r3\" Pos=\"9 9\"/><Segment id=\"r4\" Ends=\"r2 r3\"/></TestWire>"
        "<TestWire id=\"r5\"><End id=\"r6\" Pos=\"0 0\"/><Segment id=\"r7\" Ends=\"r6 r3\"/></TestWire>",
        // a part outside any connector
        "<End id=\"r2\" Pos=\"0 0\"/>",
        // a non-boolean Oblique
        "<TestWire id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/><End id=\"r3\" Pos=\"9 9\"/>"
        "<Segment id=\"r4\" Ends=\"r2 r3\" Oblique=\"maybe\"/></TestWire>",
        // a chain whose parts do not alternate
        "<TestChain id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/><End id=\"r3\" Pos=\"9 9\"/><Segment id=\"r4\"/></TestChain>",
    };
    for (const std::string& body : broken) {
        Core::Diagram d{Registry(), nullptr};
        EXPECT_THROW(d.LoadXML(Doc(body)), Core::Exceptions::Base) << body;
        EXPECT_EQ(0u, d.GetElementCount()) << body;
    }
    Core::Diagram d{Registry(), nullptr};
    EXPECT_THROW(d.LoadXML(Doc(broken[0])), xml::Exceptions::UnknownElement);
}

// A broken graph found while the parts are put together is reported at the line of the part at
// fault (the body starts on line 3).
TEST_F(ConnectorFixture, BrokenGraphsAreRefusedWithTheLineOfThePartAtFault)
{
    const std::pair<std::string, int> broken[] = {
        {"<TestWire id=\"r1\">\n<End id=\"r2\" Pos=\"0 0\"/>\n<Segment id=\"r3\" Ends=\"r2\"/></TestWire>", 5},
        {"<TestWire id=\"r1\">\n<End id=\"r2\" Pos=\"0 0\"/></TestWire>", 4},
        {"<TestWire id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/>\n<Join id=\"r3\" Pos=\"5 5\"/>\n"
         "<Segment id=\"r4\" Ends=\"r2 r3\"/></TestWire>", 4},
        {"<TestWire id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/><End id=\"r3\" Pos=\"9 9\"/><Segment id=\"r4\" Ends=\"r2 r3\"/>"
         "</TestWire>\n<TestWire id=\"r5\"><End id=\"r6\" Pos=\"0 0\"/>\n<Segment id=\"r7\" Ends=\"r6 r3\"/></TestWire>", 5},
        {"\n<TestChain id=\"r1\"><End id=\"r2\" Pos=\"0 0\"/>\n<End id=\"r3\" Pos=\"9 9\"/><Segment id=\"r4\"/></TestChain>", 5},
    };
    for (const auto& [body, line] : broken) {
        Core::Diagram d{Registry(), nullptr};
        try {
            d.LoadXML(Doc(body));
            ADD_FAILURE() << "read: " << body;
        } catch (const Connector::Exceptions::MalformedConnector& e) {
            EXPECT_EQ(e.Line(), line) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(line) + ": ", 0), 0u) << e.what();
        }
        EXPECT_EQ(0u, d.GetElementCount()) << body;
    }
}

TEST_F(ConnectorFixture, ChainWithoutItsMasterEndDeletesItself)
{
    Chain* c = ChainPath({{0, 0}, {1000, 0}, {1000, 1000}});
    auto* target = dynamic_cast<ChainEnd*>(c->GetEnds()[1]);
    ASSERT_NE(nullptr, target);
    Change([&](Core::Env& env) { target->SetType(env, 1); });
    EXPECT_TRUE(c->IsDeleted());
    EXPECT_EQ(0u, Live<ChainSegment>());
    Undo();
    EXPECT_FALSE(c->IsDeleted());
    EXPECT_EQ("", CheckAll());
}

TEST_F(ConnectorFixture, CopyOfBothTerminalsOrOfOneSegmentTakesTheWholeConnector)
{
    Wire* w = Path({{-2000, 0}, {0, 0}, {0, 200}, {3000, 200}}, a.get(), b.get());
    Wire* loose = Path({{0, 5000}, {1000, 5000}, {1000, 6000}}, a.get(), nullptr);
    auto count = [&](const Core::ModelElementSet& set, Wire* c) {
        std::size_t n = 0;
        for (const auto& e : set.Elements())
            if (e.get() == c || (dynamic_cast<Connector::IConnectorElement*>(e.get()) &&
                                 dynamic_cast<Connector::IConnectorElement*>(e.get())->GetConnector() == c))
                ++n;
        return n;
    };
    Core::ModelElementSet boxes;
    boxes.Insert(a);
    boxes.Insert(b);
    const Core::ModelElementSet withBoxes = Core::CopyExtendSelection::Build(boxes, diagram);
    EXPECT_EQ(1u + 2 + 2 + 3, count(withBoxes, w)) << "connector, ends, joins and segments";
    EXPECT_EQ(6u, count(withBoxes, loose)) << "every attached end's terminal is copied";
    Core::ModelElementSet onlyA;
    onlyA.Insert(a);
    EXPECT_EQ(0u, count(Core::CopyExtendSelection::Build(onlyA, diagram), w)) << "b stays, so the connector stays";
    Core::ModelElementSet one;
    one.Insert(w->GetSegmentList()[1]->shared_from_this());
    const Core::ModelElementSet fromSegment = Core::CopyExtendSelection::Build(one, diagram);
    EXPECT_EQ(8u, count(fromSegment, w));
    EXPECT_TRUE(fromSegment.Contains(a.get()) && fromSegment.Contains(b.get())) << "the terminals come along";
    EXPECT_EQ(6u, count(fromSegment, loose)) << "a brings the connector that has no other terminal";
}

TEST_F(ConnectorFixture, ASegmentCopiedAndPastedGivesAWholeConnectorBetweenTheCopiedBoxes)
{
    Wire* w = Path({{-2000, 0}, {0, 0}, {0, 200}, {3000, 200}}, a.get(), b.get());
    Core::ModelElementSet one;
    one.Insert(w->GetSegmentList()[1]->shared_from_this());
    Core::TransferSet copy(Registry());
    const Core::ModelElementSet extended = Core::CopyExtendSelection::Build(one, diagram);
    for (const auto& e : extended.Elements()) copy.Insert(*e);
    Core::TransferSet::PasteResult pasted;
    Change([&](Core::Env& env) { pasted = copy.Paste(env); });
    Wire* twin = nullptr;
    std::vector<Box*> boxes;
    for (const auto& e : pasted.pasted.Elements()) {
        if (auto* p = dynamic_cast<Wire*>(e.get()); p != nullptr && p->GetSegmentCount() == 3) twin = p;
        if (auto* p = dynamic_cast<Box*>(e.get())) boxes.push_back(p);
    }
    ASSERT_NE(nullptr, twin);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(3u, twin->GetSegmentCount());
    EXPECT_EQ(2u, twin->GetJoinCount());
    for (Connector::IEnd* e : twin->GetEnds()) {
        EXPECT_TRUE(e->GetTerminal() == boxes[0] || e->GetTerminal() == boxes[1]) << "ends lie on the pasted boxes";
        EXPECT_EQ(twin, e->GetConnector());
    }
    EXPECT_EQ(2u, Live<Wire>());  // no other wire lies on a or b
    EXPECT_EQ("", CheckAll());
    const std::string saved = Save();
    Undo();
    EXPECT_EQ(1u, Live<Wire>());
    Redo();
    EXPECT_EQ(saved, Save());
}
