// The property kinds: how each kind of record field is written as an attribute, read back,
// remapped after a copy and compared for undo, and the registration calls of the element types.
#pragma once

#include "core/ModelElement.h"
#include "core/Property.h"
#include "core/Registries.h"
#include "core/StoredForms.h"
#include "core/foundation/Geometry.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"
#include "core/foundation/Cast.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace Core {

// A list of references held in a record.
template <class T>
using PtrCont = std::vector<T*>;

// Marks a referenced type that writes itself in place of a reference attribute (a rich text
// child element); specialised by that type.
template <class T>
struct StoredInPlace : std::false_type {};

// The prototype record of a type while it registers its properties.
template <class Rep>
class PropertyTable {
public:
    PropertyTable(PropertyFactory& factory, Rep& prototype) : factory_(factory), prototype_(prototype) {}
    // The prototype record, into which registrations write the defaults.
    Rep& Prototype() { return prototype_; }
    // The offset of a field inside the record.
    template <class F>
    unsigned OffsetOf(F Rep::*field) const {
        return static_cast<unsigned>(reinterpret_cast<const char*>(&(prototype_.*field)) -
                                     reinterpret_cast<const char*>(&prototype_));
    }
    // Appends the property.
    template <class F>
    void Add(const xml::Namespace& ns, const wchar_t* name, F Rep::*field, const PropertyRef::FunTable& table) {
        factory_.AddProperty(ns, name, OffsetOf(field), table);
    }

private:
    PropertyFactory& factory_;
    Rep& prototype_;
};

