#include "view/ViewElements.h"

#include "core/Interfaces.h"
#include "view/CanvasView.h"
#include "view/Cursor.h"
#include "view/MoveTask.h"
#include "core/foundation/Cast.h"

#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace View {

namespace {
// IViewElement is a virtual base: the most derived class must hand it the view and the element.
void RequireListed(const Core::IViewElement& e)
{
    if (e.GetOwnerView() == nullptr)
        throw std::logic_error("View: a view element must initialise Core::IViewElement with its view and element");
}

std::vector<ModelElement::ViewMaker>& ViewMakers()
{
    static std::vector<ModelElement::ViewMaker> makers;
    return makers;
}

// For each element type already seen, the first maker that makes its views, or whether it makes
// its own or has none: makers answer by type, and trying each in turn costs failing casts on
// every element of a large diagram. Types are told apart by the virtual table of the element's
// model subobject, as zq::Cast does: hashing a type's name on every element costs more.
constexpr size_t kNoMaker = size_t(-1), kOwnView = size_t(-2);
std::unordered_map<const void*, size_t>& MakerOfType()
{
    static std::unordered_map<const void*, size_t> makerOf;
    return makerOf;
}
} // namespace

std::shared_ptr<Core::IViewElement> ModelElement::CreateViewElement(Core::IModelElement& element, Core::IView& view)
{
    auto* canvasView = zq::Cast<ICanvasView>(&view);
    return canvasView ? CreateViewElement(element, *canvasView) : nullptr;
}

std::shared_ptr<Core::IViewElement> ModelElement::CreateViewElement(Core::IModelElement& element, ICanvasView& view)
{
    const std::vector<ViewMaker>& makers = ViewMakers();
    const void* type = *reinterpret_cast<const void* const*>(&element);
    if (auto known = MakerOfType().find(type); known != MakerOfType().end()) {
        if (known->second == kOwnView) return zq::Cast<ModelElement>(&element)->CreateCanvasViewElement(view);
        return known->second == kNoMaker ? nullptr : makers[known->second](element, view);
    }
    if (auto* model = zq::Cast<ModelElement>(&element)) {
        MakerOfType()[type] = kOwnView;
        return model->CreateCanvasViewElement(view);
    }
    for (size_t i = 0; i < makers.size(); ++i)
        if (auto made = makers[i](element, view)) {
            MakerOfType()[type] = i;
            return made;
        }
    MakerOfType()[type] = kNoMaker;
    return nullptr;
}

void ModelElement::AddViewMaker(ViewMaker maker)
{
    if (!maker) return;
    ViewMakers().push_back(std::move(maker));
    MakerOfType().clear();
}

// ---- ViewElement

ViewElement::ViewElement(ICanvasView& view, Core::IModelElement& element)
    : Core::IViewElement(view, element), view_(view)
{
    RequireListed(*this);
    RequestUpdate();
}

ViewElement::~ViewElement()
{
    if (GetOwnerView() != nullptr) CancelUpdate();
}

void ViewElement::RequestUpdate()
{
    view_.RequestUpdate(*this);
}

void ViewElement::CancelUpdate()
{
    view_.CancelUpdate(*this);
}

void ViewElement::SetCursor(const zq::Point&)
{
    Cursor::Load(1);
}

// ---- SelectableViewElement

SelectableViewElement::SelectableViewElement(ICanvasView& view, Core::IModelElement& element)
    : Core::IViewElement(view, element), view_(view)
{
    RequireListed(*this);
    RequestUpdate();
}

SelectableViewElement::~SelectableViewElement()
{
    if (GetOwnerView() == nullptr) return;
    CancelUpdate();
    view_.ForgetDrawnAsChanging(*this);
}

void SelectableViewElement::RequestMarksUpdate()
{
    view_.RequestUpdate(*this, true);
}

void SelectableViewElement::RequestUpdate()
{
    view_.RequestUpdate(*this, false);
}

void SelectableViewElement::CancelUpdate()
{
    view_.CancelUpdate(*this);
}

void SelectableViewElement::NoteDrawnAsChanging()
{
    view_.NoteDrawnAsChanging(*this);
}

void SelectableViewElement::SetCursor(const zq::Point&)
{
    Cursor::Load(1);
}

// ---- CommittedPlace

bool CommittedPlace::Holds(bool moving, const zq::Point& from, const zq::Point& to)
{
    if (moving && drawn_ && to - from == to_ - from_ && from != from_) return true;
    from_ = from;
    to_ = to;
    drawn_ = true;
    return false;
}

bool KeepsDrawingWhileMoved(const Core::IModelElement& element, const Core::IView& view)
{
    const auto* rule = dynamic_cast<const IDrawingRule*>(element.FindViewElement(view));
    return rule != nullptr && rule->KeepsDrawingWhileMoved();
}

// ---- VIShiftable

void VIShiftable::SetMoveCursor(bool dragging, bool, bool move)
{
    Cursor::Load(!dragging ? 269 : move ? 261 : 275);
}

SubTaskPtr VIShiftable::CreateMoveTask(ICanvasView&, ITask& parent, const zq::Point& point, int button,
                                       Core::IModelElement* element)
{
    if (element == nullptr) element = GetModelElement();
    Core::ElementPtr grabbed = element ? element->shared_from_this() : nullptr;
    return std::make_shared<DefaultMoveTask>(parent.GetContext(), parent, button, point, *this, std::move(grabbed));
}

VIShiftable* VIShiftable::Find(Core::IModelElement& element, const Core::IView& view)
{
    for (const auto& v : element.GetViewElements())
        if (v && &v->GetView() == &view)
            if (auto* shiftable = zq::Cast<VIShiftable>(v.get())) return shiftable;
    return nullptr;
}

MoveControllerPtr VIShiftable::CreateMoveController(ViewContext&, Core::DeferredShiftSet&)
{
    return MakeNullMoveController();
}

void VIShiftable::CreateShiftControls(ViewContext&, Core::DeferredShiftSet&, ShiftControlSet&) {}

void VIShiftable::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&)
{
    auto* pointable = zq::Cast<Core::IPointable>(GetModelElement());
    zq::Rect r;
    if (pointable == nullptr || !pointable->GetBoundingRect(r)) return;
    group.Add(canvas.CreateDashedRect({double(r.left), double(r.top), double(r.right), double(r.bottom)}, 1));
}

MoveControllerPtr MakeNullMoveController()
{
    return std::make_shared<NullMoveController>();
}

} // namespace View
