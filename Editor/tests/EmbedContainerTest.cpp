// A container of our own embeds diagrams through the system's default handler and nothing else of
// the program: OleCreate starts the editor as a local server, DoVerb shows its window, the picture
// comes through GetData, the object saves into the container's compound file, a change made in the
// editor's window reaches the container's advise sink, OleLoad reads it back without the server and
// OleRun serves it again from the saved storage, and OleCreateFromFile embeds a diagram file.
#include "Editor/tests/EditorWindows.h"
#include "Editor/ProductCodes.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <string>

namespace {

using namespace EditorTest;

CLSID DiagramClass() {
    CLSID id{};
    CLSIDFromString(Editor::ProductCodes::kClassId, &id);
    return id;
}

// Runs the container's messages (calls from the server arrive through them) until cond holds.
template <class F>
bool PumpUntil(F cond, DWORD timeoutMs = 20000) {
    const DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// Ends the servers that outlived their containers (see TearDown).
void EndServers() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, QUORVEL_EXE_NAME) != 0) continue;
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

int ServerProcessCount() {
    int count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, QUORVEL_EXE_NAME) == 0) ++count;
    CloseHandle(snapshot);
    return count;
}

HWND ServerWindow() {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowW(kFrameClass, nullptr)) != nullptr && IsWindowVisible(found); }, 10000);
    return found;
}

// The client site and advise sink of one embedded object: saves into the container's storage
// when the object asks and counts what the object tells.
class Site : public IOleClientSite, public IAdviseSink {
public:
    IStorage* storage = nullptr;
    IOleObject* object = nullptr;
    int saves = 0, dataChanges = 0, closes = 0, shown = 0, hidden = 0;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IAdviseSink) *out = static_cast<IAdviseSink*>(this);
        else return *out = nullptr, E_NOINTERFACE;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SaveObject() override {
        IPersistStorage* persist = nullptr;
        if (!object || FAILED(object->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist))))
            return E_FAIL;
        HRESULT hr = OleSave(persist, storage, TRUE);
        persist->SaveCompleted(nullptr);
        persist->Release();
        if (SUCCEEDED(hr)) hr = storage->Commit(STGC_DEFAULT);
        ++saves;
        return hr;
    }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL show) override {
        ++(show ? shown : hidden);
        return S_OK;
    }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override { ++dataChanges; }
    STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override {}
    STDMETHODIMP_(void) OnRename(IMoniker*) override {}
    STDMETHODIMP_(void) OnSave() override {}
    STDMETHODIMP_(void) OnClose() override { ++closes; }
};

class EmbedContainer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        // The class's server is the editor built next to this test (the installed copy may be older).
        const std::wstring key = std::wstring(L"CLSID\\") + Editor::ProductCodes::kClassId + L"\\LocalServer32";
        const std::wstring server = L"\"" + EditorPath() + L"\" -Embedding";
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, server.c_str(), 0));
        ASSERT_EQ(0, ServerProcessCount()) << "another editor still runs";
        path_ = folder_.Path() + L"\\container.stg";
        ASSERT_HRESULT_SUCCEEDED(StgCreateDocfile(path_.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                                  0, &storage_));
        site_.storage = storage_;
    }
    void TearDown() override {
        if (storage_) storage_->Release();
        // Under Wine the server started for a container does not end after the container's last
        // release: it is ended here so that the other tests start their editors alone.
        PumpUntil([] { return ServerProcessCount() == 0; }, 3000);
        EndServers();
        OleUninitialize();
    }

    HRESULT GetEmf(IUnknown* object, ENHMETAHEADER& header) {
        IDataObject* data = nullptr;
        HRESULT hr = object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data));
        if (FAILED(hr)) return hr;
        FORMATETC format{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
        STGMEDIUM medium{};
        hr = data->GetData(&format, &medium);
        data->Release();
        if (FAILED(hr)) return hr;
        GetEnhMetaFileHeader(medium.hEnhMetaFile, sizeof header, &header);
        ReleaseStgMedium(&medium);
        return S_OK;
    }

    TempFolder folder_{L"qembed"};
    std::wstring path_;
    IStorage* storage_ = nullptr;
    Site site_;
};

