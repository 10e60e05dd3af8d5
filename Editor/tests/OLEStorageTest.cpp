// The OLE half of a document's storage: the persistence states a container drives, the diagram
// written into and read back from the container's storage, refused storages, and the property sets
// carried into a new storage.
#include "Editor/StorageHolder.h"
#include "app/winutil/Exceptions.h"
#include "core/Transaction.h"
#include "core/tests/TestKinds.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using TestKinds::Box;

struct NoInit : Core::Diagram::Initializer {
    void InitNewDiagram(Core::Diagram&) override {}
};

struct Embedded {
    NoInit init;
    Core::Diagram model{TestKinds::Registry(), &init};
    Editor::StorageHolder storage{model, Editor::SystemFileIo(), [](unsigned) {}};

    void AddBox() {
        Core::Transaction t(model);
        Core::Env env(t);
        Box::Factory().CreateTyped(env)->SetPos(env, {300, 50});
        model.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    std::string Text() const {
        std::ostringstream out;
        model.SaveXML(out);
        return out.str();
    }
};

// A compound file in memory, released with the object.
struct MemoryStorage {
    IStorage* p = nullptr;
    MemoryStorage() {
        StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0, &p);
    }
    ~MemoryStorage() {
        if (p) p->Release();
    }
    void WriteStream(const wchar_t* name, const std::string& bytes) {
        IStream* stream = nullptr;
        ASSERT_HRESULT_SUCCEEDED(p->CreateStream(name, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream));
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        stream->Release();
    }
    bool HasStream(const wchar_t* name) {
        IStream* stream = nullptr;
        if (FAILED(p->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) return false;
        stream->Release();
        return true;
    }
};

template <class F>
long CodeOf(F&& call) {
    try {
        call();
    } catch (const WinUtil::ComException& e) {
        return e.Code();
    }
    return S_OK;
}

TEST(OLEStorage, TheStatesOfSavingHandsOffAndCompletion) {
    Embedded doc;
    MemoryStorage own, other;
    ASSERT_TRUE(own.p && other.p);
    EXPECT_EQ(CO_E_NOTINITIALIZED, CodeOf([&] { doc.storage.SaveToStorage(own.p, true); }));
    doc.storage.InitNew(own.p);
    EXPECT_TRUE(doc.storage.IsEmbedded());
    EXPECT_TRUE(doc.storage.IsDirty());  // a new embedded diagram was never saved into its container
    EXPECT_EQ(CO_E_ALREADYINITIALIZED, CodeOf([&] { doc.storage.InitNew(own.p); }));
    EXPECT_EQ(CO_E_ALREADYINITIALIZED, CodeOf([&] { doc.storage.Load(own.p); }));

    doc.storage.SaveToStorage(other.p, false);  // a copy: the container keeps its own storage
    EXPECT_EQ(2, doc.storage.GetPersistState());
    EXPECT_TRUE(other.HasStream(L"quorvel-xml"));
    doc.storage.SaveCompleted(nullptr);
    EXPECT_EQ(1, doc.storage.GetPersistState());
    EXPECT_TRUE(doc.storage.IsDirty());

    doc.storage.HandsOffStorage();
    EXPECT_EQ(3, doc.storage.GetPersistState());
    EXPECT_EQ(E_INVALIDARG, CodeOf([&] { doc.storage.SaveCompleted(nullptr); }));
    doc.storage.SaveCompleted(own.p);
    EXPECT_EQ(1, doc.storage.GetPersistState());

    doc.storage.SaveToStorage(own.p, true);
    doc.storage.HandsOffStorage();
    EXPECT_EQ(4, doc.storage.GetPersistState());
    doc.storage.SaveCompleted(own.p);
    EXPECT_EQ(1, doc.storage.GetPersistState());
    EXPECT_FALSE(doc.storage.IsDirty());
    // The file half refuses an embedded document.
    EXPECT_EQ(E_FAIL, CodeOf([&] { doc.storage.Save(L"x.qvd", true); }));
}

TEST(OLEStorage, ADiagramSavedIntoAStorageLoadsBackAndBadStoragesAreRefused) {
    Embedded first;
    MemoryStorage storage;
    first.storage.InitNew(storage.p);
    first.AddBox();
    first.storage.SaveToStorage(storage.p, true);
    first.storage.SaveCompleted(nullptr);

    Embedded second;
    second.storage.Load(storage.p);
    EXPECT_EQ(first.Text(), second.Text());
    EXPECT_TRUE(second.storage.IsEmbedded());
    EXPECT_FALSE(second.storage.IsDirty());

    MemoryStorage empty, malformed;
    malformed.WriteStream(L"quorvel-xml", "<not a diagram");
    Embedded refused;
    EXPECT_EQ(STG_E_FILENOTFOUND, CodeOf([&] { refused.storage.Load(empty.p); }));
    EXPECT_EQ(E_FAIL, CodeOf([&] { refused.storage.Load(malformed.p); }));
    EXPECT_EQ(0, refused.storage.GetPersistState());
    EXPECT_FALSE(refused.storage.IsEmbedded());
}

TEST(OLEStorage, PropertySetsGoWithTheDiagramIntoANewStorage) {
    Embedded doc;
    MemoryStorage own, copy;
    own.WriteStream(L"\005SummaryInformation", "summary");
    own.WriteStream(L"quorvel-xml", "");
    doc.storage.InitNew(own.p);
    doc.storage.SaveToStorage(copy.p, false);
    doc.storage.SaveCompleted(nullptr);
    EXPECT_TRUE(copy.HasStream(L"\005SummaryInformation"));
    EXPECT_TRUE(copy.HasStream(L"quorvel-xml"));
}

} // namespace
