// A second process of the transfer tests: reads the editor's clipboard as EMF, PNG and "Embed Source",
// then puts back a data object of its own that offers the same elements as "Embed Source" with the
// object descriptor and the reference id, and serves it until the test lets it go.
// Arguments: the reference-id format number of the test process and the file to write the report
// into, one line for each format read:
//   emf <frame width> <frame height> (0.01 mm) <width> <height> <ink> <left> <top> <right> <bottom>
//   png <width> <height> <ink> <left> <top> <right> <bottom>
//   embed <notes> <elements>
//   order <format> ... (the formats as OLE enumerates them, in order)
//   clipboard <format> ... (the formats as the plain clipboard lists them, in order)
// The EMF is played at 96 dots per inch onto white and the PNG decoded; ink is the count of dark
// pixels and the box around them (right and bottom exclusive). A format that is not offered or
// cannot be read gives "<name> none".
// Exit code 0 when the clipboard could be read and replaced, otherwise the number of the failed step.
#include "Editor/ElementFactories.h"
#include "Editor/TransferFormats.h"
#include "app/DataTransfer.h"
#include "app/winutil/ClipFormat.h"
#include "app/winutil/Platform.h"
#include "core/DefaultGrid.h"
#include "core/win/Storage.h"
#include "drawing/DrawingKernel.h"
#include "elements/note/Note.h"
#include "text/win/UniscribeSetup.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

int Fail(int code, const char* what) {
    std::printf("step %d failed: %s\n", code, what);
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

// The dark pixels of a picture of 32-bit pixels, rows top-down: "<ink> <left> <top> <right> <bottom>".
std::string Ink(const BYTE* bits, int width, int height, int stride) {
    long ink = 0;
    int left = width, top = height, right = 0, bottom = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const BYTE* p = bits + size_t(y) * size_t(stride) + size_t(x) * 4;
            if (p[0] >= 100 || p[1] >= 100 || p[2] >= 100) continue;
            ++ink;
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x + 1);
            bottom = std::max(bottom, y + 1);
        }
    std::ostringstream out;
    out << ink << ' ' << left << ' ' << top << ' ' << right << ' ' << bottom;
    return out.str();
}

// Plays the clipboard's EMF at 96 dots per inch onto white.
std::string ReadEmf(IDataObject* data) {
    FORMATETC emf{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    STGMEDIUM medium{};
    if (data->GetData(&emf, &medium) != S_OK || medium.tymed != TYMED_ENHMF) return "emf none";
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(medium.hEnhMetaFile, sizeof header, &header);
    const LONG frameW = header.rclFrame.right - header.rclFrame.left;
    const LONG frameH = header.rclFrame.bottom - header.rclFrame.top;
    const int w = MulDiv(frameW, 96, 2540), h = MulDiv(frameH, 96, 2540);
    std::ostringstream out;
    out << "emf " << frameW << ' ' << frameH << ' ' << w << ' ' << h << ' ';
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = w > 0 && h > 0 ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (bitmap) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        std::memset(bits, 0xFF, size_t(w) * size_t(h) * 4);
        const RECT all{0, 0, w, h};
        PlayEnhMetaFile(dc, medium.hEnhMetaFile, &all);
        GdiFlush();
        out << Ink(static_cast<const BYTE*>(bits), w, h, w * 4);
        SelectObject(dc, old);
        DeleteObject(bitmap);
    } else {
        out << "0 0 0 0 0";
    }
    DeleteDC(dc);
    ReleaseStgMedium(&medium);
    return out.str();
}

