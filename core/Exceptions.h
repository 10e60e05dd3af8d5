// The model's exceptions: Core::Exceptions::Base (every malformed document or model error is one),
// the base of the XML reader's errors ("line N: message"), the errors of restoring attributes,
// and the conversion error of the attribute text forms.
#pragma once

#include "core/foundation/Exception.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Core::Exceptions {

// Base of the model's exceptions; what() gives a narrow (UTF-8) message, "line N: message" once
// the error knows the line of the document it belongs to.
class Base : public zq::Exception {
public:
    // An error without a line.
    explicit Base(std::string message) : zq::Exception(message), detail_(std::move(message)) {}
    // The line of the document the error belongs to; 0 when not known.
    int Line() const noexcept { return line_; }
    // The message without the line prefix.
    const std::string& Detail() const noexcept { return detail_; }
    // The object id of the element at fault, when the error names one; 0 otherwise.
    std::uint32_t Element() const noexcept { return element_; }
    // Names the element at fault (by object id) unless the error names one already.
    void NameElement(std::uint32_t id) noexcept;
    // Gives an error without a line the line it belongs to (nothing for line 0 or a placed error).
    void PlaceAt(int line);

protected:
    // An error at a line of the document (0: not known yet).
    Base(int line, std::string_view message);

private:
    std::string detail_;
    int line_ = 0;
    std::uint32_t element_ = 0;
};

// Runs a step of the element with the object id; an error the step raises names that element (so
// that the document reader can report the element's line).
template <class Step>
void NamingElement(std::uint32_t id, Step&& step) {
    try {
        step();
    } catch (Base& error) {
        error.NameElement(id);
        throw;
    }
}

// A second object of a kind of which a document holds one; names the second one when given.
class DuplicateSingletonObject : public Base {
public:
    explicit DuplicateSingletonObject(std::uint32_t second = 0) : Base("Core::DuplicateSingletonObject") {
        NameElement(second);
    }
};

// A number that cannot be stored (infinite or not a number).
class NonFiniteNumber : public Base {
public:
    NonFiniteNumber() : Base("cannot store a number that is not finite") {}
};

} // namespace Core::Exceptions

namespace xml {

// Base of the errors of reading a document: its text is "line N: message" (the message alone
// while the line is 0, not known yet: the document reader gives it the line of the element read).
class ExceptionBase : public Core::Exceptions::Base {
public:
    // A UTF-8 message.
    ExceptionBase(int line, std::string_view message) : Base(line, message) {}
    // A wide message, converted to UTF-8.
    ExceptionBase(int line, std::wstring_view message);
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
