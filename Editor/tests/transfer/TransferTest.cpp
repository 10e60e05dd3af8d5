// The editor's transfer formats between two view windows of this process, with a second process of
// ours that reads the clipboard and puts back "Embed Source", and with files dropped from the shell.
#include "Editor/TransferFormats.h"
#include "Editor/tests/transfer/HelperProcess.h"
#include "app/tests/ReportCollector.h"
#include "app/winutil/ClipFormat.h"
#include "core/DocumentWriter.h"
#include "core/win/Storage.h"
#include "drawing/DrawingKernel.h"
#include "view/CopyPaste.h"
#include "view/tests/TestTransfer.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;

class Transfer : public OleTest {
protected:
    void SetUp() override {
        OleTest::SetUp();
        Editor::TransferSetFormatHandler::SetDefaultPictureMaker({});  // the handlers here offer no pictures
        Core::ReadOptions options;
        options.afterRestored = [this](Core::Env&, const std::vector<Core::ElementPtr>&) { ++reads; };
        formats = std::make_unique<Editor::TransferSetFormatHandler>(Registry(), options);
        w1 = std::make_unique<ViewWindow>(nullptr, &clipboard, formats.get());
        w2 = std::make_unique<ViewWindow>(nullptr, &clipboard, formats.get(), ViewWindow::kW + 20);
        View::DefaultTaskCopyPaste::SetMessageSink([this](const std::wstring&, const std::wstring& text) {
            messages.push_back(text);
        });
    }
    void TearDown() override {
        View::DefaultTaskCopyPaste::SetMessageSink({});
        w2.reset();
        w1.reset();
        formats.reset();
        OleTest::TearDown();
    }
    bool Run(ViewWindow& w, UINT id) { return w.router.Execute({id, 0, nullptr}); }
    size_t Undos(ViewWindow& w) { return w.diagram.GetUndoHandler().GetUndoCount(); }
    // Copies a selected box from the first window.
    std::shared_ptr<Box> CopyABox() {
        auto a = w1->AddBox({0, 4000, 2000, 2000});
        a->SelectInView(*w1->view, true);
        EXPECT_TRUE(Run(*w1, View::kCmdCopy));
        return a;
    }
    // Pastes in the second window once the clipboard shows data it accepts.
    bool Paste() {
        if (!PumpUntil(*w2, [&] { return w2->router.IsEnabled(View::kCmdPaste); })) return false;
        return Run(*w2, View::kCmdPaste);
    }

    Application::Clipboard clipboard;
    std::unique_ptr<Editor::TransferSetFormatHandler> formats;
    std::unique_ptr<ViewWindow> w1, w2;
    std::vector<std::wstring> messages;
    int reads = 0;  // documents the handler read
};

TEST_F(Transfer, CopyAndPasteBetweenWindowsHandsTheSetOverInMemoryAsOneUndoStep)
{
    CopyABox();
    const size_t undo1 = Undos(*w1), undo2 = Undos(*w2);
    ASSERT_TRUE(Paste());
    EXPECT_EQ(w2->Selection().size(), 1u);
    EXPECT_EQ(Undos(*w2), undo2 + 1);
    EXPECT_EQ(Undos(*w1), undo1);
    EXPECT_EQ(reads, 0) << "no XML is read inside the process";

    // Other programs get "Embed Source" only into their own storage; without a picture maker no pictures.
    auto set = std::make_shared<Core::TransferSet>(Registry());
    set->Insert(*w2->Selection()[0]);
    Application::DragData drag(set, {}, {});
    formats->AddFormatsForSet(drag.GetProvider(), set);
    struct Data {
        IDataObject* p;
        ~Data() { p->Release(); }
    } clip{drag.GetDataObject()};
    FORMATETC embed{WinUtil::GetEmbedSourceClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
    STGMEDIUM medium{};
    EXPECT_EQ(clip.p->GetData(&embed, &medium), E_NOTIMPL);
    FORMATETC emf{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    EXPECT_NE(clip.p->QueryGetData(&emf), S_OK);
    ILockBytes* bytes = nullptr;
    IStorage* storage = nullptr;
    ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes), S_OK);
    ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage), S_OK);
    medium.tymed = TYMED_ISTORAGE;
    medium.pstg = storage;
    EXPECT_EQ(clip.p->GetDataHere(&embed, &medium), S_OK);
    CLSID clsid{};
    EXPECT_EQ(ReadClassStg(storage, &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, Editor::GetProgramClassId()));
    Core::Diagram read(Registry(), nullptr);
    Core::ReadDiagramFromStorage(read, storage);
    EXPECT_EQ(read.GetElementCount(), 1u);
    storage->Release();
    bytes->Release();
}

