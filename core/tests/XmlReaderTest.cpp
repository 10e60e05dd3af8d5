#include "core/foundation/UTF8.h"
#include "core/tests/XmlOutcome.h"
#include "core/xml/Exceptions.h"
#include "core/xml/Reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace xml;

namespace {

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
    "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n";

// The message of the reader error that reading the whole document raises.
std::string ErrorOf(const std::string& doc) { return xmltest::Outcome(doc); }

// The message of the reader error that reading the next known child of parent raises, or "no error".
std::string ErrorOfNextKnown(Reader& reader, Tag& tag, const Tag& parent) {
    try {
        reader.ReadNextKnownElement(tag, parent);
    } catch (const xml::ExceptionBase& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(XmlReader, ReadsElementsAttributesAndLines) {
    Reader reader(kHead + "  <Note id=\"r1\"\n      Pos=\"10 20\" q1v3:ElementStyle=\"Blue\"/>\n  <Dependency id=\"r2\"/>\n</Diagram>\n");
    Tag root, tag;
    reader.ReadRoot(root);
    EXPECT_EQ(root.LocalName(), L"Diagram");
    EXPECT_TRUE(root.IsIn(kSchema10));
    EXPECT_EQ(root.GetAttributes().get(kSchema10, L"ProductVersion"), L"1.3.4");
    EXPECT_EQ(reader.GetDeclaration().standalone, L"yes");
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    EXPECT_EQ(tag.LocalName(), L"Note");
    EXPECT_EQ(tag.GetLine(), 3);
    EXPECT_TRUE(tag.IsEmptyElement());
    const IAttributes& attrs = tag.GetAttributes();
    EXPECT_EQ(attrs.get(kSchema10, L"Pos"), L"10 20");
    EXPECT_EQ(attrs.get(kSchema13, L"ElementStyle"), L"Blue");
    EXPECT_FALSE(attrs.find(kSchema10, L"ElementStyle").first);  // the prefix decides the namespace
    try {
        attrs.get(kSchema10, L"Size");
        FAIL();
    } catch (const xml::ExceptionBase& e) {
        EXPECT_STREQ(e.what(), "line 3: attribute \"Size\" not found");
    }
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    EXPECT_EQ(tag.LocalName(), L"Dependency");
    EXPECT_EQ(tag.GetLine(), 5);
    EXPECT_FALSE(reader.ReadNextKnownElement(tag, root));
    EXPECT_FALSE(reader.SkippedUnknown());
}

TEST(XmlReader, NamespacesResolveByUriWhateverThePrefix) {
    Reader reader(
        "<a:Diagram xmlns:a=\"http://quorvel.example/schema/1.0\" xmlns:b=\"http://quorvel.example/schema/1.3\">"
        "<a:Note a:Pos=\"1 2\" b:ElementStyle=\"S\" Size=\"3 4\"/></a:Diagram>");
    Tag root, tag;
    reader.ReadRoot(root);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    EXPECT_TRUE(tag.IsIn(kSchema10));
    EXPECT_EQ(tag.GetAttributes().get(kSchema10, L"Pos"), L"1 2");
    EXPECT_EQ(tag.GetAttributes().get(kSchema13, L"ElementStyle"), L"S");
    EXPECT_EQ(tag.GetAttributes().get(kSchema10, L"Size"), L"3 4");  // unprefixed: first schema
}

TEST(XmlReader, UnknownNamespacesAreSkippedAndFlagged) {
    Reader reader(kHead +
                  "<x:Future xmlns:x=\"urn:future\"><Note id=\"r9\"/><x:More/></x:Future>"
                  "<y:Undeclared/>"
                  "<Note id=\"r1\"><z:Inner xmlns:z=\"urn:z\"><Deep/></z:Inner><Text/></Note></Diagram>");
    Tag root, tag, child;
    reader.ReadRoot(root);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    EXPECT_EQ(tag.GetAttributes().get(kSchema10, L"id"), L"r1");
    ASSERT_TRUE(reader.ReadNextKnownElement(child, tag));
    EXPECT_EQ(child.LocalName(), L"Text");
    EXPECT_FALSE(reader.ReadNextKnownElement(child, tag));
    EXPECT_FALSE(reader.ReadNextKnownElement(tag, root));
    EXPECT_TRUE(reader.SkippedUnknown());
}

// A hostile document declaring a fresh namespace on each of many elements must still read in
// linear time (a walk over the URIs met so far made this one run for many minutes).
TEST(XmlReader, ManyDistinctNamespacesReadInLinearTime) {
    constexpr int kCount = 100000;
    std::string doc = kHead;
    for (int i = 0; i < kCount; ++i) doc += "<p:a xmlns:p=\"urn:n" + std::to_string(i) + "\"/>";
    doc += "<Note id=\"r1\"/></Diagram>";
    Reader reader(std::move(doc));
    Tag root, tag;
    reader.ReadRoot(root);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    EXPECT_EQ(tag.LocalName(), L"Note");
    EXPECT_FALSE(reader.ReadNextKnownElement(tag, root));
    EXPECT_TRUE(reader.SkippedUnknown());
}

TEST(XmlReader, UnreadChildrenAreSkippedForTheNextSibling) {
    Reader reader(kHead + "<A><B><C/></B></A><D/></Diagram>");
    Tag root, tag;
    reader.ReadRoot(root);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    EXPECT_EQ(tag.LocalName(), L"D");
    EXPECT_FALSE(reader.ReadNextKnownElement(tag, root));
}

TEST(XmlReader, RewindReadsTheDocumentAgain) {
    Reader reader(kHead + "<A/><B/></Diagram>");
    for (int pass = 0; pass < 2; ++pass) {
        Tag root, tag;
        reader.ReadRoot(root);
        ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
        EXPECT_EQ(tag.LocalName(), L"A");
        ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
        EXPECT_EQ(tag.LocalName(), L"B");
        EXPECT_FALSE(reader.ReadNextKnownElement(tag, root));
    }
}

TEST(XmlReader, TextKeepsWhitespaceAndDecodesReferencesCdataAndLineEnds) {
    Reader reader(std::string("\xEF\xBB\xBF") + "<?xml version=\"1.0\"?><!-- c --><?pi x?>\r\n"
                  "<Diagram xmlns=\"http://quorvel.example/schema/1.0\" V=\"a&#9;b\tc&#10;d\r\ne&lt;&amp;&quot;&apos;&gt;\">"
                  "  x&#x1F600;\r\ny\rz<![CDATA[<&>\r\n]]><!-- skip --><?p?>&#65;</Diagram><!-- tail -->\n");
    Tag root, tag;
    reader.ReadRoot(root);
    EXPECT_EQ(root.GetAttributes().get(kSchema10, L"V"), L"a\tb c\nd e<&\"'>");
    std::wstring text, all;
    Reader::Node node;
    while ((node = reader.ReadNode(tag, text)) == Reader::Node::Text) all += text;
    EXPECT_EQ(node, Reader::Node::EndTag);
    std::wstring expected = L"  x";
    zq::AppendWide(expected, 0x1F600);
    expected += L"\ny\nz<&>\nA";
    EXPECT_EQ(all, expected);
    EXPECT_EQ(reader.ReadNode(tag, text), Reader::Node::EndOfDocument);
}

TEST(XmlReader, WideStreamThroughTheUtf8Locale) {
    std::wistringstream in(zq::FromUTF8(kHead + "<Note V=\"\xC3\xA9\"/></Diagram>"));
    Reader reader(in);
    Tag root, tag;
    reader.ReadRoot(root);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    EXPECT_EQ(tag.GetAttributes().get(kSchema10, L"V"), L"\u00E9");
}

TEST(XmlReader, ErrorsCarryTheirLine) {
    EXPECT_EQ(ErrorOf(kHead + "<A>\n</B></Diagram>"), "line 4: end tag \"B\" does not match start tag \"A\" of line 3");
    EXPECT_EQ(ErrorOf(kHead + "<A x=\"1\"\n x=\"2\"/></Diagram>"), "line 3: duplicate attribute \"x\"");
    EXPECT_EQ(ErrorOf(kHead + "<A q1v3:x=\"1\" xmlns:o=\"http://quorvel.example/schema/1.3\" o:x=\"2\"/></Diagram>"),
              "line 3: duplicate attribute \"x\"");
    for (const char* pair : {"s:x=\"1\" y=\"2\" x=\"3\"", "x=\"1\" y=\"2\" s:x=\"3\""})  // either first
        EXPECT_EQ(ErrorOf(kHead + "<A xmlns:s=\"http://quorvel.example/schema/1.0\" " + pair + "/></Diagram>"),
                  "line 3: duplicate attribute \"x\"");
    EXPECT_EQ(ErrorOf("<?xml version=\"1.0\"?>\n<!DOCTYPE d [<!ENTITY e \"x\">]>\n<Diagram/>"),
              "line 2: a DOCTYPE is not allowed");
    EXPECT_EQ(ErrorOf(kHead + "<A>\n\xC3\x28</A></Diagram>"), "line 4: invalid UTF-8 in the document");
    EXPECT_EQ(ErrorOf(kHead + "<A>\xED\xA0\x80</A></Diagram>"), "line 3: invalid UTF-8 in the document");  // surrogate
    EXPECT_EQ(ErrorOf(kHead + "<A>\xC0\xAF</A></Diagram>"), "line 3: invalid UTF-8 in the document");      // overlong
    EXPECT_EQ(ErrorOf(kHead + "\n\n<A>&bogus;</A></Diagram>"), "line 5: unknown entity \"bogus\"");
    EXPECT_EQ(ErrorOf(kHead + "<A>&#0;</A></Diagram>"), "line 3: character reference to a character not allowed in XML");
    EXPECT_EQ(ErrorOf(kHead + "<A>\n"), "line 4: element \"A\" of line 3 not closed");
    EXPECT_EQ(ErrorOf(kHead + "</Diagram><B/>"), "line 3: content after the root element");
    EXPECT_EQ(ErrorOf(""), "line 1: the document has no root element");
    EXPECT_EQ(ErrorOf(kHead + "<A v=\"<\"/></Diagram>"), "line 3: \"<\" in the value of attribute \"v\"");
    EXPECT_EQ(ErrorOf("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Diagram/>"),
              "line 1: unsupported encoding ISO-8859-1");
    EXPECT_EQ(ErrorOf("\r\r\r<Diagram>\x01</Diagram>"), "line 4: character not allowed in XML");
    // The bytes are checked in one pass: invalid UTF-8 further on still comes before a character
    // that XML does not allow, whichever stands first.
    EXPECT_EQ(ErrorOf("<Diagram>\x01\n\xEF\xBF\xBE\n\xC3\x28</Diagram>"), "line 3: invalid UTF-8 in the document");
    EXPECT_EQ(ErrorOf("<Diagram>\n\xEF\xBF\xBF\x01</Diagram>"), "line 2: character not allowed in XML");
    EXPECT_EQ(ErrorOf("<Diagram>\xEF\xBB\xBF\xEF\xBF\xBD\n\x1F</Diagram>"), "line 2: character not allowed in XML");
}

TEST(XmlReader, NestingDeeperThanTheLimitIsRefused) {
    std::string deep = kHead;
    for (int i = 1; i < kMaxDepth; ++i) deep += "<A>";  // the root is level 1
    std::string ok = deep;
    for (int i = 1; i < kMaxDepth; ++i) ok += "</A>";
    EXPECT_EQ(ErrorOf(ok + "</Diagram>"), "no error");
    EXPECT_EQ(ErrorOf(deep + "<A/>"), "line 3: elements nested deeper than 256 levels");
}

TEST(XmlReader, ErrorsAreModelErrors) {
    try {
        Reader reader(std::string("<Diagram><A></Diagram>"));
        Tag root, tag;
        reader.ReadRoot(root);
        while (reader.ReadNextKnownElement(tag, root)) {
        }
        FAIL();
    } catch (const Core::Exceptions::Base& e) {
        EXPECT_STREQ(e.what(), "line 1: end tag \"Diagram\" does not match start tag \"A\" of line 1");
    }
}

TEST(XmlUnknownElement, Message) {
    EXPECT_STREQ(Exceptions::UnknownElement(12, L"Gizmo").what(), "line 12: Unknown element \"Gizmo\"");
}

TEST(XmlReader, ManyAttributesStillFindDuplicates) {
    std::string attrs;
    for (int i = 0; i < 40; ++i) attrs += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    EXPECT_EQ(ErrorOf(kHead + "<A" + attrs + "/></Diagram>"), "no error");
    EXPECT_EQ(ErrorOf(kHead + "<A" + attrs + " a7=\"x\"/></Diagram>"), "line 3: duplicate attribute \"a7\"");
    EXPECT_EQ(ErrorOf(kHead + "<A xmlns:o=\"http://quorvel.example/schema/1.3\"" + attrs +
                      " q1v3:s=\"1\" o:s=\"2\"/></Diagram>"),
              "line 3: duplicate attribute \"s\"");
}

TEST(XmlReader, LinesCountCrLfOnceAndLoneCr) {
    Reader reader(std::string("<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\r\n<A/>\r<B/>\n\r\n<C/></Diagram>"));
    for (int pass = 0; pass < 2; ++pass) {  // the second pass counts again from the start
        Tag root, tag;
        reader.ReadRoot(root);
        for (int expected : {2, 3, 5}) {
            ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
            EXPECT_EQ(tag.GetLine(), expected) << zq::ToUTF8(tag.LocalName());
        }
    }
}

// Line ends of every kind at every place within a word: each element's line is the count of line
// ends before it (a CR LF counting once), also after errors of counting in larger steps.
TEST(XmlReader, LinesOfManyElementsBetweenMixedLineEnds) {
    const char* const ends[] = {"\n", "\r\n", "\r", "", " ", "\r\r\n", "\n\r"};
    std::string doc = "<Diagram xmlns=\"http://quorvel.example/schema/1.0\">";
    std::vector<int> expected;
    int line = 1;
    for (int i = 0; i < 300; ++i) {
        const std::string gap = std::string(std::size_t(i % 5), ' ') + ends[i % 7] + ends[(i / 7) % 7];
        for (std::size_t k = 0; k < gap.size(); ++k)
            line += gap[k] == '\n' || (gap[k] == '\r' && (k + 1 == gap.size() || gap[k + 1] != '\n'));
        doc += gap + "<A v=\"" + std::string(std::size_t(i % 4), 'x') + "\"/>";
        expected.push_back(line);
    }
    doc += "</Diagram>";
    Reader reader(doc);
    Tag root, tag;
    reader.ReadRoot(root);
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
        ASSERT_EQ(tag.GetLine(), expected[std::size_t(i)]) << "element " << i;
    }
}

// Documents without CR count their LFs a word at a time: every gap and line length lands the line
// ends at every place of a word, and an error's line is counted the same way.
TEST(XmlReader, LinesOfManyElementsBetweenLineFeedsOnly) {
    std::string doc = "<Diagram xmlns=\"http://quorvel.example/schema/1.0\">";
    std::vector<int> expected;
    int line = 1;
    for (int i = 0; i < 200; ++i) {
        const std::string gap = std::string(std::size_t(i % 9), ' ') + std::string(std::size_t(i % 3), '\n');
        line += i % 3;
        doc += gap + "<A v=\"" + std::string(std::size_t(i % 11), 'x') + "\"/>";
        expected.push_back(line);
    }
    Reader reader(doc + "</Diagram>");
    Tag root, tag;
    reader.ReadRoot(root);
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
        ASSERT_EQ(tag.GetLine(), expected[std::size_t(i)]) << "element " << i;
    }
    EXPECT_EQ(ErrorOf(doc + "\n\n<B>"), "line " + std::to_string(line + 2) + ": element \"B\" of line " +
                                          std::to_string(line + 2) + " not closed");
}

// Values and text are scanned and widened eight bytes at a time: a reference, a line end, a TAB, a
// non-ASCII character, a quote or "<" at every place of runs of every length decodes (or fails)
// exactly as one character at a time would.
TEST(XmlReader, SpecialCharactersAtEveryPlaceOfAWord) {
    struct Special {
        std::string stored;
        std::wstring attribute, text;
    };
    const Special specials[] = {{"&amp;", L"&", L"&"},       {"&#x41;", L"A", L"A"},     {"\n", L" ", L"\n"},
                                {"\t", L" ", L"\t"},         {"\r\n", L" ", L"\n"},     {"\r", L" ", L"\n"},
                                {"\xC3\xA9", L"\u00E9", L"\u00E9"}, {"\xF0\x9F\x98\x80", L"\U0001F600", L"\U0001F600"},
                                {"'", L"'", L"'"},            {">", L">", L">"}};
    for (std::size_t length = 0; length < 20; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            for (const Special& sp : specials) {
                const std::string before(at, 'a'), after(length - at, 'b');
                const std::string value = before + sp.stored + after;
                Reader reader("<D xmlns=\"http://quorvel.example/schema/1.0\" v=\"" + value + "\">" + value + "</D>");
                Tag root, tag;
                reader.ReadRoot(root);
                const std::wstring wb(at, L'a'), wa(length - at, L'b');
                ASSERT_EQ(root.GetAttributes().get(kSchema10, L"v"), wb + sp.attribute + wa) << value;
                std::wstring text;
                ASSERT_EQ(reader.ReadNode(tag, text), Reader::Node::Text);
                ASSERT_EQ(text, wb + sp.text + wa) << value;
            }
            const std::string before(at, 'a'), after(length - at, 'b');
            EXPECT_EQ(ErrorOf("<D v=\"" + before + "<" + after + "\"/>"), "line 1: \"<\" in the value of attribute \"v\"");
            EXPECT_EQ(ErrorOf("<D v=\"" + before + "<" + after), "line 1: value of attribute \"v\" not closed");
            EXPECT_EQ(ErrorOf("<D>" + before + "]]>" + after + "</D>"), "line 1: \"]]>\" in character data");
            EXPECT_EQ(ErrorOf("<D>" + before + "]]" + after + "</D>"), "no error");
        }
    }
}