namespace PropertyKind {

// The text form of each value type.
template <class T>
struct Form;
template <>
struct Form<int32_t> {
    static void Write(std::wostream& os, int32_t v) { StoredForm::WriteInt(os, v); }
    static int32_t Read(std::wstring_view t, std::wstring_view n, int line) { return ToBinary::ToInt(t, n, line); }
    static bool Equal(int32_t a, int32_t b) { return a == b; }
};
template <>
struct Form<double> {
    static void Write(std::wostream& os, double v) { StoredForm::WriteDouble(os, v); }
    static double Read(std::wstring_view t, std::wstring_view n, int line) { return ToBinary::ToDouble(t, n, line); }
    static bool Equal(double a, double b) { return a == b; }
};
template <>
struct Form<zq::Point> {
    static void Write(std::wostream& os, const zq::Point& v) { StoredForm::WritePoint(os, v); }
    static zq::Point Read(std::wstring_view t, std::wstring_view n, int line) { return ToBinary::ToPoint(t, n, line); }
    static bool Equal(const zq::Point& a, const zq::Point& b) { return a == b; }
};
template <>
struct Form<zq::float8Point> {
    static void Write(std::wostream& os, const zq::float8Point& v) { StoredForm::WriteFloat8Point(os, v); }
    static zq::float8Point Read(std::wstring_view t, std::wstring_view n, int line) {
        return ToBinary::ToFloat8Point(t, n, line);
    }
    static bool Equal(const zq::float8Point& a, const zq::float8Point& b) {
        return GraphUtil::IsEqual(a.x, b.x) && GraphUtil::IsEqual(a.y, b.y);
    }
};
template <>
struct Form<zq::Rect> {
    static void Write(std::wostream& os, const zq::Rect& v) { StoredForm::WriteRect(os, v); }
    static zq::Rect Read(std::wstring_view t, std::wstring_view n, int line) { return ToBinary::ToRect(t, n, line); }
    static bool Equal(const zq::Rect& a, const zq::Rect& b) { return a == b; }
};
template <>
struct Form<zq::Color> {
    static void Write(std::wostream& os, const zq::Color& v) { StoredForm::WriteColor(os, v); }
    static zq::Color Read(std::wstring_view t, std::wstring_view n, int line) { return ToBinary::ToColor(t, n, line); }
    static bool Equal(const zq::Color& a, const zq::Color& b) { return a == b; }
};
template <>
struct Form<std::wstring> {
    static void Write(std::wostream& os, const std::wstring& v) { StoredForm::WriteString(os, v); }
    static std::wstring Read(std::wstring_view t, std::wstring_view, int) { return std::wstring(t); }
    static bool Equal(const std::wstring& a, const std::wstring& b) { return a == b; }
};

// Shared copy operation: an undo record holding the backup value when the field changed.
template <class T, class Equal>
std::unique_ptr<IPropertyUndoer> CopyIfChanged(const void* repBase, const void* field, const void* backup, Equal eq) {
    const T& cur = *static_cast<const T*>(field);
    const T& old = *static_cast<const T*>(backup);
    if (eq(cur, old)) return nullptr;
    auto offset = static_cast<unsigned>(static_cast<const char*>(field) - static_cast<const char*>(repBase));
    return std::make_unique<PropertyUndoer<T>>(offset, old);
}

// A stored value of type T.
template <class T, class Policy>
class Value final : public PropertyRef::FunTable {
public:
    static const Value& Instance() {
        static const Value table;
        return table;
    }
    void Store(const xml::Namespace& ns, const std::wstring& name, const void* field, xml::IWriter& w) const override {
        const T& v = *static_cast<const T*>(field);
        if constexpr (std::is_same_v<T, std::wstring> && std::is_same_v<Policy, EvalRestore::Optional>)
            if (v.empty()) return;
        Form<T>::Write(w.WriteAttribute(ns, name), v);
    }
    void Restore(const xml::Namespace& ns, const std::wstring& name, void* field, const xml::IAttributes& a,
                 ObjectRegistry&) const override {
        auto [found, text] = a.find(ns, name);
        int code = kAttributeMissing;
        if (found) {
            *static_cast<T*>(field) = Form<T>::Read(text, name, a.GetLine());
            code = kRestored;
        }
        Policy::Evaluate(name, a.GetLine(), code);
    }
    void RemapReference(void*, const CopyRegistry&) const override {}
    std::unique_ptr<IPropertyUndoer> Copy(const void* base, const void* f, const void* b) const override {
        return CopyIfChanged<T>(base, f, b, &Form<T>::Equal);
    }
};

// A bool written as "1" when true and left out when false.
class Bool final : public PropertyRef::FunTable {
public:
    static const Bool& Instance();
    void Store(const xml::Namespace& ns, const std::wstring& name, const void* field, xml::IWriter& w) const override;
    void Restore(const xml::Namespace& ns, const std::wstring& name, void* field, const xml::IAttributes& a,
                 ObjectRegistry&) const override;
    void RemapReference(void*, const CopyRegistry&) const override {}
    std::unique_ptr<IPropertyUndoer> Copy(const void* base, const void* f, const void* b) const override;
};

// A value that is copied and undone but never written.
template <class T>
class NonStore final : public PropertyRef::FunTable {
public:
    static const NonStore& Instance() {
        static const NonStore table;
        return table;
    }
    void Store(const xml::Namespace&, const std::wstring&, const void*, xml::IWriter&) const override {}
    void Restore(const xml::Namespace&, const std::wstring&, void*, const xml::IAttributes&,
                 ObjectRegistry&) const override {}
    void RemapReference(void*, const CopyRegistry&) const override {}
    std::unique_ptr<IPropertyUndoer> Copy(const void* base, const void* f, const void* b) const override {
        return CopyIfChanged<T>(base, f, b, [](const T& x, const T& y) { return x == y; });
    }
};

// An enumeration held as a 32-bit integer, written by number, read with the range [Min, Max].
template <class E, int Min, int Max, class Policy>
class Enum final : public PropertyRef::FunTable {
    static_assert(sizeof(E) == sizeof(int32_t), "an enumeration property is held as a 32-bit integer");

public:
    static const Enum& Instance() {
        static const Enum table;
        return table;
    }
    void Store(const xml::Namespace& ns, const std::wstring& name, const void* field, xml::IWriter& w) const override {
        StoredForm::WriteInt(w.WriteAttribute(ns, name), static_cast<int32_t>(*static_cast<const E*>(field)));
    }
    void Restore(const xml::Namespace& ns, const std::wstring& name, void* field, const xml::IAttributes& a,
                 ObjectRegistry&) const override {
        auto [found, text] = a.find(ns, name);
        int code = kAttributeMissing;
        if (found) {
            int32_t v = ToBinary::ToInt(text, name, a.GetLine());
            if (v < Min || v > Max) {
                code = kOutOfRange;
            } else {
                *static_cast<E*>(field) = static_cast<E>(v);
                code = kRestored;
            }
        }
        Policy::Evaluate(name, a.GetLine(), code);
    }
    void RemapReference(void*, const CopyRegistry&) const override {}
    std::unique_ptr<IPropertyUndoer> Copy(const void* base, const void* f, const void* b) const override {
        return CopyIfChanged<E>(base, f, b, [](E x, E y) { return x == y; });
    }
};

// The counterpart of a referenced element under a copy's mapping, cast to T (none when not copied).
template <class T>
T* Remapped(T* p, const CopyRegistry& mapping) {
    if (p == nullptr) return nullptr;
    return zq::Cast<T>(mapping.Find(static_cast<IModelElement*>(p)));
}

// Resolves a stored id to a T that is also a Required: fills target and answers the restore code.
template <class T, class Required = T>
int Resolve(ObjectId id, ObjectRegistry& registry, T*& target) {
    if (id == 0) {
        target = nullptr;
        return kRestored;
    }
    IModelElement* e = registry.Find(id);
    if (e == nullptr) return kUnknownObject;
    T* t = zq::Cast<T>(e);
    if (t == nullptr) return kTypeMismatch;
    if constexpr (!std::is_same_v<T, Required>) {
        if (zq::Cast<Required>(e) == nullptr) return kTypeMismatch;
    }
    target = t;
    return kRestored;
}

// A reference to a T (stored as "rN" when Stored); reading accepts only an element that is a Required.
template <class T, class Policy, bool Stored, class Required = T>
class Ref final : public PropertyRef::FunTable {
public:
    static const Ref& Instance() {
        static const Ref table;
        return table;
    }
    void Store(const xml::Namespace& ns, const std::wstring& name, const void* field, xml::IWriter& w) const override {
        if constexpr (Stored) {
            const T* p = *static_cast<T* const*>(field);
            if (p == nullptr) return;
            if constexpr (StoredInPlace<T>::value)
                static_cast<const IModelElement*>(p)->Store(w, nullptr);
            else
                StoredForm::WriteRef(w.WriteAttribute(ns, name), static_cast<const IModelElement*>(p)->GetObjectId());
        }
    }
    void Restore(const xml::Namespace& ns, const std::wstring& name, void* field, const xml::IAttributes& a,
                 ObjectRegistry& registry) const override {
        if constexpr (Stored && !StoredInPlace<T>::value) {
            auto [found, text] = a.find(ns, name);
            int code = kAttributeMissing;
            if (found) {
                T* resolved = nullptr;
                code = Resolve<T, Required>(ToBinary::ToRef(text, name, a.GetLine()), registry, resolved);
                if (code == kRestored) *static_cast<T**>(field) = resolved;
            }
            Policy::Evaluate(name, a.GetLine(), code);
        }
    }
    bool HasStoredReferences() const override { return Stored && !StoredInPlace<T>::value; }
    void VisitStoredReferences(const void* field, const ReferenceVisitor& visit) const override {
        if constexpr (Stored && !StoredInPlace<T>::value) {
            if (const T* p = *static_cast<T* const*>(field)) visit(*static_cast<const IModelElement*>(p));
        }
    }
    void RemapReference(void* field, const CopyRegistry& mapping) const override {
        T*& p = *static_cast<T**>(field);
        if constexpr (StoredInPlace<T>::value) {
            if (T* c = Remapped(p, mapping)) p = c;  // the owner gives its copy a text of its own
        } else {
            p = Remapped(p, mapping);
        }
    }
    std::unique_ptr<IPropertyUndoer> Copy(const void* base, const void* f, const void* b) const override {
        return CopyIfChanged<T*>(base, f, b, [](T* x, T* y) { return x == y; });
    }
};

// A list of references to T (stored as blank-separated "rN" when Stored).
template <class T, class Policy, bool Stored>
class RefCont final : public PropertyRef::FunTable {
public:
    static const RefCont& Instance() {
        static const RefCont table;
        return table;
    }
    void Store(const xml::Namespace& ns, const std::wstring& name, const void* field, xml::IWriter& w) const override {
        if constexpr (Stored) {
            std::vector<uint32_t> ids;
            for (const T* p : *static_cast<const PtrCont<T>*>(field))
                if (p != nullptr) ids.push_back(static_cast<const IModelElement*>(p)->GetObjectId());
            if (!ids.empty()) StoredForm::WriteRefList(w.WriteAttribute(ns, name), ids);
        }
    }
    void Restore(const xml::Namespace& ns, const std::wstring& name, void* field, const xml::IAttributes& a,
                 ObjectRegistry& registry) const override {
        if constexpr (Stored) {
            auto [found, text] = a.find(ns, name);
            int code = kAttributeMissing;
            if (found) {
                PtrCont<T> list;
                code = kRestored;
                for (uint32_t id : ToBinary::ToRefList(text, name, a.GetLine())) {
                    T* resolved = nullptr;
                    code = Resolve<T>(id, registry, resolved);
                    if (code != kRestored) break;
                    if (resolved != nullptr) list.push_back(resolved);
                }
                if (code == kRestored) *static_cast<PtrCont<T>*>(field) = std::move(list);
            }
            Policy::Evaluate(name, a.GetLine(), code);
        }
    }
    bool HasStoredReferences() const override { return Stored; }
    void VisitStoredReferences(const void* field, const ReferenceVisitor& visit) const override {
        if constexpr (Stored) {
            for (const T* p : *static_cast<const PtrCont<T>*>(field))
                if (p != nullptr) visit(*static_cast<const IModelElement*>(p));
        }
    }
    void RemapReference(void* field, const CopyRegistry& mapping) const override {
        PtrCont<T>& list = *static_cast<PtrCont<T>*>(field);
        PtrCont<T> mapped;
        for (T* p : list)
            if (T* c = Remapped(p, mapping)) mapped.push_back(c);
        list.swap(mapped);
    }
    // Lists are not compared: a changed list always records the whole backup list.
    std::unique_ptr<IPropertyUndoer> Copy(const void* base, const void* f, const void* b) const override {
        auto offset = static_cast<unsigned>(static_cast<const char*>(f) - static_cast<const char*>(base));
        return std::make_unique<PropertyUndoer<PtrCont<T>>>(offset, *static_cast<const PtrCont<T>*>(b));
    }
};

} // namespace PropertyKind

