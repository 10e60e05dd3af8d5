// A container's first steps with the editor as it was just installed (run in a fresh prefix by
// fresh_prefix.sh, and in the used one as well): a new object shown in the editor's window takes a
// diagram file pasted there from the clipboard (the shell's file format, Ctrl+V with real keys), the
// container, asking right after the keys, sees the object changed and is asked to save it at Close;
// and the data formats the class registers are the ones the running object enumerates.
#include "Editor/tests/embed/Container.h"
#include "Editor/tests/RealInput.h"

#include <cwchar>
#include <set>
#include <string>
#include <tuple>

namespace {

using namespace EmbedTest;

constexpr char kPastedDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\">\n"
    "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"><dir n=\"Note\"/></dir></Style>\n"
    "<Note id=\"r2\" Pos=\"1000 -1000\" Size=\"3000 1500\"><Text>pasted from a file</Text></Note>\n"
    "</Diagram>\n";

// The shell's clipboard form of one copied file: a DROPFILES block with the wide name.
bool PutFileOnClipboard(const std::wstring& path) {
    const size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!block) return false;
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::wmemcpy(reinterpret_cast<wchar_t*>(header + 1), path.c_str(), path.size());
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool put = SetClipboardData(CF_HDROP, block) != nullptr;
    CloseClipboard();
    if (!put) GlobalFree(block);
    return put;
}

// Ctrl+V pressed and released on the keyboard.
void PressPaste() {
    Key(VK_CONTROL, false);
    Key('V', false);
    Key('V', true);
    Key(VK_CONTROL, true);
}

// The visible document window of the server process.
HWND ServerWindowOf(DWORD process) {
    HWND found = nullptr;
    WaitFor([&] {
        const std::vector<HWND> windows = VisibleWindows(process);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
    });
    return found;
}

std::string StreamText(IStorage* storage, const wchar_t* name) {
    IStream* stream = nullptr;
    if (FAILED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) return {};
    std::string text;
    char buffer[4096];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0) text.append(buffer, got);
    stream->Release();
    return text;
}

// The installed registration serves in a fresh prefix; the used one gets the editor built next to
// the test, as the other container tests do.
class FreshPrefix : public ContainerTest {
protected:
    bool UsesInstalledServer() const override { return GetEnvironmentVariableW(L"QUORVEL_FRESH_PREFIX", nullptr, 0) > 0; }
};

TEST_F(FreshPrefix, ADiagramFilePastedIntoANewObjectReachesTheContainer) {
    const std::wstring file = folder_.AddFile(L"pasted.qvd", kPastedDocument);
    IOleObject* object = nullptr;
    ASSERT_HRESULT_SUCCEEDED(OleCreate(DiagramClass(), IID_IOleObject, OLERENDER_DRAW, nullptr, &site_, storage_,
                                       reinterpret_cast<void**>(&object)));
    site_.object = object;
    DWORD connection = 0;
    ASSERT_HRESULT_SUCCEEDED(object->Advise(&site_, &connection));
    // The container saves the new object at once, as containers do: from here on it is clean.
    IPersistStorage* persist = nullptr;
    ASSERT_HRESULT_SUCCEEDED(object->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist)));
    ASSERT_HRESULT_SUCCEEDED(OleSave(persist, storage_, TRUE));
    ASSERT_HRESULT_SUCCEEDED(persist->SaveCompleted(nullptr));
    EXPECT_EQ(S_FALSE, persist->IsDirty()) << "a saved object is clean";
    RECT rect{0, 0, 100, 100};
    ASSERT_HRESULT_SUCCEEDED(object->DoVerb(OLEIVERB_SHOW, nullptr, &site_, 0, nullptr, &rect));
    ServerProcess server;
    ASSERT_TRUE(server.IsValid());
    HWND window = ServerWindowOf(server.Id());
    ASSERT_TRUE(window != nullptr) << "the editor's window did not open";

    ASSERT_TRUE(PutFileOnClipboard(file));
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }, 5000));
    // The container asks at once: its call reaches the editor before the keys do, and must find
    // the object changed all the same.
    PressPaste();
    EXPECT_EQ(S_OK, persist->IsDirty()) << "the object stayed clean";
    persist->Release();

    const int saves = site_.saves;
    ASSERT_HRESULT_SUCCEEDED(object->Close(OLECLOSE_SAVEIFDIRTY));
    EXPECT_GT(site_.saves, saves) << "the container was not asked to save the changed object";
    object->Unadvise(connection);
    object->Release();
    site_.object = nullptr;
    EXPECT_TRUE(server.EndsWithin(15000));
    const std::string stored = StreamText(storage_, L"quorvel-xml");
    EXPECT_NE(stored.find("pasted from a file"), std::string::npos) << "the stored diagram lacks the pasted note:\n"
                                                                     << stored;
}

