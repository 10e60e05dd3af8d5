// The element kind the printing and export tests draw: a figure of an outlined box, its diagonal
// and a label in a font of its own, placed by its top-left corner (y up); and the diagrams built
// from figures and a page.
#pragma once

#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/PropertyKinds.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "page/Page.h"
#include "text/Content.h"
#include "text/Layout.h"
#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"
#include "view/CanvasView.h"
#include "view/ViewElements.h"

#include <functional>
#include <memory>
#include <string>

namespace EditorTest {

struct FigureRep {
    zq::Point size{4000, 2000};
    std::wstring label;
    std::wstring face = L"Arial";
    bool bold = false;
    bool plain = false;  // the outline only, without the diagonal
};

class Figure : public Core::StorableWithPos<Figure, FigureRep, Core::StorableTraits::Null, View::ModelElement> {
public:
    static Core::FactoryImp<Figure>& Factory() {
        static Core::FactoryImp<Figure> factory(Core::SchemaNamespace10(), L"TestFigure");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<FigureRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Optional>::Register(t, &FigureRep::size, L"Size", zq::Point(4000, 2000));
        RegisterProperty<EvalRestore::Optional>::Register(t, &FigureRep::label, L"Label", std::wstring());
        RegisterProperty<EvalRestore::Optional>::Register(t, &FigureRep::face, L"Face", std::wstring(L"Arial"));
        RegisterBoolProperty::Register(t, &FigureRep::bold, L"Bold");
        RegisterBoolProperty::Register(t, &FigureRep::plain, L"Plain");
    }
    // The outline in model units (y up).
    ICanvas::DoubleRect Outline() const {
        const zq::Point p = GetPos(), s = GetRep().size;
        return {double(p.x), double(p.y), double(p.x + s.x), double(p.y - s.y)};
    }
    std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(View::ICanvasView& view) override;

    // Called each time a figure is drawn by a canvas, with the canvas's pixels per model unit, when
    // it was set as the figure's view element was made (tests watch printing progress through it).
    static std::function<void(double)>& DrawHook() {
        static std::function<void(double)> hook;
        return hook;
    }
};

// Lays a label out in 14-point text of the face (bold when asked).
inline std::shared_ptr<const TextBlock::Layout> LayLabel(const FigureRep& rep) {
    static TextBlock::UniscribeMeasurer measurer;
    TextBlock::TextStyle style;
    style.size = 14;
    style.sizing = TextBlock::SizingOwnExtent;
    TextBlock::FontSpec font = TextBlock::FontFromStyle(style);
    font.faceName = std::u16string(rep.face.begin(), rep.face.end());
    if (rep.bold) font.weight = 700;
    TextBlock::Content c;
    c.Append(TextBlock::Item::FontChange(std::make_shared<const TextBlock::FontSpec>(font)));
    for (wchar_t u : rep.label) c.Append(TextBlock::Item::Character(char16_t(u)));
    return std::make_shared<const TextBlock::Layout>(TextBlock::LayoutParagraphs(
        c.Paragraphs(std::make_shared<const TextBlock::FontSpec>(font)), style, {0, 0}, measurer));
}

// Tells the figures' draw hook whenever the figure's area is drawn.
class DrawWatch : public ICanvas::ICustomDrawing {
public:
    explicit DrawWatch(ICanvas::DoubleRect bounds) : bounds_(bounds) {}
    ICanvas::DoubleRect GetBounds() const override { return bounds_; }
    void Draw(ICanvas::IDrawContext& dc) const override {
        if (Figure::DrawHook()) Figure::DrawHook()(dc.PixelsPerUnit());
    }
    void Move(const zq::float8Vector&) override {}

private:
    ICanvas::DoubleRect bounds_;
};

class VFigure : public View::ViewElement {
public:
    VFigure(View::ICanvasView& view, Figure& figure)
        : Core::IViewElement(view, figure), View::ViewElement(view, figure), figure_(figure) {}
    void Update() override {
        ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
        shapes_.Clear();
        const ICanvas::DoubleRect r = figure_.Outline();
        shapes_.Add(canvas.CreateRect(r));
        if (!figure_.GetRep().plain) shapes_.Add(canvas.CreateLine({r.left, r.top}, {r.right, r.bottom}));
        if (Figure::DrawHook()) shapes_.Add(canvas.CreateCustom(std::make_shared<DrawWatch>(r)));
        if (!figure_.GetRep().label.empty())
            shapes_.Add(TextBlock::CreateTextElement(canvas, LayLabel(figure_.GetRep()), {r.left + 200, r.top - 200}));
    }

private:
    Figure& figure_;
    ICanvas::Group shapes_;
};

inline std::shared_ptr<Core::IViewElement> Figure::CreateCanvasViewElement(View::ICanvasView& view) {
    return std::make_shared<VFigure>(view, *this);
}

// A diagram of figures with the factories of figures and pages.
class FigureDiagram {
public:
    FigureDiagram() {
        Figure::Factory().ReportTo(registry_);
        Page::Page::Factory().ReportTo(registry_);
        diagram = std::make_unique<Core::Diagram>(registry_, nullptr);
    }
    // Adds a figure with its top-left corner at (x, y), as one undo step.
    Figure& Add(int x, int y, int width, int height, const std::wstring& label = L"", const std::wstring& face = L"Arial",
                bool bold = false) {
        Figure* made = nullptr;
        Change([&](Core::Env& env) {
            auto f = Figure::Factory().CreateTyped(env);
            f->SetPos(env, {x, y});
            f->SetField(env, &FigureRep::size, zq::Point(width, height));
            f->SetField(env, &FigureRep::label, label);
            f->SetField(env, &FigureRep::face, face);
            f->SetField(env, &FigureRep::bold, bold);
            made = f.get();
        });
        return *made;
    }
    // Gives the diagram a page of rows x columns sheets of A4 in portrait with 10 mm margins and
    // 10 mm glue and cut margins.
    Page::Page& SetPage(int rows, int columns) {
        Page::Page* page = nullptr;
        Change([&](Core::Env& env) {
            page = &Page::FindOrCreatePage(env);
            page->SetSize(env, 9);
            page->SetWidth(env, 21000);
            page->SetHeight(env, 29700);
            page->SetRows(env, rows);
            page->SetColumns(env, columns);
            page->SetMargins(env, {1000, 1000, 1000, 1000});
            page->SetCutGlueMargins(env, {1000, 1000, 1000, 1000});
        });
        return *page;
    }
    template <class F>
    void Change(F&& change) {
        Core::Transaction t(*diagram);
        Core::Env env(t);
        change(env);
        diagram->GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }

    Core::FactoryRegistry registry_;
    std::unique_ptr<Core::Diagram> diagram;
};

} // namespace EditorTest
