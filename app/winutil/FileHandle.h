// An owned Windows file handle, closed with the object.
#pragma once

#include "app/winutil/Platform.h"

#include <utility>

namespace WinUtil {

// Owns a file handle (INVALID_HANDLE_VALUE when empty); movable, not copyable.
class FileHandle {
public:
    FileHandle() = default;
    // Takes ownership of an open handle (INVALID_HANDLE_VALUE or null stays empty).
    explicit FileHandle(HANDLE handle) : handle_(handle ? handle : INVALID_HANDLE_VALUE) {}
    FileHandle(FileHandle&& other) noexcept : handle_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Reset(); }

    // The handle (INVALID_HANDLE_VALUE when empty).
    HANDLE Get() const { return handle_; }
    // Whether a handle is held.
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Closes the held handle and takes the new one.
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (IsValid()) CloseHandle(handle_);
        handle_ = handle ? handle : INVALID_HANDLE_VALUE;
    }
    // Gives up ownership.
    HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace WinUtil
