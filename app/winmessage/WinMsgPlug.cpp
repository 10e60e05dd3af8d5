#include "app/winmessage/WinMsgPlug.h"

#include <algorithm>

namespace WinMessage {
namespace {

// Runs one binding; an exception leaving it is told to the owner's handler and propagates.
void Invoke(WinMsgPlugMap* map, IWinMsgPlug* plug, Msg& msg) {
    // Taken first: the binding may destroy its own map before it throws.
    IExceptionHandler* handler = map->GetExceptionHandler();
    try {
        plug->Invoke(msg);
    } catch (...) {
        if (handler)
            handler->OnException(std::current_exception());
        throw;
    }
}

} // namespace

bool MouseMsg::IsButtonDown(int button) const {
    switch (button) {
    case 1: return (KeyState() & MK_LBUTTON) != 0;
    case 2: return (KeyState() & MK_MBUTTON) != 0;
    case 3: return (KeyState() & MK_RBUTTON) != 0;
    default: return false;
    }
}

POINT WM_CONTEXTMENU_Msg::ScreenPos() const {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

bool WM_CONTEXTMENU_Msg::IsFromKeyboard() const {
    return LOWORD(lParam) == 0xFFFF && HIWORD(lParam) == 0xFFFF;
}

POINT WM_CONTEXTMENU_Msg::ClientPos() const {
    POINT pos = ScreenPos();
    ScreenToClient(hwnd, &pos);
    return pos;
}

WinMsgDispatcher::~WinMsgDispatcher() {
    for (WinMsgPlugMap* map : maps_) map->DispatcherGone();
    if (destroyed_) *destroyed_ = true;
}

void WinMsgDispatcher::PushMap(WinMsgPlugMap* map) {
    RemoveMap(map);
    maps_.push_back(map);
}

void WinMsgDispatcher::RemoveMap(WinMsgPlugMap* map) {
    maps_.erase(std::remove(maps_.begin(), maps_.end(), map), maps_.end());
}

bool WinMsgDispatcher::HasMap(const WinMsgPlugMap* map) const {
    return std::find(maps_.begin(), maps_.end(), map) != maps_.end();
}

bool WinMsgDispatcher::Dispatch(Msg& msg) {
    if (maps_.empty()) return false;
    // A handler may delete the window and with it this dispatcher: stop touching it then.
    bool destroyed = false;
    struct Frame {
        bool*& slot;
        bool* outer;
        bool& destroyed;
        ~Frame() {
            if (!destroyed) slot = outer;
            else if (outer) *outer = true;
        }
    } frame{destroyed_, destroyed_, destroyed};
    destroyed_ = &destroyed;
    // Observers first; a binding or map removed by an earlier handler is skipped.
    std::vector<std::pair<WinMsgPlugMap*, IWinMsgPlug*>> spies;
    for (WinMsgPlugMap* map : maps_)
        for (IWinMsgPlug* plug : map->FindSpies(msg.id)) spies.emplace_back(map, plug);
    for (auto& [map, plug] : spies) {
        if (!HasMap(map) || !map->Contains(plug)) continue;
        BYTE pass = msg.passToDefault;
        LRESULT result = msg.result;
        Invoke(map, plug, msg);
        msg.passToDefault = pass;
        msg.result = result;
        if (destroyed) return false;
    }
    // Then the consumer of the most recently pushed map that binds the message.
    for (auto it = maps_.rbegin(); it != maps_.rend(); ++it) {
        if (IWinMsgPlug* consumer = (*it)->FindConsumer(msg.id)) {
            msg.passToDefault = 0;
            Invoke(*it, consumer, msg);
            return msg.passToDefault == 0;
        }
    }
    return false;
}

WinMsgPlugMap::WinMsgPlugMap(IWinMsgDispatcher& dispatcher, IExceptionHandler* handler)
    : dispatcher_(&dispatcher), handler_(handler) {
    dispatcher_->PushMap(this);
}

WinMsgPlugMap::~WinMsgPlugMap() {
    if (dispatcher_) dispatcher_->RemoveMap(this);
}

void WinMsgPlugMap::AddPlug(UINT id, std::unique_ptr<IWinMsgPlug> plug) {
    if (!plug) return;
    if (plug->IsSpy())
        spies_.emplace(id, std::move(plug));
    else
        consumers_[id] = std::move(plug);
}

void WinMsgPlugMap::RemovePlugs(UINT id) {
    consumers_.erase(id);
    spies_.erase(id);
}

IWinMsgPlug* WinMsgPlugMap::FindConsumer(UINT id) const {
    auto it = consumers_.find(id);
    return it == consumers_.end() ? nullptr : it->second.get();
}

std::vector<IWinMsgPlug*> WinMsgPlugMap::FindSpies(UINT id) const {
    std::vector<IWinMsgPlug*> result;
    auto [first, last] = spies_.equal_range(id);
    for (auto it = first; it != last; ++it) result.push_back(it->second.get());
    return result;
}

bool WinMsgPlugMap::Contains(const IWinMsgPlug* plug) const {
    for (auto& [id, p] : consumers_)
        if (p.get() == plug) return true;
    for (auto& [id, p] : spies_)
        if (p.get() == plug) return true;
    return false;
}

} // namespace WinMessage
