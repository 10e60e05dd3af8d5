// The document storage: holding the file, reading (empty files, LF and CR LF), safe saving through a
// temporary file, saves that fail on purpose, and the marks and their observers.
#include "Editor/StorageHolder.h"
#include "Editor/tests/EditorWindows.h"
#include "core/Transaction.h"
#include "core/tests/TestKinds.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using namespace EditorTest;
using TestKinds::Box;

std::string ReadBytes(const std::wstring& path) {
    WinUtil::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file.IsValid()) return "<missing>";
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The files of the temporary folder that a save of ours would leave ("qvd*.tmp").
int TempLeftovers() {
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"qvd*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count; while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

// Counts how often a new diagram is filled.
struct CountingInitializer : Core::Diagram::Initializer {
    int calls = 0;
    void InitNewDiagram(Core::Diagram&) override { ++calls; }
};

// A model with its storage; warnings are collected instead of shown.
struct Document {
    CountingInitializer init;
    Core::Diagram model{TestKinds::Registry(), &init};
    std::vector<unsigned> warnings;
    Editor::StorageHolder storage;

    explicit Document(Editor::IFileIo& io = Editor::SystemFileIo())
        : storage(model, io, [this](unsigned flags) { warnings.push_back(flags); }) {}

    void AddBoxes(int count) {
        Core::Transaction t(model);
        Core::Env env(t);
        for (int i = 0; i < count; ++i) Box::Factory().CreateTyped(env)->SetPos(env, {i * 100, 50});
        model.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    // The text the model writes, with LF line ends.
    std::string Text() const {
        std::ostringstream out;
        model.SaveXML(out);
        return out.str();
    }
};

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Lets a test make writes or copies fail as a full disk or a broken device would.
struct FailingIo : Editor::IFileIo {
    DWORD writeError = 0;
    DWORD copyError = 0;
    DWORD Write(HANDLE file, const void* data, DWORD size) override {
        return writeError ? writeError : Editor::SystemFileIo().Write(file, data, size);
    }
    DWORD CopyContents(HANDLE source, HANDLE target) override {
        return copyError ? copyError : Editor::SystemFileIo().CopyContents(source, target);
    }
};

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

long CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const WinUtil::ComException& e) {
        return e.Code();
    }
    return 0;
}

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

TEST(Storage, AFailingWriteLeavesTheOldFileByteIdenticalAndNoTemporaryFile) {
    TempFolder folder(L"QvStoreFull");
    Document original;
    original.AddBoxes(2);
    const std::string old = WithCrLf(original.Text());
    const std::wstring path = folder.AddFile(L"doc.qvd", old);
    const int leftoversBefore = TempLeftovers();

    FailingIo io;
    Document doc(io);
    Observers seen;
    doc.storage.Open(path, false);
    seen.AttachTo(doc.storage);
    doc.AddBoxes(5);
    io.writeError = ERROR_DISK_FULL;
    EXPECT_EQ(CodeOf([&] { doc.storage.SaveToFile(); }), ERROR_DISK_FULL);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(TempLeftovers(), leftoversBefore);
    EXPECT_TRUE(doc.storage.IsDirty());
    EXPECT_TRUE(seen.saved.empty());

    // Save As onto another existing file: it keeps its text; a new name is not even created.
    const std::wstring other = folder.AddFile(L"other.qvd", "keep me");
    EXPECT_EQ(CodeOf([&] { doc.storage.SaveAs(other); }), ERROR_DISK_FULL);
    EXPECT_EQ(ReadBytes(other), "keep me");
    EXPECT_EQ(CodeOf([&] { doc.storage.SaveAs(folder.Path() + L"\\new.qvd"); }), ERROR_DISK_FULL);
    EXPECT_FALSE(Exists(folder.Path() + L"\\new.qvd"));
    EXPECT_EQ(doc.storage.GetPath(), path);

    io.writeError = 0;
    doc.storage.SaveToFile();
    EXPECT_EQ(ReadBytes(path), WithCrLf(doc.Text()));
    EXPECT_EQ(seen.saved, std::vector<std::wstring>{path});
    EXPECT_EQ(seen.dirty, std::vector<bool>({true, false}));
}

TEST(Storage, AFailingCopyKeepsTheCompleteTemporaryFileAndNamesIt) {
    TempFolder folder(L"QvStoreCopy");
    const std::wstring path = folder.AddFile(L"doc.qvd");
    FailingIo io;
    Document doc(io);
    doc.storage.Open(path, false);
    doc.AddBoxes(4);
    io.copyError = ERROR_HANDLE_DISK_FULL;
    std::wstring kept;
    try {
        doc.storage.SaveToFile();
        ADD_FAILURE() << "the save succeeded";
    } catch (const Editor::SaveCopyFailed& e) {
        kept = e.KeptFile();
        EXPECT_EQ(e.Code(), ERROR_HANDLE_DISK_FULL);
        EXPECT_NE(std::string(e.what()).find("qvd"), std::string::npos);
    }
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(ReadBytes(kept), WithCrLf(doc.Text()));
    EXPECT_EQ(ReadBytes(path), "");
    DeleteFileW(kept.c_str());

    // A Save As whose copy fails removes the file it had to create.
    try {
        doc.storage.SaveAs(folder.Path() + L"\\made.qvd");
    } catch (const Editor::SaveCopyFailed& e) {
        DeleteFileW(e.KeptFile().c_str());
    }
    EXPECT_FALSE(Exists(folder.Path() + L"\\made.qvd"));
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
