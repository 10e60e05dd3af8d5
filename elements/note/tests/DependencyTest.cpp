// Dependencies: their stored form, the end types, deletion of terminals and parts, and the texts
// and note ends that lie on their segments.
#include "elements/note/tests/NoteScene.h"

#include "core/xml/Exceptions.h"
#include "text/free/SegmentPlacement.h"
#include "text/tests/FixedMeasurer.h"

using namespace NoteTest;
using Dependency::DependencyEnd;
using Dependency::DependencySegment;

namespace {
std::string Attr(const std::string& xml, const std::string& tag) {
    const auto at = xml.find("<" + tag + " ");
    return at == std::string::npos ? "" : xml.substr(at, xml.find('>', at) - at);
}
// Reads the document and sums what the function counts on each dependency segment.
std::size_t SumOverReadSegments(const std::string& xml, const std::function<std::size_t(DependencySegment&)>& count) {
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    std::size_t sum = 0;
    for (const auto& e : copy.Elements())
        if (auto* s = dynamic_cast<DependencySegment*>(e.get())) sum += count(*s);
    return sum;
}
} // namespace

TEST_F(Scene, DependencyBetweenTwoBoxesStoresTypedEndsWithParties)
{
    auto* d = Path<Dependency::Dependency>({{-2000, 600}, {0, 600}, {0, 700}, {3000, 700}}, a.get(), b.get());
    ASSERT_NE(nullptr, d);
    ASSERT_EQ(2u, d->GetEnds().size());
    auto* source = dynamic_cast<DependencyEnd*>(d->GetEnds()[0]);
    auto* target = dynamic_cast<DependencyEnd*>(d->GetEnds()[1]);
    EXPECT_EQ(a.get(), source->GetParty());
    EXPECT_EQ(b.get(), target->GetParty());
    EXPECT_FALSE(source->IsMasterEnd());
    EXPECT_TRUE(target->IsMasterEnd());
    const std::string xml = Save();
    // The connector carries only its id; the ends write Pos, Party and Type in this order.
    EXPECT_NE(std::string::npos, xml.find("<Dependency id=\"r")) << xml;
    EXPECT_EQ(std::string::npos, Attr(xml, "Dependency").find("Ends")) << xml;
    const std::string end = Attr(xml, "End");
    EXPECT_LT(end.find("Pos="), end.find("Party=")) << end;
    EXPECT_LT(end.find("Party="), end.find("Type=\"1\"")) << end;
    EXPECT_EQ(std::string::npos, xml.find("NoteEnds")) << xml;
    EXPECT_EQ(std::string::npos, xml.find("Anchors")) << xml;

    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    std::ostringstream again;
    copy.SaveXML(again);
    EXPECT_EQ(xml, again.str());
    for (const auto& e : copy.Elements()) {
        if (auto* p = dynamic_cast<Party*>(e.get())) {
            EXPECT_EQ(1u, p->GetPartners().size());
        }
    }
}

TEST_F(Scene, StoredEndsAreCheckedWhenRead)
{
    const std::string good = "<TestParty id=\"r1\" Pos=\"0 0\"/>"
                             "<Dependency id=\"r2\"><End id=\"r3\" Pos=\"0 0\" Party=\"r1\" Type=\"1\"/>"
                             "<End id=\"r4\" Pos=\"5000 0\" Type=\"2\"/><Segment id=\"r5\" Ends=\"r3 r4\"/></Dependency>";
    Core::Diagram d(Registry(), nullptr);
    d.LoadXML(Doc(good));
    auto replace = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return Doc(s);
    };
    Core::Diagram bad(Registry(), nullptr);
    EXPECT_THROW(bad.LoadXML(replace("Type=\"2\"", "Type=\"3\"")), Core::Exceptions::AttributeOutOfRange);
    EXPECT_THROW(bad.LoadXML(replace(" Type=\"2\"", "")), Core::Exceptions::MandatoryAttributeMissing);
    EXPECT_THROW(bad.LoadXML(replace("Pos=\"5000 0\" ", "")), Core::Exceptions::MandatoryAttributeMissing);
    // Parts of other connector kinds and unknown tags are errors alike.
    EXPECT_THROW(bad.LoadXML(replace("<End id=\"r4\"", "<SourceEnd id=\"r4\"")), Core::Exceptions::Base);
    EXPECT_THROW(bad.LoadXML(replace("<End id=\"r4\"", "<Bend id=\"r4\"")), Core::Exceptions::Base);
    // A segment that does not name two ends of its own connector.
    EXPECT_THROW(bad.LoadXML(replace("Ends=\"r3 r4\"", "Ends=\"r3\"")), Core::Exceptions::Base);
}

