// The single-instance hand-off: payload checks, and the editor started twice end to end.
#include "Editor/tests/EditorWindows.h"
#include "app/winutil/ProgramEntry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

COPYDATASTRUCT Block(const std::wstring& payload, ULONG_PTR tag = WinUtil::SingleInstance::kCopyDataTag) {
    return COPYDATASTRUCT{tag, static_cast<DWORD>(payload.size() * sizeof(wchar_t)),
                          const_cast<wchar_t*>(payload.data())};
}

TEST(SingleInstancePayload, RoundTrip) {
    WinUtil::HandedCommandLine sent{L"C:\\work dir", L"QuorvelUML.exe \"a b.qvd\""};
    std::wstring payload = WinUtil::SingleInstance::EncodePayload(sent);
    WinUtil::HandedCommandLine got;
    ASSERT_TRUE(WinUtil::SingleInstance::DecodePayload(Block(payload), got));
    EXPECT_EQ(got.directory, sent.directory);
    EXPECT_EQ(got.commandLine, sent.commandLine);

    WinUtil::HandedCommandLine empty;
    ASSERT_TRUE(WinUtil::SingleInstance::DecodePayload(
        Block(WinUtil::SingleInstance::EncodePayload({L"", L""})), empty));
    EXPECT_TRUE(empty.directory.empty());
}

TEST(SingleInstancePayload, MalformedBlocksAreRejected) {
    WinUtil::HandedCommandLine got{L"unchanged", L"unchanged"};
    std::wstring good = WinUtil::SingleInstance::EncodePayload({L"C:\\", L"x"});
    const std::wstring noTerminator = L"C:\\\0x";  // the second string is not terminated
    const std::wstring oneString(L"C:\\\0", 4);
    const std::wstring threeStrings(L"a\0b\0c\0", 6);
    COPYDATASTRUCT cases[] = {
        Block(good, 0x1234),                                      // another program's tag
        Block(std::wstring(noTerminator.c_str(), 5)),             // no terminator at the end
        Block(oneString),                                         // one string only
        Block(threeStrings),                                      // more than two strings
        COPYDATASTRUCT{WinUtil::SingleInstance::kCopyDataTag, 3, good.data()},  // odd size
        COPYDATASTRUCT{WinUtil::SingleInstance::kCopyDataTag, 2, good.data()},  // too short
        COPYDATASTRUCT{WinUtil::SingleInstance::kCopyDataTag, 8, nullptr},      // no data
        COPYDATASTRUCT{WinUtil::SingleInstance::kCopyDataTag, 0x7FFFFFF0, good.data()},  // huge
    };
    for (const COPYDATASTRUCT& block : cases) {
        EXPECT_FALSE(WinUtil::SingleInstance::DecodePayload(block, got)) << block.cbData;
        EXPECT_EQ(got.directory, L"unchanged");
    }
}

TEST(SingleInstanceKey, CarriesUserAndDesktop) {
    WinUtil::SingleInstance instance(L"QuorvelUML");
    const std::wstring& key = instance.GetKey();
    EXPECT_EQ(key.rfind(L"QuorvelUML-S-1-", 0), 0u) << std::string(key.begin(), key.end());
    EXPECT_EQ(key.find(L'\\'), std::wstring::npos);
}

TEST(SingleInstanceEditor, SecondStartHandsItsCommandLineOverAndEnds) {
    using namespace EditorTest;
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring exe = EditorPath();
    TempFolder other(L"QuorvelHandOver");
    other.AddFile(L"My Diagram.qvd");

    Process first;
    ASSERT_TRUE(first.Start(L"\"" + exe + L"\"", folder));
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        main = FindWindowW(L"Editor::WindowImp", nullptr);
        return main && IsWindowVisible(main);
    })) << "the editor's window did not appear";
    WinUtil::SingleInstance probe(L"QuorvelUML");
    HWND receiver = FindWindowW(WinUtil::kSingleInstanceClass, probe.GetKey().c_str());
    ASSERT_NE(receiver, nullptr);

    // A malformed block from another program is refused and opens nothing.
    const wchar_t junk[] = {L'x', L'y'};
    COPYDATASTRUCT bad{WinUtil::SingleInstance::kCopyDataTag, sizeof junk, const_cast<wchar_t*>(junk)};
    EXPECT_EQ(SendMessageW(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&bad)), FALSE);
    COPYDATASTRUCT odd{WinUtil::SingleInstance::kCopyDataTag, 5, const_cast<wchar_t*>(junk)};
    EXPECT_EQ(SendMessageW(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&odd)), FALSE);

    // A second start with a file argument ends with exit code 0; the first opens the file named
    // relative to the second's directory, in a window of its own.
    Process later;
    ASSERT_TRUE(later.Start(L"\"" + exe + L"\" \"My Diagram.qvd\"", other.Path()));
    EXPECT_EQ(later.WaitExit(15000), 0u);
    HWND opened = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (opened = WindowOfPath(first.Id(), other.Path() + L"\\My Diagram.qvd")); }));
    EXPECT_EQ(TextOf(opened).rfind(L"My Diagram", 0), 0u);
    EXPECT_EQ(VisibleWindows(first.Id()).size(), 2u);  // the malformed blocks opened nothing

    // The first instance ends normally once both windows are closed, not before.
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return VisibleWindows(first.Id()).size() == 1; }));
    EXPECT_EQ(first.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    PostMessageW(opened, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitExit(15000), 0u);
}

} // namespace
