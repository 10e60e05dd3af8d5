#include "core/Exceptions.h"
#include "core/StoredForms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

using namespace Core::StoredForm;

namespace {

template <class F>
std::wstring Written(F&& write) {
    std::wostringstream os;
    write(os);
    return os.str();
}

} // namespace

TEST(StoredFormsWrite, DoublesAtPointPrecisionGiveTheExactForms) {
    EXPECT_EQ(FormatDouble(1250, kPointPrecision), L"1250");
    EXPECT_EQ(FormatDouble(0.5, kPointPrecision), L"0.5");
    EXPECT_EQ(FormatDouble(0.1, kPointPrecision), L"0.100000000000000005551115");
    EXPECT_EQ(FormatDouble(1e30, kPointPrecision), L"1.00000000000000001988462e+30");
    EXPECT_EQ(FormatDouble(1e-5, kPointPrecision), L"1.00000000000000008180305e-05");
    EXPECT_EQ(FormatDouble(-2, kPointPrecision), L"-2");
}

TEST(StoredFormsWrite, DoublesDefaultToSixDigitsUntilAPointIsWritten) {
    std::wostringstream os;
    WriteDouble(os, 0.1);
    os << L'|';
    WriteDouble(os, 1234567.0);
    os << L'|';
    WriteFloat8Point(os, zq::float8Point(0.1, 2));
    os << L'|';
    WriteDouble(os, 0.1);
    EXPECT_EQ(os.str(), L"0.1|1.23457e+06|0.100000000000000005551115 2|0.100000000000000005551115");
}

TEST(StoredFormsWrite, NonFiniteNumbersAreRefused) {
    std::wostringstream os;
    EXPECT_THROW(WriteDouble(os, std::numeric_limits<double>::quiet_NaN()), Core::Exceptions::Base);
    EXPECT_THROW(WriteFloat8Point(os, zq::float8Point(INFINITY, 0)), Core::Exceptions::Base);
    EXPECT_EQ(os.str(), L"");
}

TEST(StoredFormsWrite, IntegerPointRectRefBoolColor) {
    EXPECT_EQ(Written([](auto& os) { WriteInt(os, -15); }), L"-15");
    EXPECT_EQ(Written([](auto& os) { WriteInt(os, 1234567); }), L"1234567");  // no grouping
    EXPECT_EQ(Written([](auto& os) { WritePoint(os, {2000, 1000}); }), L"2000 1000");
    EXPECT_EQ(Written([](auto& os) { WriteRect(os, zq::Rect(-1, 2, 3, -4)); }), L"-1 2 3 -4");
    EXPECT_EQ(Written([](auto& os) { WriteRef(os, 12); }), L"r12");
    EXPECT_EQ(Written([](auto& os) { WriteRefList(os, {3, 7, 9}); }), L"r3 r7 r9");
    EXPECT_EQ(Written([](auto& os) { WriteBool(os, true); }), L"1");
    EXPECT_EQ(Written([](auto& os) { WriteColor(os, zq::Color(255, 128, 0)); }), L"0xFF8000");
    EXPECT_EQ(Written([](auto& os) { WriteColor(os, zq::Color(1, 2, 3)); }), L"0x010203");
}

TEST(StoredFormsRead, PointTextRoundTripsExactly) {
    std::wostringstream os;
    WriteFloat8Point(os, zq::float8Point(0.1, 2));
    const auto p = ParseFloat8Point(os.str());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 0.1);  // bit-exact, not only tolerant
    EXPECT_EQ(p->y, 2.0);
}

TEST(StoredFormsRead, IntegersAllowSurroundingWhiteSpaceOnly) {
    EXPECT_EQ(ParseInt(L"1 "), 1);
    EXPECT_EQ(ParseInt(L"  -15\t"), -15);
    EXPECT_EQ(ParseInt(L"2147483647"), 2147483647);
    EXPECT_FALSE(ParseInt(L"2147483648"));
    EXPECT_FALSE(ParseInt(L""));
    EXPECT_FALSE(ParseInt(L"x"));
    EXPECT_FALSE(ParseInt(L"1 2"));
    EXPECT_FALSE(ParseInt(L"1.5"));
    EXPECT_FALSE(ParseInt(L"-"));
    EXPECT_FALSE(ParseInt(L"\x0661"));  // an Arabic-Indic digit is not a decimal digit here
}

TEST(StoredFormsRead, DoublesRejectNonFiniteAndGarbage) {
    EXPECT_EQ(ParseDouble(L" 0.5 "), 0.5);
    EXPECT_EQ(ParseDouble(L"1e30"), 1e30);
    EXPECT_EQ(ParseDouble(L"-2"), -2.0);
    EXPECT_FALSE(ParseDouble(L"nan"));
    EXPECT_FALSE(ParseDouble(L"inf"));
    EXPECT_FALSE(ParseDouble(L"1e999"));
    EXPECT_FALSE(ParseDouble(L"0x10"));
    EXPECT_FALSE(ParseDouble(L"1,5"));
    EXPECT_FALSE(ParseDouble(L""));
}

