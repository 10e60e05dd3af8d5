// The test side of the menu probe: hooks the probe module into the editor's thread and asks it
// about the menus there, which only that process can read.
#pragma once

#include "Editor/tests/EditorWindows.h"

#include <string>

namespace EditorTest {

class MenuProbeClient {
public:
    // What the probe answers: the items of a shown popup, or the greyed states of a shown popup's
    // or a frame's menu items.
    static constexpr wchar_t kItems[] = L"Quorvel.MenuProbe.Items";
    static constexpr wchar_t kStates[] = L"Quorvel.MenuProbe.States";

    // Hooks the probe into the thread of the window; IsHooked tells whether that worked.
    explicit MenuProbeClient(HWND window) {
        // The probe answers into this window's text.
        answer_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        module_ = LoadLibraryW(QUORVEL_MENU_PROBE);
        if (!module_) return;
        auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module_, "MenuProbeHook")));
        hook_ = SetWindowsHookExW(WH_GETMESSAGE, hook, module_, GetWindowThreadProcessId(window, nullptr));
    }
    MenuProbeClient(const MenuProbeClient&) = delete;
    MenuProbeClient& operator=(const MenuProbeClient&) = delete;
    ~MenuProbeClient() {
        if (handled_) CloseHandle(handled_);
        if (hook_) UnhookWindowsHookEx(hook_);
        if (answer_) DestroyWindow(answer_);
        if (module_) FreeLibrary(module_);
    }
    bool IsHooked() const { return hook_ != nullptr; }

    // Asks the probe (kItems or kStates) about the menu window or frame; empty when it does not answer.
    std::wstring Ask(HWND target, const wchar_t* question) {
        SetWindowTextW(answer_, L"");
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread looks alive to the probe's sender
        PostMessageW(target, RegisterWindowMessageW(question), reinterpret_cast<WPARAM>(answer_), 0);
        WaitFor([&] {
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // takes the probe's sent text
            return GetWindowTextLengthW(answer_) > 0;
        });
        return TextOf(answer_);
    }

    // Whether the hooked thread has taken the input given so far: a press of F24 after it reaches
    // the probe. A menu just shown takes keys only once its loop reads input.
    bool Handled() {
        ResetEvent(handled_);
        INPUT in[2] = {};
        for (INPUT& i : in) {
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = VK_F24;
        }
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        return WaitForSingleObject(handled_, kHungAfterMs) == WAIT_OBJECT_0;
    }

private:
    HANDLE handled_ = CreateEventW(nullptr, FALSE, FALSE, L"Quorvel.MenuProbe.InputHandled");
    HWND answer_ = nullptr;
    HMODULE module_ = nullptr;
    HHOOK hook_ = nullptr;
};

} // namespace EditorTest
