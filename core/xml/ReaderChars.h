// Helpers of the XML reader's sources: character classes of names and message text.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace xml::detail {

inline bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

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
