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

ULONG GuardedComCountCall(const char* name, const std::function<ULONG()>& body) {
    ULONG result = 0;
    GuardedFunctionCall(name, [&] { result = body(); });
    return result;
}

} // namespace WinUtil
