#include "app/winutil/Guard.h"

#include "app/winutil/ExceptionBox.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/Platform.h"
#include "core/foundation/Exception.h"

#include <cxxabi.h>
#include <malloc.h>

#include <cstdlib>
#include <mutex>
#include <new>

// Hardware faults reach the vectored handler below. Inside a guarded call, and when the faulting
// instruction belongs to this program's image, the handler redirects the thread to the trampoline,
// which fakes a call from the faulting instruction into QuorvelThrowTranslatedFault; that function throws
// the matching CException so that ordinary unwinding (compiled with -fnon-call-exceptions: DWARF on
// x86, the system's table-based unwinding on x64) runs from the fault up to the guard. No exception
// ever crosses an operating-system frame. The faked return address travels in a scratch register
// (ecx, r11): the handler writes nothing to the stack it interrupted.
extern "C" void QuorvelFaultTrampoline();
extern "C" void QuorvelThrowTranslatedFault();
#if defined(__x86_64__)
// The x64 unwinder needs the frame's unwind codes: the trampoline pushes the return address and enters
// a frame that aligns the stack and leaves the callee its 32 bytes of home space.
asm(".text\n"
    ".globl QuorvelFaultTrampoline\n"
    "QuorvelFaultTrampoline:\n"
    "    pushq %r11\n"  // the faked return address: just after the faulting instruction
    "    jmp QuorvelFaultFrame\n"
    ".seh_proc QuorvelFaultFrame\n"
    "QuorvelFaultFrame:\n"
    "    pushq %rbp\n"
    "    .seh_pushreg %rbp\n"
    "    movq %rsp, %rbp\n"
    "    .seh_setframe %rbp, 0\n"
    "    .seh_endprologue\n"
    "    andq $-16, %rsp\n"
    "    subq $32, %rsp\n"
    "    call QuorvelThrowTranslatedFault\n"
    "    int3\n"
    ".seh_endproc\n");
#else
asm(".text\n"
    ".globl _QuorvelFaultTrampoline\n"
    "_QuorvelFaultTrampoline:\n"
    "    pushl %ecx\n"  // the faked return address: just after the faulting instruction
    "    jmp _QuorvelThrowTranslatedFault\n");
#endif

namespace WinUtil {
namespace {

// Thread-local values kept in Win32 TLS slots: they are safe to touch inside the fault handler.
struct Slots {
    DWORD depth, code, address, access, target, prepared;
};
Slots g_slots{TLS_OUT_OF_INDEXES, TLS_OUT_OF_INDEXES, TLS_OUT_OF_INDEXES, TLS_OUT_OF_INDEXES,
              TLS_OUT_OF_INDEXES, TLS_OUT_OF_INDEXES};

// Stack kept in reserve when a stack overflow is raised: room to throw and unwind the exception.
const ULONG kStackReserve = 64 * 1024;
// Values of the per-thread "prepared" slot: the stack guard is armed, or must be armed again.
const uintptr_t kArmed = 1;
const uintptr_t kRearm = 2;
uintptr_t g_imageBegin = 0;
uintptr_t g_imageEnd = 0;

uintptr_t SlotValue(DWORD slot) { return reinterpret_cast<uintptr_t>(TlsGetValue(slot)); }
void SetSlot(DWORD slot, uintptr_t value) { TlsSetValue(slot, reinterpret_cast<void*>(value)); }

bool IsTranslatable(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO: case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: case EXCEPTION_FLT_OVERFLOW: case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT: case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_DENORMAL_OPERAND: case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ILLEGAL_INSTRUCTION: case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
        return true;
    default:
        return false;
    }
}

LONG CALLBACK FaultHandler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    CONTEXT* context = info->ContextRecord;
    if (!IsTranslatable(record->ExceptionCode) || SlotValue(g_slots.depth) == 0)
        return EXCEPTION_CONTINUE_SEARCH;
#if defined(__x86_64__)
    DWORD64& pc = context->Rip;
    DWORD64& scratch = context->R11;
#else
    DWORD& pc = context->Eip;
    DWORD& scratch = context->Ecx;
#endif
    if (pc < g_imageBegin || pc >= g_imageEnd) return EXCEPTION_CONTINUE_SEARCH;
    SetSlot(g_slots.code, record->ExceptionCode);
    SetSlot(g_slots.address, reinterpret_cast<uintptr_t>(record->ExceptionAddress));
    bool hasTarget = record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2;
    SetSlot(g_slots.access, hasTarget ? record->ExceptionInformation[0] + 1 : 0);
    SetSlot(g_slots.target, hasTarget ? record->ExceptionInformation[1] : 0);
    if (record->ExceptionCode == EXCEPTION_STACK_OVERFLOW) SetSlot(g_slots.prepared, kRearm);
    scratch = pc + 1;
    pc = reinterpret_cast<uintptr_t>(&QuorvelFaultTrampoline);
    return EXCEPTION_CONTINUE_EXECUTION;
}

std::string AccessDetail(uintptr_t access, uintptr_t target) {
    if (access == 0) return {};
    const char* kind = access == 1 ? " reading" : access == 2 ? " writing" : " executing";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%s address 0x%08llx", kind, static_cast<unsigned long long>(target));
    return buffer;
}

