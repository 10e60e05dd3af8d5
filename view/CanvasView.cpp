#include "view/CanvasView.h"

#include "core/DefaultGrid.h"

#include "view/CmdHandler.h"
#include "view/DefaultTask.h"
#include "core/foundation/Cast.h"
#include "core/foundation/FlagGuard.h"

#include <algorithm>
#include <cmath>

namespace View {

// ---- ICanvasView

ICanvasView::~ICanvasView()
{
    SetBeingDestroyed();
}

std::shared_ptr<Core::IViewElement> ICanvasView::CreateViewElement(Core::IModelElement& element)
{
    return ModelElement::CreateViewElement(element, static_cast<ICanvasView&>(*this));
}

namespace {
// Takes the element's entry off the cancelled list; true when it was there.
bool TakeCancelled(std::unordered_set<const void*>& cancelled, const void* element)
{
    return !cancelled.empty() && cancelled.erase(element) != 0;
}
} // namespace

void ICanvasView::RequestUpdate(ViewElement& element)
{
    if (IsBeingDestroyed() || element.queued_ || (updating_ && element.updatedIn_ == round_)) return;
    element.queued_ = true;
    ++pending_;
    if (!TakeCancelled(cancelledPlain_, &element)) plainOrder_.push_back(&element);
}

void ICanvasView::CancelUpdate(ViewElement& element)
{
    if (!element.queued_) return;
    element.queued_ = false;
    --pending_;
    cancelledPlain_.insert(&element);
}

void ICanvasView::RequestUpdate(SelectableViewElement& element, bool marksOnly)
{
    if (IsBeingDestroyed()) return;
    if (updating_ && (marksOnly ? element.marksUpdatedIn_ : element.shapeUpdatedIn_) == round_) return;
    using Q = SelectableViewElement::Queued;
    if (element.queued_ != Q::No) {
        if (!marksOnly) element.queued_ = Q::Full;
        return;
    }
    element.queued_ = marksOnly ? Q::MarksOnly : Q::Full;
    ++pending_;
    if (!TakeCancelled(cancelledSelectable_, &element)) selectableOrder_.push_back(&element);
}

void ICanvasView::CancelUpdate(SelectableViewElement& element)
{
    if (element.queued_ == SelectableViewElement::Queued::No) return;
    element.queued_ = SelectableViewElement::Queued::No;
    --pending_;
    cancelledSelectable_.insert(&element);
}

void ICanvasView::NoteDrawnAsChanging(SelectableViewElement& element)
{
    if (element.drawnChanging_ || IsBeingDestroyed()) return;
    drawnChanging_.push_back(&element);
    element.drawnChanging_ = true;
}

void ICanvasView::ForgetDrawnAsChanging(SelectableViewElement& element)
{
    if (!element.drawnChanging_) return;
    element.drawnChanging_ = false;
    drawnChanging_.erase(std::find(drawnChanging_.begin(), drawnChanging_.end(), &element));
}

void ICanvasView::OnTransactionEnded()
{
    std::vector<SelectableViewElement*> drawn;
    drawn.swap(drawnChanging_);
    for (SelectableViewElement* e : drawn) {
        e->drawnChanging_ = false;
        RequestUpdate(*e, false);
    }
}

void ICanvasView::ProcessUpdates()
{
    if (IsBeingDestroyed()) return;
    if (updating_) return;  // called from an update: the running round takes the requests
    RunRound();
    if (typeChanged_) {
        typeChanged_ = false;
        DiagramTypeChanged();
    }
}

void ICanvasView::RunRound()
{
    round_ = round_ == ~0u ? 1 : round_ + 1;
    const zq::FlagGuard updating(updating_);
    // An update may queue further requests: they are taken in the next pass. When an update
    // throws, the entries not reached yet stay queued.
    while (!plainOrder_.empty() || !selectableOrder_.empty()) {
        std::vector<ViewElement*> plain;
        plain.swap(plainOrder_);
        for (size_t i = 0; i < plain.size(); ++i) {
            ViewElement* e = plain[i];
            if (TakeCancelled(cancelledPlain_, e)) continue;
            e->queued_ = false;
            e->updatedIn_ = round_;
            --pending_;
            try {
                e->Update();
            } catch (...) {
                plainOrder_.insert(plainOrder_.begin(), plain.begin() + i + 1, plain.end());
                throw;
            }
        }
        std::vector<SelectableViewElement*> selectable;
        selectable.swap(selectableOrder_);
        for (size_t i = 0; i < selectable.size(); ++i) {
            SelectableViewElement* e = selectable[i];
            if (TakeCancelled(cancelledSelectable_, e)) continue;
            const bool marksOnly = e->queued_ == SelectableViewElement::Queued::MarksOnly;
            e->queued_ = SelectableViewElement::Queued::No;
            if (!marksOnly) e->shapeUpdatedIn_ = round_;
            e->marksUpdatedIn_ = round_;
            --pending_;
            try {
                if (!marksOnly) e->UpdateShape();
                e->UpdateMarks();
            } catch (...) {
                selectableOrder_.insert(selectableOrder_.begin(), selectable.begin() + i + 1, selectable.end());
                throw;
            }
        }
    }
}

// ---- DiagramView

DiagramView::DiagramView(Core::Diagram& diagram, const DiagramViewSetup& setup, ICmdHandlerDockCreator* dockCreator)
    : dockCreator_(dockCreator)
{
    static_cast<DiagramViewSetup&>(context_) = setup;
    context_.grid = &DefaultGrid::Instance();
    context_.view = this;
    context_.diagram = &diagram;
    context_.dispatcher = setup.window ? &setup.window->GetDispatcher() : nullptr;
    context_.exceptionHandler = this;

    // A view starts inactive: its selection marks are hidden until it becomes active.
    selectionHold_ = std::make_unique<Core::SelectionVisibilityLock>(*this);
    diagram.GetUndoHandler().GetDocumentChangeObserverPlug().Attach(this);
    changeObserverAttached_ = true;
    try {
        diagram.AttachView(*this);
        MakeDefaultTask();
        ProcessUpdates();
    } catch (...) {
        task_.reset();
        diagram.DetachView(*this);
        diagram.GetUndoHandler().GetDocumentChangeObserverPlug().Detach(this);
        throw;
    }
}

DiagramView::~DiagramView()
{
    SetBeingDestroyed();
    task_.reset();
    if (changeObserverAttached_) context_.diagram->GetUndoHandler().GetDocumentChangeObserverPlug().Detach(this);
    selectionHold_.reset();
    context_.diagram->DetachView(*this);
}

void DiagramView::MakeDefaultTask()
{
    task_.reset();
    task_ = std::make_unique<DefaultTask>(context_, dockCreator_);
    ++generation_;
}

void DiagramView::ProcessUpdates()
{
    ICanvasView::ProcessUpdates();
}

void DiagramView::UpdateView()
{
    ProcessUpdates();
    if (context_.canvas) context_.canvas->Update();
}

void DiagramView::SetActive(bool active)
{
    if (active == IsActive()) return;
    ICanvasView::SetActive(active);
    if (active)
        selectionHold_.reset();
    else if (!selectionHold_)
        selectionHold_ = std::make_unique<Core::SelectionVisibilityLock>(*this);
    if (task_) task_->Refresh();
    ProcessUpdates();
    if (context_.canvas) context_.canvas->Update();
}

int DiagramView::PixelsToLogical(int n) const
{
    if (!context_.canvas) return n;
    // The logical length of n pixels at the canvas's resolution, zoom and drawing scale; below 75 %
    // it stays at its 75 % value, so that tolerances do not grow without bound when zoomed out.
    const ICanvas::IScreenCanvas& canvas = *context_.canvas;
    const double perPixel = std::abs(canvas.ClientToLogical({1000, 0}).x - canvas.ClientToLogical({0, 0}).x) / 1000;
    const double scale = canvas.GetZoom() * canvas.GetPageLayout().scale;
    return zq::Round(n * perPixel * std::min(1.0, scale / 0.75));
}

void DiagramView::DiagramTypeChanged()
{
    if (auto* task = zq::Cast<DefaultTask>(task_.get())) task->UpdateCommands();
    if (context_.diagramTypeNotifier) context_.diagramTypeNotifier();
}

void DiagramView::OnDocumentChanged()
{
    HWND hwnd = context_.GetHwnd();
    if (!task_ || hwnd == nullptr) return;
    POINT p;
    RECT client;
    if (!GetCursorPos(&p) || !ScreenToClient(hwnd, &p) || !GetClientRect(hwnd, &client)) return;
    if (PtInRect(&client, p)) task_->GetActiveTask().UpdateCursor();
}

void DiagramView::OnException(std::exception_ptr)
{
    MakeDefaultTask();
}

} // namespace View
