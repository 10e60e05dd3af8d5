#include "Editor/DocumentWindow.h"

#include "Editor/Caption.h"
#include "Editor/CmdHandlerDock.h"
#include "Editor/DebugCommands.h"
#include "Editor/Diagram.h"
#include "Editor/DiagramFactory.h"
#include "Editor/ElementStyles.h"
#include "Editor/Installer.h"
#include "Editor/Toolbar.h"
#include "Editor/WindowList.h"
#include "Editor/Zoom.h"
#include "Editor/WindowSettings.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "app/winutil/WindowPlacement.h"
#include "resources/resource.h"
#include "style/win/PropertyEditor.h"
#include "view/Cursor.h"
#include "view/DefaultTask.h"
#include "view/DiagramType.h"
#include "core/foundation/Cast.h"

namespace Editor {

namespace {

const WinUtil::WindowClass& FrameClass() {
    static WinUtil::WindowClass cls(L"Editor::WindowImp", nullptr, nullptr, CS_DBLCLKS | CS_OWNDC, nullptr, nullptr,
                                    MAKEINTRESOURCEW(IDR_MAINMENU),
                                    WinUtil::ResourceLoader::Instance().LoadIcon(IDI_APPICON));
    return cls;
}

UINT DeferredSetFocusMsg() {
    static const UINT id = WinUtil::PrivateMessage::Instance().Allocate();
    return id;
}

} // namespace

const std::vector<UINT>& MenuEntryCommands() {
    static const std::vector<UINT> ids = {
        40000, 40001, 40002, 40003, 40004, 40007, 40008, 40010, 40011, 40012, 40013, 40014, 40015,
        40016, 40018, 40023, 40024, 40025, 40026, 40027, 40022, 40030, 40031, 40032, 40033, 40034,
        40035, 40053, 40054, 40055, 40056, 40057, 40059, 40061, 40060, 40047, 40048, 40049};
    return ids;
}

WindowImp::WindowImp(Diagram& document, Application::LifeTimeSupervisor& node)
    : IDocumentWindow(document, node), document_(document), commander_(*this) {
    settingChange_ = std::make_unique<Application::SettingChangeRegistration>(static_cast<ISettingChangeObserver&>(*this));
    name_ = document.GetName();
    modified_ = document.GetStorage().IsDirty();
    readOnly_ = document.GetStorage().IsReadOnly();
    bindings_ = std::make_unique<WinMessage::WinMsgPlugMap>(GetDispatcher());
    commands_ = std::make_unique<Application::WinCmdPlugSet>(commander_);
    bindings_->Add(WM_SIZE, this, &WindowImp::OnSize);
    bindings_->Add(WM_SETCURSOR, this, &WindowImp::OnSetCursor);
    bindings_->AddSpy(WM_ACTIVATE, this, &WindowImp::OnActivate);
    bindings_->Add(WM_SETFOCUS, this, &WindowImp::OnSetFocus);
    bindings_->Add(DeferredSetFocusMsg(), this, &WindowImp::OnDeferredSetFocus);
    bindings_->Add(WM_VSCROLL, this, &WindowImp::OnScroll);
    bindings_->Add(WM_HSCROLL, this, &WindowImp::OnScroll);
    bindings_->Add(WM_MOUSEACTIVATE, this, &WindowImp::OnMouseActivate);
    bindings_->AddSpy(WM_DESTROY, this, &WindowImp::OnDestroy);
    RegisterCommands();
    countObserver_.Attach(document.GetModel().GetUndoHandler().GetUndoRedoCountObserverPlug(), this);
}

WindowImp::~WindowImp() {
    debug_.reset();
    elementStyles_.reset();
    windowList_.reset();
    toolbar_.reset();
    zoom_.reset();
    for (size_t i = 0; i < menuEntries_.size(); ++i) commander_.RemoveView(MenuEntryCommands()[i], *menuEntries_[i]);
    menuEntries_.clear();
    active_ = nullptr;
    second_.reset();
    first_.reset();
    splitBar_.reset();
}

void WindowImp::Open(HWND after, Application::NewWindowDefaultsProvider* defaults) {
    Create(FrameClass(), L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
           WS_EX_APPWINDOW | WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600);
    if (after) {
        // Below and right of the reference window, so that both show; the caller shows it.
        WinUtil::WindowPlacement placement = WinUtil::GetCascadedPlacement(after);
        placement.SetShowCmd(SW_HIDE);
        placement.ApplyToWindow(GetHwnd());
    } else if (LastWindowPlacement().IsValid()) {
        // The first window takes the place where the last one was closed.
        WinUtil::WindowPlacement placement = LastWindowPlacement();
        placement.SetShowCmd(SW_HIDE);
        placement.ApplyToWindow(GetHwnd());
    }
    splitBar_ = std::make_unique<SplitBar>(static_cast<ISplitHost&>(*this));
    sizeGrip_ = CreateWindowExW(0, L"SCROLLBAR", nullptr,
                                WS_CHILD | WS_VISIBLE | SBS_SIZEBOX | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN, 0, 0,
                                0, 0, GetHwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    hScroll_ = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, 0, 0, 0, GetHwnd(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    transferFormats_ = std::make_unique<TransferSetFormatHandler>(document_.GetFactory().GetRegistry());
    clipboardViewer_ = std::make_unique<Application::ClipboardViewer>(*this);
    first_ = std::make_unique<ClientView>(MakePaneSetup(), nullptr);
    active_ = first_.get();
    zoom_ = std::make_unique<ZoomCmdHandler>(*this);
    toolbar_ = std::make_unique<Toolbar>(*this);
    windowList_ = std::make_unique<WindowList>(*this);
    elementStyles_ = std::make_unique<ElementStylesList>(*this);
    debug_ = std::make_unique<DebugCommands>(*this);
    const auto* given = zq::Cast<const ToolbarDefaults>(defaults);
    toolbarShown_ = given ? given->showToolbar : ReadShowToolbarSetting();
    Layout();
    nameObserver_.Attach(document_.GetNameObserverList(), this);
    dirtyObserver_.Attach(document_.GetStorage().GetDirtyStateObservers(), this);
    readOnlyObserver_.Attach(document_.GetStorage().GetReadOnlyObservers(), this);
    UpdateCaption();
    CreateMenuEntries();
    RefreshCommandStates();
    // The toolbar comes last, over a window that is complete.
    ShowToolbar(toolbarShown_);
    if (WinUtil::WindowDisabler::IsActive()) WinUtil::WindowDisabler::AddWindow(GetHwnd());
}

PaneSetup WindowImp::MakePaneSetup() {
    PaneSetup setup;
    setup.frame = GetHwnd();
    setup.hScroll = hScroll_;
    setup.model = &document_.GetModel();
    setup.dock = &CmdHandlerDockCreator::Instance();
    setup.view.commander = &commander_;
    setup.view.document = &document_;
    setup.view.clipboard = &document_.GetFactory().GetClipboard();
    setup.view.clipboardViewer = clipboardViewer_.get();
    setup.view.transferFormats = transferFormats_.get();
    setup.view.readOnly = [this] { return readOnly_; };
    setup.view.diagramTypeNotifier = [this] { UpdateCaption(); };
    setup.zoomed = [this] { OnPaneZoomed(); };
    setup.focused = [this](ClientView& pane) {
        if (&pane != active_) SetActiveView(&pane);
    };
    return setup;
}

void WindowImp::CreateMenuEntries() {
    HMENU menu = GetMenu(GetHwnd());
    if (!menu) return;
    for (UINT id : MenuEntryCommands()) {
        menuEntries_.push_back(std::make_unique<Application::MenuItemView>(menu, id));
        commander_.AddView(id, *menuEntries_.back());
    }
}

void WindowImp::SetActiveView(ClientView* pane) {
    if (pane == nullptr) pane = active_;
    if (pane == nullptr) return;
    ClientView* other = pane == first_.get() ? second_.get() : first_.get();
    if (other) other->GetView().SetActive(false);
    const bool changed = active_ != pane;
    active_ = pane;
    pane->GetView().SetActive(true);
    if (changed) OnPaneZoomed();
    if (GetFocus() != pane->GetHwnd()) SetFocus(pane->GetHwnd());
}

void WindowImp::CreateSecondView() {
    if (second_) return;
    second_ = std::make_unique<ClientView>(MakePaneSetup(), first_.get());
    // The lower pane starts where the upper one is, at the same zoom.
    second_->GetCanvas().CopyViewFrom(first_->GetCanvas(), {0, 0});
    zq::Point scroll;
    first_->GetCanvas().GetScrollPos(scroll);
    second_->GetCanvas().SetScrollPos(scroll);
}

void WindowImp::RemoveSecondView() {
    if (!second_) return;
    if (zoom_) zoom_->PaneRemoved(*second_, *first_);
    active_ = first_.get();
    second_.reset();
    SetActiveView(first_.get());
}

void WindowImp::Layout() {
    if (!GetHwnd() || !first_) return;
    RECT client{};
    GetClientRect(GetHwnd(), &client);
    FrameMetrics m;
    m.width = client.right;
    m.height = client.bottom;
    m.vScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    m.hScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
    m.splitBarHeight = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYFRAME);
    m.toolbarHeight = GetToolbarHeight();
    const FrameLayout layout = ComputeFrameLayout(m, splitBar_->IsSplit(), splitBar_->GetSplitPos());
    splitBar_->SetLayoutState(layout.split, layout.splitPos);
    if (!layout.split && second_) RemoveSecondView();
    EnableWindow(sizeGrip_, !IsZoomed(GetHwnd()));
    HDWP batch = BeginDeferWindowPos(9);
    if (toolbar_ && toolbar_->GetHwnd()) batch = PlaceChild(batch, toolbar_->GetHwnd(), layout.toolbar);
    batch = PlaceChild(batch, splitBar_->GetHwnd(), layout.splitBar);
    batch = first_->Place(batch, layout.upperPane, layout.upperVScroll);
    if (second_) batch = second_->Place(batch, layout.lowerPane, layout.lowerVScroll);
    batch = PlaceChild(batch, hScroll_, layout.hScroll);
    batch = PlaceChild(batch, sizeGrip_, layout.sizeGrip);
    if (batch) EndDeferWindowPos(batch);
}

void WindowImp::UpdateCaption() {
    if (!GetHwnd()) return;
    CaptionState state;
    state.embedded = document_.IsEmbedded();
    state.name = name_;
    state.number = GetNumber();
    state.modified = modified_;
    state.readOnly = readOnly_;
    state.diagramType = View::DiagramType::GetTypeOf(document_.GetModel());
    const Caption caption = BuildCaption(state);
    if (windowList_) windowList_->SetCaption(caption.listCaption);
    listCaption_ = caption.listCaption;
    SetWindowTextW(GetHwnd(), caption.full.c_str());
    if (toolbar_) toolbar_->ShowDiagramType(state.diagramType);
}

void WindowImp::SetNumber(int number) {
    IDocumentWindow::SetNumber(number);
    UpdateCaption();
}

bool WindowImp::QueryClose() { return document_.GetWindowCount() > 1 || document_.QueryClose(); }

int WindowImp::GetToolbarHeight() const { return toolbar_ ? toolbar_->GetHeight() : 0; }

void WindowImp::ShowToolbar(bool show) {
    toolbarShown_ = show;
    if (show) toolbar_->Show();
    else toolbar_->Hide();
    commands_->SetCheckState(ID_VIEW_TOOLBAR, show ? Application::Checked : Application::Unchecked);
    Layout();
    OnPaneZoomed();
}

void WindowImp::OnPaneZoomed() {
    if (zoom_) zoom_->ZoomChanged();
    if (toolbar_) toolbar_->ZoomChanged();
}

void WindowImp::LifeTimeEnded() {
    // Each window keeps its own style editor layout; the one closing last writes it.
    if (styleEditorState_) styleEditorState_->Save(Installer::Instance());
    // The document's last window keeps the toolbar state for the windows of the next start.
    if (document_.GetWindowCount() <= 1) WriteShowToolbarSetting(toolbarShown_);
    styleEditorState_.reset();
    IDocumentWindow::LifeTimeEnded();
}

// ---- message bindings

void WindowImp::OnSize(WinMessage::Msg& msg) {
    Layout();
    msg.result = 0;
}

void WindowImp::OnSetCursor(WinMessage::Msg& msg) {
    if (reinterpret_cast<HWND>(msg.wParam) == GetHwnd() && LOWORD(msg.lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        msg.result = TRUE;
    } else {
        msg.passToDefault = 1;
    }
}

void WindowImp::OnActivate(WinMessage::Msg& msg) {
    if (LOWORD(msg.wParam) == WA_INACTIVE) return;
    // The window the user works in is the one new windows cascade from.
    document_.GetFactory().SetReferenceWindow(GetHwnd());
    RefreshCommandStates();
    if (active_) active_->GetView().SetActive(true);
    UpdateWindow(GetHwnd());
}

void WindowImp::OnSetFocus(WinMessage::Msg&) { PostMessageW(GetHwnd(), DeferredSetFocusMsg(), 0, 0); }

void WindowImp::OnDeferredSetFocus(WinMessage::Msg&) {
    if (active_ && GetFocus() == GetHwnd()) SetFocus(active_->GetHwnd());
}

void WindowImp::OnScroll(WinMessage::Msg& msg) {
    // A pane's own scroll bar scrolls that pane; the shared one the active pane.
    ClientView* target = active_;
    const HWND bar = reinterpret_cast<HWND>(msg.lParam);
    if (second_ && bar == second_->GetVScroll()) target = second_.get();
    else if (first_ && bar == first_->GetVScroll()) target = first_.get();
    if (target) SendMessageW(target->GetHwnd(), msg.id, msg.wParam, msg.lParam);
    msg.result = 0;
}

void WindowImp::OnMouseActivate(WinMessage::Msg& msg) {
    msg.result = MA_ACTIVATE;
    if (!second_) return;
    const DWORD pos = GetMessagePos();
    POINT p{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    ScreenToClient(GetHwnd(), &p);
    const HWND child = ChildWindowFromPoint(GetHwnd(), p);
    for (ClientView* pane : {first_.get(), second_.get()})
        if (child == pane->GetHwnd() || child == pane->GetVScroll()) SetActiveView(pane);
}

void WindowImp::OnDestroy(WinMessage::Msg&) {
    // The next first window takes this place (the settings keep it across runs).
    LastWindowPlacement().ReadFromWindow(GetHwnd());
    // A closed window leaves the window lists at once, not when its object goes.
    windowList_.reset();
    debug_.reset();  // its scene lies on the upper pane's canvas
    nameObserver_.End();
    dirtyObserver_.End();
    countObserver_.End();
    readOnlyObserver_.End();
    active_ = nullptr;
    second_.reset();
    first_.reset();
    clipboardViewer_.reset();
}

// ---- observers

void WindowImp::DocumentNameChanged(Application::IDocument& document) {
    name_ = document.GetName();
    UpdateCaption();
    if (document_.IsEmbedded()) RenameEmbeddedMenuItems();
}

void WindowImp::RenameEmbeddedMenuItems() {
    HMENU menu = GetMenu(GetHwnd());
    if (!menu) return;
    auto& resources = WinUtil::ResourceLoader::Instance();
    const size_t slash = name_.find_last_of(L"\\/");
    const std::wstring container = slash == std::wstring::npos ? name_ : name_.substr(slash + 1);
    const std::pair<UINT, std::wstring> items[] = {
        {ID_FILE_SAVE, resources.LoadString(IDS_EMBEDDED_UPDATE)},
        {ID_FILE_SAVEAS, resources.LoadString(IDS_EMBEDDED_SAVECOPYAS)},
        {ID_FILE_CLOSE, resources.LoadString(IDS_EMBEDDED_CLOSE) + container}};
    for (const auto& [id, text] : items) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<wchar_t*>(text.c_str());
        SetMenuItemInfoW(menu, id, FALSE, &info);
    }
    DrawMenuBar(GetHwnd());
}

void WindowImp::OnDirtyStateChanged(bool dirty) {
    if (dirty == modified_) return;
    modified_ = dirty;
    UpdateCaption();
    RefreshCommandStates();
}

void WindowImp::OnReadOnlyChanged(bool readOnly) {
    if (readOnly == readOnly_) return;
    readOnly_ = readOnly;
    UpdateCaption();
    RefreshCommandStates();
    for (ClientView* pane : {first_.get(), second_.get()})
        if (pane) pane->GetView().GetTaskHost().Refresh();
}

void WindowImp::OnUndoRedoCountChanged(std::size_t, std::size_t) { RefreshCommandStates(); }

// ---- settings

namespace {
constexpr wchar_t kShowToolbar[] = L"ShowToolbar";
}

bool ReadShowToolbarSetting() {
    try {
        DWORD value = 1;
        if (Installer::Instance().OpenKeyForReading().QueryDword(kShowToolbar, value)) return value != 0;
    } catch (const WinUtil::Registry::Exception&) {
    }
    return true;
}

void WriteShowToolbarSetting(bool shown) {
    try {
        Installer::Instance().OpenKeyForWriting().SetDword(kShowToolbar, shown ? 1 : 0);
    } catch (const WinUtil::Registry::Exception&) {
    }
}


} // namespace Editor
