// The file operations through which a document is saved: the system's own, or a test's stand-in
// that fails on purpose (a full disk, a broken copy).
#pragma once

#include "app/winutil/Exceptions.h"
#include "app/winutil/Platform.h"

#include <string>

namespace Editor {

// Writing and copying file contents; every operation answers 0 or a system error code.
class IFileIo {
public:
    virtual ~IFileIo() = default;
    // Writes all bytes at the file's current position (1359 when fewer were written).
    virtual DWORD Write(HANDLE file, const void* data, DWORD size) = 0;
    // Makes the target's content exactly the source's (WinUtil::CopyFileContents).
    virtual DWORD CopyContents(HANDLE source, HANDLE target) = 0;
};

// The system's file operations.
IFileIo& SystemFileIo();

// A new, empty file with the prefix "qvd" in the user's temporary directory; answers its full
// path. Throws WinUtil::ComException with the system error code on failure.
std::wstring MakeTempFileName();

// A save whose copy into the target failed: the complete text stays in the temporary file, whose
// path the message names so that the user can rescue it.
class SaveCopyFailed : public WinUtil::ComException {
public:
    // The system error code of the copy and the path of the kept temporary file.
    SaveCopyFailed(long code, std::wstring keptFile);
    // The path of the temporary file that holds the complete document.
    const std::wstring& KeptFile() const { return keptFile_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::wstring keptFile_;
    std::string message_;
};

} // namespace Editor
