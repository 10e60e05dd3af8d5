// The program's data objects: formats in order, QueryGetData and GetData as offered, advise sinks,
// the closing notice, own-object detection, object descriptors and private formats.
#include "app/DataTransfer.h"
#include "app/winutil/ClipFormat.h"
#include "app/tests/DataObjectTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Application;

namespace {

class OleScope : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

HENHMETAFILE SmallEmf() {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    Rectangle(dc, 0, 0, 10, 10);
    return CloseEnhMetaFile(dc);
}

using DataObjectTest::Enumerate;

struct Sink : IAdviseSink {
    int changes = 0;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAdviseSink)) { *out = this; return S_OK; }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override { ++changes; }
    STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override {}
    STDMETHODIMP_(void) OnRename(IMoniker*) override {}
    STDMETHODIMP_(void) OnSave() override {}
    STDMETHODIMP_(void) OnClose() override {}
};

struct NotifiedProvider : BytesFormatProvider {
    NotifiedProvider(CLIPFORMAT f, int* told) : BytesFormatProvider(f, {1, 2, 3}), told(told) {}
    void OnDataChange() override { ++*told; }
    int* told;
};

using DataTransfer = OleScope;

} // namespace

TEST_F(DataTransfer, FormatsAreOfferedInTheOrderAdded) {
    CLIPFORMAT registered = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Quorvel Test Format"));
    WinUtil::PrivateClipFormat priv;
    DataProvider provider;
    provider.AddFormat(new EmfFormatProvider(SmallEmf()));
    provider.AddFormat(new BytesFormatProvider(registered, {'a', 'b', 'c'}));
    provider.AddFormat(new BytesFormatProvider(priv, {'p'}));
    IDataObject* data = provider.GetDataObject();
    auto formats = Enumerate(data);
    ASSERT_EQ(formats.size(), 3u);
    EXPECT_EQ(formats[0].cfFormat, CF_ENHMETAFILE);
    EXPECT_EQ(formats[0].tymed, static_cast<DWORD>(TYMED_ENHMF));
    EXPECT_EQ(formats[1].cfFormat, registered);
    EXPECT_EQ(formats[2].cfFormat, priv.Get());

    FORMATETC fe{registered, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(data->QueryGetData(&fe), S_OK);
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&fe, &medium), S_OK);
    {
        WinUtil::GlobalLock lock(medium.hGlobal);
        ASSERT_GE(lock.Size(), 3u);
        EXPECT_EQ(std::memcmp(lock.Data(), "abc", 3), 0);
    }
    ReleaseStgMedium(&medium);

    // The right format with a medium not offered, and a format not offered.
    FORMATETC wrongMedium{registered, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    EXPECT_EQ(data->QueryGetData(&wrongMedium), DV_E_TYMED);
    FORMATETC absent{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    EXPECT_EQ(data->QueryGetData(&absent), DV_E_FORMATETC);
    EXPECT_EQ(data->GetData(&absent, &medium), DV_E_FORMATETC);

    FORMATETC emf{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    ASSERT_EQ(data->GetData(&emf, &medium), S_OK);
    EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_ENHMF));
    EXPECT_GT(GetEnhMetaFileBits(medium.hEnhMetaFile, 0, nullptr), 0u);
    ReleaseStgMedium(&medium);
    data->Release();
}

TEST_F(DataTransfer, GetDataHereFillsTheCallersBlock) {
    CLIPFORMAT f = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Quorvel Test Format"));
    DataProvider provider;
    provider.AddFormat(new BytesFormatProvider(f, {9, 8, 7, 6}));
    IDataObject* data = provider.GetDataObject();
    FORMATETC fe{f, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    EXPECT_EQ(data->GetDataHere(&fe, &medium), S_OK);
    {
        WinUtil::GlobalLock lock(medium.hGlobal);
        EXPECT_EQ(static_cast<BYTE*>(lock.Data())[3], 6);
    }
    GlobalFree(medium.hGlobal);
    medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 2);
    EXPECT_EQ(data->GetDataHere(&fe, &medium), STG_E_MEDIUMFULL);
    GlobalFree(medium.hGlobal);
    data->Release();
}

