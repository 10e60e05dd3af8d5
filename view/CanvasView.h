// Canvas views: the update queues of view elements, and the diagram view of one diagram on one
// screen canvas with its view context.
#pragma once

#include "app/Commands.h"
#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Window.h"
#include "core/Diagram.h"
#include "core/Grid.h"
#include "core/Selection.h"
#include "core/UndoHandler.h"
#include "core/View.h"
#include "drawing/DrawingKernel.h"
#include "view/ViewElements.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Application {
class IDocument;
class IClipboard;
class ClipboardViewer;
} // namespace Application

namespace View {

// How near (model units, 2 mm) the pointer must come to an element or handle to hit it.
inline constexpr int32_t kHitTolerance = 200;

class DiagramView;
class IDefaultTask;
class ICmdHandlerDockCreator;
class ITransferSetFormatHandler;

// Told after the diagram type of a view's diagram changed.
class IDiagramTypeObserver {
public:
    virtual ~IDiagramTypeObserver() = default;
    virtual void DiagramTypeChanged() = 0;
};

// A view of a diagram on a canvas, with the queues of view elements waiting to be redrawn.
class ICanvasView : public Core::IView, public IDiagramTypeObserver {
public:
    ICanvasView() = default;
    // Marks the view as being destroyed, so the queues ignore the elements leaving them.
    ~ICanvasView() override;

    // Redraws the queued elements: the plain queue in request order, then the selectable queue in
    // order of first request (full updates redraw shape and marks, marks-only requests the marks).
    virtual void ProcessUpdates();
    // Records the active flag (the model core's operation).
    virtual void SetActive(bool active) { Core::IView::SetActive(active); }
    // A distance of n screen pixels in model units.
    virtual int PixelsToLogical(int n) const = 0;
    // The canvas drawn on.
    virtual ICanvas::Canvas& GetCanvas() = 0;

    // Queue operations of the view elements.
    void RequestUpdate(ViewElement& element);
    void CancelUpdate(ViewElement& element);
    void RequestUpdate(SelectableViewElement& element, bool marksOnly);
    void CancelUpdate(SelectableViewElement& element);
    // Asks for DiagramTypeChanged at the end of the next ProcessUpdates (a type element went away).
    void NoteDiagramTypeChanged() { if (!IsBeingDestroyed()) typeChanged_ = true; }
    // Number of queued requests (plain and selectable).
    size_t GetPendingUpdateCount() const { return pending_; }
    // Remembers an element that drew itself as being changed, to redraw it when the change ends.
    void NoteDrawnAsChanging(SelectableViewElement& element);
    // Forgets such an element (it goes away).
    void ForgetDrawnAsChanging(SelectableViewElement& element);
    // Queues a full update of every element drawn as being changed since the last change ended.
    void OnTransactionEnded() override;

    // Makes the view element of a View::ModelElement.
    std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& element) override;
    void DiagramTypeChanged() override {}

private:
    // Serves the queued requests until none is left.
    void RunRound();

    // The queues in order of first request; whether an element waits is kept in the element. A
    // cancelled request leaves its entry behind, listed as cancelled until the entry is reached
    // (or a new request of the same element takes the entry over).
    std::vector<ViewElement*> plainOrder_;
    std::vector<SelectableViewElement*> selectableOrder_;
    std::unordered_set<const void*> cancelledPlain_;
    std::unordered_set<const void*> cancelledSelectable_;
    size_t pending_ = 0;
    bool typeChanged_ = false;
    // The elements drawn as being changed: they read the state of the change when they draw, so
    // nothing else tells them that it is over.
    std::vector<SelectableViewElement*> drawnChanging_;
    // The model does not change while views update, so an element updated in the current round
    // is up to date: a request for it then (an owner redrawing its parts) is dropped.
    unsigned round_ = 0;     // the current or last round of updates (never 0)
    bool updating_ = false;  // a round is running
};

// What the owner of a diagram view hands to it.
struct DiagramViewSetup {
    ICanvas::IScreenCanvas* canvas = nullptr;
    Application::IWinCommander* commander = nullptr;
    Application::IDocument* document = nullptr;
    WinUtil::IWindow* window = nullptr;
    Application::IClipboard* clipboard = nullptr;
    Application::ClipboardViewer* clipboardViewer = nullptr;
    WinUtil::IMouseInputControl* mouse = nullptr;
    ITransferSetFormatHandler* transferFormats = nullptr;
    // Whether the document may not be changed (opened read-only); none: it may.
    std::function<bool()> readOnly;
    // Called after the diagram type changed.
    std::function<void()> diagramTypeNotifier;
};

// The record every task, command handler and drop-target task of a view reaches: what the owner
// sets up and what the view adds to it.
struct ViewContext : DiagramViewSetup {
    const Core::IGrid* grid = nullptr;
    DiagramView* view = nullptr;
    Core::Diagram* diagram = nullptr;
    WinMessage::IWinMsgDispatcher* dispatcher = nullptr;
    WinMessage::IExceptionHandler* exceptionHandler = nullptr;

    HWND GetHwnd() const { return window ? window->GetHwnd() : nullptr; }
    // Whether the document may not be changed.
    bool IsReadOnly() const { return readOnly && readOnly(); }
};

// The view of one diagram on one screen canvas: owns the default task, reacts to activation and
// document changes, and starts over with a fresh default task when a message binding throws.
class DiagramView : public ICanvasView, public Core::IDocumentChangeObserver, public WinMessage::IExceptionHandler {
public:
    // Attaches to the diagram (every element gets its view element) and creates the default task;
    // the view starts inactive with its selection marks hidden.
    DiagramView(Core::Diagram& diagram, const DiagramViewSetup& setup, ICmdHandlerDockCreator* dockCreator);
    ~DiagramView() override;

    void ProcessUpdates() override;
    // Shows or hides the selection marks, refreshes the default task and repaints.
    void SetActive(bool active) override;
    int PixelsToLogical(int n) const override;
    ICanvas::Canvas& GetCanvas() override { return *context_.canvas; }
    // Notifies the default task's commands and the owner.
    void DiagramTypeChanged() override;
    // Updates the cursor for the element under the pointer.
    void OnDocumentChanged() override;
    // Replaces the default task (dropping any sub-task and pending change); the exception goes on.
    void OnException(std::exception_ptr exception) override;
    // Processes the queued updates and repaints.
    void UpdateView() override;

    // The default task, through which tasks find the active task.
    IDefaultTask& GetTaskHost() const { return *task_; }
    ViewContext& GetContext() { return context_; }
    ICanvas::IScreenCanvas& GetScreenCanvas() const { return *context_.canvas; }
    Core::Diagram& GetDiagram() const { return *context_.diagram; }
    // The number of default tasks made so far (the first one included).
    int GetTaskGeneration() const { return generation_; }

private:
    void MakeDefaultTask();

    ViewContext context_;
    ICmdHandlerDockCreator* dockCreator_;
    std::unique_ptr<IDefaultTask> task_;
    std::unique_ptr<Core::SelectionVisibilityLock> selectionHold_;
    bool changeObserverAttached_ = false;
    int generation_ = 0;
};

} // namespace View
