#include "core/foundation/UTF8.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace xml;

namespace {

// Writes one element with the value as attribute and as text, reads both back.
std::pair<std::wstring, std::wstring> RoundTrip(const std::wstring& value) {
    std::ostringstream out;
    {
        DocumentWriter doc(out);
        Writer e(doc, kSchema10, L"E");
        e.WriteAttribute(kSchema13, L"V") << value;
        e.WriteText(value);
        e.EndElement();
        doc.EndElement();
    }
    Reader reader(out.str());
    Tag root, tag;
    reader.ReadRoot(root);
    EXPECT_TRUE(reader.ReadNextKnownElement(tag, root));
    std::wstring attr(tag.GetAttributes().get(kSchema13, L"V"));
    std::wstring text, fragment;
    Tag inner;
    if (!tag.IsEmptyElement()) {
        while (reader.ReadNode(inner, fragment) == Reader::Node::Text) text += fragment;
    }
    return {attr, text};
}

} // namespace

TEST(XmlRoundTrip, SpecialCharactersComeBackExactly) {
    std::wstring value = L"  lead & <tag> \"q\" 'a' ]]> \t tab\r\nCRLF\rCR\nLF trail  ";
    zq::AppendWide(value, 0x1F600);
    value += L"\u00E9\u20AC";
    const auto [attr, text] = RoundTrip(value);
    EXPECT_EQ(attr, value);
    EXPECT_EQ(text, value);
}

TEST(XmlRoundTrip, RandomTextsOfXmlCharacters) {
    std::mt19937 rng(20261207);
    const char32_t samples[] = {U'a', U' ', U'\t', U'\n', U'\r', U'&', U'<', U'>', U'"', U'\'', U';', U'#',
                                0xE9, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFD, 0x10000, 0x1F600, 0x10FFFF};
    for (int round = 0; round < 300; ++round) {
        std::wstring value;
        const int length = int(rng() % 40);
        for (int i = 0; i < length; ++i) zq::AppendWide(value, samples[rng() % std::size(samples)]);
        const auto [attr, text] = RoundTrip(value);
        ASSERT_EQ(attr, value) << "round " << round;
        ASSERT_EQ(text, value) << "round " << round;
    }
}
