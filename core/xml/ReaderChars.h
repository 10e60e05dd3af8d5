// Helpers of the XML reader's sources: character classes of names and message text.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <string>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace xml::detail {

inline bool IsSpace(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u <= ' ' && ((1ull << u) & (1ull << ' ' | 1ull << '\n' | 1ull << '\t' | 1ull << '\r')) != 0;
}

// Classes of ASCII name characters: bit 1 may start a name, bit 2 may follow in one.
inline constexpr unsigned char kNameStart = 1, kNameChar = 2;
inline constexpr auto kAsciiName = [] {
    std::array<unsigned char, 128> t{};
    for (int c = 0; c < 128; ++c) {
        const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
        const bool more = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
        t[std::size_t(c)] = static_cast<unsigned char>((start ? kNameStart : 0) | (more ? kNameChar : 0));
    }
    return t;
}();

// Word-at-a-time tests over eight bytes of a document (as one 64-bit word): each answers a word
// whose high bit is set in the bytes found, or in more bytes above the first one found (so only
// "none" and "the lowest one" are exact), except ZeroBytes, which is exact in every byte.
inline constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighBits = 0x8080808080808080ull;
inline std::uint64_t LoadWord(const char* s) {
    std::uint64_t w;
    std::memcpy(&w, s, 8);
    return w;
}
// Bytes equal to c.
inline std::uint64_t BytesEqual(std::uint64_t w, unsigned char c) {
    const std::uint64_t x = w ^ (kOnes * c);
    return (x - kOnes) & ~x & kHighBits;
}
// Bytes below c (c at most 0x80).
inline std::uint64_t BytesBelow(std::uint64_t w, unsigned char c) { return (w - kOnes * c) & ~w & kHighBits; }
// Bytes equal to c, exactly.
inline std::uint64_t ZeroBytes(std::uint64_t w, unsigned char c) {
    const std::uint64_t x = w ^ (kOnes * c), low = ~kHighBits;
    return ~(((x & low) + low) | x | low);
}
// The number of bytes equal to c in s[0, n).
inline std::size_t CountByte(const char* s, std::size_t n, unsigned char c) {
    std::size_t count = 0, i = 0;
    for (; i + 8 <= n; i += 8) count += std::size_t(((ZeroBytes(LoadWord(s + i), c) >> 7) * kOnes) >> 56);
    for (; i < n; ++i) count += static_cast<unsigned char>(s[i]) == c;
    return count;
}
static_assert(std::endian::native == std::endian::little, "the word tests read words as little-endian");
// The place of the lowest byte a word test found.
inline std::size_t FirstFound(std::uint64_t found) { return std::size_t(std::countr_zero(found) / 8); }
// The end of the run of plain ASCII from s[i] (no "&", nothing above U+007F and no control
// character, where text lets TAB and LF stand), at most end. The document holds no other control
// characters (checked up front).
inline std::size_t PlainRunEnd(const char* s, std::size_t i, std::size_t end, bool text) {
    for (; i + 8 <= end; i += 8) {
        const std::uint64_t w = LoadWord(s + i);
        const std::uint64_t controls = text ? BytesEqual(w, '\r') : BytesBelow(w, 0x20);
        const std::uint64_t found = BytesEqual(w, '&') | controls | (w & kHighBits);
        if (found != 0) return i + FirstFound(found);
    }
    for (; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80 || c == '&' || (c < 0x20 && !(text && (c == '\t' || c == '\n')))) break;
    }
    return i;
}
// Appends the n ASCII bytes at s as wide characters, eight at a time: s[0, readable) may be read.
inline void AppendAscii(std::wstring& out, const char* s, std::size_t n, std::size_t readable) {
    const std::size_t old = out.size();
    const std::size_t words = readable >= (n + 7) / 8 * 8 ? (n + 7) / 8 : n / 8;
    out.resize(old + std::max(n, words * 8));
    wchar_t* o = out.data() + old;
    for (std::size_t k = 0; k < words; ++k, o += 8) {
        const std::uint64_t w = LoadWord(s + 8 * k);
        o[0] = static_cast<wchar_t>(w & 0xFF), o[1] = static_cast<wchar_t>((w >> 8) & 0xFF);
        o[2] = static_cast<wchar_t>((w >> 16) & 0xFF), o[3] = static_cast<wchar_t>((w >> 24) & 0xFF);
        o[4] = static_cast<wchar_t>((w >> 32) & 0xFF), o[5] = static_cast<wchar_t>((w >> 40) & 0xFF);
        o[6] = static_cast<wchar_t>((w >> 48) & 0xFF), o[7] = static_cast<wchar_t>(w >> 56);
    }
    for (std::size_t k = words * 8; k < n; ++k) *o++ = static_cast<wchar_t>(s[k]);
    out.resize(old + n);  // drops what the last word widened past the run
}

// The place of the first byte equal to a or b in s[i, end), or end.
inline std::size_t FindEither(const char* s, std::size_t i, std::size_t end, char a, char b) {
    for (; i + 8 <= end; i += 8) {
        const std::uint64_t w = LoadWord(s + i);
        const std::uint64_t found = BytesEqual(w, static_cast<unsigned char>(a)) | BytesEqual(w, static_cast<unsigned char>(b));
        if (found != 0) return i + FirstFound(found);
    }
    while (i < end && s[i] != a && s[i] != b) ++i;
    return i;
}

// Whether a code point above U+007F may start a name (XML 1.0, fifth edition).
bool IsNameStartCode(char32_t c);
// Whether a code point above U+007F may stand in a name.
bool IsNameCode(char32_t c);
// The code point of the UTF-8 sequence at s[i] and its length; an invalid or cut sequence answers
// a value that is no name character.
char32_t CodeAt(std::string_view s, std::size_t i, std::size_t& len);
// Whether the character at s[i] may start a name.
bool NameStartAt(std::string_view s, std::size_t i);
// The code point of a character reference's body, "#114" or "#x72" (between "&" and ";"); false
// when malformed. A value above U+10FFFF answers 0x110000.
bool ParseCharacterReference(std::string_view body, char32_t& cp);
// Whether the bytes are a UTF-16 document: a byte-order mark, or the first "<" as a UTF-16 unit.
bool IsUTF16(std::string_view d);

// Joins the parts of a message.
template <class... Parts>
std::string Text(const Parts&... parts) {
    std::string s;
    (s.append(std::string_view(parts)), ...);
    return s;
}

// The text in double quotes.
inline std::string Quote(std::string_view s) { return Text("\"", s, "\""); }

} // namespace xml::detail
