#include "view/MoveTask.h"

#include "app/Document.h"
#include "app/winutil/CursorManager.h"
#include "app/winutil/Guard.h"
#include "core/CopyExtend.h"
#include "core/Interfaces.h"
#include "core/TransferSet.h"
#include "view/CanvasView.h"
#include "view/Transfer.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace View {

namespace {
DefaultMoveTask::DragLoop& Loop()
{
    static DefaultMoveTask::DragLoop loop;
    return loop;
}

// The move tasks inside their drag loop, innermost last (a drop can start no drag, but a
// nested loop of another view could).
std::vector<DefaultMoveTask*>& Dragging()
{
    static std::vector<DefaultMoveTask*> tasks;
    return tasks;
}

DWORD ButtonKey(int button)
{
    return button == 1 ? MK_LBUTTON : button == 2 ? MK_MBUTTON : MK_RBUTTON;
}
} // namespace

zq::Rect BoundingRect(const Core::ModelElementSet& elements)
{
    bool any = false;
    zq::Rect out;
    for (const Core::ElementPtr& e : elements.Elements()) {
        auto* pointable = zq::Cast<const Core::IPointable>(e.get());
        zq::Rect r;
        if (pointable == nullptr || e->IsDeleted() || !pointable->GetBoundingRect(r)) continue;
        r.Normalize();
        if (!any) {
            out = r;
            any = true;
            continue;
        }
        out.left = std::min(out.left, r.left);
        out.right = std::max(out.right, r.right);
        out.top = std::max(out.top, r.top);
        out.bottom = std::min(out.bottom, r.bottom);
    }
    return out;
}

void DefaultMoveTask::SetDragLoop(DragLoop loop)
{
    Loop() = std::move(loop);
}

DefaultMoveTask* DefaultMoveTask::FindDragSource(IDataObject* data)
{
    if (!Application::IsOwnDataObject(data)) return nullptr;
    Application::IDataObjectReferenced* referenced = nullptr;
    if (FAILED(data->QueryInterface(Application::IID_IDataObjectReferenced, reinterpret_cast<void**>(&referenced))) ||
        referenced == nullptr)
        return nullptr;
    Application::DataProvider* creator = referenced->GetCreator();
    referenced->Release();
    for (DefaultMoveTask* task : Dragging())
        if (task->data_ && &task->data_->GetProvider() == creator) return task;
    return nullptr;
}

DefaultMoveTask::DefaultMoveTask(ViewContext& context, ITask& parent, int button, const zq::Point& press,
                                 VIShiftable& pressed, Core::ElementPtr element)
    : ISubTask(context, parent, "DefaultMoveTask"), plugs_(*context.dispatcher, context.exceptionHandler),
      press_(press), pressed_(pressed), start_(context.view->GetSelection()), button_(button),
      element_(std::move(element))
{
    using namespace WinMessage;
    plugs_.Add(WM_LBUTTONUP, this, &DefaultMoveTask::OnButtonUp);
    plugs_.Add(WM_LBUTTONDOWN, this, &DefaultMoveTask::OnConsumed);
    plugs_.Add(WM_RBUTTONUP, this, &DefaultMoveTask::OnButtonUp);
    plugs_.Add(WM_RBUTTONDOWN, this, &DefaultMoveTask::OnConsumed);
    plugs_.Add(WM_MOUSEMOVE, this, &DefaultMoveTask::OnMouseMove);
    plugs_.Add(WM_KEYDOWN, this, &DefaultMoveTask::OnConsumed);
    plugs_.Add(WM_KEYUP, this, &DefaultMoveTask::OnConsumed);
    TakeCapture();
}

DefaultMoveTask::~DefaultMoveTask()
{
    auto& dragging = Dragging();
    dragging.erase(std::remove(dragging.begin(), dragging.end(), this), dragging.end());
}

void DefaultMoveTask::OnButtonUp(WinMessage::MouseMsg& msg)
{
    const bool left = msg.id == WM_LBUTTONUP;
    if (dismissed_ || left != (button_ == 1)) return;
    ReleaseCapture();
    Finish(Finished);
}

bool DefaultMoveTask::IsButtonHeld() const
{
    return ::GetKeyState(button_ == 1 ? VK_LBUTTON : VK_RBUTTON) < 0;
}

