// The process-wide WM_SETTINGCHANGE dispatcher and its observers.
#pragma once

namespace Application {

// Told when a system setting changed (WM_SETTINGCHANGE).
class ISettingChangeObserver {
public:
    virtual ~ISettingChangeObserver() = default;
    virtual void SettingChanged() = 0;
};

// Registers an observer with the dispatcher (made on first use) until destroyed.
class SettingChangeRegistration {
public:
    explicit SettingChangeRegistration(ISettingChangeObserver& observer);
    SettingChangeRegistration(const SettingChangeRegistration&) = delete;
    SettingChangeRegistration& operator=(const SettingChangeRegistration&) = delete;
    ~SettingChangeRegistration();

private:
    ISettingChangeObserver* observer_;
};

// Tells every registered observer (called by the dispatcher window; tests may call it).
void NotifySettingChanged();

} // namespace Application
