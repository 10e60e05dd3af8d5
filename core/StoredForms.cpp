#include "core/StoredForms.h"

#include "core/Exceptions.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Core::StoredForm {
namespace {

constexpr std::size_t kMaxNumber = 64;  // longest number text the parsers look at

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f'; }

// Writes ASCII characters to a wide stream in one call.
void WriteAscii(std::wostream& os, const char* s, std::size_t n) {
    wchar_t buf[kMaxNumber];
    for (std::size_t i = 0; i < n; ++i) buf[i] = static_cast<wchar_t>(s[i]);
    os.write(buf, static_cast<std::streamsize>(n));
}

// A cursor over attribute text.
struct Scanner {
    std::wstring_view text;
    std::size_t pos = 0;

    bool AtEnd() const { return pos >= text.size(); }
    void SkipSpace() { while (pos < text.size() && IsSpace(text[pos])) ++pos; }
    // The run of non-space characters at the position, as ASCII; false when it holds other characters.
    bool Token(char* out, std::size_t& n) {
        n = 0;
        while (pos < text.size() && !IsSpace(text[pos])) {
            const wchar_t c = text[pos++];
            if (c <= 0 || c >= 0x80 || n + 1 >= kMaxNumber) return false;
            out[n++] = static_cast<char>(c);
        }
        return n > 0;
    }
};

// Parses a whole token as a decimal integer in [lo, hi], with an optional sign.
bool IntToken(const char* s, std::size_t n, long long lo, long long hi, long long& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == n) return false;
    unsigned long long v = 0;
    for (; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + unsigned(s[i] - '0');
        if (v > (1ull << 40)) return false;
    }
    const long long signedValue = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
    if (signedValue < lo || signedValue > hi) return false;
    value = signedValue;
    return true;
}

// Parses a whole token as a finite decimal floating-point number, with an optional sign.
bool DoubleToken(const char* s, std::size_t n, double& value) {
    std::size_t i = 0;
    if (i < n && s[i] == '+') {
        ++i;
        if (i < n && s[i] == '-') return false;
    }
    if (i == n) return false;
    // Only digits, a point, signs and exponents: no "inf", "nan" or hexadecimal forms.
    for (std::size_t k = i; k < n; ++k) {
        const char c = s[k];
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) return false;
    }
    auto [end, ec] = std::from_chars(s + i, s + n, value, std::chars_format::general);
    return ec == std::errc() && end == s + n && std::isfinite(value);
}

// Reads exactly count integers separated by white space (white space before and after allowed).
template <std::size_t count>
bool ReadInts(std::wstring_view text, long long (&values)[count]) {
    Scanner sc{text};
    char buf[kMaxNumber];
    std::size_t n;
    for (std::size_t k = 0; k < count; ++k) {
        sc.SkipSpace();
        if (!sc.Token(buf, n)) return false;
        if (!IntToken(buf, n, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), values[k]))
            return false;
    }
    sc.SkipSpace();
    return sc.AtEnd();
}

// "r" and an unsigned 32-bit decimal id at the scanner's position (digits only, no sign).
bool RefToken(Scanner& sc, uint32_t& id) {
    if (sc.AtEnd() || sc.text[sc.pos] != L'r') return false;
    ++sc.pos;
    uint64_t v = 0;
    std::size_t digits = 0;
    while (!sc.AtEnd() && sc.text[sc.pos] >= L'0' && sc.text[sc.pos] <= L'9') {
        v = v * 10 + unsigned(sc.text[sc.pos++] - L'0');
        if (v > std::numeric_limits<uint32_t>::max()) return false;
        ++digits;
    }
    if (digits == 0) return false;
    if (!sc.AtEnd() && !IsSpace(sc.text[sc.pos])) return false;
    id = static_cast<uint32_t>(v);
    return true;
}

template <class T>
T OrFail(const std::optional<T>& v, std::wstring_view text, std::wstring_view name, int line) {
    if (!v) throw Core::ToBinary::ConversionFailed(line, name, text);
    return *v;
}

} // namespace

std::wstring FormatDouble(double value, int precision) {
    if (!std::isfinite(value)) throw Core::Exceptions::NonFiniteNumber();
    if (precision < 1) precision = 1;
    if (precision > 40) precision = 40;
    char buf[kMaxNumber];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
    if (ec != std::errc()) throw Core::Exceptions::NonFiniteNumber();
    return std::wstring(buf, end);
}

void WriteInt(std::wostream& os, long long value) {
    char buf[kMaxNumber] = {};
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    WriteAscii(os, buf, std::size_t(end - buf));
}

void WriteDouble(std::wostream& os, double value) {
    if (!std::isfinite(value)) throw Core::Exceptions::NonFiniteNumber();
    int precision = static_cast<int>(os.precision());
    if (precision < 1) precision = 1;
    if (precision > 40) precision = 40;
    char buf[kMaxNumber];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
    (void)ec;
    WriteAscii(os, buf, std::size_t(end - buf));
}

void WriteFloat8Point(std::wostream& os, const zq::float8Point& p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) throw Core::Exceptions::NonFiniteNumber();
    os.precision(kPointPrecision);
    WriteDouble(os, p.x);
    os.put(L' ');
    WriteDouble(os, p.y);
}

void WritePoint(std::wostream& os, const zq::Point& p) {
    WriteInt(os, p.x);
    os.put(L' ');
    WriteInt(os, p.y);
}

void WriteRect(std::wostream& os, const zq::Rect& r) {
    WriteInt(os, r.left);
    os.put(L' ');
    WriteInt(os, r.top);
    os.put(L' ');
    WriteInt(os, r.right);
    os.put(L' ');
    WriteInt(os, r.bottom);
}

