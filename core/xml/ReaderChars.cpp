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

bool ParseCharacterReference(std::string_view body, char32_t& cp) {
    const bool hex = body.size() > 1 && body[0] == '#' && body[1] == 'x';
    const std::size_t first = hex ? 2 : 1;
    if (body.empty() || body[0] != '#' || body.size() <= first) return false;
    cp = 0;
    for (std::size_t k = first; k < body.size(); ++k) {
        const char d = body[k];
        unsigned v;
        if (d >= '0' && d <= '9') v = unsigned(d - '0');
        else if (hex && d >= 'a' && d <= 'f') v = unsigned(d - 'a' + 10);
        else if (hex && d >= 'A' && d <= 'F') v = unsigned(d - 'A' + 10);
        else return false;
        if (cp <= 0x10FFFF) cp = cp * (hex ? 16 : 10) + v;
    }
    if (cp > 0x10FFFF) cp = 0x110000;
    return true;
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
