// Guarded COM calls and the wrappers that COM receives instead of the raw implementations.
// Each wrapper method runs the implementation's method in a guard named after the wrapper and the
// method; a ComException gives its HRESULT, any other exception is reported and gives E_UNEXPECTED.
#pragma once

#include "app/winutil/Platform.h"

#include <functional>

namespace WinUtil {

// Runs body in a guard named name; answers its HRESULT, the code of a ComException, or
// E_UNEXPECTED after reporting any other exception.
HRESULT GuardedComFunctionCall(const char* name, const std::function<HRESULT()>& body);

// Like GuardedComFunctionCall but shows no error box: any other exception gives `failure`. For data
// another program asked for, which is told of the failure by the answer alone.
HRESULT UnreportedComFunctionCall(const char* name, HRESULT failure, const std::function<HRESULT()>& body);

// Like GuardedComFunctionCall for methods that answer a count (AddRef, Release, AddConnection):
// answers the body's value, or 0 when it threw (reported).
ULONG GuardedComCountCall(const char* name, const std::function<ULONG()>& body);

#define QUORVEL_GI_HR(Iface, Method, Params, Args)                                              \
    STDMETHODIMP Method Params override {                                                      \
        return GuardedComFunctionCall("WinUtil::" #Iface "::" #Method,                         \
                                      [&]() -> HRESULT { return this->impl_->Method Args; }); \
    }

// IUnknown of a wrapper: delegates to the implementation (which decides what it hands out).
template <class Base, class Impl>
class GIUnknownOf : public Base {
public:
    // Wraps impl (not owned: the implementation owns its wrappers).
    explicit GIUnknownOf(Impl* impl) : impl_(impl) {}
    GIUnknownOf(const GIUnknownOf&) = delete;
    GIUnknownOf& operator=(const GIUnknownOf&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return GuardedComFunctionCall("WinUtil::GIUnknown::QueryInterface",
                                      [&]() -> HRESULT { return impl_->QueryInterface(iid, out); });
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return GuardedComCountCall("WinUtil::GIUnknown::AddRef", [&] { return impl_->AddRef(); });
    }
    STDMETHODIMP_(ULONG) Release() override {
        return GuardedComCountCall("WinUtil::GIUnknown::Release", [&] { return impl_->Release(); });
    }

protected:
    Impl* impl_;
};

// The guarded IUnknown of an implementation.
template <class Impl = IUnknown>
using GIUnknown = GIUnknownOf<IUnknown, Impl>;

// Guarded IClassFactory.
template <class Impl = IClassFactory>
class GIClassFactory : public GIUnknownOf<IClassFactory, Impl> {
public:
    using GIUnknownOf<IClassFactory, Impl>::GIUnknownOf;
    QUORVEL_GI_HR(GIClassFactory, CreateInstance, (IUnknown * outer, REFIID iid, void** out), (outer, iid, out))
    QUORVEL_GI_HR(GIClassFactory, LockServer, (BOOL lock), (lock))
};

// Guarded IExternalConnection.
template <class Impl = IExternalConnection>
class GIExternalConnection : public GIUnknownOf<IExternalConnection, Impl> {
public:
    using GIUnknownOf<IExternalConnection, Impl>::GIUnknownOf;
    STDMETHODIMP_(DWORD) AddConnection(DWORD kind, DWORD reserved) override {
        return GuardedComCountCall("WinUtil::GIExternalConnection::AddConnection",
                                   [&] { return this->impl_->AddConnection(kind, reserved); });
    }
    STDMETHODIMP_(DWORD) ReleaseConnection(DWORD kind, DWORD reserved, BOOL lastCloses) override {
        return GuardedComCountCall("WinUtil::GIExternalConnection::ReleaseConnection", [&] {
            return this->impl_->ReleaseConnection(kind, reserved, lastCloses);
        });
    }
};

// Guarded IPersist methods shared by the persistence wrappers.
template <class Base, class Impl>
class GIPersistOf : public GIUnknownOf<Base, Impl> {
public:
    using GIUnknownOf<Base, Impl>::GIUnknownOf;
    QUORVEL_GI_HR(GIPersist, GetClassID, (CLSID * clsid), (clsid))
};

// Guarded IPersist.
template <class Impl = IPersist>
using GIPersist = GIPersistOf<IPersist, Impl>;

// Guarded IPersistFile.
template <class Impl = IPersistFile>
class GIPersistFile : public GIPersistOf<IPersistFile, Impl> {
public:
    using GIPersistOf<IPersistFile, Impl>::GIPersistOf;
    QUORVEL_GI_HR(GIPersistFile, IsDirty, (), ())
    QUORVEL_GI_HR(GIPersistFile, Load, (LPCOLESTR name, DWORD mode), (name, mode))
    QUORVEL_GI_HR(GIPersistFile, Save, (LPCOLESTR name, BOOL remember), (name, remember))
    QUORVEL_GI_HR(GIPersistFile, SaveCompleted, (LPCOLESTR name), (name))
    QUORVEL_GI_HR(GIPersistFile, GetCurFile, (LPOLESTR * name), (name))
};

// Guarded IPersistStorage.
template <class Impl = IPersistStorage>
class GIPersistStorage : public GIPersistOf<IPersistStorage, Impl> {
public:
    using GIPersistOf<IPersistStorage, Impl>::GIPersistOf;
    QUORVEL_GI_HR(GIPersistStorage, IsDirty, (), ())
    QUORVEL_GI_HR(GIPersistStorage, InitNew, (IStorage * storage), (storage))
    QUORVEL_GI_HR(GIPersistStorage, Load, (IStorage * storage), (storage))
    QUORVEL_GI_HR(GIPersistStorage, Save, (IStorage * storage, BOOL sameAsLoad), (storage, sameAsLoad))
    QUORVEL_GI_HR(GIPersistStorage, SaveCompleted, (IStorage * storage), (storage))
    QUORVEL_GI_HR(GIPersistStorage, HandsOffStorage, (), ())
};

// Guarded IDataObject.
template <class Impl = IDataObject>
class GIDataObject : public GIUnknownOf<IDataObject, Impl> {
public:
    using GIUnknownOf<IDataObject, Impl>::GIUnknownOf;
    QUORVEL_GI_HR(GIDataObject, GetData, (FORMATETC * format, STGMEDIUM* medium), (format, medium))
    QUORVEL_GI_HR(GIDataObject, GetDataHere, (FORMATETC * format, STGMEDIUM* medium), (format, medium))
    QUORVEL_GI_HR(GIDataObject, QueryGetData, (FORMATETC * format), (format))
    QUORVEL_GI_HR(GIDataObject, GetCanonicalFormatEtc, (FORMATETC * in, FORMATETC* out), (in, out))
    QUORVEL_GI_HR(GIDataObject, SetData, (FORMATETC * format, STGMEDIUM* medium, BOOL release),
                  (format, medium, release))
    QUORVEL_GI_HR(GIDataObject, EnumFormatEtc, (DWORD direction, IEnumFORMATETC** out), (direction, out))
    QUORVEL_GI_HR(GIDataObject, DAdvise, (FORMATETC * format, DWORD flags, IAdviseSink* sink, DWORD* conn),
                  (format, flags, sink, conn))
    QUORVEL_GI_HR(GIDataObject, DUnadvise, (DWORD conn), (conn))
    QUORVEL_GI_HR(GIDataObject, EnumDAdvise, (IEnumSTATDATA * *out), (out))
};

// Guarded IRunnableObject.
template <class Impl = IRunnableObject>
class GIRunnableObject : public GIUnknownOf<IRunnableObject, Impl> {
public:
    using GIUnknownOf<IRunnableObject, Impl>::GIUnknownOf;
    QUORVEL_GI_HR(GIRunnableObject, GetRunningClass, (LPCLSID clsid), (clsid))
    QUORVEL_GI_HR(GIRunnableObject, Run, (LPBINDCTX context), (context))
    STDMETHODIMP_(BOOL) IsRunning() override {
        BOOL running = FALSE;
        GuardedComFunctionCall("WinUtil::GIRunnableObject::IsRunning", [&]() -> HRESULT {
            running = this->impl_->IsRunning();
            return S_OK;
        });
        return running;
    }
    QUORVEL_GI_HR(GIRunnableObject, LockRunning, (BOOL lock, BOOL lastUnlockCloses), (lock, lastUnlockCloses))
    QUORVEL_GI_HR(GIRunnableObject, SetContainedObject, (BOOL contained), (contained))
};

// Guarded IOleObject.
template <class Impl = IOleObject>
class GIOleObject : public GIUnknownOf<IOleObject, Impl> {
public:
    using GIUnknownOf<IOleObject, Impl>::GIUnknownOf;
    QUORVEL_GI_HR(GIOleObject, SetClientSite, (IOleClientSite * site), (site))
    QUORVEL_GI_HR(GIOleObject, GetClientSite, (IOleClientSite * *site), (site))
    QUORVEL_GI_HR(GIOleObject, SetHostNames, (LPCOLESTR app, LPCOLESTR obj), (app, obj))
    QUORVEL_GI_HR(GIOleObject, Close, (DWORD option), (option))
    QUORVEL_GI_HR(GIOleObject, SetMoniker, (DWORD which, IMoniker* moniker), (which, moniker))
    QUORVEL_GI_HR(GIOleObject, GetMoniker, (DWORD assign, DWORD which, IMoniker** moniker),
                  (assign, which, moniker))
    QUORVEL_GI_HR(GIOleObject, InitFromData, (IDataObject * data, BOOL creation, DWORD reserved),
                  (data, creation, reserved))
    QUORVEL_GI_HR(GIOleObject, GetClipboardData, (DWORD reserved, IDataObject** data), (reserved, data))
    QUORVEL_GI_HR(GIOleObject, DoVerb,
                  (LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent, LPCRECT rect),
                  (verb, msg, site, index, parent, rect))
    QUORVEL_GI_HR(GIOleObject, EnumVerbs, (IEnumOLEVERB * *verbs), (verbs))
    QUORVEL_GI_HR(GIOleObject, Update, (), ())
    QUORVEL_GI_HR(GIOleObject, IsUpToDate, (), ())
    QUORVEL_GI_HR(GIOleObject, GetUserClassID, (CLSID * clsid), (clsid))
    QUORVEL_GI_HR(GIOleObject, GetUserType, (DWORD form, LPOLESTR* type), (form, type))
    QUORVEL_GI_HR(GIOleObject, SetExtent, (DWORD aspect, SIZEL* size), (aspect, size))
    QUORVEL_GI_HR(GIOleObject, GetExtent, (DWORD aspect, SIZEL* size), (aspect, size))
    QUORVEL_GI_HR(GIOleObject, Advise, (IAdviseSink * sink, DWORD* conn), (sink, conn))
    QUORVEL_GI_HR(GIOleObject, Unadvise, (DWORD conn), (conn))
    QUORVEL_GI_HR(GIOleObject, EnumAdvise, (IEnumSTATDATA * *out), (out))
    QUORVEL_GI_HR(GIOleObject, GetMiscStatus, (DWORD aspect, DWORD* status), (aspect, status))
    QUORVEL_GI_HR(GIOleObject, SetColorScheme, (LOGPALETTE * palette), (palette))
};

#undef QUORVEL_GI_HR

} // namespace WinUtil
