#include "page/Page.h"

#include "core/Diagram.h"
#include "core/Exceptions.h"
#include "core/xml/Reader.h"
#include "core/foundation/Cast.h"

#include <cmath>

namespace Page {

Core::FactoryImp<Page>& Page::Factory()
{
    static Core::FactoryImp<Page> factory(Core::SchemaNamespace10(), L"Page");
    return factory;
}

void Page::RegisterProperties(Core::PropertyTable<PageRep>& t)
{
    using Mandatory = Core::RegisterProperty<Core::EvalRestore::Mandatory>;
    Mandatory::Register(t, &PageRep::size, L"Size", 1);
    Mandatory::Register(t, &PageRep::width, L"Width", 21590);
    Mandatory::Register(t, &PageRep::height, L"Height", 27940);
    Core::RegisterBoolProperty::Register(t, &PageRep::landscape, L"Landscape", false);
    Mandatory::Register(t, &PageRep::rows, L"Rows", 1);
    Mandatory::Register(t, &PageRep::columns, L"Columns", 1);
    Mandatory::Register(t, &PageRep::margins, L"Margins", zq::Rect(1016, 1016, 1016, 1016));
    Mandatory::Register(t, &PageRep::cutGlueMargins, L"CutGlueMargins", zq::Rect(1016, 1016, 1016, 1016));
    Mandatory::Register(t, &PageRep::scale, L"Scale", 1.0);
}

PageLayout Page::GetLayout() const
{
    const PageRep& r = GetRep();
    PageLayout l;
    l.width = r.width;
    l.height = r.height;
    l.landscape = r.landscape ? 1 : 0;
    l.scale = r.scale;
    l.rows = r.rows;
    l.columns = r.columns;
    l.margins = {double(r.margins.left), double(r.margins.top), double(r.margins.right), double(r.margins.bottom)};
    l.cutGlueMargins = {double(r.cutGlueMargins.left), double(r.cutGlueMargins.top), double(r.cutGlueMargins.right),
                        double(r.cutGlueMargins.bottom)};
    return l;
}

void Page::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry)
{
    Storable::RestoreProperties(attributes, registry);
    const PageRep& r = GetRep();
    const int line = attributes.GetLine();
    auto check = [line](bool ok, const wchar_t* name) {
        if (!ok) throw Core::Exceptions::AttributeOutOfRange(line, name);
    };
    auto nonNegative = [](const zq::Rect& m) { return m.left >= 0 && m.top >= 0 && m.right >= 0 && m.bottom >= 0; };
    check(r.width >= Limits::kMinPaperSide, L"Width");
    check(r.height >= Limits::kMinPaperSide, L"Height");
    check(r.rows >= 1 && r.rows <= Limits::kMaxRowsOrColumns, L"Rows");
    check(r.columns >= 1 && r.columns <= Limits::kMaxRowsOrColumns, L"Columns");
    check(nonNegative(r.margins), L"Margins");
    check(nonNegative(r.cutGlueMargins), L"CutGlueMargins");
    check(std::isfinite(r.scale) && r.scale > 0, L"Scale");
}

Page* FindPage(const Core::Diagram& diagram)
{
    return zq::Cast<Page>(diagram.FindElement(L"Page"));
}

std::shared_ptr<Page> CreateDefaultPage(Core::Env& env) { return Page::Factory().CreateTyped(env); }

Page& FindOrCreatePage(Core::Env& env)
{
    if (Page* page = FindPage(env.GetDiagram())) return *page;
    return *CreateDefaultPage(env);
}

} // namespace Page