// Decodes the clipboard's PNG stream.
std::string ReadPng(IDataObject* data) {
    FORMATETC png{WinUtil::GetPngClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    STGMEDIUM medium{};
    if (data->GetData(&png, &medium) != S_OK || medium.tymed != TYMED_ISTREAM) return "png none";
    DrawingKernel::GdiplusSession gdiplus;
    const LARGE_INTEGER zero{};
    medium.pstm->Seek(zero, STREAM_SEEK_SET, nullptr);
    Gdiplus::GpBitmap* image = nullptr;
    std::string line = "png none";
    if (Gdiplus::DllExports::GdipCreateBitmapFromStream(medium.pstm, &image) == Gdiplus::Ok) {
        UINT w = 0, h = 0;
        Gdiplus::DllExports::GdipGetImageWidth(image, &w);
        Gdiplus::DllExports::GdipGetImageHeight(image, &h);
        const Gdiplus::GpRect all(0, 0, INT(w), INT(h));
        Gdiplus::BitmapData pixels{};
        if (Gdiplus::DllExports::GdipBitmapLockBits(image, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB,
                                                    &pixels) == Gdiplus::Ok) {
            std::ostringstream out;
            out << "png " << w << ' ' << h << ' '
                << Ink(static_cast<const BYTE*>(pixels.Scan0), int(w), int(h), pixels.Stride);
            line = out.str();
            Gdiplus::DllExports::GdipBitmapUnlockBits(image, &pixels);
        }
        Gdiplus::DllExports::GdipDisposeImage(image);
    }
    ReleaseStgMedium(&medium);
    return line;
}

// The formats of the data object in the order it offers them: "order <format> ...".
std::string OfferedOrder(IDataObject* data) {
    std::string line = "order";
    IEnumFORMATETC* formats = nullptr;
    if (FAILED(data->EnumFormatEtc(DATADIR_GET, &formats)) || !formats) return line;
    FORMATETC format;
    ULONG got = 0;
    while (formats->Next(1, &format, &got) == S_OK && got == 1) {
        line += ' ' + std::to_string(format.cfFormat);
        if (format.ptd) CoTaskMemFree(format.ptd);
    }
    formats->Release();
    return line;
}

// The clipboard's formats as a program that does not use OLE lists them: "clipboard <format> ...".
std::string ClipboardOrder() {
    std::string line = "clipboard";
    if (!OpenClipboard(nullptr)) return line;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        line += ' ' + std::to_string(format);
    CloseClipboard();
    return line;
}

// Reads the storage as the editor reads a diagram: its notes and all its elements.
std::string ReadEmbedded(IStorage* storage) {
    try {
        TextBlock::InstallUniscribeMeasurer();
        Core::FactoryRegistry registry;
        Editor::RegisterElementFactories(registry);
        Core::Diagram diagram(registry, nullptr, nullptr, &View::DefaultGrid::Instance());
        Core::ReadDiagramFromStorage(diagram, storage);
        size_t notes = 0;
        for (const auto& e : diagram.Elements()) notes += dynamic_cast<Note::Note*>(e.get()) != nullptr;
        return "embed " + std::to_string(notes) + ' ' + std::to_string(diagram.GetElementCount());
    } catch (const std::exception& e) {
        std::printf("embed: %s\n", e.what());
        return "embed none";
    }
}

int ReadAndPutBack(CLIPFORMAT referenceFormat, std::ostream& report, Application::DataProvider& provider) {
    IDataObject* data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data) return Fail(2, "OleGetClipboard");
    report << OfferedOrder(data) << '\n' << ClipboardOrder() << '\n';
    report << ReadEmf(data) << '\n' << ReadPng(data) << '\n';

    FORMATETC embed{WinUtil::GetEmbedSourceClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
    STGMEDIUM medium{};
    IStorage* storage = NewMemoryStorage();
    if (!storage) return Fail(3, "storage");
    medium.tymed = TYMED_ISTORAGE;
    medium.pstg = storage;
    if (data->GetDataHere(&embed, &medium) != S_OK) return Fail(4, "Embed Source through GetDataHere");
    CLSID clsid{};
    if (ReadClassStg(storage, &clsid) != S_OK || !IsEqualCLSID(clsid, Editor::GetProgramClassId()))
        return Fail(5, "class of the storage");
    report << ReadEmbedded(storage) << '\n';

    Application::DataHolder holder(data);
    auto reference = holder.GetGlobalData(referenceFormat);
    if (!reference || reference->size() != 4) return Fail(6, "reference id");
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
    if (FAILED(hr)) return Fail(7, "OleSetClipboard");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Fail(1, "usage");
    if (FAILED(OleInitialize(nullptr))) return Fail(1, "OleInitialize");
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"QuorvelTransferHelperReady");
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, L"QuorvelTransferHelperQuit");
    auto provider = std::make_unique<Application::DataProvider>();
    int result;
    {
        std::ofstream report(argv[2], std::ios::trunc);
        result = ReadAndPutBack(static_cast<CLIPFORMAT>(std::strtoul(argv[1], nullptr, 0)), report, *provider);
    }
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
