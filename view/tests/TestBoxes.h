// Element kinds of the view tests: a resizable box and a named box with selectable view elements
// that draw their outline and, while selected, their eight resize handles; and a window with a
// screen canvas and a diagram view over them.
#pragma once

#include "app/Commands.h"
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/Window.h"
#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Interfaces.h"
#include "core/PropertyKinds.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "core/Weight.h"
#include "drawing/DrawingKernel.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "view/CmdHandler.h"
#include "view/DefaultTask.h"
#include "view/DiagramType.h"
#include "view/ResizeControls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
                                             View::ModelElement, Extra...> {
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

// The view of a box: its outline, and its handles while selected.
class VBox : public View::SelectableViewElement, public View::VIShiftable {
public:
    VBox(View::ICanvasView& view, Core::IModelElement& element, Core::IResizable& box, const int& mode)
        : Core::IViewElement(view, element), View::SelectableViewElement(view, element), box_(box), mode_(mode),
          handles_(std::make_unique<View::RectResizeControls>(view, box, 255, nullptr, mode)) {}
    void UpdateShape() override {
        ++shapeUpdates;
        if (handles_->GetControls().front()->GetMode() != mode_)
            handles_ = std::make_unique<View::RectResizeControls>(GetCanvasView(), box_, 255, nullptr, mode_);
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
    size_t MarkCount() const { return marks_.Size(); }

    int shapeUpdates = 0;
    int markUpdates = 0;

private:
    Core::IResizable& box_;
    const int& mode_;  // the box's resize mode, read when the shape updates
    std::unique_ptr<View::RectResizeControls> handles_;
    ICanvas::Group outline_;
    ICanvas::Group marks_;
};

template <class Derived, class... Extra>
std::shared_ptr<Core::IViewElement> BoxBase<Derived, Extra...>::CreateCanvasViewElement(View::ICanvasView& view) {
    return std::make_shared<VBox>(view, *this, *this, this->mode);
}

// The registry of the test kinds and the diagram type.
Core::FactoryRegistry& Registry();

// Collects error reports instead of showing the error box.
struct ReportSink {
    ReportSink();
    ~ReportSink();
    std::vector<std::wstring> reports;
};

// A docker that gives every default task the diagram type commands and one creation command.
class TestDock : public View::ICmdHandlerDockCreator {
public:
    std::unique_ptr<View::ICmdHandlerDock> CreateDock(View::IDefaultTask& task) override;
    static constexpr UINT kCreateCommand = 40103;
};

// A top-level window of 800 x 600 client pixels at the screen's top-left corner with a screen canvas
// and a diagram view on a diagram of its own (or a shared one).
class ViewWindow {
public:
    static constexpr int kW = 800, kH = 600;
    explicit ViewWindow(Core::Diagram* shared = nullptr);
    ~ViewWindow();

    // Adds a box (named: a named box) at the rectangle as one undo step.
    std::shared_ptr<Box> AddBox(const zq::Rect& r, int mode = 0);
    std::shared_ptr<NamedBox> AddNamedBox(const zq::Rect& r);
    // The client pixel of a logical point.
    POINT At(const zq::Point& p) const;
    // The logical point a client pixel gives (rounded as the tasks round it).
    zq::Point Logical(POINT client) const;
    // Sends a mouse message at the client point with the key state.
    void Mouse(UINT message, POINT client, WPARAM keys = 0);
    // Sends a key message.
    void Key(UINT message, UINT key);
    // The view element of a box.
    VBox* Of(const Core::IModelElement& e) const { return dynamic_cast<VBox*>(e.FindViewElement(*view)); }
    // The default task.
    View::DefaultTask& Task() const { return dynamic_cast<View::DefaultTask&>(view->GetTaskHost()); }
    // The selected elements.
    std::vector<Core::IModelElement*> Selection() const;
    // Undo or redo one step as the editor does.
    void Undo();
    void Redo();
    // Processes the waiting messages.
    void Pump();

    std::unique_ptr<Core::Diagram> ownDiagram;  // before the reference the constructor binds to it
    Core::Diagram& diagram;
    WinUtil::Window window;
    HWND hwnd = nullptr;
    HWND hBar = nullptr, vBar = nullptr;
    std::unique_ptr<ICanvas::IScreenCanvas> canvas;
    Application::CommandRouter router;
    std::unique_ptr<WinUtil::MouseInputControl> mouse;
    TestDock dock;
    int typeNotifications = 0;
    std::unique_ptr<View::DiagramView> view;
};

// Makes every drag detection of the default tasks answer the flag.
struct FakeDrag {
    explicit FakeDrag(bool drag);
    ~FakeDrag();
    bool drag;
    int calls = 0;
};

} // namespace ViewTest
