#include "app/DataTransfer.h"

#include "app/winutil/ClipFormat.h"
#include "app/winutil/ComGuard.h"

#include <cstring>

namespace Application {

// {6F1C6E2A-4B53-4F2E-9A77-2B6F0C3D8E41}
const IID IID_IDetectInProcess = {0x6f1c6e2a, 0x4b53, 0x4f2e, {0x9a, 0x77, 0x2b, 0x6f, 0x0c, 0x3d, 0x8e, 0x41}};
// {0A3F57A4-1A0B-4CDE-8D1F-5E7B9C2F4D10}
const IID IID_IDataObjectReferenced = {0x0a3f57a4, 0x1a0b, 0x4cde, {0x8d, 0x1f, 0x5e, 0x7b, 0x9c, 0x2f, 0x4d, 0x10}};

namespace {

// A format known only to this program's data objects: answered by GetData, never enumerated,
// so that a clipboard wrapper of the same process still reveals the object's process.
CLIPFORMAT GetProcessMarkerFormat() {
    static const CLIPFORMAT format =
        static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Quorvel UML Editor Process Marker"));
    return format;
}

bool SameFormat(const FORMATETC& offered, const FORMATETC& request) {
    return offered.cfFormat == request.cfFormat && (offered.tymed & request.tymed) != 0 &&
           offered.dwAspect == request.dwAspect && (request.lindex == -1 || request.lindex == offered.lindex);
}

} // namespace

// ---- Format providers ----

FORMATETC BytesFormatProvider::GetFormat(int) const {
    return FORMATETC{format_, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

HRESULT BytesFormatProvider::GetData(int, const FORMATETC& request, STGMEDIUM& medium) {
    if (!(request.tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    WinUtil::GlobalHandle block = WinUtil::GlobalHandle::FromBytes(bytes_.data(), bytes_.size());
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block.Release();
    medium.pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT BytesFormatProvider::GetDataHere(int, const FORMATETC& request, STGMEDIUM& medium) {
    if (!(request.tymed & TYMED_HGLOBAL) || medium.tymed != TYMED_HGLOBAL) return DV_E_TYMED;
    WinUtil::GlobalLock lock(medium.hGlobal);
    if (!lock.Data()) return E_INVALIDARG;
    if (lock.Size() < bytes_.size()) return STG_E_MEDIUMFULL;
    if (!bytes_.empty()) std::memcpy(lock.Data(), bytes_.data(), bytes_.size());
    return S_OK;
}

FORMATETC EmfFormatProvider::GetFormat(int) const {
    return FORMATETC{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
}

HRESULT EmfFormatProvider::GetData(int, const FORMATETC& request, STGMEDIUM& medium) {
    if (!(request.tymed & TYMED_ENHMF)) return DV_E_TYMED;
    HENHMETAFILE copy = CopyEnhMetaFileW(emf_, nullptr);
    if (!copy) return E_OUTOFMEMORY;
    medium.tymed = TYMED_ENHMF;
    medium.hEnhMetaFile = copy;
    medium.pUnkForRelease = nullptr;
    return S_OK;
}

EmfFormatProvider::~EmfFormatProvider() {
    if (emf_) DeleteEnhMetaFile(emf_);
}

// ---- The data object ----

class DataProvider::Object {
public:
    explicit Object(DataProvider* creator) : creator_(creator), wrapper_(this), detect_(this), referenced_(this) {}

    HRESULT QueryInterface(REFIID iid, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) *out = static_cast<IDataObject*>(&wrapper_);
        else if (IsEqualIID(iid, IID_IDetectInProcess)) *out = static_cast<IDetectInProcess*>(&detect_);
        else if (IsEqualIID(iid, IID_IDataObjectReferenced)) *out = static_cast<IDataObjectReferenced*>(&referenced_);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() { return static_cast<ULONG>(++refs_); }
    ULONG Release() {
        long n = --refs_;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    IDataObject* Interface() { return &wrapper_; }

    // -- IDataObject --
    HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) {
        if (!format || !medium) return E_INVALIDARG;
        std::memset(medium, 0, sizeof *medium);
        if (format->cfFormat == GetProcessMarkerFormat() && (format->tymed & TYMED_HGLOBAL)) {
            DWORD pid = GetCurrentProcessId();
            medium->tymed = TYMED_HGLOBAL;
            medium->hGlobal = WinUtil::GlobalHandle::FromBytes(&pid, sizeof pid).Release();
            return S_OK;
        }
        IFormatProvider* provider = nullptr;
        int index = 0;
        HRESULT hr = Find(*format, provider, index);
        if (FAILED(hr)) return hr;
        return provider->GetData(index, *format, *medium);
    }
    HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
        if (!format || !medium) return E_INVALIDARG;
        IFormatProvider* provider = nullptr;
        int index = 0;
        HRESULT hr = Find(*format, provider, index);
        if (FAILED(hr)) return hr;
        return provider->GetDataHere(index, *format, *medium);
    }
    HRESULT QueryGetData(FORMATETC* format) {
        if (!format) return E_INVALIDARG;
        IFormatProvider* provider = nullptr;
        int index = 0;
        return Find(*format, provider, index);
    }
    HRESULT GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) {
        if (!in || !out) return E_INVALIDARG;
        *out = *in;
        out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        std::vector<FORMATETC> formats;
        for (IFormatProvider* provider : providers_)
            for (int i = 0; i < provider->GetFormatCount(); ++i) formats.push_back(provider->GetFormat(i));
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.empty() ? nullptr : formats.data(), out);
    }
    HRESULT DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) {
        if (closed_) return OLE_E_ADVISENOTSUPPORTED;
        if (!adviseHolder_) {
            HRESULT hr = CreateDataAdviseHolder(&adviseHolder_);
            if (FAILED(hr)) return hr;
        }
        return adviseHolder_->Advise(&wrapper_, format, flags, sink, connection);
    }
    HRESULT DUnadvise(DWORD connection) {
        if (!adviseHolder_) return OLE_E_NOCONNECTION;
        return adviseHolder_->Unadvise(connection);
    }
    HRESULT EnumDAdvise(IEnumSTATDATA** out) {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (!adviseHolder_) return OLE_E_ADVISENOTSUPPORTED;
        return adviseHolder_->EnumAdvise(out);
    }

    void AddProvider(IFormatProvider* provider) {
        if (closed_ || !provider) return;
        provider->AddRef();
        providers_.push_back(provider);
    }
    void SendOnDataChange() {
        for (IFormatProvider* provider : providers_) provider->OnDataChange();
        if (adviseHolder_) adviseHolder_->SendOnDataChange(&wrapper_, 0, 0);
    }
    void Close() {
        if (closed_) return;
        if (OleIsCurrentClipboard(&wrapper_) == S_OK) OleFlushClipboard();
        closed_ = true;
        creator_ = nullptr;
        std::vector<IFormatProvider*> providers;
        providers.swap(providers_);
        for (IFormatProvider* provider : providers) provider->Release();
        if (adviseHolder_) {
            adviseHolder_->Release();
            adviseHolder_ = nullptr;
        }
    }
    DataProvider* Creator() const { return creator_; }

private:
    ~Object() { Close(); }

    HRESULT Find(const FORMATETC& request, IFormatProvider*& provider, int& index) const {
        if (closed_) return OLE_E_NOTRUNNING;
        bool formatSeen = false;
        for (IFormatProvider* p : providers_) {
            for (int i = 0; i < p->GetFormatCount(); ++i) {
                FORMATETC offered = p->GetFormat(i);
                if (offered.cfFormat != request.cfFormat) continue;
                formatSeen = true;
                if (SameFormat(offered, request)) {
                    provider = p;
                    index = i;
                    return S_OK;
                }
            }
        }
        return formatSeen ? DV_E_TYMED : DV_E_FORMATETC;
    }

    // The small interfaces beside IDataObject share the object's reference count.
    struct Detect : IDetectInProcess {
        explicit Detect(Object* o) : owner(o) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner->QueryInterface(iid, out); }
        STDMETHODIMP_(ULONG) AddRef() override { return owner->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return owner->Release(); }
        DWORD STDMETHODCALLTYPE GetProcessId() override { return GetCurrentProcessId(); }
        Object* owner;
    };
    struct Referenced : IDataObjectReferenced {
        explicit Referenced(Object* o) : owner(o) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner->QueryInterface(iid, out); }
        STDMETHODIMP_(ULONG) AddRef() override { return owner->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return owner->Release(); }
        DataProvider* STDMETHODCALLTYPE GetCreator() override { return owner->Creator(); }
        Object* owner;
    };

    std::atomic<long> refs_{1};
    DataProvider* creator_;
    bool closed_ = false;
    std::vector<IFormatProvider*> providers_;
    IDataAdviseHolder* adviseHolder_ = nullptr;
    WinUtil::GIDataObject<Object> wrapper_;
    Detect detect_;
    Referenced referenced_;
};

DataProvider::DataProvider() : object_(new Object(this)) {}

DataProvider::~DataProvider() {
    object_->Close();
    object_->Release();
}

void DataProvider::AddFormat(IFormatProvider* provider) { object_->AddProvider(provider); }

IDataObject* DataProvider::GetDataObject() const {
    object_->AddRef();
    return object_->Interface();
}

void DataProvider::SendOnDataChange() { object_->SendOnDataChange(); }

void DataProvider::Close() { object_->Close(); }

bool IsOwnDataObject(IDataObject* data) {
    if (!data) return false;
    IDetectInProcess* detect = nullptr;
    if (SUCCEEDED(data->QueryInterface(IID_IDetectInProcess, reinterpret_cast<void**>(&detect))) && detect) {
        bool own = detect->GetProcessId() == GetCurrentProcessId();
        detect->Release();
        return own;
    }
    // A clipboard wrapper of this process hides the interface but passes GetData on.
    DataHolder holder(data);
    auto marker = holder.GetGlobalData(GetProcessMarkerFormat());
    if (!marker || marker->size() != sizeof(DWORD)) return false;
    DWORD pid;
    std::memcpy(&pid, marker->data(), sizeof pid);
    return pid == GetCurrentProcessId();
}

// ---- Holders ----

bool IDataHolder::HasFormat(CLIPFORMAT format, DWORD tymed) const {
    return Test([&](IDataObject* data) {
        FORMATETC fe{format, nullptr, DVASPECT_CONTENT, -1, tymed};
        return data->QueryGetData(&fe) == S_OK;
    });
}

std::optional<std::vector<BYTE>> IDataHolder::GetGlobalData(CLIPFORMAT format) const {
    std::optional<std::vector<BYTE>> result;
    Extract([&](IDataObject* data) {
        FORMATETC fe{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (data->GetData(&fe, &medium) != S_OK) return false;
        if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
            WinUtil::GlobalLock lock(medium.hGlobal);
            if (lock.Data()) {
                const BYTE* p = static_cast<const BYTE*>(lock.Data());
                result.emplace(p, p + lock.Size());
            }
        }
        ReleaseStgMedium(&medium);
        return result.has_value();
    });
    return result;
}

bool IDataHolder::HasText() const {
    return HasFormat(CF_UNICODETEXT) || HasFormat(CF_TEXT);
}

std::optional<std::wstring> IDataHolder::GetText() const {
    if (auto wide = GetGlobalData(CF_UNICODETEXT)) {
        size_t count = wide->size() / sizeof(wchar_t);
        std::wstring text(count, L'\0');
        if (count) std::memcpy(text.data(), wide->data(), count * sizeof(wchar_t));
        text.resize(std::wcslen(text.c_str()));
        return text;
    }
    if (auto ansi = GetGlobalData(CF_TEXT)) {
        size_t length = 0;
        while (length < ansi->size() && (*ansi)[length] != 0) ++length;
        if (length == 0) return std::wstring();
        const char* s = reinterpret_cast<const char*>(ansi->data());
        int n = MultiByteToWideChar(CP_ACP, 0, s, static_cast<int>(length), nullptr, 0);
        std::wstring text(static_cast<size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, s, static_cast<int>(length), text.data(), n);
        return text;
    }
    return std::nullopt;
}

DataHolder::DataHolder(IDataObject* data) : data_(data) {
    if (data_) data_->AddRef();
}

DataHolder::~DataHolder() {
    if (data_) data_->Release();
}

bool DataHolder::Test(const std::function<bool(IDataObject*)>& tester) const {
    return data_ && tester(data_);
}

bool DataHolder::Extract(const std::function<bool(IDataObject*)>& extractor) const {
    return data_ && extractor(data_);
}

} // namespace Application
