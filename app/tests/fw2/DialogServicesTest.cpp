// Dialog services driven through their windows: a modal dialog's end code and end hook, the keys
// of a modeless dialog through the message loop, and the common open and save dialogs.
#include "DialogTestResources.h"
#include "app/Dialog.h"
#include "app/winutil/Files.h"
#include "app/winutil/MessageLoop.h"
#include "app/winutil/Platform.h"

#include "app/tests/fw2/Polling.h"
#include <gtest/gtest.h>

#include <dlgs.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace Application;

namespace {

using AppTest::WaitFor;

struct DialogSearch {
    HWND found = nullptr;
};

BOOL CALLBACK FindVisibleDialog(HWND hwnd, LPARAM lp) {
    wchar_t cls[16] = L"";
    GetClassNameW(hwnd, cls, 16);
    if (!IsWindowVisible(hwnd) || std::wstring(cls) != L"#32770") return TRUE;
    reinterpret_cast<DialogSearch*>(lp)->found = hwnd;
    return FALSE;
}

// The visible dialog of the thread, or null.
HWND VisibleDialogOf(DWORD thread) {
    DialogSearch search;
    EnumThreadWindows(thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The file-name field of a common file dialog (a combo box in the explorer style, else an edit).
HWND FileNameField(HWND dialog) {
    HWND field = GetDlgItem(dialog, cmb13);
    return field ? field : GetDlgItem(dialog, edt1);
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[1024] = L"";
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

void Press(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))); }

// A folder of its own as the current directory, where the file dialogs start.
class DialogFolder {
public:
    DialogFolder() {
        wchar_t temp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, temp);
        GetCurrentDirectoryW(MAX_PATH, previous_);
        path_ = std::wstring(temp) + L"QuorvelFileDialogs" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
        SetCurrentDirectoryW(path_.c_str());
    }
    ~DialogFolder() {
        SetCurrentDirectoryW(previous_);
        for (const std::wstring& f : files_) DeleteFileW(f.c_str());
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring Add(const std::wstring& name) {
        std::wstring file = path_ + L"\\" + name;
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        files_.push_back(file);
        return file;
    }
    const std::wstring& Path() const { return path_; }

private:
    wchar_t previous_[MAX_PATH] = L"";
    std::wstring path_;
    std::vector<std::wstring> files_;
};

class RefusingOnce : public ModalDialog {
public:
    std::atomic<HWND> shown{nullptr};
    std::atomic<int> ends{0};

protected:
    BOOL OnInitModal() override {
        shown = GetHwnd();
        return TRUE;
    }
    bool OnEnd(UINT) override { return ++ends > 1; }  // the first OK is refused
};

} // namespace

TEST(ModalDialog, ShowAnswersTheEndCodeOnceTheEndHookAgrees) {
    RefusingOnce dialog;
    std::atomic<bool> stayedOpen{false};
    std::thread driver([&] {
        // Without WS_VISIBLE the dialog shows only when its loop first idles: press once it is visible,
        // so that "still visible after the refused end" means the refusal kept it.
        if (!WaitFor([&] { HWND h = dialog.shown.load(); return h && IsWindowVisible(h); })) return;
        HWND hwnd = dialog.shown;
        Press(hwnd, IDOK);
        if (!WaitFor([&] { return dialog.ends.load() == 1; })) return;
        stayedOpen = IsWindow(hwnd) && IsWindowVisible(hwnd);
        Press(hwnd, IDOK);
    });
    INT_PTR result = dialog.Show(GetModuleHandleW(nullptr), nullptr, MAKEINTRESOURCEW(IDD_MODAL_TEST));
    driver.join();
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(stayedOpen) << "a refused end keeps the dialog";
    EXPECT_EQ(dialog.ends.load(), 2);
    EXPECT_EQ(dialog.GetHwnd(), nullptr);

    RefusingOnce missing;
    EXPECT_EQ(missing.Show(GetModuleHandleW(nullptr), nullptr, MAKEINTRESOURCEW(9999)), -1);
    EXPECT_EQ(missing.shown.load(), nullptr);
}

