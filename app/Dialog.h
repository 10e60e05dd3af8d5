// Dialogs whose messages and commands go through window objects and command routers.
#pragma once

#include "app/Commands.h"
#include "app/EditCtrl.h"
#include "app/WinCommander.h"
#include "app/winutil/Window.h"

#include <memory>
#include <string>
#include <vector>

namespace Application {

class IApplication;

// The base of every dialog: from WM_INITDIALOG on the dialog is a window object with its own
// command router and a binding set for its commands.
class Dialog {
public:
    Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    // The dialog window (null before creation and after destruction).
    HWND GetHwnd() const { return window_ ? window_->GetHwnd() : nullptr; }
    // The dialog's window object (valid while the dialog exists).
    WinUtil::Window& GetWindow() { return *window_; }
    // The dialog's command router (valid while the dialog exists).
    IWinCommander& GetCommander() { return *commander_; }
    // The bindings of the dialog's commands (valid while the dialog exists).
    WinCmdPlugSet& GetCommands() { return *commands_; }
    // Routes the notifications of an edit control (EN_CHANGE, EN_KILLFOCUS) to it.
    void BindEditCtrl(EditCtrlHelper& control);

    // The dialog procedure of every Dialog; lParam of WM_INITDIALOG is the Dialog object.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // Called from WM_INITDIALOG once the router exists; answer FALSE when focus was set.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Called when the window is going away (WM_DESTROY), before the router goes.
    virtual void OnDestroy() {}
    // Drops the window object, router and bindings (only once the window is gone).
    void Unbind();

private:
    void Bind(HWND hwnd);

    std::unique_ptr<WinUtil::Window> window_;
    std::unique_ptr<WinCommander> commander_;
    std::unique_ptr<WinCmdPlugSet> commands_;
};

// A modal dialog: commands 1 (IDOK) and 2 (IDCANCEL) call the end hook and then EndDialog.
class ModalDialog : public Dialog {
public:
    // Runs the dialog from template name of the module and answers its end code (-1 on failure).
    INT_PTR Show(HINSTANCE resources, HWND owner, const wchar_t* templateName);
    // Ends the dialog with the code.
    void End(INT_PTR code);

protected:
    BOOL OnInitDialog() override;
    // Called before EndDialog with IDOK or IDCANCEL; answer false to keep the dialog open.
    virtual bool OnEnd(UINT) { return true; }
    // Called after the router and the IDOK and IDCANCEL bindings exist.
    virtual BOOL OnInitModal() { return TRUE; }

private:
    void OnEndCommand(const CommandMsg& msg);
};

// A modal dialog with child pages in a tab control; Ctrl+Tab and Ctrl+Shift+Tab switch pages.
class ModalTabDialog : public ModalDialog {
public:
    // Adds a page shown under the tab title, made from template name when the dialog opens.
    void AddPage(const std::wstring& title, const wchar_t* templateName, std::unique_ptr<Dialog> page = nullptr);
    // Runs the dialog with the tab control tabId and answers its end code (1 for OK).
    INT_PTR Show(HWND owner, const wchar_t* templateName, int tabId, HINSTANCE resources = nullptr);
    // The index of the page shown.
    int GetCurrentPage() const { return current_; }
    // Shows page index (wrapping around).
    void SelectPage(int index);
    // The window of page index (null when out of range).
    HWND GetPageWindow(int index) const;
    // The number of pages.
    int GetPageCount() const { return static_cast<int>(pages_.size()); }

protected:
    BOOL OnInitModal() override;
    void OnDestroy() override;

private:
    struct Page {
        std::wstring title;
        const wchar_t* templateName;
        std::unique_ptr<Dialog> dialog;
    };
    static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);
    void OnTabNotify();
    void PlacePage(HWND page);

    std::vector<Page> pages_;
    int tabId_ = 0;
    int current_ = -1;
    HINSTANCE resources_ = nullptr;
    HHOOK hook_ = nullptr;
    std::unique_ptr<WinMessage::WinMsgPlugMap> notify_;
    void OnNotify(WinMessage::Msg& msg);
};

// A modeless dialog, created once without being shown and destroyed with the object.
class ModelessDialog : public Dialog {
public:
    // The resources come from the module (the program's when null).
    explicit ModelessDialog(HINSTANCE resources = nullptr) : resources_(resources) {}
    // Destroys the window.
    ~ModelessDialog() override;
    // Creates the dialog window once (later calls answer the same window); throws on failure.
    HWND Create(HWND owner, const wchar_t* templateName);
    // Destroys the window.
    void Destroy();

private:
    HINSTANCE resources_;
};

// Centres a window over its parent (or owner), or over the desktop's work area without one, keeping its size.
void CenterWindow(HWND window);

} // namespace Application
