// The text forms of attribute values in documents: formatters that write each value kind into an
// attribute stream, and strict parsers that accept exactly these forms (with the white space rules
// of the document format). Core::ToBinary wraps the parsers and throws ConversionFailed.
#pragma once

#include "core/foundation/Geometry.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace Core::StoredForm {

// Significant digits of doubles until a float8Point has been written in the same element.
inline constexpr int kDefaultPrecision = 6;
// Significant digits of doubles once a float8Point has been written (exact round trip).
inline constexpr int kPointPrecision = 24;

// A decimal integer, "-" for negative values, no grouping.
void WriteInt(std::wostream& os, long long value);
// A double in general notation with the stream's precision (6 by default); throws
// Core::Exceptions::NonFiniteNumber for infinity and NaN.
void WriteDouble(std::wostream& os, double value);
// x, one blank, y, at 24 significant digits; sets the stream's precision to 24 for later attributes.
void WriteFloat8Point(std::wostream& os, const zq::float8Point& p);
// x, one blank, y as decimal integers.
void WritePoint(std::wostream& os, const zq::Point& p);
// left, top, right, bottom separated by single blanks.
void WriteRect(std::wostream& os, const zq::Rect& r);
// "r" and the decimal object id.
void WriteRef(std::wostream& os, uint32_t id);
// The references "rN" separated by single blanks.
void WriteRefList(std::wostream& os, const std::vector<uint32_t>& ids);
// "1" or "0".
void WriteBool(std::wostream& os, bool value);
// "0x" and red, green, blue as two upper-case hexadecimal digits each.
void WriteColor(std::wostream& os, const zq::Color& c);
// The text as it is (the writer's stream escapes it).
void WriteString(std::wostream& os, std::wstring_view text);

// A double in general notation with the given number of significant digits (exponent form with at
// least two digits when the exponent is below -4 or at least the precision; trailing zeros dropped).
std::wstring FormatDouble(double value, int precision);

// The parsers: nullopt for any text that is not exactly the form.
// Decimal 32-bit integer; white space before and after.
std::optional<int32_t> ParseInt(std::wstring_view text);
// Decimal floating-point number (finite); white space before and after.
std::optional<double> ParseDouble(std::wstring_view text);
// Exactly two numbers separated by white space; white space before and after.
std::optional<zq::float8Point> ParseFloat8Point(std::wstring_view text);
// Exactly two decimal integers separated by white space; white space before and after.
std::optional<zq::Point> ParsePoint(std::wstring_view text);
// Exactly four decimal integers left, top, right, bottom; white space before, between and after.
std::optional<zq::Rect> ParseRect(std::wstring_view text);
// "r" first (no white space before it), an unsigned 32-bit decimal id, white space after; "r0" is 0 (none).
std::optional<uint32_t> ParseRef(std::wstring_view text);
// An empty text or references one after the other, white space after each.
std::optional<std::vector<uint32_t>> ParseRefList(std::wstring_view text);
// The integer 0 or 1, white space before and after.
std::optional<bool> ParseBool(std::wstring_view text);
// A hexadecimal number up to 0xFFFFFF with optional "0x"; white space before and after.
std::optional<zq::Color> ParseColor(std::wstring_view text);

} // namespace Core::StoredForm

namespace Core::ToBinary {

// Each converts the attribute text or throws ConversionFailed (line, attribute name, text).
int32_t ToInt(std::wstring_view text, std::wstring_view name, int line);
double ToDouble(std::wstring_view text, std::wstring_view name, int line);
zq::float8Point ToFloat8Point(std::wstring_view text, std::wstring_view name, int line);
zq::Point ToPoint(std::wstring_view text, std::wstring_view name, int line);
zq::Rect ToRect(std::wstring_view text, std::wstring_view name, int line);
uint32_t ToRef(std::wstring_view text, std::wstring_view name, int line);
std::vector<uint32_t> ToRefList(std::wstring_view text, std::wstring_view name, int line);
bool ToBool(std::wstring_view text, std::wstring_view name, int line);
zq::Color ToColor(std::wstring_view text, std::wstring_view name, int line);

} // namespace Core::ToBinary
