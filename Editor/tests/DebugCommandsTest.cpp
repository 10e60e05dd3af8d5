// The debug commands of a document window: the canvas test writes its two metafiles and shows its
// scene on the pane, the second run takes the scene away without writing; createEMF writes the
// diagram; the diagnostics run without effect; the association scenes build classes and connectors.
#include "Editor/DebugCommands.h"
#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/StyledTestBox.h"
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "resources/resource.h"
#include "text/win/UniscribeSetup.h"

#include <set>

#include <cstdio>

namespace {

template <class T>
std::vector<T*> Live(Core::Diagram& diagram) {
    std::vector<T*> out;
    for (const auto& e : diagram.Elements())
        if (auto* t = dynamic_cast<T*>(e.get()); t != nullptr && !t->IsDeleted()) out.push_back(t);
    return out;
}

std::string ReadFile(const std::wstring& path) {
    std::string text;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
        fclose(file);
    }
    return text;
}

std::wstring Description(const std::wstring& path) {
    HENHMETAFILE emf = GetEnhMetaFileW(path.c_str());
    if (!emf) return {};
    std::wstring text(GetEnhMetaFileDescriptionW(emf, 0, nullptr), L'\0');
    GetEnhMetaFileDescriptionW(emf, static_cast<UINT>(text.size()), text.data());
    DeleteEnhMetaFile(emf);
    return text;
}

unsigned RecordCount(const std::wstring& path) {
    HENHMETAFILE emf = GetEnhMetaFileW(path.c_str());
    if (!emf) return 0;
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(emf, sizeof header, &header);
    DeleteEnhMetaFile(emf);
    return header.nRecords;
}

// The test's files go to a folder of their own: the commands write into the current directory.
struct DebugCommandsFixture : EditorTest::FactoryFixture {
    wchar_t previous[MAX_PATH] = L"";
    void SetUp() override {
        // Class boxes measure their names, as in the editor, which installs the measurer at start.
        TextBlock::InstallUniscribeMeasurer();
        GetCurrentDirectoryW(MAX_PATH, previous);
        SetCurrentDirectoryW(folder.Path().c_str());
    }
    void TearDown() override {
        // The readers test opens the files in LibreOffice: it names a folder to keep them in.
        wchar_t keep[MAX_PATH] = L"";
        const bool keeping = GetEnvironmentVariableW(L"QUORVEL_DEBUG_FILES", keep, MAX_PATH) > 0;
        for (const wchar_t* name : {L"canvasTest.emf", L"canvasTest.wmf", L"UMLdiagram.emf"}) {
            if (keeping) CopyFileW(name, (std::wstring(keep) + L"\\" + name).c_str(), FALSE);
            DeleteFileW(name);
        }
        SetCurrentDirectoryW(previous);
    }
    static void Command(Editor::WindowImp& w, UINT id) { SendMessageW(w.GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
};

TEST_F(DebugCommandsFixture, CanvasTestWritesBothMetafilesAndTogglesItsScene) {
    Editor::Diagram* doc = factory->NewDiagram(SW_SHOWNORMAL);
    ASSERT_NE(doc, nullptr);
    auto& w = dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(0));

    Command(w, ID_DEBUG_CANVASTEST);
    EXPECT_TRUE(w.GetDebugCommands().IsCanvasTestShown());
    EXPECT_EQ(Description(L"canvasTest.emf"), std::wstring(L"Quorvel\0Canvas Test\0\0", 21));
    EXPECT_GT(RecordCount(L"canvasTest.emf"), 40u) << "the scene's 50 and more shapes";
    const std::string wmf = ReadFile(L"canvasTest.wmf");
    ASSERT_GT(wmf.size(), 22u);
    EXPECT_EQ(static_cast<unsigned char>(wmf[0]), 0xD7u);
    EXPECT_EQ(static_cast<unsigned char>(wmf[3]), 0x9Au) << "the placeable header's key";

    DeleteFileW(L"canvasTest.emf");
    DeleteFileW(L"canvasTest.wmf");
    Command(w, ID_DEBUG_CANVASTEST);
    EXPECT_FALSE(w.GetDebugCommands().IsCanvasTestShown());
    EXPECT_EQ(GetFileAttributesW(L"canvasTest.emf"), INVALID_FILE_ATTRIBUTES) << "the second run only takes it away";

    // Shown again, the scene goes with its window.
    Command(w, ID_DEBUG_CANVASTEST);
    EXPECT_TRUE(w.GetDebugCommands().IsCanvasTestShown());
    for (UINT id : {ID_DEBUG_DUMPELEMENTS, ID_DEBUG_CHECKELEMENTS, ID_DEBUG_DUMPLIFETIME}) Command(w, id);
    SendMessageW(w.GetHwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(doc->GetWindowCount(), 0);
}

TEST_F(DebugCommandsFixture, CreateEmfWritesTheDiagramWithItsElements) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    auto& w = dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(0));
    Command(w, ID_DEBUG_CREATEEMF);
    EXPECT_EQ(Description(L"UMLdiagram.emf"), std::wstring(L"Quorvel\0Test\0\0", 14));
    const unsigned empty = RecordCount(L"UMLdiagram.emf");

