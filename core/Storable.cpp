#include "core/Storable.h"

#include <algorithm>
#include <stdexcept>

namespace Core {

namespace {

class PosUndoer : public Undoer {
public:
    PosUndoer(std::shared_ptr<IPositionHolder> element, const zq::Point& pos) : element_(std::move(element)), pos_(pos) {}
    void Undo(UndoContext& context) override {
        std::swap(element_->PositionForUndo(), pos_);
        context.Touch(*element_);
    }
    void Redo(UndoContext& context) override { Undo(context); }

private:
    std::shared_ptr<IPositionHolder> element_;
    zq::Point pos_;
};

} // namespace

UndoerRef MakePosUndoer(std::shared_ptr<IPositionHolder> element, const zq::Point& oldPos)
{
    if (!element) throw std::invalid_argument("MakePosUndoer: no element");
    return UndoerRef(std::make_shared<PosUndoer>(std::move(element), oldPos));
}

void PropertyUndoerGroup::Undo(UndoContext& context)
{
    void* base = element_->GetRepBaseForUndo();
    for (auto it = undoers_.rbegin(); it != undoers_.rend(); ++it) (*it)->Undo(base);
    context.Touch(*element_);
}

void PropertyUndoerGroup::Redo(UndoContext& context)
{
    void* base = element_->GetRepBaseForUndo();
    for (auto& u : undoers_) u->Redo(base);
    context.Touch(*element_);
}

void StorableBase0::StoreProperties(xml::IWriter& writer) const
{
    GetPropertyFactory().StoreProperties(const_cast<StorableBase0*>(this)->CurrentRepBase(), writer);
}

void StorableBase0::RestoreProperties(const xml::IAttributes& attributes, ObjectRegistry& registry)
{
    GetPropertyFactory().RestoreProperties(CurrentRepBase(), attributes, registry);
}

void StorableBase0::RemapReferences(const CopyRegistry& mapping)
{
    GetPropertyFactory().RemapReferences(CurrentRepBase(), mapping);
}

void StorableBase0::ForEachStoredReference(const ReferenceVisitor& visit) const
{
    GetPropertyFactory().VisitStoredReferences(const_cast<StorableBase0*>(this)->CurrentRepBase(), visit);
}

void StorableBase0::NoteChanged(unsigned offset)
{
    if (GetPropertyFactory().FindByOffset(offset) == nullptr)
        throw std::logic_error("a record field written that is not a registered property");
    // A new element of a change that keeps no history (a document being read) is committed
    // without an undo record: its changed fields are never asked for.
    if (IsNew() && GetTransaction() != nullptr && !GetTransaction()->KeepsHistory()) return;
    if (std::find(changed_.begin(), changed_.end(), offset) != changed_.end()) return;
    if (changed_.empty()) changed_.reserve(8);  // one allocation for the usual few fields
    changed_.push_back(offset);
}

void StorableBase0::CommitUndo(UndoSequence& sequence)
{
    const void* backup = BackupRepBase();
    if (backup == nullptr) {
        changed_.clear();
        return;
    }
    auto self = std::dynamic_pointer_cast<StorableBase0>(shared_from_this());
    auto group = std::make_shared<PropertyUndoerGroup>(self);
    const PropertyFactory& properties = GetPropertyFactory();
    const char* current = static_cast<const char*>(CurrentRepBase());
    const char* old = static_cast<const char*>(backup);
    for (unsigned offset : changed_) {
        const PropertyRef* p = properties.FindByOffset(offset);
        if (auto undoer = p->funTable->Copy(current, current + offset, old + offset)) group->Add(std::move(undoer));
    }
    if (!group->IsEmpty()) sequence.Add(UndoerRef(group));
    DropBackup();
    changed_.clear();
    locked_ = true;
}

} // namespace Core
