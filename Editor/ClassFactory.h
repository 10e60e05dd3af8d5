// The editor as a local OLE server: the program's class id and its class object, which makes a new
// uninitialised diagram for every container that asks and ties COM's locks to the lifetime tree.
#pragma once

#include "app/winutil/ComGuard.h"

#include <atomic>

namespace Editor {

class DiagramFactory;

// The program's OLE class id (parsed once from its text form).
const CLSID& ClassId();

class OLEdiagramFactory : public IClassFactory, public IExternalConnection {
public:
    // How the class object is registered with COM (CoRegisterClassObject unless a test replaces it).
    using Registration = HRESULT(STDAPICALLTYPE*)(REFCLSID, IUnknown*, DWORD, DWORD, LPDWORD);
    // Replaces the registration (null restores COM's); answers the one replaced.
    static Registration SetRegistration(Registration registration);

    // Registers the class object with COM (local server, multiple use) for factory's documents.
    explicit OLEdiagramFactory(DiagramFactory& factory);
    OLEdiagramFactory(const OLEdiagramFactory&) = delete;
    OLEdiagramFactory& operator=(const OLEdiagramFactory&) = delete;
    // Revokes the registration when still held.
    virtual ~OLEdiagramFactory();

    // The result of the registration (S_OK when containers can reach the class object).
    HRESULT GetRegistrationResult() const { return registered_; }
    // Withdraws the class object from COM and disconnects its remaining clients.
    void Revoke();
    // The class object as COM receives it.
    IUnknown* GetClassObject() { return &connection_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;
    STDMETHODIMP_(DWORD) AddConnection(DWORD kind, DWORD reserved) override;
    STDMETHODIMP_(DWORD) ReleaseConnection(DWORD kind, DWORD reserved, BOOL lastReleaseCloses) override;

private:
    DiagramFactory& factory_;
    WinUtil::GIExternalConnection<IExternalConnection> connection_;
    WinUtil::GIClassFactory<IClassFactory> classFactory_;
    DWORD cookie_ = 0;
    HRESULT registered_ = E_FAIL;
    std::atomic<long> references_{0};  // COM's references (on any of its threads), for diagnostics only
};

} // namespace Editor
