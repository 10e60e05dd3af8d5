// The embedded object's OLE object, running and connection faces, its notifications and shut-down.
#include "Editor/ClassFactory.h"
#include "Editor/Diagram.h"
#include "Editor/OLEdiagram.h"
#include "app/SdiApp.h"
#include "app/winutil/Exceptions.h"

#include <stdexcept>

namespace Editor::OLEdiagram {

namespace {

constexpr HRESULT kInvalidVerb = static_cast<HRESULT>(0x80040068);  // OLEOBJ_E_INVALIDVERB
constexpr unsigned kChangeDelayMs = 1000;

} // namespace

// ---- IOleObject

HRESULT OUD::SetClientSite(IOleClientSite* site) {
    site_ = ComPtr<IOleClientSite>(site);
    return S_OK;
}

HRESULT OUD::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = site_.Get();
    if (*site) (*site)->AddRef();
    return S_OK;
}

HRESULT OUD::SetHostNames(LPCOLESTR, LPCOLESTR object) {
    document_.SetName(object ? object : L"");
    return S_OK;
}

HRESULT OUD::Close(DWORD option) {
    TakeQueuedKeys();
    noSave_ = option != OLECLOSE_SAVEIFDIRTY && option != OLECLOSE_PROMPTSAVE;
    ScheduleEnd();
    ShutDown();
    return S_OK;
}

HRESULT OUD::SetMoniker(DWORD which, IMoniker* moniker) {
    ComPtr<IMoniker> full(moniker);
    if (which != OLEWHICHMK_OBJFULL) {
        if (!site_) return E_FAIL;
        const HRESULT hr = site_->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJFULL, full.Receive());
        if (FAILED(hr)) return hr;
    }
    RegisterMoniker(full.Get());
    if (full && adviseHolder_) adviseHolder_->SendOnRename(full.Get());
    return S_OK;
}

HRESULT OUD::GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) {
    if (!site_) return E_UNEXPECTED;
    return site_->GetMoniker(assign, which, moniker);
}

HRESULT OUD::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
    if (!site_ && site) site_ = ComPtr<IOleClientSite>(site);
    if (verb == OLEIVERB_UIACTIVATE) return E_NOTIMPL;
    if (verb != OLEIVERB_PRIMARY && verb != OLEIVERB_SHOW && verb != OLEIVERB_OPEN) return kInvalidVerb;
    if (document_.IsEmbedded()) {
        IOleClientSite* active = site ? site : site_.Get();
        ComPtr<IMoniker> full;
        if (active && SUCCEEDED(active->GetMoniker(OLEGETMONIKER_FORCEASSIGN, OLEWHICHMK_OBJFULL, full.Receive())) &&
            full) {
            RegisterMoniker(full.Get());
            if (adviseHolder_) adviseHolder_->SendOnRename(full.Get());
        }
        if (site_) site_->OnShowWindow(TRUE);
    }
    document_.BringToFront(SW_SHOW);
    return S_OK;
}

HRESULT OUD::GetUserClassID(CLSID* id) {
    if (!id) return E_POINTER;
    *id = ClassId();
    return S_OK;
}

HRESULT OUD::GetUserType(DWORD form, LPOLESTR* type) { return OleRegGetUserType(ClassId(), form, type); }

HRESULT OUD::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!adviseHolder_) return E_UNEXPECTED;
    return adviseHolder_->Advise(sink, connection);
}

HRESULT OUD::Unadvise(DWORD connection) {
    if (!adviseHolder_) return E_UNEXPECTED;
    return adviseHolder_->Unadvise(connection);
}

HRESULT OUD::EnumAdvise(IEnumSTATDATA** out) {
    if (!adviseHolder_) return E_UNEXPECTED;
    return adviseHolder_->EnumAdvise(out);
}

// ---- IRunnableObject, IExternalConnection

HRESULT OUD::GetRunningClass(CLSID* id) {
    if (!id) return E_INVALIDARG;
    *id = ClassId();
    return S_OK;
}

void OUD::Unlock() {
    if (strongLocks_ == 0) return;
    --strongLocks_;
    document_.GetNode().Unlock();
}

HRESULT OUD::LockRunning(BOOL lock, BOOL) {
    if (!lock) Unlock();
    else if (!shutDown_) {
        document_.GetNode().Lock();
        ++strongLocks_;
    }
    return S_OK;
}

