#include "core/Registries.h"

#include <string>

namespace Core {

Exceptions::DuplicateObjectID::DuplicateObjectID(int line, ObjectId id)
    : xml::ExceptionBase(line, "duplicate object id \"r" + std::to_string(id) + "\"")
{
}

void ObjectRegistry::Register(ObjectId id, IModelElement& element, int line)
{
    if (id == 0) return;
    auto [it, added] = map_.emplace(id, &element);
    if (!added && it->second != &element) throw Exceptions::DuplicateObjectID(line, id);
}

IModelElement* ObjectRegistry::Find(ObjectId id) const
{
    auto it = map_.find(id);
    return it == map_.end() ? nullptr : it->second;
}

IModelElement* CopyRegistry::Find(const IModelElement* original) const
{
    if (original == nullptr) return nullptr;
    auto it = map_.find(original);
    return it == map_.end() ? nullptr : it->second;
}

} // namespace Core
