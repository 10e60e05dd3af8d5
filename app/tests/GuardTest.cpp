// Guarded calls: fault translation, report text, the already-shown flag, guarded COM wrappers.
#include "app/winutil/ComGuard.h"
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/Guard.h"
#include "core/foundation/Exception.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <new>
#include <string>
#include <thread>
#include <vector>

// A base whose constructor calls its pure function through a global the compiler cannot see through.
struct PureCaller {
    PureCaller();
    virtual ~PureCaller() = default;
    virtual void Pure() = 0;
};
PureCaller* volatile g_underConstruction = nullptr;
__attribute__((noinline)) void CallUnderConstruction() { g_underConstruction->Pure(); }
__attribute__((noinline)) PureCaller::PureCaller() {
    g_underConstruction = this;
    CallUnderConstruction();
}
struct PureCallerImpl : PureCaller {
    void Pure() override {}
};

namespace {

// Captures error reports instead of showing the box, for the life of a test.
class ReportCapture {
public:
    ReportCapture() {
        previous_ = WinUtil::ExceptionBox::SetSink(
            [this](const std::wstring& caption, const std::wstring& text) {
                captions.push_back(caption);
                reports.push_back(text);
            });
    }
    ~ReportCapture() { WinUtil::ExceptionBox::SetSink(previous_); }
    std::vector<std::wstring> captions;
    std::vector<std::wstring> reports;

private:
    WinUtil::ExceptionBox::Sink previous_;
};

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

volatile int g_zero = 0;
volatile int* volatile g_null = nullptr;
volatile int g_sink = 0;

// The results go to a volatile sink, so that the faulting operations cannot be optimised away.
__attribute__((noinline)) int ReadNull() { g_sink = *g_null; return g_sink; }
__attribute__((noinline)) int Divide(int a) { g_sink = a / g_zero; return g_sink; }
// Recurses until the stack overflows: that is its purpose.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int Recurse(int depth) {
    volatile char buffer[512];
    buffer[0] = static_cast<char>(depth);
    return Recurse(depth + 1) + buffer[0];
}
#pragma GCC diagnostic pop

// Which CException class a guarded fault became, through a guard nested in a catching guard.
template <class Expected>
bool FaultBecomes(const std::function<void()>& fault) {
    bool caught = false;
    WinUtil::GuardedFunctionCall("outer", [&] {
        try {
            fault();
        } catch (const Expected&) {
            caught = true;
        }
    });
    return caught;
}

TEST(GuardFaults, AccessViolationBecomesItsClassAndGuardAnswersFalse) {
    ReportCapture capture;
    EXPECT_TRUE(FaultBecomes<WinUtil::Access_violation>([] { ReadNull(); }));
    bool completed = WinUtil::GuardedFunctionCall("NullReader", [] { ReadNull(); });
    EXPECT_FALSE(completed);
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.reports[0].rfind(L"WinUtil::Access_violation catched in NullReader\n", 0), 0u)
        << capture.reports[0];
    EXPECT_TRUE(Contains(capture.reports[0], L"reading address 0x00000000"));
    EXPECT_EQ(capture.captions[0], L"Quorvel UML Editor: Unhandled Exception Error");
}

// The report names the faulting instruction's whole address: in the 64-bit build the code lies above
// 4 GiB, where an address cut to 32 bits would point nowhere near it.
TEST(GuardFaults, ReportNamesTheWholeFaultingAddress) {
    ReportCapture capture;
    EXPECT_FALSE(WinUtil::GuardedFunctionCall("NullReader", [] { ReadNull(); }));
    ASSERT_EQ(capture.reports.size(), 1u);
    const std::wstring& report = capture.reports[0];
    const std::size_t at = report.find(L" at 0x");
    ASSERT_NE(at, std::wstring::npos) << report;
    std::size_t digits = 0;
    const unsigned long long address = std::stoull(report.substr(at + 6), &digits, 16);
    EXPECT_EQ(digits, 2 * sizeof(void*)) << report;
    const auto start = reinterpret_cast<uintptr_t>(&ReadNull);
    EXPECT_GE(address, start) << report;
    EXPECT_LT(address, start + 256) << report;
}