void WriteRef(std::wostream& os, uint32_t id) {
    os.put(L'r');
    WriteInt(os, id);
}

void WriteRefList(std::wostream& os, const std::vector<uint32_t>& ids) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i != 0) os.put(L' ');
        WriteRef(os, ids[i]);
    }
}

void WriteBool(std::wostream& os, bool value) { os.put(value ? L'1' : L'0'); }

void WriteColor(std::wostream& os, const zq::Color& c) {
    static const char digits[] = "0123456789ABCDEF";
    const char text[8] = {'0', 'x', digits[c.red >> 4], digits[c.red & 15], digits[c.green >> 4],
                          digits[c.green & 15], digits[c.blue >> 4], digits[c.blue & 15]};
    WriteAscii(os, text, 8);
}

void WriteString(std::wostream& os, std::wstring_view text) {
    os.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::optional<int32_t> ParseInt(std::wstring_view text) {
    long long v[1];
    if (!ReadInts(text, v)) return std::nullopt;
    return static_cast<int32_t>(v[0]);
}

std::optional<double> ParseDouble(std::wstring_view text) {
    Scanner sc{text};
    char buf[kMaxNumber];
    std::size_t n;
    double v;
    sc.SkipSpace();
    if (!sc.Token(buf, n) || !DoubleToken(buf, n, v)) return std::nullopt;
    sc.SkipSpace();
    if (!sc.AtEnd()) return std::nullopt;
    return v;
}

std::optional<zq::float8Point> ParseFloat8Point(std::wstring_view text) {
    Scanner sc{text};
    char buf[kMaxNumber];
    std::size_t n;
    double v[2];
    for (double& d : v) {
        sc.SkipSpace();
        if (!sc.Token(buf, n) || !DoubleToken(buf, n, d)) return std::nullopt;
    }
    sc.SkipSpace();
    if (!sc.AtEnd()) return std::nullopt;
    return zq::float8Point(v[0], v[1]);
}

std::optional<zq::Point> ParsePoint(std::wstring_view text) {
    long long v[2];
    if (!ReadInts(text, v)) return std::nullopt;
    return zq::Point(int32_t(v[0]), int32_t(v[1]));
}

std::optional<zq::Rect> ParseRect(std::wstring_view text) {
    long long v[4];
    if (!ReadInts(text, v)) return std::nullopt;
    return zq::Rect(int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3]));
}

std::optional<uint32_t> ParseRef(std::wstring_view text) {
    Scanner sc{text};
    uint32_t id;
    if (!RefToken(sc, id)) return std::nullopt;
    sc.SkipSpace();
    if (!sc.AtEnd()) return std::nullopt;
    return id;
}

std::optional<std::vector<uint32_t>> ParseRefList(std::wstring_view text) {
    std::vector<uint32_t> ids;
    Scanner sc{text};
    while (!sc.AtEnd()) {
        uint32_t id;
        if (!RefToken(sc, id)) return std::nullopt;
        ids.push_back(id);
        sc.SkipSpace();
    }
    return ids;
}

std::optional<bool> ParseBool(std::wstring_view text) {
    const std::optional<int32_t> v = ParseInt(text);
    if (!v || (*v != 0 && *v != 1)) return std::nullopt;
    return *v == 1;
}

std::optional<zq::Color> ParseColor(std::wstring_view text) {
    Scanner sc{text};
    sc.SkipSpace();
    if (sc.pos + 1 < text.size() && text[sc.pos] == L'0' && (text[sc.pos + 1] == L'x' || text[sc.pos + 1] == L'X'))
        sc.pos += 2;
    uint32_t v = 0;
    std::size_t digits = 0;
    while (!sc.AtEnd()) {
        const wchar_t c = text[sc.pos];
        int d;
        if (c >= L'0' && c <= L'9') d = c - L'0';
        else if (c >= L'a' && c <= L'f') d = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F') d = c - L'A' + 10;
        else break;
        v = v * 16 + unsigned(d);
        if (v > 0xFFFFFF) return std::nullopt;
        ++digits;
        ++sc.pos;
    }
    if (digits == 0) return std::nullopt;
    sc.SkipSpace();
    if (!sc.AtEnd()) return std::nullopt;
    return zq::Color::FromRGB(v);
}

} // namespace Core::StoredForm

namespace Core::ToBinary {

using namespace Core::StoredForm;

int32_t ToInt(std::wstring_view t, std::wstring_view name, int line) { return OrFail(ParseInt(t), t, name, line); }
double ToDouble(std::wstring_view t, std::wstring_view name, int line) { return OrFail(ParseDouble(t), t, name, line); }
zq::float8Point ToFloat8Point(std::wstring_view t, std::wstring_view name, int line) {
    return OrFail(ParseFloat8Point(t), t, name, line);
}
zq::Point ToPoint(std::wstring_view t, std::wstring_view name, int line) { return OrFail(ParsePoint(t), t, name, line); }
zq::Rect ToRect(std::wstring_view t, std::wstring_view name, int line) { return OrFail(ParseRect(t), t, name, line); }
uint32_t ToRef(std::wstring_view t, std::wstring_view name, int line) { return OrFail(ParseRef(t), t, name, line); }
std::vector<uint32_t> ToRefList(std::wstring_view t, std::wstring_view name, int line) {
    return OrFail(ParseRefList(t), t, name, line);
}
bool ToBool(std::wstring_view t, std::wstring_view name, int line) { return OrFail(ParseBool(t), t, name, line); }
zq::Color ToColor(std::wstring_view t, std::wstring_view name, int line) { return OrFail(ParseColor(t), t, name, line); }

} // namespace Core::ToBinary