// Names read into the same Tag one after another: each tag gets its own, also where the bytes of
// one name are the code units of another (the UTF-8 of U+1DF7 against "\u00E1\u00B7\u00B7").
TEST(XmlReader, NamesOfSuccessiveTagsInOneTag) {
    Reader reader("<D xmlns=\"http://quorvel.example/schema/1.0\"><\xC3\xA1\xC2\xB7\xC2\xB7 \xC3\xA1\xC2\xB7\xC2\xB7=\"1\"/>"
                  "<\xE1\xB7\xB7 \xE1\xB7\xB7=\"2\"/><Ab Ab=\"3\"/><A A=\"4\"/><A A=\"5\"/></D>");
    Tag root, tag;
    reader.ReadRoot(root);
    const std::pair<std::wstring, std::wstring> expected[] = {
        {L"\u00E1\u00B7\u00B7", L"1"}, {L"\u1DF7", L"2"}, {L"Ab", L"3"}, {L"A", L"4"}, {L"A", L"5"}};
    for (const auto& [name, value] : expected) {
        ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
        EXPECT_EQ(tag.LocalName(), name);
        ASSERT_EQ(tag.GetAttributes().Count(), 1u);
        EXPECT_EQ(tag.GetAttributes().At(0).name, name);
        EXPECT_EQ(tag.GetAttributes().get(kSchema10, name), value);
    }
}