void DefaultMoveTask::OnMouseMove(WinMessage::MouseMsg& msg)
{
    if (dismissed_) return;
    if (!(msg.wParam & ButtonKey(button_))) {
        Finish(Finished);
        return;
    }
    if (cancelledWhileHeld_) return;
    StartDrag();
}

void DefaultMoveTask::StartDrag()
{
    ViewContext& c = GetContext();
    if (element_) element_->SelectInView(*c.view, true, &GetSelectionTracker());
    ReleaseCapture();

    dragged_ = Core::CopyExtendSelection::Build(start_, *c.diagram);
    // Copied only when another window asks for them: every window the pointer leaves has put them
    // back as they were, and a drag within the window copies nothing.
    auto set = MakeTransferSet(c, dragged_, true);
    if (element_) set->SetReferenceElement(element_->GetObjectId());
    const zq::Rect bounds = BoundingRect(dragged_);
    const zq::Point hotSpot(press_.x - bounds.left, -(press_.y - bounds.top));
    data_ = MakeDragData(c, set, zq::Point(bounds.Width(), bounds.Height()), hotSpot);

    // Out of a read-only document the elements can only be copied.
    allowed_ = c.IsReadOnly() ? DROPEFFECT_COPY : DROPEFFECT_COPY | DROPEFFECT_MOVE;
    DWORD effect = DROPEFFECT_NONE;
    HRESULT result;
    // The drag loop dispatches messages: a failure in one of them may replace the default task,
    // which owns this task. The task stays alive until the loop returns and then touches nothing
    // of the parent it lost.
    const std::shared_ptr<DefaultMoveTask> keepAlive = weak_from_this().lock();
    {
        WinUtil::CursorManager::ModalGuard busySuspended;
        IDataObject* data = data_->GetDataObject();
        Dragging().push_back(this);
        result = Loop() ? Loop()(data, this, allowed_, &effect) : ::DoDragDrop(data, this, allowed_, &effect);
        Dragging().erase(std::remove(Dragging().begin(), Dragging().end(), this), Dragging().end());
        ::CoDisconnectObject(data, 0);
        data->Release();
    }
    data_.reset();
    if (dismissed_) {
        ReleaseCapture();
        return;
    }

    if (result == DRAGDROP_S_DROP) {
        if (effect & allowed_ & DROPEFFECT_MOVE) DeleteOriginals();
    } else if (result == DRAGDROP_S_CANCEL) {
        if (IsButtonHeld()) {
            cancelledWhileHeld_ = true;
            TakeCapture();
            return;
        }
    } else {
        // The drag loop failed: nothing was dropped, and the default task must not stay busy.
        Finish(Cancelled);
        return;
    }
    Finish(Finished);
}

void DefaultMoveTask::DeleteOriginals()
{
    Core::Env env = MakeEnv();
    for (const Core::ElementPtr& e : dragged_.Elements())
        if (auto* deletable = zq::Cast<Core::IDeletable>(e.get()))
            if (!e->IsDeleted()) deletable->Delete(env);
}

STDMETHODIMP DefaultMoveTask::QueryInterface(REFIID iid, void** out)
{
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDropSource) {
        *out = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP DefaultMoveTask::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    return WinUtil::GuardedFunctionCall<HRESULT>("View::DefaultMoveTask::QueryContinueDrag", DRAGDROP_S_CANCEL,
                                                 [&]() -> HRESULT {
                                                     if (escapePressed) return DRAGDROP_S_CANCEL;
                                                     return (keyState & ButtonKey(button_)) ? S_OK : DRAGDROP_S_DROP;
                                                 });
}

STDMETHODIMP DefaultMoveTask::GiveFeedback(DWORD effect)
{
    return WinUtil::GuardedFunctionCall<HRESULT>("View::DefaultMoveTask::GiveFeedback", DRAGDROP_S_USEDEFAULTCURSORS,
                                                 [&]() -> HRESULT {
                                                     if (!(effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE)))
                                                         return DRAGDROP_S_USEDEFAULTCURSORS;
                                                     pressed_.SetMoveCursor(true, false, !(effect & DROPEFFECT_COPY));
                                                     return S_OK;
                                                 });
}

} // namespace View
