// A container of our own embeds diagrams through the system's default handler and nothing else of
// the program: OleCreate starts the editor as a local server, DoVerb shows its window, the picture
// comes through GetData, the object saves into the container's compound file, a change made in the
// editor's window reaches the container's advise sink, the server ends once the container let go,
// OleLoad reads the object back and OleDraw draws its cached picture without the server, OleRun
// serves it again from the saved storage, and OleCreateFromFile embeds a diagram file. Every data
// format the class registers is given in its registered medium.
#include "Editor/tests/embed/Container.h"
#include "resources/resource.h"

namespace {

using namespace EmbedTest;

HWND ServerWindow() {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowW(kFrameClass, nullptr)) != nullptr && IsWindowVisible(found); }, 10000);
    return found;
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

// Draws the object through OleDraw into a bitmap; answers the result.
HRESULT DrawCached(IUnknown* object) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 200);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT rect{0, 0, 200, 200};
    const HRESULT hr = OleDraw(object, DVASPECT_CONTENT, dc, &rect);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return hr;
}

class EmbedContainer : public ContainerTest {};

// A container that trusts the registry asks for each registered format in its registered medium:
// the running object gives every one of them in that medium.
TEST_F(EmbedContainer, EveryRegisteredFormatIsGivenInItsRegisteredMedium) {
    const std::vector<RegisteredFormat> formats = RegisteredFormats();
    ASSERT_GE(formats.size(), 3u) << "the class's data formats are not registered: run scripts/install-msi";
    IOleObject* object = nullptr;
    ASSERT_HRESULT_SUCCEEDED(OleCreate(DiagramClass(), IID_IOleObject, OLERENDER_NONE, nullptr, &site_, storage_,
                                       reinterpret_cast<void**>(&object)));
    site_.object = object;
    ASSERT_HRESULT_SUCCEEDED(OleRun(object));
    IDataObject* data = nullptr;
    ASSERT_HRESULT_SUCCEEDED(object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)));
    for (const RegisteredFormat& entry : formats) {
        SCOPED_TRACE(std::string(entry.text.begin(), entry.text.end()));
        FORMATETC format = entry.format;
        ASSERT_NE(format.cfFormat, 0) << "the entry names no format";
        ASSERT_NE(format.tymed, 0u) << "the entry names no medium";
        if (!(entry.direction & DATADIR_GET)) continue;
        EXPECT_EQ(S_OK, data->QueryGetData(&format));
        STGMEDIUM medium{};
        EXPECT_EQ(S_OK, data->GetData(&format, &medium));
        EXPECT_EQ(medium.tymed, format.tymed);
        if (medium.tymed != TYMED_NULL) ReleaseStgMedium(&medium);
    }
    data->Release();
    EXPECT_HRESULT_SUCCEEDED(object->Close(OLECLOSE_NOSAVE));
    object->Release();
    site_.object = nullptr;
}

TEST_F(EmbedContainer, CreateShowPictureChangeSaveEndAndLoadAgain) {
    IOleObject* object = nullptr;
    FORMATETC cached{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    ASSERT_HRESULT_SUCCEEDED(OleCreate(DiagramClass(), IID_IOleObject, OLERENDER_FORMAT, &cached, &site_, storage_,
                                       reinterpret_cast<void**>(&object)));
    site_.object = object;
    ServerProcess server;
    ASSERT_TRUE(server.IsValid()) << "one server runs";
    // The container keeps a metafile picture as well: the system's cache draws that one even where
    // it cannot draw an enhanced metafile (Wine's).
    IOleCache* cache = nullptr;
    ASSERT_HRESULT_SUCCEEDED(object->QueryInterface(IID_IOleCache, reinterpret_cast<void**>(&cache)));
    FORMATETC picture{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    DWORD cacheConnection = 0;
    EXPECT_HRESULT_SUCCEEDED(cache->Cache(&picture, ADVF_PRIMEFIRST, &cacheConnection));
    cache->Release();
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
    IStorage* other = TemporaryStorage();
    ASSERT_TRUE(other != nullptr);
    IOleObject* second = nullptr;
    ASSERT_HRESULT_SUCCEEDED(OleCreate(DiagramClass(), IID_IOleObject, OLERENDER_NONE, nullptr, nullptr, other,
                                       reinterpret_cast<void**>(&second)));
    EXPECT_HRESULT_SUCCEEDED(OleRun(second));
    EXPECT_EQ(std::vector<DWORD>{server.Id()}, ServerProcesses());
    EXPECT_HRESULT_SUCCEEDED(second->Close(OLECLOSE_NOSAVE));
    second->Release();
    other->Release();
    IStorage* third = TemporaryStorage();
    ASSERT_TRUE(third != nullptr);
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
    EXPECT_EQ(std::vector<DWORD>{server.Id()}, ServerProcesses());

    // Closing with save-if-dirty saves the modified object into the container's storage.
    ASSERT_HRESULT_SUCCEEDED(object->Close(OLECLOSE_SAVEIFDIRTY));
    EXPECT_GE(site_.saves, 1);
    EXPECT_GE(site_.hidden, 1);
    data->DUnadvise(dataConnection);
    data->Release();
    object->Unadvise(connection);
    object->Release();
    site_.object = nullptr;
    // Nothing holds the server any more: it ends by itself.
    EXPECT_TRUE(server.EndsWithin(15000));

    // The storage holds the class and the diagram's stream.
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

    // Loaded again, the object comes from the container's storage, and gives and draws its cached
    // pictures without starting the server.
    IOleObject* loaded = nullptr;
    ASSERT_HRESULT_SUCCEEDED(OleLoad(storage_, IID_IOleObject, &site_, reinterpret_cast<void**>(&loaded)));
    site_.object = loaded;
    ENHMETAHEADER cachedHeader{};
    EXPECT_HRESULT_SUCCEEDED(GetEmf(loaded, cachedHeader));
    EXPECT_GT(cachedHeader.rclFrame.right - cachedHeader.rclFrame.left, 0);
    EXPECT_EQ(S_OK, DrawCached(loaded));
    EXPECT_TRUE(ServerProcesses().empty());

    // Run again, the server reads the saved diagram and serves its picture; closed and released,
    // it ends again.
    ASSERT_HRESULT_SUCCEEDED(OleRun(loaded));
    ServerProcess again;
    EXPECT_TRUE(again.IsValid());
    EXPECT_HRESULT_SUCCEEDED(GetEmf(loaded, header));
    EXPECT_HRESULT_SUCCEEDED(loaded->Close(OLECLOSE_NOSAVE));
    loaded->Release();
    site_.object = nullptr;
    EXPECT_TRUE(again.EndsWithin(15000));
}

} // namespace
