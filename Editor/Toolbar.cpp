#include "Editor/Toolbar.h"

#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/Zoom.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"
#include "view/DiagramType.h"

#include <commctrl.h>

namespace Editor {

namespace {

// Control ids of the two boxes: no command uses them.
constexpr UINT kTypeBoxId = 40201;
constexpr UINT kZoomBoxId = 40202;
constexpr int kTypeButton = 15;  // the separator the type list covers
constexpr int kZoomButton = 18;  // the separator the zoom box covers

UINT PendingTextMsg() {
    static const UINT id = WinUtil::PrivateMessage::Instance().Allocate();
    return id;
}

struct ButtonEntry {
    int command;  // 0: separator
    int image;    // standard image, or -1 zoom out, -2 zoom in
    UINT tip;
    int width;    // of a separator that holds a box
};

// The 23 items in order.
const ButtonEntry kButtons[] = {
    {ID_FILE_NEW, STD_FILENEW, IDS_TIP_NEW, 0},        {ID_FILE_OPEN, STD_FILEOPEN, IDS_TIP_OPEN, 0},
    {ID_FILE_SAVE, STD_FILESAVE, IDS_TIP_SAVE, 0},     {0, 0, 0, 0},
    {ID_FILE_PAGESETUP, STD_PRINTPRE, IDS_TIP_PAGESETUP, 0}, {ID_FILE_PRINT, STD_PRINT, IDS_TIP_PRINT, 0},
    {0, 0, 0, 0},                                      {ID_EDIT_CUT, STD_CUT, IDS_TIP_CUT, 0},
    {ID_EDIT_COPY, STD_COPY, IDS_TIP_COPY, 0},         {ID_EDIT_PASTE, STD_PASTE, IDS_TIP_PASTE, 0},
    {ID_EDIT_DELETE, STD_DELETE, IDS_TIP_DELETE, 0},   {0, 0, 0, 0},
    {ID_EDIT_UNDO, STD_UNDO, IDS_TIP_UNDO, 0},         {ID_EDIT_REDO, STD_REDOW, IDS_TIP_REDO, 0},
    {0, 0, 0, 0},                                      {0, 0, 0, 124},
    {0, 0, 0, 0},                                      {ID_ZOOM_OUT, -1, IDS_TIP_ZOOMOUT, 0},
    {0, 0, 0, 76},                                     {ID_ZOOM_IN, -2, IDS_TIP_ZOOMIN, 0},
    {0, 0, 0, 0},                                      {ID_STYLES_ELEMENTSTYLES, STD_PROPERTIES, IDS_TIP_ELEMENTSTYLES, 0},
    {0, 0, 0, 0},
};

} // namespace

Toolbar::Toolbar(WindowImp& window)
    : window_(window), module_(GetModuleHandleW(nullptr)), frame_(window.GetHwnd()) {}

Toolbar::~Toolbar() {
    if (loop_) loop_->RemovePreProc(this);
    for (auto& [id, view] : views_) window_.GetCommander().RemoveView(id, *view);
    views_.clear();
    plugs_.reset();
}

void Toolbar::Show() {
    if (!toolbar_) Create();
    ShowWindow(toolbar_, SW_SHOW);
    shown_ = true;
}

void Toolbar::Hide() {
    if (toolbar_) ShowWindow(toolbar_, SW_HIDE);
    shown_ = false;
}

void Toolbar::Create() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0, 0,
                               0, frame_, nullptr, module_, nullptr);
    if (!toolbar_) throw std::runtime_error("the toolbar could not be created");
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETMAXTEXTROWS, 0, 0);
    AddButtons();
    ShowWindow(toolbar_, SW_SHOW);
    CreateCommandViews();

    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    typeBox_ = CreateBox(kTypeButton, 118, CBS_DROPDOWNLIST, kTypeBoxId);
    for (int type = 1; type <= 5; ++type) {
        const std::wstring name = WinUtil::ResourceLoader::Instance().LoadString(View::DiagramTypeValue::GetName(type));
        const LRESULT index = SendMessageW(typeBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageW(typeBox_, CB_SETITEMDATA, static_cast<WPARAM>(index), type);
    }
    typeCount_ = 5;
    zoomBox_ = CreateBox(kZoomButton, 70, CBS_DROPDOWN | CBS_AUTOHSCROLL, kZoomBoxId);
    for (int preset : Zoom::kPresets) {
        const std::wstring text = std::to_wstring(preset) + L"%";
        const LRESULT index = SendMessageW(zoomBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(zoomBox_, CB_SETITEMDATA, static_cast<WPARAM>(index), preset);
    }
    const LRESULT fit = SendMessageW(zoomBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Fit Window"));
    SendMessageW(zoomBox_, CB_SETITEMDATA, static_cast<WPARAM>(fit), static_cast<LPARAM>(Zoom::kFitWindow));
    for (HWND box : {typeBox_, zoomBox_}) SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(zoomBox_, &info)) zoomEdit_ = info.hwndItem;

    RECT button{}, box{};
    SendMessageW(toolbar_, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
    GetWindowRect(typeBox_, &box);
    height_ = std::max<int>(button.bottom - button.top, box.bottom - box.top) + 4;

    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(window_.GetDispatcher());
    plugs_->AddSpy(WM_COMMAND, this, &Toolbar::OnCommand);
    if ((loop_ = WinUtil::MessageLoop::Current())) loop_->AddPreProc(this);
    ShowDiagramType(View::DiagramType::GetTypeOf(window_.GetDiagram().GetModel()));
    SetEditable(editable_);
    if (window_.GetActiveView()) PostPercent(Zoom::ShownPercent(window_.GetCanvas()));
}

void Toolbar::AddButtons() {
    SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELONG(16, 16));
    TBADDBITMAP standard{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    const int base = static_cast<int>(SendMessageW(toolbar_, TB_ADDBITMAP, 15, reinterpret_cast<LPARAM>(&standard)));
    TBADDBITMAP zoomOut{module_, IDB_ZOOMOUT};
    const int zoomOutImage = static_cast<int>(SendMessageW(toolbar_, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&zoomOut)));
    TBADDBITMAP zoomIn{module_, IDB_ZOOMIN};
    const int zoomInImage = static_cast<int>(SendMessageW(toolbar_, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&zoomIn)));

    auto& resources = WinUtil::ResourceLoader::Instance();
    tips_.clear();
    tips_.reserve(std::size(kButtons));
    std::vector<TBBUTTON> buttons;
    for (const ButtonEntry& entry : kButtons) {
        TBBUTTON b{};
        if (entry.command == 0) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = entry.width;  // a separator's width
            b.fsState = TBSTATE_ENABLED;
        } else {
            tips_.push_back(resources.LoadString(entry.tip));
            b.idCommand = entry.command;
            b.iBitmap = entry.image == -1 ? zoomOutImage : entry.image == -2 ? zoomInImage : base + entry.image;
            b.fsStyle = BTNS_AUTOSIZE;
            const bool zoom = entry.command == ID_ZOOM_IN || entry.command == ID_ZOOM_OUT;
            b.fsState = zoom ? TBSTATE_ENABLED : 0;
            b.iString = reinterpret_cast<INT_PTR>(tips_.back().c_str());
        }
        buttons.push_back(b);
    }
    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