TEST(StoredFormsRead, Float8PointNeedsExactlyTwoNumbers) {
    const auto p = ParseFloat8Point(L"   10    20   ");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 10);
    EXPECT_EQ(p->y, 20);
    EXPECT_FALSE(ParseFloat8Point(L""));
    EXPECT_FALSE(ParseFloat8Point(L"10"));
    EXPECT_FALSE(ParseFloat8Point(L"10 20 30"));
    EXPECT_FALSE(ParseFloat8Point(L"10 abc"));
}

TEST(StoredFormsRead, PointAndRectAreIntegers) {
    EXPECT_EQ(ParsePoint(L" 2000  1000 "), zq::Point(2000, 1000));
    EXPECT_FALSE(ParsePoint(L"1.5 2"));
    EXPECT_FALSE(ParsePoint(L"1"));
    EXPECT_EQ(ParseRect(L"-1 2 3 -4"), zq::Rect(-1, 2, 3, -4));
    EXPECT_FALSE(ParseRect(L"1 2 3"));
}

TEST(StoredFormsRead, ReferencesStartWithR) {
    EXPECT_EQ(ParseRef(L"r12"), 12u);
    EXPECT_EQ(ParseRef(L"r0"), 0u);
    EXPECT_EQ(ParseRef(L"r5  "), 5u);
    EXPECT_EQ(ParseRef(L"r4294967295"), 4294967295u);
    EXPECT_FALSE(ParseRef(L" r5"));
    EXPECT_FALSE(ParseRef(L"r4294967296"));
    EXPECT_FALSE(ParseRef(L"r"));
    EXPECT_FALSE(ParseRef(L"r-1"));
    EXPECT_FALSE(ParseRef(L"R5"));
    EXPECT_FALSE(ParseRef(L"r5x"));
}

TEST(StoredFormsRead, ReferenceLists) {
    EXPECT_EQ(ParseRefList(L""), std::vector<uint32_t>{});
    EXPECT_EQ(ParseRefList(L"r3 r7  r9 "), (std::vector<uint32_t>{3, 7, 9}));
    EXPECT_FALSE(ParseRefList(L"r3 7"));
    EXPECT_FALSE(ParseRefList(L"r3r7"));
    EXPECT_FALSE(ParseRefList(L" r3"));
}

TEST(StoredFormsRead, BooleansAreZeroOrOne) {
    EXPECT_EQ(ParseBool(L" 1 "), true);
    EXPECT_EQ(ParseBool(L"0"), false);
    EXPECT_FALSE(ParseBool(L"true"));
    EXPECT_FALSE(ParseBool(L"2"));
    EXPECT_FALSE(ParseBool(L""));
}

TEST(StoredFormsRead, ColoursAreHexadecimalUpToFFFFFF) {
    EXPECT_EQ(ParseColor(L"0xFF8000"), zq::Color(255, 128, 0));
    EXPECT_EQ(ParseColor(L"  ff8000 "), zq::Color(255, 128, 0));
    EXPECT_EQ(ParseColor(L"0x1"), zq::Color(0, 0, 1));
    EXPECT_FALSE(ParseColor(L"0x1000000"));
    EXPECT_FALSE(ParseColor(L"0x"));
    EXPECT_FALSE(ParseColor(L"0xGG"));
    EXPECT_FALSE(ParseColor(L"0xFF 00"));
}

TEST(StoredFormsRead, ConversionFailedNamesAttributeTextAndLine) {
    try {
        Core::ToBinary::ToInt(L"1 2", L"Type", 7);
        FAIL() << "no exception";
    } catch (const Core::ToBinary::ConversionFailed& e) {
        EXPECT_STREQ(e.what(), "line 7: cannot convert Type from \"1 2\"");
        EXPECT_EQ(e.Line(), 7);
    }
    EXPECT_THROW(Core::ToBinary::ToColor(L"red", L"FillColor", 1), Core::Exceptions::Base);
}

TEST(RestoreErrors, MessagesAreExact) {
    EXPECT_STREQ(Core::Exceptions::MandatoryAttributeMissing(3, L"Type").what(),
                 "line 3: mandatory attribute \"Type\" is missing");
    EXPECT_STREQ(Core::Exceptions::AttributeHasWrongType(3, L"Type").what(), "line 3: attribute \"Type\" has wrong type");
    EXPECT_STREQ(Core::Exceptions::UnknownObjectID(4).what(), "line 4: unknown reference");
    EXPECT_STREQ(Core::Exceptions::TypeMismatchOfRestoredObject(5).what(), "line 5: type mismatch of restored object");
    EXPECT_STREQ(Core::Exceptions::AttributeOutOfRange(6, L"Type").what(), "line 6: attribute \"Type\" is out of range");
    EXPECT_STREQ(Core::Exceptions::DuplicateSingletonObject().what(), "Core::DuplicateSingletonObject");
    // Non-ASCII names reach the narrow message as UTF-8.
    EXPECT_STREQ(Core::Exceptions::AttributeOutOfRange(1, L"Gr\u00F6\u00DFe").what(),
                 "line 1: attribute \"Gr\xC3\xB6\xC3\x9F" "e\" is out of range");
}
