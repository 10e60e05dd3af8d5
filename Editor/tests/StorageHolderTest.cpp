// The document storage: holding the file, reading (empty files, LF and CR LF), safe saving by a new
// file that replaces the old one, rewriting in place where that is refused (a folder that allows no
// new file, a file that other programs read) or would part the file from its other names or rights,
// saves that fail on purpose at each step, links, attributes, files marked read-only, and the marks
// and their observers.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/StorageSupport.h"
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/Guard.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using namespace EditorTest;
using Editor::IsReadOnlyFile;

// Makes a symbolic link at link to target with the system's ln (Wine has no CreateSymbolicLinkW);
// false where that cannot be done.
bool MakeUnixLink(const std::wstring& target, const std::wstring& link) {
    const std::string from = UnixName(target), to = UnixName(link);
    if (from.empty() || to.empty()) return false;
    HostOutput("/bin/ln -s '" + from + "' '" + to + "'");
    return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's identity: the same while the file is rewritten, another when another file takes its name.
std::pair<DWORD, DWORD> FileIndex(const std::wstring& path) {
    WinUtil::FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.IsValid() || !GetFileInformationByHandle(file.Get(), &info)) return {0, 0};
    return {info.nFileIndexHigh, info.nFileIndexLow};
}

// Whether both names lead to the same file.
bool SameFileAt(const std::wstring& a, const std::wstring& b) {
    const auto first = FileIndex(a);
    return first != std::pair<DWORD, DWORD>{0, 0} && first == FileIndex(b);
}

struct Observers : Core::IDirtyStateObserver, WinUtil::IReadOnlyObserver, WinUtil::ISaveObserver {
    std::vector<bool> dirty, readOnly;
    std::vector<std::wstring> saved;
    void OnDirtyStateChanged(bool d) override { dirty.push_back(d); }
    void OnReadOnlyChanged(bool r) override { readOnly.push_back(r); }
    void OnSaved(const std::wstring& path) override { saved.push_back(path); }
    void AttachTo(Editor::StorageHolder& s) {
        s.GetDirtyStateObservers().Attach(this);
        s.GetReadOnlyObservers().Attach(this);
        s.GetSaveObservers().Attach(this);
    }
};

TEST(Storage, AnEmptyFileOpensAsANewDiagramThatIsNeitherUntitledNorModified) {
    TempFolder folder(L"QvStoreEmpty");
    Document doc;
    doc.storage.Open(folder.AddFile(L"empty.qvd"), false);
    EXPECT_EQ(doc.init.calls, 1);
    EXPECT_FALSE(doc.storage.IsUntitled());
    EXPECT_FALSE(doc.storage.IsDirty());
    EXPECT_FALSE(doc.storage.IsReadOnly());

    Document fresh;
    fresh.storage.New();
    EXPECT_EQ(fresh.init.calls, 1);
    EXPECT_TRUE(fresh.storage.IsUntitled());
    EXPECT_FALSE(fresh.storage.IsDirty());
}

TEST(Storage, LfAndCrLfFilesReadTheSameAndSavesWriteCrLf) {
    TempFolder folder(L"QvStoreLines");
    Document source;
    source.AddBoxes(3);
    const std::string lf = source.Text();
    ASSERT_NE(lf.find('\n'), std::string::npos);

    Document fromLf, fromCrLf;
    fromLf.storage.Open(folder.AddFile(L"lf.qvd", lf), false);
    fromCrLf.storage.Open(folder.AddFile(L"crlf.qvd", WithCrLf(lf)), false);
    EXPECT_EQ(fromLf.model.GetElementCount(), 3u);
    EXPECT_EQ(fromLf.Text(), lf);
    EXPECT_EQ(fromCrLf.Text(), lf);
    EXPECT_TRUE(fromLf.warnings.empty() || fromLf.warnings[0] == 0u);

    fromLf.storage.SaveToFile();
    const std::string written = ReadBytes(folder.Path() + L"\\lf.qvd");
    EXPECT_EQ(written, WithCrLf(lf));
}

