// The toolbar of a document window: File, Edit and Undo buttons, the diagram-type list, the zoom
// box with its two buttons and the element styles button.
#pragma once

#include "app/Commands.h"
#include "app/winutil/MessageLoop.h"

#include <memory>
#include <string>
#include <vector>

namespace Editor {

class WindowImp;

class Toolbar : private WinUtil::MessageLoop::IPreProc {
public:
    // A toolbar of the window, made on first Show.
    explicit Toolbar(WindowImp& window);
    Toolbar(const Toolbar&) = delete;
    Toolbar& operator=(const Toolbar&) = delete;
    // Removes the command views and leaves the message loop.
    ~Toolbar() override;

    // Creates the toolbar the first time, shows it.
    void Show();
    // Hides it.
    void Hide();
    bool IsShown() const { return shown_; }
    // The height the window's layout gives it (0 while hidden).
    int GetHeight() const { return shown_ ? height_ : 0; }
    // The control windows (null before the first Show).
    HWND GetHwnd() const { return toolbar_; }
    HWND GetTypeBox() const { return typeBox_; }
    HWND GetZoomBox() const { return zoomBox_; }
    HWND GetZoomEdit() const { return zoomEdit_; }

    // Told after the active pane's zoom changed: the box shows it (unless the toolbar set it).
    void ZoomChanged();
    // Selects the diagram type (1 to 5) in the type list.
    void ShowDiagramType(int type);
    // Enables the type list, or disables it (a read-only document keeps its type).
    void SetEditable(bool editable);
    // The message loop's look at every message (never consumes one).
    bool PreProcess(MSG& msg) override;

private:
    void Create();
    void AddButtons();
    void CreateCommandViews();
    HWND CreateBox(int buttonIndex, int width, DWORD style, UINT id);
    void OnCommand(WinMessage::Msg& msg);
    void OnTypeBox(UINT code);
    void OnZoomBox(UINT code);
    void OnZoomEditKey(WPARAM key);
    void SetPercent(int percent);
    void ZoomToExtent();
    void PostPercent(int percent);
    void RestoreText();
    void ReturnFocus();

    WindowImp& window_;
    HINSTANCE module_;
    HWND frame_;
    HWND toolbar_ = nullptr;
    HWND typeBox_ = nullptr;
    int lastType_ = 0;  // index selected last in the type list
    int typeCount_ = 0;
    bool editable_ = true;
    HWND zoomBox_ = nullptr;
    HWND zoomEdit_ = nullptr;
    bool applying_ = false;  // set while the toolbar itself zooms
    int pending_ = 100;      // the percent posted last for the zoom box
    int height_ = 0;
    bool shown_ = false;
    WinUtil::MessageLoop* loop_ = nullptr;  // the loop the toolbar watches, while it exists
    std::vector<std::wstring> tips_;
    std::vector<std::pair<UINT, std::unique_ptr<Application::ToolbarButtonView>>> views_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
};

} // namespace Editor
