// The class object in this process: what CreateInstance refuses, how server locks hold the lifetime
// tree, the running object table entries of file documents, and a registration that fails.
#include "Editor/ClassFactory.h"
#include "Editor/EditorApp.h"
#include "Editor/tests/FactoryFixture.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using namespace EditorTest;

template <class T>
T* Query(IUnknown* unknown, REFIID iid) {
    void* out = nullptr;
    return SUCCEEDED(unknown->QueryInterface(iid, &out)) ? static_cast<T*>(out) : nullptr;
}

// Whether the running object table holds an object under the file's moniker; with time, also the
// time of its last change noted there.
HRESULT IsRunningFile(const std::wstring& path, FILETIME* time = nullptr) {
    IRunningObjectTable* table = nullptr;
    IMoniker* moniker = nullptr;
    HRESULT hr = GetRunningObjectTable(0, &table);
    if (SUCCEEDED(hr)) hr = CreateFileMoniker(path.c_str(), &moniker);
    if (SUCCEEDED(hr)) hr = table->IsRunning(moniker);
    if (hr == S_OK && time) hr = table->GetTimeOfLastChange(moniker, time);
    if (moniker) moniker->Release();
    if (table) table->Release();
    return hr;
}

using ClassObject = FactoryFixture;

TEST_F(ClassObject, CreateInstanceRefusesAggregationAndUnknownInterfacesWithoutKeepingADocument) {
    Editor::OLEdiagramFactory classObject(*factory);
    ASSERT_HRESULT_SUCCEEDED(classObject.GetRegistrationResult());
    IClassFactory* creator = Query<IClassFactory>(classObject.GetClassObject(), IID_IClassFactory);
    IUnknown* identity = Query<IUnknown>(classObject.GetClassObject(), IID_IUnknown);
    ASSERT_TRUE(creator && identity);
    EXPECT_NE(static_cast<void*>(creator), static_cast<void*>(identity));

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, creator->CreateInstance(identity, IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, factory->GetDocumentCount());
    EXPECT_EQ(E_NOINTERFACE, creator->CreateInstance(nullptr, IID_IOleInPlaceObject, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, factory->GetDocumentCount());

    ASSERT_HRESULT_SUCCEEDED(creator->CreateInstance(nullptr, IID_IOleObject, &out));
    EXPECT_EQ(1, factory->GetDocumentCount());
    static_cast<IOleObject*>(out)->Release();
    creator->Release();
    identity->Release();
}

TEST_F(ClassObject, LockServerKeepsTheTreeAfterTheLastDocumentUntilUnlocked) {
    Editor::OLEdiagramFactory classObject(*factory);
    IClassFactory* creator = Query<IClassFactory>(classObject.GetClassObject(), IID_IClassFactory);
    ASSERT_TRUE(creator != nullptr);
    ASSERT_HRESULT_SUCCEEDED(creator->LockServer(TRUE));
    Editor::Diagram* document = factory->NewDiagram(SW_HIDE);
    ASSERT_TRUE(document != nullptr);
    ASSERT_TRUE(document->Close());
    EXPECT_FALSE(root->IsEnded());
    EXPECT_EQ(1, root->GetActiveCount());

    ASSERT_HRESULT_SUCCEEDED(creator->LockServer(FALSE));
    EXPECT_TRUE(root->IsEnded());
    // An unlock without a lock changes nothing.
    EXPECT_HRESULT_SUCCEEDED(creator->LockServer(FALSE));
    EXPECT_EQ(0, root->GetActiveCount());
    creator->Release();
}

TEST_F(ClassObject, AFileDocumentIsRunningUnderItsFileMonikerWhicheverNameItHas) {
    const std::wstring first = folder.AddFile(L"first.qvd");
    const std::wstring second = folder.Path() + L"\\second.qvd";
    Editor::Diagram* document = factory->Open(first, false, SW_HIDE);
    ASSERT_TRUE(document != nullptr);
    EXPECT_EQ(S_OK, IsRunningFile(first));

    // Saved under a new name, it moves to that name's moniker; a later save notes the file's time.
    document->SaveAs(second);
    EXPECT_EQ(S_FALSE, IsRunningFile(first));
    EXPECT_EQ(S_OK, IsRunningFile(second));
    Modify(*document);
    document->GetStorage().SaveToFile();
    FILETIME noted{};
    ASSERT_EQ(S_OK, IsRunningFile(second, &noted));
    ASSERT_TRUE(document->GetStorage().GetLastWriteTime().has_value());
    EXPECT_EQ(0, CompareFileTime(&noted, &*document->GetStorage().GetLastWriteTime()));

    // A new document has no file to be reached by; a closed one leaves the table.
    Editor::Diagram* untitled = factory->NewDiagram(SW_HIDE);
    ASSERT_TRUE(untitled != nullptr);
    EXPECT_EQ(S_FALSE, IsRunningFile(folder.Path() + L"\\" + untitled->GetName()));
    ASSERT_TRUE(document->Close());
    EXPECT_EQ(S_FALSE, IsRunningFile(second));
    DeleteFileW(second.c_str());
}

// Answers every message box this program shows while it lives, keeping their texts.
class BoxAnswerer {
public:
    BoxAnswerer() : thread_([this] { Run(); }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.join();
    }
    std::vector<std::wstring> Texts() {
        std::lock_guard<std::mutex> hold(lock_);
        return texts_;
    }

private:
    void Run() {
        while (!stop_) {
            if (HWND box = FindMessageBox(GetCurrentProcessId())) {
                const std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
                {
                    std::lock_guard<std::mutex> hold(lock_);
                    texts_.push_back(text);
                }
                SendMessageW(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(20);  // polls for a window of this program's other thread
        }
    }
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::wstring> texts_;
    std::thread thread_;
};

HRESULT STDAPICALLTYPE RefusedRegistration(REFCLSID, IUnknown*, DWORD, DWORD, LPDWORD cookie) {
    *cookie = 0;
    return E_ACCESSDENIED;
}

TEST(ServerRegistration, AFailureIsShownToAPersonAndEndsAServerStartWithoutAWord) {
    TempFolder folder(L"QvRegistration");
    const auto previous = Editor::OLEdiagramFactory::SetRegistration(&RefusedRegistration);
    BoxAnswerer answerer;
    {
        Editor::EditorApp started;
        EXPECT_EQ(0, started.Run(folder.Path(), L"QuorvelUML.exe /Embedding"));
        EXPECT_TRUE(started.ServerRegistrationFailed());
    }
    const std::vector<std::wstring> texts = answerer.Texts();
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(0u, texts[0].find(L"The diagram object class could not be registered with OLE"));
    {
        // Started by COM, the program ends at once (the start reports the failure by its exit code).
        Editor::EditorApp server;
        server.SetServerStart(true);
        EXPECT_EQ(0, server.Run(folder.Path(), L"QuorvelUML.exe -Embedding"));
        EXPECT_TRUE(server.ServerRegistrationFailed());
    }
    EXPECT_EQ(1u, answerer.Texts().size()) << "a server start shows nothing";
    Editor::OLEdiagramFactory::SetRegistration(previous);
}

// What the registration found when the application asked for it: the editor window of this
// thread shown and without anything left to paint.
struct SeenAtRegistration {
    int calls = 0;
    bool windowPainted = false;
    HRESULT answer = S_OK;  // E_ACCESSDENIED refuses the registration
    BoxAnswerer* boxes = nullptr;
    DWORD started = 0;
} g_seen;

HWND ShownEditorWindow() {
    const std::vector<HWND> shown = VisibleWindows(GetCurrentProcessId());
    return shown.empty() ? nullptr : shown.front();
}

// Notes what it sees and registers, or refuses.
HRESULT STDAPICALLTYPE WatchedRegistration(REFCLSID clsid, IUnknown* object, DWORD context, DWORD flags,
                                           LPDWORD cookie) {
    ++g_seen.calls;
    if (HWND window = ShownEditorWindow()) g_seen.windowPainted = !GetUpdateRect(window, nullptr, FALSE);
    if (FAILED(g_seen.answer)) {
        *cookie = 0;
        return g_seen.answer;
    }
    return CoRegisterClassObject(clsid, object, context, flags, cookie);
}

// Ends the application once the registration came and its failure was answered (or after ten
// seconds without), by closing the window.
void CALLBACK CloseWhenRegistered(HWND, UINT, UINT_PTR, DWORD) {
    const bool done = g_seen.calls > 0 && (SUCCEEDED(g_seen.answer) || !g_seen.boxes->Texts().empty());
    if (!done && GetTickCount() - g_seen.started < 10000) return;
    if (HWND window = ShownEditorWindow()) PostMessageW(window, WM_CLOSE, 0, 0);
}

TEST(ServerRegistration, APersonsStartRegistersOnceTheFirstWindowIsPaintedAndStillReportsAFailure) {
    TempFolder folder(L"QvLateRegistration");
    const auto previous = Editor::OLEdiagramFactory::SetRegistration(&WatchedRegistration);
    BoxAnswerer answerer;
    for (HRESULT answer : {S_OK, E_ACCESSDENIED}) {
        g_seen = SeenAtRegistration{0, false, answer, &answerer, GetTickCount()};
        Editor::EditorApp started;
        started.SetRegisterAfterFirstPaint(true);
        const UINT_PTR closer = SetTimer(nullptr, 0, 50, &CloseWhenRegistered);
        EXPECT_EQ(0, started.Run(folder.Path(), L"QuorvelUML.exe"));
        KillTimer(nullptr, closer);
        EXPECT_EQ(1, g_seen.calls);
        EXPECT_TRUE(g_seen.windowPainted) << "registered before the first window was painted";
        EXPECT_EQ(FAILED(answer), started.ServerRegistrationFailed());
    }
    const std::vector<std::wstring> texts = answerer.Texts();
    ASSERT_EQ(1u, texts.size()) << "only the refused registration is reported";
    EXPECT_EQ(0u, texts[0].find(L"The diagram object class could not be registered with OLE"));
    {
        // Started by COM, the program registers before anything else, as containers wait for it.
        g_seen = SeenAtRegistration{};
        Editor::EditorApp server;
        server.SetServerStart(true);
        server.SetRegisterAfterFirstPaint(true);
        g_seen.answer = E_ACCESSDENIED;
        EXPECT_EQ(0, server.Run(folder.Path(), L"QuorvelUML.exe -Embedding"));
        EXPECT_EQ(1, g_seen.calls);
        EXPECT_TRUE(server.ServerRegistrationFailed());
    }
    Editor::OLEdiagramFactory::SetRegistration(previous);
}

} // namespace
