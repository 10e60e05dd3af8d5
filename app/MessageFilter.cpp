#include "app/MessageFilter.h"

#include "app/winutil/Guard.h"

namespace WinUtil {

// The COM side of the filter; static lifetime, so reference counting is a formality.
class MessageFilter::Com : public IMessageFilter {
public:
    explicit Com(MessageFilter& owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
            *out = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(DWORD) HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return GuardedFunctionCall("WinUtil::MessageFilter::HandleInComingCall", DWORD{SERVERCALL_ISHANDLED},
                                   [&] { return owner_.HandleInComingCall(); });
    }
    STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK, DWORD elapsed, DWORD type) override {
        // Outgoing calls the callee refused as busy are retried for up to 10 s.
        if (type == SERVERCALL_RETRYLATER && elapsed < 10000) return 100;
        return static_cast<DWORD>(-1);
    }
    STDMETHODIMP_(DWORD) MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

private:
    MessageFilter& owner_;
};

DWORD MessageFilter::HandleInComingCall() const {
    return busy_ > 0 ? SERVERCALL_RETRYLATER : SERVERCALL_ISHANDLED;
}

IMessageFilter* MessageFilter::GetInterface() {
    static Com com(*this);
    return &com;
}

bool MessageFilter::Register() {
    if (registered_) return true;
    if (FAILED(CoRegisterMessageFilter(GetInterface(), &previous_))) return false;
    registered_ = true;
    return true;
}

void MessageFilter::Revoke() {
    if (!registered_) return;
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(previous_, &ours);
    if (previous_) previous_->Release();
    previous_ = nullptr;
    registered_ = false;
}

MessageFilter& GetMessageFilter() {
    static MessageFilter filter;
    return filter;
}

} // namespace WinUtil
