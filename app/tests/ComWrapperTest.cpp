// The guarded COM wrappers: each method hands the implementation's result through, turns a
// ComException into its HRESULT and any other exception into E_UNEXPECTED with a report that
// names the wrapper and the method.
#include "app/tests/ReportCollector.h"
#include "app/winutil/ComGuard.h"
#include "app/winutil/Exceptions.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

enum class Mode { Answer, ComFailure, Crash };

// One implementation for every wrapper: each method records its name and answers, throws a
// ComException or throws something else, as the test sets.
struct Impl {
    Mode mode = Mode::Answer;
    HRESULT answer = S_FALSE;
    ULONG count = 7;
    std::vector<std::string> calls;

    HRESULT Act(const char* name) {
        calls.push_back(name);
        if (mode == Mode::ComFailure) throw WinUtil::ComException(STG_E_ACCESSDENIED);
        if (mode == Mode::Crash) throw std::runtime_error("implementation failed");
        return answer;
    }
    ULONG Count(const char* name) {
        Act(name);
        return count;
    }

#define QUORVEL_IMPL_METHOD(Name) \
    template <class... A>         \
    HRESULT Name(A...) { return Act(#Name); }
    QUORVEL_IMPL_METHOD(QueryInterface)
    QUORVEL_IMPL_METHOD(GetClassID)
    QUORVEL_IMPL_METHOD(IsDirty)
    QUORVEL_IMPL_METHOD(Load)
    QUORVEL_IMPL_METHOD(Save)
    QUORVEL_IMPL_METHOD(SaveCompleted)
    QUORVEL_IMPL_METHOD(GetCurFile)
    QUORVEL_IMPL_METHOD(InitNew)
    QUORVEL_IMPL_METHOD(HandsOffStorage)
    QUORVEL_IMPL_METHOD(GetData)
    QUORVEL_IMPL_METHOD(GetDataHere)
    QUORVEL_IMPL_METHOD(QueryGetData)
    QUORVEL_IMPL_METHOD(GetCanonicalFormatEtc)
    QUORVEL_IMPL_METHOD(SetData)
    QUORVEL_IMPL_METHOD(EnumFormatEtc)
    QUORVEL_IMPL_METHOD(DAdvise)
    QUORVEL_IMPL_METHOD(DUnadvise)
    QUORVEL_IMPL_METHOD(EnumDAdvise)
    QUORVEL_IMPL_METHOD(SetClientSite)
    QUORVEL_IMPL_METHOD(GetClientSite)
    QUORVEL_IMPL_METHOD(SetHostNames)
    QUORVEL_IMPL_METHOD(Close)
    QUORVEL_IMPL_METHOD(SetMoniker)
    QUORVEL_IMPL_METHOD(GetMoniker)
    QUORVEL_IMPL_METHOD(InitFromData)
    QUORVEL_IMPL_METHOD(GetClipboardData)
    QUORVEL_IMPL_METHOD(DoVerb)
    QUORVEL_IMPL_METHOD(EnumVerbs)
    QUORVEL_IMPL_METHOD(Update)
    QUORVEL_IMPL_METHOD(IsUpToDate)
    QUORVEL_IMPL_METHOD(GetUserClassID)
    QUORVEL_IMPL_METHOD(GetUserType)
    QUORVEL_IMPL_METHOD(SetExtent)
    QUORVEL_IMPL_METHOD(GetExtent)
    QUORVEL_IMPL_METHOD(Advise)
    QUORVEL_IMPL_METHOD(Unadvise)
    QUORVEL_IMPL_METHOD(EnumAdvise)
    QUORVEL_IMPL_METHOD(GetMiscStatus)
    QUORVEL_IMPL_METHOD(SetColorScheme)
#undef QUORVEL_IMPL_METHOD
    ULONG AddRef() { return Count("AddRef"); }
    ULONG Release() { return Count("Release"); }
    DWORD AddConnection(DWORD, DWORD) { return Count("AddConnection"); }
    DWORD ReleaseConnection(DWORD, DWORD, BOOL) { return Count("ReleaseConnection"); }
};

using Reports = AppTest::ReportCollector;

// Runs call in the three modes: the answer passes, a ComException gives its code unreported,
// anything else gives E_UNEXPECTED and one report naming the guard.
template <class Call>
void ExpectGuarded(Impl& impl, const wchar_t* guard, Call call) {
    impl.mode = Mode::Answer;
    EXPECT_EQ(call(), S_FALSE) << "answer of " << std::string(guard, guard + wcslen(guard));
    impl.mode = Mode::ComFailure;
    {
        Reports reports;
        EXPECT_EQ(call(), STG_E_ACCESSDENIED);
        EXPECT_TRUE(reports.texts.empty());
    }
    impl.mode = Mode::Crash;
    Reports reports;
    EXPECT_EQ(call(), E_UNEXPECTED);
    EXPECT_TRUE(reports.OneNaming(guard)) << (reports.texts.empty() ? "no report" : "wrong report");
}

TEST(ComWrappers, OleObjectMethodsAreGuardedUnderTheirNames) {
    Impl impl;
    WinUtil::GIOleObject<Impl> wrapper(&impl);
    IOleObject& ole = wrapper;
    RECT rect{0, 0, 10, 10};
    ExpectGuarded(impl, L"WinUtil::GIOleObject::DoVerb",
                  [&] { return ole.DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, &rect); });
    ExpectGuarded(impl, L"WinUtil::GIOleObject::Close", [&] { return ole.Close(OLECLOSE_NOSAVE); });
    SIZEL size{};
    ExpectGuarded(impl, L"WinUtil::GIOleObject::GetExtent", [&] { return ole.GetExtent(DVASPECT_CONTENT, &size); });
    IUnknown* out = nullptr;
    ExpectGuarded(impl, L"WinUtil::GIUnknown::QueryInterface", [&] { return ole.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&out)); });
    EXPECT_EQ(impl.calls.front(), "DoVerb");
}

