// What reading a whole document gives, for the reader's tests: "no error" or the reader's message.
#pragma once

#include "core/xml/Exceptions.h"
#include "core/xml/Reader.h"

#include <string>

namespace xmltest {

// The message of a reader error: a malformed document's as it is, another kind's marked as such.
inline std::string Message(const xml::ExceptionBase& e) {
    const bool malformed = dynamic_cast<const xml::Exceptions::Malformed*>(&e) != nullptr;
    return malformed ? e.what() : std::string("not a malformed-document error: ") + e.what();
}

// Reads the rest of the document node by node from its root; the message of the first error.
inline std::string Outcome(xml::Reader& reader) {
    try {
        xml::Tag root, tag;
        reader.ReadRoot(root);
        std::wstring text;
        while (reader.ReadNode(tag, text) != xml::Reader::Node::EndOfDocument) {
        }
    } catch (const xml::ExceptionBase& e) {
        return Message(e);
    }
    return "no error";
}

// Reads the document of UTF-8 bytes; the message of the first error, or "no error".
inline std::string Outcome(const std::string& document) {
    try {
        xml::Reader reader(document);
        return Outcome(reader);
    } catch (const xml::ExceptionBase& e) {
        return Message(e);
    }
}

} // namespace xmltest
