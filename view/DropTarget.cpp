#include "view/DropTarget.h"

#include "app/winutil/CursorManager.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/Guard.h"
#include "app/winutil/ResourceLoader.h"
#include "view/MoveTask.h"
#include "view/Transfer.h"

#include <atomic>

namespace View {

namespace {

std::function<UINT(HMENU, POINT, HWND)>& Chooser()
{
    static std::function<UINT(HMENU, POINT, HWND)> chooser;
    return chooser;
}

void ThrowIfFailed(HRESULT hr)
{
    if (FAILED(hr)) WinUtil::ThrowIfFailed(hr);
}

// The view's drop target: hands every drag to a drop-target task of its kind.
class DTimp : public IDropTarget {
public:
    explicit DTimp(DiagramView& view) : context_(view.GetContext()) {}
    virtual ~DTimp() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override
    {
        if (effect == nullptr) return E_INVALIDARG;
        if (!WinUtil::GuardedFunctionCall("View::DropTarget::DragEnter", [&] { Enter(data, keys, point, *effect); }))
            Fail(*effect);
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override
    {
        if (effect == nullptr) return E_INVALIDARG;
        if (!WinUtil::GuardedFunctionCall("View::DropTarget::DragOver", [&] { Over(keys, point, *effect); })) {
            DragLeave();
            Fail(*effect);
        }
        return S_OK;
    }
    STDMETHODIMP DragLeave() override
    {
        if (!WinUtil::GuardedFunctionCall("View::DropTarget::DragLeave", [&] { Leave(); })) task_.reset();
        return S_OK;
    }
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override
    {
        if (effect == nullptr) return E_INVALIDARG;
        if (!WinUtil::GuardedFunctionCall("View::DropTarget::Drop", [&] { DropIt(data, keys, point, *effect); }))
            Fail(*effect);
        return S_OK;
    }

    const IDropTargetTask* GetTask() const { return task_.get(); }

private:
    // A failing callback drops its task (whose transaction then rolls back) and refuses the drag.
    void Fail(DWORD& effect)
    {
        task_.reset();
        scroller_.reset();
        cacheValid_ = false;
        effect = DROPEFFECT_NONE;
    }

    void Enter(IDataObject* data, DWORD keys, POINTL point, DWORD& effect)
    {
        task_.reset();
        if (context_.canvas) scroller_ = context_.canvas->CreateDragDropScroller();
        cacheValid_ = false;
        if (context_.IsReadOnly()) {
            effect = DROPEFFECT_NONE;  // a read-only document takes nothing; its view still scrolls
            return;
        }
        DefaultMoveTask* source = DefaultMoveTask::FindDragSource(data);
        if (source && source->GetContext().diagram == context_.diagram) {
            task_ = std::make_unique<SameDiagramDropTargetTask>(context_, *source);
        } else if (context_.transferFormats && context_.transferFormats->CanAccept(Application::DataHolder(data))) {
            task_ = std::make_unique<StdDropTargetTask>(context_);
        } else {
            effect = DROPEFFECT_NONE;
            return;
        }
        ThrowIfFailed(task_->DragEnter(data, keys, POINT{point.x, point.y}, effect));
    }

    void Over(DWORD keys, POINTL point, DWORD& effect)
    {
        if (!task_) {
            effect = DROPEFFECT_NONE;
            return;
        }
        const zq::Point model = zq::RoundPoint(context_.canvas->ScreenToLogical({point.x, point.y}));
        if (cacheValid_ && model == cachePoint_ && keys == cacheKeys_ && effect == cacheOffered_) {
            effect = cacheAnswer_;
            return;
        }
        cacheValid_ = true;
        cachePoint_ = model;
        cacheKeys_ = keys;
        cacheOffered_ = effect;
        ThrowIfFailed(task_->DragOver(keys, POINT{point.x, point.y}, effect));
        cacheAnswer_ = effect;
        ++overCalls_;
    }

    void Leave()
    {
        {
            WinUtil::CursorManager::ModalGuard busySuspended;
            if (task_) task_->DragLeave();
        }
        task_.reset();
        scroller_.reset();
        cacheValid_ = false;
    }

    void DropIt(IDataObject* data, DWORD keys, POINTL point, DWORD& effect)
    {
        WinUtil::CursorManager::ModalGuard busySuspended;
        scroller_.reset();
        cacheValid_ = false;
        if (!task_) {
            effect = DROPEFFECT_NONE;
            return;
        }
        std::unique_ptr<IDropTargetTask> task = std::move(task_);
        ThrowIfFailed(task->Drop(data, keys, POINT{point.x, point.y}, effect));
    }

    ViewContext& context_;
    std::atomic<ULONG> refs_{0};
    std::unique_ptr<IDropTargetTask> task_;
    std::unique_ptr<ICanvas::IDragDropScroller> scroller_;
    bool cacheValid_ = false;
    DWORD cacheKeys_ = 0, cacheOffered_ = 0, cacheAnswer_ = 0;
    zq::Point cachePoint_;
    int overCalls_ = 0;

public:
    // How often a DragOver reached a task (the others were answered from the cache).
    int GetOverCalls() const { return overCalls_; }
};

} // namespace

DWORD DropEffectFor(DWORD keyState, DWORD allowed)
{
    return (keyState & MK_CONTROL) ? (allowed & DROPEFFECT_COPY) : (allowed & DROPEFFECT_MOVE);
}

void SetDropMenuChooser(std::function<UINT(HMENU, POINT, HWND)> chooser)
{
    Chooser() = std::move(chooser);
}

UINT ShowDropMenu(POINT screen, HWND owner, UINT defaultCommand, bool allowMove)
{
    struct Menu {
        HMENU handle = ::LoadMenuW(WinUtil::ResourceLoader::Instance().GetInstance(), MAKEINTRESOURCEW(kDropMenuId));
        ~Menu() { if (handle) ::DestroyMenu(handle); }
    } menu;
    HMENU popup = menu.handle ? ::GetSubMenu(menu.handle, 0) : nullptr;
    if (popup == nullptr) return 0;
    if (!allowMove) ::EnableMenuItem(popup, kCmdMoveHere, MF_BYCOMMAND | MF_GRAYED);
    if (defaultCommand != 0) ::SetMenuDefaultItem(popup, defaultCommand, FALSE);
    if (Chooser()) return Chooser()(popup, screen, owner);
    WinUtil::CursorManager::ModalGuard busySuspended;
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    return UINT(::TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, screen.x, screen.y, owner,
                                   nullptr));
}

// ---- registration

DropTargetRegistration::DropTargetRegistration(DiagramView& view)
    : target_(new DTimp(view)), hwnd_(view.GetContext().GetHwnd())
{
    target_->AddRef();
    if (hwnd_) {
        const HRESULT hr = ::RegisterDragDrop(hwnd_, target_);
        if (FAILED(hr)) {
            target_->Release();
            WinUtil::ThrowIfFailed(hr);
        }
        registered_ = true;
    }
}

DropTargetRegistration::~DropTargetRegistration()
{
    if (registered_) ::RevokeDragDrop(hwnd_);
    target_->Release();
}

std::string DropTargetRegistration::GetTaskName() const
{
    const IDropTargetTask* task = static_cast<DTimp*>(target_)->GetTask();
    return task ? task->GetName() : std::string();
}

const PendingDrop* DropTargetRegistration::GetPendingDrop() const
{
    const IDropTargetTask* task = static_cast<DTimp*>(target_)->GetTask();
    return task ? &task->GetPending() : nullptr;
}

int DropTargetRegistration::GetDragOverCalls() const
{
    return static_cast<DTimp*>(target_)->GetOverCalls();
}

std::unique_ptr<DropTargetRegistration> RegisterDropTarget(DiagramView& view)
{
    return std::make_unique<DropTargetRegistration>(view);
}

} // namespace View
