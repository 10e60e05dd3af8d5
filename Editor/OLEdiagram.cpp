#include "Editor/OLEdiagram.h"

#include "Editor/ClassFactory.h"
#include "Editor/Diagram.h"
#include "Editor/EmbedSource.h"
#include "Editor/MetafileProvider.h"
#include "app/SdiApp.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/Guard.h"

#include <atomic>
#include <cstring>
#include <stdexcept>

namespace Editor::OLEdiagram {

// COM drops the references of a finished call on the thread that received it, not on the thread the
// object lives on, and the lifetime tree belongs to that one thread (the last release there ends
// the program). References added or dropped elsewhere are counted here and handed over through a
// message-only window of the object's thread.
class OUD::ThreadHop {
public:
    explicit ThreadHop(OUD& owner) : owner_(owner), thread_(GetCurrentThreadId()) {
        static const UINT message = RegisterWindowMessageW(L"Quorvel.OleReferences");
        message_ = message;
        WNDCLASSW wc{};
        wc.lpfnWndProc = &ThreadHop::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Quorvel.OleReferences";
        RegisterClassW(&wc);  // a second registration fails harmlessly
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ThreadHop(const ThreadHop&) = delete;
    ThreadHop& operator=(const ThreadHop&) = delete;
    ~ThreadHop() {
        if (hwnd_) DestroyWindow(hwnd_);
    }

    bool IsOwnThread() const { return GetCurrentThreadId() == thread_; }
    // Counts a change made on another thread and wakes the object's thread to apply it.
    void Post(bool added) {
        ++(added ? added_ : released_);
        if (hwnd_) PostMessageW(hwnd_, message_, 0, 0);
    }
    // Applies the changes counted elsewhere, the additions first (on the object's thread).
    void Apply() {
        for (long n = added_.exchange(0); n > 0; --n) owner_.AddRefHere();
        for (long n = released_.exchange(0); n > 0; --n) owner_.ReleaseHere();
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ThreadHop*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == self->message_) {
            WinUtil::GuardedFunctionCall("Editor::OLEdiagram::OUD::Release", [self] { self->Apply(); });
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    OUD& owner_;
    DWORD thread_;
    UINT message_ = 0;
    HWND hwnd_ = nullptr;
    std::atomic<long> added_{0};
    std::atomic<long> released_{0};
};

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
      document_(document), storage_(document.GetStorage()), timer_(*this), hop_(std::make_unique<ThreadHop>(*this)) {
    WinUtil::ThrowIfFailed(CreateOleAdviseHolder(adviseHolder_.Receive()));
    storage_.GetSaveObservers().Attach(this);
    document_.GetNameObserverList().Attach(this);
    document_.GetModel().GetUndoHandler().GetDocumentChangeObserverPlug().Attach(this);
    registered_ = true;
    // A document opened from a file got its name before this object existed: links reach it too.
    DocumentNameChanged(document_);
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
    if (!hop_->IsOwnThread()) {
        hop_->Post(true);
        return 2;  // at least the reference just added and the caller's
    }
    hop_->Apply();
    AddRefHere();
    return static_cast<ULONG>(GetReferenceCount());
}

ULONG OUD::Release() {
    if (!hop_->IsOwnThread()) {
        hop_->Post(false);
        return 1;  // not dropped yet
    }
    hop_->Apply();
    return ReleaseHere();
}

int OUD::GetReferenceCount() const { return document_.GetNode().GetExternalConnectionCount(); }

void OUD::AddRefHere() { document_.GetNode().AddExternalConnection(); }

ULONG OUD::ReleaseHere() {
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

void OUD::TakeQueuedKeys() {
    if (WinUtil::MessageLoop* loop = WinUtil::MessageLoop::Current()) loop->HandleQueuedKeys();
}

HRESULT OUD::IsDirty() {
    TakeQueuedKeys();
    return storage_.IsDirty() ? S_OK : S_FALSE;
}

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
    TakeQueuedKeys();
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

HRESULT OUD::GetData(FORMATETC* format, STGMEDIUM* medium) {
    TakeQueuedKeys();
    return Data().GetData(format, medium);
}
HRESULT OUD::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
    TakeQueuedKeys();
    return Data().GetDataHere(format, medium);
}
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
