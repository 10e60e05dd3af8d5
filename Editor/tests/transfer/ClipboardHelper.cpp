// A second process of the transfer tests: reads the editor's clipboard as EMF, PNG and "Embed Source",
// then puts back a data object of its own that offers the same elements as "Embed Source" with the
// object descriptor and the reference id, and serves it until the test lets it go.
// Arguments: the reference-id format number of the test process. Exit code 0 when every check passed,
// otherwise the number of the first failed check.
#include "Editor/TransferFormats.h"
#include "app/DataTransfer.h"
#include "app/winutil/ClipFormat.h"
#include "app/winutil/Platform.h"
#include "core/win/Storage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

int Fail(int code, const char* what) {
    std::printf("check %d failed: %s\n", code, what);
    std::fflush(stdout);
    return code;
}

// Serves a copy of a storage as "Embed Source", only into the caller's storage.
class StorageProvider : public Application::IFormatProvider {
public:
    explicit StorageProvider(IStorage* storage) : storage_(storage) { storage_->AddRef(); }
    int GetFormatCount() const override { return 1; }
    FORMATETC GetFormat(int) const override {
        return {WinUtil::GetEmbedSourceClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
    }
    HRESULT GetData(int, const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
    HRESULT GetDataHere(int, const FORMATETC&, STGMEDIUM& medium) override {
        if (medium.tymed != TYMED_ISTORAGE || !medium.pstg) return DV_E_TYMED;
        return storage_->CopyTo(0, nullptr, nullptr, medium.pstg);
    }

protected:
    ~StorageProvider() override { storage_->Release(); }

private:
    IStorage* storage_;
};

IStorage* NewMemoryStorage() {
    ILockBytes* bytes = nullptr;
    IStorage* storage = nullptr;
    if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes))) return nullptr;
    StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
    bytes->Release();
    return storage;
}

int ReadAndPutBack(CLIPFORMAT referenceFormat, Application::DataProvider& provider) {
    IDataObject* data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data) return Fail(2, "OleGetClipboard");

    FORMATETC emf{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    STGMEDIUM medium{};
    if (data->GetData(&emf, &medium) != S_OK || medium.tymed != TYMED_ENHMF) return Fail(3, "EMF");
    const bool emfOk = GetEnhMetaFileHeader(medium.hEnhMetaFile, 0, nullptr) > 0;
    ReleaseStgMedium(&medium);
    if (!emfOk) return Fail(4, "EMF header");

    FORMATETC png{WinUtil::GetPngClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    medium = {};
    if (data->GetData(&png, &medium) != S_OK || medium.tymed != TYMED_ISTREAM) return Fail(5, "PNG");
    BYTE signature[8] = {};
    ULONG got = 0;
    LARGE_INTEGER zero{};
    medium.pstm->Seek(zero, STREAM_SEEK_SET, nullptr);
    medium.pstm->Read(signature, sizeof signature, &got);
    ReleaseStgMedium(&medium);
    if (got != 8 || std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8) != 0) return Fail(6, "PNG signature");

    FORMATETC embed{WinUtil::GetEmbedSourceClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
    medium = {};
    IStorage* storage = NewMemoryStorage();
    if (!storage) return Fail(8, "storage");
    medium.tymed = TYMED_ISTORAGE;
    medium.pstg = storage;
    if (data->GetDataHere(&embed, &medium) != S_OK) return Fail(9, "Embed Source through GetDataHere");
    CLSID clsid{};
    if (ReadClassStg(storage, &clsid) != S_OK || !IsEqualCLSID(clsid, Editor::GetProgramClassId()))
        return Fail(10, "class of the storage");

    Application::DataHolder holder(data);
    auto reference = holder.GetGlobalData(referenceFormat);
    if (!reference || reference->size() != 4) return Fail(11, "reference id");
    data->Release();

    Application::ObjectDescriptor descriptor;
    descriptor.clsid = Editor::GetProgramClassId();
    descriptor.sourceName = L"second process";
    WinUtil::GlobalHandle block = Application::MakeObjectDescriptor(descriptor, false);
    std::vector<BYTE> bytes;
    {
        WinUtil::GlobalLock lock(block.Get());
        const auto* p = static_cast<const BYTE*>(lock.Data());
        bytes.assign(p, p + lock.Size());
    }
    provider.AddFormat(new Application::BytesFormatProvider(WinUtil::GetObjectDescriptorClipFormat(), bytes));
    provider.AddFormat(new StorageProvider(storage));
    provider.AddFormat(new Application::BytesFormatProvider(referenceFormat, *reference));
    storage->Release();
    IDataObject* own = provider.GetDataObject();
    const HRESULT hr = OleSetClipboard(own);
    own->Release();
    if (FAILED(hr)) return Fail(12, "OleSetClipboard");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Fail(1, "usage");
    if (FAILED(OleInitialize(nullptr))) return Fail(1, "OleInitialize");
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"QuorvelTransferHelperReady");
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, L"QuorvelTransferHelperQuit");
    auto provider = std::make_unique<Application::DataProvider>();
    const int result = ReadAndPutBack(static_cast<CLIPFORMAT>(std::strtoul(argv[1], nullptr, 0)), *provider);
    SetEvent(ready);
    if (result != 0) return result;
    // Serve the clipboard until the test has pasted.
    const DWORD deadline = GetTickCount() + 30000;
    while (GetTickCount() < deadline) {
        if (MsgWaitForMultipleObjects(1, &quit, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    OleSetClipboard(nullptr);
    provider.reset();
    CloseHandle(ready);
    CloseHandle(quit);
    OleUninitialize();
    return 0;
}