// A "Party" must name a dependency party: a note or a join is the wrong kind of element, refused
// at the line of the end that names it.
TEST_F(Scene, AStoredPartyOfTheWrongKindIsATypeMismatchAtItsEnd)
{
    const std::string good = "<TestParty id=\"r1\" Pos=\"0 0\"/>\n"
                             "<Note id=\"r6\" Pos=\"0 5000\" Size=\"2000 1000\"><Text>x</Text></Note>\n"
                             "<Dependency id=\"r2\">\n"
                             "<End id=\"r3\" Pos=\"0 0\" Party=\"r1\" Type=\"1\"/>\n"
                             "<Join id=\"r7\" Pos=\"2500 0\"/>\n"
                             "<End id=\"r4\" Pos=\"5000 0\" Type=\"2\"/>\n"
                             "<Segment id=\"r5\" Ends=\"r3 r7\"/><Segment id=\"r8\" Ends=\"r7 r4\"/></Dependency>\n";
    using Mismatch = Core::Exceptions::TypeMismatchOfRestoredObject;
    EXPECT_EQ(HostScene::RefusalOf<Mismatch>(Registry(), Doc(good)), "read");
    auto party = [&](const std::string& id) {
        std::string s = good;
        s.replace(s.find("Party=\"r1\""), 10, "Party=\"" + id + "\"");
        return Doc(s);
    };
    EXPECT_EQ(HostScene::RefusalOf<Mismatch>(Registry(), party("r6")), "line 6: type mismatch of restored object");
    EXPECT_EQ(HostScene::RefusalOf<Mismatch>(Registry(), party("r7")), "line 6: type mismatch of restored object");
    EXPECT_EQ(HostScene::RefusalOf<Core::Exceptions::UnknownObjectID>(Registry(), party("r99")),
              "line 6: unknown reference");
}

TEST_F(Scene, MissingObliqueGivesTheFlagWhoseAxisTheEndsShare)
{
    Core::Diagram d(Registry(), nullptr);
    d.LoadXML(Doc("<Dependency id=\"r2\"><End id=\"r3\" Pos=\"0 0\" Type=\"1\"/>"
                  "<End id=\"r4\" Pos=\"5000 0\" Type=\"2\"/><Segment id=\"r5\" Ends=\"r3 r4\"/></Dependency>"));
    DependencySegment* s = nullptr;
    for (const auto& e : d.Elements())
        if (auto* x = dynamic_cast<DependencySegment*>(e.get())) s = x;
    ASSERT_NE(nullptr, s);
    EXPECT_TRUE(s->IsHorizontalOrtho());
    EXPECT_FALSE(s->IsVerticalOrtho());
}

TEST_F(Scene, DeletingTheTargetsTerminalRemovesTheDependencyAndUndoBringsItBack)
{
    auto* d = Path<Dependency::Dependency>({{-2000, 600}, {0, 600}, {0, 2000}, {3000, 2000}}, a.get(), b.get());
    auto* target = dynamic_cast<DependencyEnd*>(d->GetEnds()[1]);
    Change([&](Core::Env& env) { b->Delete(env); });
    // The end went with its terminal, and without its target end the dependency went too.
    EXPECT_TRUE(target->IsDeleted());
    EXPECT_TRUE(d->IsDeleted());
    EXPECT_EQ(0u, Count<DependencySegment>());
    EXPECT_TRUE(a->GetPartners().empty());
    const std::string xml = Save();
    EXPECT_EQ(std::string::npos, xml.find("<Dependency")) << xml;
    Undo();
    EXPECT_FALSE(d->IsDeleted());
    EXPECT_EQ(3u, d->GetSegmentList().size());
    EXPECT_EQ("", d->CheckGraph());
    EXPECT_TRUE(b->Contains(target));
}

