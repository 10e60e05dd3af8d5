// Element kinds of the view tests and the benchmark: a resizable box and a named box with
// selectable view elements that draw their outline and, while selected, their eight resize handles.
#pragma once

#include "core/Factory.h"
#include "core/Interfaces.h"
#include "core/PropertyKinds.h"
#include "core/Storable.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "drawing/Drawables.h"
#include "view/CanvasView.h"
#include "view/ResizeControls.h"
#include "view/Tasks.h"

#include <functional>
#include <memory>
#include <string>

namespace ViewTest {

struct BoxRep {
    zq::Point size{1000, 600};
    int32_t mode = 0;  // resize mode of the handles
    std::wstring name;
};

class VBox;

// A box at a position with a size, pointable by its area.
template <class Derived, class... Extra>
class BoxBase : public Core::StorableWithPos<Derived, BoxRep, Core::StorableTraits::Null,
                                             Core::ResizableWithSizeField<BoxRep, &BoxRep::size>, Core::IPointable,
                                             Core::IShiftable, Core::IDeletable, View::ModelElement, Extra...> {
public:
    static void RegisterProperties(Core::PropertyTable<BoxRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::size, L"Size", zq::Point(1000, 600));
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::mode, L"Mode", int32_t(0));
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::name, L"Name", std::wstring());
    }
    void SetRect(Core::Env& env, const zq::Rect& rect, bool) override {
        const zq::Rect r = rect.Normalized();
        this->SetPos(env, r.TopLeft());
        this->SetField(env, &BoxRep::size, zq::Point(r.Width(), r.Height()));
    }
    void ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                   bool) override {
        this->MarkShifted(set);
        this->SetPos(env, Core::ShiftParam::Apply(shift, this->GetPos(), this->GetOldPos()));
    }
    void Delete(Core::Env& env) override { Core::IModelElement::Delete(env); }
    bool IsNear(const zq::Point& p, int32_t tolerance) const override { return this->GetRect().Inflated(tolerance).Contains(p); }
    bool GetBoundingRect(zq::Rect& out) const override {
        out = this->GetRect();
        return true;
    }
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, int32_t tolerance) const override {
        Core::Weight w = Core::Weight::MakeArea(p, tolerance, this->GetRect());
        w.PromoteIfSelected(view, *this);
        return w;
    }
    // Every change shows in the views.
    void Finalize(Core::Env&) override {
        mode = this->GetRep().mode;
        this->UpdateViewElements();
    }
    int mode = 0;  // the record's mode as of the last change
    std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(View::ICanvasView& view) override;
};

class Box : public BoxBase<Box> {
public:
    static Core::FactoryImp<Box>& Factory() {
        static Core::FactoryImp<Box> factory(Core::SchemaNamespace10(), L"TestBox");
        return factory;
    }
};

class NamedBox : public BoxBase<NamedBox, Core::INamed> {
public:
    static Core::FactoryImp<NamedBox>& Factory() {
        static Core::FactoryImp<NamedBox> factory(Core::SchemaNamespace10(), L"NamedBox");
        return factory;
    }
    void SetName(Core::Env& env, const std::wstring& name) override { SetField(env, &BoxRep::name, name); }
    std::wstring GetName() const override { return GetRep().name; }
};

// A sub-task that does nothing until it is told to finish (what a text editor would be).
class ProbeTask : public View::ISubTask {
public:
    using ISubTask::ISubTask;
    bool IsBusy() const override { return false; }
    void Refresh() override {}
};

// The pictures drawn by a group's elements (an element of pictures counts each of them).
inline size_t PictureCount(const ICanvas::Group& group) {
    size_t n = 0;
    group.ForEach([&](const ICanvas::Element& e) {
        auto* pictures = dynamic_cast<const DrawingKernel::PictureDrawable*>(e.Get());
        n += pictures ? pictures->Count() : 1;
    });
    return n;
}

// The view of a box: its outline, and its handles while selected; typed characters and double
// clicks start a probe task and are counted.
class VBox : public View::SelectableViewElement, public View::VIShiftable, public View::ICharHandler,
             public View::IDoubleClickHandler {
public:
    VBox(View::ICanvasView& view, Core::IModelElement& element, Core::IResizable& box, const int& mode)
        : Core::IViewElement(view, element), View::SelectableViewElement(view, element), box_(box), mode_(mode),
          handlesMode_(mode), handles_(std::make_unique<View::RectResizeControls>(view, box, 255, nullptr, mode)) {}
    void UpdateShape() override {
        ++shapeUpdates;
        if (onUpdateShape) onUpdateShape();
        if (handlesMode_ != mode_) {
            handlesMode_ = mode_;
            handles_ = std::make_unique<View::RectResizeControls>(GetCanvasView(), box_, 255, nullptr, mode_);
        }
        outline_.Clear();
        const zq::Rect r = box_.GetRect();
        outline_.Add(GetCanvasView().GetCanvas().CreateRect({double(r.left), double(r.top), double(r.right), double(r.bottom)}));
    }
    void UpdateMarks() override {
        ++markUpdates;
        marks_.Clear();
        if (IsSelected()) handles_->Draw(GetCanvasView().GetCanvas(), marks_, true);
    }
    Core::Weight HitTestMarks(const zq::Point& p, int32_t tolerance) const override {
        return handles_->WeightAt(p, tolerance);
    }
    View::IControl* FindControlAt(const zq::Point& p) override { return handles_->FindAt(p); }
    View::RectResizeControls& Handles() { return *handles_; }
    View::SubTaskPtr OnChar(View::ICanvasView&, View::ITask& parent, unsigned wParam, long) override {
        chars.push_back(wchar_t(wParam));
        return std::make_shared<ProbeTask>(parent.GetContext(), parent, "ProbeTask");
    }
    View::SubTaskPtr OnDoubleClick(View::ICanvasView&, View::ITask& parent, const zq::Point&) override {
        ++doubleClicks;
        return std::make_shared<ProbeTask>(parent.GetContext(), parent, "ProbeTask");
    }
    // The move controller and shift controls of every box, when a test sets the makers.
    inline static std::function<View::MoveControllerPtr(Core::IModelElement&)> controllerMaker;
    inline static std::function<void(Core::IModelElement&, View::ShiftControlSet&)> controlMaker;
    View::MoveControllerPtr CreateMoveController(View::ViewContext& c, Core::DeferredShiftSet& set) override {
        return controllerMaker ? controllerMaker(*GetModelElement()) : VIShiftable::CreateMoveController(c, set);
    }
    void CreateShiftControls(View::ViewContext&, Core::DeferredShiftSet&, View::ShiftControlSet& controls) override {
        if (controlMaker) controlMaker(*GetModelElement(), controls);
    }

    std::wstring chars;
    int doubleClicks = 0;
    // The handle pictures the marks show.
    size_t MarkCount() const { return PictureCount(marks_); }

    int shapeUpdates = 0;
    int markUpdates = 0;
    std::function<void()> onUpdateShape;  // what a test lets the shape's update do besides

private:
    Core::IResizable& box_;
    const int& mode_;  // the box's resize mode, read when the shape updates
    int handlesMode_;  // the mode the handles were made with
    std::unique_ptr<View::RectResizeControls> handles_;
    ICanvas::Group outline_;
    ICanvas::Group marks_;
};

template <class Derived, class... Extra>
std::shared_ptr<Core::IViewElement> BoxBase<Derived, Extra...>::CreateCanvasViewElement(View::ICanvasView& view) {
    return std::make_shared<VBox>(view, *this, *this, this->mode);
}

} // namespace ViewTest