TEST(GuardFaults, IntegerDivisionByZeroBecomesItsClass) {
    ReportCapture capture;
    EXPECT_TRUE(FaultBecomes<WinUtil::Int_divide_by_zero>([] { Divide(7); }));
    EXPECT_FALSE(WinUtil::GuardedFunctionCall("Divider", [] { Divide(1); }));
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_TRUE(Contains(capture.reports[0], L"WinUtil::Int_divide_by_zero catched in Divider"));
}

TEST(GuardFaults, StackOverflowTwiceInARow) {
    ReportCapture capture;
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(FaultBecomes<WinUtil::Stack_overflow>([] { Recurse(0); })) << "round " << round;
    }
    EXPECT_FALSE(WinUtil::GuardedFunctionCall("Recursion", [] { Recurse(0); }));
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_TRUE(Contains(capture.reports[0], L"WinUtil::Stack_overflow catched in Recursion"));
    // The thread goes on working, deep calls included.
    EXPECT_TRUE(WinUtil::GuardedFunctionCall("after", [] {
        std::string s(100000, 'x');
        if (s.size() != 100000) throw std::runtime_error("size");
    }));
}

TEST(GuardFaults, PureVirtualCallThrows) {
    ReportCapture capture;
    EXPECT_TRUE(FaultBecomes<WinUtil::Pure_virtual_call>([] { PureCallerImpl object; }));
    EXPECT_FALSE(WinUtil::GuardedFunctionCall("Constructor", [] { PureCallerImpl object; }));
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_TRUE(Contains(capture.reports[0], L"WinUtil::Pure_virtual_call catched in Constructor"));
}

TEST(GuardFaults, ManyFaultsInARowLeaveTheGuardsWorking) {
    // After many faults the guards still work and the depth bookkeeping is balanced.
    ReportCapture capture;
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(WinUtil::GuardedFunctionCall("loop", [] { ReadNull(); }));
    EXPECT_TRUE(WinUtil::GuardedFunctionCall("fine", [] {}));
    EXPECT_EQ(capture.reports.size(), 20u);
}

TEST(GuardFaults, FaultsOnAnotherThreadAreTranslatedThere) {
    ReportCapture capture;
    bool violation = false, overflow = false, overflowAgain = false;
    std::thread worker([&] {
        violation = FaultBecomes<WinUtil::Access_violation>([] { ReadNull(); });
        overflow = FaultBecomes<WinUtil::Stack_overflow>([] { Recurse(0); });
        overflowAgain = FaultBecomes<WinUtil::Stack_overflow>([] { Recurse(0); });
    });
    worker.join();
    EXPECT_TRUE(violation);
    EXPECT_TRUE(overflow);
    EXPECT_TRUE(overflowAgain);
}

TEST(GuardFaults, ExhaustedMemoryThrowsAndIsReported) {
    ReportCapture capture;
    WinUtil::InstallFaultTranslation();
    EXPECT_EQ(std::get_new_handler(), &WinUtil::OutOfMemoryHandler);
    EXPECT_FALSE(WinUtil::GuardedFunctionCall("Allocator", [] {
        std::vector<char*> blocks;
        struct Release {
            std::vector<char*>& blocks;
            ~Release() { for (char* b : blocks) delete[] b; }
        } release{blocks};
        // Until none is left: 256 MB at a time fill a 32-bit address space at once, but a 64-bit one
        // only after tens of thousands of blocks, whose bookkeeping takes Wine minutes; there 64 GB.
        const std::size_t block = sizeof(void*) == 8 ? std::size_t(1) << 36 : std::size_t(256) << 20;
        for (;;) blocks.push_back(new char[block]);
    }));
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.reports[0].rfind(L"std::bad_alloc catched in Allocator\n", 0), 0u);
}

