// The file operations through which a document is saved: the system's own, or a test's stand-in
// that fails on purpose at any step (a full disk, a broken device, a refused rename), and the safe
// save built on them.
#pragma once

#include "app/winutil/Exceptions.h"
#include "app/winutil/FileHandle.h"
#include "app/winutil/Platform.h"

#include <functional>
#include <string>

namespace Editor {

// The steps of a save; every operation answers 0 or a system error code.
class IFileIo {
public:
    virtual ~IFileIo() = default;
    // Creates a file that must not exist yet, open for reading and writing and shared with nobody.
    virtual DWORD CreateNew(const std::wstring& path, WinUtil::FileHandle& file) = 0;
    // Writes all bytes at the file's current position (1359 when fewer were written).
    virtual DWORD Write(HANDLE file, const void* data, DWORD size) = 0;
    // Forces what was written to the disk.
    virtual DWORD Flush(HANDLE file) = 0;
    // Puts the file from in the place of the file to (which need not exist) in one step.
    virtual DWORD Replace(const std::wstring& from, const std::wstring& to) = 0;
};

// The system's file operations.
IFileIo& SystemFileIo();

// A save that failed before it touched the file: the system's error and what became of the file.
class SaveFailed : public WinUtil::ComException {
public:
    // The system error code and a sentence for the user after the system's message.
    SaveFailed(long code, const std::string& note);
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The path that a save into path has to replace: the file a symbolic link or junction at path leads
// to (so that the link stays and its target gets the content), else path itself.
std::wstring ReplacedPath(const std::wstring& path);

// Writes bytes into a new file beside target, flushes it and moves it over target in one step, so
// that target holds its old content or all of bytes whatever fails, and wherever the program stops.
// The new file takes the old one's creation time and its hidden, system and archive attributes.
// release runs just before the move: whoever holds target open must let go of it by then. Throws
// SaveFailed, leaving target as it was and no file of its own behind.
void WriteReplacing(IFileIo& io, const std::wstring& target, const std::string& bytes,
                    const std::function<void()>& release);

} // namespace Editor
