// Writing documents: the root element, then every stored element without an owner in the source's
// order, each with its owned elements nested inside it. A document never holds a reference to an
// element it does not write: such a save is refused before anything is written.
#pragma once

#include "core/Exceptions.h"
#include "core/ModelElement.h"

#include <iosfwd>
#include <string>

namespace Core {

class IClub;

namespace Exceptions {
// A stored element refers to an element that the document would not hold.
class DanglingReference : public Base {
public:
    explicit DanglingReference(const IModelElement& element);
};
} // namespace Exceptions

// Writes the source's elements as a whole document of UTF-8 bytes; on failure nothing is written.
void WriteDiagramXML(const IClub& source, std::ostream& out);
// Writes the source's elements as a whole document of wide text (the stream's locale encodes it).
void WriteDiagramXML(const IClub& source, std::wostream& out);

} // namespace Core
