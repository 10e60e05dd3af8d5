// Notes, note connectors and texts on dependency segments in a real view window under Wine,
// driven by commands and posted input: one undo step per gesture, and the document read back
// as it was written.
#include "elements/note/tests/NoteScene.h"
#include "elements/note/win/Views.h"

#include "core/DefaultGrid.h"
#include "text/edit/AnchoredTextCmd.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/CmdHandler.h"
#include "view/connector/win/Commands.h"
#include "style/Model.h"
#include "view/tests/ElementWindow.h"

namespace {

void Install() {
    TextBlock::InstallUniscribeMeasurer();
    TextBlock::RegisterTextViews();
    Note::RegisterNoteViews();
}

class NoteWindow : public ViewTest::ElementWindowTest {
protected:
    NoteWindow() : ElementWindowTest(NoteTest::Registry(), &Install) {}
};

TEST_F(NoteWindow, NewNoteByCommandThenTypedTextGrowsItEachOneUndoStep)
{
    View::StdCreateCmdHandler handler(w.Task(), Note::kNewNoteCommand,
                                      [](Core::Env& env, const zq::Point& p) -> Core::ElementPtr {
                                          return Note::Note::Create(env, p);
                                      });
    const size_t undo = Steps();
    ASSERT_TRUE(Run(Note::kNewNoteCommand, {1000, 5000}));
    w.Pump();
    ASSERT_EQ(1u, Live<Note::Note>().size());
    Note::Note* note = Live<Note::Note>().front();
    EXPECT_EQ(Steps(), undo + 1);
    EXPECT_EQ(L"<text?>", note->GetText()->GetName());
    EXPECT_NE(nullptr, dynamic_cast<Note::VNote*>(note->FindViewElement(*w.view)));
    const zq::Point size = note->GetSize();

    note->SelectInView(*w.view, true);
    w.Pump();
    Type(u"a remark long enough to need more lines than the note has room for");
    Escape();
    EXPECT_EQ(Steps(), undo + 2);
    EXPECT_NE(std::wstring::npos, note->GetText()->GetName().find(L"a remark"));
    EXPECT_GT(note->GetSize().y, size.y);
    EXPECT_EQ(note->GetPos().y, 5000);  // the top edge stays
    w.Undo();
    EXPECT_EQ(size, note->GetSize());
}

TEST_F(NoteWindow, NoteConnectorToADependencySegmentAndATextOnItAreSavedAndReadBack)
{
    std::shared_ptr<Note::Note> note;
    Dependency::Dependency* dep = nullptr;
    Change([&](Core::Env& env) {
        note = Note::Note::Create(env, {3000, 5500});
        std::vector<Connector::PathEntry> path{{{1000, 2000}, true}, {{7000, 2000}, true}};
        dep = dynamic_cast<Dependency::Dependency*>(
            Connector::BuildPathConnector(env, Dependency::Dependency::PartFactory(), path, nullptr, nullptr, nullptr));
    });
    ASSERT_NE(nullptr, dep);
    auto* seg = dynamic_cast<Dependency::DependencySegment*>(dep->GetSegmentList()[0]);

    // "New C&onnector" from the note, then a click on the dependency's segment.
    Connector::CreateConnectorCmdHandler connect(w.Task(), Note::kNewConnectorCommand, Note::NoteConnector::PartFactory());
    size_t undo = Steps();
    ASSERT_TRUE(Run(Note::kNewConnectorCommand, {4000, 5000}));
    Click({4000, 2000});
    ASSERT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(Steps(), undo + 1);
    ASSERT_EQ(1u, Live<Note::NoteConnector>().size());
    Note::NoteConnector* nc = Live<Note::NoteConnector>().front();
    EXPECT_EQ(note.get(), nc->GetEnds().front()->GetTerminal());
    EXPECT_EQ(seg, nc->GetEnds().back()->GetTerminal());
    EXPECT_EQ(1u, seg->GetAttachedEnds().size());

    // "New Te&xt" on the segment.
    Text::CreateAnchoredTextCmdHandler text(w.Task(), Note::kNewTextCommand, *seg, L"<name?>");
    undo = Steps();
    ASSERT_TRUE(Run(Note::kNewTextCommand, {5500, 2300}));
    w.Pump();
    EXPECT_EQ(Steps(), undo + 1);
    ASSERT_EQ(1u, seg->GetAnchors().size());
    EXPECT_EQ(zq::float8Point(5500, 2000), seg->GetAnchors()[0]->GetPos());

    const std::string xml = Saved(diagram);
    Core::Diagram copy(NoteTest::Registry(), nullptr);
    copy.LoadXML(xml);
    EXPECT_EQ(xml, Saved(copy));
}

TEST_F(NoteWindow, DependenciesAndNoteConnectorsAreDashedAndANoteShowsItsElementStylesFill)
{
    std::shared_ptr<Note::Note> note;
    Change([&](Core::Env& env) {
        note = Note::Note::Create(env, {1000, 5500});
        std::vector<Connector::PathEntry> path{{{1000, 2000}, true}, {{7000, 2000}, true}};
        Connector::BuildPathConnector(env, Dependency::Dependency::PartFactory(), path, nullptr, nullptr, nullptr);
        std::vector<Connector::PathEntry> chain{{{6000, 5500}, true}, {{6000, 3000}, true}};
        Connector::BuildPathConnector(env, Note::NoteConnector::PartFactory(), chain, nullptr, nullptr, nullptr);
    });
    // Long enough runs of the lines: dashes leave gaps, but most of the run is drawn.
    const int length = w.At({6000, 2000}).x - w.At({2000, 2000}).x + 1;
    const int dependency = DarkOnLine({2000, 2000}, {6000, 2000}, true);
    EXPECT_GT(dependency, length / 3) << "the dependency is drawn";
    EXPECT_LT(dependency, length - 3) << "with gaps";
    const int run = w.At({6000, 3500}).y - w.At({6000, 5000}).y + 1;
    const int chain = DarkOnLine({6000, 5000}, {6000, 3500}, true);
    EXPECT_GT(chain, run / 3);
    EXPECT_LT(chain, run - 3);
    // The note's border is solid.
    const zq::Rect r = note->GetRect();
    EXPECT_EQ(DarkOnLine({r.left, r.bottom}, {r.right, r.bottom}, true), w.At({r.right, r.bottom}).x - w.At({r.left, r.bottom}).x + 1);

    // Without an element style the note is not filled; with one whose colour is set it is.
    const zq::Point inside{r.left + 300, r.bottom + 100};
    EXPECT_EQ(RGB(255, 255, 255), PixelAt(inside));
    Change([&](Core::Env& env) {
        Style::Style& style = Style::Style::FindOrCreate(env);
        Style::ElementStyle& warm = Style::ElementStyle::Create(env, style, L"Warm");
        style.AddElementStyle(env, warm);
        const zq::Color c(250, 200, 100);
        warm.SetFillColor(env, &c);
        note->SetElementStyle(env, L"Warm");
    });
    EXPECT_EQ(RGB(250, 200, 100), PixelAt(inside));
    Change([&](Core::Env& env) { note->SetElementStyle(env, L"Missing"); });
    EXPECT_EQ(RGB(255, 255, 255), PixelAt(inside));
}

TEST_F(NoteWindow, ANoteChangedInAPendingChangeShowsADashedOutlineOverItsLastDrawing)
{
    std::shared_ptr<Note::Note> note;
    Change([&](Core::Env& env) { note = Note::Note::Create(env, {1000, 5500}); });
    auto* view = dynamic_cast<Note::VNote*>(note->FindViewElement(*w.view));
    ASSERT_NE(nullptr, view);
    w.view->ProcessUpdates();
    const size_t full = view->ShapeCount();
    EXPECT_EQ(0u, view->OutlineCount());
    {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        note->SetPos(env, {2000, 5000});
        note->UpdateViewElements();
        w.view->ProcessUpdates();
        EXPECT_EQ(full, view->ShapeCount()) << "the drawing keeps its last state";
        EXPECT_EQ(5u, view->OutlineCount()) << "a dashed rectangle and four corner markers";
        t.Abort();
    }
    note->UpdateViewElements();
    w.view->ProcessUpdates();
    EXPECT_EQ(0u, view->OutlineCount());
    EXPECT_EQ(full, view->ShapeCount());
}

} // namespace