// Attributes taken from a tag outlive the reading of the next tags.
TEST(XmlReader, TakenAttributesOutliveTheNextTags) {
    Reader reader(kHead + "<A id=\"r1\" Pos=\"10 20 and a long value\" V=\"&lt;&#xE9;\r\n\t&amp;\"/>\n<B id=\"r2\"/></Diagram>");
    Tag root, tag;
    reader.ReadRoot(root);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    const Attributes a = tag.TakeAttributes();
    EXPECT_EQ(tag.GetAttributes().Count(), 0u);
    EXPECT_EQ(tag.GetLine(), 3);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    EXPECT_EQ(tag.GetAttributes().get(kSchema10, L"id"), L"r2");
    EXPECT_EQ(a.get(kSchema10, L"Pos"), L"10 20 and a long value");
    EXPECT_EQ(a.get(kSchema10, L"id"), L"r1");
    EXPECT_EQ(a.get(kSchema10, L"V"), L"<\u00E9  &");
    EXPECT_EQ(a.GetLine(), 3);
}

// Values are decoded only when read, but every reference is checked when its tag is read: a
// malformed one fails there, with its line, also where nobody reads the value.
TEST(XmlReader, UnreadValuesAreCheckedWithTheirTag) {
    const std::pair<std::string, std::string> cases[] = {
        {"&amp", "malformed entity or character reference"},
        {"a&;", "malformed entity or character reference"},
        {"&#xZ;", "malformed character reference"},
        {"&#x110000;", "character reference out of range"},
        {"&#1;", "character reference to a character not allowed in XML"},
        {"&nbsp;", "unknown entity \"nbsp\""}};
    for (const auto& [value, message] : cases) {
        Reader reader(kHead + "<A id=\"r1\"/>\n<B id=\"r2\"\n   V=\"ok &amp; " + value + "\"/></Diagram>");
        Tag root, tag;
        reader.ReadRoot(root);
        ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
        EXPECT_EQ(ErrorOfNextKnown(reader, tag, root), "line 5: " + message) << value;
    }
}

