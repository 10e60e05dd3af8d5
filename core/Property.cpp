#include "core/PropertyKinds.h"

#include "core/Exceptions.h"
#include "core/Factory.h"

#include <stdexcept>

namespace Core {

void EvalRestore::Mandatory::Evaluate(std::wstring_view name, int line, int code)
{
    switch (code) {
    case kRestored: return;
    case kAttributeMissing: throw Exceptions::MandatoryAttributeMissing(line, name);
    default: Optional::Evaluate(name, line, code);
    }
}

void EvalRestore::Optional::Evaluate(std::wstring_view name, int line, int code)
{
    switch (code) {
    case kRestored:
    case kAttributeMissing: return;
    case kWrongType: throw Exceptions::AttributeHasWrongType(line, name);
    case kUnknownObject: throw Exceptions::UnknownObjectID(line);
    case kTypeMismatch: throw Exceptions::TypeMismatchOfRestoredObject(line);
    case kOutOfRange: throw Exceptions::AttributeOutOfRange(line, name);
    default: throw Exceptions::UnknownAttributeRestoreError(line, name, code);
    }
}

namespace PropertyKind {

const Bool& Bool::Instance()
{
    static const Bool table;
    return table;
}

void Bool::Store(const xml::Namespace& ns, const std::wstring& name, const void* field, xml::IWriter& w) const
{
    if (*static_cast<const bool*>(field)) w.WriteAttribute(ns, name) << L'1';
}

void Bool::Restore(const xml::Namespace& ns, const std::wstring& name, void* field, const xml::IAttributes& a,
                   ObjectRegistry&) const
{
    auto [found, text] = a.find(ns, name);
    int code = kAttributeMissing;
    if (found) {
        *static_cast<bool*>(field) = ToBinary::ToBool(text, name, a.GetLine());
        code = kRestored;
    }
    EvalRestore::Optional::Evaluate(name, a.GetLine(), code);
}

std::unique_ptr<IPropertyUndoer> Bool::Copy(const void* base, const void* f, const void* b) const
{
    return CopyIfChanged<bool>(base, f, b, [](bool x, bool y) { return x == y; });
}

} // namespace PropertyKind

PropertyFactory::PropertyFactory(const xml::Namespace& ns, std::wstring elementName)
    : ns_(ns), elementName_(std::move(elementName))
{
}

const std::vector<PropertyRef>& PropertyFactory::GetProperties() const
{
    EnsureRegistered();
    return properties_;
}

const PropertyRef* PropertyFactory::FindByOffset(unsigned offset) const
{
    const std::vector<PropertyRef>& properties = GetProperties();
    if (offset >= byOffset_.size() || byOffset_[offset] == 0) return nullptr;
    return &properties[byOffset_[offset] - 1];
}

void PropertyFactory::StoreProperties(const void* rep, xml::IWriter& writer) const
{
    for (const auto& p : GetProperties())
        p.funTable->Store(*p.ns, p.name, static_cast<const char*>(rep) + p.offset, writer);
}

void PropertyFactory::RestoreProperties(void* rep, const xml::IAttributes& attributes, ObjectRegistry& registry) const
{
    for (const auto& p : GetProperties())
        p.funTable->Restore(*p.ns, p.name, static_cast<char*>(rep) + p.offset, attributes, registry);
}

void PropertyFactory::RemapReferences(void* rep, const CopyRegistry& mapping) const
{
    for (const auto& p : GetProperties()) p.funTable->RemapReference(static_cast<char*>(rep) + p.offset, mapping);
}

void PropertyFactory::VisitStoredReferences(const void* rep, const ReferenceVisitor& visit) const
{
    const auto& properties = GetProperties();
    for (std::size_t i : referenceProperties_) {
        const PropertyRef& p = properties[i];
        p.funTable->VisitStoredReferences(static_cast<const char*>(rep) + p.offset, visit);
    }
}

void PropertyFactory::ReportTo(FactoryRegistry& registry)
{
    ReportFactory(registry);
    ReportExtras(registry);
}

void PropertyFactory::AddProperty(const xml::Namespace& ns, std::wstring name, unsigned offset,
                                  const PropertyRef::FunTable& table)
{
    for (const auto& p : properties_) {
        if (p.offset == offset) throw std::logic_error("a record field registered twice");
        if (p.name == name && *p.ns == ns) throw std::logic_error("a property name registered twice");
    }
    if (table.HasStoredReferences()) referenceProperties_.reserve(referenceProperties_.size() + 1);
    if (offset >= byOffset_.size()) byOffset_.resize(offset + 1, 0);
    properties_.reserve(properties_.size() + 1);
    byOffset_[offset] = static_cast<std::uint32_t>(properties_.size() + 1);
    properties_.push_back(PropertyRef{&ns, std::move(name), offset, &table});
    if (table.HasStoredReferences()) referenceProperties_.push_back(properties_.size() - 1);
}

} // namespace Core
