// Exceptions of the Win32 toolkit: COM and GDI+ failures and translated hardware faults.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace WinUtil {

// A failed COM call or system function; carries an HRESULT or a system error code.
class ComException : public std::exception {
public:
    // Keeps the code and builds the message "HRESULT=0x... <system text>".
    explicit ComException(long code);
    // The HRESULT or system error code.
    long Code() const noexcept { return code_; }
    // The text with "HRESULT=" and the system's message for the code.
    const char* what() const noexcept override { return message_.c_str(); }
    // "(HRESULT=0x<code in lower-case hex>)".
    static std::wstring Format(long code);

private:
    long code_;
    std::string message_;
};

// Throws ComException for a negative (failed) HRESULT.
void ThrowIfFailed(long hr);

// A failed GDI+ call; carries the GDI+ status value.
class GdiplusException : public std::exception {
public:
    // Keeps the status and builds "GDI+ status N (name)".
    explicit GdiplusException(int status);
    // The GDI+ status value.
    int Status() const noexcept { return status_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    int status_;
    std::string message_;
};

// Throws GdiplusException unless the status is Ok (0).
void ThrowIfGdiplusFailed(int status);

// Base of the hardware faults and run-time errors translated into C++ exceptions.
class CException : public std::exception {
public:
    // Code is the structured exception code; address where the fault happened.
    CException(unsigned long code, const void* address, std::string message);
    // The structured exception code (EXCEPTION_ACCESS_VIOLATION ...).
    unsigned long Code() const noexcept { return code_; }
    // The instruction address of the fault (null when not known).
    const void* Address() const noexcept { return address_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    unsigned long code_;
    const void* address_;
    std::string message_;
};

// One class per structured exception code, so that callers may catch a kind of fault.
#define QUORVEL_CEXCEPTION(Name) \
    class Name : public CException { public: using CException::CException; }
QUORVEL_CEXCEPTION(Access_violation);
QUORVEL_CEXCEPTION(Stack_overflow);
QUORVEL_CEXCEPTION(Int_divide_by_zero);
QUORVEL_CEXCEPTION(Int_overflow);
QUORVEL_CEXCEPTION(Flt_divide_by_zero);
QUORVEL_CEXCEPTION(Flt_overflow);
QUORVEL_CEXCEPTION(Flt_underflow);
QUORVEL_CEXCEPTION(Flt_inexact_result);
QUORVEL_CEXCEPTION(Flt_invalid_operation);
QUORVEL_CEXCEPTION(Flt_denormal_operand);
QUORVEL_CEXCEPTION(Flt_stack_check);
QUORVEL_CEXCEPTION(Array_bounds_exceeded);
QUORVEL_CEXCEPTION(Datatype_misalignment);
QUORVEL_CEXCEPTION(Illegal_instruction);
QUORVEL_CEXCEPTION(Priv_instruction);
QUORVEL_CEXCEPTION(In_page_error);
QUORVEL_CEXCEPTION(Guard_page);
QUORVEL_CEXCEPTION(Invalid_handle);
QUORVEL_CEXCEPTION(Noncontinuable_exception);
QUORVEL_CEXCEPTION(Invalid_disposition);
QUORVEL_CEXCEPTION(Pure_virtual_call);
QUORVEL_CEXCEPTION(Unknown_exception);
#undef QUORVEL_CEXCEPTION

// Throws the CException class of a structured exception code (Unknown_exception for others).
[[noreturn]] void ThrowCException(unsigned long code, const void* address, const std::string& detail);

} // namespace WinUtil
