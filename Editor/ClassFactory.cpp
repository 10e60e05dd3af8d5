#include "Editor/ClassFactory.h"

#include "Editor/DiagramFactory.h"
#include "Editor/OLEdiagram.h"
#include "Editor/ProductCodes.h"

#include <memory>

namespace Editor {

const CLSID& ClassId() {
    static const CLSID id = [] {
        CLSID parsed{};
        CLSIDFromString(ProductCodes::kClassId, &parsed);
        return parsed;
    }();
    return id;
}

OLEdiagramFactory::OLEdiagramFactory(DiagramFactory& factory)
    : factory_(factory), connection_(static_cast<IExternalConnection*>(this)),
      classFactory_(static_cast<IClassFactory*>(this)) {
    uncounted_ = true;
    registered_ = CoRegisterClassObject(ClassId(), &connection_, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    uncounted_ = false;
    if (FAILED(registered_)) cookie_ = 0;
}

OLEdiagramFactory::~OLEdiagramFactory() { Revoke(); }

void OLEdiagramFactory::Revoke() {
    if (!cookie_) return;
    uncounted_ = true;
    CoRevokeClassObject(cookie_);
    CoDisconnectObject(&connection_, 0);
    uncounted_ = false;
    cookie_ = 0;
}

HRESULT OLEdiagramFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IExternalConnection) *out = &connection_;
    else if (iid == IID_IClassFactory) *out = &classFactory_;
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG OLEdiagramFactory::AddRef() {
    if (uncounted_) return 1;
    factory_.GetNode().AddExternalConnection();
    return static_cast<ULONG>(factory_.GetNode().GetExternalConnectionCount());
}

ULONG OLEdiagramFactory::Release() {
    Application::LifeTimeSupervisor& node = factory_.GetNode();
    if (uncounted_ || node.GetExternalConnectionCount() == 0) return 0;
    node.ReleaseExternalConnection();
    return static_cast<ULONG>(node.GetExternalConnectionCount());
}

HRESULT OLEdiagramFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Application::LifeTimeSupervisor& node = factory_.GetNode().CreateChild();
    std::unique_ptr<Diagram> document;
    try {
        document = std::make_unique<Diagram>(factory_, node, Diagram::Embedded{});
    } catch (...) {
        node.End();
        throw;
    }
    Diagram& raw = *document;
    node.SetClient(std::move(document));
    const HRESULT hr = raw.GetOleObject().QueryInterface(iid, out);
    if (FAILED(hr)) {
        node.End();  // the document goes with its node
        return hr;
    }
    factory_.AddDocument(raw);
    return S_OK;
}

HRESULT OLEdiagramFactory::LockServer(BOOL lock) {
    if (lock) factory_.GetNode().Lock();
    else if (factory_.GetNode().GetLockCount() > 0) factory_.GetNode().Unlock();
    return S_OK;
}

DWORD OLEdiagramFactory::AddConnection(DWORD kind, DWORD) {
    if (!(kind & EXTCONN_STRONG) || uncounted_) return 0;
    factory_.GetNode().Lock();
    return static_cast<DWORD>(factory_.GetNode().GetLockCount());
}

DWORD OLEdiagramFactory::ReleaseConnection(DWORD kind, DWORD, BOOL) {
    Application::LifeTimeSupervisor& node = factory_.GetNode();
    if (!(kind & EXTCONN_STRONG) || uncounted_ || node.GetLockCount() == 0) return 0;
    node.Unlock();
    return static_cast<DWORD>(node.GetLockCount());
}

} // namespace Editor
