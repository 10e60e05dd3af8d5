// What the storage tests share: documents of the test kinds with their storage, stand-ins that make
// a step of a save fail, and readers of the files and folders a save leaves.
#pragma once

#include "Editor/StorageHolder.h"
#include "core/Transaction.h"
#include "core/tests/TestKinds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace EditorTest {

// The bytes of a file ("<missing>" when it cannot be read).
inline std::string ReadBytes(const std::wstring& path) {
    WinUtil::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file.IsValid()) return "<missing>";
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

// Whether the file holds exactly expected; a difference is told by the sizes, where it begins and
// the NUL bytes found, since a whole document in the message would bury it.
inline ::testing::AssertionResult Holds(const std::wstring& path, const std::string& expected) {
    const std::string actual = ReadBytes(path);
    if (actual == expected) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << actual.size() << " bytes instead of " << expected.size()
                                         << ", different from byte " << at << " on, with "
                                         << std::count(actual.begin(), actual.end(), '\0') << " NUL bytes";
}

// Counts how often a new diagram is filled.
struct CountingInitializer : Core::Diagram::Initializer {
    int calls = 0;
    void InitNewDiagram(Core::Diagram&) override { ++calls; }
};

// A model of the test kinds with its storage; warnings are collected instead of shown.
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
        for (int i = 0; i < count; ++i) TestKinds::Box::Factory().CreateTyped(env)->SetPos(env, {i * 100, 50});
        model.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    // The text the model writes, with LF line ends.
    std::string Text() const {
        std::ostringstream out;
        model.SaveXML(out);
        return out.str();
    }
};

// The text with every line feed written as CR LF, as the storage writes it.
inline std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Lets a test make any step of a save fail as a full disk, a broken device or a refused rename would:
// every call of a step (the ...Error codes), or only the n-th write or flush from now on (counted
// from 1; the write stops half-way as a disk that fills up does). The rights of a file carry over
// to a new one, as they do on Windows (under Wine they cannot, and the system's save rewrites every
// existing file in place), unless reading or giving them fails.
struct FailingIo : Editor::IFileIo {
    DWORD createError = 0, writeError = 0, flushError = 0, replaceError = 0, setLengthError = 0;
    DWORD readRightsError = 0, writeRightsError = 0;
    int failingWrite = 0, failingFlush = 0;
    DWORD stepError = ERROR_DISK_FULL;
    Editor::IFileIo& system = Editor::SystemFileIo();
    DWORD CreateNew(const std::wstring& path, WinUtil::FileHandle& file) override {
        return createError ? createError : system.CreateNew(path, file);
    }
    DWORD Write(HANDLE file, const void* data, DWORD size) override {
        if (failingWrite > 0 && --failingWrite == 0) {
            system.Write(file, data, size / 2);
            return stepError;
        }
        return writeError ? writeError : system.Write(file, data, size);
    }
    DWORD Flush(HANDLE file) override {
        if (failingFlush > 0 && --failingFlush == 0) return stepError;
        return flushError ? flushError : system.Flush(file);
    }
    DWORD Replace(const std::wstring& from, const std::wstring& to) override {
        return replaceError ? replaceError : system.Replace(from, to);
    }
    DWORD SetLength(HANDLE file, ULONGLONG length) override {
        return setLengthError ? setLengthError : system.SetLength(file, length);
    }
    DWORD ReadRights(const std::wstring&, std::vector<BYTE>&) override { return readRightsError; }
    DWORD WriteRights(const std::wstring&, const std::vector<BYTE>&) override { return writeRightsError; }
};

// A file opened as a viewer, an indexer or a backup program opens it: reading, and letting others
// read and write.
struct Reader {
    WinUtil::FileHandle file;
    explicit Reader(const std::wstring& path, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE)
        : file(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
};

// The names in a folder, "." and ".." left out.
inline std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// The files of the temporary folder that a save of ours would leave ("qvd*.tmp").
inline int TempLeftovers() {
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

// 0 when another program could open the file for writing now, else the system error code.
inline DWORD OpenForWritingElsewhere(const std::wstring& path) {
    WinUtil::FileHandle other(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    return other.IsValid() ? 0 : GetLastError();
}

// The code of the WinUtil::ComException that f throws, 0 when it throws none.
inline long CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const WinUtil::ComException& e) {
        return e.Code();
    }
    return 0;
}

} // namespace EditorTest