TEST(ModelessDialog, KeysReachTheDialogThroughTheLoopWhileItIsRegistered) {
    WinUtil::MessageLoop loop;
    ModelessDialog dialog;
    HWND hwnd = dialog.Create(nullptr, MAKEINTRESOURCEW(IDD_MODELESS_KEYS));
    ASSERT_TRUE(hwnd);
    ShowWindow(hwnd, SW_SHOW);
    HWND first = GetDlgItem(hwnd, IDC_KEYS_FIRST), second = GetDlgItem(hwnd, IDC_KEYS_SECOND);
    int cancels = 0;
    dialog.GetCommands().Add(IDCANCEL, [&](const CommandMsg&) { ++cancels; });
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);

    // Made while the loop runs, the dialog is registered with it.
    PostMessageW(first, WM_KEYDOWN, VK_TAB, 0);
    loop.PumpWaiting();
    EXPECT_EQ(GetFocus(), second) << "Tab moves to the next control";
    PostMessageW(second, WM_KEYDOWN, VK_ESCAPE, 0);
    loop.PumpWaiting();
    EXPECT_EQ(cancels, 1) << "Escape is the dialog's Cancel command";

    // Unregistered, Tab and Escape are only keys for the edit control.
    loop.RemoveModelessDialog(hwnd);
    PostMessageW(second, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(second, WM_KEYDOWN, VK_ESCAPE, 0);
    loop.PumpWaiting();
    EXPECT_EQ(GetFocus(), second);
    EXPECT_EQ(cancels, 1);

    loop.AddModelessDialog(hwnd);
    PostMessageW(second, WM_KEYDOWN, VK_TAB, 0);
    loop.PumpWaiting();
    EXPECT_EQ(GetFocus(), first) << "Tab wraps round to the first control";
}

TEST(FileDialogs, OpenAnswersTheChosenFilesSortedAndTheReadOnlyChoice) {
    DialogFolder folder;
    const std::wstring b = folder.Add(L"b.qvd");
    const std::wstring a = folder.Add(L"a.qvd");
    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> titled{false};
    std::thread driver([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = VisibleDialogOf(thread)) && FileNameField(dialog); })) return;
        titled = TextOf(dialog) == L"Open Diagrams";
        SetWindowTextW(FileNameField(dialog), L"\"b.qvd\" \"a.qvd\"");
        Press(dialog, IDOK);
    });
    WinUtil::OpenFileResult result = WinUtil::OpenFileDialog(
        nullptr, L"Open Diagrams", L"Diagram (*.qvd)|*.qvd|All Files|*", OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    driver.join();
    EXPECT_TRUE(titled);
    ASSERT_TRUE(result.confirmed);
    EXPECT_EQ(result.paths, (std::set<std::wstring>{a, b}));
    EXPECT_FALSE(result.readOnly);

    // One file, with the read-only choice ticked.
    std::atomic<bool> ticked{false};
    std::thread reader([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = VisibleDialogOf(thread)) && FileNameField(dialog); })) return;
        SendMessageW(GetDlgItem(dialog, chx1), BM_CLICK, 0, 0);
        ticked = IsDlgButtonChecked(dialog, chx1) == BST_CHECKED;
        SetWindowTextW(FileNameField(dialog), L"b.qvd");
        Press(dialog, IDOK);
    });
    WinUtil::OpenFileResult single = WinUtil::OpenFileDialog(nullptr, L"Open Diagrams", L"All Files|*", OFN_FILEMUSTEXIST);
    reader.join();
    EXPECT_TRUE(ticked);
    ASSERT_TRUE(single.confirmed);
    EXPECT_EQ(single.paths, (std::set<std::wstring>{b}));
    EXPECT_TRUE(single.readOnly);

    std::thread canceller([&] {
        HWND dialog = nullptr;
        if (WaitFor([&] { return (dialog = VisibleDialogOf(thread)) != nullptr; })) Press(dialog, IDCANCEL);
    });
    WinUtil::OpenFileResult cancelled = WinUtil::OpenFileDialog(nullptr, L"Open Diagrams", L"All Files|*", 0);
    canceller.join();
    EXPECT_FALSE(cancelled.confirmed);
    EXPECT_TRUE(cancelled.paths.empty());
}

TEST(FileDialogs, SaveProposesTheNameAndAddsTheDefaultExtension) {
    DialogFolder folder;
    const DWORD thread = GetCurrentThreadId();
    std::wstring proposed;
    std::thread driver([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = VisibleDialogOf(thread)) && FileNameField(dialog); })) return;
        proposed = TextOf(FileNameField(dialog));
        SetWindowTextW(FileNameField(dialog), L"chosen");
        Press(dialog, IDOK);
    });
    std::wstring name = L"Diagram1";
    DWORD filterIndex = 1;
    bool saved = WinUtil::SaveFileDialog(nullptr, L"Diagram (*.qvd)|*.qvd|PNG (*.png)|*.png", filterIndex, L"qvd", name);
    driver.join();
    EXPECT_EQ(proposed, L"Diagram1");
    ASSERT_TRUE(saved);
    EXPECT_EQ(CompareStringOrdinal(name.c_str(), -1, (folder.Path() + L"\\chosen.qvd").c_str(), -1, TRUE), CSTR_EQUAL)
        << std::string(name.begin(), name.end());
    EXPECT_EQ(filterIndex, 1u);

    std::thread canceller([&] {
        HWND dialog = nullptr;
        if (WaitFor([&] { return (dialog = VisibleDialogOf(thread)) != nullptr; })) Press(dialog, IDCANCEL);
    });
    std::wstring kept = L"kept";
    EXPECT_FALSE(WinUtil::SaveFileDialog(nullptr, L"All Files|*", filterIndex, L"qvd", kept));
    canceller.join();
    EXPECT_EQ(kept, L"kept");
}
