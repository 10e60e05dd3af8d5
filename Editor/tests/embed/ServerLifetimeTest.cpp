// How long the editor runs as a server: until its containers let go of their objects, and a
// diagram file open in a running editor is reached by other programs through its file moniker.
#include "Editor/tests/embed/Container.h"

namespace {

using namespace EmbedTest;

class ServerLifetime : public ContainerTest {};

TEST_F(ServerLifetime, ClosedWithoutSavingTheObjectLeavesTheStorageAloneAndTheServerEnds) {
    IOleObject* object = nullptr;
    ASSERT_HRESULT_SUCCEEDED(OleCreate(DiagramClass(), IID_IOleObject, OLERENDER_NONE, nullptr, &site_, storage_,
                                       reinterpret_cast<void**>(&object)));
    site_.object = object;
    ASSERT_HRESULT_SUCCEEDED(OleRun(object));
    ServerProcess server;
    ASSERT_TRUE(server.IsValid());
    IDataObject* data = nullptr;
    ASSERT_HRESULT_SUCCEEDED(object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)));
    FORMATETC format{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    STGMEDIUM medium{};
    ASSERT_HRESULT_SUCCEEDED(data->GetData(&format, &medium));
    ReleaseStgMedium(&medium);
    data->Release();

    // The new object is unsaved; closed without saving, the container is not asked to save it.
    EXPECT_HRESULT_SUCCEEDED(object->Close(OLECLOSE_NOSAVE));
    site_.object = nullptr;
    object->Release();
    EXPECT_EQ(0, site_.saves);
    IStream* stream = nullptr;
    EXPECT_EQ(STG_E_FILENOTFOUND, storage_->OpenStream(L"quorvel-xml", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                                       &stream));
    EXPECT_TRUE(server.EndsWithin(15000));
}

TEST_F(ServerLifetime, AFileOpenInTheEditorIsReachedThroughItsFileMoniker) {
    const std::wstring file = folder_.AddFile(L"linked.qvd");
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" linked.qvd", folder_.Path()));
    ASSERT_TRUE(WaitFor([&] { return WindowOfPath(editor.Id(), file) != nullptr; }));
    HWND window = WindowOfPath(editor.Id(), file);

    IMoniker* moniker = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CreateFileMoniker(file.c_str(), &moniker));
    IRunningObjectTable* table = nullptr;
    ASSERT_HRESULT_SUCCEEDED(GetRunningObjectTable(0, &table));
    EXPECT_TRUE(PumpUntil([&] { return table->IsRunning(moniker) == S_OK; }, 10000));

    // Bound through the moniker, the running document answers for its file and serves its picture.
    IBindCtx* context = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CreateBindCtx(0, &context));
    IPersistFile* persist = nullptr;
    ASSERT_HRESULT_SUCCEEDED(moniker->BindToObject(context, nullptr, IID_IPersistFile,
                                                   reinterpret_cast<void**>(&persist)));
    LPOLESTR current = nullptr;
    ASSERT_HRESULT_SUCCEEDED(persist->GetCurFile(&current));
    EXPECT_EQ(CompareStringOrdinal(current, -1, file.c_str(), -1, TRUE), CSTR_EQUAL);
    CoTaskMemFree(current);
    IDataObject* data = nullptr;
    ASSERT_HRESULT_SUCCEEDED(persist->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)));
    FORMATETC format{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    STGMEDIUM medium{};
    EXPECT_HRESULT_SUCCEEDED(data->GetData(&format, &medium));
    ReleaseStgMedium(&medium);
    data->Release();
    persist->Release();
    context->Release();

    // Closed, the document leaves the table and the editor ends.
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, editor.WaitExit(15000));
    EXPECT_EQ(S_FALSE, table->IsRunning(moniker));
    table->Release();
    moniker->Release();
}

} // namespace
