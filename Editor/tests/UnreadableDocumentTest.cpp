// Documents that cannot be read, given to the real editor: on the command line of a first start the
// reason is shown before the program ends, and through File > Open the editor keeps running.
#include "Editor/tests/EditorWindows.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace EditorTest;

const std::string kProlog = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                            "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\">\n";

// Files no reader of ours will take: broken XML, and an element no kind of the editor has.
const std::vector<std::pair<const wchar_t*, std::string>>& Unreadable() {
    static const std::vector<std::pair<const wchar_t*, std::string>> files = {
        {L"broken.qvd", kProlog + "<Note id=\"r1\" Pos=\"0 0\"></Diagram>\n"},
        {L"unknown.qvd", kProlog + "<Gadget id=\"r1\"/>\n</Diagram>\n"},
    };
    return files;
}

std::wstring BoxText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The visible box of the process whose text begins with prefix, or null.
HWND BoxSaying(DWORD pid, const std::wstring& prefix) {
    HWND box = FindMessageBox(pid);
    return box && BoxText(box).rfind(prefix, 0) == 0 ? box : nullptr;
}

std::wstring CannotOpen(const std::wstring& path) {
    return L"Quorvel UML Editor cannot open " + path + L".\nContent is malformed or corrupt.\n(";
}

TEST(UnreadableDocument, AFirstStartShowsWhyBeforeItEnds) {
    TempFolder folder(L"QuorvelUnreadableStart");
    for (const auto& [name, content] : Unreadable()) {
        const std::wstring path = folder.AddFile(name, content);
        Process editor;
        ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" " + name, folder.Path()));
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(editor.Id())) || editor.WaitExit(0) != STILL_ACTIVE; }));
        ASSERT_NE(box, nullptr) << Narrow(name) << ": the editor ended without a word, exit code "
                                << editor.WaitExit(0);
        EXPECT_EQ(BoxText(box).rfind(CannotOpen(path), 0), 0u) << Narrow(BoxText(box));
        EXPECT_EQ(TextOf(box), L"Quorvel");
        EXPECT_TRUE(VisibleWindows(editor.Id()).empty());
        EXPECT_EQ(editor.WaitExit(300), static_cast<DWORD>(STILL_ACTIVE)) << "the box stays until it is answered";
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(editor.WaitExit(15000), 0u) << "nothing is left open, so the program ends";
    }
}

TEST(UnreadableDocument, FileOpenReportsItAndTheEditorKeepsRunning) {
    TempFolder folder(L"QuorvelUnreadableOpen");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\"", folder.Path()));
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        auto all = VisibleWindows(editor.Id());
        return all.size() == 1 && IsUntitledWindow(window = all[0]);
    }));
    for (const auto& [name, content] : Unreadable()) {
        const std::wstring path = folder.AddFile(name, content);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(ID_FILE_OPEN, 0), 0);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(editor.Id())) != nullptr; }));
        HWND field = FileNameField(dialog);
        ASSERT_NE(field, nullptr);
        SetWindowTextW(field, path.c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            return (box = BoxSaying(editor.Id(), CannotOpen(path))) || editor.WaitExit(0) != STILL_ACTIVE;
        })) << Narrow(name) << ": no report";
        ASSERT_NE(box, nullptr) << Narrow(name) << ": the editor ended, exit code " << editor.WaitExit(0);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        EXPECT_EQ(editor.WaitExit(300), static_cast<DWORD>(STILL_ACTIVE)) << Narrow(name);
        EXPECT_EQ(VisibleWindows(editor.Id()), std::vector<HWND>{window});
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(15000), 0u);
}

} // namespace