TEST(GuardReports, LastErrorSetByTheBodySurvivesTheGuard) {
    SetLastError(5);
    EXPECT_TRUE(WinUtil::GuardedFunctionCall("keeps", [] { EXPECT_EQ(GetLastError(), 5u); SetLastError(1400); }));
    EXPECT_EQ(GetLastError(), 1400u);
}

TEST(GuardReports, TextHasDemangledTypeGuardNameAndMessage) {
    ReportCapture capture;
    EXPECT_FALSE(WinUtil::GuardedFunctionCall("Some::Guard", [] { throw std::runtime_error("bad thing"); }));
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.reports[0], L"std::runtime_error catched in Some::Guard\nbad thing");
}

TEST(GuardReports, Utf8MessageIsWidened) {
    ReportCapture capture;
    WinUtil::GuardedFunctionCall("g", [] { throw zq::Exception("Gr\xC3\xBC\xC3\x9F" "e"); });
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.reports[0], L"zq::Exception catched in g\nGr\u00FC\u00DFe");
}

TEST(GuardReports, AlreadyShownExceptionIsNotReportedAgain) {
    ReportCapture capture;
    bool completed = WinUtil::GuardedFunctionCall("outer", [] {
        zq::Exception e("shown");
        e.MarkShown();
        throw e;
    });
    EXPECT_FALSE(completed);
    EXPECT_TRUE(capture.reports.empty());
}

TEST(GuardReports, NonStandardExceptionIsReportedWithItsType) {
    ReportCapture capture;
    EXPECT_FALSE(WinUtil::GuardedFunctionCall("ints", [] { throw 42; }));
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.reports[0], L"int catched in ints\n");
}

TEST(GuardReports, ResultPresetWhenBodyThrows) {
    ReportCapture capture;
    int answer = WinUtil::GuardedFunctionCall("AbortProc", 0, []() -> int { throw std::logic_error("x"); });
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(WinUtil::GuardedFunctionCall("AbortProc", 0, [] { return 1; }), 1);
}

TEST(ComExceptions, MessageAndFormat) {
    WinUtil::ComException e(static_cast<long>(0x80030002));
    EXPECT_EQ(std::string(e.what()).rfind("HRESULT=0x80030002", 0), 0u) << e.what();
    EXPECT_EQ(WinUtil::ComException::Format(static_cast<long>(0x80030002)), L"(HRESULT=0x80030002)");
    EXPECT_EQ(WinUtil::ComException::Format(5), L"(HRESULT=0x5)");
    EXPECT_THROW(WinUtil::ThrowIfFailed(E_FAIL), WinUtil::ComException);
    EXPECT_NO_THROW(WinUtil::ThrowIfFailed(S_FALSE));
    EXPECT_THROW(WinUtil::ThrowIfGdiplusFailed(2), WinUtil::GdiplusException);
}