TEST_F(Scene, DeletingTheSourcesTerminalLeavesNoReferenceToIt)
{
    auto* d = Path<Dependency::Dependency>({{-2000, 600}, {3000, 600}}, a.get(), b.get());
    Change([&](Core::Env& env) { a->Delete(env); });
    for (Connector::IEnd* e : d->GetEnds()) EXPECT_NE(a.get(), e->GetTerminal());
    Core::Diagram copy(Registry(), nullptr);
    const std::string xml = Save();
    EXPECT_NO_THROW(copy.LoadXML(xml)) << xml;
}

TEST_F(Scene, AnEndOfTheSameDependencyNeverAttachesToItsSegments)
{
    auto* d = Path<Dependency::Dependency>({{-2000, 600}, {3000, 600}});
    auto* other = Path<Dependency::Dependency>({{0, 2000}, {0, 1000}});
    auto* seg = dynamic_cast<DependencySegment*>(d->GetSegmentList()[0]);
    EXPECT_FALSE(seg->CanAttach(dynamic_cast<DependencyEnd*>(d->GetEnds()[0])));
    EXPECT_TRUE(seg->CanAttach(dynamic_cast<DependencyEnd*>(other->GetEnds()[1])));
    // Dropped on the segment, the other dependency's end branches this one.
    Change([&](Core::Env& env) {
        other->GetEnds()[1]->MoveTo(env, {0, 600});
        seg->Attach(env, dynamic_cast<DependencyEnd*>(other->GetEnds()[1]));
    });
    EXPECT_EQ(1u, Count<Dependency::Dependency>());
}

TEST_F(Scene, TextsAnchoredOnASegmentAreStoredInsideItAndGoWithIt)
{
    TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>());
    Change([](Core::Env& env) { Style::Style::FindOrCreate(env); });
    auto* d = Path<Dependency::Dependency>({{0, 1000}, {3000, 1000}});
    auto* seg = dynamic_cast<DependencySegment*>(d->GetSegmentList()[0]);
    std::shared_ptr<Text::FreeText> text;
    Change([&](Core::Env& env) { text = Text::CreateAnchoredText(env, *seg, {1500, 1000}, L"<name?>"); });
    ASSERT_EQ(1u, seg->GetAnchors().size());
    Text::Anchor* anchor = seg->GetAnchors()[0];
    EXPECT_EQ(zq::float8Point(1500, 1000), anchor->GetPos());
    EXPECT_EQ(Text::OriginBottomLeft, text->GetOrigin());
    EXPECT_EQ(zq::Point(1500, 1200), text->GetPos());
    // The text takes the font of the dependencies' directory, centred and as small as the text.
    TextBlock::TextStyle style;
    seg->GetTextStyle(style, anchor);
    EXPECT_EQ(TextBlock::AlignCenter, style.horizontalAlignment);
    EXPECT_EQ(TextBlock::SizingOwnExtent, style.sizing);
    Style::Style* documentStyle = Style::Style::Find(diagram);
    ASSERT_NE(nullptr, documentStyle);
    EXPECT_EQ(documentStyle, seg->GetStyle());

    const std::string xml = Save();
    EXPECT_EQ(std::string::npos, xml.find("Anchors")) << xml;
    EXPECT_NE(std::string::npos, xml.find("<dir n=\"Dependency\"")) << xml;
    EXPECT_EQ(1u, SumOverReadSegments(xml, [](DependencySegment& s) { return s.GetAnchors().size(); }));

    // Moving the dependency carries the text; deleting the segment deletes it; undo brings it back.
    Change([&](Core::Env& env) {
        Core::ModelElementSet set;
        set.Insert(d->shared_from_this());
        Core::DeferredShiftSet shift(set, &diagram, nullptr);
        shift.ShiftAll(env, {0, 500, true, true});
        shift.ShiftDeferred(env);
    });
    EXPECT_EQ(zq::float8Point(1500, 1500), anchor->GetPos());
    Change([&](Core::Env& env) { seg->Delete(env); });
    EXPECT_TRUE(anchor->IsDeleted());
    EXPECT_TRUE(text->IsDeleted());
    Undo();
    EXPECT_FALSE(text->IsDeleted());
    EXPECT_TRUE(seg->HasAnchor(anchor));
}

