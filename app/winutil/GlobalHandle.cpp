#include "app/winutil/GlobalHandle.h"

#include <cstring>
#include <new>

namespace WinUtil {

GlobalHandle GlobalHandle::Allocate(SIZE_T size, UINT flags) {
    HGLOBAL h = GlobalAlloc(flags, size ? size : 1);
    if (!h) throw std::bad_alloc();
    return GlobalHandle(h);
}

GlobalHandle GlobalHandle::FromBytes(const void* data, SIZE_T size) {
    GlobalHandle block = Allocate(size);
    if (size) {
        GlobalLock lock(block.Get());
        if (!lock.Data()) throw std::bad_alloc();
        std::memcpy(lock.Data(), data, size);
    }
    return block;
}

} // namespace WinUtil
