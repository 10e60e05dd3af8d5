#include "Editor/AboutBox.h"

#include "app/Dialog.h"
#include "resources/resource.h"

namespace Editor {

namespace {

class AboutDialog : public Application::ModalDialog {
protected:
    BOOL OnInitModal() override {
        SetDlgItemTextW(GetHwnd(), IDC_ABOUT_VERSION, AboutVersionLine().c_str());
        return TRUE;
    }
};

} // namespace

std::wstring AboutVersionLine() {
    return L"Version " + std::to_wstring(1) + L"." + std::to_wstring(3) + L"." + std::to_wstring(4) + L" (" +
           QUORVEL_BUILD_REVISION + L")";
}

void ShowAboutBox(HWND owner) {
    AboutDialog dialog;
    dialog.Show(GetModuleHandleW(nullptr), owner, L"ABOUT");
}

} // namespace Editor