TEST_F(Scene, NoteEndsLieOnDependencySegmentsAndAreRebuiltWhenRead)
{
    auto* d = Path<Dependency::Dependency>({{0, 1000}, {3000, 1000}});
    auto* seg = dynamic_cast<DependencySegment*>(d->GetSegmentList()[0]);
    auto* nc = Path<Note::NoteConnector>({{1500, 3000}, {1500, 1000}}, nullptr, seg);
    ASSERT_NE(nullptr, nc);
    auto* far = dynamic_cast<Note::NoteConnectorEnd*>(nc->GetEnds()[1]);
    EXPECT_TRUE(seg->Contains(far));
    EXPECT_EQ(seg, far->GetTerminal());
    // Attaching twice keeps one entry.
    Change([&](Core::Env& env) { seg->Attach(env, far); });
    EXPECT_EQ(1u, seg->GetAttachedEnds().size());

    EXPECT_EQ(1u, SumOverReadSegments(Save(), [](DependencySegment& s) { return s.GetAttachedEnds().size(); }));

    // Deleting the dependency takes the note end along, so nothing names the deleted segment.
    Change([&](Core::Env& env) { d->Delete(env); });
    EXPECT_TRUE(far->IsDeleted());
    Core::Diagram after(Registry(), nullptr);
    EXPECT_NO_THROW(after.LoadXML(Save()));
    Undo();
    EXPECT_FALSE(far->IsDeleted());
    EXPECT_TRUE(seg->Contains(far));
}

TEST(SegmentGeometry, PlacementAndLineMapping)
{
    // A zero-length segment places at its first point.
    const Text::TextPlacement p = Text::SegmentTextPlacement({100, 100}, {100, 100}, false, false, {900, 400});
    EXPECT_EQ(zq::float8Point(100, 100), p.anchorPoint);
    // A click beyond an end anchors at that end; vertical segments put the text to the right.
    const Text::TextPlacement v = Text::SegmentTextPlacement({0, 0}, {0, 1000}, false, true, {50, 3000});
    EXPECT_EQ(zq::float8Point(0, 1000), v.anchorPoint);
    EXPECT_EQ(zq::float8Point(200, 1000), v.textPoint);
    EXPECT_EQ(Text::OriginTopLeft, v.origin);
    EXPECT_EQ(Text::OriginBottomRight,
              Text::SegmentTextPlacement({0, 0}, {1000, 1000}, false, false, {500, 500}).origin);
    EXPECT_EQ(Text::OriginBottomLeft,
              Text::SegmentTextPlacement({0, 1000}, {1000, 0}, false, false, {500, 500}).origin);

    EXPECT_EQ(zq::float8Point(1000, 500),
              Text::SegmentLineMap({0, 0}, {1000, 500}, {0, 0}, {2000, 1000}, false, {500, 250}));
    EXPECT_EQ(zq::float8Point(1500, 0),
              Text::SegmentLineMap({7, 7}, {7, 7}, {1000, 0}, {2000, 0}, false, {7, 7}));
    EXPECT_EQ(zq::float8Point(400, 400),
              Text::SegmentLineMap({0, 100}, {1000, 100}, {0, 400}, {1000, 400}, true, {400, 100}));
    EXPECT_EQ(zq::float8Point(1000, 400),
              Text::SegmentLineMap({0, 100}, {1000, 100}, {0, 400}, {1000, 400}, true, {1200, 100}));
    // Moved whole along its own line, an orthogonal segment takes the point along; stretched, it
    // leaves the point where it was.
    EXPECT_EQ(zq::float8Point(3400, -100),
              Text::SegmentLineMap({0, 100}, {1000, 100}, {3000, -100}, {4000, -100}, true, {400, 100}));
    EXPECT_EQ(zq::float8Point(100, 2900),
              Text::SegmentLineMap({0, 0}, {0, 1000}, {100, 2500}, {100, 3500}, true, {0, 400}));
    EXPECT_EQ(zq::float8Point(400, 100),
              Text::SegmentLineMap({0, 100}, {1000, 100}, {200, 100}, {3000, 100}, true, {400, 100}));
}

