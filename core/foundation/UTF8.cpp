#include "core/foundation/UTF8.h"

#include "core/foundation/Exception.h"

#include <cstdint>
#include <cstring>
#include <algorithm>
#include <type_traits>

namespace zq {
namespace {

constexpr bool kWide16 = sizeof(wchar_t) == 2;
constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }


// Writes the UTF-8 form of cp (U+FFFD for invalid code points) to out; returns its length.
int EncodeUTF8(char32_t cp, char* out) {
    if (IsSurrogate(cp) || cp > 0x10FFFF) cp = kReplacement;
    if (cp < 0x80) { out[0] = char(cp); return 1; }
    if (cp < 0x800) { out[0] = char(0xC0 | (cp >> 6)); out[1] = char(0x80 | (cp & 0x3F)); return 2; }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12)); out[1] = char(0x80 | ((cp >> 6) & 0x3F)); out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18)); out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F)); out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

} // namespace

int DecodeOneUTF8(const unsigned char* s, std::size_t n, char32_t& cp) {
    const unsigned char b0 = s[0];
    if (b0 < 0x80) { cp = b0; return 1; }
    int len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; min = 0x80; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; min = 0x800; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; min = 0x10000; }
    else return 0;
    for (int i = 1; i < len; ++i) {
        if (std::size_t(i) >= n) {
            // Incomplete: still check what is there, so that invalid prefixes fail at once.
            char32_t partial = cp << (6 * (len - i));
            if (len == 3 && i == 2 && (partial < 0x800 || IsSurrogate(partial))) return 0;
            if (len == 4 && i >= 2 && (partial < 0x10000 || partial > 0x10FFFF)) return 0;
            return -1;
        }
        if ((s[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[i] & 0x3F);
        if (i == 1) {
            // Overlong, surrogate and too-large forms are visible after the second byte.
            char32_t partial = cp << (6 * (len - 2));
            if (len == 3 && (partial < 0x800 || IsSurrogate(partial))) return 0;
            if (len == 4 && (partial < 0x10000 || partial > 0x10FFFF)) return 0;
        }
    }
    if (cp < min) return 0;
    return len;
}

void AppendUTF8(std::string& out, char32_t cp) {
    char buf[4];
    out.append(buf, std::size_t(EncodeUTF8(cp, buf)));
}

void AppendWide(std::wstring& out, char32_t cp) {
    if (IsSurrogate(cp) || cp > 0x10FFFF) cp = kReplacement;
    if (kWide16 && cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

void AppendUTF8(std::string& out, std::wstring_view chunk, char32_t& pending, bool flush) {
    constexpr std::size_t kBlock = 1 << 16;
    for (std::size_t begin = 0; begin < chunk.size(); begin += kBlock) {
        const std::size_t n = std::min(kBlock, chunk.size() - begin);
        const wchar_t* s = chunk.data() + begin;
        const std::size_t old = out.size();
        out.resize(old + 4 * n + 4);
        char* p = out.data() + old;
        for (std::size_t i = 0; i < n; ++i) {
            const char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i]));
            if (c < 0x80 && pending == 0) {
                *p++ = static_cast<char>(c);
                continue;
            }
            if (pending != 0) {
                const char32_t high = pending;
                pending = 0;
                if (c >= 0xDC00 && c <= 0xDFFF) {
                    p += EncodeUTF8(0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00), p);
                    continue;
                }
                p += EncodeUTF8(kReplacement, p);
            }
            if (kWide16 && c >= 0xD800 && c <= 0xDBFF) pending = c;
            else p += EncodeUTF8(c, p);  // lone low surrogates and invalid values become U+FFFD
        }
        out.resize(std::size_t(p - out.data()));
    }
    if (flush && pending != 0) {
        pending = 0;
        AppendUTF8(out, kReplacement);
    }
}

std::string ToUTF8(std::wstring_view text) {
    std::string out;
    char32_t pending = 0;
    AppendUTF8(out, text, pending, true);
    return out;
}

std::size_t FindInvalidUTF8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // ASCII fast path, eight bytes at a time.
        while (i + 8 <= n) {
            uint64_t w;
            std::memcpy(&w, s + i, 8);
            if (w & 0x8080808080808080ull) break;
            i += 8;
        }
        if (i >= n) break;
        if (s[i] < 0x80) { ++i; continue; }
        char32_t cp;
        int len = DecodeOneUTF8(s + i, n - i, cp);
        if (len <= 0) return i;
        i += std::size_t(len);
    }
    return std::string_view::npos;
}

