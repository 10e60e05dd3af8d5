#include "app/winutil/ComGuard.h"

#include "app/winutil/Exceptions.h"
#include "app/winutil/Guard.h"

namespace WinUtil {

HRESULT GuardedComFunctionCall(const char* name, const std::function<HRESULT()>& body) {
    HRESULT result = E_UNEXPECTED;
    GuardedFunctionCall(name, [&] {
        try {
            result = body();
        } catch (const ComException& e) {
            result = static_cast<HRESULT>(e.Code());
        }
    });
    return result;
}

HRESULT UnreportedComFunctionCall(const char* name, HRESULT failure, const std::function<HRESULT()>& body) {
    HRESULT result = failure;
    UnreportedFunctionCall(name, [&] {
        try {
            result = body();
        } catch (const ComException& e) {
            // A system error code is answered as its HRESULT; a code that is no failure as `failure`.
            const long code = e.Code();
            result = code < 0 ? HRESULT(code) : code > 0 ? HRESULT_FROM_WIN32(DWORD(code)) : failure;
        }
    });
    return result;
}

ULONG GuardedComCountCall(const char* name, const std::function<ULONG()>& body) {
    ULONG result = 0;
    GuardedFunctionCall(name, [&] { result = body(); });
    return result;
}

} // namespace WinUtil
