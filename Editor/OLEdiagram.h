// The OLE face of one diagram document: a container embeds it (its storage is the container's),
// shows it in the editor's window, gets its pictures, and is told when it is saved, renamed,
// changed or closed.
#pragma once

#include "Editor/OLEComPtr.h"
#include "app/DataTransfer.h"
#include "app/Document.h"
#include "app/winutil/ComGuard.h"
#include "app/winutil/MessageLoop.h"
#include "app/winutil/Timer.h"
#include "core/UndoHandler.h"

#include <memory>

namespace Editor {

class Diagram;
class StorageHolder;

namespace OLEdiagram {

// Ends a document's lifetime node from the message loop, after the call that asked for it.
class DeferredShutDownCall : public WinUtil::MessageLoop::IOneTimePostProc {
public:
    // Scheduled on loop at once; withdrawn when destroyed before it ran.
    DeferredShutDownCall(Application::LifeTimeSupervisor& node, WinUtil::MessageLoop& loop);
    ~DeferredShutDownCall() override;
    void PostProcess() override;

private:
    Application::LifeTimeSupervisor& node_;
    WinUtil::MessageLoop& loop_;
};

class OUD : public IPersistFile,
            public IPersistStorage,
            public IDataObject,
            public IOleObject,
            public IRunnableObject,
            public IExternalConnection,
            private Application::IDocumentNameObserver,
            private WinUtil::ISaveObserver,
            private WinUtil::ITimerClient,
            private Core::IDocumentChangeObserver {
public:
    // The embedding face of document (which owns it and outlives it).
    explicit OUD(Diagram& document);
    OUD(const OUD&) = delete;
    OUD& operator=(const OUD&) = delete;
    virtual ~OUD();

    // Saves the embedded document into its container (the editor's Update command).
    void SaveToContainer();
    // Tells the container the object closes and disconnects every client; runs once.
    void ShutDown();
    // The object's identity as COM receives it.
    IUnknown* GetUnknown() { return &persistFile_; }
    // COM's references counted on the document's node (diagnostics; the tree keeps the document).
    int GetReferenceCount() const;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPersist, IPersistFile, IPersistStorage
    STDMETHODIMP GetClassID(CLSID* id) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPCOLESTR name, DWORD mode) override;
    STDMETHODIMP Save(LPCOLESTR name, BOOL remember) override;
    STDMETHODIMP SaveCompleted(LPCOLESTR name) override;
    STDMETHODIMP GetCurFile(LPOLESTR* name) override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    STDMETHODIMP SaveCompleted(IStorage* storage) override;
    STDMETHODIMP HandsOffStorage() override;
    // IDataObject: passed to the data object of the pictures and "Embed Source"
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) override;
    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD option) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent, LPCRECT rect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return OLE_S_USEREG; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* id) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override;
    STDMETHODIMP GetMiscStatus(DWORD, DWORD*) override { return OLE_S_USEREG; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }
    // IRunnableObject
    STDMETHODIMP GetRunningClass(CLSID* id) override;
    STDMETHODIMP Run(LPBINDCTX) override { return S_OK; }
    STDMETHODIMP_(BOOL) IsRunning() override { return TRUE; }
    STDMETHODIMP LockRunning(BOOL lock, BOOL lastUnlockCloses) override;
    STDMETHODIMP SetContainedObject(BOOL) override { return S_OK; }
    // IExternalConnection
    STDMETHODIMP_(DWORD) AddConnection(DWORD kind, DWORD reserved) override;
    STDMETHODIMP_(DWORD) ReleaseConnection(DWORD kind, DWORD reserved, BOOL lastReleaseCloses) override;

private:
    class ThreadHop;
    void AddRefHere();
    ULONG ReleaseHere();
    void DocumentNameChanged(Application::IDocument& document) override;
    void OnSaved(const std::wstring& path) override;
    void OnTimer() override;
    void OnDocumentChanged() override;
    void WriteUserType(IStorage* storage);
    // Handles the keys the user already gave the document's windows, so that a container's
    // question about the object sees their edits (its calls overtake queued input).
    static void TakeQueuedKeys();
    IDataObject& Data();
    void RegisterMoniker(IMoniker* moniker);
    void RevokeMoniker();
    void Unlock();
    void ScheduleEnd();

    WinUtil::GIPersistFile<IPersistFile> persistFile_;
    WinUtil::GIPersistStorage<IPersistStorage> persistStorage_;
    WinUtil::GIDataObject<IDataObject> dataObject_;
    WinUtil::GIOleObject<IOleObject> oleObject_;
    WinUtil::GIRunnableObject<IRunnableObject> runnable_;
    WinUtil::GIExternalConnection<IExternalConnection> connection_;

    Diagram& document_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IMoniker> moniker_;
    ComPtr<IOleAdviseHolder> adviseHolder_;
    ComPtr<IDataObject> data_;
    std::unique_ptr<Application::DataProvider> provider_;
    StorageHolder& storage_;
    DWORD rotCookie_ = 0;
    bool noSave_ = false;
    bool registered_ = false;
    WinUtil::Timer timer_;
    bool shutDown_ = false;
    int strongLocks_ = 0;  // locks taken by strong connections and LockRunning, dropped at shut-down
    std::unique_ptr<DeferredShutDownCall> deferred_;
    std::unique_ptr<ThreadHop> hop_;  // references that COM drops on its own threads
};

} // namespace OLEdiagram

} // namespace Editor
