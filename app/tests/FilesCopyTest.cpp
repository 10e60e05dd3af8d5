// File contents copied onto shorter and longer files, drop-file blocks, printer name blocks.
#include "app/winutil/DevMode.h"
#include "app/winutil/DropFiles.h"
#include "app/winutil/Files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class TempFile {
public:
    explicit TempFile(const std::string& content) {
        wchar_t dir[MAX_PATH], name[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"qvt", 0, name);
        path = name;
        handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (!content.empty()) WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    }
    ~TempFile() {
        CloseHandle(handle);
        DeleteFileW(path.c_str());
    }
    std::string Read() const {
        LARGE_INTEGER size;
        GetFileSizeEx(handle, &size);
        std::string out(static_cast<size_t>(size.QuadPart), '\0');
        LARGE_INTEGER zero{};
        SetFilePointerEx(handle, zero, nullptr, FILE_BEGIN);
        DWORD got = 0;
        if (!out.empty()) ReadFile(handle, out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
        out.resize(got);
        return out;
    }
    std::wstring path;
    HANDLE handle;
};

std::vector<BYTE> DropBlock(bool wide, const std::vector<std::wstring>& names) {
    std::vector<BYTE> block(sizeof(DROPFILES), 0);
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = wide;
    std::memcpy(block.data(), &header, sizeof header);
    for (const auto& n : names) {
        for (wchar_t c : n) {
            if (wide) { block.push_back(static_cast<BYTE>(c)); block.push_back(static_cast<BYTE>(c >> 8)); }
            else block.push_back(static_cast<BYTE>(c));
        }
        block.insert(block.end(), wide ? 2 : 1, 0);
    }
    block.insert(block.end(), wide ? 2 : 1, 0);
    return block;
}

} // namespace

TEST(CopyFileContents, OntoAShorterFile) {
    std::string source(100000, 'x');
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>('a' + i % 26);
    TempFile from(source), to("short");
    EXPECT_EQ(WinUtil::CopyFileContents(from.handle, to.handle), 0u);
    EXPECT_EQ(to.Read(), source);
}

TEST(CopyFileContents, OntoALongerFileCutsTheRest) {
    TempFile from("<Diagram/>"), to(std::string(5000, 'z'));
    EXPECT_EQ(WinUtil::CopyFileContents(from.handle, to.handle), 0u);
    EXPECT_EQ(to.Read(), "<Diagram/>");
}

TEST(CopyFileContents, EmptySourceEmptiesTheTarget) {
    TempFile from(""), to("old content");
    EXPECT_EQ(WinUtil::CopyFileContents(from.handle, to.handle), 0u);
    EXPECT_EQ(to.Read(), "");
}

TEST(CopyFileContents, ReadOnlyTargetGivesAnErrorCode) {
    TempFile from("abc"), to("xyz");
    HANDLE readOnly = CreateFileW(to.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    // The temporary file is held without sharing: open our own read-only copy instead when that fails.
    if (readOnly == INVALID_HANDLE_VALUE) GTEST_SKIP() << "file held exclusively";
    EXPECT_NE(WinUtil::CopyFileContents(from.handle, readOnly), 0u);
    CloseHandle(readOnly);
}

TEST(ParseDropFiles, WideAndAnsiLists) {
    auto wide = DropBlock(true, {L"C:\\a.qvd", L"D:\\b c.qvd"});
    auto names = WinUtil::ParseDropFiles(wide.data(), wide.size());
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), 2u);
    EXPECT_EQ((*names)[1], L"D:\\b c.qvd");

    auto ansi = DropBlock(false, {L"C:\\x.qvd"});
    names = WinUtil::ParseDropFiles(ansi.data(), ansi.size());
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), 1u);
    EXPECT_EQ((*names)[0], L"C:\\x.qvd");

    auto empty = DropBlock(true, {});
    names = WinUtil::ParseDropFiles(empty.data(), empty.size());
    ASSERT_TRUE(names);
    EXPECT_TRUE(names->empty());
}

