// A box kind of the editor tests that carries an element style and draws itself filled with it, so
// that the element style commands can be seen on screen and in the saved file.
#pragma once

#include "core/Factory.h"
#include "core/Interfaces.h"
#include "core/PropertyKinds.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "style/Clients.h"
#include "style/Model.h"
#include "view/CanvasView.h"
#include "view/ViewElements.h"

#include <memory>
#include <string>

namespace EditorTest {

struct StyledBoxRep {
    zq::Point size{2000, 1500};
    std::wstring elementStyle;
    Style::Style* style = nullptr;
};

class StyledBox : public Core::StorableWithPos<StyledBox, StyledBoxRep, Core::StorableTraits::Null,
                                               Core::ResizableWithSizeField<StyledBoxRep, &StyledBoxRep::size>,
                                               Core::IPointable, View::ModelElement, Style::IElementStyleClient> {
public:
    static Core::FactoryImp<StyledBox>& Factory() {
        static Core::FactoryImp<StyledBox> factory(Core::SchemaNamespace10(), L"StyledTestBox");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<StyledBoxRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Optional>::Register(t, &StyledBoxRep::size, L"Size", zq::Point(2000, 1500));
        RegisterProperty<EvalRestore::Optional>::Register(t, &StyledBoxRep::elementStyle, L"ElementStyle", std::wstring());
        RegisterRefNonStoreProperty::Register(t, &StyledBoxRep::style, L"Style");
    }
    // A box with its top-left corner at the point, using the document's style.
    static StyledBox& Create(Core::Env& env, const zq::Point& topLeft) {
        auto box = Factory().CreateTyped(env);
        box->SetPos(env, topLeft);
        box->SetStyle(env, &Style::Style::FindOrCreate(env));
        return *box;
    }

    void SetRect(Core::Env& env, const zq::Rect& rect, bool) override {
        const zq::Rect r = rect.Normalized();
        SetPos(env, r.TopLeft());
        SetField(env, &StyledBoxRep::size, zq::Point(r.Width(), r.Height()));
    }
    bool IsNear(const zq::Point& p, int32_t tolerance) const override { return GetRect().Inflated(tolerance).Contains(p); }
    bool GetBoundingRect(zq::Rect& out) const override {
        out = GetRect();
        return true;
    }
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, int32_t tolerance) const override {
        Core::Weight w = Core::Weight::MakeArea(p, tolerance, GetRect());
        w.PromoteIfSelected(view, *this);
        return w;
    }
    void Finalize(Core::Env&) override { UpdateViewElements(); }

    void SetStyle(Core::Env& env, Style::Style* style) override { SetField(env, &StyledBoxRep::style, style); }
    Style::Style* GetStyle() const override { return GetRep().style; }
    void StyleChanged(Core::Env&, const Style::DirectoryName&) override {}
    void CollectDirectoryNames(Style::IUsageCollector&) const override {}
    void CreateDirectories(Core::Env&, Style::Style*) override {}
    void SetElementStyle(Core::Env& env, const std::wstring& name) override {
        SetField(env, &StyledBoxRep::elementStyle, name);
    }
    std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

    std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(View::ICanvasView& view) override;
};

// The box's view: its outline, filled with its element style's colour when it has one.
class VStyledBox : public View::SelectableViewElement {
public:
    VStyledBox(View::ICanvasView& view, StyledBox& box)
        : Core::IViewElement(view, box), View::SelectableViewElement(view, box), box_(box) {}
    void UpdateShape() override {
        drawing_.Clear();
        const zq::Rect r = box_.GetRect();
        const ICanvas::DoubleRect area{double(r.left), double(r.top), double(r.right), double(r.bottom)};
        const Style::ElementStyleFill fill(box_);
        ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
        if (fill.GetLineStyle()) drawing_.Add(canvas.CreateFilledRect(area, *fill.GetLineStyle(), nullptr));
        drawing_.Add(canvas.CreateRect(area));
    }
    void UpdateMarks() override {}

private:
    StyledBox& box_;
    ICanvas::Group drawing_;
};

inline std::shared_ptr<Core::IViewElement> StyledBox::CreateCanvasViewElement(View::ICanvasView& view) {
    return std::make_shared<VStyledBox>(view, *this);
}

} // namespace EditorTest
