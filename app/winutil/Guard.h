// Guarded calls: every entry from the operating system runs its body through one of these.
#pragma once

#include <functional>
#include <string>
#include <typeinfo>

namespace WinUtil {

// Runs body under the guard's name; catches every exception (translated hardware faults included),
// reports it unless it was already shown, and answers whether the body completed.
bool GuardedFunctionCall(const char* name, const std::function<void()>& body);

// Runs body like GuardedFunctionCall but shows no error box: the report goes to the debugger's output
// only. For work another program asked for, which learns of the failure from the answer.
bool UnreportedFunctionCall(const char* name, const std::function<void()>& body);

// Runs body under the guard's name and answers its result, or preset when it threw (reported).
template <class R, class F>
R GuardedFunctionCall(const char* name, R preset, F&& body) {
    R result = preset;
    GuardedFunctionCall(name, [&] { result = body(); });
    return result;
}

// The readable (demangled) name of a type.
std::string TypeName(const std::type_info& type);

// The report text of the exception being handled (call inside a catch block only):
// type name, " catched in ", guard name, a new line and the message.
std::wstring CurrentExceptionReport(const char* guardName);

// Reports the exception being handled (call inside a catch block only) to the error box,
// unless it is a zq::Exception already shown to the user.
void ReportCurrentException(const char* guardName);

// Installs, once per process, the translation of hardware faults inside guarded calls into
// CException classes, the pure-virtual-call handler and the new-handler (idempotent).
void InstallFaultTranslation();

// Throws std::bad_alloc when memory is exhausted (the new-handler InstallFaultTranslation sets).
void OutOfMemoryHandler();

} // namespace WinUtil