TEST_F(Scene, ATextOnASegmentTheCleanUpRemovesGoesToTheSegmentThatRemains)
{
    TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>());
    Change([](Core::Env& env) { Style::Style::FindOrCreate(env); });
    auto* d = Path<Dependency::Dependency>({{0, 1000}, {1500, 1000}, {1500, 2000}});
    ASSERT_EQ(2u, d->GetSegmentList().size());
    DependencySegment* bent = nullptr;
    for (auto* s : d->GetSegmentList())
        if (auto* ds = dynamic_cast<DependencySegment*>(s); ds != nullptr && ds->IsVerticalOrtho()) bent = ds;
    ASSERT_NE(nullptr, bent);
    std::shared_ptr<Text::FreeText> text;
    Change([&](Core::Env& env) { text = Text::CreateAnchoredText(env, *bent, {1500, 1500}, L"label"); });
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    ASSERT_TRUE(bent->GetEnds(a, b));
    auto* end = dynamic_cast<Connector::IEnd*>(a) ? a : b;
    // The end moved onto the bend: the clean-up dissolves the bent segment, the text stays.
    Change([&](Core::Env& env) { end->MoveTo(env, {1500, 1000}); });
    ASSERT_EQ(1u, d->GetSegmentList().size());
    EXPECT_FALSE(text->IsDeleted());
    auto* remaining = dynamic_cast<DependencySegment*>(d->GetSegmentList()[0]);
    ASSERT_NE(nullptr, remaining);
    EXPECT_EQ(1u, remaining->GetAnchors().size());
    EXPECT_EQ(1u, SumOverReadSegments(Save(), [](DependencySegment& s) { return s.GetAnchors().size(); }));
}

namespace {
// Moves the part as its drag does: by the vector from its place before the change to the point.
void DragTo(Core::Env& env, Connector::ISegmentEnd& part, const zq::float8Point& to)
{
    const zq::float8Point from = part.GetOldPosition();
    Core::DeferredShiftSet set;
    part.Shift(env, nullptr, {to.x - from.x, to.y - from.y, true, true}, set, false);
}
} // namespace

