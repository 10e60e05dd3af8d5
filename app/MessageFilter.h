// The program-wide COM message filter: while blocked, incoming COM calls are asked to retry later.
#pragma once

#include "app/winutil/Platform.h"

namespace WinUtil {

// An IMessageFilter with a busy count.
class MessageFilter {
public:
    // Raises the busy count: incoming calls are answered SERVERCALL_RETRYLATER.
    void Block() { ++busy_; }
    // Lowers the busy count.
    void Unblock() { if (busy_ > 0) --busy_; }
    // Whether incoming calls are refused now.
    bool IsBlocked() const { return busy_ > 0; }
    // The answer to an incoming call in the current state (SERVERCALL_ISHANDLED or SERVERCALL_RETRYLATER).
    DWORD HandleInComingCall() const;
    // Registers the filter for the thread (CoRegisterMessageFilter); answers whether it did.
    bool Register();
    // Restores the previous filter.
    void Revoke();
    // The COM interface of the filter.
    IMessageFilter* GetInterface();

private:
    class Com;
    int busy_ = 0;
    IMessageFilter* previous_ = nullptr;
    bool registered_ = false;
};

// The program-wide filter, made on first use.
MessageFilter& GetMessageFilter();

// Blocks the program-wide filter for the life of the object.
class MessageFilterBlock {
public:
    MessageFilterBlock() { GetMessageFilter().Block(); }
    ~MessageFilterBlock() { GetMessageFilter().Unblock(); }
    MessageFilterBlock(const MessageFilterBlock&) = delete;
    MessageFilterBlock& operator=(const MessageFilterBlock&) = delete;
};

} // namespace WinUtil
