// The "Object Descriptor" record: building it and reading it back with every offset checked.
#include "app/DataTransfer.h"

#include "app/winutil/ClipFormat.h"

#include <cstring>
#include <new>

namespace Application {

namespace {

// The terminated UTF-16 name at a byte offset of the record; 0 means no name.
bool ReadName(const BYTE* bytes, size_t size, DWORD offset, std::wstring& out) {
    out.clear();
    if (offset == 0) return true;
    if (offset < sizeof(OBJECTDESCRIPTOR) || offset >= size) return false;
    size_t count = (size - offset) / sizeof(wchar_t);
    for (size_t i = 0; i < count; ++i) {
        wchar_t c;
        std::memcpy(&c, bytes + offset + i * sizeof(wchar_t), sizeof c);
        if (c == L'\0') return true;
        out += c;
    }
    out.clear();
    return false;  // no terminator inside the record
}

} // namespace

WinUtil::GlobalHandle MakeObjectDescriptor(const ObjectDescriptor& d, bool readStatus) {
    const size_t typeBytes = d.fullUserTypeName.empty() ? 0 : (d.fullUserTypeName.size() + 1) * sizeof(wchar_t);
    const size_t sourceBytes = d.sourceName.empty() ? 0 : (d.sourceName.size() + 1) * sizeof(wchar_t);
    const size_t total = sizeof(OBJECTDESCRIPTOR) + typeBytes + sourceBytes;
    WinUtil::GlobalHandle block = WinUtil::GlobalHandle::Allocate(total);
    WinUtil::GlobalLock lock(block.Get());
    auto* bytes = static_cast<BYTE*>(lock.Data());
    if (!bytes) throw std::bad_alloc();
    OBJECTDESCRIPTOR od{};
    od.cbSize = static_cast<ULONG>(total);
    od.clsid = d.clsid;
    od.dwDrawAspect = d.drawAspect;
    od.sizel = d.size;
    od.pointl = d.dragPoint;
    od.dwStatus = d.status;
    if (readStatus) {
        DWORD status = 0;
        if (SUCCEEDED(OleRegGetMiscStatus(d.clsid, DVASPECT_CONTENT, &status))) od.dwStatus = status;
    }
    size_t at = sizeof(OBJECTDESCRIPTOR);
    if (typeBytes) {
        od.dwFullUserTypeName = static_cast<DWORD>(at);
        std::memcpy(bytes + at, d.fullUserTypeName.c_str(), typeBytes);
        at += typeBytes;
    }
    if (sourceBytes) {
        od.dwSrcOfCopy = static_cast<DWORD>(at);
        std::memcpy(bytes + at, d.sourceName.c_str(), sourceBytes);
    }
    std::memcpy(bytes, &od, sizeof od);
    return block;
}

bool ParseObjectDescriptor(const void* block, size_t size, ObjectDescriptor& out) {
    if (!block || size < sizeof(OBJECTDESCRIPTOR)) return false;
    OBJECTDESCRIPTOR od;
    std::memcpy(&od, block, sizeof od);
    // The record's own size must cover its header and lie inside the block.
    if (od.cbSize < sizeof(OBJECTDESCRIPTOR) || od.cbSize > size) return false;
    const auto* bytes = static_cast<const BYTE*>(block);
    ObjectDescriptor d;
    if (!ReadName(bytes, od.cbSize, od.dwFullUserTypeName, d.fullUserTypeName)) return false;
    if (!ReadName(bytes, od.cbSize, od.dwSrcOfCopy, d.sourceName)) return false;
    d.clsid = od.clsid;
    d.drawAspect = od.dwDrawAspect;
    d.size = od.sizel;
    d.dragPoint = od.pointl;
    d.status = od.dwStatus;
    out = d;
    return true;
}

bool ReadObjectDescriptor(const IDataHolder& holder, ObjectDescriptor& out) {
    auto bytes = holder.GetGlobalData(WinUtil::GetObjectDescriptorClipFormat());
    if (!bytes) return false;
    return ParseObjectDescriptor(bytes->data(), bytes->size(), out);
}

} // namespace Application
