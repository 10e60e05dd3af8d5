// Helpers of the XML reader's sources: character classes, word-at-a-time scans, decoding and message text.
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

// Whether a code point is an XML character.
inline bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

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

// Per byte: bit 1 where an ASCII name cannot go on (any other ASCII character, and every byte
// above 0x7F, which is decoded one at a time), bit 2 for a colon.
inline constexpr auto kNameClass = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) t[std::size_t(c)] = c >= 0x80 || (kAsciiName[std::size_t(c)] & kNameChar) == 0 ? 1 : 0;
    t[':'] |= 2;
    return t;
}();
// The classes of the eight bytes at s, two bits each, the first byte's lowest.
inline unsigned NameClasses(const char* s) {
    const auto* u = reinterpret_cast<const unsigned char*>(s);
    return unsigned(kNameClass[u[0]]) | unsigned(kNameClass[u[1]]) << 2 | unsigned(kNameClass[u[2]]) << 4 |
           unsigned(kNameClass[u[3]]) << 6 | unsigned(kNameClass[u[4]]) << 8 | unsigned(kNameClass[u[5]]) << 10 |
           unsigned(kNameClass[u[6]]) << 12 | unsigned(kNameClass[u[7]]) << 14;
}

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
// Of a word of ASCII bytes: the bytes below 0x20 (control characters), exactly.
inline std::uint64_t ControlBytes(std::uint64_t w) { return ~(w + kOnes * 0x60) & kHighBits; }
// Of a word of ASCII bytes: the control characters other than TAB, LF and CR, exactly; cr is set
// when the word holds a CR.
inline std::uint64_t BadControls(std::uint64_t w, bool& cr) {
    const std::uint64_t controls = ControlBytes(w) & ~ZeroBytes(w, '\n');
    if (controls == 0) return 0;
    const std::uint64_t crs = ZeroBytes(w, '\r');
    cr |= crs != 0;
    return controls & ~ZeroBytes(w, '\t') & ~crs;
}
// The bytes above 0x20 (no white space: the document holds no other control characters), exactly.
inline std::uint64_t NonSpaceBytes(std::uint64_t w) { return (((w & ~kHighBits) + kOnes * 0x5F) | w) & kHighBits; }
// The number of bytes equal to c in s[0, n); s[0, readable) may be read.
inline std::size_t CountByte(const char* s, std::size_t n, std::size_t readable, unsigned char c) {
    // Per byte 0 or 1, summed in byte lanes for up to 255 words, then across the lanes.
    const auto sum = [](std::uint64_t lanes) {
        const std::uint64_t pairs = (lanes & 0x00FF00FF00FF00FFull) + ((lanes >> 8) & 0x00FF00FF00FF00FFull);
        return std::size_t((pairs * 0x0001000100010001ull) >> 48);
    };
    const auto count = [](std::uint64_t found) { return std::size_t(((found >> 7) * kOnes) >> 56); };
    std::size_t total = 0, i = 0;
    while (i + 8 <= n) {
        std::uint64_t lanes = 0;
        for (const std::size_t stop = std::min(n - n % 8, i + 255 * 8); i < stop; i += 8) lanes += ZeroBytes(LoadWord(s + i), c) >> 7;
        total += sum(lanes);
    }
    if (i == n) return total;
    if (i + 8 <= readable)  // the last bytes in one word, those past n masked off
        return total + count(ZeroBytes(LoadWord(s + i), c) & ((std::uint64_t(1) << (8 * (n - i))) - 1));
    for (; i < n; ++i) total += static_cast<unsigned char>(s[i]) == c;
    return total;
}
static_assert(std::endian::native == std::endian::little, "the word tests read words as little-endian");
// The place of the lowest byte a word test found.
inline std::size_t FirstFound(std::uint64_t found) { return std::size_t(std::countr_zero(found) / 8); }
// Widens the eight ASCII bytes of a word into o[0, 8).
inline void WidenWord(wchar_t* o, std::uint64_t w) {
    o[0] = static_cast<wchar_t>(w & 0xFF), o[1] = static_cast<wchar_t>((w >> 8) & 0xFF);
    o[2] = static_cast<wchar_t>((w >> 16) & 0xFF), o[3] = static_cast<wchar_t>((w >> 24) & 0xFF);
    o[4] = static_cast<wchar_t>((w >> 32) & 0xFF), o[5] = static_cast<wchar_t>((w >> 40) & 0xFF);
    o[6] = static_cast<wchar_t>((w >> 48) & 0xFF), o[7] = static_cast<wchar_t>(w >> 56);
}
// Appends the n ASCII bytes at s as wide characters, widened eight at a time through a buffer on
// the stack (no zero-filling of the string): s[0, readable) may be read.
inline void AppendAscii(std::wstring& out, const char* s, std::size_t n, std::size_t readable) {
    constexpr std::size_t kChunk = 64;
    wchar_t buf[kChunk + 8];
    while (n > 0) {
        const std::size_t k = std::min(n, kChunk);
        std::size_t j = 0;
        for (; j < k && j + 8 <= readable; j += 8) {
            WidenWord(buf + j, LoadWord(s + j));
        }
        for (; j < k; ++j) buf[j] = static_cast<wchar_t>(static_cast<unsigned char>(s[j]));
        out.append(buf, k);
        s += k, n -= k, readable -= std::min(readable, k);
    }
}

// Appends the decoded text s[i, end), which holds no "&": a CR LF or lone CR becomes LF, and in
// an attribute value TAB, LF and CR become spaces. The bytes are valid UTF-8 (checked up front);
// those before limit may be read.
void AppendPlainText(std::wstring& out, const char* s, std::size_t i, std::size_t end, const char* limit, bool attribute);
// Decodes s[begin, end) into out (when given; else only checks it): references replaced, line ends
// and white space normalised as AppendPlainText does. Answers npos, or the place of the first
// malformed reference with error set to what is wrong.
std::size_t DecodeText(const char* s, std::size_t begin, std::size_t end, const char* limit, bool attribute,
                       std::wstring* out, std::string& error);
// Whether a name in the document (UTF-8) is the wide name, decoding it first.
bool SameDecodedName(std::string_view utf8, std::wstring_view wide);
// Whether a name in the document (UTF-8) is the wide name.
inline bool SameName(std::string_view utf8, std::wstring_view wide) {
    // ASCII bytes stand one for one; a name with other characters is compared decoded.
    const std::size_t n = std::min(utf8.size(), wide.size());
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(utf8[k]);
        if (c >= 0x80) return SameDecodedName(utf8, wide);
        if (static_cast<wchar_t>(c) != wide[k]) return false;
    }
    return utf8.size() == wide.size();
}
// Sets out to the valid UTF-8 text.
void AssignWide(std::wstring& out, std::string_view utf8);

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

// FindEither that also tells whether a "&" stands before the byte found (ampersand is set then,
// never cleared).
inline std::size_t FindEither(const char* s, std::size_t i, std::size_t end, char a, char b, bool& ampersand) {
    for (; i + 8 <= end; i += 8) {
        const std::uint64_t w = LoadWord(s + i);
        const std::uint64_t found = BytesEqual(w, static_cast<unsigned char>(a)) | BytesEqual(w, static_cast<unsigned char>(b));
        if (found != 0) {
            const std::size_t at = FirstFound(found);
            ampersand |= (ZeroBytes(w, '&') & ((std::uint64_t(1) << (8 * at)) - 1)) != 0;  // exact below the find
            return i + at;
        }
        ampersand |= BytesEqual(w, '&') != 0;
    }
    for (; i < end && s[i] != a && s[i] != b; ++i) ampersand |= s[i] == '&';
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