TEST(ComWrappers, DataObjectMethodsAreGuardedUnderTheirNames) {
    Impl impl;
    WinUtil::GIDataObject<Impl> wrapper(&impl);
    IDataObject& data = wrapper;
    FORMATETC format{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ExpectGuarded(impl, L"WinUtil::GIDataObject::GetData", [&] { return data.GetData(&format, &medium); });
    ExpectGuarded(impl, L"WinUtil::GIDataObject::QueryGetData", [&] { return data.QueryGetData(&format); });
    IEnumFORMATETC* formats = nullptr;
    ExpectGuarded(impl, L"WinUtil::GIDataObject::EnumFormatEtc", [&] { return data.EnumFormatEtc(DATADIR_GET, &formats); });
}

TEST(ComWrappers, PersistenceMethodsAreGuardedUnderTheirNames) {
    Impl impl;
    CLSID clsid{};
    WinUtil::GIPersist<Impl> persist(&impl);
    ExpectGuarded(impl, L"WinUtil::GIPersist::GetClassID", [&] { return static_cast<IPersist&>(persist).GetClassID(&clsid); });

    WinUtil::GIPersistFile<Impl> file(&impl);
    IPersistFile& f = file;
    ExpectGuarded(impl, L"WinUtil::GIPersistFile::Load", [&] { return f.Load(L"C:\\x.qvd", STGM_READ); });
    ExpectGuarded(impl, L"WinUtil::GIPersistFile::Save", [&] { return f.Save(nullptr, TRUE); });
    ExpectGuarded(impl, L"WinUtil::GIPersist::GetClassID", [&] { return f.GetClassID(&clsid); });

    WinUtil::GIPersistStorage<Impl> storage(&impl);
    IPersistStorage& s = storage;
    ExpectGuarded(impl, L"WinUtil::GIPersistStorage::InitNew", [&] { return s.InitNew(nullptr); });
    ExpectGuarded(impl, L"WinUtil::GIPersistStorage::HandsOffStorage", [&] { return s.HandsOffStorage(); });
    ExpectGuarded(impl, L"WinUtil::GIPersistStorage::IsDirty", [&] { return s.IsDirty(); });
}

TEST(ComWrappers, ExternalConnectionCountsPassAndAFailureCountsZero) {
    Impl impl;
    WinUtil::GIExternalConnection<Impl> wrapper(&impl);
    IExternalConnection& connection = wrapper;
    EXPECT_EQ(connection.AddConnection(EXTCONN_STRONG, 0), 7u);
    EXPECT_EQ(connection.ReleaseConnection(EXTCONN_STRONG, 0, TRUE), 7u);
    EXPECT_EQ(connection.AddRef(), 7u);
    impl.mode = Mode::Crash;
    Reports reports;
    EXPECT_EQ(connection.AddConnection(EXTCONN_STRONG, 0), 0u);
    EXPECT_TRUE(reports.OneNaming(L"WinUtil::GIExternalConnection::AddConnection"));
    EXPECT_EQ(connection.ReleaseConnection(EXTCONN_STRONG, 0, FALSE), 0u);
    ASSERT_EQ(reports.texts.size(), 2u);
    EXPECT_NE(reports.texts[1].find(L"WinUtil::GIExternalConnection::ReleaseConnection"), std::wstring::npos);
    EXPECT_EQ(impl.calls, (std::vector<std::string>{"AddConnection", "ReleaseConnection", "AddRef", "AddConnection",
                                                   "ReleaseConnection"}));
}

} // namespace
