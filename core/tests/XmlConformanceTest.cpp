// Well-formedness cases of the XML reader, one small document each: documents that must be read,
// and malformed ones that must be refused with their line and message.
#include "core/foundation/UTF8.h"
#include "core/tests/XmlOutcome.h"
#include "core/xml/Exceptions.h"
#include "core/xml/Reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace xml;
using xmltest::Outcome;

namespace {

// The root start tag of the documents below; their bodies begin on line 2.
const std::string kRoot = "<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n";

struct Case {
    const char* name;
    std::string document;
    std::string expected;  // "no error", or "line N: message"
};

// The outcome of reading the bytes from a file through a wide stream with the UTF-8 locale, as the
// editor reads its files.
std::string OutcomeThroughFile(const std::string& bytes, const char* name) {
    const auto path = std::filesystem::temp_directory_path() / (std::string("xmlconformance-") + name + ".qvd");
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::string outcome;
    {
        std::wifstream in(path, std::ios::binary);
        in.imbue(zq::MakeUTF8Locale());
        try {
            Reader reader(in);
            outcome = Outcome(reader);
        } catch (const xml::ExceptionBase& e) {
            outcome = xmltest::Message(e);
        }
    }
    std::filesystem::remove(path);
    return outcome;
}

void ExpectOutcomes(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(Outcome(c.document), c.expected) << c.name;
}

const char* const kXmlNs = "http://www.w3.org/XML/1998/namespace";

} // namespace

TEST(XmlConformance, WellFormedDocumentsAreRead) {
    ExpectOutcomes({
        {"xml prefix declared with its own namespace",
         kRoot + "<A xmlns:xml=\"" + kXmlNs + "\" xml:lang=\"en\"/></Diagram>", "no error"},
        {"names of Latin letters and a middle dot", kRoot + "<\xC3\xA9l\xC3\xA9ment na\xC2\xB7me=\"1\"/></Diagram>",
         "no error"},
        {"a CJK element name", kRoot + "<\xE4\xB8\xAD\xE6\x96\x87/></Diagram>", "no error"},
        {"a name above the basic plane", kRoot + "<\xF0\x90\x80\x80/></Diagram>", "no error"},
        {"combining marks after the first character", kRoot + "<a\xCC\x80/></Diagram>", "no error"},
        {"brackets in text", kRoot + "<A>a]]b ]>c ]]&gt; ]</A></Diagram>", "no error"},
        {"\"]]>\" in an attribute value", kRoot + "<A v=\"]]>\"/></Diagram>", "no error"},
        {"\"]]\" inside CDATA", kRoot + "<A><![CDATA[a]]b]]></A></Diagram>", "no error"},
        {"single dashes in a comment", kRoot + "<!-- a - b -->\n<!---x-->\n</Diagram>", "no error"},
        {"instructions with and without text", kRoot + "<?pi?><?pi  text?><?pi\ttext?>\n</Diagram>", "no error"},
        {"declaration with every item", "<?xml version=\"1.1\" encoding=\"utf-8\" standalone=\"no\"?><Diagram/>",
         "no error"},
        {"declaration with version and standalone", "<?xml version='1.0' standalone='yes' ?><Diagram/>", "no error"},
        {"declaration with version only", "<?xml version=\"1.0\"?><Diagram/>", "no error"},
        {"two prefixes on one tag", kRoot + "<A xmlns:p=\"urn:a\" xmlns:q=\"urn:a\"/></Diagram>", "no error"},
        {"a prefix declared again below", kRoot + "<A xmlns:p=\"urn:a\"><B xmlns:p=\"urn:b\"/></A></Diagram>",
         "no error"},
    });
}

TEST(XmlConformance, NamespaceDeclarationsTwiceOnOneTagAreDuplicateAttributes) {
    ExpectOutcomes({
        {"prefix twice", kRoot + "<A xmlns:p=\"urn:a\" xmlns:p=\"urn:b\"/></Diagram>",
         "line 2: duplicate attribute \"xmlns:p\""},
        {"prefix twice, same namespace", kRoot + "<A\n xmlns:p=\"urn:a\"\n xmlns:p=\"urn:a\"/></Diagram>",
         "line 2: duplicate attribute \"xmlns:p\""},
        {"default twice", kRoot + "\n<A xmlns=\"urn:a\" xmlns=\"urn:b\"/></Diagram>",
         "line 3: duplicate attribute \"xmlns\""},
        {"default twice on the root", "<D xmlns=\"urn:a\" xmlns=\"urn:a\"/>", "line 1: duplicate attribute \"xmlns\""},
    });
}