TEST(Storage, SavesShortenAndGrowTheHeldFileWithoutLeavingTemporaryFiles) {
    TempFolder folder(L"QvStoreSize");
    const int leftoversBefore = TempLeftovers();
    Document big;
    big.AddBoxes(30);
    const std::wstring path = folder.AddFile(L"doc.qvd", big.Text());

    {
        Document small;
        small.AddBoxes(1);
        small.storage.SaveAs(path);  // an existing, longer file: nothing of its old text may stay
        EXPECT_EQ(ReadBytes(path), WithCrLf(small.Text()));
        EXPECT_FALSE(small.storage.IsUntitled());
        EXPECT_EQ(small.storage.GetPath(), path);
    }

    Document grown;
    grown.storage.Open(path, false);
    ASSERT_EQ(grown.model.GetElementCount(), 1u);
    grown.AddBoxes(40);
    EXPECT_TRUE(grown.storage.IsDirty());
    grown.storage.SaveToFile();
    EXPECT_EQ(ReadBytes(path), WithCrLf(grown.Text()));
    EXPECT_FALSE(grown.storage.IsDirty());
    EXPECT_TRUE(grown.storage.GetLastWriteTime().has_value());
    EXPECT_EQ(TempLeftovers(), leftoversBefore);
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::wstring>{L"doc.qvd"});
}

TEST(Storage, AFileHeldForWritingElsewhereOpensReadOnlyAndCannotBeSavedInPlace) {
    TempFolder folder(L"QvStoreShared");
    const std::wstring path = folder.AddFile(L"held.qvd");
    Document writer;
    writer.storage.Open(path, false);
    ASSERT_FALSE(writer.storage.IsReadOnly());

    Document reader;
    Observers seen;
    seen.AttachTo(reader.storage);
    reader.storage.Open(path, false);
    EXPECT_TRUE(reader.storage.IsReadOnly());
    EXPECT_EQ(seen.readOnly, std::vector<bool>{true});
    EXPECT_EQ(CodeOf([&] { reader.storage.SaveToFile(); }), ERROR_ACCESS_DENIED);
    // The writer's lock stands: another save-as onto the file fails with a sharing violation.
    EXPECT_EQ(CodeOf([&] { reader.storage.SaveAs(path); }), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(reader.storage.GetPath(), path);

    Document asked;
    asked.storage.Open(folder.AddFile(L"free.qvd"), true);
    EXPECT_TRUE(asked.storage.IsReadOnly());
}

TEST(Storage, AFileTheRunningEditorHoldsOpensReadOnlyHereAndStaysUntouched) {
    TempFolder folder(L"QvStoreEditor");
    const std::wstring path = folder.AddFile(L"edited.qvd");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" edited.qvd", folder.Path()));
    ASSERT_TRUE(WaitFor([&] { return WindowOfPath(editor.Id(), path) != nullptr; }));

    Document doc;
    doc.storage.Open(path, false);
    EXPECT_TRUE(doc.storage.IsReadOnly());
    doc.AddBoxes(1);
    EXPECT_EQ(CodeOf([&] { doc.storage.SaveAs(path); }), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadBytes(path), "");
}

