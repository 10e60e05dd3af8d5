#include "app/winutil/Exceptions.h"

#include "app/winutil/Platform.h"

#include <cstdint>
#include <cstdio>

namespace WinUtil {
namespace {

// The system's message for a code, in UTF-8, without the trailing line break.
std::string SystemMessage(long code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(code), 0,
                                  reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length && buffer) {
        while (length && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' ||
                          buffer[length - 1] == L' '))
            --length;
        int size = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), nullptr, 0,
                                       nullptr, nullptr);
        text.resize(size);
        WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), text.data(), size,
                            nullptr, nullptr);
    }
    if (buffer) LocalFree(buffer);
    return text;
}

std::string Hex(unsigned long value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lx", value);
    return buffer;
}

// An address in all its digits: 8 in a 32-bit program, 16 in a 64-bit one.
std::string AddressHex(const void* address) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%0*llx", int(2 * sizeof address),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
    return buffer;
}

const char* GdiplusStatusName(int status) {
    static const char* const names[] = {
        "Ok", "GenericError", "InvalidParameter", "OutOfMemory", "ObjectBusy",
        "InsufficientBuffer", "NotImplemented", "Win32Error", "WrongState", "Aborted",
        "FileNotFound", "ValueOverflow", "AccessDenied", "UnknownImageFormat",
        "FontFamilyNotFound", "FontStyleNotFound", "NotTrueTypeFont",
        "UnsupportedGdiplusVersion", "GdiplusNotInitialized", "PropertyNotFound",
        "PropertyNotSupported", "ProfileNotFound"};
    if (status >= 0 && status < static_cast<int>(sizeof names / sizeof names[0])) return names[status];
    return "unknown";
}

} // namespace

ComException::ComException(long code) : code_(code) {
    message_ = "HRESULT=" + Hex(static_cast<unsigned long>(code));
    std::string system = SystemMessage(code);
    if (!system.empty()) message_ += " " + system;
}

std::wstring ComException::Format(long code) {
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"(HRESULT=0x%lx)", static_cast<unsigned long>(code));
    return buffer;
}

void ThrowIfFailed(long hr) {
    if (hr < 0) throw ComException(hr);
}

GdiplusException::GdiplusException(int status) : status_(status) {
    message_ = "GDI+ status " + std::to_string(status) + " (" + GdiplusStatusName(status) + ")";
}

void ThrowIfGdiplusFailed(int status) {
    if (status != 0) throw GdiplusException(status);
}

CException::CException(unsigned long code, const void* address, std::string message)
    : code_(code), address_(address), message_(std::move(message)) {}

void ThrowCException(unsigned long code, const void* address, const std::string& detail) {
    std::string where = " at " + AddressHex(address);
    auto text = [&](const char* what) { return std::string(what) + detail + where; };
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: throw Access_violation(code, address, text("Access violation"));
    case EXCEPTION_STACK_OVERFLOW: throw Stack_overflow(code, address, text("Stack overflow"));
    case EXCEPTION_INT_DIVIDE_BY_ZERO: throw Int_divide_by_zero(code, address, text("Integer division by zero"));
    case EXCEPTION_INT_OVERFLOW: throw Int_overflow(code, address, text("Integer overflow"));
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: throw Flt_divide_by_zero(code, address, text("Floating-point division by zero"));
    case EXCEPTION_FLT_OVERFLOW: throw Flt_overflow(code, address, text("Floating-point overflow"));
    case EXCEPTION_FLT_UNDERFLOW: throw Flt_underflow(code, address, text("Floating-point underflow"));
    case EXCEPTION_FLT_INEXACT_RESULT: throw Flt_inexact_result(code, address, text("Floating-point inexact result"));
    case EXCEPTION_FLT_INVALID_OPERATION: throw Flt_invalid_operation(code, address, text("Floating-point invalid operation"));
    case EXCEPTION_FLT_DENORMAL_OPERAND: throw Flt_denormal_operand(code, address, text("Floating-point denormal operand"));
    case EXCEPTION_FLT_STACK_CHECK: throw Flt_stack_check(code, address, text("Floating-point stack check"));
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: throw Array_bounds_exceeded(code, address, text("Array bounds exceeded"));
    case EXCEPTION_DATATYPE_MISALIGNMENT: throw Datatype_misalignment(code, address, text("Datatype misalignment"));
    case EXCEPTION_ILLEGAL_INSTRUCTION: throw Illegal_instruction(code, address, text("Illegal instruction"));
    case EXCEPTION_PRIV_INSTRUCTION: throw Priv_instruction(code, address, text("Privileged instruction"));
    case EXCEPTION_IN_PAGE_ERROR: throw In_page_error(code, address, text("In-page error"));
    case EXCEPTION_GUARD_PAGE: throw Guard_page(code, address, text("Guard page violation"));
    case EXCEPTION_INVALID_HANDLE: throw Invalid_handle(code, address, text("Invalid handle"));
    case EXCEPTION_NONCONTINUABLE_EXCEPTION: throw Noncontinuable_exception(code, address, text("Noncontinuable exception"));
    case EXCEPTION_INVALID_DISPOSITION: throw Invalid_disposition(code, address, text("Invalid disposition"));
    default: throw Unknown_exception(code, address, text(("Structured exception " + Hex(code)).c_str()));
    }
}

} // namespace WinUtil