TEST_F(DataTransfer, DataChangeReachesProvidersAndSinks) {
    CLIPFORMAT f = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Quorvel Test Format"));
    int told = 0;
    Sink sink;
    DataProvider provider;
    provider.AddFormat(new NotifiedProvider(f, &told));
    IDataObject* data = provider.GetDataObject();
    FORMATETC fe{f, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    DWORD connection = 0;
    ASSERT_EQ(data->DAdvise(&fe, ADVF_NODATA, &sink, &connection), S_OK);
    provider.SendOnDataChange();
    EXPECT_EQ(told, 1);
    EXPECT_EQ(sink.changes, 1);
    EXPECT_EQ(data->DUnadvise(connection), S_OK);
    provider.SendOnDataChange();
    EXPECT_EQ(sink.changes, 1);
    data->Release();
}

TEST_F(DataTransfer, ClosedObjectAnswersNoDataAndForgetsItsCreator) {
    CLIPFORMAT f = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Quorvel Test Format"));
    IDataObject* data = nullptr;
    {
        DataProvider provider;
        provider.AddFormat(new BytesFormatProvider(f, {1}));
        data = provider.GetDataObject();
        IDataObjectReferenced* ref = nullptr;
        ASSERT_EQ(data->QueryInterface(IID_IDataObjectReferenced, reinterpret_cast<void**>(&ref)), S_OK);
        EXPECT_EQ(ref->GetCreator(), &provider);
        ref->Release();
    }
    // The object outlives its provider but serves nothing.
    FORMATETC fe{f, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_NE(data->QueryGetData(&fe), S_OK);
    STGMEDIUM medium{};
    EXPECT_NE(data->GetData(&fe, &medium), S_OK);
    IDataObjectReferenced* ref = nullptr;
    ASSERT_EQ(data->QueryInterface(IID_IDataObjectReferenced, reinterpret_cast<void**>(&ref)), S_OK);
    EXPECT_EQ(ref->GetCreator(), nullptr);
    ref->Release();
    EXPECT_TRUE(Enumerate(data).empty());
    data->Release();
}

TEST_F(DataTransfer, OwnObjectIsRecognised) {
    DataProvider provider;
    IDataObject* own = provider.GetDataObject();
    EXPECT_TRUE(IsOwnDataObject(own));
    own->Release();
    EXPECT_FALSE(IsOwnDataObject(nullptr));
}

TEST_F(DataTransfer, TextIsReadFromAHolder) {
    const wchar_t text[] = L"Klasse\0junk";
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(text), reinterpret_cast<const BYTE*>(text) + sizeof text);
    DataProvider provider;
    provider.AddFormat(new BytesFormatProvider(CF_UNICODETEXT, bytes));
    IDataObject* data = provider.GetDataObject();
    DataHolder holder(data);
    data->Release();
    EXPECT_TRUE(holder.HasText());
    EXPECT_EQ(holder.GetText(), L"Klasse");
    EXPECT_FALSE(holder.HasFormat(CF_TEXT));
}

TEST(ObjectDescriptorRecord, BuiltRecordReadsBack) {
    ObjectDescriptor d;
    d.clsid = IID_IDataObject;  // any class id
    d.size = {2000, 1000};
    d.dragPoint = {150, 250};
    d.status = 0x1234;
    d.fullUserTypeName = L"Quorvel UML Diagram";
    d.sourceName = L"C:\\x.qvd";
    WinUtil::GlobalHandle block = MakeObjectDescriptor(d, false);
    WinUtil::GlobalLock lock(block.Get());
    ObjectDescriptor read;
    ASSERT_TRUE(ParseObjectDescriptor(lock.Data(), lock.Size(), read));
    EXPECT_TRUE(IsEqualCLSID(read.clsid, d.clsid));
    EXPECT_EQ(read.dragPoint.x, 150);
    EXPECT_EQ(read.dragPoint.y, 250);
    EXPECT_EQ(read.size.cx, 2000);
    EXPECT_EQ(read.status, 0x1234u);
    EXPECT_EQ(read.fullUserTypeName, L"Quorvel UML Diagram");
    EXPECT_EQ(read.sourceName, L"C:\\x.qvd");
}

TEST(ObjectDescriptorRecord, OffsetsOutsideTheRecordAreRejected) {
    ObjectDescriptor d;
    d.fullUserTypeName = L"Type";
    d.sourceName = L"Src";
    WinUtil::GlobalHandle block = MakeObjectDescriptor(d, false);
    std::vector<BYTE> bytes;
    {
        WinUtil::GlobalLock lock(block.Get());
        const BYTE* p = static_cast<const BYTE*>(lock.Data());
        bytes.assign(p, p + lock.Size());
    }
    auto with = [&](auto change) {
        std::vector<BYTE> copy = bytes;
        OBJECTDESCRIPTOR od;
        std::memcpy(&od, copy.data(), sizeof od);
        change(od, copy);
        std::memcpy(copy.data(), &od, sizeof od);
        ObjectDescriptor out;
        return ParseObjectDescriptor(copy.data(), copy.size(), out);
    };
    EXPECT_TRUE(with([](OBJECTDESCRIPTOR&, std::vector<BYTE>&) {}));
    EXPECT_FALSE(with([](OBJECTDESCRIPTOR& od, std::vector<BYTE>&) { od.dwFullUserTypeName = 100000; }));
    EXPECT_FALSE(with([](OBJECTDESCRIPTOR& od, std::vector<BYTE>&) { od.dwSrcOfCopy = 8; }));  // inside the header
    EXPECT_FALSE(with([](OBJECTDESCRIPTOR& od, std::vector<BYTE>&) { od.cbSize = 100000; }));
    EXPECT_FALSE(with([](OBJECTDESCRIPTOR& od, std::vector<BYTE>&) { od.cbSize = 10; }));
    // A name whose terminator lies beyond the record's own size.
    EXPECT_FALSE(with([](OBJECTDESCRIPTOR& od, std::vector<BYTE>&) { od.cbSize = od.dwSrcOfCopy + 4; }));
    // Truncated blocks.
    ObjectDescriptor out;
    EXPECT_FALSE(ParseObjectDescriptor(bytes.data(), sizeof(OBJECTDESCRIPTOR) - 1, out));
    EXPECT_FALSE(ParseObjectDescriptor(bytes.data(), bytes.size() - 2, out));
}

TEST_F(DataTransfer, ReadObjectDescriptorFromADataObject) {
    ObjectDescriptor d;
    d.dragPoint = {7, 9};
    d.fullUserTypeName = L"T";
    WinUtil::GlobalHandle block = MakeObjectDescriptor(d, false);
    std::vector<BYTE> bytes;
    {
        WinUtil::GlobalLock lock(block.Get());
        const BYTE* p = static_cast<const BYTE*>(lock.Data());
        bytes.assign(p, p + lock.Size());
    }
    DataProvider provider;
    IDataObject* empty = provider.GetDataObject();
    ObjectDescriptor out;
    EXPECT_FALSE(ReadObjectDescriptor(DataHolder(empty), out));
    empty->Release();
    provider.AddFormat(new BytesFormatProvider(WinUtil::GetObjectDescriptorClipFormat(), bytes));
    IDataObject* data = provider.GetDataObject();
    ASSERT_TRUE(ReadObjectDescriptor(DataHolder(data), out));
    EXPECT_EQ(out.dragPoint.y, 9);
    data->Release();
}

TEST(ClipFormats, PrivateIdsInOrderAndRegisteredOnce) {
    WinUtil::PrivateClipFormat a, b;
    EXPECT_GE(a.Get(), 0x200);
    EXPECT_EQ(b.Get(), a.Get() + 1);
    EXPECT_EQ(WinUtil::GetPngClipFormat(), static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"PNG")));
    EXPECT_EQ(WinUtil::GetEmbedSourceClipFormat(), static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Embed Source")));
    EXPECT_EQ(WinUtil::GetEmbeddedObjectClipFormat(),
              static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Embedded Object")));
}