TEST(XmlConformance, MalformedCharacterDataCommentsAndInstructionsAreRefused) {
    ExpectOutcomes({
        {"\"]]>\" in text", kRoot + "<A>\nx]]>y</A></Diagram>", "line 3: \"]]>\" in character data"},
        {"\"]]>\" in text of the root", kRoot + "]]></Diagram>", "line 2: \"]]>\" in character data"},
        {"\"--\" in a comment", kRoot + "<!-- a -- b -->\n</Diagram>", "line 2: \"--\" inside a comment"},
        {"comment ending in \"--->\"", kRoot + "<A/><!-- a --->\n</Diagram>", "line 2: \"--\" inside a comment"},
        {"\"--\" in a comment before the root", "<!-- a -- b -->\n<Diagram/>", "line 1: \"--\" inside a comment"},
        {"target run into the declaration", "<?xmlversion='1.0'?><Diagram/>",
         "line 1: expected white space after the processing instruction target \"xmlversion\""},
        {"target run into its text", kRoot + "<?pi=x?></Diagram>",
         "line 2: expected white space after the processing instruction target \"pi\""},
    });
}

TEST(XmlConformance, MalformedDeclarationsAreRefused) {
    ExpectOutcomes({
        {"encoding before version", "<?xml encoding=\"UTF-8\" version=\"1.0\"?><Diagram/>",
         "line 1: item \"version\" repeated or out of order in the XML declaration"},
        {"standalone before encoding", "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?><Diagram/>",
         "line 1: item \"encoding\" repeated or out of order in the XML declaration"},
        {"version twice", "<?xml version=\"1.0\" version=\"1.0\"?><Diagram/>",
         "line 1: item \"version\" repeated or out of order in the XML declaration"},
        {"standalone twice", "<?xml version=\"1.0\" standalone=\"no\" standalone=\"no\"?><Diagram/>",
         "line 1: item \"standalone\" repeated or out of order in the XML declaration"},
        {"no version", "<?xml encoding=\"UTF-8\"?><Diagram/>", "line 1: the XML declaration has no version"},
        {"version 2.0", "<?xml version=\"2.0\"?><Diagram/>", "line 1: malformed version \"2.0\" in the XML declaration"},
        {"version without digits", "<?xml version=\"1.\"?><Diagram/>",
         "line 1: malformed version \"1.\" in the XML declaration"},
        {"version with a letter", "<?xml version=\"1.0a\"?><Diagram/>",
         "line 1: malformed version \"1.0a\" in the XML declaration"},
        {"version with blanks", "<?xml version=\" 1.0\"?><Diagram/>",
         "line 1: malformed version \" 1.0\" in the XML declaration"},
        {"standalone in capitals", "<?xml version=\"1.0\" standalone=\"YES\"?><Diagram/>",
         "line 1: malformed standalone \"YES\" in the XML declaration"},
        {"standalone true", "<?xml version=\"1.0\" standalone=\"true\"?><Diagram/>",
         "line 1: malformed standalone \"true\" in the XML declaration"},
        {"encoding starting with a digit", "<?xml version=\"1.0\" encoding=\"8bit\"?><Diagram/>",
         "line 1: malformed encoding \"8bit\" in the XML declaration"},
        {"unknown item", "<?xml version=\"1.0\" charset=\"UTF-8\"?><Diagram/>",
         "line 1: unknown item \"charset\" in the XML declaration"},
    });
}

TEST(XmlConformance, NamesFollowTheNameCharacterClasses) {
    ExpectOutcomes({
        {"middle dot first", kRoot + "<\xC2\xB7" "A/></Diagram>", "line 2: expected an element name"},
        {"combining mark first", kRoot + "<\xCC\x80" "A/></Diagram>", "line 2: expected an element name"},
        {"multiplication sign inside", kRoot + "<A\xC3\x97" "B/></Diagram>",
         "line 2: expected white space before an attribute"},
        {"en quad inside", kRoot + "<A\xE2\x80\x80/></Diagram>", "line 2: expected white space before an attribute"},
        {"attribute name starting with U+2040", kRoot + "<A \xE2\x81\x80x=\"1\"/></Diagram>",
         "line 2: expected an attribute name"},
        {"ideographic space first", kRoot + "<\xE3\x80\x80/></Diagram>", "line 2: expected an element name"},
        {"private use above the planes of names", kRoot + "<\xF3\xB0\x80\x80/></Diagram>",
         "line 2: expected an element name"},
        {"root name starting with a middle dot", "<\xC2\xB7/>", "line 1: expected the root element"},
        {"instruction target starting with a digit", kRoot + "<?9pi?></Diagram>",
         "line 2: expected a processing instruction target"},
    });
}

