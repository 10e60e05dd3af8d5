// Commands of a document window that open dialogs, driven from a second thread: Import merges
// another diagram's styles as one undo step, a file that does not read is reported in a box and
// changes nothing, Diagram Style opens its editor over the document, About shows the version, Save
// Copy As of an embedded diagram proposes its container's name without the extension.
#include "Editor/AboutBox.h"
#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/tests/FactoryFixture.h"
#include "resources/resource.h"
#include "style/Model.h"

#include <dlgs.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

using EditorTest::FactoryFixture;
using EditorTest::FileNameField;
using EditorTest::TextOf;
using EditorTest::WaitFor;

// The dialog this process shows (the commands run their dialogs on the test's own thread).
HWND VisibleDialog() { return EditorTest::FindMessageBox(GetCurrentProcessId()); }

void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

Style::Font* BaseFont(Core::Diagram& model) {
    Style::Style* style = Style::Style::Find(model);
    return style && style->GetRoot() ? style->GetRoot()->GetFont() : nullptr;
}

struct DialogCommands : FactoryFixture {
    static Editor::WindowImp& WindowOf(Editor::Diagram& d) { return dynamic_cast<Editor::WindowImp&>(*d.GetWindow(0)); }

    // A diagram file whose base font is 20 points.
    std::wstring SourceFile() {
        Editor::Diagram* source = factory->NewDiagram(SW_HIDE);
        Core::Transaction t(source->GetModel());
        Core::Env env(t);
        Style::Style::FindOrCreate(env).GetRoot()->GetFont()->SetSize(env, {false, 20});
        source->GetModel().GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        const std::wstring path = folder.AddFile(L"source.qvd");
        source->SaveAs(path);
        return path;
    }

    // Runs the command while the driver reads the dialog it opens (read) and closes it with press.
    void WithDialog(Editor::Diagram& doc, UINT command, const std::function<void(HWND)>& read, int press) {
        std::thread driver([&] {
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = VisibleDialog()) != nullptr; })) return;
            read(dialog);
            Press(dialog, press);
        });
        SendMessageW(WindowOf(doc).GetHwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        driver.join();
    }

    // Runs the import command with the driver choosing file; with expectBox, answers the text of the
    // box that followed.
    std::wstring Import(Editor::WindowImp& window, const std::wstring& file, bool expectBox) {
        std::wstring boxText;
        std::atomic<bool> chosen{false};
        std::thread driver([&] {
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = VisibleDialog()) != nullptr; })) return;
            HWND field = FileNameField(dialog);
            SetWindowTextW(field, file.c_str());
            Press(dialog, IDOK);
            chosen = true;
            if (!expectBox) return;
            HWND box = nullptr;
            if (!WaitFor([&] { return (box = VisibleDialog()) != nullptr && box != dialog; })) return;
            boxText = TextOf(GetDlgItem(box, 0xFFFF));
            Press(box, IDOK);
        });
        SendMessageW(window.GetHwnd(), WM_COMMAND, MAKEWPARAM(ID_STYLES_IMPORT, 0), 0);
        driver.join();
        EXPECT_TRUE(chosen.load());
        return boxText;
    }
};

TEST_F(DialogCommands, ImportTakesAnotherDiagramsStylesAsOneUndoStep) {
    const std::wstring source = SourceFile();
    Editor::Diagram* target = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(target, nullptr);
    Core::IUndoHandler& undo = target->GetModel().GetUndoHandler();
    const size_t steps = undo.GetUndoCount();

    Import(WindowOf(*target), source, false);
    EXPECT_EQ(EditorTest::ReadBack(source).warnings, 0u) << "styles, page and type read without the load warning";
    ASSERT_NE(BaseFont(target->GetModel()), nullptr);
    EXPECT_EQ(BaseFont(target->GetModel())->GetSize().value, 20);
    EXPECT_EQ(undo.GetUndoCount(), steps + 1);
    EXPECT_TRUE(target->GetStorage().IsDirty());
}

