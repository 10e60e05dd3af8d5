// Element factories: the factory of one element type with its property registry and prototype
// record, the registry that finds a factory by namespace and element name, and the schema namespaces.
#pragma once

#include "core/ModelElement.h"
#include "core/PropertyKinds.h"
#include "core/Transaction.h"
#include "core/xml/Namespace.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace Core {

// The namespace entry of schema 1.0 (the default namespace, prefix "q").
const xml::Namespace& SchemaNamespace10();
// The namespace entry of schema 1.3 (prefix "q1v3").
const xml::Namespace& SchemaNamespace13();

// The factory of one element type.
class IFactory {
public:
    virtual ~IFactory() = default;
    virtual const xml::Namespace& GetFactoryNamespace() const = 0;
    virtual const std::wstring& GetFactoryElementName() const = 0;
    // A new element with the registered defaults, not yet in any diagram (id 0).
    virtual ElementPtr CreateElement() const = 0;
    // A new element inserted into the environment's transaction.
    ElementPtr Create(Env& env) const;
    // The type's property registry.
    virtual const PropertyFactory& GetPropertyFactory() const = 0;
};

// The element factories by namespace URI and element name.
class FactoryRegistry {
public:
    // Registers the factory; the same factory again is ignored, another one under its name is an error.
    void Register(IFactory& factory);
    // The factory of the element, or none.
    IFactory* Find(std::wstring_view nsUri, std::wstring_view elementName) const;
    std::size_t Size() const { return factories_.size(); }

private:
    // Orders keys by element name, then namespace (names are short and mostly decide, the long
    // namespace URIs are compared only between equal names); finds by views, so a look-up copies
    // no strings. A key is (namespace, name).
    struct KeyOrder {
        using is_transparent = void;
        using View = std::pair<std::wstring_view, std::wstring_view>;
        static View Of(const View& v) { return {v.second, v.first}; }
        static View Of(const std::pair<std::wstring, std::wstring>& k) { return {k.second, k.first}; }
        template <class A, class B>
        bool operator()(const A& a, const B& b) const { return Of(a) < Of(b); }
    };
    std::map<std::pair<std::wstring, std::wstring>, IFactory*, KeyOrder> factories_;
};

// The factory of element type T (T has a Rep type and a static RegisterProperties(PropertyTable<Rep>&);
// it may have a static ReportExtras(FactoryRegistry&) that registers what the kind needs beside its factory).
template <class T>
class FactoryImp : public PropertyFactory, public IFactory {
public:
    using Rep = typename T::Rep;
    FactoryImp(const xml::Namespace& ns, std::wstring elementName) : PropertyFactory(ns, std::move(elementName)) {}

    const xml::Namespace& GetFactoryNamespace() const override { return GetNamespace(); }
    const std::wstring& GetFactoryElementName() const override { return GetElementName(); }
    ElementPtr CreateElement() const override { return std::make_shared<T>(); }
    const PropertyFactory& GetPropertyFactory() const override { return *this; }
    // A new element of the type inserted into the environment's transaction.
    std::shared_ptr<T> CreateTyped(Env& env) const {
        auto e = std::make_shared<T>();
        env.Insert(e);
        return e;
    }
    // The number of live elements of the type.
    long GetInstanceCount() const { return instances_.load(); }
    // Counts an element made or destroyed (called by the storable base).
    void CountInstance(int delta) { instances_ += delta; }
    // The prototype record with the registered defaults.
    const Rep& GetPrototype() const {
        EnsureRegistered();
        return prototype_;
    }

protected:
    void EnsureRegistered() const override {
        // The flag spares every later call the once-call, which costs a thread-local look-up.
        if (registered_.load(std::memory_order_acquire)) return;
        std::call_once(once_, [this] {
            auto* self = const_cast<FactoryImp*>(this);
            PropertyTable<Rep> table(*self, self->prototype_);
            T::RegisterProperties(table);
        });
        registered_.store(true, std::memory_order_release);
    }
    void ReportFactory(FactoryRegistry& registry) override { registry.Register(*this); }
    void ReportExtras(FactoryRegistry& registry) override {
        if constexpr (requires { T::ReportExtras(registry); }) T::ReportExtras(registry);
    }

private:
    mutable std::once_flag once_;
    mutable std::atomic<bool> registered_{false};
    Rep prototype_{};
    std::atomic<long> instances_{0};
};

} // namespace Core
