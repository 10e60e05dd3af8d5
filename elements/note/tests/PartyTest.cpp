// What a note connector's ends may lie on: the note end on notes only; the far end on free texts
// and the segments of other connectors, never on a note nor on its own connector.
#include "elements/note/Note.h"
#include "elements/note/tests/NoteScene.h"

#include "text/free/FreeText.h"
#include "text/tests/FixedMeasurer.h"

using namespace NoteTest;
using Note::NoteConnectorEnd;

namespace {
struct Parties : Scene {
    Parties() {
        TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>());
        Change([&](Core::Env& env) {
            note = Note::Note::Create(env, {0, 6000});
            text = Text::FreeText::Create(env, nullptr, {4000, 3000}, L"remark", Text::OriginTopLeft);
        });
    }
    NoteConnectorEnd* Far(Note::NoteConnector& c) { return dynamic_cast<NoteConnectorEnd*>(c.GetEnds().back()); }
    // A point on the free text's top edge.
    zq::float8Point OnText() const { return {text->GetBox().left + 100.0, double(text->GetBox().top)}; }

    std::shared_ptr<Note::Note> note;
    std::shared_ptr<Text::FreeText> text;
};
} // namespace

TEST_F(Parties, ANoteConnectorToAFreeTextFollowsItGoesWithItAndIsReadBack)
{
    auto* nc = Path<Note::NoteConnector>({{500, 5000}, OnText()}, note.get(), text.get());
    ASSERT_NE(nullptr, nc);
    NoteConnectorEnd* far = Far(*nc);
    EXPECT_EQ(text.get(), far->GetTerminal());
    EXPECT_TRUE(text->Contains(far));

    // Read back, the text lists the end again.
    const std::string xml = Save();
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    std::size_t listed = 0;
    for (const auto& e : copy.Elements())
        if (auto* t = dynamic_cast<Text::FreeText*>(e.get())) listed += t->GetPartners().size();
    EXPECT_EQ(1u, listed);

    // The end follows the moved text.
    const zq::float8Point before = far->GetPosition();
    Change([&](Core::Env& env) {
        Core::ModelElementSet moved;
        moved.Insert(text);
        Core::DeferredShiftSet set(moved, &diagram, nullptr);
        set.ShiftAll(env, {300, -200, true, true});
        set.ShiftDeferred(env);
    });
    EXPECT_EQ(before.y - 200, far->GetPosition().y) << "on the moved top edge";
    EXPECT_GE(far->GetPosition().x, text->GetBox().left);
    EXPECT_LE(far->GetPosition().x, text->GetBox().right);

    // Deleting the text takes the note connector along; undo brings both back, attached.
    Change([&](Core::Env& env) { text->Delete(env); });
    EXPECT_TRUE(nc->IsDeleted());
    EXPECT_EQ(std::string::npos, Save().find("NoteConnector"));
    Undo();
    EXPECT_FALSE(nc->IsDeleted());
    EXPECT_TRUE(text->Contains(far));
}