TEST_F(Scene, AnchoredTextsFollowAMoveOfOneEndOrOneJoinOfTheirSegment)
{
    TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>());
    Change([](Core::Env& env) { Style::Style::FindOrCreate(env); });

    // An oblique segment: the anchor keeps its fraction of the line when one end moves.
    auto* oblique = Path<Dependency::Dependency>({{0, 0}, {1000, 500}});
    auto* os = dynamic_cast<DependencySegment*>(oblique->GetSegmentList()[0]);
    ASSERT_FALSE(os->IsHorizontalOrtho() || os->IsVerticalOrtho());
    std::shared_ptr<Text::FreeText> text;
    Change([&](Core::Env& env) { text = Text::CreateAnchoredText(env, *os, {500, 250}, L"x"); });
    const zq::Point textBefore = text->GetPos();
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    ASSERT_TRUE(os->GetEnds(a, b));
    Change([&](Core::Env& env) { DragTo(env, *b, {2000, 1000}); });
    EXPECT_EQ(zq::float8Point(1000, 500), os->GetAnchors()[0]->GetPos());
    EXPECT_EQ(textBefore + zq::Point(500, 250), text->GetPos()) << "the text keeps its offset from the anchor";
    Undo();
    EXPECT_EQ(zq::float8Point(500, 250), os->GetAnchors()[0]->GetPos());
    EXPECT_EQ(textBefore, text->GetPos());

    // A bend moved up takes the horizontal segment before it along, and the text on it.
    auto* bent = Path<Dependency::Dependency>({{0, 3000}, {3000, 3000}, {3000, 5000}});
    ASSERT_EQ(1u, bent->GetJoins().size());
    Connector::IJoin* join = bent->GetJoins()[0];
    DependencySegment* level = nullptr;
    for (auto* s : bent->GetSegmentList())
        if (s->IsHorizontalOrtho()) level = dynamic_cast<DependencySegment*>(s);
    ASSERT_NE(nullptr, level);
    Change([&](Core::Env& env) { text = Text::CreateAnchoredText(env, *level, {1500, 3000}, L"y"); });
    Change([&](Core::Env& env) { DragTo(env, *join, {3000, 3500}); });
    ASSERT_FALSE(level->IsDeleted());
    ASSERT_EQ(1u, level->GetAnchors().size());
    EXPECT_EQ(zq::float8Point(1500, 3500), level->GetAnchors()[0]->GetPos());
    EXPECT_EQ(zq::Point(1500, 3700), text->GetPos());

    // An end replaced by another elsewhere (as the clean-up reconnects segments) carries the texts too.
    ASSERT_TRUE(os->GetEnds(a, b));
    Change([&](Core::Env& env) {
        auto e = Dependency::Dependency::PartFactory().CreateTargetEndAt(env, {1000, 1500});
        e->SetConnector(env, oblique);
        oblique->AddEnd(env, e.get());
        os->Reconnect(env, b, e.get());
        e->SetSegment(env, os);
        dynamic_cast<Connector::IEnd*>(b)->ImplementDeletion(env, false, false, true);
    });
    ASSERT_FALSE(oblique->IsDeleted());
    EXPECT_EQ(zq::float8Point(500, 750), os->GetAnchors()[0]->GetPos());
}

TEST_F(Scene, ASegmentSplitByAnotherDependencysEndSpreadsItsTextsOverThePieces)
{
    TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>());
    Change([](Core::Env& env) { Style::Style::FindOrCreate(env); });
    auto* d = Path<Dependency::Dependency>({{0, 1000}, {4000, 1000}});
    auto* seg = dynamic_cast<DependencySegment*>(d->GetSegmentList()[0]);
    std::shared_ptr<Text::FreeText> left, right;
    Change([&](Core::Env& env) {
        left = Text::CreateAnchoredText(env, *seg, {1000, 1000}, L"left");
        right = Text::CreateAnchoredText(env, *seg, {3000, 1000}, L"right");
    });
    auto* other = Path<Dependency::Dependency>({{2000, 1000}, {2000, 3000}});
    auto* source = dynamic_cast<DependencyEnd*>(other->GetEnds()[0]);
    Change([&](Core::Env& env) { seg->Attach(env, source); });
    ASSERT_EQ(3u, d->GetSegmentList().size());
    std::vector<DependencySegment*> holders;
    for (auto* s : d->GetSegmentList())
        if (auto* ds = dynamic_cast<DependencySegment*>(s); ds != nullptr && !ds->GetAnchors().empty()) holders.push_back(ds);
    ASSERT_EQ(2u, holders.size()) << "one text on each half";
    for (DependencySegment* h : holders) {
        Connector::ISegmentEnd *a = nullptr, *b = nullptr;
        ASSERT_TRUE(h->GetEnds(a, b));
        const double x = h->GetAnchors()[0]->GetPos().x;
        EXPECT_GE(x, std::min(a->GetPoint().x, b->GetPoint().x));
        EXPECT_LE(x, std::max(a->GetPoint().x, b->GetPoint().x));
    }
    Undo();
    EXPECT_EQ(2u, seg->GetAnchors().size());
}

