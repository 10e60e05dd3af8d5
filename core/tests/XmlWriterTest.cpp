#include "core/Exceptions.h"
#include "core/StoredForms.h"
#include "core/foundation/UTF8.h"
#include "core/xml/Writer.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace xml;

namespace {

std::string Document(void (*body)(DocumentWriter&)) {
    std::ostringstream out;
    DocumentWriter doc(out);
    body(doc);
    doc.EndElement();
    return out.str();
}

} // namespace

TEST(XmlWriter, SmallDocumentExactText) {
    const std::string text = Document([](DocumentWriter& doc) {
        Writer note(doc, kSchema10, L"Note");
        Core::StoredForm::WriteRef(note.WriteAttribute(kSchema10, L"id", kSameLine), 1);
        Core::StoredForm::WritePoint(note.WriteAttribute(kSchema10, L"Pos"), {2000, 1000});
        {
            // A child written between two attributes comes after the parent's attributes.
            Writer text(note, kSchema10, L"Text");
            text.WriteText(L"a < b & c");
        }
        note.WriteAttribute(kSchema13, L"ElementStyle") << L"Blue \"sky\"";
        note.EndElement();
        Writer dep(doc, kSchema10, L"Dependency");
        Core::StoredForm::WriteRef(dep.WriteAttribute(kSchema10, L"id", kSameLine), 2);
    });
    EXPECT_EQ(text,
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
              "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n"
              "  <Note id=\"r1\"\n"
              "      Pos=\"2000 1000\"\n"
              "      q1v3:ElementStyle=\"Blue &quot;sky&quot;\">\n"
              "    <Text>a &lt; b &amp; c</Text>\n"
              "  </Note>\n"
              "  <Dependency id=\"r2\"/>\n"
              "</Diagram>\n");
}

TEST(XmlWriter, PrecisionLastsForTheElementOnly) {
    const std::string text = Document([](DocumentWriter& doc) {
        {
            Writer a(doc, kSchema10, L"A");
            Core::StoredForm::WriteFloat8Point(a.WriteAttribute(kSchema10, L"Pos", kSameLine), {0.1, 2});
            Core::StoredForm::WriteDouble(a.WriteAttribute(kSchema10, L"D", kSameLine), 0.1);
        }
        Writer b(doc, kSchema10, L"B");
        Core::StoredForm::WriteDouble(b.WriteAttribute(kSchema10, L"D", kSameLine), 0.1);
    });
    EXPECT_NE(text.find("<A Pos=\"0.100000000000000005551115 2\" D=\"0.100000000000000005551115\"/>"), std::string::npos);
    EXPECT_NE(text.find("<B D=\"0.1\"/>"), std::string::npos);
}

TEST(XmlWriter, EscapesAttributeWhitespaceAndReplacesInvalidCharacters) {
    const std::string text = Document([](DocumentWriter& doc) {
        Writer a(doc, kSchema10, L"A");
        std::wstring value = L"x\ty\nz\r'<>&";
        value += wchar_t(1);        // not allowed in XML 1.0
        value += wchar_t(0xFFFE);   // not a character
        a.WriteAttribute(kSchema10, L"V", kSameLine) << value;
        a.WriteText(std::wstring(L"line1\nline2\r\tend") + wchar_t(0x1B));
    });
    EXPECT_NE(text.find("V=\"x&#9;y&#10;z&#13;&apos;&lt;&gt;&amp;\xEF\xBF\xBD\xEF\xBF\xBD\""), std::string::npos) << text;
    EXPECT_NE(text.find(">line1\nline2&#13;\tend\xEF\xBF\xBD</A>"), std::string::npos) << text;
}

TEST(XmlWriter, SurrogatePairsBecomeOneCharacterAndLoneOnesAreReplaced) {
    const std::string text = Document([](DocumentWriter& doc) {
        Writer a(doc, kSchema10, L"A");
        std::wstring smile;
        zq::AppendWide(smile, 0x1F600);
        std::wostream& os = a.WriteAttribute(kSchema10, L"V", kSameLine);
        // Written in two writes: a pair split across writes still joins.
        os << smile.substr(0, 1);
        os << smile.substr(1);
        if (sizeof(wchar_t) == 2) {
            a.WriteAttribute(kSchema10, L"W", kSameLine) << std::wstring(1, wchar_t(0xD800));
        }
    });
    EXPECT_NE(text.find("V=\"\xF0\x9F\x98\x80\""), std::string::npos) << text;
    if (sizeof(wchar_t) == 2) {
        EXPECT_NE(text.find("W=\"\xEF\xBF\xBD\""), std::string::npos) << text;
    }
}

TEST(XmlWriter, UndeclaredNamespaceIsDeclaredOnTheElement) {
    static constexpr Namespace other{L"urn:other", L"o"};
    const std::string text = Document([](DocumentWriter& doc) {
        Writer a(doc, other, L"A");
        a.WriteAttribute(other, L"x", kSameLine) << L"1";
        Writer b(doc, kSchema13, L"ElementStyle");
    });
    EXPECT_NE(text.find("<o:A xmlns:o=\"urn:other\" o:x=\"1\"/>"), std::string::npos) << text;
    EXPECT_NE(text.find("<q1v3:ElementStyle/>"), std::string::npos) << text;
}

TEST(XmlWriter, NestedChildrenAreIndentedAndMixedContentIsKept) {
    const std::string text = Document([](DocumentWriter& doc) {
        Writer a(doc, kSchema10, L"A");
        {
            Writer b(a, kSchema10, L"B");
            Writer c(b, kSchema10, L"C");
        }
        Writer t(a, kSchema10, L"T");
        t.WriteText(L"x");
        { Writer p(t, kSchema10, L"P"); }
        t.WriteText(L" y");
    });
    EXPECT_NE(text.find("  <A>\n    <B>\n      <C/>\n    </B>\n    <T>x<P/> y</T>\n  </A>\n"), std::string::npos) << text;
}

TEST(XmlWriter, WideOutputThroughTheUtf8Locale) {
    std::wostringstream out;
    {
        DocumentWriter doc(out);
        Writer a(doc, kSchema10, L"A");
        a.WriteAttribute(kSchema10, L"V", kSameLine) << L"\u00E9";
        a.EndElement();
        doc.EndElement();
    }
    EXPECT_NE(out.str().find(L"<A V=\"\u00E9\"/>"), std::wstring::npos);
}

TEST(XmlWriter, DocumentDestroyedWithoutEndWritesNothing) {
    std::ostringstream out;
    try {
        DocumentWriter doc(out);
        Writer a(doc, kSchema10, L"A");
        throw std::runtime_error("store failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(out.str().empty());
}

// A save into an output that fails (a full disk, a stream that cannot take the text) reports it.
TEST(XmlWriter, FailingOutputIsAnError) {
    std::ostream broken(nullptr);
    DocumentWriter doc(broken);
    EXPECT_THROW(doc.EndElement(), Core::Exceptions::Base);

    std::wostream wideBroken(nullptr);
    DocumentWriter wideDoc(wideBroken);
    EXPECT_THROW(wideDoc.EndElement(), Core::Exceptions::Base);
}