// Puts a guard page kStackReserve above the bottom of the thread's stack, so that an overflow is
// raised while that much stack is left to throw and unwind it, and so that the thread can overflow
// (and be caught) again later. Where that part of the stack is not committed yet (the system grows
// the stack page by page), the system's own guard page is reset instead.
void ArmStackGuard() {
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(&info, &info, sizeof info)) return;
    auto bottom = static_cast<BYTE*>(info.AllocationBase);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    BYTE* guard = bottom + kStackReserve;
    if (guard + 4 * system.dwPageSize > reinterpret_cast<BYTE*>(&info)) return;  // stack too small
    MEMORY_BASIC_INFORMATION page{};
    DWORD old = 0;
    if (VirtualQuery(guard, &page, sizeof page) && page.State == MEM_COMMIT &&
        VirtualProtect(guard, system.dwPageSize, PAGE_READWRITE | PAGE_GUARD, &old)) {
        return;
    }

    _resetstkoflw();
}

// Converts UTF-8 (or, failing that, the ANSI code page) to UTF-16.
std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    UINT codePage = CP_UTF8;
    int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                   static_cast<int>(text.size()), nullptr, 0);
    if (size == 0) {
        codePage = CP_ACP;
        size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    }
    std::wstring result(size, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

// Counts the guards the thread is in. TlsGetValue clears the thread's last error, so the scope
// keeps it: callers may read GetLastError after a message that went through a guard.
struct DepthScope {
    DepthScope() {
        const DWORD lastError = GetLastError();
        if (!SlotValue(g_slots.prepared)) {  // first guard on this thread
            ULONG reserve = kStackReserve;
            SetThreadStackGuarantee(&reserve);
            ArmStackGuard();
            SetSlot(g_slots.prepared, kArmed);
        }
        SetSlot(g_slots.depth, SlotValue(g_slots.depth) + 1);
        SetLastError(lastError);
    }
    // The stack is unwound past any overflow by now: arm the guard again when one happened.
    ~DepthScope() {
        const DWORD lastError = GetLastError();
        SetSlot(g_slots.depth, SlotValue(g_slots.depth) - 1);
        if (SlotValue(g_slots.prepared) == kRearm) {
            ArmStackGuard();
            SetSlot(g_slots.prepared, kArmed);
        }
        SetLastError(lastError);
    }
};

} // namespace
} // namespace WinUtil

extern "C" __attribute__((used, noinline, force_align_arg_pointer)) void QuorvelThrowTranslatedFault() {
    using namespace WinUtil;
    unsigned long code = SlotValue(g_slots.code);
    const void* address = reinterpret_cast<const void*>(SlotValue(g_slots.address));
    ThrowCException(code, address, AccessDetail(SlotValue(g_slots.access), SlotValue(g_slots.target)));
}

// A call of a pure virtual function throws instead of ending the program.
extern "C" void __cxa_pure_virtual() {
    throw WinUtil::Pure_virtual_call(0, nullptr, "Pure virtual function call");
}
extern "C" void __cxa_deleted_virtual() {
    throw WinUtil::Pure_virtual_call(0, nullptr, "Deleted virtual function call");
}

namespace WinUtil {

void OutOfMemoryHandler() { throw std::bad_alloc(); }

void InstallFaultTranslation() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (DWORD* slot : {&g_slots.depth, &g_slots.code, &g_slots.address, &g_slots.access, &g_slots.target,
                              &g_slots.prepared})
            *slot = TlsAlloc();
        auto base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
        auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        g_imageBegin = reinterpret_cast<uintptr_t>(base);
        g_imageEnd = g_imageBegin + nt->OptionalHeader.SizeOfImage;
        AddVectoredExceptionHandler(1, FaultHandler);
        std::set_new_handler(OutOfMemoryHandler);
    });
}

std::string TypeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    return name;
}

std::wstring CurrentExceptionReport(const char* guardName) {
    const std::type_info* type = abi::__cxa_current_exception_type();
    std::string typeName = type ? TypeName(*type) : "unknown exception";
    std::string message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (const char* text) {
        message = text ? text : "";
    } catch (const wchar_t* text) {
        return Widen(typeName) + L" catched in " + Widen(guardName) + L"\n" + (text ? text : L"");
    } catch (const std::wstring& text) {
        return Widen(typeName) + L" catched in " + Widen(guardName) + L"\n" + text;
    } catch (...) {
    }
    return Widen(typeName) + L" catched in " + Widen(guardName) + L"\n" + Widen(message);
}

void ReportCurrentException(const char* guardName) {
    try {
        throw;
    } catch (const zq::Exception& e) {
        if (e.IsShown()) return;
        e.MarkShown();
    } catch (...) {
    }
    ExceptionBox::Show(CurrentExceptionReport(guardName));
}

namespace {

// Runs body in a guard; a failure is handed to report (inside the catch block).
template <class Report>
bool Guarded(const std::function<void()>& body, Report&& report) {
    InstallFaultTranslation();
    DepthScope scope;
    try {
        body();
        return true;
    } catch (...) {
        try {
            report();
        } catch (...) {
        }
    }
    return false;
}

} // namespace

bool GuardedFunctionCall(const char* name, const std::function<void()>& body) {
    return Guarded(body, [&] { ReportCurrentException(name); });
}

bool UnreportedFunctionCall(const char* name, const std::function<void()>& body) {
    return Guarded(body, [&] { OutputDebugStringW(CurrentExceptionReport(name).c_str()); });
}

} // namespace WinUtil
