// UTF-8 conversion: strict decoding and encoding between bytes and wide strings (UTF-16 where
// wchar_t has 16 bits), and the stream facet and locale through which documents are read and written.
#pragma once

#include <cstddef>
#include <cwchar>
#include <locale>
#include <string>
#include <string_view>

namespace zq {

// Encodes wide text as UTF-8; lone surrogates become U+FFFD.
std::string ToUTF8(std::wstring_view text);
// Appends the UTF-8 form of a chunk of wide text; a high surrogate at its end waits in pending
// for the next chunk (call with an empty chunk and flush set to end: a waiting one becomes U+FFFD).
void AppendUTF8(std::string& out, std::wstring_view chunk, char32_t& pending, bool flush);
// Appends the UTF-8 form of one code point (invalid code points become U+FFFD).
void AppendUTF8(std::string& out, char32_t cp);
// Appends one code point to wide text (a surrogate pair where wchar_t has 16 bits).
void AppendWide(std::wstring& out, char32_t cp);
// Decodes one well-formed sequence at s (n bytes available). Returns its length, 0 when invalid,
// or -1 when the bytes end inside a sequence that could still become valid.
int DecodeOneUTF8(const unsigned char* s, std::size_t n, char32_t& cp);
// Decodes UTF-8; returns the offset of the first invalid byte, or npos when the text is valid.
std::size_t DecodeUTF8(std::string_view bytes, std::wstring& out);
// Offset of the first byte that is not well-formed UTF-8 (overlong forms, surrogates and code
// points above U+10FFFF included), or npos.
std::size_t FindInvalidUTF8(std::string_view bytes);
// Decodes UTF-8; throws zq::Exception naming the offset of the first invalid byte.
std::wstring FromUTF8(std::string_view bytes);

// The character that UTF8cvt gives for each invalid input byte: a low surrogate that ends no pair,
// which no valid text decodes to, so readers reject the text at that place instead of losing the
// rest of it silently.
inline constexpr char32_t kInvalidByteMark = 0xDC00;
// The character that UTF8cvt gives for U+FFFF, also a low surrogate that ends no pair: where wint_t
// has 16 bits U+FFFF is WEOF, and a stream buffer starting with it would end there.
inline constexpr char32_t kUFFFFMark = 0xDFFF;

// The UTF-8 conversion facet of document streams; each invalid input byte reads as kInvalidByteMark,
// U+FFFF as kUFFFFMark (every other character, U+FFFE included, as itself).
class UTF8cvt : public std::codecvt<wchar_t, char, std::mbstate_t> {
public:
    explicit UTF8cvt(std::size_t refs = 0) : std::codecvt<wchar_t, char, std::mbstate_t>(refs) {}

protected:
    result do_out(state_type& state, const wchar_t* from, const wchar_t* fromEnd, const wchar_t*& fromNext,
                  char* to, char* toEnd, char*& toNext) const override;
    result do_in(state_type& state, const char* from, const char* fromEnd, const char*& fromNext,
                 wchar_t* to, wchar_t* toEnd, wchar_t*& toNext) const override;
    result do_unshift(state_type& state, char* to, char* toEnd, char*& toNext) const override;
    int do_encoding() const noexcept override { return 0; }
    bool do_always_noconv() const noexcept override { return false; }
    int do_length(state_type& state, const char* from, const char* end, std::size_t max) const override;
    int do_max_length() const noexcept override { return 4; }
};

// The classic locale (decimal point ".", no grouping) with UTF8cvt as its wide conversion.
std::locale MakeUTF8Locale();

} // namespace zq