// Names are compared with the document's bytes: only the whole name matches, ASCII or not; At
// gives every attribute with its name and value.
TEST(XmlReader, AttributeNamesMatchWhole) {
    Reader reader(kHead + "<A Pos=\"1\" P\xC3\xB6s=\"2\" Po=\"3\" q1v3:Pos=\"4\"/></Diagram>");
    Tag root, tag;
    reader.ReadRoot(root);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    const Attributes& attrs = tag.GetAttributes();
    EXPECT_EQ(attrs.get(kSchema10, L"Po"), L"3");
    EXPECT_EQ(attrs.get(kSchema10, L"P\u00F6s"), L"2");
    EXPECT_EQ(attrs.get(kSchema13, L"Pos"), L"4");
    EXPECT_TRUE(attrs.HasUnread());
    EXPECT_EQ(attrs.get(kSchema10, L"Pos"), L"1");
    EXPECT_FALSE(attrs.HasUnread());
    EXPECT_FALSE(attrs.find(kSchema10, L"P").first);
    EXPECT_FALSE(attrs.find(kSchema10, L"Poss").first);
    EXPECT_FALSE(attrs.find(kSchema10, L"P\u00F6").first);
    ASSERT_EQ(attrs.Count(), 4u);
    EXPECT_EQ(attrs.At(1).name, L"P\u00F6s");
    EXPECT_EQ(attrs.At(1).value, L"2");
    EXPECT_EQ(attrs.At(3).uri, kSchema13.uri);
}

