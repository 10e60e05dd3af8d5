#include "view/DefaultTask.h"

#include "app/ContextMenu.h"
#include "app/winutil/CursorManager.h"
#include "app/winutil/Input.h"
#include "core/Interfaces.h"
#include "view/Cursor.h"
#include "view/LassoTasks.h"
#include "core/foundation/Cast.h"

namespace View {

namespace {
DefaultTask::DragDetector& Detector()
{
    static DefaultTask::DragDetector detector;
    return detector;
}
} // namespace

// ---- ActivationObserver

ActivationObserver::~ActivationObserver()
{
    if (scheduled_) scheduled_->RemoveOneTimePostProc(this);
}

void ActivationObserver::Refresh(bool active)
{
    if (active == lastActive_) return;
    lastActive_ = active;
    if (active) {
        if (justActivated_ && !scheduled_) {
            scheduled_ = WinUtil::MessageLoop::Current();
            if (scheduled_)
                scheduled_->AddOneTimePostProc(this);
            else
                justActivated_ = false;  // no loop to clear it later: the next click counts in full
        }
    } else {
        if (scheduled_) scheduled_->RemoveOneTimePostProc(this);
        scheduled_ = nullptr;
        justActivated_ = true;
    }
}

// ---- DefaultTask

void DefaultTask::SetDragDetector(DragDetector detector)
{
    Detector() = std::move(detector);
}

DefaultTask::DefaultTask(ViewContext& context, ICmdHandlerDockCreator* dockCreator)
    : IDefaultTask(context, "DefaultTask"), transaction_(*context.diagram, context.view)
{
    transaction_.Abort();  // opened again by the first change of a gesture
    using namespace WinMessage;
    plugs_ = std::make_unique<WinMsgPlugMap>(*context.dispatcher, context.exceptionHandler);
    plugs_->Add(WM_LBUTTONDOWN, this, &DefaultTask::OnLButtonDown);
    plugs_->Add(WM_RBUTTONDOWN, this, &DefaultTask::OnRButtonDown);
    plugs_->Add(WM_RBUTTONUP, this, &DefaultTask::OnRButtonUp);
    plugs_->Add(WM_LBUTTONDBLCLK, this, &DefaultTask::OnLButtonDblClk);
    plugs_->Add(WM_RBUTTONDBLCLK, this, &DefaultTask::OnRButtonDblClk);
    plugs_->Add(WM_MBUTTONDOWN, this, &DefaultTask::OnMButtonDown);
    plugs_->Add(WM_CONTEXTMENU, this, &DefaultTask::OnContextMenu);
    plugs_->Add(WM_SETCURSOR, this, &DefaultTask::OnSetCursor);
    plugs_->Add(WM_KEYUP, this, &DefaultTask::OnKey);
    plugs_->Add(WM_KEYDOWN, this, &DefaultTask::OnKey);
    plugs_->Add(WM_CHAR, this, &DefaultTask::OnChar);

    if (dockCreator) dock_ = dockCreator->CreateDock(*this);
    copyPaste_ = std::make_unique<DefaultTaskCopyPaste>(*this);
    Cursor::Load(1);
    context.view->GetSelectionObserverPlug().Attach(this);
    named_ = false;
    OnSelectionChanged(*context.view);
    activation_.Refresh(context.view->IsActive());
    UpdateCommands();
    if (context.canvas) context.canvas->GetScrollObservers().Add(this);
}

DefaultTask::~DefaultTask()
{
    ViewContext& c = GetContext();
    if (c.canvas) c.canvas->GetScrollObservers().Remove(this);
    c.view->GetSelectionObserverPlug().Detach(this);
    if (subTask_) subTask_->Dismissed();
    subTask_.reset();
    copyPaste_.reset();
    dock_.reset();
    plugs_.reset();
    tracker_.reset();
    // The transaction's destructor rolls back a change still pending.
}

ITask& DefaultTask::GetActiveTask()
{
    return subTask_ ? subTask_->GetActiveTask() : *this;
}

void DefaultTask::UpdateCommands()
{
    if (dock_) dock_->UpdateCommands();
    if (copyPaste_) copyPaste_->UpdateCommands();
}

void DefaultTask::SetCurrentElement(Core::IViewElement* element)
{
    if (element == current_) return;
    current_ = element;
    UpdateCommands();
}

Core::Transaction& DefaultTask::GetTransaction()
{
    if (!transaction_.IsOpen()) transaction_.Begin();
    return transaction_;
}

Core::SelectionTracker& DefaultTask::GetSelectionTracker()
{
    if (!tracker_) tracker_ = std::make_unique<Core::SelectionTracker>(GetContext().view);
    return *tracker_;
}

void DefaultTask::TakeSelectionSnapshot()
{
    snapshot_.clear();
    const Core::ModelElementSet selection = GetContext().view->GetSelection();
    for (const Core::ElementPtr& e : selection.Elements()) snapshot_.push_back(e);
}

void DefaultTask::CommitPending(bool join)
{
    ViewContext& c = GetContext();
    Core::SelectionTracker& tracker = GetSelectionTracker();
    try {
        Core::UndoerRef record = transaction_.Close(&tracker, c.grid);
        const Core::ModelElementSet after = c.view->GetSelection();
        Core::ModelElementSet before;
        for (const Core::ElementPtr& e : snapshot_) before.Insert(e);
        c.diagram->GetUndoHandler().Add(record, Core::MakeSelectionRestorer(before), Core::MakeSelectionRestorer(after),
                                        join);
    } catch (...) {
        tracker_.reset();
        snapshot_.clear();
        throw;
    }
    tracker_.reset();
    snapshot_.clear();
    c.diagram->UpdateAllViewsIfIdle();
}

void DefaultTask::DiscardPending()
{
    transaction_.Abort();
    tracker_.reset();
    GetContext().diagram->UpdateAllViewsIfIdle();
}

void DefaultTask::StartSubTask(SubTaskPtr task)
{
    if (subTask_ && subTask_ != task) subTask_->Dismissed();
    subTask_ = std::move(task);
    UpdateCommands();
}

void DefaultTask::SubTaskFinished(ISubTask* task, EndCode code)
{
    if (task != nullptr && task == subTask_.get()) {
        subTask_.reset();
        if (code == Cancelled)
            DiscardPending();
        else
            CommitPending(false);
    }
    Cursor::Load(1);
    UpdateCommands();
}

void DefaultTask::Refresh()
{
    activation_.Refresh(GetContext().view->IsActive());
    UpdateCommands();
    if (subTask_) subTask_->Refresh();
}

void DefaultTask::OnSelectionChanged(Core::IView& view)
{
    named_ = false;
    const Core::ModelElementSet selection = view.GetSelection();
    for (const Core::ElementPtr& e : selection.Elements())
        if (zq::Cast<const Core::INamed>(e.get())) {
            named_ = true;
            break;
        }
    if (copyPaste_) copyPaste_->UpdateCommands();
    GetContext().view->ProcessUpdates();
}

void DefaultTask::OnScrolled(const zq::float8Point&)
{
    if (subTask_) return;
    if (::GetCapture() == nullptr || GetContext().view->IsActive()) UpdateCursor();
}

zq::Point DefaultTask::ToModel(const POINT& client) const
{
    return zq::RoundPoint(GetContext().canvas->ClientToLogical({client.x, client.y}));
}

bool DefaultTask::DetectDrag(const POINT& screen, int button)
{
    WinUtil::CursorManager::ModalGuard busySuspended;
    if (Detector()) return Detector()(GetContext().GetHwnd(), screen.x, screen.y, button);
    return WinUtil::DragDetect(GetContext().GetHwnd(), screen.x, screen.y, button);
}

bool DefaultTask::MayEdit() const
{
    return !GetContext().IsReadOnly();
}

IControl* DefaultTask::ControlAt(const Core::HitResult& hit, const zq::Point& p) const
{
    if (!hit.onMark || !MayEdit()) return nullptr;
    auto* selectable = zq::Cast<SelectableViewElement>(hit.element);
    return selectable ? selectable->FindControlAt(p) : nullptr;
}

// ---- presses

void DefaultTask::OnLButtonDown(WinMessage::MouseMsg& msg) { Press(msg, 1); }
void DefaultTask::OnRButtonDown(WinMessage::MouseMsg& msg) { Press(msg, 3); }

void DefaultTask::OnRButtonUp(WinMessage::MouseMsg& msg)
{
    if (!(msg.IsControlDown() && msg.IsShiftDown())) msg.passToDefault = 1;
}

void DefaultTask::OnRButtonDblClk(WinMessage::MouseMsg& msg)
{
    if (msg.IsShiftDown() || msg.IsControlDown()) Press(msg, 3);
}

void DefaultTask::OnMButtonDown(WinMessage::MouseMsg&) {}

void DefaultTask::Press(WinMessage::MouseMsg& msg, int button)
{
    ViewContext& c = GetContext();
    const POINT client = msg.Pos();
    lastPoint_ = ToModel(client);
    HWND hwnd = c.GetHwnd();
    ::SetFocus(hwnd);
    POINT screen = client;
    ::ClientToScreen(hwnd, &screen);
    const bool shift = msg.IsShiftDown(), ctrl = msg.IsControlDown();

    if (shift && ctrl) {
        if (button == 1) {
            Cursor::Load(280);
            if (DetectDrag(screen, 1))
                StartSubTask(std::make_shared<ZoomLassoTask>(c, *this, lastPoint_, 1));
            else
                c.canvas->ZoomIn({client.x, client.y});
        } else {
            Cursor::Load(281);
            if (DetectDrag(screen, 3)) {
                Cursor::Load(278);
                StartSubTask(std::make_shared<PanTask>(c, *this, lastPoint_));
            } else {
                c.canvas->ZoomOut({client.x, client.y});
            }
        }
        return;
    }

    const Core::HitResult hit = c.view->HitTest(lastPoint_, kHitTolerance);
    c.view->ProcessUpdates();
    c.canvas->Update();
    if (hit)
        PressOnElement(hit, shift, button, screen);
    else
        PressOnNothing(shift, ctrl, button, screen);
}

void DefaultTask::PressOnElement(const Core::HitResult& hit, bool shift, int button, const POINT& screen)
{
    ViewContext& c = GetContext();
    SetCurrentElement(hit.element);

    IControl* control = ControlAt(hit, lastPoint_);
    if (control) {
        control->SetCursor(lastPoint_);
        if (DetectDrag(screen, button)) {
            TakeSelectionSnapshot();
            if (SubTaskPtr task = control->CreateTask(*c.view, *this, lastPoint_)) StartSubTask(std::move(task));
        }
        return;
    }

    Core::VISelectable* selectable = hit.element->GetSelectable();
    Core::SelectionTracker& tracker = GetSelectionTracker();
    bool deselectAtEnd = false;
    if (button == 1) {
        if (selectable == nullptr) {
            deselectAtEnd = !shift;
        } else if (!shift) {
            if (!selectable->IsSelected()) {
                c.view->ClearSelection(&tracker);
                selectable->SetSelected(&tracker, true);
            }
        } else if (!selectable->IsSelected()) {
            selectable->SetSelected(&tracker, true);
        } else {
            deselectAtEnd = true;
        }
    } else {
        if (selectable == nullptr) {
            if (!shift) c.view->ClearSelection(&tracker);
        } else if (!shift) {
            if (!selectable->IsSelected()) {
                c.view->ClearSelection(&tracker);
                selectable->SetSelected(&tracker, true);
            }
        } else {
            selectable->SetSelected(&tracker, !selectable->IsSelected());
        }
    }

    if (auto* shiftable = zq::Cast<VIShiftable>(hit.element)) {
        shiftable->SetMoveCursor(false, shift || WinUtil::IsControlKeyDown(), true);
        c.view->ProcessUpdates();
        c.canvas->Update();
        if (DetectDrag(screen, button)) {
            if (button == 1 && selectable == nullptr) c.view->ClearSelection(&tracker);
            TakeSelectionSnapshot();
            // A read-only document lends its selection to a copy elsewhere through the plain drag,
            // never through an element's own gesture (which may change it as it starts).
            SubTaskPtr task = MayEdit() ? shiftable->CreateMoveTask(*c.view, *this, lastPoint_, button)
                                        : shiftable->VIShiftable::CreateMoveTask(*c.view, *this, lastPoint_, button);
            if (task) StartSubTask(std::move(task));
            DropTracker();
            return;
        }
    }
    if (deselectAtEnd) {
        if (selectable == nullptr)
            c.view->ClearSelection(&tracker);
        else
            selectable->SetSelected(&tracker, false);
        ShowChanges();
    }
    DropTracker();
}

void DefaultTask::ShowChanges()
{
    ViewContext& c = GetContext();
    c.view->ProcessUpdates();
    c.canvas->Update();
}

void DefaultTask::PressOnNothing(bool shift, bool ctrl, int button, const POINT& screen)
{
    ViewContext& c = GetContext();
    Core::SelectionTracker& tracker = GetSelectionTracker();
    const bool keep = button == 1 ? (shift || ctrl) : shift;
    if (!keep && !activation_.IsJustActivated()) c.view->ClearSelection(&tracker);
    ShowChanges();  // the cleared marks go before a drag is waited for
    if (DetectDrag(screen, button)) {
        if (!shift && !ctrl) c.view->ClearSelection(&tracker);
        StartSubTask(std::make_shared<SelectLassoTask>(c, *this, lastPoint_, button));
    }
    DropTracker();
}

// ---- double click, characters, cursor, keys

void DefaultTask::OnLButtonDblClk(WinMessage::MouseMsg& msg)
{
    if (msg.IsShiftDown() || msg.IsControlDown()) {
        Press(msg, 1);
        return;
    }
    ViewContext& c = GetContext();
    lastPoint_ = ToModel(msg.Pos());
    const Core::HitResult hit = c.view->HitTest(lastPoint_, kHitTolerance);
    if (!hit || !MayEdit()) return;
    SetCurrentElement(hit.element);
    Core::IViewElement* part = hit.element;
    if (IControl* control = ControlAt(hit, lastPoint_)) part = control;
    if (auto* handler = zq::Cast<IDoubleClickHandler>(part)) {
        if (SubTaskPtr task = handler->OnDoubleClick(*c.view, *this, lastPoint_)) StartSubTask(std::move(task));
        UpdateCommands();
    }
}

void DefaultTask::OnChar(WinMessage::WM_CHAR_Msg& msg)
{
    if (msg.Char() == 27 || !MayEdit()) return;
    ViewContext& c = GetContext();
    int count = 0;
    ICharHandler* last = nullptr;
    const Core::ModelElementSet selection = c.view->GetSelection();
    for (const Core::ElementPtr& e : selection.Elements())
        if (auto* handler = zq::Cast<ICharHandler>(e->FindViewElement(*c.view))) {
            ++count;
            last = handler;
        }
    if (count != 1) return;
    if (SubTaskPtr task = last->OnChar(*c.view, *this, unsigned(msg.wParam), long(msg.lParam)))
        StartSubTask(std::move(task));
    UpdateCommands();
}

void DefaultTask::OnSetCursor(WinMessage::WM_SETCURSOR_Msg& msg)
{
    if (msg.HitTest() == HTCLIENT) {
        GetActiveTask().UpdateCursor();
        msg.result = TRUE;
    } else {
        msg.passToDefault = 1;
    }
}

void DefaultTask::OnKey(WinMessage::KeyMsg& msg)
{
    if (msg.id == WM_KEYDOWN)
        copyPaste_->OnKeyDown(msg);
    else
        copyPaste_->OnKeyUp(msg);
    if (msg.VirtualKey() != VK_DELETE) msg.passToDefault = 1;
}

void DefaultTask::UpdateCursor()
{
    ViewContext& c = GetContext();
    HWND hwnd = c.GetHwnd();
    POINT p;
    RECT client;
    if (!::GetCursorPos(&p) || !::ScreenToClient(hwnd, &p) || !::GetClientRect(hwnd, &client) || !PtInRect(&client, p))
        return;
    const bool ctrl = WinUtil::IsControlKeyDown(), shift = WinUtil::IsShiftKeyDown();
    if (ctrl && shift) {
        Cursor::Load(279);
        return;
    }
    const zq::Point model = ToModel(p);
    const Core::HitResult hit = c.view->HitTest(model, kHitTolerance);
    if (!hit) {
        Cursor::Load(1);
        return;
    }
    if (IControl* control = ControlAt(hit, model)) {
        control->SetCursor(model);
        return;
    }
    if (auto* shiftable = zq::Cast<VIShiftable>(hit.element))
        shiftable->SetMoveCursor(false, ctrl || shift, true);
    else if (auto* pointable = zq::Cast<Core::VIPointable>(hit.element))
        pointable->SetCursor(model);
    else
        Cursor::Load(1);
}

} // namespace View