    // The picture is taken while the view still draws the elements.
    {
        Core::Transaction t(doc->GetModel());
        Core::Env env(t);
        EditorTest::StyledBox::Create(env, {0, 0});
        doc->GetModel().GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    Command(w, ID_DEBUG_CREATEEMF);
    EXPECT_GT(RecordCount(L"UMLdiagram.emf"), empty);
}

TEST_F(DebugCommandsFixture, TheCellsAreOneUndoStepEachAndASecondRunAddsAnotherHundred) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    auto& w = dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(0));
    Core::Diagram& model = doc->GetModel();

    Command(w, ID_DEBUG_TESTA6);
    ASSERT_EQ(Live<Class::Class>(model).size(), 100u);
    for (Class::Assoc* a : Live<Class::Assoc>(model)) {
        ASSERT_EQ(a->GetEndCount(), 2u);
        EXPECT_EQ(a->GetJoinCount(), 2u);
        EXPECT_EQ(a->GetSegmentCount(), 3u);
        Core::IModelElement* c = a->GetEnds().at(0)->GetTerminal();
        EXPECT_NE(dynamic_cast<Class::Class*>(c), nullptr);
        EXPECT_EQ(a->GetEnds().at(1)->GetTerminal(), c) << "the loop starts and ends on its class";
    }
    EXPECT_EQ(Live<Class::Assoc>(model).size(), 100u);

    Command(w, ID_EDIT_UNDO);
    EXPECT_EQ(Live<Class::Class>(model).size(), 99u) << "one cell per undo step";
    Command(w, ID_EDIT_REDO);
    Command(w, ID_DEBUG_TESTA6);
    EXPECT_EQ(Live<Class::Class>(model).size(), 200u);
    EXPECT_EQ(Live<Class::Assoc>(model).size(), 200u);
}

TEST_F(DebugCommandsFixture, TheTreeJoinsTenClassesWithOneAssociationInOneUndoStep) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    auto& w = dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(0));
    Core::Diagram& model = doc->GetModel();

    Command(w, ID_DEBUG_TEST7);
    const std::vector<Class::Class*> classes = Live<Class::Class>(model);
    ASSERT_EQ(classes.size(), 10u);
    std::set<std::wstring> names;
    for (Class::Class* c : classes) names.insert(c->GetName());
    EXPECT_EQ(names.count(L"Header"), 1u);
    EXPECT_EQ(names.count(L"Class 10"), 1u);
    EXPECT_EQ(names.size(), 10u);

    const std::vector<Class::Assoc*> trees = Live<Class::Assoc>(model);
    ASSERT_EQ(trees.size(), 1u);
    EXPECT_EQ(trees[0]->GetEndCount(), 10u);
    EXPECT_EQ(trees[0]->GetJoinCount(), 9u);
    EXPECT_EQ(trees[0]->GetSegmentCount(), 18u);
    std::set<Core::IModelElement*> attached;
    for (Connector::IEnd* e : trees[0]->GetEnds()) attached.insert(e->GetTerminal());
    EXPECT_EQ(attached.size(), 10u) << "one end on each class";
    EXPECT_EQ(attached.count(nullptr), 0u);

    Command(w, ID_EDIT_UNDO);
    EXPECT_TRUE(Live<Class::Class>(model).empty());
    EXPECT_TRUE(Live<Class::Assoc>(model).empty());
}

} // namespace
