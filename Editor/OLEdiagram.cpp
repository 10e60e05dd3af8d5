#include "Editor/OLEdiagram.h"

#include "Editor/ClassFactory.h"
#include "Editor/Diagram.h"
#include "Editor/EmbedSource.h"
#include "Editor/MetafileProvider.h"
#include "app/SdiApp.h"
#include "app/winutil/Exceptions.h"

#include <cstring>
#include <stdexcept>

namespace Editor::OLEdiagram {

DeferredShutDownCall::DeferredShutDownCall(Application::LifeTimeSupervisor& node, WinUtil::MessageLoop& loop)
    : node_(node), loop_(loop) {
    loop_.AddOneTimePostProc(this);
}

DeferredShutDownCall::~DeferredShutDownCall() { loop_.RemoveOneTimePostProc(this); }

void DeferredShutDownCall::PostProcess() { node_.End(); }

OUD::OUD(Diagram& document)
    : persistFile_(static_cast<IPersistFile*>(this)), persistStorage_(static_cast<IPersistStorage*>(this)),
      dataObject_(static_cast<IDataObject*>(this)), oleObject_(static_cast<IOleObject*>(this)),
      runnable_(static_cast<IRunnableObject*>(this)), connection_(static_cast<IExternalConnection*>(this)),
      document_(document), storage_(document.GetStorage()), timer_(*this) {
    WinUtil::ThrowIfFailed(CreateOleAdviseHolder(adviseHolder_.Receive()));
    storage_.GetSaveObservers().Attach(this);
    document_.GetNameObserverList().Attach(this);
    document_.GetModel().GetUndoHandler().GetDocumentChangeObserverPlug().Attach(this);
    registered_ = true;
}

OUD::~OUD() {
    deferred_.reset();
    timer_.Stop();
    if (registered_) {
        storage_.GetSaveObservers().Detach(this);
        document_.GetNameObserverList().Detach(this);
    }
    document_.GetModel().GetUndoHandler().GetDocumentChangeObserverPlug().Detach(this);
    RevokeMoniker();
    data_.Reset();
    provider_.reset();
}

// ---- IUnknown

HRESULT OUD::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IPersistFile) *out = &persistFile_;
    else if (iid == IID_IPersistStorage) *out = &persistStorage_;
    else if (iid == IID_IDataObject) *out = &dataObject_;
    else if (iid == IID_IOleObject) *out = &oleObject_;
    else if (iid == IID_IRunnableObject) *out = &runnable_;
    else if (iid == IID_IExternalConnection) *out = &connection_;
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG OUD::AddRef() {
    document_.GetNode().AddExternalConnection();
    return static_cast<ULONG>(document_.GetNode().GetExternalConnectionCount());
}

ULONG OUD::Release() {
    Application::LifeTimeSupervisor& node = document_.GetNode();
    if (node.GetExternalConnectionCount() == 0) return 0;
    node.ReleaseExternalConnection();
    const int left = node.GetExternalConnectionCount();
    // Nobody can reach a document without references, locks or windows: it ends instead of lingering.
    if (left == 0 && node.GetLockCount() == 0 && document_.GetWindowCount() == 0 && !node.IsEnded() &&
        !deferred_)
        ScheduleEnd();
    return static_cast<ULONG>(left);
}

void OUD::ScheduleEnd() {
    deferred_.reset();
    try {
        deferred_ = std::make_unique<DeferredShutDownCall>(document_.GetNode(),
                                                           document_.GetApplication().GetMessageLoop());
    } catch (const std::logic_error&) {
        // No running loop (a test drives the object directly): the document's owner ends it.
    }
}

// ---- IPersist, IPersistFile, IPersistStorage

HRESULT OUD::GetClassID(CLSID* id) {
    if (id) *id = ClassId();
    return S_OK;
}

HRESULT OUD::IsDirty() { return storage_.IsDirty() ? S_OK : S_FALSE; }

HRESULT OUD::Load(LPCOLESTR name, DWORD mode) {
    if (!name) return E_INVALIDARG;
    storage_.LoadFile(name, mode);
    document_.SetName(name);
    return S_OK;
}

HRESULT OUD::Save(LPCOLESTR name, BOOL remember) {
    storage_.Save(name ? name : L"", remember != FALSE);
    if (remember && name) document_.SetName(name);
    return S_OK;
}

HRESULT OUD::SaveCompleted(LPCOLESTR name) {
    storage_.SaveCompletedFile(name ? name : L"");
    if (name) document_.SetName(name);
    return S_OK;
}

HRESULT OUD::GetCurFile(LPOLESTR* name) {
    if (!name) return E_POINTER;
    const std::wstring& text = document_.GetName();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!*name) return E_OUTOFMEMORY;
    std::memcpy(*name, text.c_str(), bytes);
    return S_OK;
}

void OUD::WriteUserType(IStorage* storage) {
    LPOLESTR type = nullptr;
    if (FAILED(OleRegGetUserType(ClassId(), USERCLASSTYPE_FULL, &type)) || !type) return;
    const HRESULT hr = WriteFmtUserTypeStg(storage, EmbedSourceFormat(), type);
    CoTaskMemFree(type);
    WinUtil::ThrowIfFailed(hr);
}

HRESULT OUD::InitNew(IStorage* storage) {
    storage_.InitNew(storage);
    WriteUserType(storage);
    return S_OK;
}

HRESULT OUD::Load(IStorage* storage) {
    storage_.Load(storage);
    return S_OK;
}

HRESULT OUD::Save(IStorage* storage, BOOL sameAsLoad) {
    storage_.SaveToStorage(storage, sameAsLoad != FALSE);
    WriteUserType(storage);
    return S_OK;
}

HRESULT OUD::SaveCompleted(IStorage* storage) {
    storage_.SaveCompleted(storage);
    return S_OK;
}

HRESULT OUD::HandsOffStorage() {
    storage_.HandsOffStorage();
    return S_OK;
}

// ---- IDataObject

IDataObject& OUD::Data() {
    if (!data_) {
        if (!provider_) {
            provider_ = std::make_unique<Application::DataProvider>();
            provider_->AddFormat(CreateMetafileProvider(document_.GetModel()));
            provider_->AddFormat(CreateEmbedSourceProvider(&persistStorage_, ClassId()));
        }
        *data_.Receive() = provider_->GetDataObject();
    }
    return *data_.Get();
}

HRESULT OUD::GetData(FORMATETC* format, STGMEDIUM* medium) { return Data().GetData(format, medium); }
HRESULT OUD::GetDataHere(FORMATETC* format, STGMEDIUM* medium) { return Data().GetDataHere(format, medium); }
HRESULT OUD::QueryGetData(FORMATETC* format) { return Data().QueryGetData(format); }
HRESULT OUD::GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) { return Data().GetCanonicalFormatEtc(in, out); }
HRESULT OUD::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
    return Data().SetData(format, medium, release);
}
HRESULT OUD::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) { return Data().EnumFormatEtc(direction, out); }
HRESULT OUD::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) {
    return Data().DAdvise(format, flags, sink, connection);
}
HRESULT OUD::DUnadvise(DWORD connection) { return Data().DUnadvise(connection); }
HRESULT OUD::EnumDAdvise(IEnumSTATDATA** out) { return Data().EnumDAdvise(out); }

} // namespace Editor::OLEdiagram