void Toolbar::CreateCommandViews() {
    for (UINT id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_PAGESETUP, ID_FILE_PRINT, ID_EDIT_CUT, ID_EDIT_COPY,
                    ID_EDIT_PASTE, ID_EDIT_DELETE, ID_EDIT_UNDO, ID_EDIT_REDO, ID_STYLES_ELEMENTSTYLES}) {
        if (SendMessageW(toolbar_, TB_COMMANDTOINDEX, id, 0) < 0) continue;
        views_.emplace_back(id, std::make_unique<Application::ToolbarButtonView>(toolbar_, id));
        window_.GetCommander().AddView(id, *views_.back().second);
    }
}

HWND Toolbar::CreateBox(int buttonIndex, int width, DWORD style, UINT id) {
    RECT place{};
    SendMessageW(toolbar_, TB_GETITEMRECT, static_cast<WPARAM>(buttonIndex), reinterpret_cast<LPARAM>(&place));
    HWND box = CreateWindowExW(0, WC_COMBOBOXW, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | style,
                               place.left + 2, 1, width, 500, toolbar_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               module_, nullptr);
    if (!box) throw std::runtime_error("a toolbar box could not be created");
    return box;
}

void Toolbar::ShowDiagramType(int type) {
    if (!typeBox_) return;
    const std::wstring name = WinUtil::ResourceLoader::Instance().LoadString(View::DiagramTypeValue::GetName(type));
    const LRESULT index = SendMessageW(typeBox_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(name.c_str()));
    if (index < 0) return;
    SendMessageW(typeBox_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    lastType_ = static_cast<int>(index);
}

void Toolbar::SetEditable(bool editable) {
    editable_ = editable;
    if (typeBox_) EnableWindow(typeBox_, editable);
}

void Toolbar::ZoomChanged() {
    if (!applying_ && zoomBox_ && window_.GetActiveView()) PostPercent(Zoom::ShownPercent(window_.GetCanvas()));
}

void Toolbar::PostPercent(int percent) {
    pending_ = percent;
    PostMessageW(zoomBox_, PendingTextMsg(), 0, 0);
}

void Toolbar::RestoreText() {
    if (window_.GetActiveView()) PostPercent(Zoom::ShownPercent(window_.GetCanvas()));
}

void Toolbar::SetPercent(int percent) {
    if (!window_.GetActiveView()) return;
    applying_ = true;
    window_.GetCanvas().SetZoom(percent / 100.0, Zoom::Middle(frame_));
    PostPercent(percent);
    applying_ = false;
}

void Toolbar::ZoomToExtent() {
    if (!window_.GetActiveView()) return;
    window_.GetCanvas().ZoomToExtent();
    RestoreText();
}

void Toolbar::ReturnFocus() {
    if (GetActiveWindow() != frame_) return;
    const HWND focus = GetFocus();
    if (focus == zoomEdit_ || focus == typeBox_) SetFocus(frame_);
}

void Toolbar::OnCommand(WinMessage::Msg& msg) {
    const auto control = reinterpret_cast<HWND>(msg.lParam);
    if (!control) return;
    if (control == typeBox_) OnTypeBox(HIWORD(msg.wParam));
    else if (control == zoomBox_) OnZoomBox(HIWORD(msg.wParam));
}

void Toolbar::OnTypeBox(UINT code) {
    if (code == CBN_SELENDOK) {
        const LRESULT index = SendMessageW(typeBox_, CB_GETCURSEL, 0, 0);
        if (index >= 0 && index < typeCount_) {
            lastType_ = static_cast<int>(index);
            const int type = static_cast<int>(SendMessageW(typeBox_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
            SendMessageW(toolbar_, WM_COMMAND, MAKEWPARAM(View::DiagramTypeValue::GetCommandId(type), 0), 0);
        }
        ReturnFocus();
    } else if (code == CBN_SELENDCANCEL) {
        SendMessageW(typeBox_, CB_SETCURSEL, static_cast<WPARAM>(lastType_), 0);
        ReturnFocus();
    }
}

void Toolbar::OnZoomBox(UINT code) {
    if (code == CBN_SELENDOK) {
        const LRESULT index = SendMessageW(zoomBox_, CB_GETCURSEL, 0, 0);
        if (index >= 0) {
            const int value = static_cast<int>(SendMessageW(zoomBox_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
            if (value == Zoom::kFitWindow) ZoomToExtent();
            else SetPercent(value);
        }
        ReturnFocus();
    } else if (code == CBN_SELENDCANCEL) {
        PostPercent(pending_);
        ReturnFocus();
    }
}

void Toolbar::OnZoomEditKey(WPARAM key) {
    if (key == VK_RETURN) {
        wchar_t text[41] = L"";
        GetWindowTextW(zoomEdit_, text, 41);
        if (std::wstring(text) == L"Fit Window") {
            ZoomToExtent();
        } else if (std::optional<int> percent = Zoom::ParseTyped(text)) {
            SetPercent(*percent);
        } else {
            RestoreText();
        }
        ReturnFocus();
    } else if (key == VK_ESCAPE) {
        RestoreText();
        ReturnFocus();
    }
}

bool Toolbar::PreProcess(MSG& msg) {
    if (msg.message == PendingTextMsg() && msg.hwnd == zoomBox_) {
        SetWindowTextW(zoomBox_, (std::to_wstring(pending_) + L"%").c_str());
    } else if (msg.message == WM_CHAR && msg.hwnd == zoomEdit_ && zoomEdit_) {
        OnZoomEditKey(msg.wParam);
    }
    return false;
}

} // namespace Editor