// A stored value: int, double, std::wstring, zq::Point, zq::float8Point, zq::Rect or zq::Color.
// Under the optional policy an empty string writes no attribute.
template <class Policy = EvalRestore::Mandatory>
struct RegisterProperty {
    template <class T, class Rep>
    static void Register(PropertyTable<Rep>& table, T Rep::*field, const wchar_t* name,
                         std::type_identity_t<T> defaultValue = T(), const xml::Namespace& ns = xml::kSchema10) {
        table.Prototype().*field = std::move(defaultValue);
        table.Add(ns, name, field, PropertyKind::Value<T, Policy>::Instance());
    }
};

// A stored bool (always optional): "1" when true, no attribute when false.
struct RegisterBoolProperty {
    template <class Rep>
    static void Register(PropertyTable<Rep>& table, bool Rep::*field, const wchar_t* name, bool defaultValue = false,
                         const xml::Namespace& ns = xml::kSchema10) {
        table.Prototype().*field = defaultValue;
        table.Add(ns, name, field, PropertyKind::Bool::Instance());
    }
};

// A value that is copied and undone but never written.
struct RegisterNonStoreProperty {
    template <class T, class Rep>
    static void Register(PropertyTable<Rep>& table, T Rep::*field, const wchar_t* name,
                         std::type_identity_t<T> defaultValue = T()) {
        table.Prototype().*field = std::move(defaultValue);
        table.Add(xml::kSchema10, name, field, PropertyKind::NonStore<T>::Instance());
    }
};

