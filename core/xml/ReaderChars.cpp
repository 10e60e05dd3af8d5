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

void AppendPlainText(std::wstring& out, const char* s, std::size_t i, std::size_t end, const char* limit, bool attribute) {
    // Characters gather in a buffer on the stack, eight bytes of plain ASCII at a time.
    constexpr std::size_t kRoom = 64;
    wchar_t buf[kRoom + 8];
    std::size_t k = 0;
    while (i < end) {
        if (k > kRoom - 8) {
            out.append(buf, k);
            k = 0;
        }
        if (s + i + 8 <= limit) {
            // Eight bytes widened at once; those from the first one that needs more (or from the
            // end of the text) are not kept.
            const std::uint64_t w = LoadWord(s + i);
            std::uint64_t stops = (attribute ? BytesBelow(w, 0x20) : BytesEqual(w, '\r')) | (w & kHighBits);
            if (end - i < 8) stops |= kHighBits & ~((std::uint64_t(1) << (8 * (end - i))) - 1);
            WidenWord(buf + k, w);
            const std::size_t n = stops == 0 ? 8 : FirstFound(stops);
            k += n;
            i += n;
            if (n == 8 || i >= end) continue;
        }
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80 && (c >= 0x20 || (!attribute && c != '\r'))) {
            buf[k++] = static_cast<wchar_t>(c);  // in text, TAB and LF stay as they are
            ++i;
        } else if (c >= 0x80) {
            out.append(buf, k);
            k = 0;
            char32_t cp = 0;
            const int len = zq::DecodeOneUTF8(reinterpret_cast<const unsigned char*>(s + i), end - i, cp);
            zq::AppendWide(out, cp);
            i += std::size_t(len > 0 ? len : 1);
        } else if (c == '\r') {
            buf[k++] = attribute ? L' ' : L'\n';
            ++i;
            if (i < end && s[i] == '\n') ++i;
        } else {  // TAB or LF in an attribute value
            buf[k++] = L' ';
            ++i;
        }
    }
    out.append(buf, k);
}

namespace {

// The character of a reference's body (between "&" and ";"), or 0 with error set.
char32_t ReferencedChar(std::string_view ref, std::string& error) {
    if (ref[0] == '#') {
        char32_t cp = 0;
        if (!ParseCharacterReference(ref, cp)) error = "malformed character reference";
        else if (cp > 0x10FFFF) error = "character reference out of range";
        else if (!IsXmlChar(cp)) error = "character reference to a character not allowed in XML";
        else return cp;
        return 0;
    }
    if (ref == "amp") return U'&';
    if (ref == "lt") return U'<';
    if (ref == "gt") return U'>';
    if (ref == "quot") return U'"';
    if (ref == "apos") return U'\'';
    error = Text("unknown entity ", Quote(ref));
    return 0;
}

} // namespace

std::size_t DecodeText(const char* s, std::size_t begin, std::size_t end, const char* limit, bool attribute,
                       std::wstring* out, std::string& error) {
    if (out != nullptr) out->clear();
    for (std::size_t i = begin;;) {
        const void* amp = std::memchr(s + i, '&', end - i);
        const std::size_t j = amp == nullptr ? end : std::size_t(static_cast<const char*>(amp) - s);
        if (out != nullptr) AppendPlainText(*out, s, i, j, limit, attribute);
        if (j == end) return std::string_view::npos;
        i = j;
        const std::size_t semi = std::string_view(s + i, end - i).find(';');
        if (semi == std::string_view::npos || semi < 2) {
            error = "malformed entity or character reference";
            return i;
        }
        const char32_t cp = ReferencedChar(std::string_view(s + i + 1, semi - 1), error);
        if (cp == 0) return i;
        if (out != nullptr) zq::AppendWide(*out, cp);
        i += semi + 1;
    }
}

bool SameDecodedName(std::string_view utf8, std::wstring_view wide) {
    std::wstring decoded;
    zq::DecodeUTF8(utf8, decoded);
    return decoded == wide;
}

void AssignWide(std::wstring& out, std::string_view utf8) {
    out.clear();
    zq::DecodeUTF8(utf8, out);
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