TEST_F(Scene, ASegmentsStyleIsItsDependencysAndSettingItGoesThroughTheDependency)
{
    // The first dependency of a document brings the style with its "Dependency" directory.
    auto* d = Path<Dependency::Dependency>({{-2000, 600}, {0, 600}, {0, 700}, {3000, 700}}, a.get(), b.get());
    ASSERT_NE(nullptr, d);
    Style::Style* style = Style::Style::Find(diagram);
    ASSERT_NE(nullptr, style);
    Style::Directory* directory = style->GetRoot()->Find(DependencySegment::Directory());
    ASSERT_NE(nullptr, directory);
    ASSERT_NE(nullptr, directory->GetFont());
    EXPECT_EQ(L"inherit__", directory->GetFont()->GetSizeText());
    EXPECT_EQ(style, d->GetStyle());
    ASSERT_EQ(3u, d->GetSegmentList().size());
    for (Connector::ISegment* s : d->GetSegmentList()) EXPECT_EQ(style, dynamic_cast<DependencySegment&>(*s).GetStyle());

    // Setting the style of one segment sets the dependency's, which every segment answers; undo restores it.
    Style::Style* other = nullptr;
    Change([&](Core::Env& env) { other = Style::Style::Create(env).get(); });
    auto* first = dynamic_cast<DependencySegment*>(d->GetSegmentList()[0]);
    Change([&](Core::Env& env) { first->SetStyle(env, other); });
    EXPECT_EQ(other, d->GetStyle());
    EXPECT_EQ(other, dynamic_cast<DependencySegment&>(*d->GetSegmentList()[2]).GetStyle());
    Undo();
    EXPECT_EQ(style, first->GetStyle());
}

TEST_F(Scene, AReadDependencyAndItsSegmentsAnswerTheDocumentsStyle)
{
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(Doc("<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>"
                     "<TestParty id=\"r2\" Pos=\"0 0\"/><TestParty id=\"r3\" Pos=\"5000 0\"/>"
                     "<Dependency id=\"r4\"><End id=\"r5\" Pos=\"1000 0\" Party=\"r2\" Type=\"1\"/>"
                     "<End id=\"r6\" Pos=\"5000 0\" Party=\"r3\" Type=\"2\"/>"
                     "<Segment id=\"r7\" Ends=\"r5 r6\"/></Dependency>"));
    Style::Style* style = Style::Style::Find(copy);
    ASSERT_NE(nullptr, style);
    const auto segments = HostScene::All<DependencySegment>(copy);
    ASSERT_EQ(1u, segments.size());
    EXPECT_EQ(style, segments[0]->GetStyle());
}

TEST_F(Scene, ABranchingDependencyKeepsTheOrderItsPartsWereReadIn)
{
    // Parts interleaved, each after the part it hangs on; the branch at the join ends on the box.
    const std::string doc = HostScene::WrittenDoc(R"(  <TestParty id="r1"
      Pos="3000 300"
      Size="1000 600"/>
  <Dependency id="r2">
    <End id="r3"
        Pos="0 0"
        Type="1"/>
    <Segment id="r4"
        Ends="r3 r5"/>
    <Join id="r5"
        Pos="2000 0"/>
    <End id="r6"
        Pos="2000 2000"
        Type="1"/>
    <Segment id="r7"
        Ends="r6 r5"/>
    <Segment id="r8"
        Ends="r5 r9"/>
    <End id="r9"
        Pos="3000 0"
        Party="r1"
        Type="2"/>
  </Dependency>
)");
    Core::Diagram d(Registry(), nullptr);
    d.LoadXML(doc);
    auto joins = HostScene::All<Dependency::DependencyJoin>(d);
    ASSERT_EQ(1u, joins.size());
    EXPECT_EQ(3u, joins[0]->GetSegmentCount());
    EXPECT_EQ(1u, HostScene::All<Party>(d)[0]->GetRep().ends.size());
    EXPECT_EQ(doc, Save(d));
}