TEST_F(EmbedContainer, CreateShowPictureChangeSaveAndLoadAgain) {
    IOleObject* object = nullptr;
    FORMATETC cached{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    HRESULT created = E_FAIL;
    // Wine keeps the class registration of an editor that an earlier test ended by force for a while.
    PumpUntil([&] {
        if (created != E_FAIL) {  // a failed attempt may have left streams: start on a new file
            storage_->Release();
            storage_ = nullptr;
            StgCreateDocfile(path_.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage_);
            site_.storage = storage_;
        }
        created = OleCreate(DiagramClass(), IID_IOleObject, OLERENDER_FORMAT, &cached, &site_, storage_,
                            reinterpret_cast<void**>(&object));
        return created != REGDB_E_CLASSNOTREG;
    }, 15000);
    if (created == REGDB_E_CLASSNOTREG) GTEST_SKIP() << "a stale class registration of an ended editor remains";
    ASSERT_HRESULT_SUCCEEDED(created);
    site_.object = object;
    EXPECT_EQ(1, ServerProcessCount());
    DWORD connection = 0;
    ASSERT_HRESULT_SUCCEEDED(object->Advise(&site_, &connection));
    IDataObject* data = nullptr;
    ASSERT_HRESULT_SUCCEEDED(object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)));
    FORMATETC any{0, nullptr, DVASPECT_CONTENT, -1, TYMED_NULL};
    DWORD dataConnection = 0;
    ASSERT_HRESULT_SUCCEEDED(data->DAdvise(&any, ADVF_NODATA, &site_, &dataConnection));

    RECT rect{0, 0, 100, 100};
    ASSERT_HRESULT_SUCCEEDED(object->DoVerb(OLEIVERB_SHOW, nullptr, &site_, 0, nullptr, &rect));
    HWND window = ServerWindow();
    ASSERT_TRUE(window != nullptr);
    EXPECT_EQ(1, site_.shown);
    EXPECT_EQ(static_cast<HRESULT>(0x80040068), object->DoVerb(1, nullptr, &site_, 0, nullptr, &rect));

    ENHMETAHEADER header{};
    ASSERT_HRESULT_SUCCEEDED(GetEmf(object, header));
    EXPECT_GT(header.rclFrame.right - header.rclFrame.left, 0);
    EXPECT_GT(header.rclFrame.bottom - header.rclFrame.top, 0);

    // A change in the editor's window reaches the container about a second later.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(ID_DIAGRAM_OBJECT, 0), 0);
    EXPECT_TRUE(PumpUntil([&] { return site_.dataChanges > 0; }));

    // A second container connects to the same running server, once with a new object and once
    // with an (empty) diagram file.
    IStorage* other = nullptr;
    ASSERT_HRESULT_SUCCEEDED(StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE |
                                              STGM_DELETEONRELEASE, 0, &other));
    IOleObject* second = nullptr;
    ASSERT_HRESULT_SUCCEEDED(OleCreate(DiagramClass(), IID_IOleObject, OLERENDER_NONE, nullptr, nullptr, other,
                                       reinterpret_cast<void**>(&second)));
    EXPECT_HRESULT_SUCCEEDED(OleRun(second));
    EXPECT_EQ(1, ServerProcessCount());
    EXPECT_HRESULT_SUCCEEDED(second->Close(OLECLOSE_NOSAVE));
    second->Release();
    other->Release();
    IStorage* third = nullptr;
    ASSERT_HRESULT_SUCCEEDED(StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE |
                                              STGM_DELETEONRELEASE, 0, &third));
    const std::wstring file = folder_.AddFile(L"from.qvd");
    IOleObject* fromFile = nullptr;
    EXPECT_HRESULT_SUCCEEDED(OleCreateFromFile(CLSID_NULL, file.c_str(), IID_IOleObject, OLERENDER_NONE, nullptr,
                                               nullptr, third, reinterpret_cast<void**>(&fromFile)));
    if (fromFile) {
        CLSID user{};
        EXPECT_HRESULT_SUCCEEDED(fromFile->GetUserClassID(&user));
        EXPECT_TRUE(IsEqualCLSID(user, DiagramClass()));
        fromFile->Close(OLECLOSE_NOSAVE);
        fromFile->Release();
    }
    third->Release();
    EXPECT_EQ(1, ServerProcessCount());

    // Closing with save-if-dirty saves the modified object into the container's storage.
    ASSERT_HRESULT_SUCCEEDED(object->Close(OLECLOSE_SAVEIFDIRTY));
    EXPECT_GE(site_.saves, 1);
    EXPECT_GE(site_.hidden, 1);
    data->DUnadvise(dataConnection);
    data->Release();
    object->Unadvise(connection);
    object->Release();
    site_.object = nullptr;
    EndServers();

    // The storage holds the diagram's stream and the class.
    CLSID stored{};
    EXPECT_HRESULT_SUCCEEDED(ReadClassStg(storage_, &stored));
    EXPECT_TRUE(IsEqualCLSID(stored, DiagramClass()));
    IStream* stream = nullptr;
    ASSERT_HRESULT_SUCCEEDED(storage_->OpenStream(L"quorvel-xml", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                                  &stream));
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    stream->Release();
    EXPECT_GT(stat.cbSize.QuadPart, 0u);

    // Loaded again, the object comes from the container's storage without starting the server.
    IOleObject* loaded = nullptr;
    ASSERT_HRESULT_SUCCEEDED(OleLoad(storage_, IID_IOleObject, &site_, reinterpret_cast<void**>(&loaded)));
    EXPECT_EQ(0, ServerProcessCount());

    loaded->Release();
}

} // namespace
