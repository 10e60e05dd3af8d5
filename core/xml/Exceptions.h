// Errors of the XML reader: each is an xml::ExceptionBase ("line N: message"), and so a
// Core::Exceptions::Base that the open and paste paths report.
#pragma once

#include "core/Exceptions.h"

#include <string_view>

namespace xml::Exceptions {

// An element name that is not expected at its place: Unknown element "NAME".
class UnknownElement : public xml::ExceptionBase {
public:
    UnknownElement(int line, std::wstring_view name);
};

// A document that is not well-formed XML (or uses a feature the reader refuses, such as a DOCTYPE).
class Malformed : public xml::ExceptionBase {
public:
    Malformed(int line, std::string_view message) : xml::ExceptionBase(line, message) {}
};

// A required attribute that the tag does not carry: attribute "NAME" not found.
class AttributeNotFound : public xml::ExceptionBase {
public:
    AttributeNotFound(int line, std::wstring_view name);
};

} // namespace xml::Exceptions