TEST_F(Parties, TheFarEndTakesOtherConnectorsSegmentsButNeitherNotesNorItsOwnConnector)
{
    auto* first = Path<Note::NoteConnector>({{500, 5000}, {500, 1000}}, note.get(), nullptr);
    auto* own = first->GetSegmentList()[0];
    NoteConnectorEnd* far = Far(*first);
    std::shared_ptr<Note::Note> other;
    Change([&](Core::Env& env) { other = Note::Note::Create(env, {6000, 6000}); });
    auto* dep = Path<Dependency::Dependency>({{0, 0}, {3000, 0}});

    EXPECT_FALSE(far->AcceptsTerminal(other.get())) << "a note is no party";
    EXPECT_FALSE(far->AcceptsTerminal(own)) << "nor its own segment";
    EXPECT_FALSE(far->AcceptsTerminal(a.get())) << "nor a box that takes no note ends";
    EXPECT_TRUE(far->AcceptsTerminal(dep->GetSegmentList()[0]));
    EXPECT_TRUE(far->AcceptsTerminal(text.get()));
    NoteConnectorEnd* onNote = dynamic_cast<NoteConnectorEnd*>(first->GetEnds().front());
    EXPECT_TRUE(onNote->AcceptsTerminal(other.get()));
    EXPECT_FALSE(onNote->AcceptsTerminal(text.get())) << "the end on the note lies on notes only";
    EXPECT_FALSE(onNote->AcceptsTerminal(dep->GetSegmentList()[0]));
    // The filter of a new note connector takes parties alone.
    EXPECT_TRUE(Note::NoteConnectorTargets().Accept(own));
    EXPECT_FALSE(Note::NoteConnectorTargets().Accept(other.get()));
    EXPECT_FALSE(Note::NoteConnectorTargets().Accept(a.get()));
    Change([&](Core::Env& env) { EXPECT_FALSE(far->AttachTo(env, other.get())); });
    EXPECT_EQ(nullptr, far->GetTerminal());

    // A second note points at the first connector's segment; it is listed there and read back.
    auto* second = Path<Note::NoteConnector>({{7000, 5000}, {500, 3000}}, other.get(), own);
    ASSERT_NE(nullptr, second);
    auto* segment = dynamic_cast<Note::NoteConnectorSegment*>(own);
    EXPECT_TRUE(segment->Contains(Far(*second)));
    EXPECT_EQ(own, Far(*second)->GetTerminal());
    const std::string xml = Save();
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    std::ostringstream again;
    copy.SaveXML(again);
    EXPECT_EQ(xml, again.str());
    std::size_t listed = 0;
    for (const auto& e : copy.Elements())
        if (auto* s = dynamic_cast<Note::NoteConnectorSegment*>(e.get())) listed += s->GetAttachedEnds().size();
    EXPECT_EQ(1u, listed);
}

// A far end must name a party: a note or a join is the wrong kind of element, refused at the line
// of the end; another note connector's segment is a party.
TEST_F(Parties, AStoredFarEndOnANoteOrAJoinIsATypeMismatchAtItsEnd)
{
    const std::string doc = "<Note id=\"r1\" Pos=\"0 5000\" Size=\"2000 1000\"><Text>x</Text>\n"
                            "<NoteConnector id=\"r2\"><End id=\"r3\" Pos=\"1000 4000\" Party=\"r1\" Type=\"1\"/>\n"
                            "<Segment id=\"r4\"/>\n"
                            "<End id=\"r5\" Pos=\"1000 1000\" Party=\"r6\" Type=\"2\"/></NoteConnector></Note>\n"
                            "<Note id=\"r6\" Pos=\"0 1500\" Size=\"2000 1000\"><Text>y</Text>\n"
                            "<NoteConnector id=\"r20\"><SourceEnd id=\"r21\" Pos=\"1000 500\"/><Segment id=\"r22\"/>"
                            "<Join id=\"r23\" Pos=\"1000 0\"/><Segment id=\"r24\"/><End id=\"r25\" Pos=\"3000 0\"/>"
                            "</NoteConnector></Note>\n";
    auto party = [&](const std::string& id) {
        std::string s = doc;
        s.replace(s.find("Party=\"r6\""), 10, "Party=\"" + id + "\"");
        return Doc(s);
    };
    using Mismatch = Core::Exceptions::TypeMismatchOfRestoredObject;
    EXPECT_EQ(HostScene::RefusalOf<Mismatch>(Registry(), Doc(doc)), "line 6: type mismatch of restored object");
    EXPECT_EQ(HostScene::RefusalOf<Mismatch>(Registry(), party("r23")), "line 6: type mismatch of restored object");
    EXPECT_EQ(HostScene::RefusalOf<Mismatch>(Registry(), party("r22")), "read");
}
