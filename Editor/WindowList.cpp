#include "Editor/WindowList.h"

#include "Editor/DocumentWindow.h"
#include "app/Dialog.h"
#include "app/winutil/Guard.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"

#include <algorithm>

namespace Editor {

namespace {

struct Entries {
    std::vector<WindowList*> all;
    bool sorted = true;
};

Entries& List() {
    static Entries entries;
    return entries;
}

// The selection dialog over all windows; answers the chosen position, or -1.
class SelectDialog : public Application::ModalDialog {
public:
    explicit SelectDialog(int selected) : selected_(selected) {}
    int GetSelected() const { return selected_; }

private:
    BOOL OnInitModal() override {
        HWND list = GetDlgItem(GetHwnd(), IDC_WINDOW_LIST);
        for (WindowList* entry : WindowList::Sorted())
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry->GetCaption().c_str()));
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selected_), 0);
        GetCommands().Add(IDC_WINDOW_LIST, [this, list](const Application::CommandMsg& msg) {
            if (msg.code == LBN_SELCHANGE) selected_ = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
            else if (msg.code == LBN_DBLCLK) End(IDOK);
        });
        return TRUE;
    }

    int selected_;
};

} // namespace

bool CaptionLess(const std::wstring& a, const std::wstring& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](wchar_t x, wchar_t y) { return static_cast<uint16_t>(x) < static_cast<uint16_t>(y); });
}

namespace {
// A change of the set of windows or of a caption: every window's menu is rebuilt when it next opens.
void MarkAllStale() {
    List().sorted = false;
    for (WindowList* entry : List().all) entry->MarkStale();
}
} // namespace

WindowList::WindowList(WindowImp& window) : window_(window) {
    HMENU bar = GetMenu(window.GetHwnd());
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_SUBMENU;
    if (bar && GetMenuItemInfoW(bar, IDM_WINDOWMENU, FALSE, &info)) menu_ = info.hSubMenu;
    List().all.push_back(this);
    MarkAllStale();
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(window.GetDispatcher());
    plugs_->AddSpy(WM_INITMENUPOPUP, this, &WindowList::OnInitMenuPopup);
    plugs_->AddSpy(WM_COMMAND, this, &WindowList::OnCommand);
}

WindowList::~WindowList() {
    plugs_.reset();
    auto& all = List().all;
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    MarkAllStale();
}

void WindowList::SetCaption(const std::wstring& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    MarkAllStale();
}

const std::vector<WindowList*>& WindowList::Sorted() {
    Entries& list = List();
    if (!list.sorted) {
        std::stable_sort(list.all.begin(), list.all.end(),
                         [](const WindowList* a, const WindowList* b) { return CaptionLess(a->caption_, b->caption_); });
        list.sorted = true;
    }
    return list.all;
}

namespace {
// Activation alone may leave another top-level window in front (under Wine it does): the window is
// raised and made the foreground window, which also gives it the keyboard.
void Raise(HWND hwnd) {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
}

// A window chosen from the menu of another, for a second after the choice: under Wine the window
// manager may hand the focus back to a window of ours that had it before, once the menu has closed;
// the chosen window is brought to the front again then (never over a dialog). A button held down
// (the user clicking another window) ends the watch.
struct Chosen {
    HWND window = nullptr;
    int checks = 0;
    UINT_PTR timer = 0;
};

Chosen& LastChosen() {
    static Chosen chosen;
    return chosen;
}

constexpr int kChecks = 10;      // every 100 ms: a second
constexpr UINT kCheckEvery = 100;

void CALLBACK CheckChosen(HWND, UINT, UINT_PTR, DWORD) {
    WinUtil::GuardedFunctionCall("Editor::WindowList::CheckChosen", [] {
        Chosen& c = LastChosen();
        const HWND front = GetForegroundWindow();
        const bool ours = front && std::any_of(List().all.begin(), List().all.end(),
                                               [front](const WindowList* w) { return w->GetWindow().GetHwnd() == front; });
        const bool clicked = (GetAsyncKeyState(VK_LBUTTON) | GetAsyncKeyState(VK_RBUTTON)) & 0x8000;
        if (front != c.window && ours && !clicked && IsWindow(c.window)) Raise(c.window);
        if (++c.checks < kChecks && !clicked && IsWindow(c.window)) return;
        KillTimer(nullptr, c.timer);
        c = Chosen{};
    });
}
} // namespace

void WindowList::Activate() const {
    HWND hwnd = window_.GetHwnd();
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    const HWND from = GetForegroundWindow();
    Raise(hwnd);
    if (!from || from == hwnd) return;
    Chosen& c = LastChosen();
    if (c.timer) KillTimer(nullptr, c.timer);
    c = Chosen{hwnd, 0, SetTimer(nullptr, 0, kCheckEvery, &CheckChosen)};
}

void WindowList::OnInitMenuPopup(WinMessage::Msg& msg) {
    if (HIWORD(msg.lParam) || reinterpret_cast<HMENU>(msg.wParam) != menu_ || !menu_ || !stale_) return;
    Rebuild();
}

void WindowList::Rebuild() {
    for (int i = 0; i < appended_; ++i) RemoveMenu(menu_, ID_WINDOW_FIRST + static_cast<UINT>(i), MF_BYCOMMAND);
    RemoveMenu(menu_, ID_WINDOW_MORE, MF_BYCOMMAND);
    appended_ = 0;
    const std::vector<WindowList*>& entries = Sorted();
    size_t position = 0;
    for (; position < entries.size() && ID_WINDOW_FIRST + position < ID_WINDOW_MORE; ++position) {
        const std::wstring text = L"&" + std::to_wstring(position + 1) + L" " + entries[position]->caption_;
        const UINT flags = MF_STRING | (entries[position] == this ? MF_CHECKED : MF_UNCHECKED);
        AppendMenuW(menu_, flags, ID_WINDOW_FIRST + position, text.c_str());
        ++appended_;
    }
    if (position < entries.size()) {
        const std::wstring more = WinUtil::ResourceLoader::Instance().LoadString(IDS_MORE_WINDOWS);
        AppendMenuW(menu_, MF_STRING, ID_WINDOW_MORE, more.c_str());
    }
    DrawMenuBar(window_.GetHwnd());
    stale_ = false;
}

void WindowList::OnCommand(WinMessage::Msg& msg) {
    if (msg.lParam) return;  // a control's notification
    const UINT id = LOWORD(msg.wParam);
    if (id == ID_WINDOW_MORE) {
        ShowDialog();
    } else if (id >= ID_WINDOW_FIRST && id <= ID_WINDOW_LAST) {
        const std::vector<WindowList*>& entries = Sorted();
        const size_t position = id - ID_WINDOW_FIRST;
        if (position < entries.size()) entries[position]->Activate();
    }
}

void WindowList::ShowDialog() {
    const std::vector<WindowList*>& entries = Sorted();
    const auto self = std::find(entries.begin(), entries.end(), this);
    SelectDialog dialog(static_cast<int>(self - entries.begin()));
    if (dialog.Show(nullptr, window_.GetHwnd(), L"SELECTWINDOW") != IDOK) return;
    // The dialog ran a loop of its own: the list may have changed meanwhile.
    const std::vector<WindowList*>& now = Sorted();
    const int chosen = dialog.GetSelected();
    if (chosen >= 0 && static_cast<size_t>(chosen) < now.size()) now[static_cast<size_t>(chosen)]->Activate();
}

} // namespace Editor