// A format as a container compares it: the clipboard format, the aspect and one medium.
using FormatKey = std::tuple<CLIPFORMAT, DWORD, DWORD>;

// The formats the running object enumerates for getting, one key per medium it offers.
std::set<FormatKey> EnumeratedFormats(IDataObject* data) {
    std::set<FormatKey> out;
    IEnumFORMATETC* formats = nullptr;
    if (FAILED(data->EnumFormatEtc(DATADIR_GET, &formats)) || !formats) return out;
    FORMATETC f{};
    while (formats->Next(1, &f, nullptr) == S_OK) {
        for (DWORD medium = 1; medium != 0 && medium <= f.tymed; medium <<= 1)
            if (f.tymed & medium) out.insert({f.cfFormat, f.dwAspect, medium});
        CoTaskMemFree(f.ptd);
    }
    formats->Release();
    return out;
}

// The class's default file format, in which the object is given into a storage.
CLIPFORMAT DefaultFileFormat() {
    const std::wstring key = std::wstring(L"CLSID\\") + Editor::ProductCodes::kClassId + L"\\DataFormats\\DefaultFile";
    wchar_t name[128] = {};
    LONG bytes = sizeof name;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), name, &bytes) != ERROR_SUCCESS) return 0;
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name));
}

// Wine's default handler cannot enumerate (it answers from the registry, which it does not read),
// so the object's own data object is asked: what the installation registers for containers that
// do not ask must be what the object gives, and nothing it gives may be missing there.
TEST_F(FreshPrefix, TheRegisteredFormatsAreThoseTheObjectEnumerates) {
    std::set<FormatKey> registered;
    for (const RegisteredFormat& entry : RegisteredFormats()) {
        SCOPED_TRACE(std::string(entry.text.begin(), entry.text.end()));
        EXPECT_NE(entry.format.cfFormat, 0) << "the entry names no format";
        EXPECT_EQ(entry.direction, DWORD(DATADIR_GET)) << "the object takes no data";
        if (entry.direction & DATADIR_GET) registered.insert({entry.format.cfFormat, entry.format.dwAspect, entry.format.tymed});
    }
    ASSERT_FALSE(registered.empty()) << "the class registers no data formats";
    const CLIPFORMAT storageFormat = DefaultFileFormat();
    ASSERT_NE(storageFormat, 0) << "the class registers no default file format";
    registered.insert({storageFormat, DWORD(DVASPECT_CONTENT), DWORD(TYMED_ISTORAGE)});

    IPersistStorage* persist = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(DiagramClass(), nullptr, CLSCTX_LOCAL_SERVER, IID_IPersistStorage,
                                              reinterpret_cast<void**>(&persist)));
    ASSERT_HRESULT_SUCCEEDED(persist->InitNew(storage_));
    IDataObject* data = nullptr;
    ASSERT_HRESULT_SUCCEEDED(persist->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)));
    const std::set<FormatKey> enumerated = EnumeratedFormats(data);
    data->Release();
    IOleObject* object = nullptr;
    ASSERT_HRESULT_SUCCEEDED(persist->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)));
    persist->Release();
    EXPECT_HRESULT_SUCCEEDED(object->Close(OLECLOSE_NOSAVE));
    object->Release();

    for (const FormatKey& key : registered)
        EXPECT_EQ(1u, enumerated.count(key)) << "registered but not given: format " << std::get<0>(key) << ", medium "
                                             << std::get<2>(key);
    for (const FormatKey& key : enumerated)
        EXPECT_EQ(1u, registered.count(key)) << "given but not registered: format " << std::get<0>(key) << ", medium "
                                             << std::get<2>(key);
}

} // namespace