// A raw implementation of IRunnableObject whose methods throw on demand.
class Runnable : public IRunnableObject {
public:
    STDMETHODIMP QueryInterface(REFIID, void** out) override { *out = this; return S_OK; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override {
        if (throwOnRelease) throw std::runtime_error("release");
        return --refs;
    }
    STDMETHODIMP GetRunningClass(LPCLSID) override { throw WinUtil::ComException(STG_E_FILENOTFOUND); }
    STDMETHODIMP Run(LPBINDCTX) override { throw std::runtime_error("boom"); }
    STDMETHODIMP_(BOOL) IsRunning() override { return TRUE; }
    STDMETHODIMP LockRunning(BOOL, BOOL) override { return S_FALSE; }
    STDMETHODIMP SetContainedObject(BOOL) override { ReadNull(); return S_OK; }
    ULONG refs = 1;
    bool throwOnRelease = false;
};

TEST(ComGuards, WrapperAnswersComExceptionCodeOrUnexpected) {
    ReportCapture capture;
    Runnable impl;
    WinUtil::GIRunnableObject<Runnable> wrapper(&impl);
    IRunnableObject* com = &wrapper;
    EXPECT_EQ(com->GetRunningClass(nullptr), STG_E_FILENOTFOUND);
    EXPECT_TRUE(capture.reports.empty());  // a ComException is an answer, not a fault
    EXPECT_EQ(com->Run(nullptr), E_UNEXPECTED);
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.reports[0], L"std::runtime_error catched in WinUtil::GIRunnableObject::Run\nboom");
    EXPECT_EQ(com->SetContainedObject(TRUE), E_UNEXPECTED);
    EXPECT_TRUE(Contains(capture.reports[1], L"WinUtil::Access_violation catched in WinUtil::GIRunnableObject::SetContainedObject"));
    EXPECT_EQ(com->LockRunning(TRUE, FALSE), S_FALSE);
    EXPECT_TRUE(com->IsRunning());
    EXPECT_EQ(com->AddRef(), 2u);
    impl.throwOnRelease = true;
    EXPECT_EQ(com->Release(), 0u);
    EXPECT_TRUE(Contains(capture.reports.back(), L"catched in WinUtil::GIUnknown::Release"));
}

// Data another program asked for: every failure is an answer to it, never a box; a fault is still
// caught, and a system error code becomes its HRESULT.
TEST(ComGuards, UnreportedCallAnswersFailuresWithoutAReport) {
    ReportCapture capture;
    EXPECT_EQ(WinUtil::UnreportedComFunctionCall("picture", STG_E_MEDIUMFULL, [] { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(WinUtil::UnreportedComFunctionCall("picture", STG_E_MEDIUMFULL, []() -> HRESULT {
                  throw std::runtime_error("CreateDIBSection failed for 18686 x 16021");
              }), STG_E_MEDIUMFULL);
    EXPECT_EQ(WinUtil::UnreportedComFunctionCall("picture", STG_E_MEDIUMFULL, []() -> HRESULT {
                  throw std::bad_alloc();
              }), STG_E_MEDIUMFULL);
    EXPECT_EQ(WinUtil::UnreportedComFunctionCall("picture", STG_E_MEDIUMFULL, []() -> HRESULT {
                  return ReadNull();
              }), STG_E_MEDIUMFULL);
    EXPECT_EQ(WinUtil::UnreportedComFunctionCall("storage", E_FAIL, []() -> HRESULT {
                  throw WinUtil::ComException(STG_E_WRITEFAULT);
              }), STG_E_WRITEFAULT);
    EXPECT_EQ(WinUtil::UnreportedComFunctionCall("storage", E_FAIL, []() -> HRESULT {
                  throw WinUtil::ComException(ERROR_HANDLE_DISK_FULL);
              }), HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL));
    EXPECT_TRUE(capture.reports.empty());
}

TEST(ComGuards, OleObjectWrapperNamesItsMethods) {
    // A class-factory wrapper over a raw factory that fails with a COM code and with a fault.
    struct Factory : IClassFactory {
        STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        STDMETHODIMP_(ULONG) AddRef() override { return 1; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
        STDMETHODIMP CreateInstance(IUnknown*, REFIID, void**) override { return Divide(1); }
        STDMETHODIMP LockServer(BOOL) override { throw WinUtil::ComException(CLASS_E_NOAGGREGATION); }
    } impl;
    ReportCapture capture;
    WinUtil::GIClassFactory<Factory> wrapper(&impl);
    void* out = nullptr;
    EXPECT_EQ(wrapper.QueryInterface(IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(wrapper.LockServer(TRUE), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(wrapper.CreateInstance(nullptr, IID_IUnknown, &out), E_UNEXPECTED);
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_TRUE(Contains(capture.reports[0], L"WinUtil::Int_divide_by_zero catched in WinUtil::GIClassFactory::CreateInstance"));
}

} // namespace