// The characters are checked sixteen bytes at a time: a control character at every place of a
// block is refused at its line, while TAB, LF and CR pass and CRs are counted as line ends.
TEST(XmlReader, ControlCharactersAtEveryPlaceOfABlock) {
    for (std::size_t at = 0; at < 40; ++at) {
        const std::string before(at, 'a'), after(40 - at, 'b');
        EXPECT_EQ(ErrorOf("<D>\n" + before + "\x01" + after + "</D>"), "line 2: character not allowed in XML") << at;
        EXPECT_EQ(ErrorOf("<D>\n" + before + "\x1F" + after + "</D>"), "line 2: character not allowed in XML") << at;
        EXPECT_EQ(ErrorOf("<D>\n" + before + "\t\n" + after + "</D>"), "no error") << at;
        EXPECT_EQ(ErrorOf("<D>" + before + "\r" + after + "<E>"), "line 2: element \"E\" of line 2 not closed") << at;
    }
}

// White space between attributes, in runs of every length and kind, is skipped.
TEST(XmlReader, LongWhiteSpaceBetweenAttributes) {
    for (std::size_t length = 1; length < 20; ++length) {
        std::string space;
        for (std::size_t k = 0; k < length; ++k) space += " \t\r\n"[k % 4];
        Reader reader("<D" + space + "xmlns=\"http://quorvel.example/schema/1.0\"" + space + "a" + space + "=" + space +
                      "\"1\"" + space + "b=\"2\"" + space + "/>");
        Tag root;
        reader.ReadRoot(root);
        EXPECT_EQ(root.GetAttributes().get(kSchema10, L"a"), L"1");
        EXPECT_EQ(root.GetAttributes().get(kSchema10, L"b"), L"2");
        EXPECT_EQ(ErrorOf("<D a=\"1\"" + space), "line 1: tag \"D\" not closed");
    }
}

