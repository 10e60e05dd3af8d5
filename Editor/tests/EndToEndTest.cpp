// The editor driven from outside as a user would: two files open two windows with their captions, a
// later start hands its file over, the diagram type is switched, undone and redone through
// WM_COMMAND, Save As writes a file that reads back equal, Close asks the save question (answered
// here), and the window placement written on exit is where the next start opens.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"
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
    EXPECT_EQ(later.WaitExit(15000), 0u);
    ASSERT_TRUE(WaitFor([&] { return WindowOfPath(editor.Id(), c) != nullptr; }));
    EXPECT_EQ(VisibleWindows(editor.Id()).size(), 3u);

    for (HWND w : VisibleWindows(editor.Id())) PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(15000), 0u);
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
    Command(w, ID_FILE_SAVEAS);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(editor.Id())) != nullptr; }));
    HWND field = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    ASSERT_NE(field, nullptr);
    SetWindowTextW(field, saved.c_str());
    PressButton(dialog, IDOK);
    ASSERT_TRUE(CaptionBecomes(w, [&](const std::wstring& t) {
        return TitleNames(TitleShown(w), saved) && t.find(L'*') == std::wstring::npos && CaptionEndsWith(t, kObject);
    })) << TextOf(w).c_str();

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
    EXPECT_EQ(editor.WaitExit(15000), 0u) << "a saved document closes without a question";
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
        ASSERT_EQ(editor.WaitExit(15000), 0u);
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
    EXPECT_EQ(next.WaitExit(15000), 0u);
}

} // namespace
