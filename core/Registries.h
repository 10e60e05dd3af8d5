// The maps of one reading or paste: stored object id to element, and original to copy.
#pragma once

#include "core/ModelElement.h"
#include "core/xml/Exceptions.h"

#include <unordered_map>
#include <vector>

namespace Core {

namespace Exceptions {
// Two elements of one document share an object id: line N: duplicate object id "rK".
class DuplicateObjectID : public xml::ExceptionBase {
public:
    DuplicateObjectID(int line, ObjectId id);
};
} // namespace Exceptions

// Stored object id to element, for one reading or paste.
class ObjectRegistry {
public:
    // Registers the element under its stored id; a second element under one id raises
    // Exceptions::DuplicateObjectID with the line. Id 0 is never registered.
    void Register(ObjectId id, IModelElement& element, int line);
    // The element read under the id, or none.
    IModelElement* Find(ObjectId id) const;
    std::size_t Size() const { return denseCount_ + map_.size(); }
    // Makes room for the number of ids (a document about to be read).
    void Reserve(std::size_t count);

private:
    // Stored ids are mostly small and dense (r1, r2, ...): those below the bound Reserve sets
    // live in a table by id, the rest in the map.
    std::vector<IModelElement*> dense_;
    std::size_t denseBound_ = 0;
    std::size_t denseCount_ = 0;
    std::unordered_map<ObjectId, IModelElement*> map_;
};

// Original element to its copy, for one copy or paste.
class CopyRegistry {
public:
    // Records the copy of an original.
    void Register(const IModelElement& original, IModelElement& copy) { map_[&original] = &copy; }
    // The copy of the element, or none when it was not copied (none for none).
    IModelElement* Find(const IModelElement* original) const;
    std::size_t Size() const { return map_.size(); }

private:
    std::unordered_map<const IModelElement*, IModelElement*> map_;
};

} // namespace Core