namespace {

// Reads a file of the given bytes through a wide file stream with the UTF-8 locale, as the editor does.
std::wstring ReadThroughFile(const std::string& bytes, std::string& error) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("xmlreader-" + std::to_string(reinterpret_cast<std::uintptr_t>(&bytes)) + ".qvd");
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::wstring value;
    try {
        std::wifstream in(path, std::ios::binary);
        in.imbue(zq::MakeUTF8Locale());
        Reader reader(in);
        Tag root, tag;
        reader.ReadRoot(root);
        if (reader.ReadNextKnownElement(tag, root)) value = tag.GetAttributes().get(kSchema10, L"V");
    } catch (const xml::ExceptionBase& e) {
        error = e.what();
    }
    std::filesystem::remove(path);
    return value;
}

} // namespace

TEST(XmlReader, WideFileStreamDecodesUtf8AndRejectsInvalidBytes) {
    std::string error;
    std::wstring expected = L"\u00E9";
    zq::AppendWide(expected, 0x1F600);
    // Long enough that multi-byte characters straddle the stream's buffer boundaries.
    std::string filler(9000, ' ');
    EXPECT_EQ(ReadThroughFile(kHead + filler + "<A V=\"\xC3\xA9\xF0\x9F\x98\x80\"/></Diagram>", error), expected);
    EXPECT_EQ(error, "");
    // A character whose second UTF-16 half looks like an undecodable byte's mark, split across the
    // reader's 32768-character chunks where wchar_t has 16 bits.
    const std::string start = kHead + "<A V=\"";
    std::wstring plane1(32767 - start.size(), L' ');
    zq::AppendWide(plane1, 0x10000);
    const std::wstring split = ReadThroughFile(start + std::string(32767 - start.size(), ' ') + "\xF0\x90\x80\x80\"/></Diagram>", error);
    EXPECT_TRUE(split == plane1) << "read " << split.size() << " characters";
    EXPECT_EQ(error, "");
    ReadThroughFile(kHead + "<A V=\"\xC3\x28\"/></Diagram>", error);
    EXPECT_NE(error.find("invalid UTF-8"), std::string::npos) << error;
    error.clear();
    ReadThroughFile(kHead + "<A V=\"x\"/></Diagram>\xF0\x9F", error);  // truncated at the end
    EXPECT_NE(error.find("invalid UTF-8"), std::string::npos) << error;
}

