#include "app/winutil/ClipFormat.h"

#include <atomic>
#include <stdexcept>

namespace WinUtil {

namespace {

CLIPFORMAT Register(const wchar_t* name) {
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name));
}

} // namespace

CLIPFORMAT GetEmbedSourceClipFormat() {
    static const CLIPFORMAT format = Register(L"Embed Source");
    return format;
}

CLIPFORMAT GetPngClipFormat() {
    static const CLIPFORMAT format = Register(L"PNG");
    return format;
}

CLIPFORMAT GetEmbeddedObjectClipFormat() {
    static const CLIPFORMAT format = Register(L"Embedded Object");
    return format;
}

CLIPFORMAT GetObjectDescriptorClipFormat() {
    static const CLIPFORMAT format = Register(L"Object Descriptor");
    return format;
}

PrivateClipFormat::PrivateClipFormat() {
    static std::atomic<unsigned> next{CF_PRIVATEFIRST};
    unsigned id = next.fetch_add(1);
    if (id > CF_PRIVATELAST) throw std::length_error("no private clipboard format left");
    id_ = static_cast<CLIPFORMAT>(id);
}

} // namespace WinUtil