// An enumeration (32-bit) written by number; a value outside [Min, Max] is out of range.
template <int Min, int Max, class Policy = EvalRestore::Mandatory>
struct RegisterEnumProperty {
    template <class E, class Rep>
    static void Register(PropertyTable<Rep>& table, E Rep::*field, const wchar_t* name,
                         std::type_identity_t<E> defaultValue, const xml::Namespace& ns = xml::kSchema10) {
        table.Prototype().*field = defaultValue;
        table.Add(ns, name, field, PropertyKind::Enum<E, Min, Max, Policy>::Instance());
    }
};

// A stored reference "rN" (none writes nothing); a type stored in place writes itself instead.
template <class Policy = EvalRestore::Optional>
struct RegisterRefProperty {
    template <class T, class Rep>
    static void Register(PropertyTable<Rep>& table, T* Rep::*field, const wchar_t* name,
                         const xml::Namespace& ns = xml::kSchema10) {
        table.Prototype().*field = nullptr;
        table.Add(ns, name, field, PropertyKind::Ref<T, Policy, true>::Instance());
    }
    // A reference held as a T that reading accepts only when the element is also a Required (the
    // field's declared kind, where the record holds a broader type).
    template <class Required, class T, class Rep>
    static void RegisterAs(PropertyTable<Rep>& table, T* Rep::*field, const wchar_t* name,
                           const xml::Namespace& ns = xml::kSchema10) {
        table.Prototype().*field = nullptr;
        table.Add(ns, name, field, PropertyKind::Ref<T, Policy, true, Required>::Instance());
    }
};

// A stored list of references.
template <class Policy = EvalRestore::Optional>
struct RegisterRefContProperty {
    template <class T, class Rep>
    static void Register(PropertyTable<Rep>& table, PtrCont<T> Rep::*field, const wchar_t* name,
                         const xml::Namespace& ns = xml::kSchema10) {
        (table.Prototype().*field).clear();
        table.Add(ns, name, field, PropertyKind::RefCont<T, Policy, true>::Instance());
    }
};

// A reference that is copied, remapped and undone but never written.
struct RegisterRefNonStoreProperty {
    template <class T, class Rep>
    static void Register(PropertyTable<Rep>& table, T* Rep::*field, const wchar_t* name) {
        table.Prototype().*field = nullptr;
        table.Add(xml::kSchema10, name, field, PropertyKind::Ref<T, EvalRestore::Optional, false>::Instance());
    }
};

// A list of references that is copied, remapped and undone but never written.
struct RegisterRefContNonStoreProperty {
    template <class T, class Rep>
    static void Register(PropertyTable<Rep>& table, PtrCont<T> Rep::*field, const wchar_t* name) {
        (table.Prototype().*field).clear();
        table.Add(xml::kSchema10, name, field, PropertyKind::RefCont<T, EvalRestore::Optional, false>::Instance());
    }
};

} // namespace Core
