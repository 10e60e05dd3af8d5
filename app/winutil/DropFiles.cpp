#include "app/winutil/DropFiles.h"

#include "app/winutil/GlobalHandle.h"

#include <cstring>

namespace WinUtil {

namespace {

std::wstring FromAnsi(const char* text, size_t length) {
    if (length == 0) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), out.data(), n);
    return out;
}

// Reads a double-zero-terminated list of units of type Char from [begin, end).
template <class Char, class Convert>
std::optional<std::vector<std::wstring>> ReadList(const BYTE* begin, const BYTE* end, Convert convert) {
    size_t count = static_cast<size_t>(end - begin) / sizeof(Char);
    std::vector<Char> units(count);
    if (count) std::memcpy(units.data(), begin, count * sizeof(Char));  // the offset may be unaligned
    std::vector<std::wstring> names;
    size_t i = 0;
    for (;;) {
        if (i >= count) return std::nullopt;  // no final terminator inside the block
        if (units[i] == 0) return names;
        size_t start = i;
        while (i < count && units[i] != 0) ++i;
        if (i >= count) return std::nullopt;  // a name runs off the end
        names.push_back(convert(units.data() + start, i - start));
        ++i;
    }
}

} // namespace

std::optional<std::vector<std::wstring>> ParseDropFiles(const void* block, size_t size) {
    if (!block || size < sizeof(DROPFILES)) return std::nullopt;
    DROPFILES header;
    std::memcpy(&header, block, sizeof header);
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= size) return std::nullopt;
    const BYTE* bytes = static_cast<const BYTE*>(block);
    const BYTE* begin = bytes + header.pFiles;
    const BYTE* end = bytes + size;
    if (header.fWide) {
        return ReadList<wchar_t>(begin, end, [](const wchar_t* s, size_t n) { return std::wstring(s, n); });
    }
    return ReadList<char>(begin, end, [](const char* s, size_t n) { return FromAnsi(s, n); });
}

std::optional<std::vector<std::wstring>> ParseDropFiles(HGLOBAL block) {
    GlobalLock lock(block);
    if (!lock.Data()) return std::nullopt;
    return ParseDropFiles(lock.Data(), lock.Size());
}

} // namespace WinUtil
