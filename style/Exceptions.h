// The style's errors. All are model errors (Core::Exceptions::Base), so a document that holds a
// broken style fails to open with a message while other documents still open.
#pragma once

#include "core/Exceptions.h"

#include <string_view>

namespace Style::Exceptions {

// Base of the style errors; what() gives a narrow message.
class Base : public Core::Exceptions::Base {
public:
    explicit Base(std::string message) : Core::Exceptions::Base(std::move(message)) {}
};

// A stored style with a second root directory.
class MoreThanOneRootDirectory : public Base {
public:
    MoreThanOneRootDirectory() : Base("Style object must have exactly one root directory") {}
};

// A style import from a document that has none.
class NoStyleAvailable : public Base {
public:
    NoStyleAvailable() : Base("no style available") {}
};

// A stored directory whose name is not registered below its parent: Unknown style node "TEXT".
class UnknownStyleDirectory : public xml::ExceptionBase {
public:
    UnknownStyleDirectory(int line, std::wstring_view text);
};

} // namespace Style::Exceptions

namespace Style::Exceptions {

// The file named for a style import could not be read.
class ImportFileUnreadable : public Base {
public:
    ImportFileUnreadable() : Base("the file to import styles from cannot be read") {}
};

} // namespace Style::Exceptions
