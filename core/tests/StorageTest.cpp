// Documents in compound files: written into the stream "quorvel-xml" and read back equal.
#ifdef _WIN32
#include "core/tests/DocumentKinds.h"

#include "app/winutil/Platform.h"
#include "core/win/Storage.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace Core;
using namespace TestKinds;

namespace {

// A compound file in the temporary folder, deleted when released.
struct CompoundFile {
    IStorage* storage = nullptr;
    CompoundFile() {
        wchar_t dir[MAX_PATH], path[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"qvs", 0, path);
        const HRESULT hr = StgCreateDocfile(path, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
                                            0, &storage);
        EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    }
    ~CompoundFile() {
        if (storage) storage->Release();
    }
};

std::string Save(const Diagram& d)
{
    std::ostringstream out;
    d.SaveXML(out);
    return out.str();
}

void Fill(Diagram& d)
{
    Transaction t(d);
    Env env(t);
    auto box = Box::Factory().CreateTyped(env);
    box->SetField(env, &BoxRep::name, std::wstring(L"z\u00FC"));
    auto part = Part::Factory().CreateTyped(env);
    part->SetField(env, &PartRep::target, static_cast<IBox*>(box.get()));
    auto c = Connector::Factory().CreateTyped(env);
    c->AddPart<ConnectorEnd>(env)->SetField(env, &EndRep::box, static_cast<IBox*>(box.get()));
    env.Close();
}

TEST(Storage, DiagramWrittenIntoACompoundFileReadsBackEqual)
{
    CompoundFile file;
    ASSERT_NE(file.storage, nullptr);
    Diagram d{DocumentRegistry(), nullptr};
    Fill(d);
    d.Save(file.storage);
    ASSERT_TRUE(SUCCEEDED(file.storage->Commit(STGC_DEFAULT)));

    IStream* stream = nullptr;
    ASSERT_TRUE(SUCCEEDED(file.storage->OpenStream(L"quorvel-xml", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream)));
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    stream->Release();
    EXPECT_EQ(stat.cbSize.QuadPart, Save(d).size());

    Diagram read{DocumentRegistry(), nullptr};
    EXPECT_EQ(read.Load(file.storage), 0u);
    EXPECT_EQ(Save(read), Save(d));

    d.Save(file.storage);  // replaces the stream
    Diagram again{DocumentRegistry(), nullptr};
    again.Load(file.storage);
    EXPECT_EQ(Save(again), Save(d));
}

TEST(Storage, MissingStreamIsAnErrorAndLeavesTheDiagramEmpty)
{
    CompoundFile file;
    ASSERT_NE(file.storage, nullptr);
    Diagram d{DocumentRegistry(), nullptr};
    EXPECT_THROW(d.Load(file.storage), Exceptions::Base);
    EXPECT_EQ(d.GetElementCount(), 0u);
}

} // namespace
#endif