TEST(XmlConformance, MalformedNamespaceUseIsRefused) {
    const std::string xmlns = "http://www.w3.org/2000/xmlns/";
    ExpectOutcomes({
        {"empty prefix", kRoot + "<A xmlns:=\"\"/></Diagram>", "line 2: malformed namespace declaration \"xmlns:\""},
        {"empty prefix with a namespace", kRoot + "<A xmlns:=\"urn:a\"/></Diagram>",
         "line 2: malformed namespace declaration \"xmlns:\""},
        {"element name with an empty prefix", kRoot + "<:foo/></Diagram>", "line 2: malformed element name \":foo\""},
        {"root name with an empty prefix", "<:Diagram/>", "line 1: malformed element name \":Diagram\""},
        {"attribute name with an empty prefix", kRoot + "<A :b=\"1\"/></Diagram>",
         "line 2: malformed attribute name \":b\""},
        {"local name starting with a dash", kRoot + "<p:-a xmlns:p=\"urn:a\"/></Diagram>",
         "line 2: malformed element name \"p:-a\""},
        {"prefix starting with a dash", kRoot + "<A xmlns:-p=\"urn:a\"/></Diagram>",
         "line 2: malformed namespace declaration \"xmlns:-p\""},
        {"another prefix bound to the XML namespace", kRoot + "<A xmlns:x=\"" + kXmlNs + "\"/></Diagram>",
         std::string("line 2: only the prefix \"xml\" is bound to \"") + kXmlNs + "\""},
        {"default namespace bound to the XML namespace", kRoot + "<A xmlns=\"" + kXmlNs + "\"/></Diagram>",
         std::string("line 2: only the prefix \"xml\" is bound to \"") + kXmlNs + "\""},
        {"xml bound to another namespace", kRoot + "<A xmlns:xml=\"urn:a\"/></Diagram>",
         std::string("line 2: only the prefix \"xml\" is bound to \"") + kXmlNs + "\""},
        {"a prefix bound to the xmlns namespace", kRoot + "<A xmlns:x=\"" + xmlns + "\"/></Diagram>",
         "line 2: the namespace \"" + xmlns + "\" cannot be declared"},
        {"default namespace bound to the xmlns namespace", kRoot + "<A xmlns=\"" + xmlns + "\"/></Diagram>",
         "line 2: the namespace \"" + xmlns + "\" cannot be declared"},
        {"xmlns declared", kRoot + "<A xmlns:xmlns=\"" + xmlns + "\"/></Diagram>",
         "line 2: the prefix \"xmlns\" cannot be declared"},
        {"colon in an instruction target", kRoot + "<A/>\n<?a:b x?></Diagram>",
         "line 3: colon in the processing instruction target \"a:b\""},
        {"colon in an instruction target before the root", "<?a:b?>\n<Diagram/>",
         "line 1: colon in the processing instruction target \"a:b\""},
    });
}

// Another encoding is refused by its name even when the bytes are not UTF-8, and UTF-16 by its
// byte order mark, whether the bytes come as a string or through the editor's wide file stream.
TEST(XmlConformance, OtherEncodingsAreNamed) {
    const std::vector<Case> cases = {
        {"latin1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Diagram>caf\xE9</Diagram>",
         "line 1: unsupported encoding ISO-8859-1"},
        {"latin1-valid", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Diagram/>",
         "line 1: unsupported encoding ISO-8859-1"},
        {"utf16le", std::string("\xFF\xFE<\0D\0/\0>\0", 10), "line 1: UTF-16 documents are not supported"},
        {"utf16be", std::string("\xFE\xFF\0<\0D\0/\0>", 10), "line 1: UTF-16 documents are not supported"},
        {"utf16le-declaration", std::string("\xFF\xFE<\0?\0x\0m\0l\0 \0", 14), "line 1: UTF-16 documents are not supported"},
        {"utf16-no-mark", std::string("<\0D\0/\0>\0", 8), "line 1: UTF-16 documents are not supported"},
        {"invalid-after-declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram>caf\xE9</Diagram>",
         "line 2: invalid UTF-8 in the document"},
        {"invalid-first-byte", "\xE9<Diagram/>", "line 1: invalid UTF-8 in the document"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Outcome(c.document), c.expected) << c.name;
        EXPECT_EQ(OutcomeThroughFile(c.document, c.name), c.expected) << c.name << " through a file";
    }
}

// U+FFFE and U+FFFF are valid UTF-8 but no XML characters: the editor's wide file stream names them
// as the byte reader does, and characters whose UTF-16 low halves resemble its marks read as they are.
TEST(XmlConformance, NoncharactersAreNamedAlikeFromBytesAndThroughAFile) {
    const std::vector<Case> cases = {
        {"ufffe-in-text", kRoot + "<A>\n\xEF\xBF\xBE</A></Diagram>", "line 3: character not allowed in XML"},
        {"uffff-in-a-value", kRoot + "<A/>\n<A v=\"x\xEF\xBF\xBF\"/></Diagram>", "line 3: character not allowed in XML"},
        {"uffff-first", "\xEF\xBF\xBF<Diagram/>", "line 1: character not allowed in XML"},
        {"ufffe-before-invalid", kRoot + "\xEF\xBF\xBE\n\xC3\x28</Diagram>", "line 3: invalid UTF-8 in the document"},
        {"planes-one-and-sixteen", kRoot + "<A v=\"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\"/></Diagram>", "no error"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Outcome(c.document), c.expected) << c.name;
        EXPECT_EQ(OutcomeThroughFile(c.document, c.name), c.expected) << c.name << " through a file";
    }
}
