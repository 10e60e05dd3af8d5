// Storable elements: an element whose data is one record of registered properties, with the
// record's lifecycle in a transaction (backup, commit, rollback, lock, undo commit), and the
// variant with a position.
#pragma once

#include "core/Factory.h"
#include "core/ModelElement.h"
#include "core/Property.h"
#include "core/Transaction.h"
#include "core/foundation/Geometry.h"

#include <memory>
#include <optional>
#include <vector>

namespace Core {

namespace StorableTraits {
// The plain element: stored, copyable, written by the generic nesting of its owner.
struct Null {
    static constexpr bool kStored = true;
    static constexpr bool kCopyable = true;
    static constexpr bool kStoredByOwner = false;
};
} // namespace StorableTraits

// The owner of a locked record of type Rep.
template <class Rep>
class IRepOwner {
public:
    virtual ~IRepOwner() = default;
    // The current record.
    virtual const Rep& GetRep() const = 0;
    // The record before the running transaction (the backup when there is one, else the current).
    virtual const Rep& GetOldRep() const = 0;
    // The writable record: backs it up on the first write, records the element as modified;
    // LockedRep::AccessError outside an open transaction.
    virtual Rep& GetRepForWrite(Transaction& transaction, bool updateViews) = 0;
    // Notes a changed field for the undo record (once).
    virtual void NoteChangedField(unsigned offset) = 0;

    // The one way element code writes a field: the field of the writable record, noted as changed.
    template <class F>
    F& ModifyField(Transaction& transaction, F Rep::*field) {
        Rep& rep = GetRepForWrite(transaction, true);
        NoteChangedField(static_cast<unsigned>(reinterpret_cast<const char*>(&(rep.*field)) -
                                                reinterpret_cast<const char*>(&rep)));
        return rep.*field;
    }
    template <class F>
    F& ModifyField(Env& env, F Rep::*field) {
        return ModifyField(env.GetTransaction(), field);
    }
};

// The record owner of a placed element: the position, current and saved.
template <class Rep>
class IRepOwnerWithPos : public virtual IRepOwner<Rep> {
public:
    // The top-left corner.
    virtual zq::Point GetPos() const = 0;
    // The position before the running transaction.
    virtual zq::Point GetOldPos() const = 0;
    // Moves the element (undoable); nothing when deleted or unchanged.
    virtual void SetPos(Env& env, const zq::Point& pos) = 0;
};

// An element whose position undo records can exchange.
class IPositionHolder : public virtual IModelElement {
public:
    // The current position, written directly by undo records.
    virtual zq::Point& PositionForUndo() = 0;
};

// The undo record of a position change.
UndoerRef MakePosUndoer(std::shared_ptr<IPositionHolder> element, const zq::Point& oldPos);

// The non-template base of every storable element.
class StorableBase0 : public virtual IModelElement {
public:
    const std::wstring& GetTypeName() const override { return GetPropertyFactory().GetElementName(); }
    const xml::Namespace& GetNamespace() const override { return GetPropertyFactory().GetNamespace(); }
    // Stores every registered property in registration order.
    void StoreProperties(xml::IWriter& writer) const override;
    // Restores every registered property in registration order.
    void RestoreProperties(const xml::IAttributes& attributes, ObjectRegistry& registry) override;
    // Remaps every registered property of the record.
    void RemapReferences(const CopyRegistry& mapping) override;
    // Visits the references of every registered property of the record.
    void ForEachStoredReference(const ReferenceVisitor& visit) const override;
    // Compares the changed fields with the backup into one property group; drops the backup.
    void CommitUndo(UndoSequence& sequence) override;

    // The type's property registry.
    virtual const PropertyFactory& GetPropertyFactory() const = 0;
    // The current record for undo records, which write it directly.
    virtual void* GetRepBaseForUndo() = 0;
    bool IsLocked() const { return locked_; }
    void ResetLocked() { locked_ = false; }
    // The offsets of the fields changed since the backup, in first-change order.
    const std::vector<unsigned>& GetChangedFields() const { return changed_; }

protected:
    StorableBase0() = default;
    StorableBase0(const StorableBase0&) : IModelElement() {}
    void NoteChanged(unsigned offset);
    virtual void* CurrentRepBase() = 0;
    virtual const void* BackupRepBase() const = 0;  // none without a backup
    virtual void DropBackup() = 0;

    std::vector<unsigned> changed_;
    bool locked_ = true;
};

// The record of type Rep with its backup.
template <class Rep>
class StorableBase : public StorableBase0, public virtual IRepOwner<Rep> {
public:
    const Rep& GetRep() const override { return *rep_; }
    const Rep& GetOldRep() const override { return backup_ ? *backup_ : *rep_; }
    Rep& GetRepForWrite(Transaction& transaction, bool updateViews) override {
        if (!transaction.IsOpen()) throw LockedRep::AccessError();
        bool madeBackup = false;
        if (!backup_) {
            backup_ = std::make_unique<Rep>(*rep_);
            madeBackup = true;
        }
        try {
            transaction.Modify(*this, updateViews);
        } catch (...) {
            if (madeBackup) backup_.reset();
            throw;
        }
        locked_ = false;
        return *rep_;
    }
    void NoteChangedField(unsigned offset) override { NoteChanged(offset); }
    // Backs the record up and records the element as modified before a change.
    void PrepareModify(Env& env) { GetRepForWrite(env.GetTransaction(), false); }

