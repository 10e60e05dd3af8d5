// A container of our own for the embedding tests: it uses only the system's OLE calls and the
// default handler, starts the editor as a local server through its class registration, and watches
// the server processes from outside.
#pragma once

#include "Editor/ProductCodes.h"
#include "Editor/tests/EditorWindows.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <cwchar>
#include <string>
#include <vector>

namespace EmbedTest {

using namespace EditorTest;

inline CLSID DiagramClass() {
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

// The ids of the running editor processes.
inline std::vector<DWORD> ServerProcesses() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, QUORVEL_EXE_NAME) == 0) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

// The one running server, held open so that its end can be awaited; invalid when there is not
// exactly one.
class ServerProcess {
public:
    ServerProcess() {
        const std::vector<DWORD> ids = ServerProcesses();
        if (ids.size() == 1) {
            id_ = ids.front();
            handle_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id_);
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess() {
        if (handle_) CloseHandle(handle_);
    }
    bool IsValid() const { return handle_ != nullptr; }
    DWORD Id() const { return id_; }
    // Whether the process ended by itself within the time (the container's messages keep running).
    bool EndsWithin(DWORD timeoutMs) const {
        return handle_ && PumpUntil([this] { return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }, timeoutMs);
    }
    bool IsRunning() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

private:
    DWORD id_ = 0;
    HANDLE handle_ = nullptr;
};

// Ends the editors still running by force (only after a failed test, so that the next starts alone).
inline void EndServersByForce() {
    for (DWORD id : ServerProcesses()) {
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}

inline std::wstring LocalServerKey() {
    return std::wstring(L"CLSID\\") + Editor::ProductCodes::kClassId + L"\\LocalServer32";
}

// The class's local server command as registered (empty when none).
inline std::wstring RegisteredLocalServer() {
    wchar_t value[MAX_PATH * 2] = {};
    LONG bytes = sizeof value;
    return RegQueryValueW(HKEY_CLASSES_ROOT, LocalServerKey().c_str(), value, &bytes) == ERROR_SUCCESS ? value : L"";
}

// Registers the command as the class's local server.
inline LSTATUS RegisterLocalServer(const std::wstring& command) {
    return RegSetValueW(HKEY_CLASSES_ROOT, LocalServerKey().c_str(), REG_SZ, command.c_str(), 0);
}

// Points the class's local server at path (quoted) with the embedding switch.
inline LSTATUS SetLocalServer(const std::wstring& path) { return RegisterLocalServer(L"\"" + path + L"\" -Embedding"); }

// Whether COM still hands out a class registration of an editor that no longer runs (one ended by
// force). Asked with the server pointing nowhere, so that the question starts no editor.
inline bool HasStaleClassRegistration() {
    if (SetLocalServer(L"C:\\quorvel-no-server\\none.exe") != ERROR_SUCCESS) return false;
    IClassFactory* factory = nullptr;
    const HRESULT hr = CoGetClassObject(DiagramClass(), CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                        reinterpret_cast<void**>(&factory));
    if (factory) factory->Release();
    return SUCCEEDED(hr) || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) || hr == RPC_E_DISCONNECTED;
}

// Wine's service control manager keeps the class registration of a server that was ended by force
// and hands it to every later container, which then cannot reach the class at all. Restarting the
// service drops these registrations; the next OLE call starts it again. Only done while no editor
// runs, so that no live registration is lost.
inline bool DropStaleClassRegistrations() {
    if (!ServerProcesses().empty() || !HasStaleClassRegistration()) return false;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return false;
    bool stopped = false;
    if (SC_HANDLE service = OpenServiceW(manager, L"RpcSs", SERVICE_STOP | SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS status{};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        stopped = WaitFor([&] { return QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED; },
                          5000);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return stopped;
}

// One "DataFormats\GetSet" entry of the class: "format,aspect,media,direction", the format a number
// or a registered name.
struct RegisteredFormat {
    std::wstring text;
    FORMATETC format{};
    DWORD direction = 0;
};

// The class's registered data formats, as a container reads them instead of asking the object.
inline std::vector<RegisteredFormat> RegisteredFormats() {
    std::vector<RegisteredFormat> out;
    const std::wstring path = std::wstring(L"CLSID\\") + Editor::ProductCodes::kClassId + L"\\DataFormats\\GetSet";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    wchar_t name[64];
    for (DWORD i = 0, size = 64; RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = 64) {
        wchar_t value[256] = {};
        LONG bytes = sizeof value;
        if (RegQueryValueW(key, name, value, &bytes) != ERROR_SUCCESS) continue;
        RegisteredFormat entry;
        entry.text = value;
        const wchar_t* comma = wcschr(value, L',');
        if (!comma) {
            out.push_back(entry);
            continue;
        }
        const std::wstring format(value, size_t(comma - value));
        wchar_t* end = nullptr;
        const unsigned long number = wcstoul(format.c_str(), &end, 10);
        entry.format.cfFormat = static_cast<CLIPFORMAT>(*end == 0 && !format.empty() ? number
                                                                                    : RegisterClipboardFormatW(format.c_str()));
        entry.format.lindex = -1;
        unsigned long aspect = 0, media = 0, direction = 0;
        if (swscanf(comma + 1, L"%lu,%lu,%lu", &aspect, &media, &direction) == 3) {
            entry.format.dwAspect = aspect;
            entry.format.tymed = media;
            entry.direction = direction;
        }
        out.push_back(entry);
    }
    RegCloseKey(key);
    return out;
}

// The client site and advise sink of one embedded object: saves into the container's storage
// when the object asks and counts what the object tells.
class Site : public IOleClientSite, public IAdviseSink {
public:
    IStorage* storage = nullptr;
    IOleObject* object = nullptr;
    int saves = 0, dataChanges = 0, closes = 0, shown = 0, hidden = 0, renames = 0;

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
    STDMETHODIMP_(void) OnRename(IMoniker*) override { ++renames; }
    STDMETHODIMP_(void) OnSave() override {}
    STDMETHODIMP_(void) OnClose() override { ++closes; }
};

// Every test starts with no editor running and the class served by the editor built next to the
// test; a test whose server outlives it fails, and the server is then ended for the next one.
class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_TRUE(ServerProcesses().empty()) << "another editor still runs";
        const std::wstring installed = RegisteredLocalServer();
        DropStaleClassRegistrations();
        ASSERT_FALSE(HasStaleClassRegistration());
        // The installed copy may be older than the one built next to this test.
        if (UsesInstalledServer()) {
            ASSERT_FALSE(installed.empty()) << "the class has no local server registered";
            ASSERT_EQ(ERROR_SUCCESS, RegisterLocalServer(installed));
        } else {
            ASSERT_EQ(ERROR_SUCCESS, SetLocalServer(EditorPath()));
        }
        path_ = folder_.Path() + L"\\container.stg";
        ASSERT_HRESULT_SUCCEEDED(StgCreateDocfile(path_.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                                  0, &storage_));
        site_.storage = storage_;
    }
    void TearDown() override {
        if (storage_) storage_->Release();
        if (!PumpUntil([] { return ServerProcesses().empty(); }, 30000)) {
            ADD_FAILURE() << "the server did not end after its containers let go";
            EndServersByForce();
        }
        OleUninitialize();
    }

    // Whether the class is served by the installed editor as registered, not the one built here.
    virtual bool UsesInstalledServer() const { return false; }

    // A new storage that goes when released.
    static IStorage* TemporaryStorage() {
        IStorage* storage = nullptr;
        StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0,
                         &storage);
        return storage;
    }

    TempFolder folder_{L"qembed"};
    std::wstring path_;
    IStorage* storage_ = nullptr;
    Site site_;
};

} // namespace EmbedTest
