// Registered properties: one entry per record field with its function table (store, restore,
// remap, copy), the restore policies, the undo record of one property change and the property
// registry of an element type.
#pragma once

#include "core/ModelElement.h"
#include "core/Undoer.h"
#include "core/xml/Namespace.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xml {
class IWriter;
class IAttributes;
} // namespace xml

namespace Core {

class ObjectRegistry;
class CopyRegistry;
class FactoryRegistry;
class StorableBase0;

// Result codes of a restore operation.
enum RestoreCode : int {
    kRestored = 0,
    kAttributeMissing = 1,
    kWrongType = 2,
    kUnknownObject = 3,
    kTypeMismatch = 4,
    kOutOfRange = 5,
};

namespace EvalRestore {
// A missing attribute is an error; every code but 0 raises.
struct Mandatory {
    static void Evaluate(std::wstring_view name, int line, int code);
};
// A missing attribute keeps the field's value; codes other than 0 and 1 raise.
struct Optional {
    static void Evaluate(std::wstring_view name, int line, int code);
};
} // namespace EvalRestore

// The undo record of one property change: the field's offset and the other value.
class IPropertyUndoer {
public:
    virtual ~IPropertyUndoer() = default;
    // Exchanges the held value with the field in the record at repBase.
    virtual void Undo(void* repBase) = 0;
    // The same exchange.
    virtual void Redo(void* repBase) { Undo(repBase); }
};

template <class T>
class PropertyUndoer : public IPropertyUndoer {
public:
    PropertyUndoer(unsigned offset, T value) : offset_(offset), value_(std::move(value)) {}
    void Undo(void* repBase) override {
        using std::swap;
        swap(*reinterpret_cast<T*>(static_cast<char*>(repBase) + offset_), value_);
    }

private:
    unsigned offset_;
    T value_;
};

// One registered property of an element type.
struct PropertyRef {
    // The shared, stateless operations of one property kind.
    class FunTable {
    public:
        // Writes the field as the attribute (ns, name).
        virtual void Store(const xml::Namespace& ns, const std::wstring& name, const void* field,
                           xml::IWriter& writer) const = 0;
        // Reads the attribute into the field and hands the result code to the policy.
        virtual void Restore(const xml::Namespace& ns, const std::wstring& name, void* field,
                             const xml::IAttributes& attributes, ObjectRegistry& registry) const = 0;
        // Replaces referenced elements by their copies under the mapping.
        virtual void RemapReference(void* field, const CopyRegistry& mapping) const = 0;
        // Calls the visitor on every element the field refers to by object id in the document
        // (none for values, references not stored and elements written in place).
        virtual void VisitStoredReferences(const void* /*field*/, const ReferenceVisitor& /*visit*/) const {}
        // Whether VisitStoredReferences may visit anything.
        virtual bool HasStoredReferences() const { return false; }
        // The undo record of a change (the backup value), or null when the field did not change.
        virtual std::unique_ptr<IPropertyUndoer> Copy(const void* repBase, const void* field,
                                                      const void* backupField) const = 0;

    protected:
        ~FunTable() = default;
    };

    const xml::Namespace* ns;
    std::wstring name;
    unsigned offset;
    const FunTable* funTable;
};

// The undo record of one element's property changes in one sub-transaction.
class PropertyUndoerGroup : public Undoer {
public:
    explicit PropertyUndoerGroup(std::shared_ptr<StorableBase0> element) : element_(std::move(element)) {}
    // Appends a record (in the order the fields were first changed).
    void Add(std::unique_ptr<IPropertyUndoer> undoer) { undoers_.push_back(std::move(undoer)); }
    void Undo(UndoContext& context) override;
    void Redo(UndoContext& context) override;
    bool IsEmpty() const override { return undoers_.empty(); }
    std::size_t Size() const { return undoers_.size(); }

private:
    std::shared_ptr<StorableBase0> element_;
    std::vector<std::unique_ptr<IPropertyUndoer>> undoers_;
};

// The property registry of one element type: its namespace, element name and properties in
// registration order. Properties are registered on first use.
class PropertyFactory {
public:
    PropertyFactory(const xml::Namespace& ns, std::wstring elementName);
    virtual ~PropertyFactory() = default;
    PropertyFactory(const PropertyFactory&) = delete;
    PropertyFactory& operator=(const PropertyFactory&) = delete;

    // The namespace of the element name.
    const xml::Namespace& GetNamespace() const { return ns_; }
    // The element name the type is stored under.
    const std::wstring& GetElementName() const { return elementName_; }
    // The properties in registration order.
    const std::vector<PropertyRef>& GetProperties() const;
    // The property at the field offset, or none.
    const PropertyRef* FindByOffset(unsigned offset) const;

    // Stores every property of the record in registration order.
    void StoreProperties(const void* rep, xml::IWriter& writer) const;
    // Restores every property of the record in registration order.
    void RestoreProperties(void* rep, const xml::IAttributes& attributes, ObjectRegistry& registry) const;
    // Remaps every property of the record in registration order.
    void RemapReferences(void* rep, const CopyRegistry& mapping) const;
    // Calls the visitor on every element the record's stored attributes refer to by object id.
    void VisitStoredReferences(const void* rep, const ReferenceVisitor& visit) const;

    // Reports the type's factory to the registry (once), then the type's own extras.
    void ReportTo(FactoryRegistry& registry);
    // Appends a property; used while the type registers its properties.
    void AddProperty(const xml::Namespace& ns, std::wstring name, unsigned offset, const PropertyRef::FunTable& table);

protected:
    // Registers the properties unless done (thread-safe).
    virtual void EnsureRegistered() const = 0;
    // Reports the type's factory object itself.
    virtual void ReportFactory(FactoryRegistry& registry) = 0;
    // What a kind registers beside its factory (style directory names).
    virtual void ReportExtras(FactoryRegistry&) {}

private:
    const xml::Namespace& ns_;
    std::wstring elementName_;
    std::vector<PropertyRef> properties_;
    std::vector<std::size_t> referenceProperties_;  // the places of properties with stored references
    std::vector<std::uint32_t> byOffset_;  // by field offset: the property's place + 1, 0 for none
};

} // namespace Core