// The "Object Descriptor" block of a data object, byte for byte; empty when it offers none.
std::vector<BYTE> DescriptorBytes(IDataObject* data)
{
    FORMATETC fe{WinUtil::GetObjectDescriptorClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&fe, &medium) != S_OK) return {};
    std::vector<BYTE> bytes;
    if (medium.tymed == TYMED_HGLOBAL) {
        const auto* p = static_cast<const BYTE*>(GlobalLock(medium.hGlobal));
        if (p) bytes.assign(p, p + GlobalSize(medium.hGlobal));
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return bytes;
}

// The name at a byte offset of the record, read as a program of another process must: the offset
// inside the record and after its header, the terminator inside the record. Fails the test otherwise.
std::wstring NameAt(const std::vector<BYTE>& bytes, const OBJECTDESCRIPTOR& od, DWORD offset)
{
    if (offset == 0) return {};
    EXPECT_GE(offset, sizeof od);
    EXPECT_LT(offset, od.cbSize);
    EXPECT_EQ(offset % sizeof(wchar_t), 0u);
    std::wstring name;
    for (size_t at = offset; at + sizeof(wchar_t) <= od.cbSize; at += sizeof(wchar_t)) {
        wchar_t c;
        std::memcpy(&c, bytes.data() + at, sizeof c);
        if (c == L'\0') return name;
        name += c;
    }
    ADD_FAILURE() << "a name runs past the end of the record";
    return {};
}

