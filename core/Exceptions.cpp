#include "core/Exceptions.h"

#include "core/foundation/UTF8.h"
#include "core/xml/Exceptions.h"

#include <algorithm>

namespace {

std::string Quoted(std::wstring_view name) {
    std::string text = "\"";
    text += zq::ToUTF8(name);
    text += '"';
    return text;
}

std::string WithLine(int line, std::string_view message) {
    std::string text = "line " + std::to_string(line) + ": ";
    text += message;
    return text;
}

} // namespace

namespace Core::Exceptions {

Base::Base(int line, std::string_view message)
    : zq::Exception(line > 0 ? WithLine(line, message) : std::string(message)), detail_(message), line_(std::max(line, 0)) {}

void Base::NameElement(std::uint32_t id) noexcept
{
    if (element_ == 0) element_ = id;
}

void Base::PlaceAt(int line)
{
    if (line_ > 0 || line <= 0) return;
    SetMessage(WithLine(line, detail_));
    line_ = line;
}

} // namespace Core::Exceptions

namespace xml {

ExceptionBase::ExceptionBase(int line, std::wstring_view message) : ExceptionBase(line, zq::ToUTF8(message)) {}

Exceptions::UnknownElement::UnknownElement(int line, std::wstring_view name)
    : ExceptionBase(line, "Unknown element " + Quoted(name)) {}

Exceptions::AttributeNotFound::AttributeNotFound(int line, std::wstring_view name)
    : ExceptionBase(line, "attribute " + Quoted(name) + " not found") {}

} // namespace xml

namespace Core::Exceptions {

MandatoryAttributeMissing::MandatoryAttributeMissing(int line, std::wstring_view name)
    : xml::ExceptionBase(line, "mandatory attribute " + Quoted(name) + " is missing") {}

AttributeHasWrongType::AttributeHasWrongType(int line, std::wstring_view name)
    : xml::ExceptionBase(line, "attribute " + Quoted(name) + " has wrong type") {}

UnknownObjectID::UnknownObjectID(int line) : xml::ExceptionBase(line, std::string_view("unknown reference")) {}

TypeMismatchOfRestoredObject::TypeMismatchOfRestoredObject(int line)
    : xml::ExceptionBase(line, std::string_view("type mismatch of restored object")) {}

AttributeOutOfRange::AttributeOutOfRange(int line, std::wstring_view name)
    : xml::ExceptionBase(line, "attribute " + Quoted(name) + " is out of range") {}

UnknownAttributeRestoreError::UnknownAttributeRestoreError(int line, std::wstring_view name, int code)
    : xml::ExceptionBase(line, "attribute " + Quoted(name) + ": unknown restore error " + std::to_string(code)) {}

} // namespace Core::Exceptions

namespace Core::ToBinary {

ConversionFailed::ConversionFailed(int line, std::wstring_view name, std::wstring_view text)
    : xml::ExceptionBase(line, "cannot convert " + zq::ToUTF8(name) + " from " + Quoted(text)) {}

} // namespace Core::ToBinary
