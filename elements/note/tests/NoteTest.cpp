// Notes: creation, growing with the text, note connectors written inside the note, deletion.
#include "elements/note/Note.h"
#include "elements/note/tests/NoteScene.h"

#include "core/CopyExtend.h"
#include "text/tests/FixedMeasurer.h"

using namespace NoteTest;

namespace {
struct Notes : Scene {
    Notes() { TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }
    std::shared_ptr<Note::Note> NewNote(const zq::Point& p) {
        std::shared_ptr<Note::Note> note;
        Change([&](Core::Env& env) { note = Note::Note::Create(env, p); });
        return note;
    }
};
} // namespace

TEST_F(Notes, NewNoteHasItsSizeTextAndDirectoryOnce)
{
    auto note = NewNote({100, 5000});
    EXPECT_EQ(zq::Point(100, 5000), note->GetPos());
    EXPECT_EQ(zq::Point(2000, 1000), note->GetSize());
    EXPECT_EQ(L"<text?>", note->GetText()->GetName());
    Style::Style* style = Style::Style::Find(diagram);
    ASSERT_NE(nullptr, style);
    TextBlock::TextStyle font;
    style->GetFont(Style::Names::Note(), font);
    EXPECT_EQ(9.0, font.size);
    const std::string first = Save();
    NewNote({5000, 5000});
    const std::string xml = Save();
    // The second note adds no directory of its own.
    auto directories = [](const std::string& s) {
        std::size_t n = 0;
        for (auto at = s.find("<Directory"); at != std::string::npos; at = s.find("<Directory", at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(directories(first), directories(xml));
    EXPECT_EQ(std::string::npos, xml.find("ElementStyle")) << xml;
}

TEST_F(Notes, ANewNoteLaysOutItsTextInTheNoteFont)
{
    auto note = NewNote({100, 5000});
    HostScene::ExpectFont(note->GetText(), 9, false);
}

TEST_F(Notes, TypedTextGrowsTheNoteAndUndoShrinksIt)
{
    auto note = NewNote({0, 5000});
    Change([&](Core::Env& env) {
        note->GetText()->SetName(env, L"a rather long remark that needs a wide note to hold it on one line");
    });
    // The text wraps in the note's width: the note grows downward, its top edge staying.
    EXPECT_EQ(2000, note->GetSize().x);
    EXPECT_GT(note->GetSize().y, 1000);
    EXPECT_EQ(0, note->GetSize().y % 100);
    EXPECT_EQ(zq::Point(0, 5000), note->GetPos());
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(zq::Point(2000, 1000), note->GetSize());
}

TEST_F(Notes, ResizingBelowTheTextKeepsTheSideThatDidNotMove)
{
    auto note = NewNote({0, 5000});
    TextBlock::Extent area;
    // Dragging the right edge leftwards stops at the needed width; the left edge stays.
    Change([&](Core::Env& env) { note->SetRect(env, zq::Rect{0, 5000, 300, 4000}); });
    EXPECT_EQ(0, note->GetPos().x);
    const int needed = note->GetSize().x;
    EXPECT_GT(needed, 300);
    // Dragging the left edge rightwards keeps the right edge.
    Change([&](Core::Env& env) { note->SetRect(env, zq::Rect{needed - 300, 5000, needed, 4000}); });
    EXPECT_EQ(needed, note->GetPos().x + note->GetSize().x);
    // The text area lies inside the margins, the fold on the right.
    note->GetTextAreaSize(area, *note->GetText());
    EXPECT_EQ(note->GetSize().x - 400, area.width);
    EXPECT_EQ(note->GetSize().y - 200, area.height);
}

TEST_F(Notes, NoteConnectorsAreWrittenInsideTheirNoteAndReadBack)
{
    auto note = NewNote({0, 5000});
    auto* d = Path<Dependency::Dependency>({{0, 1000}, {3000, 1000}});
    auto* seg = dynamic_cast<Dependency::DependencySegment*>(d->GetSegmentList()[0]);
    auto* nc = Path<Note::NoteConnector>({{1000, 4000}, {1000, 1000}}, note.get(), seg);
    ASSERT_NE(nullptr, nc);
    EXPECT_EQ(note.get(), nc->GetEnds()[0]->GetTerminal());
    EXPECT_EQ(seg, nc->GetEnds()[1]->GetTerminal());
    const std::string xml = Save();
    const auto noteAt = xml.find("<Note "), connectorAt = xml.find("<NoteConnector "), noteEnd = xml.find("</Note>");
    ASSERT_NE(std::string::npos, connectorAt) << xml;
    EXPECT_LT(noteAt, connectorAt) << xml;
    EXPECT_LT(connectorAt, noteEnd) << xml;
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    std::ostringstream again;
    copy.SaveXML(again);
    EXPECT_EQ(xml, again.str());
}

TEST_F(Notes, DeletingANoteTakesItsTextAndConnectorsAndOneUndoBringsThemBack)
{
    auto note = NewNote({0, 5000});
    auto* nc = Path<Note::NoteConnector>({{1000, 4000}, {1000, 1000}}, note.get(), nullptr);
    ASSERT_NE(nullptr, nc);
    TextBlock::Text* text = note->GetText();
    Change([&](Core::Env& env) { note->Delete(env); });
    EXPECT_TRUE(text->IsDeleted());
    EXPECT_TRUE(nc->IsDeleted());
    EXPECT_EQ(std::string::npos, Save().find("NoteConnector"));
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_FALSE(note->IsDeleted());
    EXPECT_FALSE(text->IsDeleted());
    EXPECT_FALSE(nc->IsDeleted());
    EXPECT_EQ(note.get(), nc->GetEnds()[0]->GetTerminal());
}

TEST_F(Notes, ANoteConnectorChainOutOfOrderOrWithAForeignPartIsMalformed)
{
    const std::string good = "<Note id=\"r1\" Pos=\"0 5000\" Size=\"2000 1000\"><Text>x</Text>"
                             "<NoteConnector id=\"r2\"><End id=\"r3\" Pos=\"1000 4000\" Party=\"r1\" Type=\"1\"/>"
                             "<Segment id=\"r4\"/><End id=\"r5\" Pos=\"1000 1000\" Type=\"2\"/></NoteConnector></Note>";
    Core::Diagram d(Registry(), nullptr);
    d.LoadXML(Doc(good));
    std::size_t connectors = 0;
    for (const auto& e : d.Elements()) connectors += dynamic_cast<Note::NoteConnector*>(e.get()) != nullptr;
    EXPECT_EQ(1u, connectors);

    std::string swapped = good;
    const std::string segment = "<Segment id=\"r4\"/>";
    swapped.erase(swapped.find(segment), segment.size());
    swapped.insert(swapped.find("</NoteConnector>"), segment);
    Core::Diagram bad(Registry(), nullptr);
    EXPECT_THROW(bad.LoadXML(Doc(swapped)), Core::Exceptions::Base);
    std::string foreign = good;
    foreign.replace(foreign.find("<Segment"), 8, "<Anchor");
    Core::Diagram bad2(Registry(), nullptr);
    EXPECT_THROW(bad2.LoadXML(Doc(foreign)), Core::Exceptions::Base);
}

TEST_F(Notes, ANoteLiesInTheBoxThatHoldsItUnlessItPointsAtSomething)
{
    std::shared_ptr<Bin> bin;
    Change([&](Core::Env& env) {
        bin = Bin::Factory().CreateTyped(env);
        bin->SetPos(env, {10000, 9000});
    });
    auto note = NewNote({11000, 8000});
    EXPECT_EQ(bin.get(), note->GetContainer());
    EXPECT_TRUE(bin->ContainsContainable(*note));
    // Written inside the box and read back there.
    const std::string xml = Save();
    const auto binAt = xml.find("<TestBin "), noteAt = xml.find("<Note "), binEnd = xml.find("</TestBin>");
    EXPECT_LT(binAt, noteAt) << xml;
    EXPECT_LT(noteAt, binEnd) << xml;
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    for (const auto& e : copy.Elements())
        if (auto* n = dynamic_cast<Note::Note*>(e.get())) { EXPECT_NE(nullptr, n->GetContainer()); }

    // Moved out of the box it lies in none; undo puts it back.
    Change([&](Core::Env& env) { note->SetPos(env, {0, 8000}); });
    EXPECT_EQ(nullptr, note->GetContainer());
    EXPECT_FALSE(bin->ContainsContainable(*note));
    Undo();
    EXPECT_EQ(bin.get(), note->GetContainer());

    // A note that points at something lies in no box, even inside one.
    auto* dep = Path<Dependency::Dependency>({{-5000, 1000}, {-1000, 1000}});
    auto* nc = Path<Note::NoteConnector>({{11500, 7500}, {-3000, 1000}}, note.get(), dep->GetSegmentList()[0]);
    ASSERT_NE(nullptr, nc);
    EXPECT_EQ(nullptr, note->GetContainer());
    EXPECT_FALSE(bin->ContainsContainable(*note));
    // Its far end let go of the segment, the note lies in the box again.
    Change([&](Core::Env& env) { nc->GetEnds().back()->SetTerminal(env, nullptr); });
    EXPECT_EQ(bin.get(), note->GetContainer());
    Undo();
    Undo();
    EXPECT_EQ(bin.get(), note->GetContainer());
}

TEST_F(Notes, ANoteGoesWithACopyOfWhatItPointsAt)
{
    auto note = NewNote({0, 5000});
    auto* dep = Path<Dependency::Dependency>({{-5000, 1000}, {-1000, 1000}});
    auto* other = Path<Dependency::Dependency>({{-5000, -1000}, {-1000, -1000}});
    auto* nc = Path<Note::NoteConnector>({{500, 4500}, {-3000, 1000}}, note.get(), dep->GetSegmentList()[0]);
    ASSERT_NE(nullptr, nc);
    auto taken = [&](Core::IModelElement* selected) {
        Core::ModelElementSet selection;
        selection.Insert(selected->shared_from_this());
        return Core::CopyExtendSelection::Build(selection, diagram);
    };
    // The dependency it points at takes the note and its connector along; another does not.
    const Core::ModelElementSet withDep = taken(dep);
    EXPECT_TRUE(withDep.Contains(note.get()));
    EXPECT_TRUE(withDep.Contains(nc));
    EXPECT_FALSE(taken(other).Contains(note.get()));
    // So does a segment of its own connector.
    EXPECT_TRUE(taken(nc->GetSegmentList()[0]).Contains(note.get()));
    // A note whose connector points at nothing goes with nothing.
    auto lone = NewNote({8000, 5000});
    Path<Note::NoteConnector>({{8500, 4500}, {8500, 1000}}, lone.get(), nullptr);
    EXPECT_FALSE(taken(dep).Contains(lone.get()));
}

TEST_F(Notes, AMovedNoteTakesItsConnectorsEndOnTheNoteAlongButNotTheFarEnd)
{
    auto note = NewNote({0, 5000});
    auto* dep = Path<Dependency::Dependency>({{-5000, 1000}, {5000, 1000}});
    auto* nc = Path<Note::NoteConnector>({{500, 4000}, {500, 1000}}, note.get(), dep->GetSegmentList()[0]);
    ASSERT_NE(nullptr, nc);
    Connector::IEnd* onNote = nc->GetEnds().front();
    Connector::IEnd* far = nc->GetEnds().back();
    auto move = [&](Core::IModelElement* what, const Core::ShiftVector& v) {
        Change([&](Core::Env& env) {
            Core::ModelElementSet moved;
            moved.Insert(what->shared_from_this());
            Core::DeferredShiftSet set(moved, &diagram, nullptr);
            set.ShiftAll(env, v);
            set.ShiftDeferred(env);
        });
    };
    move(note.get(), {0, 1000, true, true});
    EXPECT_EQ(dep->GetSegmentList()[0], far->GetTerminal());
    EXPECT_EQ(1000, far->GetPosition().y) << "the far end stays on the segment";
    EXPECT_EQ(note.get(), onNote->GetTerminal());
    EXPECT_EQ(5000, onNote->GetPosition().y) << "the end on the note keeps its place on the note's bottom edge";
    // Moved together with what it points at, the whole connector moves.
    Change([&](Core::Env& env) {
        Core::ModelElementSet moved;
        moved.Insert(note);
        moved.Insert(dep->shared_from_this());
        Core::DeferredShiftSet set(moved, &diagram, nullptr);
        set.ShiftAll(env, {0, -500, true, true});
        set.ShiftDeferred(env);
    });
    EXPECT_EQ(500, far->GetPosition().y);
    EXPECT_EQ(4500, onNote->GetPosition().y);
}

namespace {
// A note with two connectors in their stored form: one bent at a join onto a dependency segment,
// one free; the end on the note names no party.
const std::string kNoteWithConnectors = R"(  <Note id="r1"
      Pos="0 5000"
      Size="2000 1000">
    <Text>x</Text>
    <NoteConnector id="r2">
      <SourceEnd id="r3"
          Pos="1000 4000"/>
      <Segment id="r4"/>
      <Join id="r5"
          Pos="1000 3000"/>
      <Segment id="r6"/>
      <End id="r7"
          Pos="4000 3000"
          Party="r21"/>
    </NoteConnector>
    <NoteConnector id="r8">
      <SourceEnd id="r9"
          Pos="2000 4500"/>
      <Segment id="r10"
          Oblique="1"/>
      <End id="r11"
          Pos="5000 2500"/>
    </NoteConnector>
  </Note>
  <Dependency id="r20">
    <End id="r22"
        Pos="4000 4000"
        Type="1"/>
    <Segment id="r21"
        Ends="r22 r23"/>
    <End id="r23"
        Pos="4000 1000"
        Type="2"/>
  </Dependency>
)";

// Checks the connectors of kNoteWithConnectors as read.
void ExpectNoteWithConnectors(const Core::Diagram& d)
{
    auto notes = HostScene::All<Note::Note>(d);
    auto connectors = HostScene::All<Note::NoteConnector>(d);
    auto segments = HostScene::All<Dependency::DependencySegment>(d);
    ASSERT_EQ(1u, notes.size());
    ASSERT_EQ(2u, connectors.size());
    ASSERT_EQ(1u, segments.size());
    EXPECT_EQ(2u, notes[0]->GetConnectors().size());
    Note::NoteConnector& bent = *connectors[0];
    Connector::IEnd* onNote = bent.GetFirstEnd();
    ASSERT_NE(nullptr, onNote);
    EXPECT_EQ(Note::NoteConnectorEnd::kOnNote, onNote->GetEndType());
    EXPECT_EQ(notes[0], onNote->GetTerminal());
    EXPECT_EQ(notes[0], bent.GetOwner());
    // The chain: source end, segment, join, segment, far end on the dependency segment.
    ASSERT_EQ(2u, bent.GetSegmentCount());
    Connector::ISegment* first = bent.GetSegmentList()[0];
    Connector::ISegment* second = bent.GetSegmentList()[1];
    ASSERT_EQ(1u, bent.GetJoinCount());
    EXPECT_EQ((Core::PtrCont<Connector::ISegmentEnd>{onNote, bent.GetJoins()[0]}), first->GetEndList());
    Connector::ISegmentEnd* far = second->OtherEnd(bent.GetJoins()[0]);
    auto* farEnd = dynamic_cast<Note::NoteConnectorEnd*>(far);
    ASSERT_NE(nullptr, farEnd);
    EXPECT_EQ(Note::NoteConnectorEnd::kFar, farEnd->GetEndType());
    EXPECT_EQ(segments[0], farEnd->GetTerminal());
    EXPECT_TRUE(first->IsVerticalOrtho());
    EXPECT_TRUE(second->IsHorizontalOrtho());
    // The other one's far end is free.
    Connector::IEnd* loose = connectors[1]->GetFirstEnd();
    ASSERT_NE(nullptr, loose);
    EXPECT_EQ(notes[0], loose->GetTerminal());
    auto* looseFar = dynamic_cast<Connector::IEnd*>(connectors[1]->GetSegmentList()[0]->OtherEnd(loose));
    ASSERT_NE(nullptr, looseFar);
    EXPECT_EQ(nullptr, looseFar->GetTerminal());
}
} // namespace

TEST_F(Notes, NoteConnectorsInTheirStoredFormReadAndWriteBackUnchanged)
{
    const std::string doc = HostScene::WrittenDoc(kNoteWithConnectors);
    Core::Diagram d(Registry(), nullptr);
    d.LoadXML(doc);
    ExpectNoteWithConnectors(d);
    EXPECT_EQ(doc, Save(d));
}

TEST_F(Notes, NoteConnectorsWithTypedEndsStillReadAndAreWrittenInTheirStoredForm)
{
    // As this program wrote them before: the end on the note an "End" of "Type" 1 naming its note.
    std::string old = kNoteWithConnectors;
    auto replace = [&](const std::string& from, const std::string& to) { old.replace(old.find(from), from.size(), to); };
    replace("<SourceEnd id=\"r3\"\n          Pos=\"1000 4000\"/>",
            "<End id=\"r3\"\n          Pos=\"1000 4000\"\n          Party=\"r1\"\n          Type=\"1\"/>");
    replace("Party=\"r21\"/>", "Party=\"r21\"\n          Type=\"2\"/>");
    replace("<SourceEnd id=\"r9\"\n          Pos=\"2000 4500\"/>",
            "<End id=\"r9\"\n          Pos=\"2000 4500\"\n          Party=\"r1\"\n          Type=\"1\"/>");
    replace("Pos=\"5000 2500\"/>", "Pos=\"5000 2500\"\n          Type=\"2\"/>");
    Core::Diagram d(Registry(), nullptr);
    d.LoadXML(HostScene::WrittenDoc(old));
    ExpectNoteWithConnectors(d);
    EXPECT_EQ(HostScene::WrittenDoc(kNoteWithConnectors), Save(d));

    std::string wrongType = old;
    wrongType.replace(wrongType.find("Type=\"2\""), 8, "Type=\"3\"");
    Core::Diagram refused(Registry(), nullptr);
    EXPECT_THROW(refused.LoadXML(HostScene::WrittenDoc(wrongType)), Core::Exceptions::AttributeOutOfRange);
}
