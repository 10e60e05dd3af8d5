// The editor started with documents: one window per document, File > New and File > Close
// through the menu commands, documents handed over by later starts, and the end with the last window.
#include "Editor/tests/EditorWindows.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace EditorTest;

const std::wstring kSuffix = L" - Quorvel - Class Diagram";

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(DocumentWindows, OneWindowPerDocumentNewAndCloseCommandsEndWithTheLast) {
    TempFolder folder(L"QuorvelDocuments");
    const std::wstring one = folder.AddFile(L"one.qvd");
    const std::wstring two = folder.AddFile(L"two words.qvd");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" one.qvd \"two words.qvd\"", folder.Path()));
    HWND first = nullptr, second = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        first = WindowOfPath(editor.Id(), one);
        second = WindowOfPath(editor.Id(), two);
        return first && second;
    })) << "the two document windows did not appear";
    EXPECT_EQ(VisibleWindows(editor.Id()).size(), 2u);
    EXPECT_EQ(TextOf(first).rfind(L"one", 0), 0u) << "caption starts with the file's title";
    EXPECT_TRUE(EndsWith(TextOf(first), kSuffix));
    EXPECT_EQ(TextOf(second).rfind(L"two words", 0), 0u);
    EXPECT_NE(GetMenu(first), GetMenu(second)) << "each window has a menu bar of its own";

    // File > New opens a third, untitled window.
    PostMessageW(first, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 0), 0);
    HWND untitled = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        std::vector<HWND> all = VisibleWindows(editor.Id());
        auto it = std::find_if(all.begin(), all.end(), [](HWND w) { return IsUntitledWindow(w); });
        untitled = it == all.end() ? nullptr : *it;
        return all.size() == 3 && untitled;
    }));
    EXPECT_TRUE(EndsWith(TextOf(untitled), kSuffix));

    // File > Close closes that window's document only.
    PostMessageW(second, WM_COMMAND, MAKEWPARAM(ID_FILE_CLOSE, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(second); }));
    EXPECT_EQ(VisibleWindows(editor.Id()).size(), 2u);
    EXPECT_EQ(editor.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));

    PostMessageW(untitled, WM_COMMAND, MAKEWPARAM(ID_FILE_CLOSE, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(untitled); }));
    EXPECT_EQ(editor.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    PostMessageW(first, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(15000), 0u);
}

TEST(DocumentWindows, HandedOverDocumentsOpenOnceAndFindTheirExtension) {
    TempFolder folder(L"QuorvelHandedDocuments");
    const std::wstring plan = folder.AddFile(L"plan.qvd");
    folder.AddFile(L"a.qvd");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" a.qvd", folder.Path()));
    HWND a = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (a = WindowOfPath(editor.Id(), folder.Path() + L"\\a.qvd")); }));

    // The same document again (in other case) brings its window forward instead of a second one;
    // a name without extension finds the diagram file.
    for (const wchar_t* argument : {L" A.QVD", L" plan"}) {
        Process later;
        ASSERT_TRUE(later.Start(L"\"" + EditorPath() + L"\"" + argument, folder.Path()));
        EXPECT_EQ(later.WaitExit(15000), 0u) << argument;
    }
    ASSERT_TRUE(WaitFor([&] { return WindowOfPath(editor.Id(), plan) != nullptr; }));
    EXPECT_EQ(VisibleWindows(editor.Id()).size(), 2u);

    for (HWND hwnd : VisibleWindows(editor.Id())) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(15000), 0u);
}

// The untitled window of the process that is not in known, or null.
HWND NewUntitled(DWORD pid, const std::vector<HWND>& known) {
    for (HWND hwnd : VisibleWindows(pid))
        if (IsUntitledWindow(hwnd) && std::find(known.begin(), known.end(), hwnd) == known.end()) return hwnd;
    return nullptr;
}

RECT RectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

TEST(DocumentWindows, NewWindowsCascadeFromTheActiveWindowEvenWhenTheLastOneClosed) {
    TempFolder folder(L"QuorvelCascade");
    const std::wstring a = folder.AddFile(L"a.qvd");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" a.qvd", folder.Path()));
    HWND first = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (first = WindowOfPath(editor.Id(), a)); }));
    // With room below and right of it: the first window takes the place where another test closed
    // its last window, and a cascade that would leave the work area starts again at its top left.
    SetWindowPos(first, nullptr, 60, 60, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return RectOf(first).left == 60 && RectOf(first).top == 60; }));
    const RECT home = RectOf(first);

    PostMessageW(first, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 0), 0);
    HWND second = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (second = NewUntitled(editor.Id(), {})); }));
    const RECT cascaded = RectOf(second);
    EXPECT_GT(cascaded.left, home.left);
    EXPECT_GT(cascaded.top, home.top);

    // The window the second one cascaded from is not the one closed: close the second, and the
    // next new window again cascades from the first instead of covering it.
    PostMessageW(second, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(second); }));
    PostMessageW(first, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 0), 0);
    HWND third = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (third = NewUntitled(editor.Id(), {})); }));
    const RECT again = RectOf(third);
    EXPECT_EQ(again.left, cascaded.left);
    EXPECT_EQ(again.top, cascaded.top);
    EXPECT_EQ(again.right - again.left, cascaded.right - cascaded.left);
}

TEST(DocumentWindows, EmbeddingStartOpensNothingAndEnds) {
    wchar_t folder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, folder);
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" /Embedding", folder));
    // Without an OLE container to wait for, nothing keeps the program.
    EXPECT_EQ(editor.WaitExit(15000), 0u);
}

} // namespace

namespace {

TEST(DocumentWindows, ANameThatCannotOpenGivesTheOpenErrorAndNoWindow) {
    TempFolder folder(L"QuorvelCannotOpen");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" missing.qvd", folder.Path()));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(editor.Id())) != nullptr; }));
    const std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
    const std::wstring expected = L"Quorvel UML Editor cannot open " + folder.Path() + L"\\missing.qvd.\n";
    EXPECT_EQ(text.rfind(expected, 0), 0u) << std::string(text.begin(), text.end());
    EXPECT_EQ(TextOf(box), L"Quorvel");
    EXPECT_TRUE(VisibleWindows(editor.Id()).empty());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(editor.WaitExit(15000), 0u) << "nothing is left open, so the program ends";
}

} // namespace
