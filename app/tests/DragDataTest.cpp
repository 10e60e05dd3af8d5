// The data object of a drag: the set handed back whole inside the process, its reference id and
// drag image read from the offered formats, formats in order, and a real OLE drag onto a window.
#include "app/DragData.h"
#include "app/winutil/ClipFormat.h"
#include "app/tests/DataObjectTestSupport.h"
#include "core/TransferSet.h"
#include "core/tests/TestKinds.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

using namespace Application;
using namespace TestKinds;

namespace {

using DataObjectTest::Enumerate;

FORMATETC Global(CLIPFORMAT format) { return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

class DragDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        Core::Transaction t(source);
        Core::Env env(t);
        box = Box::Factory().CreateTyped(env);
        other = Box::Factory().CreateTyped(env);
        part = Part::Factory().CreateTyped(env);
        part->SetField(env, &PartRep::target, static_cast<IBox*>(box.get()));
        env.Close();
    }
    void TearDown() override { OleUninitialize(); }

    // A set of the box and the part, the part being the reference element.
    std::shared_ptr<Core::TransferSet> MakeSet(bool withReference = true) {
        auto set = std::make_shared<Core::TransferSet>(Registry());
        set->Insert(*box);
        set->Insert(*part);
        if (withReference) set->SetReferenceElement(part->GetObjectId());
        return set;
    }

    Core::Diagram source{Registry(), nullptr};
    std::shared_ptr<Box> box, other;
    std::shared_ptr<Part> part;
};

} // namespace

TEST_F(DragDataTest, SetImageAndReferenceComeBackThroughTheDataObject) {
    auto set = MakeSet();
    DragData drag(set, zq::Point(4000, 2500), zq::Point(1200, 300), DragOrigin{CLSID_NULL, L"Diagram1", L"Diagram"});
    EXPECT_EQ(drag.GetTransferSet(), set);
    EXPECT_EQ(drag.GetImageSize(), zq::Point(4000, 2500));
    EXPECT_EQ(drag.GetHotSpot(), zq::Point(1200, 300));

    IDataObject* data = drag.GetDataObject();
    EXPECT_TRUE(IsOwnDataObject(data));
    EXPECT_EQ(GetOwnTransferSet(data), set);  // the very same set, no copy
    EXPECT_EQ(ReadReferenceId(data), std::optional<Core::ObjectId>(part->GetObjectId()));

    DataHolder holder(data);
    auto image = ReadDragImage(holder);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size, zq::Point(4000, 2500));
    EXPECT_EQ(image->hotSpot, zq::Point(1200, 300));
    ObjectDescriptor descriptor;
    ASSERT_TRUE(ReadObjectDescriptor(holder, descriptor));
    EXPECT_EQ(descriptor.sourceName, L"Diagram1");
    EXPECT_EQ(descriptor.fullUserTypeName, L"Diagram");

    // The set's reference element is the copy of the part, reachable through the handed-back set.
    auto back = GetOwnTransferSet(data);
    ASSERT_NE(back->GetReferenceElement(), nullptr);
    EXPECT_EQ(back->GetReferenceElement()->GetObjectId(), part->GetObjectId());
    EXPECT_EQ(back->Size(), 2u);
    data->Release();
}

