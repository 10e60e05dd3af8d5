// Saves on a real disk of a few hundred KB (a tmpfs that small_disk.sh mounts and names in
// QUORVEL_SMALL_DISK): a document larger than the free space never costs the old file, and a
// document that fits replaces it whole. The same in a folder of such a disk that allows no new file
// (QUORVEL_LOCKED_FOLDER, made immutable by the script), where the file is rewritten in place.
#include "Editor/tests/StorageSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace EditorTest;

std::wstring PathFrom(const wchar_t* variable) {
    wchar_t value[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(variable, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value) : std::wstring();
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    WinUtil::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file.IsValid());
    ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

// Adds boxes until the document's text is at least size bytes long.
void GrowTo(Document& doc, ULONGLONG size) {
    while (doc.Text().size() < size) doc.AddBoxes(400);
}

// A folder on the small disk named by the environment variable; skipped when it is not set.
class SmallDiskFolder : public ::testing::Test {
protected:
    void Find(const wchar_t* variable) {
        disk_ = PathFrom(variable);
        if (disk_.empty()) GTEST_SKIP() << "runs under small_disk.sh, which mounts the disk";
        ULARGE_INTEGER available{}, total{};
        ASSERT_TRUE(GetDiskFreeSpaceExW((disk_ + L"\\").c_str(), &available, &total, nullptr));
        size_ = total.QuadPart;
        ASSERT_LT(size_, 4ull << 20) << "not the small disk";
    }
    std::wstring At(const wchar_t* name) const { return disk_ + L"\\" + name; }

    std::wstring disk_;
    ULONGLONG size_ = 0;
};

class SmallDisk : public SmallDiskFolder {
protected:
    void SetUp() override { Find(L"QUORVEL_SMALL_DISK"); }
    void TearDown() override {
        if (disk_.empty()) return;
        for (const std::wstring& name : FilesIn(disk_)) DeleteFileW((disk_ + L"\\" + name).c_str());
    }
};

// The script leaves the files a.qvd and b.qvd (empty) in the folder before it locks it.
class LockedFolder : public SmallDiskFolder {
protected:
    void SetUp() override { Find(L"QUORVEL_LOCKED_FOLDER"); }
};

// Both ways of a save onto an existing file: in place (the system's, under Wine, whose rights carry
// over to no new file) and by a new file that replaces it (rights that carry over, as on Windows).
TEST_F(SmallDisk, SaveAndSaveAsOfMoreThanTheDiskHoldsLeaveEveryOldFileWhole) {
    FailingIo carrying;
    for (Editor::IFileIo* io : {&Editor::SystemFileIo(), static_cast<Editor::IFileIo*>(&carrying)}) {
        SCOPED_TRACE(io == &carrying ? "replaced" : "the system's way");
        Document original;
        original.AddBoxes(3);
        const std::string old = WithCrLf(original.Text());
        const std::wstring path = At(L"doc.qvd"), other = At(L"other.qvd");
        WriteAll(path, old);
        WriteAll(other, "keep me");

        {
            Document doc(*io);
            doc.storage.Open(path, false);
            GrowTo(doc, size_ * 3 / 2);
            EXPECT_NE(CodeOf([&] { doc.storage.SaveToFile(); }), 0);
            EXPECT_TRUE(Holds(path, old));
            EXPECT_NE(CodeOf([&] { doc.storage.SaveAs(other); }), 0);
            EXPECT_TRUE(Holds(other, "keep me"));
            EXPECT_NE(CodeOf([&] { doc.storage.SaveAs(At(L"new.qvd")); }), 0);
            EXPECT_EQ(FilesIn(disk_), (std::vector<std::wstring>{L"doc.qvd", L"other.qvd"}));
            EXPECT_TRUE(doc.storage.IsDirty());
            EXPECT_EQ(doc.storage.GetPath(), path);
            EXPECT_EQ(OpenForWritingElsewhere(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }

        // What fits replaces the old file whole, by Save and by Save As.
        Document doc(*io);
        doc.storage.Open(path, false);
        GrowTo(doc, size_ / 3);
        doc.storage.SaveToFile();
        EXPECT_TRUE(Holds(path, WithCrLf(doc.Text())));
        Document another(*io);
        another.AddBoxes(50);
        another.storage.SaveAs(other);
        EXPECT_TRUE(Holds(other, WithCrLf(another.Text())));
        EXPECT_EQ(FilesIn(disk_), (std::vector<std::wstring>{L"doc.qvd", L"other.qvd"}));
    }
}

TEST_F(LockedFolder, MoreThanTheDiskHoldsLeavesTheFileWholeAndWhatFitsIsWrittenInPlace) {
    WinUtil::FileHandle probe(
        CreateFileW(At(L"new.qvd").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_FALSE(probe.IsValid()) << "the folder takes new files";
    Document original;
    original.AddBoxes(3);
    const std::string old = WithCrLf(original.Text());
    const std::wstring path = At(L"a.qvd");
    WriteAll(path, old);
    const int leftoversBefore = TempLeftovers();
    {
        Document doc;
        doc.storage.Open(path, false);
        GrowTo(doc, size_ * 3 / 2);
        EXPECT_EQ(CodeOf([&] { doc.storage.SaveToFile(); }), ERROR_DISK_FULL);
        EXPECT_TRUE(Holds(path, old));
        EXPECT_TRUE(doc.storage.IsDirty());
        EXPECT_EQ(OpenForWritingElsewhere(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(TempLeftovers(), leftoversBefore);
    }

    Document doc;
    doc.storage.Open(path, false);
    GrowTo(doc, size_ / 3);
    doc.storage.SaveToFile();
    EXPECT_TRUE(Holds(path, WithCrLf(doc.Text())));
    EXPECT_FALSE(doc.storage.IsDirty());
    Document shorter;
    shorter.AddBoxes(1);
    shorter.storage.SaveAs(At(L"b.qvd"));
    EXPECT_TRUE(Holds(At(L"b.qvd"), WithCrLf(shorter.Text())));
    EXPECT_EQ(FilesIn(disk_), (std::vector<std::wstring>{L"a.qvd", L"b.qvd"}));
    EXPECT_EQ(TempLeftovers(), leftoversBefore);
}

} // namespace
