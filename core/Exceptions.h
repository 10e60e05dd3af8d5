// The model's exceptions: Core::Exceptions::Base (every malformed document or model error is one),
// the base of the XML reader's errors ("line N: message"), the errors of restoring attributes,
// and the conversion error of the attribute text forms.
#pragma once

#include "core/foundation/Exception.h"

#include <string>
#include <string_view>

namespace Core::Exceptions {

// Base of the model's exceptions; what() gives a narrow (UTF-8) message.
class Base : public zq::Exception {
public:
    explicit Base(std::string message) : zq::Exception(std::move(message)) {}
};

// A second object of a kind of which a document holds one.
class DuplicateSingletonObject : public Base {
public:
    DuplicateSingletonObject() : Base("Core::DuplicateSingletonObject") {}
};

// A number that cannot be stored (infinite or not a number).
class NonFiniteNumber : public Base {
public:
    NonFiniteNumber() : Base("cannot store a number that is not finite") {}
};

} // namespace Core::Exceptions

namespace xml {

// Base of the errors of reading a document: its text is "line N: message".
class ExceptionBase : public Core::Exceptions::Base {
public:
    // A UTF-8 message.
    ExceptionBase(int line, std::string_view message);
    // A wide message, converted to UTF-8.
    ExceptionBase(int line, std::wstring_view message);
    // The line of the document the error belongs to.
    int Line() const noexcept { return line_; }
    // The message without the line prefix.
    const std::string& Detail() const noexcept { return detail_; }

private:
    int line_;
    std::string detail_;
};

} // namespace xml

namespace Core::Exceptions {

// Restore code 1 under the mandatory policy: mandatory attribute "NAME" is missing.
class MandatoryAttributeMissing : public xml::ExceptionBase {
public:
    MandatoryAttributeMissing(int line, std::wstring_view name);
};

// Restore code 2: attribute "NAME" has wrong type.
class AttributeHasWrongType : public xml::ExceptionBase {
public:
    AttributeHasWrongType(int line, std::wstring_view name);
};

// Restore code 3: unknown reference.
class UnknownObjectID : public xml::ExceptionBase {
public:
    explicit UnknownObjectID(int line);
};

// Restore code 4: type mismatch of restored object.
class TypeMismatchOfRestoredObject : public xml::ExceptionBase {
public:
    explicit TypeMismatchOfRestoredObject(int line);
};

// Restore code 5: attribute "NAME" is out of range.
class AttributeOutOfRange : public xml::ExceptionBase {
public:
    AttributeOutOfRange(int line, std::wstring_view name);
};

// Any other restore code: attribute "NAME": unknown restore error N.
class UnknownAttributeRestoreError : public xml::ExceptionBase {
public:
    UnknownAttributeRestoreError(int line, std::wstring_view name, int code);
};

} // namespace Core::Exceptions

namespace Core::ToBinary {

// An attribute text that cannot be converted: cannot convert NAME from "TEXT".
class ConversionFailed : public xml::ExceptionBase {
public:
    ConversionFailed(int line, std::wstring_view name, std::wstring_view text);
};

} // namespace Core::ToBinary
