#include "style/Model.h"

#include "core/Diagram.h"
#include "style/Clients.h"
#include "core/foundation/Cast.h"

namespace Style {

Core::FactoryImp<ElementStyle>& ElementStyle::Factory()
{
    static Core::FactoryImp<ElementStyle> factory(Core::SchemaNamespace13(), L"ElementStyle");
    return factory;
}

void ElementStyle::RegisterProperties(Core::PropertyTable<ElementStyleRep>& table)
{
    Core::RegisterRefNonStoreProperty::Register(table, &ElementStyleRep::owner, L"Owner");
    Core::RegisterNonStoreProperty::Register(table, &ElementStyleRep::name, L"Name", std::wstring());
    Core::RegisterNonStoreProperty::Register(table, &ElementStyleRep::fillColor, L"FillColor", zq::Color(255, 255, 255));
    Core::RegisterNonStoreProperty::Register(table, &ElementStyleRep::fillColorIsNull, L"FillColorIsNull", false);
}

ElementStyle& ElementStyle::Create(Core::Env& env, Style& style, const std::wstring& name)
{
    auto es = Factory().CreateTyped(env);
    es->SetField(env, &ElementStyleRep::owner, &style);
    es->SetField(env, &ElementStyleRep::name, name);
    es->SetField(env, &ElementStyleRep::fillColorIsNull, true);
    return *es;
}

bool ElementStyle::GetFillColor(zq::Color& color) const
{
    if (GetRep().fillColorIsNull) return false;
    color = GetRep().fillColor;
    return true;
}

void ElementStyle::SetFillColor(Core::Env& env, const zq::Color* color)
{
    if (color == nullptr) {
        SetField(env, &ElementStyleRep::fillColorIsNull, true);
        return;
    }
    SetField(env, &ElementStyleRep::fillColor, *color);
    SetField(env, &ElementStyleRep::fillColorIsNull, false);
}

void ElementStyle::Assign(Core::Env& env, const ElementStyle& other)
{
    SetField(env, &ElementStyleRep::fillColorIsNull, other.GetRep().fillColorIsNull);
    SetField(env, &ElementStyleRep::fillColor, other.GetRep().fillColor);
}

bool ElementStyle::Equals(const ElementStyle& other) const
{
    if (GetRep().fillColorIsNull != other.GetRep().fillColorIsNull) return false;
    return GetRep().fillColorIsNull || GetRep().fillColor == other.GetRep().fillColor;
}

namespace {
// Calls f on every element of the diagram that carries the element style name.
template <class F>
void ForEachCarrier(const Core::Diagram& diagram, const std::wstring& name, F f)
{
    if (name.empty()) return;
    const auto elements = diagram.Elements();  // f may change the diagram's list
    for (const Core::ElementPtr& e : elements)
        if (auto* client = zq::Cast<IElementStyleClient>(e.get()); client && !e->IsDeleted() &&
                                                                        client->GetElementStyle() == name)
            f(*client);
}
} // namespace

void ElementStyle::Rename(Core::Env& env, const std::wstring& name)
{
    if (IsDeleted() || name == GetName()) return;
    const std::wstring old = GetName();
    SetField(env, &ElementStyleRep::name, name);
    ForEachCarrier(env.GetDiagram(), old, [&](IElementStyleClient& c) { c.SetElementStyle(env, name); });
}

void ElementStyle::ClearReferences(Core::Env& env)
{
    ForEachCarrier(env.GetDiagram(), GetName(), [&](IElementStyleClient& c) { c.SetElementStyle(env, L""); });
}

void ElementStyle::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    if (GetRep().owner != nullptr) GetRep().owner->RemoveElementStyle(env, *this);
}

void ElementStyle::UpdateDependants(const Core::Diagram& diagram) const
{
    ForEachCarrier(diagram, GetName(), [](IElementStyleClient& c) { c.UpdateViewElements(); });
}

} // namespace Style
