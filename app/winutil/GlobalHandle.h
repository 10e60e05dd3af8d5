// An owned global memory block.
#pragma once

#include "app/winutil/Platform.h"

namespace WinUtil {

// Owns an HGLOBAL and frees it with the object unless released.
class GlobalHandle {
public:
    GlobalHandle() = default;
    // Takes ownership of a block.
    explicit GlobalHandle(HGLOBAL handle) : handle_(handle) {}
    GlobalHandle(GlobalHandle&& o) noexcept : handle_(o.Release()) {}
    GlobalHandle& operator=(GlobalHandle&& o) noexcept { if (this != &o) Reset(o.Release()); return *this; }
    GlobalHandle(const GlobalHandle&) = delete;
    GlobalHandle& operator=(const GlobalHandle&) = delete;
    ~GlobalHandle() { Free(); }

    // Allocates a block; throws std::bad_alloc when memory is exhausted.
    static GlobalHandle Allocate(SIZE_T size, UINT flags = GMEM_MOVEABLE | GMEM_ZEROINIT);
    // A new block holding a copy of the bytes.
    static GlobalHandle FromBytes(const void* data, SIZE_T size);

    // The block (still owned).
    HGLOBAL Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Frees the held block and takes another.
    void Reset(HGLOBAL handle = nullptr) { Free(); handle_ = handle; }
    // Gives up ownership.
    HGLOBAL Release() { HGLOBAL h = handle_; handle_ = nullptr; return h; }
    // Frees the block.
    void Free() { if (handle_) { GlobalFree(handle_); handle_ = nullptr; } }
    // The block's size in bytes (0 when none).
    SIZE_T Size() const { return handle_ ? GlobalSize(handle_) : 0; }

private:
    HGLOBAL handle_ = nullptr;
};

// Locks a global block for the life of the object.
class GlobalLock {
public:
    // Locks the block; Data() is null when that failed.
    explicit GlobalLock(HGLOBAL handle) : handle_(handle), data_(handle ? ::GlobalLock(handle) : nullptr) {}
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
    ~GlobalLock() { if (data_) ::GlobalUnlock(handle_); }
    // The block's bytes.
    void* Data() const { return data_; }
    // The block's size in bytes.
    SIZE_T Size() const { return data_ ? ::GlobalSize(handle_) : 0; }

private:
    HGLOBAL handle_;
    void* data_;
};

} // namespace WinUtil