DWORD OUD::AddConnection(DWORD kind, DWORD) {
    if (!(kind & EXTCONN_STRONG) || shutDown_) return 0;
    document_.GetNode().Lock();
    ++strongLocks_;
    return static_cast<DWORD>(strongLocks_);
}

DWORD OUD::ReleaseConnection(DWORD kind, DWORD, BOOL) {
    if (!(kind & EXTCONN_STRONG)) return 0;
    Unlock();
    return static_cast<DWORD>(strongLocks_);
}

// ---- notifications

void OUD::DocumentNameChanged(Application::IDocument&) {
    if (storage_.IsUntitled() || storage_.IsEmbedded()) return;
    ComPtr<IMoniker> moniker;
    if (FAILED(CreateFileMoniker(document_.GetName().c_str(), moniker.Receive()))) return;
    RegisterMoniker(moniker.Get());
    if (adviseHolder_) adviseHolder_->SendOnRename(moniker.Get());
}

void OUD::OnSaved(const std::wstring&) {
    if (moniker_ && storage_.GetLastWriteTime()) {
        ComPtr<IRunningObjectTable> table;
        FILETIME time = *storage_.GetLastWriteTime();
        if (SUCCEEDED(GetRunningObjectTable(0, table.Receive()))) table->NoteChangeTime(rotCookie_, &time);
    }
    if (adviseHolder_) adviseHolder_->SendOnSave();
    if (!storage_.IsEmbedded() && provider_) provider_->SendOnDataChange();
}

void OUD::OnDocumentChanged() {
    if (storage_.IsEmbedded() && !shutDown_) timer_.Start(kChangeDelayMs);
}

void OUD::OnTimer() {
    // Never in the middle of a change: the next tick tries again.
    if (document_.GetModel().IsTransactionOpen()) return;
    timer_.Stop();
    if (provider_) provider_->SendOnDataChange();
}

// ---- running object table

void OUD::RegisterMoniker(IMoniker* moniker) {
    ComPtr<IRunningObjectTable> table;
    if (FAILED(GetRunningObjectTable(0, table.Receive()))) return;
    if (moniker_) table->Revoke(rotCookie_);
    moniker_ = ComPtr<IMoniker>(moniker);
    rotCookie_ = 0;
    if (moniker_ && FAILED(table->Register(0, GetUnknown(), moniker_.Get(), &rotCookie_))) {
        moniker_.Reset();
        rotCookie_ = 0;
    }
}

void OUD::RevokeMoniker() {
    if (!moniker_) return;
    ComPtr<IRunningObjectTable> table;
    if (SUCCEEDED(GetRunningObjectTable(0, table.Receive()))) table->Revoke(rotCookie_);
    moniker_.Reset();
    rotCookie_ = 0;
}

// ---- saving and shut-down

void OUD::SaveToContainer() {
    if (!site_) throw WinUtil::ComException(E_UNEXPECTED);
    WinUtil::ThrowIfFailed(site_->SaveObject());
    if (adviseHolder_) adviseHolder_->SendOnSave();
}

void OUD::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (timer_.IsRunning()) {
        timer_.Stop();
        if (provider_) provider_->SendOnDataChange();
    }
    if (registered_) {
        storage_.GetSaveObservers().Detach(this);
        document_.GetNameObserverList().Detach(this);
        registered_ = false;
    }
    RevokeMoniker();
    // The container's failures are reported to the caller, but only once every client has been
    // disconnected: a failing container must not keep the program running.
    HRESULT failure = S_OK;
    if (storage_.IsEmbedded() && site_) {
        failure = site_->OnShowWindow(FALSE);
        if (SUCCEEDED(failure) && !noSave_ && storage_.IsDirty()) {
            failure = site_->SaveObject();
            if (SUCCEEDED(failure) && adviseHolder_) adviseHolder_->SendOnSave();
        }
    }
    if (provider_) provider_->Close();
    data_.Reset();
    site_.Reset();
    if (adviseHolder_) adviseHolder_->SendOnClose();
    adviseHolder_.Reset();
    CoDisconnectObject(GetUnknown(), 0);
    // Disconnected clients never release their strong connections: their locks go here.
    while (strongLocks_ > 0) Unlock();
    WinUtil::ThrowIfFailed(failure);
}

} // namespace Editor::OLEdiagram
