// A hand-off naming thousands of files: the running editor keeps answering, opens at most the
// limit of one request and lists the names that did not open in one box.
#include "Editor/tests/EditorWindows.h"
#include "app/winutil/ProgramEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

TEST(HandOffLimit, ThousandsOfNamesOpenAtMostTheLimitAndTheFailuresAreListedOnce) {
    TempFolder folder(L"QuorvelManyNames");
    folder.AddFile(L"first.qvd");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" first.qvd", folder.Path()));
    HWND first = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (first = WindowOfPath(editor.Id(), folder.Path() + L"\\first.qvd")); }));

    // 2,500 names: a folder, a binary file, a device, 2,397 missing files and 100 real ones.
    const std::wstring folderName = folder.AddFolder(L"folder.qvd");
    folder.AddFile(L"picture.qvd", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    std::wstring line = L"\"" + EditorPath() + L"\" folder.qvd picture.qvd CON";
    for (int i = 0; i < 2397; ++i) line += L" missing" + std::to_wstring(i) + L".qvd";
    std::vector<std::wstring> real;
    for (int i = 0; i < 100; ++i) {
        real.push_back(folder.AddFile(L"real" + std::to_wstring(i) + L".qvd"));
        line += L" real" + std::to_wstring(i) + L".qvd";
    }

    WinUtil::SingleInstance probe(L"QuorvelUML");
    HWND receiver = FindWindowW(WinUtil::kSingleInstanceClass, probe.GetKey().c_str());
    ASSERT_NE(receiver, nullptr);
    std::wstring payload = WinUtil::SingleInstance::EncodePayload({folder.Path(), line});
    COPYDATASTRUCT block{WinUtil::SingleInstance::kCopyDataTag, static_cast<DWORD>(payload.size() * sizeof(wchar_t)),
                         payload.data()};
    DWORD_PTR accepted = 0;
    ASSERT_NE(SendMessageTimeoutW(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&block), SMTO_ABORTIFHUNG, 5000,
                                  &accepted), 0);
    EXPECT_EQ(accepted, static_cast<DWORD_PTR>(TRUE));

    // The editor answers throughout, and the box comes once the documents are open.
    HWND box = nullptr;
    size_t most = 0;
    bool answered = true;
    ASSERT_TRUE(WaitFor([&] {
        answered = answered && Answers(first) && Answers(receiver);
        most = std::max(most, VisibleWindows(editor.Id()).size());
        return !answered || (box = FindMessageBox(editor.Id())) != nullptr;
    }, 60000)) << "no box listing the failed names appeared";
    EXPECT_TRUE(answered) << "the editor stopped answering";
    EXPECT_EQ(VisibleWindows(editor.Id()).size(), 65u) << "the first window and the first 64 readable names";
    EXPECT_LE(most, 65u);
    EXPECT_TRUE(WindowOfPath(editor.Id(), real[63]));
    EXPECT_FALSE(WindowOfPath(editor.Id(), real[64]));

    const std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
    EXPECT_TRUE(Contains(text, folderName)) << std::string(text.begin(), text.end());
    EXPECT_TRUE(Contains(text, folder.Path() + L"\\picture.qvd"));
    EXPECT_TRUE(Contains(text, L"CON"));
    EXPECT_TRUE(Contains(text, folder.Path() + L"\\missing0.qvd"));
    EXPECT_TRUE(Contains(text, L"(and 2380 more)"));  // 2,400 unreadable, 20 of them named
    EXPECT_TRUE(Contains(text, real[64]));
    EXPECT_TRUE(Contains(text, L"(and 16 more)"));  // 36 beyond the limit, 20 of them named
    EXPECT_EQ(TextOf(box), L"Quorvel");

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(Answers(first));
    EXPECT_EQ(FindMessageBox(editor.Id()), nullptr) << "the failures are reported in one box";
}

} // namespace
