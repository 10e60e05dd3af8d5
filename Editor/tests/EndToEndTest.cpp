// The editor driven from outside as a user would: two files open two windows with their captions, a
// later start hands its file over, the diagram type is switched, undone and redone through
// WM_COMMAND, Save As writes a file that reads back equal, Close asks the save question (answered
// here), and the window placement written on exit is where the next start opens. Ctrl+S, pressed on
// the keyboard, saves a file that another program reads, and one in a folder that allows no new file.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/StorageSupport.h"
#include "resources/resource.h"
#include "view/DiagramType.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <string>

namespace {

using namespace EditorTest;

const std::wstring kClass = L" - Quorvel - Class Diagram";
const std::wstring kObject = L" - Quorvel - Object Diagram";

bool CaptionEndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void Command(HWND window, UINT id) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Waits until the window's caption passes the check; false on timeout.
template <class F>
bool CaptionBecomes(HWND window, F check) {
    return WaitFor([&] { return check(TextOf(window)); });
}

// Saves the document of window w under path through the Save As dialog, into whose name field the
// driver types the path; succeeds once the caption names the file, unmodified.
::testing::AssertionResult SaveAsThroughDialog(Process& editor, HWND w, const std::wstring& path) {
    Command(w, ID_FILE_SAVEAS);
    HWND dialog = nullptr;
    if (!WaitFor([&] { return (dialog = FindMessageBox(editor.Id())) != nullptr; }))
        return ::testing::AssertionFailure() << "no Save As dialog";
    HWND field = FileNameField(dialog);
    if (!field) return ::testing::AssertionFailure() << "no name field";
    SetWindowTextW(field, path.c_str());
    PressButton(dialog, IDOK);
    if (!CaptionBecomes(w, [&](const std::wstring&) { return TitleNames(TitleShown(w), path) && !Modified(w); }))
        return ::testing::AssertionFailure() << "not saved as: " << TextOf(w).c_str();
    return ::testing::AssertionSuccess();
}

// Changes the diagram type of the document of window w, presses Ctrl+S on the keyboard and expects
// the document saved without an error; then Save As writes the same bytes elsewhere (copy).
void ExpectCtrlSSavesAsSaveAsDoes(Process& editor, HWND w, const std::wstring& path, const std::wstring& copy) {
    Command(w, ID_DIAGRAM_OBJECT);
    ASSERT_TRUE(WaitFor([&] { return Modified(w); })) << TextOf(w).c_str();
    ASSERT_TRUE(BringToFront(w)) << "the window did not become active";
    Key(VK_CONTROL, false);
    Key('S', false);
    Key('S', true);
    Key(VK_CONTROL, true);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return !Modified(w) || (box = FindMessageBox(editor.Id())) != nullptr; }));
    ASSERT_EQ(box, nullptr) << "error: " << TextOf(GetDlgItem(box, 0xFFFF)).c_str();
    EXPECT_TRUE(TitleNames(TitleShown(w), path));
    {
        ReadBack back(path);
        EXPECT_EQ(View::DiagramType::GetTypeOf(*back.model), View::DiagramTypeValue::Object);
    }
    const std::string saved = Bytes(path);
    ASSERT_TRUE(SaveAsThroughDialog(editor, w, copy));
    EXPECT_EQ(saved, Bytes(copy));
}

TEST(EditorEndToEnd, TwoFilesOpenTwoWindowsAndALaterStartHandsItsFileOver) {
    TempFolder folder(L"QuorvelEndToEndOpen");
    const std::wstring a = folder.AddFile(L"a.qvd");
    const std::wstring b = folder.AddFile(L"b.qvd");
    const std::wstring c = folder.AddFile(L"c.qvd");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" a.qvd b.qvd", folder.Path()));
    HWND wa = nullptr, wb = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (wa = WindowOfPath(editor.Id(), a)) && (wb = WindowOfPath(editor.Id(), b)); }));
    EXPECT_EQ(VisibleWindows(editor.Id()).size(), 2u);
    for (HWND w : {wa, wb}) EXPECT_TRUE(CaptionEndsWith(TextOf(w), kClass)) << TextOf(w).c_str();
    EXPECT_NE(wa, wb);

    Process later;
    ASSERT_TRUE(later.Start(L"\"" + EditorPath() + L"\" c.qvd", folder.Path()));
    EXPECT_EQ(later.WaitExit(kHungAfterMs), 0u);
    ASSERT_TRUE(WaitFor([&] { return WindowOfPath(editor.Id(), c) != nullptr; }));
    EXPECT_EQ(VisibleWindows(editor.Id()).size(), 3u);

    for (HWND w : VisibleWindows(editor.Id())) PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(kHungAfterMs), 0u);
}

