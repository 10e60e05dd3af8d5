// The file operations through which a document or a picture is saved: the system's own, or a test's
// stand-in that fails on purpose at any step (a full disk, a broken device, a refused rename), and the
// two saves built on them: a new file that replaces the old one, and the rewrite of the file in place
// where no new file may take its place. Either way an existing file stays itself: its rights, its
// other names and its attributes; a file marked read-only is refused.
#pragma once

#include "app/winutil/Exceptions.h"
#include "app/winutil/FileHandle.h"
#include "app/winutil/Platform.h"

#include <functional>
#include <string>
#include <vector>

namespace Editor {

// How a document's file is held open: written through to the disk, read from start to end.
inline constexpr DWORD kHeldFileFlags = FILE_FLAG_WRITE_THROUGH | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;

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
    // Makes the file length bytes long (its end moves there; the position is left anywhere).
    virtual DWORD SetLength(HANDLE file, ULONGLONG length) = 0;
    // Reads the access rights of the existing file at path, for WriteRights to give to the new file
    // that takes its place; a code when a new file cannot get them (the file belongs to another
    // user, or the system keeps rights in a form that does not carry over).
    virtual DWORD ReadRights(const std::wstring& path, std::vector<BYTE>& rights) = 0;
    // Gives the file at path the rights that ReadRights read.
    virtual DWORD WriteRights(const std::wstring& path, const std::vector<BYTE>& rights) = 0;
};

// The system's file operations.
IFileIo& SystemFileIo();

// A save that failed: the system's error and what became of the file.
class SaveFailed : public WinUtil::ComException {
public:
    // The system error code and a sentence for the user after the system's message; keptCopy names
    // the file that holds the complete document when the save's own file may be incomplete.
    SaveFailed(long code, const std::string& note, std::wstring keptCopy = {});
    const char* what() const noexcept override { return message_.c_str(); }
    // The file that holds the whole document (empty when the save's file was left as it was).
    const std::wstring& KeptCopy() const noexcept { return keptCopy_; }

private:
    std::string message_;
    std::wstring keptCopy_;
};

// Whether the file carries the read-only attribute, which refuses writing even where the system
// would let a privileged user write.
bool IsReadOnlyFile(const std::wstring& path);

// Throws SaveFailed naming the file when it carries the read-only attribute (a save leaves it as it is).
void RefuseReadOnly(const std::wstring& path);

// Writes bytes into a new file beside the file at path (at a symbolic link's end: the link stays),
// flushes it and moves it over the old file in one step, so that the file holds its old content or
// all of bytes whatever fails, and wherever the program stops. The new file takes the old one's
// creation time, rights, and hidden, system and archive attributes. release runs just before the
// move: whoever holds the file open must let go of it by then. A file marked read-only is refused
// (RefuseReadOnly) before anything is written. Answers 0 when the file holds bytes, or the code
// why it is to be rewritten in place instead (nothing of it touched, no file of ours left): the
// folder allows no new file, another program keeps the file from being replaced, other names lead
// to the file too, or a new file cannot get its rights. Throws SaveFailed on any other failure,
// leaving the file as it was and no file of its own behind.
DWORD WriteReplacing(IFileIo& io, const std::wstring& path, const std::string& bytes,
                     const std::function<void()>& release);

// Opens an existing file to be rewritten in place and held as a document's file: read and write,
// others may only read. refused is the code of the safe save that was refused, thrown when there is
// no such file; any other failure throws SaveFailed with the system's code.
WinUtil::FileHandle OpenForRewrite(const std::wstring& path, DWORD refused);

// Rewrites the open file target with bytes in place: the whole text goes to a temporary file first
// (in the temporary folder), then target grows to its new length before any of its bytes is
// overwritten, is written from its start, cut to the new length and flushed. A failure before its
// old bytes are touched (a full disk) throws SaveFailed leaving target as it was; a later one keeps
// the temporary file, whose path the exception's message names, as the complete document.
void WriteInPlace(IFileIo& io, HANDLE target, const std::string& bytes);

// Writes bytes into the file at path that nobody holds (a copy, a picture): by WriteReplacing, else
// rewritten in place (OpenForRewrite, WriteInPlace). Throws SaveFailed as they do.
void WriteCopy(IFileIo& io, const std::wstring& path, const std::string& bytes);

} // namespace Editor