// Names are read eight bytes at a time: a colon at every place of names of every length splits
// the prefix off, and a second colon anywhere makes the name malformed.
TEST(XmlReader, ColonsAtEveryPlaceOfAName) {
    for (std::size_t length = 3; length < 20; ++length) {
        for (std::size_t colon = 1; colon + 1 < length; ++colon) {
            const std::string prefix(colon, 'p'), local(length - colon - 1, 'l');
            const std::string name = prefix + ":" + local;
            Reader reader("<D xmlns:" + prefix + "=\"http://quorvel.example/schema/1.0\"><" + name + " " + name + "=\"v\"/></D>");
            Tag root, tag;
            reader.ReadRoot(root);
            ASSERT_TRUE(reader.ReadNextKnownElement(tag, root)) << name;
            EXPECT_EQ(tag.LocalName(), std::wstring(local.begin(), local.end())) << name;
            EXPECT_EQ(tag.GetAttributes().get(kSchema10, std::wstring(local.begin(), local.end())), L"v") << name;
            for (std::size_t second = colon + 1; second < length; ++second) {
                std::string twice = name;
                twice[second] = ':';
                EXPECT_EQ(ErrorOf("<D><" + twice + "/></D>"), "line 1: malformed element name \"" + twice + "\"") << twice;
            }
        }
    }
    EXPECT_EQ(ErrorOf("<D>\n<abcdefghij\xC3\xA9:k\xC3\xA9 abcdefghijkl:m=\"1\"/></D>"), "no error");
}