std::size_t DecodeUTF8(std::string_view bytes, std::wstring& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    out.reserve(out.size() + n);
    for (std::size_t i = 0; i < n;) {
        if (s[i] < 0x80) { out += static_cast<wchar_t>(s[i++]); continue; }
        char32_t cp;
        int len = DecodeOneUTF8(s + i, n - i, cp);
        if (len <= 0) return i;
        AppendWide(out, cp);
        i += std::size_t(len);
    }
    return std::string_view::npos;
}

std::wstring FromUTF8(std::string_view bytes) {
    std::wstring out;
    std::size_t bad = DecodeUTF8(bytes, out);
    if (bad != std::string_view::npos) throw Exception("invalid UTF-8 at byte " + std::to_string(bad));
    return out;
}

// The state holds a high surrogate whose low half has not been seen yet (16-bit wchar_t only).
static_assert(sizeof(std::mbstate_t) >= sizeof(uint32_t));

UTF8cvt::result UTF8cvt::do_out(state_type& state, const wchar_t* from, const wchar_t* fromEnd,
                                const wchar_t*& fromNext, char* to, char* toEnd, char*& toNext) const {
    uint32_t pending = 0;
    std::memcpy(&pending, &state, sizeof pending);
    fromNext = from;
    toNext = to;
    result r = ok;
    while (fromNext < fromEnd) {
        const char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(*fromNext));
        char32_t cp = c;
        int consumed = 1;
        if (pending != 0) {
            if (c >= 0xDC00 && c <= 0xDFFF) cp = 0x10000 + ((pending - 0xD800) << 10) + (c - 0xDC00);
            else { cp = kReplacement; consumed = 0; }  // lone high surrogate; c comes next round
        } else if (kWide16 && c >= 0xD800 && c <= 0xDBFF) {
            pending = c;
            ++fromNext;
            continue;
        }
        char buf[4];
        const int len = EncodeUTF8(cp, buf);
        if (toEnd - toNext < len) { r = partial; break; }
        std::memcpy(toNext, buf, std::size_t(len));
        toNext += len;
        fromNext += consumed;
        pending = 0;
    }
    std::memcpy(&state, &pending, sizeof pending);
    return r;
}

UTF8cvt::result UTF8cvt::do_unshift(state_type& state, char* to, char* toEnd, char*& toNext) const {
    uint32_t pending = 0;
    std::memcpy(&pending, &state, sizeof pending);
    toNext = to;
    if (pending == 0) return noconv;
    if (toEnd - to < 3) return partial;
    toNext = to + EncodeUTF8(kReplacement, to);
    pending = 0;
    std::memcpy(&state, &pending, sizeof pending);
    return ok;
}

UTF8cvt::result UTF8cvt::do_in(state_type&, const char* from, const char* fromEnd, const char*& fromNext,
                               wchar_t* to, wchar_t* toEnd, wchar_t*& toNext) const {
    fromNext = from;
    toNext = to;
    while (fromNext < fromEnd && toNext < toEnd) {
        char32_t cp;
        int len = DecodeOneUTF8(reinterpret_cast<const unsigned char*>(fromNext), std::size_t(fromEnd - fromNext), cp);
        if (len < 0) return partial;
        if (len == 0) {
            // Streams would silently end the text at an error: mark the byte instead.
            cp = kInvalidByteMark;
            len = 1;
        } else if (cp == 0xFFFF) {
            cp = kUFFFFMark;  // WEOF where wint_t has 16 bits
        }
        if (kWide16 && cp >= 0x10000) {
            if (toEnd - toNext < 2) return partial;
            char32_t v = cp - 0x10000;
            *toNext++ = static_cast<wchar_t>(0xD800 + (v >> 10));
            *toNext++ = static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
        } else {
            *toNext++ = static_cast<wchar_t>(cp);
        }
        fromNext += len;
    }
    return fromNext == fromEnd ? ok : partial;
}

int UTF8cvt::do_length(state_type&, const char* from, const char* end, std::size_t max) const {
    const char* p = from;
    std::size_t produced = 0;
    while (p < end && produced < max) {
        char32_t cp;
        int len = DecodeOneUTF8(reinterpret_cast<const unsigned char*>(p), std::size_t(end - p), cp);
        if (len < 0) break;
        if (len == 0) {  // an invalid byte becomes one mark, as do_in reads it
            len = 1;
            cp = kInvalidByteMark;
        }
        std::size_t units = (kWide16 && cp >= 0x10000) ? 2 : 1;
        if (produced + units > max) break;
        produced += units;
        p += len;
    }
    return static_cast<int>(p - from);
}

std::locale MakeUTF8Locale() { return std::locale(std::locale::classic(), new UTF8cvt); }

} // namespace zq