TEST_F(DragDataTest, FormatsAreOfferedInOrderAndAnsweredAsOffered) {
    // Programs take the first format they understand: the leading formats come first, the
    // private ones last.
    const auto picture = [](DataProvider& provider) {
        HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
        Rectangle(dc, 0, 0, 10, 10);
        provider.AddFormat(new EmfFormatProvider(CloseEnhMetaFile(dc)));
    };
    DragData drag(MakeSet(false), zq::Point(100, 100), zq::Point(0, 0), DragOrigin{}, picture);
    IDataObject* data = drag.GetDataObject();

    auto formats = Enumerate(data);
    ASSERT_EQ(formats.size(), 4u);
    EXPECT_EQ(formats[0].cfFormat, CF_ENHMETAFILE);
    EXPECT_EQ(formats[1].cfFormat, WinUtil::GetObjectDescriptorClipFormat());
    EXPECT_EQ(formats[2].cfFormat, GetTransferSetClipFormat());
    EXPECT_EQ(formats[3].cfFormat, GetReferenceIdClipFormat());
    EXPECT_GE(GetTransferSetClipFormat(), CF_PRIVATEFIRST);
    EXPECT_EQ(GetReferenceIdClipFormat(), GetTransferSetClipFormat() + 1);
    for (FORMATETC fe : formats) EXPECT_EQ(data->QueryGetData(&fe), S_OK) << fe.cfFormat;

    FORMATETC wrongMedium{GetTransferSetClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    EXPECT_EQ(data->QueryGetData(&wrongMedium), DV_E_TYMED);
    STGMEDIUM medium{};
    EXPECT_EQ(data->GetData(&wrongMedium, &medium), DV_E_TYMED);

    // The set's address is served as a pointer-sized block; without a reference element the id is 0.
    FORMATETC address = Global(GetTransferSetClipFormat());
    ASSERT_EQ(data->GetData(&address, &medium), S_OK);
    {
        WinUtil::GlobalLock lock(medium.hGlobal);
        ASSERT_GE(lock.Size(), sizeof(std::uintptr_t));
        std::uintptr_t value;
        std::memcpy(&value, lock.Data(), sizeof value);
        EXPECT_EQ(value, reinterpret_cast<std::uintptr_t>(drag.GetTransferSet().get()));
    }
    ReleaseStgMedium(&medium);
    EXPECT_EQ(ReadReferenceId(data), std::optional<Core::ObjectId>(0));
    data->Release();
}

TEST_F(DragDataTest, SetIsGoneOnceTheDragEnds) {
    auto set = MakeSet();
    IDataObject* data = nullptr;
    {
        DragData drag(set, zq::Point(10, 10), zq::Point(5, 5));
        data = drag.GetDataObject();
        ASSERT_EQ(GetOwnTransferSet(data), set);
    }
    // A drop target still holding the object gets nothing once the drag's owner closed it.
    EXPECT_EQ(GetOwnTransferSet(data), nullptr);
    FORMATETC address = Global(GetTransferSetClipFormat());
    EXPECT_NE(data->QueryGetData(&address), S_OK);
    EXPECT_FALSE(ReadReferenceId(data).has_value());
    EXPECT_FALSE(ReadDragImage(DataHolder(data)).has_value());
    data->Release();
    EXPECT_EQ(set.use_count(), 1);  // the data object let go of the set
}

TEST_F(DragDataTest, ForgedOrForeignObjectsGiveNoSet) {
    auto set = MakeSet();
    // An own object whose address block names no live set, or is too short.
    std::uintptr_t bogus = reinterpret_cast<std::uintptr_t>(set.get()) + 8;
    std::vector<BYTE> bytes(sizeof bogus);
    std::memcpy(bytes.data(), &bogus, sizeof bogus);
    {
        DataProvider forged;
        forged.AddFormat(new BytesFormatProvider(GetTransferSetClipFormat(), bytes));
        IDataObject* data = forged.GetDataObject();
        EXPECT_TRUE(IsOwnDataObject(data));
        EXPECT_EQ(GetOwnTransferSet(data), nullptr);
        data->Release();
    }
    {
        // The real address of a set that no provider serves is not trusted either.
        std::uintptr_t real = reinterpret_cast<std::uintptr_t>(set.get());
        std::memcpy(bytes.data(), &real, sizeof real);
        DataProvider forged;
        forged.AddFormat(new BytesFormatProvider(GetTransferSetClipFormat(), bytes));
        forged.AddFormat(new BytesFormatProvider(GetReferenceIdClipFormat(), {1, 2}));
        IDataObject* data = forged.GetDataObject();
        EXPECT_EQ(GetOwnTransferSet(data), nullptr);
        EXPECT_FALSE(ReadReferenceId(data).has_value());  // too short
        data->Release();
    }
    {
        DataProvider empty;
        empty.AddFormat(new BytesFormatProvider(GetTransferSetClipFormat(), {1}));
        IDataObject* data = empty.GetDataObject();
        EXPECT_EQ(GetOwnTransferSet(data), nullptr);
        data->Release();
    }
    EXPECT_EQ(GetOwnTransferSet(nullptr), nullptr);
    EXPECT_FALSE(ReadReferenceId(nullptr).has_value());
}

TEST_F(DragDataTest, TwoDragsOfOneSetKeepItRecognisedUntilTheLastEnds) {
    auto set = MakeSet();
    auto first = std::make_unique<DragData>(set, zq::Point(1, 1), zq::Point(0, 0));
    DragData second(set, zq::Point(1, 1), zq::Point(0, 0));
    first.reset();
    IDataObject* data = second.GetDataObject();
    EXPECT_EQ(GetOwnTransferSet(data), set);
    data->Release();
}

// ---- A real OLE drag within the process ----

namespace {

// Drops as soon as the target has been entered; cancels after a bounded number of steps.
struct DropAtOnce : IDropSource {
    const bool* entered = nullptr;
    int steps = 0;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) { *out = this; return S_OK; }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD) override {
        if (escape || ++steps > 200) return DRAGDROP_S_CANCEL;
        return *entered ? DRAGDROP_S_DROP : S_OK;
    }
    STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

// Takes the set on drop when the dragged object is the program's own.
struct SetTarget : IDropTarget {
    bool entered = false;
    std::shared_ptr<Core::TransferSet> dropped;
    std::optional<DragImage> image;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) { *out = this; return S_OK; }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        entered = true;
        *effect = GetOwnTransferSet(data) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        dropped = GetOwnTransferSet(data);
        image = ReadDragImage(DataHolder(data));
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
};

} // namespace

TEST_F(DragDataTest, DoDragDropHandsTheSetToATargetWindow) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorvelDragDataTarget";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"drop here", WS_POPUP | WS_VISIBLE, 100, 100,
                                  200, 200, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    UpdateWindow(window);
    SetTarget target;
    ASSERT_EQ(RegisterDragDrop(window, &target), S_OK);
    SetCursorPos(200, 200);

    auto set = MakeSet();
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr;
    {
        DragData drag(set, zq::Point(3000, 2000), zq::Point(700, 400));
        IDataObject* data = drag.GetDataObject();
        DropAtOnce source;
        source.entered = &target.entered;
        hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
        data->Release();
    }
    RevokeDragDrop(window);
    DestroyWindow(window);

    EXPECT_EQ(hr, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_TRUE(target.entered);
    EXPECT_EQ(target.dropped, set);
    ASSERT_TRUE(target.image.has_value());
    EXPECT_EQ(target.image->size, zq::Point(3000, 2000));
    EXPECT_EQ(target.image->hotSpot, zq::Point(700, 400));
}
