// Reads the clipboard in a second process and checks what the test process offered.
// Arguments: mode ("live" or "flushed"), the registered format's name, the private format id.
// Exit code 0 when everything matched; otherwise the number of the first failed check.
#include "app/DataTransfer.h"
#include "app/winutil/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Fail(int code, const char* what) {
    std::printf("check %d failed: %s\n", code, what);
    return code;
}

std::vector<BYTE> Bytes(IDataObject* data, CLIPFORMAT format, HRESULT& hr) {
    FORMATETC fe{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    std::vector<BYTE> out;
    hr = data->GetData(&fe, &medium);
    if (hr != S_OK) return out;
    if (medium.tymed == TYMED_HGLOBAL) {
        const BYTE* p = static_cast<const BYTE*>(GlobalLock(medium.hGlobal));
        if (p) out.assign(p, p + GlobalSize(medium.hGlobal));
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return out;
}

int Check(int argc, char** argv) {
    if (argc < 4) return Fail(1, "usage");
    const bool live = std::strcmp(argv[1], "live") == 0;
    std::wstring name(argv[2], argv[2] + std::strlen(argv[2]));
    const CLIPFORMAT registered = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name.c_str()));
    const CLIPFORMAT privateFormat = static_cast<CLIPFORMAT>(std::strtoul(argv[3], nullptr, 0));

    IDataObject* data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data) return Fail(2, "OleGetClipboard");
    Application::DataHolder holder(data);
    data->Release();
    if (Application::IsOwnDataObject(holder.Get())) return Fail(3, "IsOwnDataObject in a second process");

    // The offered formats, in order (OLE may append synthesized ones after them).
    IEnumFORMATETC* e = nullptr;
    if (FAILED(holder.Get()->EnumFormatEtc(DATADIR_GET, &e)) || !e) return Fail(4, "EnumFormatEtc");
    std::vector<CLIPFORMAT> order;
    FORMATETC fe;
    ULONG got = 0;
    while (e->Next(1, &fe, &got) == S_OK && got == 1) {
        order.push_back(fe.cfFormat);
        std::printf("format 0x%x tymed %lu\n", fe.cfFormat, fe.tymed);
    }
    e->Release();
    const CLIPFORMAT expected[] = {CF_ENHMETAFILE, registered, privateFormat};
    size_t at = 0;
    for (CLIPFORMAT f : order)
        if (at < 3 && f == expected[at]) ++at;
    if (at != 3) return Fail(5, "formats not offered in order");
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        // Nothing of ours before the EMF.
        if (order[i] == CF_ENHMETAFILE) break;
        if (order[i] == registered || order[i] == privateFormat) return Fail(6, "order");
    }

    FORMATETC emf{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    if (holder.Get()->QueryGetData(&emf) != S_OK) return Fail(7, "QueryGetData EMF");
    STGMEDIUM medium{};
    if (holder.Get()->GetData(&emf, &medium) != S_OK) return Fail(8, "GetData EMF");
    UINT emfBytes = medium.tymed == TYMED_ENHMF ? GetEnhMetaFileBits(medium.hEnhMetaFile, 0, nullptr) : 0;
    ReleaseStgMedium(&medium);
    if (emfBytes == 0) return Fail(9, "EMF empty");

    FORMATETC reg{registered, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (holder.Get()->QueryGetData(&reg) != S_OK) return Fail(10, "QueryGetData registered");
    HRESULT hr;
    std::vector<BYTE> bytes = Bytes(holder.Get(), registered, hr);
    if (hr != S_OK || bytes.size() < 3 || std::memcmp(bytes.data(), "abc", 3) != 0) return Fail(11, "registered data");

    FORMATETC priv{privateFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (holder.Get()->QueryGetData(&priv) != S_OK) return Fail(12, "QueryGetData private");
    if (live) {
        bytes = Bytes(holder.Get(), privateFormat, hr);
        if (hr != S_OK || bytes.empty() || bytes[0] != 'p') return Fail(13, "private data");
    }

    FORMATETC absent{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    if (holder.Get()->QueryGetData(&absent) == S_OK) return Fail(14, "format never offered");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (FAILED(OleInitialize(nullptr))) return Fail(100, "OleInitialize");
    int code = Check(argc, argv);
    OleUninitialize();
    std::printf("result %d\n", code);
    return code;
}
