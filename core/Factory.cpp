#include "core/Factory.h"

#include "core/Exceptions.h"
#include "core/foundation/UTF8.h"

namespace Core {

const xml::Namespace& SchemaNamespace10() { return xml::kSchema10; }

const xml::Namespace& SchemaNamespace13() { return xml::kSchema13; }

ElementPtr IFactory::Create(Env& env) const
{
    ElementPtr e = CreateElement();
    env.Insert(e);
    return e;
}

void FactoryRegistry::Register(IFactory& factory)
{
    auto key = std::make_pair(std::wstring(factory.GetFactoryNamespace().uri), factory.GetFactoryElementName());
    auto [it, added] = factories_.emplace(key, &factory);
    if (!added && it->second != &factory)
        throw Exceptions::Base("two factories for the element " + zq::ToUTF8(factory.GetFactoryElementName()));
}

IFactory* FactoryRegistry::Find(std::wstring_view nsUri, std::wstring_view elementName) const
{
    auto it = factories_.find(KeyOrder::View{nsUri, elementName});
    return it == factories_.end() ? nullptr : it->second;
}

} // namespace Core
