// Feeds arbitrary bytes to the XML reader and the attribute text parsers, and loads them as whole
// documents into a diagram of the test element kinds: every outcome must be a document or a
// reading error, never a crash, a leak, a hang or another exception. A document that loads must
// save, and load and save again to the same bytes.
#include "core/Diagram.h"
#include "core/DocumentWriter.h"
#include "core/StoredForms.h"
#include "core/tests/DocumentKinds.h"
#include "core/xml/Exceptions.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> g_values;  // attribute values read, for the round trip

// Writes every value read as an attribute and as text, reads the document back and insists on
// getting exactly the same values: escaping and decoding must be each other's inverse.
void RoundTrip() {
    if (g_values.empty()) return;
    std::ostringstream out;
    {
        xml::DocumentWriter doc(out);
        for (const std::wstring& v : g_values) {
            xml::Writer e(doc, xml::kSchema10, L"E");
            e.WriteAttribute(xml::kSchema10, L"V") << v;
            e.WriteText(v);
        }
        doc.EndElement();
    }
    xml::Reader reader(out.str());
    xml::Tag root, tag, inner;
    reader.ReadRoot(root);
    std::wstring text, fragment;
    for (const std::wstring& v : g_values) {
        if (!reader.ReadNextKnownElement(tag, root)) std::abort();
        if (tag.GetAttributes().get(xml::kSchema10, L"V") != v) std::abort();
        text.clear();
        if (!tag.IsEmptyElement()) {
            while (reader.ReadNode(inner, fragment) == xml::Reader::Node::Text) text += fragment;
        }
        if (text != v) std::abort();
    }
}

// Every parser on every attribute value: they must answer, never fail otherwise.
void ParseAll(const xml::Attributes& attrs) {
    using namespace Core::StoredForm;
    for (std::size_t i = 0; i < attrs.Count(); ++i) {
        const std::wstring& v = attrs.At(i).value;
        if (g_values.size() < 64) g_values.push_back(v);
        (void)ParseInt(v);
        (void)ParseDouble(v);
        (void)ParseFloat8Point(v);
        (void)ParsePoint(v);
        (void)ParseRect(v);
        (void)ParseRef(v);
        (void)ParseRefList(v);
        (void)ParseBool(v);
        (void)ParseColor(v);
    }
}

void ReadChildren(xml::Reader& reader, const xml::Tag& parent) {
    xml::Tag tag;
    while (reader.ReadNextKnownElement(tag, parent)) {
        ParseAll(tag.GetAttributes());
        (void)tag.GetAttributes().find(xml::kSchema10, L"id");
        ReadChildren(reader, tag);
    }
}

// Loads the bytes into a diagram; a loaded model must survive writing and reading unchanged.
void LoadDocument(const std::string& bytes) {
    Core::Diagram diagram{TestKinds::DocumentRegistry(), nullptr};
    try {
        diagram.LoadXML(bytes);
    } catch (const Core::Exceptions::Base&) {
        if (diagram.GetElementCount() != 0 || diagram.IsTransactionOpen()) std::abort();  // not rolled back
        return;
    }
    std::ostringstream first, second;
    diagram.SaveXML(first);
    Core::Diagram again{TestKinds::DocumentRegistry(), nullptr};
    again.LoadXML(first.str());
    again.SaveXML(second);
    if (first.str() != second.str()) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    g_values.clear();
    try {
        xml::Reader reader(bytes);
        xml::Tag root;
        reader.ReadRoot(root);
        ParseAll(root.GetAttributes());
        ReadChildren(reader, root);
        // Second pass through the low-level interface, as the document reader's second pass does.
        reader.ReadRoot(root);
        xml::Tag tag;
        std::wstring text;
        while (reader.ReadNode(tag, text) != xml::Reader::Node::EndOfDocument) {
        }
    } catch (const xml::ExceptionBase&) {
        // A malformed document: the expected outcome for most inputs.
    }
    RoundTrip();
    LoadDocument(bytes);
    return 0;
}