// Checks a descriptor of the program's elements: the record inside its block, the class id, the
// registered status and the registered full user type name.
OBJECTDESCRIPTOR ExpectProgramDescriptor(const std::vector<BYTE>& bytes, std::wstring& source)
{
    OBJECTDESCRIPTOR od{};
    if (bytes.size() < sizeof od) {
        ADD_FAILURE() << "no descriptor";
        return od;
    }
    std::memcpy(&od, bytes.data(), sizeof od);
    EXPECT_GE(od.cbSize, sizeof od);
    EXPECT_LE(od.cbSize, bytes.size());
    EXPECT_TRUE(IsEqualCLSID(od.clsid, Editor::GetProgramClassId()));
    EXPECT_EQ(od.dwDrawAspect, DWORD(DVASPECT_CONTENT));
    DWORD status = 0xFFFF;
    EXPECT_EQ(OleRegGetMiscStatus(Editor::GetProgramClassId(), DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(od.dwStatus, status);
    EXPECT_NE(od.dwFullUserTypeName, 0u);
    EXPECT_EQ(NameAt(bytes, od, od.dwFullUserTypeName), L"Quorvel UML Diagram") << "the type the installation registered";
    source = NameAt(bytes, od, od.dwSrcOfCopy);
    return od;
}

TEST_F(Transfer, TheObjectDescriptorsOfACopyAndOfADragNameTheRegisteredTypeWithEveryOffsetInside)
{
    CopyABox();
    IDataObject* clip = nullptr;
    ASSERT_EQ(OleGetClipboard(&clip), S_OK);
    std::wstring source;
    const OBJECTDESCRIPTOR copied = ExpectProgramDescriptor(DescriptorBytes(clip), source);
    clip->Release();
    EXPECT_EQ(copied.sizel.cx, 0);
    EXPECT_EQ(copied.sizel.cy, 0);

    // A drag describes the dragged image: its size and the grabbed point from its top-left corner.
    FakeDrag detect(true);
    std::vector<BYTE> dragged;
    View::DefaultMoveTask::SetDragLoop([&](IDataObject* data, IDropSource*, DWORD, DWORD* effect) {
        dragged = DescriptorBytes(data);
        *effect = DROPEFFECT_NONE;
        return HRESULT(DRAGDROP_S_CANCEL);
    });
    const POINT press = w1->At({1000, 3000});
    w1->Mouse(WM_LBUTTONDOWN, press, MK_LBUTTON);
    w1->Mouse(WM_MOUSEMOVE, press, MK_LBUTTON);
    const OBJECTDESCRIPTOR od = ExpectProgramDescriptor(dragged, source);
    EXPECT_EQ(od.sizel.cx, 2000);
    EXPECT_EQ(od.sizel.cy, 2000);
    // One client pixel is about 26 model units.
    EXPECT_NEAR(od.pointl.x, 1000, 30);
    EXPECT_NEAR(od.pointl.y, 1000, 30);
}

TEST_F(Transfer, ASecondProcessPutsBackEmbedSourceThatPastesWithItsReferenceElement)
{
    // What a drag offers: the set with the grabbed element as its reference element.
    auto a = w1->AddBox({0, 4000, 2000, 2000});
    auto set = std::make_shared<Core::TransferSet>(Registry());
    set->Insert(*a);
    set->SetReferenceElement(a->GetObjectId());
    Application::DragData drag(set, {}, {}, formats->GetDragOrigin());
    formats->AddFormatsForSet(drag.GetProvider(), set);
    clipboard.SetData(drag.GetProvider());

    TransferTest::HelperProcess helper;
    ASSERT_TRUE(helper.Start(Application::GetReferenceIdClipFormat()));
    // The clipboard is now the helper's: read through "Embed Source", keeping the reference element.
    struct Keep : View::ITransferSetFormatHandler::ITransferSetUser {
        std::shared_ptr<Core::TransferSet> set;
        void Use(const std::shared_ptr<Core::TransferSet>& s) override { set = s; }
    } keep;
    EXPECT_TRUE(formats->CanAccept(clipboard));
    EXPECT_TRUE(formats->Extract(clipboard, keep));
    ASSERT_TRUE(keep.set);
    ASSERT_NE(keep.set->GetReferenceElement(), nullptr);
    EXPECT_EQ(keep.set->GetReferenceElement()->GetObjectId(), a->GetObjectId());

    const size_t undo2 = Undos(*w2);
    EXPECT_TRUE(Paste());
    EXPECT_EQ(w2->Selection().size(), 1u);
    EXPECT_EQ(Undos(*w2), undo2 + 1);
    EXPECT_EQ(helper.Finish(), 0);
}

// Pictures of a set too large for the process: the EMF is made, the metafile picture runs out of
// memory and the PNG's bitmap cannot be made, as for thousands of classes.
struct PicturesTooLarge : Editor::ITransferPictures {
    void CreateEnhancedMetafile(STGMEDIUM& medium, int) override {
        HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
        Rectangle(dc, 0, 0, 20, 10);
        medium.tymed = TYMED_ENHMF;
        medium.hEnhMetaFile = CloseEnhMetaFile(dc);
    }
    void CreateWindowsMetafile(STGMEDIUM&, int) override { throw std::bad_alloc(); }
    void CreatePngStream(STGMEDIUM&, int) override {
        throw DrawingKernel::Error("CreateDIBSection failed for 18686 x 16021");
    }
};

TEST_F(Transfer, PicturesThatCannotBeRenderedAreAnsweredAsFailuresWithoutABoxAndTheFlushKeepsTheOtherFormats)
{
    Editor::TransferSetFormatHandler::SetDefaultPictureMaker(
        [](const Core::TransferSet&) { return std::make_unique<PicturesTooLarge>(); });
    Editor::TransferSetFormatHandler pictured(Registry());
    Editor::TransferSetFormatHandler::SetDefaultPictureMaker({});
    AppTest::ReportCollector reports;
    auto a = w1->AddBox({0, 4000, 2000, 2000});
    auto set = std::make_shared<Core::TransferSet>(Registry());
    set->Insert(*a);
    // Put on the clipboard as a copy puts it there.
    Application::DragData copy(set, {}, {}, pictured.GetDragOrigin(),
                               [&](Application::DataProvider& provider) { pictured.AddFormatsForSet(provider, set); });
    clipboard.SetData(copy.GetProvider());

    // Asked by another program: the medium could not be made; no box.
    struct Data {
        IDataObject* p;
        ~Data() { p->Release(); }
    } data{copy.GetDataObject()};
    FORMATETC png{WinUtil::GetPngClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    FORMATETC wmf{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    FORMATETC emf{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    STGMEDIUM medium{};
    EXPECT_EQ(data.p->GetData(&png, &medium), STG_E_MEDIUMFULL);
    EXPECT_EQ(data.p->GetData(&wmf, &medium), STG_E_MEDIUMFULL);
    ASSERT_EQ(data.p->GetData(&emf, &medium), S_OK);
    ReleaseStgMedium(&medium);

    // Flushed as at exit: the pictures that cannot be made are left out, the rest stays and pastes.
    clipboard.Flush();
    EXPECT_FALSE(clipboard.OwnsClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
    EXPECT_TRUE(IsClipboardFormatAvailable(WinUtil::GetEmbedSourceClipFormat()));
    const size_t undo2 = Undos(*w2);
    ASSERT_TRUE(Paste());
    EXPECT_EQ(w2->Selection().size(), 1u);
    EXPECT_EQ(Undos(*w2), undo2 + 1);
    EXPECT_EQ(reads, 1) << "pasted from the flushed \"Embed Source\"";
    EXPECT_TRUE(reports.texts.empty()) << std::string(reports.texts[0].begin(), reports.texts[0].end());
}

// Offers one storage format, written into the caller's storage by the writer.
class StorageFormat : public Application::IFormatProvider {
public:
    StorageFormat(CLIPFORMAT format, std::function<HRESULT(IStorage*)> write) : format_(format), write_(std::move(write)) {}
    int GetFormatCount() const override { return 1; }
    FORMATETC GetFormat(int) const override { return {format_, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE}; }
    HRESULT GetData(int, const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
    HRESULT GetDataHere(int, const FORMATETC&, STGMEDIUM& medium) override { return write_(medium.pstg); }

private:
    CLIPFORMAT format_;
    std::function<HRESULT(IStorage*)> write_;
};

// A data provider with the object descriptor of the program's class and the storage format.
void OfferProgramStorage(Application::DataProvider& provider, CLIPFORMAT format, std::function<HRESULT(IStorage*)> write)
{
    Application::ObjectDescriptor descriptor;
    descriptor.clsid = Editor::GetProgramClassId();
    WinUtil::GlobalHandle block = Application::MakeObjectDescriptor(descriptor, false);
    WinUtil::GlobalLock lock(block.Get());
    const auto* p = static_cast<const BYTE*>(lock.Data());
    provider.AddFormat(new Application::BytesFormatProvider(WinUtil::GetObjectDescriptorClipFormat(),
                                                            std::vector<BYTE>(p, p + lock.Size())));
    provider.AddFormat(new StorageFormat(format, std::move(write)));
}

// Adds one box to a diagram of its own.
void AddABox(Core::Diagram& diagram)
{
    Core::Transaction t(diagram);
    Core::Env env(t);
    Box::Factory().CreateTyped(env)->SetRect(env, {0, 4000, 2000, 2000}, false);
    env.Close();
}

TEST_F(Transfer, DataOfferingOnlyEmbeddedObjectOfTheProgramsClassIsAccepted)
{
    Core::Diagram source(Registry(), nullptr);
    AddABox(source);
    Application::DataProvider provider;
    OfferProgramStorage(provider, WinUtil::GetEmbeddedObjectClipFormat(), [&](IStorage* storage) {
        Core::WriteDiagramToStorage(storage, source);
        return WriteClassStg(storage, Editor::GetProgramClassId());
    });
    Application::DataHolder holder(provider.GetDataObject());
    provider.GetDataObject()->Release();
    EXPECT_TRUE(formats->CanAccept(holder));
    struct Keep : View::ITransferSetFormatHandler::ITransferSetUser {
        std::shared_ptr<Core::TransferSet> set;
        void Use(const std::shared_ptr<Core::TransferSet>& s) override { set = s; }
    } keep;
    EXPECT_TRUE(formats->Extract(holder, keep));
    ASSERT_TRUE(keep.set);
    EXPECT_EQ(keep.set->Size(), 1u);
}

TEST_F(Transfer, MalformedEmbedSourceShowsTheErrorBoxAndLeavesTheUndoListUnchanged)
{
    // "Embed Source" of the program's class whose document is cut short.
    Application::DataProvider provider;
    OfferProgramStorage(provider, WinUtil::GetEmbedSourceClipFormat(), [](IStorage* storage) {
        IStream* stream = nullptr;
        storage->CreateStream(Core::kStorageStreamName, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
        const char text[] = "<?xml version=\"1.0\"?>\n<Diagram xmlns=\"";
        stream->Write(text, sizeof text - 1, nullptr);
        stream->Release();
        return WriteClassStg(storage, Editor::GetProgramClassId());
    });
    clipboard.SetData(provider);
    const size_t undo = Undos(*w2), count = w2->diagram.GetElementCount();
    bool thrown = false;
    try {
        Paste();
    } catch (const zq::Exception& e) {
        thrown = e.IsShown();
    }
    EXPECT_TRUE(thrown);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].find(L"Quorvel UML Editor cannot paste Clipboard contents.\nContent is malformed or corrupt.\n("),
              0u)
        << std::string(messages[0].begin(), messages[0].end());
    EXPECT_EQ(Undos(*w2), undo);
    EXPECT_EQ(w2->diagram.GetElementCount(), count);
}

// A DROPFILES block naming the files.
std::vector<BYTE> DropFiles(const std::vector<std::wstring>& names)
{
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::vector<BYTE> out(reinterpret_cast<BYTE*>(&header), reinterpret_cast<BYTE*>(&header) + sizeof header);
    for (const std::wstring& n : names) {
        const auto* b = reinterpret_cast<const BYTE*>(n.c_str());
        out.insert(out.end(), b, b + (n.size() + 1) * sizeof(wchar_t));
    }
    out.insert(out.end(), {0, 0});
    return out;
}

std::wstring TempFile(const wchar_t* name, const std::string& content)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + name;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (!content.empty()) WriteFile(f, content.data(), DWORD(content.size()), &written, nullptr);
    CloseHandle(f);
    return path;
}

TEST_F(Transfer, OneDroppedDiagramFileIsPastedAsACopyAndTwoFilesOrAnEmptyFileAreRefused)
{
    // A diagram file with one box.
    Core::Diagram source(Registry(), nullptr);
    AddABox(source);
    std::ostringstream xml;
    Core::WriteDiagramXML(source, xml);
    const std::wstring diagram = TempFile(L"quorvel-drop-test.qvd", xml.str());
    const std::wstring empty = TempFile(L"quorvel-drop-empty.qvd", "");
    auto reg = View::RegisterDropTarget(*w2->view);
    IDropTarget* t = reg->Get();
    const POINTL at = ScreenAt(*w2, {3000, 3000});

    for (const auto& names : {std::vector<std::wstring>{diagram, diagram}, std::vector<std::wstring>{empty}}) {
        Application::DataProvider files;
        files.AddFormat(new Application::BytesFormatProvider(CF_HDROP, DropFiles(names)));
        IDataObject* data = files.GetDataObject();
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        t->DragEnter(data, MK_LBUTTON, at, &effect);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        t->Drop(data, 0, at, &effect);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
        data->Release();
    }
    EXPECT_EQ(w2->diagram.GetElementCount(), 0u);

    Application::DataProvider files;
    files.AddFormat(new Application::BytesFormatProvider(CF_HDROP, DropFiles({diagram})));
    IDataObject* data = files.GetDataObject();
    const size_t undo = Undos(*w2);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    t->DragEnter(data, MK_LBUTTON, at, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY)) << "the shell must not delete the dropped file";
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    t->Drop(data, 0, at, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    data->Release();
    EXPECT_EQ(w2->diagram.GetElementCount(), 1u);
    EXPECT_EQ(Undos(*w2), undo + 1);
    EXPECT_EQ(reads, 1);
    EXPECT_NE(GetFileAttributesW(diagram.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(diagram.c_str());
    DeleteFileW(empty.c_str());
}

} // namespace
} // namespace ViewTest