TEST_F(DialogCommands, AFileThatDoesNotReadIsReportedAndChangesNothing) {
    const std::wstring broken = folder.AddFile(L"broken.qvd", "<Diagram");
    Editor::Diagram* target = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(target, nullptr);
    const size_t steps = target->GetModel().GetUndoHandler().GetUndoCount();

    const std::wstring text = Import(WindowOf(*target), broken, true);
    EXPECT_EQ(text.rfind(L"Quorvel UML Editor cannot open " + broken + L".\n(", 0), 0u)
        << std::string(text.begin(), text.end());
    EXPECT_EQ(target->GetModel().GetUndoHandler().GetUndoCount(), steps);
    EXPECT_FALSE(target->GetStorage().IsDirty());
}

TEST_F(DialogCommands, DiagramStyleOpensTheEditorOverTheDocument) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    std::wstring title;
    WithDialog(*doc, ID_STYLES_DIAGRAMSTYLE, [&](HWND dialog) { title = TextOf(dialog); }, IDCANCEL);
    EXPECT_EQ(title, L"Diagram Style");
    EXPECT_FALSE(doc->GetStorage().IsDirty()) << "Cancel leaves the document unchanged";
}

TEST_F(DialogCommands, AboutShowsTheVersionWithTheBuildRevision) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    std::wstring version;
    WithDialog(*doc, ID_HELP_ABOUT, [&](HWND dialog) { version = TextOf(GetDlgItem(dialog, IDC_ABOUT_VERSION)); }, IDOK);
    EXPECT_EQ(version, Editor::AboutVersionLine());
    ASSERT_EQ(version.size(), std::wstring(L"Version 1.3.4 (").size() + 12 + 1) << std::string(version.begin(), version.end());
    EXPECT_EQ(version.rfind(L"Version 1.3.4 (", 0), 0u);
    EXPECT_EQ(version.find_first_not_of(L"0123456789abcdef", 15), version.size() - 1);
    EXPECT_EQ(version.back(), L')');
}

TEST_F(DialogCommands, SaveCopyAsOfAnEmbeddedDiagramProposesTheContainersNameWithoutItsExtension) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    doc->GetStorage().SetEmbedded(true);
    const std::wstring container = folder.Path() + L"\\Quarter.report.doc";
    doc->SetName(container);
    const std::wstring copy = folder.AddFile(L"copy.qvd");
    DeleteFileW(copy.c_str());
    std::wstring proposed;
    WithDialog(*doc, ID_FILE_SAVEAS, [&](HWND dialog) {
        HWND field = FileNameField(dialog);
        proposed = TextOf(field);
        SetWindowTextW(field, copy.c_str());
    }, IDOK);
    // The dialog shows the name in the container's folder, or that folder and the name alone.
    EXPECT_TRUE(proposed == folder.Path() + L"\\Quarter.report" || proposed == L"Quarter.report")
        << std::string(proposed.begin(), proposed.end());
    EXPECT_EQ(EditorTest::ReadBack(copy).warnings, 0u) << "a copy of the diagram is written";
    EXPECT_EQ(doc->GetName(), container) << "the document stays in its container";
    EXPECT_TRUE(doc->IsEmbedded());
}

TEST(ProposedNames, ACopyDropsTheExtensionOfTheLastPartOnly) {
    EXPECT_EQ(Editor::ProposedCopyName(L"C:\\Reports\\Quarter.doc"), L"C:\\Reports\\Quarter");
    EXPECT_EQ(Editor::ProposedCopyName(L"C:\\my.reports\\Quarter"), L"C:\\my.reports\\Quarter");
    EXPECT_EQ(Editor::ProposedCopyName(L"Quarter.1.xls"), L"Quarter.1");
    EXPECT_EQ(Editor::ProposedCopyName(L"Document in Word"), L"Document in Word");
}

} // namespace