TEST(ParseDropFiles, RejectsBlocksThatPointOutside) {
    auto block = DropBlock(true, {L"C:\\a.qvd"});
    // Offset beyond the block.
    auto bad = block;
    DWORD beyond = static_cast<DWORD>(bad.size() + 10);
    std::memcpy(bad.data(), &beyond, sizeof beyond);
    EXPECT_FALSE(WinUtil::ParseDropFiles(bad.data(), bad.size()));
    // Offset into the header.
    DWORD inside = 4;
    std::memcpy(bad.data(), &inside, sizeof inside);
    EXPECT_FALSE(WinUtil::ParseDropFiles(bad.data(), bad.size()));
    // Cut before the final terminator, and cut inside a name.
    EXPECT_FALSE(WinUtil::ParseDropFiles(block.data(), block.size() - 2));
    EXPECT_FALSE(WinUtil::ParseDropFiles(block.data(), block.size() - 6));
    // Shorter than the header.
    EXPECT_FALSE(WinUtil::ParseDropFiles(block.data(), sizeof(DROPFILES) - 1));
    EXPECT_FALSE(WinUtil::ParseDropFiles(nullptr, 0));
}

TEST(DevNames, BuiltBlockReadsBack) {
    WinUtil::GlobalHandle block = WinUtil::DevNames::CreateHandle(L"Printer A", L"winspool", L"FILE:");
    {
        WinUtil::GlobalLock lock(block.Get());
        auto* dn = static_cast<const DEVNAMES*>(lock.Data());
        EXPECT_EQ(dn->wDriverOffset, 4);
        EXPECT_EQ(dn->wDeviceOffset, 4 + 9);
    }
    auto names = WinUtil::DevNames::FromGlobal(block.Get());
    ASSERT_TRUE(names);
    EXPECT_EQ(names->device, L"Printer A");
    EXPECT_EQ(names->driver, L"winspool");
    EXPECT_EQ(names->output, L"FILE:");
}

TEST(DevNames, OffsetOutsideTheBlockIsRejected) {
    WinUtil::GlobalHandle block = WinUtil::DevNames::CreateHandle(L"P", L"D", L"O");
    {
        WinUtil::GlobalLock lock(block.Get());
        static_cast<DEVNAMES*>(lock.Data())->wOutputOffset = 500;
    }
    EXPECT_FALSE(WinUtil::DevNames::FromGlobal(block.Get()));
}

TEST(DevMode, BlankCopyAndGlobalRoundTrip) {
    WinUtil::DevMode blank(16);
    EXPECT_EQ(blank.Get()->dmSize, 220);
    EXPECT_EQ(blank.Get()->dmDriverExtra, 16);
    EXPECT_EQ(blank.Size(), 236u);
    blank.Get()->dmOrientation = DMORIENT_LANDSCAPE;
    reinterpret_cast<BYTE*>(blank.Get())[235] = 0x5A;

    WinUtil::GlobalHandle block = blank.ToGlobal();
    auto copy = WinUtil::DevMode::FromGlobal(block.Get());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->Size(), 236u);
    EXPECT_EQ(copy->Get()->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(copy->Get())[235], 0x5A);

    // A block whose sizes claim more than it holds is refused.
    {
        WinUtil::GlobalLock lock(block.Get());
        static_cast<DEVMODEW*>(lock.Data())->dmDriverExtra = 5000;
    }
    EXPECT_FALSE(WinUtil::DevMode::FromGlobal(block.Get()));
    WinUtil::GlobalHandle small = WinUtil::GlobalHandle::Allocate(100);
    EXPECT_FALSE(WinUtil::DevMode::FromGlobal(small.Get()));
}

TEST(OpenFileDialogHelpers, MultiSelectionAndFilter) {
    const wchar_t multi[] = L"C:\\dir\0b.qvd\0a.qvd\0";
    auto paths = WinUtil::SplitMultiSelection(multi, std::size(multi));
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(*paths.begin(), L"C:\\dir\\a.qvd");
    const wchar_t single[] = L"C:\\dir\\one.qvd\0";
    paths = WinUtil::SplitMultiSelection(single, std::size(single));
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(*paths.begin(), L"C:\\dir\\one.qvd");
    std::wstring filter = WinUtil::MakeDialogFilter(L"Diagram (*.qvd)|*.qvd");
    EXPECT_EQ(filter, std::wstring(L"Diagram (*.qvd)\0*.qvd\0\0", 23));
}

TEST(ShellLink, PlainPathIsKept) {
    EXPECT_EQ(WinUtil::ResolveShellLink(L"C:\\x\\y.qvd"), L"C:\\x\\y.qvd");
    EXPECT_EQ(WinUtil::ResolveShellLink(L"C:\\missing.lnk"), L"C:\\missing.lnk");
}