    // The setter pattern: nothing when deleted or equal; otherwise an undoable write. True when written.
    template <class F, class V>
    bool SetField(Env& env, F Rep::*field, V&& value) {
        if (this->IsDeleted() || rep_.get()->*field == value) return false;
        this->ModifyField(env, field) = std::forward<V>(value);
        return true;
    }

    void MakeBackup() override {
        if (!backup_) backup_ = std::make_unique<Rep>(*rep_);
    }
    void Rollback() override {
        if (backup_) rep_ = std::move(backup_);
        changed_.clear();
        locked_ = true;
    }
    void Commit() override {
        backup_.reset();
        changed_.clear();
        locked_ = true;
    }
    bool HasBackup() const override { return backup_ != nullptr; }
    void* GetRepBaseForUndo() override { return rep_.get(); }

protected:
    explicit StorableBase(const Rep& prototype) : rep_(std::make_unique<Rep>(prototype)) {}
    StorableBase(const StorableBase& o) : IModelElement(), StorableBase0(o), rep_(std::make_unique<Rep>(*o.rep_)) {}
    void* CurrentRepBase() override { return rep_.get(); }
    const void* BackupRepBase() const override { return backup_.get(); }
    void DropBackup() override { backup_.reset(); }

private:
    std::unique_ptr<Rep> rep_;
    std::unique_ptr<Rep> backup_;
};

// A storable element of type Derived (which provides static Factory() and RegisterProperties)
// with the record RepT and the element interfaces it implements.
template <class Derived, class RepT, class Traits = StorableTraits::Null, class... Interfaces>
class Storable : public StorableBase<RepT>, public Interfaces... {
public:
    using Rep = RepT;
    const PropertyFactory& GetPropertyFactory() const override { return Derived::Factory(); }
    IFactory* GetFactory() const override { return &Derived::Factory(); }
    ElementPtr Clone() const override { return std::make_shared<Derived>(static_cast<const Derived&>(*this)); }
    bool IsStored() const override { return Traits::kStored; }
    bool IsCopyable() const override { return Traits::kCopyable; }
    bool IsStoredByOwner() const override { return Traits::kStoredByOwner; }

    ~Storable() override { Derived::Factory().CountInstance(-1); }

protected:
    Storable() : StorableBase<RepT>(Derived::Factory().GetPrototype()) { Derived::Factory().CountInstance(1); }
    Storable(const Storable& o) : IModelElement(), StorableBase<RepT>(o) { Derived::Factory().CountInstance(1); }
};

// A storable element with a position "Pos" (the top-left corner) and its saved copy.
template <class Derived, class RepT, class Traits = StorableTraits::Null, class... Interfaces>
class StorableWithPos : public Storable<Derived, RepT, Traits, Interfaces...>,
                        public virtual IRepOwnerWithPos<RepT>,
                        public IPositionHolder {
    using Base = Storable<Derived, RepT, Traits, Interfaces...>;

public:
    zq::Point GetPos() const override { return pos_; }
    zq::Point GetOldPos() const override { return saved_ ? *saved_ : pos_; }
    void SetPos(Env& env, const zq::Point& pos) override {
        if (this->IsDeleted() || pos == pos_) return;
        if (!saved_) {
            env.GetTransaction().Modify(*this, true);
            saved_ = pos_;
        } else {
            // The later moves of one change reach the views too (a drop moves its elements for
            // real while the pointer moves, inside one open change).
            this->UpdateViewElements();
        }
        pos_ = pos;
    }
    // "Pos" first, then the registered properties.
    void StoreProperties(xml::IWriter& writer) const override {
        StoredForm::WritePoint(writer.WriteAttribute(xml::kSchema10, L"Pos"), pos_);
        Base::StoreProperties(writer);
    }
    // "Pos" first (mandatory), then the registered properties.
    void RestoreProperties(const xml::IAttributes& attributes, ObjectRegistry& registry) override {
        auto [found, text] = attributes.find(xml::kSchema10, L"Pos");
        int code = kAttributeMissing;
        if (found) {
            pos_ = ToBinary::ToPoint(text, L"Pos", attributes.GetLine());
            saved_.reset();
            code = kRestored;
        }
        EvalRestore::Mandatory::Evaluate(L"Pos", attributes.GetLine(), code);
        Base::RestoreProperties(attributes, registry);
    }
    void CommitUndo(UndoSequence& sequence) override {
        Base::CommitUndo(sequence);
        if (saved_) {
            if (*saved_ != pos_)
                sequence.Add(MakePosUndoer(std::dynamic_pointer_cast<IPositionHolder>(this->shared_from_this()), *saved_));
            saved_.reset();
        }
    }
    void Rollback() override {
        Base::Rollback();
        if (saved_) pos_ = *saved_;
        saved_.reset();
    }
    void Commit() override {
        Base::Commit();
        saved_.reset();
    }
    bool HasBackup() const override { return Base::HasBackup() || saved_.has_value(); }
    zq::Point& PositionForUndo() override { return pos_; }

protected:
    StorableWithPos() = default;
    StorableWithPos(const StorableWithPos& o) : IModelElement(), Base(o), pos_(o.pos_) {}

private:
    zq::Point pos_;
    std::optional<zq::Point> saved_;
};

} // namespace Core