TEST(EditorEndToEnd, UndoRedoSaveAsAndCloseWithTheSaveQuestion) {
    TempFolder folder(L"QuorvelEndToEndSave");
    const std::wstring saved = folder.AddFile(L"saved.qvd");
    DeleteFileW(saved.c_str());  // Save As makes it
    const std::wstring copy = folder.AddFile(L"copy.qvd");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\"", folder.Path()));
    HWND w = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        auto all = VisibleWindows(editor.Id());
        return all.size() == 1 && IsUntitledWindow(w = all[0]);
    }));
    const std::wstring untitled = TitleShown(w);

    Command(w, ID_DIAGRAM_OBJECT);
    ASSERT_TRUE(CaptionBecomes(w, [&](const std::wstring& t) { return t == untitled + L" *" + kObject; }))
        << TextOf(w).c_str();
    Command(w, ID_EDIT_UNDO);
    ASSERT_TRUE(CaptionBecomes(w, [&](const std::wstring& t) { return t == untitled + kClass; })) << TextOf(w).c_str();
    Command(w, ID_EDIT_REDO);
    ASSERT_TRUE(CaptionBecomes(w, [&](const std::wstring& t) { return t == untitled + L" *" + kObject; }));

    // Save As: the driver types the name into the dialog.
    ASSERT_TRUE(SaveAsThroughDialog(editor, w, saved));
    EXPECT_TRUE(CaptionEndsWith(TextOf(w), kObject)) << TextOf(w).c_str();

    // The file reads back without a load warning, as an object diagram, and writes the same bytes.
    {
        ReadBack back(saved);
        EXPECT_EQ(back.warnings, 0u);
        EXPECT_EQ(View::DiagramType::GetTypeOf(*back.model), View::DiagramTypeValue::Object);
        EXPECT_NE(back.model->FindElement(L"Page"), nullptr);
        back.storage->SaveCopy(copy);
        EXPECT_EQ(Bytes(copy), Bytes(saved));
    }

    // A new, modified diagram asks before it closes; No closes it without saving.
    Command(w, ID_FILE_NEW);
    HWND fresh = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND x : VisibleWindows(editor.Id()))
            if (x != w && IsUntitledWindow(x)) fresh = x;
        return fresh != nullptr;
    }));
    Command(fresh, ID_DIAGRAM_USECASE);
    ASSERT_TRUE(CaptionBecomes(fresh, [](const std::wstring& t) { return t.find(L" *") != std::wstring::npos; }));
    Command(fresh, ID_FILE_CLOSE);
    HWND question = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (question = FindMessageBox(editor.Id())) != nullptr; }));
    EXPECT_EQ(TextOf(GetDlgItem(question, 0xFFFF)).rfind(L"Save changes in ", 0), 0u);
    PressButton(question, IDNO);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(fresh); }));
    EXPECT_EQ(editor.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));

    PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(kHungAfterMs), 0u) << "a saved document closes without a question";
}

TEST(EditorEndToEnd, CtrlSSavesAFileAnotherProgramReadsAndTheQuestionNamesTheFullPath) {
    TempFolder folder(L"QuorvelEndToEndRead");
    const std::wstring path = folder.AddFile(L"read.qvd");
    const std::wstring copy = folder.AddFile(L"copy.qvd");
    DeleteFileW(copy.c_str());  // Save As makes it
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" read.qvd", folder.Path()));
    HWND w = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (w = WindowOfPath(editor.Id(), path)) != nullptr; }));
    Reader viewer(path);
    ASSERT_TRUE(viewer.file.IsValid());
    ASSERT_NO_FATAL_FAILURE(ExpectCtrlSSavesAsSaveAsDoes(editor, w, path, copy));

    // Closing the changed document asks with the document's full path.
    Command(w, ID_DIAGRAM_USECASE);
    ASSERT_TRUE(WaitFor([&] { return Modified(w); }));
    Command(w, ID_FILE_CLOSE);
    HWND question = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (question = FindMessageBox(editor.Id())) != nullptr; }));
    EXPECT_EQ(TextOf(GetDlgItem(question, 0xFFFF)), L"Save changes in " + copy + L" ?");
    PressButton(question, IDNO);
    EXPECT_EQ(editor.WaitExit(kHungAfterMs), 0u);
}

// Runs under small_disk.sh, which names a folder that allows no new file (an immutable folder).
TEST(EditorEndToEnd, CtrlSSavesInALockedFolder) {
    wchar_t locked[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(L"QUORVEL_LOCKED_FOLDER", locked, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) GTEST_SKIP() << "runs under small_disk.sh, which locks the folder";
    const std::wstring path = std::wstring(locked) + L"\\b.qvd";
    {
        WinUtil::FileHandle emptied(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr));
        ASSERT_TRUE(emptied.IsValid());
    }
    TempFolder elsewhere(L"QuorvelEndToEndLocked");
    const std::wstring copy = elsewhere.AddFile(L"copy.qvd");
    DeleteFileW(copy.c_str());
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" b.qvd", locked));
    HWND w = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (w = WindowOfPath(editor.Id(), path)) != nullptr; }));
    ASSERT_NO_FATAL_FAILURE(ExpectCtrlSSavesAsSaveAsDoes(editor, w, path, copy));
    EXPECT_EQ(FilesIn(locked), (std::vector<std::wstring>{L"a.qvd", L"b.qvd"}));
    PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(kHungAfterMs), 0u);
}

TEST(EditorEndToEnd, ThePlacementWrittenOnExitIsReadOnTheNextStart) {
    TempFolder folder(L"QuorvelEndToEndSettings");
    RECT placed{};
    {
        Process editor;
        ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\"", folder.Path()));
        HWND w = nullptr;
        ASSERT_TRUE(WaitFor([&] { return !VisibleWindows(editor.Id()).empty(); }));
        w = VisibleWindows(editor.Id())[0];
        SetWindowPos(w, nullptr, 137, 91, 517, 363, SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(w, &placed);
        PostMessageW(w, WM_CLOSE, 0, 0);
        ASSERT_EQ(editor.WaitExit(kHungAfterMs), 0u);
    }
    Process next;
    ASSERT_TRUE(next.Start(L"\"" + EditorPath() + L"\"", folder.Path()));
    HWND w = nullptr;
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindows(next.Id()).empty(); }));
    w = VisibleWindows(next.Id())[0];
    RECT now{};
    GetWindowRect(w, &now);
    EXPECT_EQ(now.left, placed.left);
    EXPECT_EQ(now.top, placed.top);
    EXPECT_EQ(now.right - now.left, placed.right - placed.left);
    EXPECT_EQ(now.bottom - now.top, placed.bottom - placed.top);
    PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(next.WaitExit(kHungAfterMs), 0u);
}

} // namespace
