// Dialogs from test resources: a modal tab dialog switched with Ctrl+Tab and closed with OK,
// a modeless dialog created hidden, and centring.
#include "DialogTestResources.h"
#include "app/Dialog.h"
#include "app/winutil/Platform.h"

#include "app/tests/fw2/Polling.h"
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

using namespace Application;

namespace {

using AppTest::WaitFor;

void PressCtrlTab() {
    INPUT in[4] = {};
    for (auto& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_CONTROL;
    in[1].ki.wVk = VK_TAB;
    in[2].ki.wVk = VK_TAB;
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = VK_CONTROL;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, in, sizeof(INPUT));
}

// Saves the window's picture as a 24-bit BMP.
bool SaveScreenshot(HWND hwnd, const char* path) {
    RECT r;
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    // Copied from the screen: the dialog is in front, and its child controls are drawn there.
    UpdateWindow(hwnd);
    BOOL ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    int stride = ((w * 3 + 3) / 4) * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * h);
    GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    // A picture of one colour would mean nothing was captured.
    bool varied = false;
    for (size_t i = 3; i < pixels.size() && !varied; i += 3) varied = pixels[i] != pixels[0];
    if (!varied) return false;
    BITMAPFILEHEADER bf{};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi;
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fwrite(&bf, sizeof bf, 1, f);
    std::fwrite(&bi, sizeof bi, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
    return ok != FALSE;
}

class TabDialog : public ModalTabDialog {
public:
    std::atomic<HWND> shown{nullptr};
    int ends = 0;

protected:
    BOOL OnInitModal() override {
        BOOL r = ModalTabDialog::OnInitModal();
        shown = GetHwnd();
        return r;
    }
    bool OnEnd(UINT) override { ++ends; return true; }
};

} // namespace

TEST(ModalTabDialog, CtrlTabSwitchesPagesAndOkAnswersIdok) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    TabDialog dialog;
    dialog.AddPage(L"One", MAKEINTRESOURCEW(IDD_PAGE_ONE));
    dialog.AddPage(L"Two", MAKEINTRESOURCEW(IDD_PAGE_TWO));

    std::atomic<bool> firstShownFirst{false}, switched{false}, switchedBack{false}, captured{false};
    std::thread driver([&] {
        if (!WaitFor([&] { return dialog.shown.load() && IsWindowVisible(dialog.shown.load()); })) return;
        HWND hwnd = dialog.shown;
        HWND page1 = dialog.GetPageWindow(0), page2 = dialog.GetPageWindow(1);
        firstShownFirst = IsWindowVisible(page1) && !IsWindowVisible(page2);
        SetForegroundWindow(hwnd);
        SetFocus(GetDlgItem(page1, IDC_PAGE_ONE_EDIT));
        // The keys go to the window in front: on busy cores the dialog may take its time to get there.
        if (!WaitFor([&] { return GetForegroundWindow() == hwnd; })) SetForegroundWindow(hwnd);
        PressCtrlTab();
        switched = WaitFor([&] { return IsWindowVisible(page2) && !IsWindowVisible(page1); });
        captured = SaveScreenshot(hwnd, "tab_dialog_second_page.bmp");
        PressCtrlTab();
        switchedBack = WaitFor([&] { return IsWindowVisible(page1) && !IsWindowVisible(page2); });
        PostMessageW(GetDlgItem(hwnd, IDOK), BM_CLICK, 0, 0);
    });
    INT_PTR result = dialog.Show(nullptr, MAKEINTRESOURCEW(IDD_TAB_TEST), IDC_TAB);
    driver.join();
    EXPECT_TRUE(firstShownFirst);
    EXPECT_TRUE(switched);
    EXPECT_TRUE(switchedBack);
    EXPECT_TRUE(captured);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.ends, 1);
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
}

TEST(ModalTabDialog, CancelCommandAnswersIdcancel) {
    TabDialog dialog;
    dialog.AddPage(L"One", MAKEINTRESOURCEW(IDD_PAGE_ONE));
    dialog.AddPage(L"Two", MAKEINTRESOURCEW(IDD_PAGE_TWO));
    std::thread driver([&] {
        if (!WaitFor([&] { return dialog.shown.load() != nullptr; })) return;
        PostMessageW(dialog.shown, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    INT_PTR result = dialog.Show(nullptr, MAKEINTRESOURCEW(IDD_TAB_TEST), IDC_TAB);
    driver.join();
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.ends, 1);
}

TEST(ModelessDialog, CreatedOnceHiddenAndDestroyedWithTheObject) {
    HWND hwnd = nullptr;
    {
        ModelessDialog dialog;
        hwnd = dialog.Create(nullptr, MAKEINTRESOURCEW(IDD_MODELESS_TEST));
        ASSERT_TRUE(hwnd);
        EXPECT_FALSE(IsWindowVisible(hwnd));
        EXPECT_EQ(dialog.Create(nullptr, MAKEINTRESOURCEW(IDD_MODELESS_TEST)), hwnd);
        // Its commands reach its router.
        int runs = 0;
        dialog.GetCommands().Add(100, [&](const CommandMsg& msg) { if (msg.code == EN_CHANGE) ++runs; });
        SetDlgItemTextW(hwnd, 100, L"x");
        EXPECT_EQ(runs, 1);
    }
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(CenterWindow, CentresOverTheParent) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, 100, 100, 600, 400, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND popup = CreateWindowExW(0, L"STATIC", L"popup", WS_POPUP, 0, 0, 200, 100, parent, nullptr, nullptr, nullptr);
    CenterWindow(popup);
    RECT r;
    GetWindowRect(popup, &r);
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 250);
    EXPECT_EQ(r.right - r.left, 200);
    DestroyWindow(popup);
    DestroyWindow(parent);
}
