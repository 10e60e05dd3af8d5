// What the editor's own copy puts on the clipboard, as a second process of ours sees it: the formats
// in the order of the editor's format table, whether listed through OLE or the plain clipboard; the EMF
// plays and the PNG decodes to a picture of the copied note with a 2 mm border, "Embed Source" reads
// back as a diagram with the note, and the "Embed Source" the other process puts back pastes.
#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/TransferFormats.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/transfer/HelperProcess.h"
#include "app/DragData.h"
#include "app/winutil/ClipFormat.h"
#include "elements/note/Note.h"
#include "text/win/UniscribeSetup.h"
#include "view/CopyPaste.h"

#include <algorithm>
#include <cmath>

namespace {

// A length of 0.01 mm in pixels at 96 dots per inch.
double Pixels(double length) { return length * 96 / 2540; }

struct EditorClipboard : EditorTest::FactoryFixture {
    EditorClipboard() { TextBlock::InstallUniscribeMeasurer(); }
    // The editor's factory installs its picture maker for every handler made afterwards.
    ~EditorClipboard() override { Editor::TransferSetFormatHandler::SetDefaultPictureMaker({}); }

    static Editor::WindowImp& WindowOf(Editor::Diagram& d) { return dynamic_cast<Editor::WindowImp&>(*d.GetWindow(0)); }
    static std::vector<Note::Note*> Notes(Editor::Diagram& d) {
        std::vector<Note::Note*> out;
        for (const auto& e : d.GetModel().Elements())
            if (auto* n = dynamic_cast<Note::Note*>(e.get()); n && !n->IsDeleted()) out.push_back(n);
        return out;
    }
    // Runs the command in the document's window once it is enabled there.
    static bool Run(Editor::Diagram& d, UINT command) {
        WindowOf(d).GetActiveDiagramView().SetActive(true);
        Application::IWinCommander& commander = WindowOf(d).GetCommander();
        const DWORD deadline = GetTickCount() + 2000;
        while (!commander.IsEnabled(command)) {
            if (GetTickCount() > deadline) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        const bool done = commander.Execute({command, 0, nullptr});
        WindowOf(d).GetActiveDiagramView().SetActive(false);
        return done;
    }
};

// Expects the ink of a picture ("<ink> <left> <top> <right> <bottom>" from the first number on) to
// be the outline of the note: inside the border, as wide and as high as the note.
void ExpectTheNotesInk(const std::vector<long>& n, size_t first, const zq::Point& size)
{
    ASSERT_GE(n.size(), first + 5);
    const long left = n[first + 1], top = n[first + 2], right = n[first + 3], bottom = n[first + 4];
    EXPECT_GT(n[first], long(Pixels(size.x + size.y))) << "at least the note's outline";
    EXPECT_NEAR(left, Pixels(Editor::TransferSetFormatHandler::kPictureBorder), 3);
    EXPECT_NEAR(top, Pixels(Editor::TransferSetFormatHandler::kPictureBorder), 3);
    EXPECT_NEAR(right - left, Pixels(size.x), 3);
    EXPECT_NEAR(bottom - top, Pixels(size.y), 3);
}

TEST_F(EditorClipboard, ASecondProcessReadsTheCopiedNotesPicturesAndEmbedSourceAndWhatItPutsBackPastes)
{
    // A note of 50 x 35 mm whose top-left corner is at (10, -10) mm.
    const zq::Point size{5000, 3500};
    Editor::Diagram& source = *factory->NewDiagram(SW_HIDE);
    {
        Core::Transaction t(source.GetModel());
        Core::Env env(t);
        auto note = Note::Note::Create(env, {1000, -1000});
        note->SetRect(env, zq::Rect::FromPosSize({1000, -1000}, size.x, size.y));
        source.GetModel().GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    ASSERT_EQ(Notes(source).size(), 1u);
    Notes(source)[0]->SelectInView(WindowOf(source).GetActiveDiagramView(), true);
    ASSERT_TRUE(Run(source, View::kCmdCopy));

    TransferTest::HelperProcess helper;
    ASSERT_TRUE(helper.Start(Application::GetReferenceIdClipFormat()));
    auto report = helper.Report();

    // Programs take the first format they understand: both lists offer the pictures first, then
    // "Embed Source" with its descriptor, and the private formats last.
    const std::vector<long> table = {CF_ENHMETAFILE,
                                     CF_METAFILEPICT,
                                     WinUtil::GetEmbedSourceClipFormat(),
                                     WinUtil::GetPngClipFormat(),
                                     WinUtil::GetObjectDescriptorClipFormat(),
                                     Application::GetTransferSetClipFormat(),
                                     Application::GetReferenceIdClipFormat()};
    for (const char* list : {"order", "clipboard"}) {
        std::vector<long> ours;
        for (long format : report[list])
            if (std::find(table.begin(), table.end(), format) != table.end()) ours.push_back(format);
        EXPECT_EQ(ours, table) << "as " << list << " lists them";
    }

    // The EMF's frame is the note with the border on every side.
    const std::vector<long>& emf = report["emf"];
    ASSERT_EQ(emf.size(), 9u) << "the EMF could not be read";
    const long border = 2 * Editor::TransferSetFormatHandler::kPictureBorder;
    EXPECT_EQ(emf[0], size.x + border);
    EXPECT_EQ(emf[1], size.y + border);
    ExpectTheNotesInk(emf, 4, size);
    // The PNG is the same picture at 96 dots per inch.
    const std::vector<long>& png = report["png"];
    ASSERT_EQ(png.size(), 7u) << "the PNG could not be decoded";
    EXPECT_NEAR(png[0], Pixels(emf[0]), 1);
    EXPECT_NEAR(png[1], Pixels(emf[1]), 1);
    ExpectTheNotesInk(png, 2, size);
    // "Embed Source" is a diagram holding the note.
    const std::vector<long>& embed = report["embed"];
    ASSERT_EQ(embed.size(), 2u) << "the storage could not be read as a diagram";
    EXPECT_EQ(embed[0], 1);

    // The helper's own "Embed Source" pastes into another document as one undo step.
    Editor::Diagram& target = *factory->NewDiagram(SW_HIDE);
    const size_t undos = target.GetModel().GetUndoHandler().GetUndoCount();
    ASSERT_TRUE(Run(target, View::kCmdPaste));
    const auto pasted = Notes(target);
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0]->GetSize(), size);
    EXPECT_EQ(target.GetModel().GetUndoHandler().GetUndoCount(), undos + 1);
    EXPECT_EQ(helper.Finish(), 0);
}

} // namespace
