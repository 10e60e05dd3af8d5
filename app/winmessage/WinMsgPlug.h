// Typed message bindings: owners bind window messages to member functions while they live.
// On a message the observing bindings (SpyWinMsgPlug) see it first, then exactly one consuming
// binding (WinMsgPlug) of the most recently pushed map handles it, or the previous procedure does.
#pragma once

#include "app/winmessage/WinMsg.h"

#include <exception>
#include <map>
#include <memory>
#include <vector>

namespace WinMessage {

// Told when an exception leaves a binding of its owner; the exception then propagates.
class IExceptionHandler {
public:
    virtual ~IExceptionHandler() = default;
    // Called inside the catch block, with the exception being handled.
    virtual void OnException(std::exception_ptr exception) = 0;
};

// The binding of one message id to a handler.
class IWinMsgPlug {
public:
    virtual ~IWinMsgPlug() = default;
    // Whether the binding only observes (true) or consumes the message (false).
    virtual bool IsSpy() const = 0;
    // Runs the handler on the message.
    virtual void Invoke(Msg& msg) = 0;
};

// A binding of a message to a member function of Owner taking the cracker class MsgT.
template <class Owner, class MsgT, bool Spy>
class BasicWinMsgPlug : public IWinMsgPlug {
public:
    using Handler = void (Owner::*)(MsgT&);
    // Binds handler of owner (not owned).
    BasicWinMsgPlug(Owner* owner, Handler handler) : owner_(owner), handler_(handler) {}
    bool IsSpy() const override { return Spy; }
    void Invoke(Msg& msg) override {
        MsgT typed(msg.hwnd, msg.id, msg.wParam, msg.lParam);
        typed.result = msg.result;
        typed.passToDefault = msg.passToDefault;
        (owner_->*handler_)(typed);
        msg.result = typed.result;
        msg.passToDefault = typed.passToDefault;
    }

private:
    Owner* owner_;
    Handler handler_;
};

// A consuming binding.
template <class Owner, class MsgT = Msg>
using WinMsgPlug = BasicWinMsgPlug<Owner, MsgT, false>;
// An observing binding (sees the message before the consumer; its result is ignored).
template <class Owner, class MsgT = Msg>
using SpyWinMsgPlug = BasicWinMsgPlug<Owner, MsgT, true>;

class WinMsgPlugMap;

// The dispatcher of one window: keeps the pushed binding maps and delivers messages to them.
class IWinMsgDispatcher {
public:
    virtual ~IWinMsgDispatcher() = default;
    // Pushes a map on top (its consuming bindings win over the older maps').
    virtual void PushMap(WinMsgPlugMap* map) = 0;
    // Removes a map wherever it is.
    virtual void RemoveMap(WinMsgPlugMap* map) = 0;
    // Delivers msg to the spies, then to one consumer; answers whether a consumer handled it
    // without asking for default processing.
    virtual bool Dispatch(Msg& msg) = 0;
};

// The dispatcher implementation a window object owns.
class WinMsgDispatcher : public IWinMsgDispatcher {
public:
    WinMsgDispatcher() = default;
    WinMsgDispatcher(const WinMsgDispatcher&) = delete;
    WinMsgDispatcher& operator=(const WinMsgDispatcher&) = delete;
    // Detaches the maps still pushed (their owners may outlive the window).
    ~WinMsgDispatcher() override;
    void PushMap(WinMsgPlugMap* map) override;
    void RemoveMap(WinMsgPlugMap* map) override;
    bool Dispatch(Msg& msg) override;
    // Whether map is currently pushed.
    bool HasMap(const WinMsgPlugMap* map) const;

private:
    std::vector<WinMsgPlugMap*> maps_;  // oldest first
    bool* destroyed_ = nullptr;         // set by the destructor while a Dispatch runs
};

// The bindings of one owner on one dispatcher: pushed when made, removed with its bindings.
class WinMsgPlugMap {
public:
    // Pushes the map on dispatcher; handler (may be null) is told of exceptions from bindings.
    WinMsgPlugMap(IWinMsgDispatcher& dispatcher, IExceptionHandler* handler = nullptr);
    WinMsgPlugMap(const WinMsgPlugMap&) = delete;
    WinMsgPlugMap& operator=(const WinMsgPlugMap&) = delete;
    // Removes the map and all its bindings from the dispatcher.
    ~WinMsgPlugMap();

    // Adds a binding of message id (owned by the map); a second consuming binding of the same id
    // replaces the first; several observing bindings may coexist.
    void AddPlug(UINT id, std::unique_ptr<IWinMsgPlug> plug);
    // Convenience: binds id to a consuming member function.
    template <class Owner, class MsgT>
    void Add(UINT id, Owner* owner, void (Owner::*handler)(MsgT&)) {
        AddPlug(id, std::make_unique<WinMsgPlug<Owner, MsgT>>(owner, handler));
    }
    // Convenience: binds id to an observing member function.
    template <class Owner, class MsgT>
    void AddSpy(UINT id, Owner* owner, void (Owner::*handler)(MsgT&)) {
        AddPlug(id, std::make_unique<SpyWinMsgPlug<Owner, MsgT>>(owner, handler));
    }
    // Removes every binding of message id.
    void RemovePlugs(UINT id);

    // The consuming binding of id, or null.
    IWinMsgPlug* FindConsumer(UINT id) const;
    // The observing bindings of id.
    std::vector<IWinMsgPlug*> FindSpies(UINT id) const;
    // Whether plug still belongs to this map.
    bool Contains(const IWinMsgPlug* plug) const;
    // The exception handler given at construction (may be null).
    IExceptionHandler* GetExceptionHandler() const { return handler_; }
    // Called by a dispatcher that goes away first.
    void DispatcherGone() { dispatcher_ = nullptr; }

private:
    IWinMsgDispatcher* dispatcher_;
    IExceptionHandler* handler_;
    std::map<UINT, std::unique_ptr<IWinMsgPlug>> consumers_;
    std::multimap<UINT, std::unique_ptr<IWinMsgPlug>> spies_;
};

} // namespace WinMessage
