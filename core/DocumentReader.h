// Reading documents: the prolog and the root element are checked, then the document is read twice
// inside one reading transaction: the first pass creates and registers every element, the second
// restores their properties and resolves references; finalizers, OnRestored and the hooks follow,
// and the transaction closes. A reading that fails leaves its receiver as it was.
#pragma once

#include "core/ModelElement.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace Core {

class Diagram;
class ObjectRegistry;

// Flags a reading answers.
enum ReadFlags : unsigned {
    kReadSkippedUnknown = 1,  // elements or attributes were skipped (unknown namespaces, attributes left unread)
    kReadNewerVersion = 2,    // the document names a newer version than this program writes
};

// What an element learns once its own XML element has been read in the second pass.
struct RestoreContext {
    IModelElement* enclosing;  // the element whose XML element holds this one (none at the top level)
    IModelElement* previous;   // the element read just before it inside the same enclosing element, or none
    ObjectRegistry& registry;  // stored ids of the reading
    int line;                  // line of the element's start tag
};

// Hooks of one reading; each gets the elements read, in document order.
struct ReadOptions {
    // Runs after every element's OnRestored, inside the reading transaction.
    std::function<void(Env&, const std::vector<ElementPtr>&)> afterRestored;
    // Runs after the reading transaction has closed.
    std::function<void(const std::vector<ElementPtr>&)> afterClose;
};

// What a document is read into: a diagram, or a holder such as a transfer set.
class IElementReceiver {
public:
    virtual ~IElementReceiver() = default;
    // The diagram the reading fills.
    virtual Diagram& BeginReading() = 0;
    // Ends the reading; on failure the diagram has been rolled back already.
    virtual void EndReading(bool success) noexcept = 0;
};

// Reads a document of UTF-8 bytes into the receiver; answers ReadFlags. Errors throw
// Core::Exceptions::Base with the line of the element at fault (of the element whose check or
// finalizing failed, or of the one it names).
unsigned ReadDiagramXML(IElementReceiver& receiver, std::string utf8, const ReadOptions& options = {});
// Reads a document from a wide stream (decoded by its locale) into the receiver.
unsigned ReadDiagramXML(IElementReceiver& receiver, std::wistream& in, const ReadOptions& options = {});
// Reads a document into the diagram.
unsigned ReadDiagramXML(Diagram& diagram, std::string utf8, const ReadOptions& options = {});
// Reads a document from a wide stream into the diagram.
unsigned ReadDiagramXML(Diagram& diagram, std::wistream& in, const ReadOptions& options = {});

// Whether a namespace URI names a schema of a version above this program's ("/schema/1.4").
bool IsNewerSchema(std::wstring_view uri);
// Whether a dotted version text names a version above the reference ("1.3.4" against "1.3.4": false).
bool IsNewerVersion(std::wstring_view version, std::wstring_view reference);

} // namespace Core
