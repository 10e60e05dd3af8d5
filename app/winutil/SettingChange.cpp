#include "app/winutil/SettingChange.h"

#include "app/winutil/Window.h"

#include <algorithm>
#include <vector>

namespace Application {
namespace {

std::vector<ISettingChangeObserver*>& Observers() {
    static std::vector<ISettingChangeObserver*> observers;
    return observers;
}

// The hidden top-level window that receives the broadcast WM_SETTINGCHANGE for the process.
class SettingChangeDispatcher {
public:
    SettingChangeDispatcher() : bindings_(window_.GetDispatcher()) {
        bindings_.Add(WM_SETTINGCHANGE, this, &SettingChangeDispatcher::OnSettingChange);
        static WinUtil::WindowClass cls(L"Quorvel.SettingChange");
        window_.Create(cls, L"", WS_POPUP);
    }

private:
    void OnSettingChange(WinMessage::Msg&) { NotifySettingChanged(); }

    WinUtil::Window window_;
    WinMessage::WinMsgPlugMap bindings_;
};

void EnsureDispatcher() {
    static SettingChangeDispatcher* dispatcher = new SettingChangeDispatcher;  // lives with the process
    (void)dispatcher;
}

} // namespace

SettingChangeRegistration::SettingChangeRegistration(ISettingChangeObserver& observer)
    : observer_(&observer) {
    EnsureDispatcher();
    Observers().push_back(observer_);
}

SettingChangeRegistration::~SettingChangeRegistration() {
    auto& list = Observers();
    list.erase(std::remove(list.begin(), list.end(), observer_), list.end());
}

void NotifySettingChanged() {
    auto& list = Observers();
    for (ISettingChangeObserver* observer : std::vector<ISettingChangeObserver*>(list))
        if (std::find(list.begin(), list.end(), observer) != list.end()) observer->SettingChanged();
}

} // namespace Application
