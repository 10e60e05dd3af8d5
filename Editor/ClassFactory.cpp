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

namespace {

OLEdiagramFactory::Registration& CurrentRegistration() {
    static OLEdiagramFactory::Registration registration = &CoRegisterClassObject;
    return registration;
}

} // namespace

OLEdiagramFactory::Registration OLEdiagramFactory::SetRegistration(Registration registration) {
    Registration replaced = CurrentRegistration();
    CurrentRegistration() = registration ? registration : &CoRegisterClassObject;
    return replaced;
}

OLEdiagramFactory::OLEdiagramFactory(DiagramFactory& factory)
    : factory_(factory), connection_(static_cast<IExternalConnection*>(this)),
      classFactory_(static_cast<IClassFactory*>(this)) {
    registered_ = CurrentRegistration()(ClassId(), &connection_, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    if (FAILED(registered_)) cookie_ = 0;
}

OLEdiagramFactory::~OLEdiagramFactory() { Revoke(); }

void OLEdiagramFactory::Revoke() {
    if (!cookie_) return;
    CoRevokeClassObject(cookie_);
    CoDisconnectObject(&connection_, 0);
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

// COM's references to the class object never keep the program running: COM itself holds one for as
// long as the object is registered, so counting them would keep a server with no container alive.
// Only LockServer and the documents do.
ULONG OLEdiagramFactory::AddRef() { return static_cast<ULONG>(++references_); }

ULONG OLEdiagramFactory::Release() {
    long count = references_.load();
    while (count > 0 && !references_.compare_exchange_weak(count, count - 1)) {
    }
    return static_cast<ULONG>(count > 0 ? count - 1 : 0);
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

// Server locks hold the tree the way COM references of documents do: the factory's node is the
// root, and unlocking the root would end every open document with it, whereas the tree's last
// external connection going ends the program only when nothing else is open.
HRESULT OLEdiagramFactory::LockServer(BOOL lock) {
    Application::LifeTimeSupervisor& node = factory_.GetNode();
    if (lock) node.AddExternalConnection();
    else if (node.GetExternalConnectionCount() > 0) node.ReleaseExternalConnection();
    return S_OK;
}

DWORD OLEdiagramFactory::AddConnection(DWORD kind, DWORD) { return (kind & EXTCONN_STRONG) ? AddRef() : 0; }

DWORD OLEdiagramFactory::ReleaseConnection(DWORD kind, DWORD, BOOL) {
    return (kind & EXTCONN_STRONG) ? Release() : 0;
}

} // namespace Editor
