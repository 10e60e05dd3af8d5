#include "core/Registries.h"

#include <algorithm>
#include <string>

namespace Core {

Exceptions::DuplicateObjectID::DuplicateObjectID(int line, ObjectId id)
    : xml::ExceptionBase(line, "duplicate object id \"r" + std::to_string(id) + "\"")
{
}

void ObjectRegistry::Reserve(std::size_t count)
{
    // Ids up to a few times the element count stay in the table (a document whose ids have gaps
    // left by deletions); the table grows as they come.
    denseBound_ = std::max(denseBound_, 4 * count + 64);
}

void ObjectRegistry::Register(ObjectId id, IModelElement& element, int line)
{
    if (id == 0) return;
    if (id < denseBound_) {
        if (id >= dense_.size())
            dense_.resize(std::min<std::size_t>(denseBound_, std::max<std::size_t>(id + 1, 2 * dense_.size())));
        IModelElement*& slot = dense_[id];
        if (slot != nullptr && slot != &element) throw Exceptions::DuplicateObjectID(line, id);
        if (slot == nullptr) ++denseCount_;
        slot = &element;
        return;
    }
    auto [it, added] = map_.emplace(id, &element);
    if (!added && it->second != &element) throw Exceptions::DuplicateObjectID(line, id);
}

IModelElement* ObjectRegistry::Find(ObjectId id) const
{
    if (id < denseBound_) return id < dense_.size() ? dense_[id] : nullptr;
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
