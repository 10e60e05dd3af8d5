#include "core/xml/ReaderChars.h"

#include "core/foundation/UTF8.h"

namespace xml::detail {

bool IsNameStartCode(char32_t c) {
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameCode(char32_t c) {
    return IsNameStartCode(c) || c == 0xB7 || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

char32_t CodeAt(std::string_view s, std::size_t i, std::size_t& len) {
    char32_t cp = 0;
    const int n = zq::DecodeOneUTF8(reinterpret_cast<const unsigned char*>(s.data() + i), s.size() - i, cp);
    len = n > 0 ? std::size_t(n) : 1;
    return n > 0 ? cp : 0xFFFFFFFF;
}

bool NameStartAt(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return (kAsciiName[c] & kNameStart) != 0;
    std::size_t len;
    return IsNameStartCode(CodeAt(s, i, len));
}

// A text read through a UTF-8 stream shows the byte-order mark as two 0xFF bytes (see ReadUTF8).
bool IsUTF16(std::string_view d) {
    const auto starts = [&](std::string_view p) { return d.compare(0, p.size(), p) == 0; };
    using namespace std::string_view_literals;
    if (starts("\xFF\xFE"sv) || starts("\xFE\xFF"sv)) return true;
    if (starts("\xFF\xFF"sv)) d.remove_prefix(2);
    return starts("<\0"sv) || starts("\0<"sv);
}

} // namespace xml::detail