// White space that nobody reads is passed over, but text after it is still checked.
TEST(XmlReader, UnreadTextAfterWhiteSpaceIsChecked) {
    const std::pair<std::string, std::string> cases[] = {{"]]>", "\"]]>\" in character data"},
                                                         {"a ]]>", "\"]]>\" in character data"},
                                                         {"&bad;", "unknown entity \"bad\""}};
    for (const auto& [text, message] : cases) {
        Reader reader(kHead + "<A>\n   \t" + text + "</A></Diagram>");
        Tag root, tag, child;
        reader.ReadRoot(root);
        ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
        EXPECT_EQ(ErrorOfNextKnown(reader, child, tag), "line 4: " + message) << text;
    }
    Reader reader(kHead + "<A>\n  <B/>  </A>  \n  </Diagram>");
    Tag root, tag, child;
    reader.ReadRoot(root);
    ASSERT_TRUE(reader.ReadNextKnownElement(tag, root));
    ASSERT_TRUE(reader.ReadNextKnownElement(child, tag));
    EXPECT_EQ(child.GetLine(), 4);
    EXPECT_FALSE(reader.ReadNextKnownElement(child, tag));
    EXPECT_FALSE(reader.ReadNextKnownElement(tag, root));
}

// Values and text longer than the decoder's buffer decode whole.
TEST(XmlReader, LongValuesAndTextDecodeWhole) {
    std::string stored;
    std::wstring attribute, text;
    for (int k = 0; k < 40; ++k) {
        stored += std::string(std::size_t(k % 13), 'x') + "abcdefghij&amp;\t\r\n\xC3\xA9";
        attribute += std::wstring(std::size_t(k % 13), L'x') + L"abcdefghij&  \u00E9";
        text += std::wstring(std::size_t(k % 13), L'x') + L"abcdefghij&\t\n\u00E9";
    }
    Reader reader("<D xmlns=\"http://quorvel.example/schema/1.0\" v=\"" + stored + "\">" + stored + "</D>");
    Tag root, tag;
    reader.ReadRoot(root);
    EXPECT_EQ(root.GetAttributes().get(kSchema10, L"v"), attribute);
    std::wstring read;
    ASSERT_EQ(reader.ReadNode(tag, read), Reader::Node::Text);
    EXPECT_EQ(read, text);
}