TEST(Storage, NamesThatAreNoDocumentFileFailWithTheSystemsCode) {
    TempFolder folder(L"QvStoreBad");
    Document doc;
    EXPECT_EQ(CodeOf([&] { doc.storage.Open(folder.Path() + L"\\missing.qvd", false); }), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(CodeOf([&] { doc.storage.Open(folder.AddFolder(L"dir"), false); }), 0);
    EXPECT_NE(CodeOf([&] { doc.storage.Open(L"CON", false); }), 0);
    EXPECT_THROW(doc.storage.Open(folder.AddFile(L"binary.qvd", std::string("\x89PNG\r\n\0\0", 8)), false),
                 Core::Exceptions::Base);
}

TEST(Storage, AFailureAtAnyStepOfASaveLeavesTheOldFileWholeAndStillHeld) {
    TempFolder folder(L"QvStoreSteps");
    Document original;
    original.AddBoxes(2);
    const std::string old = WithCrLf(original.Text());
    const std::wstring path = folder.AddFile(L"doc.qvd", old);
    const std::wstring other = folder.AddFile(L"other.qvd", "keep me");
    const std::wstring fresh = folder.Path() + L"\\new.qvd";
    const int leftoversBefore = TempLeftovers();

    FailingIo io;
    Document doc(io);
    Observers seen;
    doc.storage.Open(path, false);
    seen.AttachTo(doc.storage);
    doc.AddBoxes(5);
    for (DWORD* step : {&io.createError, &io.writeError, &io.flushError, &io.replaceError}) {
        *step = ERROR_DISK_FULL;
        EXPECT_EQ(CodeOf([&] { doc.storage.SaveToFile(); }), ERROR_DISK_FULL);
        EXPECT_EQ(ReadBytes(path), old);
        // Save As onto another existing file keeps its text; a new name is not even created.
        EXPECT_EQ(CodeOf([&] { doc.storage.SaveAs(other); }), ERROR_DISK_FULL);
        EXPECT_EQ(ReadBytes(other), "keep me");
        EXPECT_EQ(CodeOf([&] { doc.storage.SaveAs(fresh); }), ERROR_DISK_FULL);
        EXPECT_EQ(CodeOf([&] { doc.storage.SaveCopy(fresh); }), ERROR_DISK_FULL);
        EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::wstring>{L"doc.qvd", L"other.qvd"}));
        EXPECT_EQ(OpenForWritingElsewhere(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(doc.storage.GetPath(), path);
        EXPECT_FALSE(doc.storage.IsReadOnly());
        EXPECT_TRUE(doc.storage.IsDirty());
        *step = 0;
    }
    EXPECT_TRUE(seen.saved.empty());
    EXPECT_EQ(TempLeftovers(), leftoversBefore);

    doc.storage.SaveToFile();
    EXPECT_EQ(ReadBytes(path), WithCrLf(doc.Text()));
    EXPECT_EQ(seen.saved, std::vector<std::wstring>{path});
    EXPECT_EQ(seen.dirty, std::vector<bool>({true, false}));
}

TEST(Storage, AFolderThatAllowsNoNewFileIsSavedInPlaceAndRefusesOnlyNewNames) {
    TempFolder folder(L"QvStoreNoFile");
    const std::wstring path = folder.AddFile(L"doc.qvd");
    const std::wstring other = folder.AddFile(L"other.qvd", std::string(5000, 'x'));
    const int leftoversBefore = TempLeftovers();
    FailingIo io;
    Document doc(io);
    Observers seen;
    doc.storage.Open(path, false);
    seen.AttachTo(doc.storage);
    doc.AddBoxes(3);
    io.createError = ERROR_ACCESS_DENIED;
    doc.storage.SaveToFile();
    EXPECT_TRUE(Holds(path, WithCrLf(doc.Text())));
    EXPECT_FALSE(doc.storage.IsDirty());
    EXPECT_EQ(seen.saved, std::vector<std::wstring>{path});
    EXPECT_EQ(OpenForWritingElsewhere(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    // A new name cannot be made there; an existing, longer file takes the text in place, cut to it.
    std::string message;
    try {
        doc.storage.SaveAs(folder.Path() + L"\\new.qvd");
    } catch (const Editor::SaveFailed& e) {
        message = e.what();
        EXPECT_EQ(e.Code(), ERROR_ACCESS_DENIED);
    }
    EXPECT_NE(message.find("save the diagram in another folder"), std::string::npos) << message;
    doc.AddBoxes(1);
    doc.storage.SaveCopy(other);
    EXPECT_TRUE(Holds(other, WithCrLf(doc.Text())));
    doc.storage.SaveAs(other);
    EXPECT_EQ(doc.storage.GetPath(), other);
    EXPECT_EQ(OpenForWritingElsewhere(other), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(OpenForWritingElsewhere(path), 0u) << "the old file is let go";
    EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::wstring>{L"doc.qvd", L"other.qvd"}));
    EXPECT_EQ(TempLeftovers(), leftoversBefore);
}

TEST(Storage, AFileThatOtherProgramsReadIsRewrittenInPlaceAndStaysHeld) {
    TempFolder folder(L"QvStoreRead");
    Document big;
    big.AddBoxes(20);
    const std::wstring path = folder.AddFile(L"doc.qvd", WithCrLf(big.Text()));
    const std::wstring other = folder.AddFile(L"other.qvd", "old");
    const int leftoversBefore = TempLeftovers();
    Document doc;
    doc.storage.Open(path, false);
    Reader viewer(path), indexer(other);
    ASSERT_TRUE(viewer.file.IsValid());
    ASSERT_TRUE(indexer.file.IsValid());
    doc.AddBoxes(5);  // longer than the file
    doc.storage.SaveToFile();
    EXPECT_TRUE(Holds(path, WithCrLf(doc.Text())));
    EXPECT_FALSE(doc.storage.IsDirty());
    EXPECT_EQ(OpenForWritingElsewhere(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    Document small;
    small.AddBoxes(1);
    small.storage.SaveAs(path + L".copy");  // a free file first, then onto the one being read: shorter
    small.storage.SaveAs(other);
    EXPECT_TRUE(Holds(other, WithCrLf(small.Text())));
    EXPECT_EQ(small.storage.GetPath(), other);
    small.AddBoxes(1);
    small.storage.SaveToFile();
    EXPECT_TRUE(Holds(other, WithCrLf(small.Text())));
    DeleteFileW((path + L".copy").c_str());

    // A program that reads without letting others write keeps its file as it is.
    const std::wstring locked = folder.AddFile(L"locked.qvd", "keep me");
    Reader owner(locked, FILE_SHARE_READ);
    ASSERT_TRUE(owner.file.IsValid());
    EXPECT_EQ(CodeOf([&] { doc.storage.SaveAs(locked); }), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(CodeOf([&] { doc.storage.SaveCopy(locked); }), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadBytes(locked), "keep me");
    EXPECT_EQ(doc.storage.GetPath(), path);
    EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::wstring>{L"doc.qvd", L"locked.qvd", L"other.qvd"}));
    EXPECT_EQ(TempLeftovers(), leftoversBefore);
}

// The text a failing save puts into the error box.
std::wstring BoxOfSave(const std::function<void()>& save) {
    std::wstring text;
    auto previous = WinUtil::ExceptionBox::SetSink([&](const std::wstring&, const std::wstring& t) { text = t; });
    WinUtil::GuardedFunctionCall("Save", save);
    WinUtil::ExceptionBox::SetSink(previous);
    return text;
}

// The file an error box names as the one that holds the complete diagram (empty when none).
std::wstring KeptCopyNamed(const std::wstring& box) {
    const std::wstring lead = L"The complete diagram is kept in ";
    const size_t at = box.find(lead), end = box.rfind(L'.');
    if (at == std::wstring::npos || end == std::wstring::npos || end < at + lead.size()) return {};
    return box.substr(at + lead.size(), end - at - lead.size());
}

TEST(Storage, AFailureWhileTheFileIsRewrittenLeavesTheOldFileOrNamesTheCompleteCopy) {
    TempFolder folder(L"QvStoreRewrite");
    const std::wstring path = folder.AddFile(L"doc.qvd");
    const int leftoversBefore = TempLeftovers();
    FailingIo io;
    Document doc(io);
    doc.storage.Open(path, false);
    io.createError = ERROR_ACCESS_DENIED;  // the folder allows no new file: the file is rewritten in place
    doc.AddBoxes(4);
    doc.storage.SaveToFile();
    const std::string old = WithCrLf(doc.Text());
    ASSERT_TRUE(Holds(path, old));
    doc.AddBoxes(6);  // longer now: the file grows before its old bytes are overwritten
    const std::string longer = WithCrLf(doc.Text());

    // Until the old bytes are touched (the temporary copy, then the growth of the file, which fails on
    // a full disk), a failure leaves the file as it was and no copy behind.
    struct Step {
        int* counter;
        int number;
    };
    for (Step step : {Step{&io.failingWrite, 1}, Step{&io.failingFlush, 1}, Step{&io.failingWrite, 2},
                      Step{&io.failingFlush, 2}}) {
        *step.counter = step.number;
        const std::wstring box = BoxOfSave([&] { doc.storage.SaveToFile(); });
        EXPECT_NE(box.find(L"The file was left as it was."), std::wstring::npos) << box;
        EXPECT_TRUE(Holds(path, old)) << step.number;
        EXPECT_EQ(TempLeftovers(), leftoversBefore);
        EXPECT_TRUE(doc.storage.IsDirty());
        *step.counter = 0;
    }

    // Later the file may be incomplete: the box names the temporary copy, which holds the whole text;
    // the document stays modified and holds its file.
    auto expectCopyNamed = [&](const std::wstring& box, const std::string& text) {
        const std::wstring kept = KeptCopyNamed(box);
        ASSERT_FALSE(kept.empty()) << box;
        EXPECT_TRUE(Holds(kept, text));
        EXPECT_EQ(TempLeftovers(), leftoversBefore + 1);
        EXPECT_TRUE(doc.storage.IsDirty());
        EXPECT_EQ(doc.storage.GetPath(), path);
        EXPECT_EQ(OpenForWritingElsewhere(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        DeleteFileW(kept.c_str());
    };
    // (The flush that ends the first rewrite fails: the file has its new length for the second, which
    // writes the temporary copy and then the file's bytes, without growing it first.)
    for (Step step : {Step{&io.failingFlush, 3}, Step{&io.failingWrite, 2}}) {
        *step.counter = step.number;
        expectCopyNamed(BoxOfSave([&] { doc.storage.SaveToFile(); }), longer);
        *step.counter = 0;
    }
    doc.storage.SaveToFile();
    EXPECT_TRUE(Holds(path, longer));

    // A shorter text whose cut fails leaves old bytes at the end of the file: the copy is kept too.
    doc.model.GetUndoHandler().Undo(nullptr, nullptr);
    ASSERT_EQ(WithCrLf(doc.Text()), old);
    io.setLengthError = ERROR_DISK_FULL;
    expectCopyNamed(BoxOfSave([&] { doc.storage.SaveToFile(); }), old);
    io.setLengthError = 0;
    doc.storage.SaveToFile();
    EXPECT_TRUE(Holds(path, old));
    EXPECT_FALSE(doc.storage.IsDirty());
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::wstring>{L"doc.qvd"});
    EXPECT_EQ(TempLeftovers(), leftoversBefore);
}

TEST(Storage, TheSavedFileIsHeldAsTheOpenedOneWasAndKeepsItsAttributes) {
    TempFolder folder(L"QvStoreHeld");
    const std::wstring path = folder.AddFile(L"doc.qvd");
    Document doc;
    doc.storage.Open(path, false);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const bool hidden = (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
    doc.AddBoxes(2);
    doc.storage.SaveToFile();
    EXPECT_EQ(ReadBytes(path), WithCrLf(doc.Text()));
    EXPECT_EQ(OpenForWritingElsewhere(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (hidden) {
        EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    }
    doc.AddBoxes(1);
    doc.storage.SaveToFile();  // and again: the file taken after the first save is the one replaced
    EXPECT_EQ(ReadBytes(path), WithCrLf(doc.Text()));
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::wstring>{L"doc.qvd"});
}

TEST(Storage, AReadOnlyFileOpensReadOnlyAndIsNotOverwritten) {
    TempFolder folder(L"QvStoreReadOnly");
    const std::wstring path = folder.AddFile(L"locked.qvd", "");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    Document doc;
    doc.storage.Open(path, false);
    EXPECT_TRUE(doc.storage.IsReadOnly());
    doc.AddBoxes(1);
    EXPECT_EQ(CodeOf([&] { doc.storage.SaveToFile(); }), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CodeOf([&] { doc.storage.SaveAs(path); }), ERROR_ACCESS_DENIED);
    Document other;
    other.AddBoxes(1);
    EXPECT_EQ(CodeOf([&] { other.storage.SaveAs(path); }), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadBytes(path), "");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Marked read-only after the document was opened, or before Save As, a file is refused whichever
// way the save would take (in place under Wine's own rights, replaced where rights carry over): the
// message names it and says it was left as it was, and nothing of it or of the folder changes.
TEST(Storage, AFileMarkedReadOnlyIsRefusedByEverySave) {
    enum class Op { Save, SaveAs, Copy };
    FailingIo carrying;
    Document source;
    source.AddBoxes(2);
    const std::string old = WithCrLf(source.Text());
    const int leftoversBefore = TempLeftovers();
    for (Editor::IFileIo* io : {&Editor::SystemFileIo(), static_cast<Editor::IFileIo*>(&carrying)})
        for (Op op : {Op::Save, Op::SaveAs, Op::Copy}) {
            SCOPED_TRACE(static_cast<int>(op));
            TempFolder folder(L"QvStoreMarked");
            const std::wstring path = folder.AddFile(L"doc.qvd", old), other = folder.AddFile(L"other.qvd", old);
            Document doc(*io);
            doc.storage.Open(op == Op::Save ? path : other, false);
            doc.AddBoxes(1);
            ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
            const std::wstring box = BoxOfSave([&] {
                if (op == Op::Save) doc.storage.SaveToFile();
                if (op == Op::SaveAs) doc.storage.SaveAs(path);
                if (op == Op::Copy) doc.storage.SaveCopy(path);
            });
            EXPECT_NE(box.find(path + L" is marked read-only. The file was left as it was."), std::wstring::npos);
            EXPECT_TRUE(Holds(path, old));
            EXPECT_TRUE(IsReadOnlyFile(path));
            EXPECT_TRUE(doc.storage.IsDirty());
            EXPECT_EQ(doc.storage.GetPath(), op == Op::Save ? path : other);
            EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::wstring>{L"doc.qvd", L"other.qvd"}));
            EXPECT_EQ(TempLeftovers(), leftoversBefore);
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
}

// Where rights carry over (as on Windows), a lone file is replaced by a new one; a file that another
// name leads to as well, or whose rights cannot be read or given to the new file, is rewritten in
// place by Save, Save As and a copy alike: it stays the same file, every name shows the saved
// diagram, and no new file is left beside it.
TEST(Storage, AFileWithAnotherNameOrRightsThatDoNotCarryOverIsRewrittenInPlace) {
    enum class Op { Save, SaveAs, Copy };
    struct Case {
        const char* what;
        Op op;
        bool secondName;
        DWORD readRights, writeRights;
        bool inPlace;
    };
    const Case cases[] = {
        {"one name, rights carried over", Op::Save, false, 0, 0, false},
        {"a second name", Op::Save, true, 0, 0, true},
        {"Save As onto a file with a second name", Op::SaveAs, true, 0, 0, true},
        {"a copy onto a file of another owner", Op::Copy, false, ERROR_INVALID_OWNER, 0, true},
        {"rights refused to the new file", Op::Save, false, 0, ERROR_ACCESS_DENIED, true},
    };
    Document longer;
    longer.AddBoxes(20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder(L"QvStoreKeep");
        const std::wstring path = folder.AddFile(L"doc.qvd", WithCrLf(longer.Text()));
        const std::wstring start = folder.AddFile(L"start.qvd"), second = folder.AddFile(L"second.qvd");
        DeleteFileW(second.c_str());
        if (c.secondName) {
            ASSERT_TRUE(CreateHardLinkW(second.c_str(), path.c_str(), nullptr));
        }
        const auto index = FileIndex(path);
        FailingIo io;
        io.readRightsError = c.readRights;
        io.writeRightsError = c.writeRights;
        Document doc(io);
        doc.storage.Open(c.op == Op::Save ? path : start, false);
        doc.AddBoxes(2);
        if (c.op == Op::Save) doc.storage.SaveToFile();
        if (c.op == Op::SaveAs) doc.storage.SaveAs(path);
        if (c.op == Op::Copy) doc.storage.SaveCopy(path);
        const std::string text = WithCrLf(doc.Text());
        EXPECT_TRUE(Holds(path, text));
        EXPECT_EQ(FileIndex(path) == index, c.inPlace);
        if (c.secondName) {
            EXPECT_TRUE(Holds(second, text));
        }
        std::vector<std::wstring> names{L"doc.qvd", L"start.qvd"};
        if (c.secondName) names.insert(names.begin() + 1, L"second.qvd");
        EXPECT_EQ(FilesIn(folder.Path()), names);
        if (c.op != Op::Copy) { EXPECT_EQ(OpenForWritingElsewhere(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION)); }
    }
}

TEST(Storage, SavingThroughASymbolicLinkKeepsTheLinkAndFillsItsTarget) {
    TempFolder folder(L"QvStoreLink");
    const std::wstring target = folder.AddFile(L"target.qvd");
    const std::wstring link = folder.Path() + L"\\link.qvd";
    if (!MakeUnixLink(target, link)) GTEST_SKIP() << "no symbolic link can be made here";
    Document doc;
    doc.storage.Open(link, false);
    doc.AddBoxes(2);
    doc.storage.SaveToFile();
    EXPECT_EQ(ReadBytes(target), WithCrLf(doc.Text()));
    EXPECT_TRUE(SameFileAt(link, target));
    EXPECT_EQ(OpenForWritingElsewhere(target), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    Document other;
    other.AddBoxes(1);
    doc.storage.SaveAs(folder.Path() + L"\\moved.qvd");  // lets go of the link's file
    other.storage.SaveAs(link);
    EXPECT_EQ(ReadBytes(target), WithCrLf(other.Text()));
    EXPECT_TRUE(SameFileAt(link, target));
    DeleteFileW(link.c_str());
    DeleteFileW((folder.Path() + L"\\moved.qvd").c_str());
}

TEST(Storage, SaveAsOntoItsOwnFileInOtherCaseIsASave) {
    TempFolder folder(L"QvStoreSelf");
    const std::wstring path = folder.AddFile(L"Self.qvd");
    Document doc;
    doc.storage.Open(path, false);
    doc.AddBoxes(2);
    std::wstring upper = path;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    doc.storage.SaveAs(upper);
    EXPECT_EQ(ReadBytes(path), WithCrLf(doc.Text()));
    EXPECT_EQ(doc.storage.GetPath(), path);
    EXPECT_FALSE(doc.storage.IsDirty());
}

TEST(Storage, SaveCopyWritesElsewhereAndKeepsTheDocumentAsItWas) {
    TempFolder folder(L"QvStoreCopyAs");
    const std::wstring path = folder.AddFile(L"doc.qvd");
    Document doc;
    doc.storage.Open(path, false);
    doc.AddBoxes(1);
    const std::wstring copy = folder.Path() + L"\\copy.qvd";
    doc.storage.SaveCopy(copy);
    EXPECT_EQ(ReadBytes(copy), WithCrLf(doc.Text()));
    EXPECT_EQ(doc.storage.GetPath(), path);
    EXPECT_TRUE(doc.storage.IsDirty());
    EXPECT_EQ(ReadBytes(path), "");
    DeleteFileW(copy.c_str());
}

TEST(Storage, ALoadThatSkipsElementsOfAnotherNamespaceWarns) {
    TempFolder folder(L"QvStoreWarn");
    Document source;
    source.AddBoxes(1);
    std::string text = source.Text();
    const size_t close = text.rfind("</");
    ASSERT_NE(close, std::string::npos);
    text.insert(close, "<f:Gadget xmlns:f=\"urn:quorvel-future\"/>\n");
    Document doc;
    doc.storage.Open(folder.AddFile(L"future.qvd", text), false);
    ASSERT_EQ(doc.warnings.size(), 1u);
    EXPECT_EQ(doc.warnings[0] & 1u, 1u);
    EXPECT_EQ(doc.model.GetElementCount(), 1u);

    Document plain;
    plain.storage.Open(folder.AddFile(L"plain.qvd", source.Text()), false);
    ASSERT_EQ(plain.warnings.size(), 1u);
    EXPECT_EQ(plain.warnings[0], 0u);
}

TEST(Storage, LoadWarningTextFollowsTheReadBits) {
    EXPECT_EQ(Editor::LoadWarningText(0), L"");
    EXPECT_EQ(Editor::LoadWarningText(2), L"");
    EXPECT_EQ(Editor::LoadWarningText(1).rfind(L"The diagram contained unrecognized elements", 0), 0u);
    EXPECT_EQ(Editor::LoadWarningText(3).rfind(L"This diagram was created by a newer version", 0), 0u);
}

} // namespace
