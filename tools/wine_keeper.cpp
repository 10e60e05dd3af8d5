// Keeps Wine's desktop process alive for a whole test run: one hidden window and a message loop.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"quorvel-wine-keeper", 0, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
