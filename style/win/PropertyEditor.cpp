#include "style/win/PropertyEditor.h"

#include "app/MessageFilter.h"
#include "app/winutil/CursorManager.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "app/winutil/Registry.h"
#include "core/Diagram.h"
#include "drawing/FontUtil.h"
#include "resources/resource.h"

#include <cwctype>

namespace Style {

namespace {

constexpr wchar_t kKey[] = L"StylePropertyEditor";

HTREEITEM Next(HWND tree, HTREEITEM item, UINT how)
{
    return HTREEITEM(::SendMessageW(tree, TVM_GETNEXTITEM, how, LPARAM(item)));
}

bool IsExpanded(HWND tree, HTREEITEM item)
{
    return (::SendMessageW(tree, TVM_GETITEMSTATE, WPARAM(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void SaveItem(HWND tree, HTREEITEM item, HTREEITEM first, HTREEITEM selected, std::wstring& out)
{
    if (item == first) out += L'*';
    if (item == selected) out += L'+';
    HTREEITEM child = Next(tree, item, TVGN_CHILD);
    if (child && IsExpanded(tree, item)) {
        out += L'D';
        for (; child; child = Next(tree, child, TVGN_NEXT)) SaveItem(tree, child, first, selected, out);
        out += L'R';
    } else {
        out += L'N';
    }
}

// Applies one level of the text from item on; answers with the text consumed.
void ApplyLevel(HWND tree, HTREEITEM item, std::wstring_view& text, HTREEITEM& first)
{
    while (!text.empty()) {
        if (!item) {
            if (text.front() == L'R') text.remove_prefix(1);
            return;
        }
        const wchar_t c = text.front();
        text.remove_prefix(1);
        if (c == L'*') {
            first = item;
        } else if (c == L'+') {
            ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(item));
        } else if (c == L'D') {
            ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(item));
            ApplyLevel(tree, Next(tree, item, TVGN_CHILD), text, first);
            item = Next(tree, item, TVGN_NEXT);
        } else if (c == L'N') {
            item = Next(tree, item, TVGN_NEXT);
        } else {
            return;
        }
    }
}

class SystemTypefaces : public ITypefaceList {
public:
    std::vector<std::wstring> Faces() const override { return FontUtil::FontList::Instance().Families(); }
    std::wstring Substitute(const std::wstring& face) const override {
        return FontUtil::FontList::Instance().Substitute(face);
    }
    bool Less(const std::wstring& a, const std::wstring& b) const override { return _wcsicmp(a.c_str(), b.c_str()) < 0; }
};

} // namespace

std::wstring SaveTreeState(HWND tree)
{
    std::wstring out;
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    if (root) SaveItem(tree, root, Next(tree, nullptr, TVGN_FIRSTVISIBLE), Next(tree, nullptr, TVGN_CARET), out);
    return out;
}

void ApplyTreeState(HWND tree, const std::wstring& text)
{
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    if (!root) return;
    if (text.empty()) {
        ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(root));
        return;
    }
    std::wstring_view rest(text);
    HTREEITEM first = nullptr;
    ApplyLevel(tree, root, rest, first);
    if (first) ::SendMessageW(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, LPARAM(first));
}

const ITypefaceList& InstalledTypefaces()
{
    static const SystemTypefaces faces;
    return faces;
}

PropertyTexts ResourceTexts(HINSTANCE module)
{
    const WinUtil::ResourceLoader resources(module);
    PropertyTexts texts;
    const std::pair<UINT, std::wstring*> table[] = {
        {IDS_FONT_TYPEFACE, &texts.typeface},       {IDS_FONT_SIZE, &texts.size},
        {IDS_FONT_BOLD, &texts.bold},               {IDS_FONT_SUBSTITUTED, &texts.substituted},
        {IDS_YES, &texts.yes},                      {IDS_NO, &texts.no},
        {IDS_INHERITS, &texts.inherits},            {IDS_INVALID_CHOICE, &texts.invalid}};
    for (const auto& [id, text] : table) {
        std::wstring loaded = resources.LoadString(id);
        if (!loaded.empty()) *text = std::move(loaded);
    }
    return texts;
}

void PropertyEditorState::Save(const Application::IRegistryAccessProvider& access) const
{
    try {
        WinUtil::Registry::Key app = access.OpenKeyForWriting();
        WinUtil::Registry::Key key = WinUtil::Registry::Key::Create(app.Get(), kKey, KEY_WRITE);
        key.SetString(L"TreeView", treeState);
        if (placement.IsValid()) {
            placement.WriteToRegistry(key, L"Placement");
            key.SetDword(L"SplitBarOffset", DWORD(splitOffset));
        }
    } catch (const WinUtil::Registry::Exception&) {
        // The layout is a convenience; a registry that refuses it loses nothing else.
    }
}

PropertyEditor::PropertyEditor(HINSTANCE resources, HWND owner, PropertyEditorHierarchy& hierarchy,
                               IPropertyEditorClient& client, const Application::IRegistryAccessProvider& access,
                               const PropertyEditorState* state)
    : ModelessDialog(resources), hierarchy_(hierarchy), client_(client), access_(access), owner_(owner),
      resources_(resources ? resources : ::GetModuleHandleW(nullptr))
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    images_ = ::ImageList_LoadImageW(resources_, MAKEINTRESOURCEW(IDB_PROPERTYIMAGES), 16, 0, CLR_DEFAULT, IMAGE_BITMAP, 0);
    // The other windows of the program take no input while the dialog runs: the document must not
    // change under the edit (a second window of it could change its diagram type meanwhile).
    ownerEnabled_ = owner && ::IsWindowEnabled(owner);
    const WinUtil::WindowDisabler others;
    Create(owner, L"PROPERTYEDITOR");
    HWND dialog = GetHwnd();
    split_ = std::make_unique<HorzSplitWindow>(GetWindow(), ::GetDlgItem(dialog, IDC_STYLE_TREE),
                                               ::GetDlgItem(dialog, IDC_STYLE_PROPERTIES), &splitObserver_);
    resizer_ = std::make_unique<WinUtil::WindowResizer>(GetWindow());
    for (HWND c : {grip_, ::GetDlgItem(dialog, IDOK), ::GetDlgItem(dialog, IDCANCEL), ::GetDlgItem(dialog, IDC_APPLY),
                   ::GetDlgItem(dialog, IDC_DELETE_UNUSED)})
        resizer_->Add(std::make_unique<WinUtil::RelativeMover>(c, true, true));
    resizer_->Add(std::make_unique<WinUtil::Stretcher>(::GetDlgItem(dialog, IDC_STYLE_PROPERTIES), true, true, true, true));
    resizer_->Add(std::make_unique<WinUtil::Stretcher>(::GetDlgItem(dialog, IDC_STYLE_TREE), true, true, false, true));
    RestoreLayout(state);
    resizer_->Record();
    RunLoop();
}

PropertyEditor::~PropertyEditor()
{
    Destroy();
    if (images_) ::ImageList_Destroy(images_);
}

BOOL PropertyEditor::OnInitDialog()
{
    HWND dialog = GetHwnd();
    properties_ = std::make_unique<PropertyTree>(resources_, ::GetDlgItem(dialog, IDC_STYLE_PROPERTIES), images_);
    const RECT grip = GripPlace();
    grip_ = ::CreateWindowExW(0, L"ScrollBar", L"", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
                              grip.left, grip.top, grip.right - grip.left, grip.bottom - grip.top, dialog, nullptr,
                              resources_, nullptr);
    HWND tree = ::GetDlgItem(dialog, IDC_STYLE_TREE);
    if (images_) ::SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(images_));
    FillTree(hierarchy_, TVI_ROOT);
    const bool writable = client_.CanCommit();
    ::EnableWindow(::GetDlgItem(dialog, IDOK), writable);
    ::EnableWindow(::GetDlgItem(dialog, IDC_APPLY), writable);
    GetCommands().Add(IDOK, [this](const Application::CommandMsg&) { Gather(); client_.OnOk(); Close(); });
    GetCommands().Add(IDCANCEL, [this](const Application::CommandMsg&) { Gather(); client_.OnCancel(); Close(); });
    GetCommands().Add(IDC_APPLY, [this](const Application::CommandMsg&) { client_.OnApply(); });
    GetCommands().Add(IDC_DELETE_UNUSED, [this](const Application::CommandMsg& m) {
        if (m.code == BN_CLICKED) client_.OnToggleDeleteUnused();
    });
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(GetWindow().GetDispatcher());
    plugs_->AddSpy(WM_NOTIFY, this, &PropertyEditor::OnNotify);
    plugs_->Add(WM_CLOSE, this, &PropertyEditor::OnCloseBox);
    plugs_->AddSpy(WM_SETTINGCHANGE, this, &PropertyEditor::OnSettingChange);
    return TRUE;
}

RECT PropertyEditor::GripPlace() const
{
    RECT client{};
    ::GetClientRect(GetHwnd(), &client);
    const int cx = ::GetSystemMetrics(SM_CXVSCROLL), cy = ::GetSystemMetrics(SM_CYHSCROLL);
    return {client.right - cx, client.bottom - cy, client.right, client.bottom};
}

void PropertyEditor::OnSettingChange(WinMessage::Msg&)
{
    // The scroll bar sizes may have changed: the grip takes the new size in the corner, and the
    // resizer starts from the places as they are now.
    if (!grip_) return;
    const RECT grip = GripPlace();
    ::SetWindowPos(grip_, nullptr, grip.left, grip.top, grip.right - grip.left, grip.bottom - grip.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (resizer_) resizer_->Record();
}

void PropertyEditor::OnDestroy()
{
    plugs_.reset();
    resizer_.reset();
    split_.reset();
    properties_.reset();
}

void PropertyEditor::FillTree(PropertyEditorHierarchy& node, HTREEITEM parent)
{
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = node.caption.data();
    insert.item.iImage = 1;
    insert.item.iSelectedImage = 2;
    insert.item.lParam = LPARAM(&node);
    auto item = HTREEITEM(::SendDlgItemMessageW(GetHwnd(), IDC_STYLE_TREE, TVM_INSERTITEMW, 0, LPARAM(&insert)));
    for (auto& child : node.children) FillTree(*child, item);
}

void PropertyEditor::RestoreLayout(const PropertyEditorState* state)
{
    HWND dialog = GetHwnd();
    std::wstring treeState;
    if (state) {
        if (state->placement.IsValid()) state->placement.ApplyToWindow(dialog);
        else Application::CenterWindow(dialog);
        if (state->splitOffset > 0) split_->SetSplitOffset(state->splitOffset);
        treeState = state->treeState;
    } else {
        bool placed = false;
        try {
            WinUtil::Registry::Key app = access_.OpenKeyForReading();
            WinUtil::Registry::Key key = WinUtil::Registry::Key::Open(app.Get(), kKey, KEY_QUERY_VALUE);
            WinUtil::WindowPlacement placement;
            if (placement.ReadFromRegistry(key, L"Placement")) {
                placement.SetShowCmd(SW_HIDE);
                placed = placement.ApplyToWindow(dialog);
            }
            DWORD offset = 0;
            if (key.QueryDword(L"SplitBarOffset", offset)) split_->SetSplitOffset(int(offset));
            key.QueryString(L"TreeView", treeState);
        } catch (const WinUtil::Registry::Exception&) {
            // First use or an unreadable key: centred with the default split and the root expanded.
        }
        if (!placed) Application::CenterWindow(dialog);
    }
    ApplyTreeState(::GetDlgItem(dialog, IDC_STYLE_TREE), treeState);
}

void PropertyEditor::SplitObserver::DragEnded(bool)
{
    if (editor_.resizer_) editor_.resizer_->Record();
}

void PropertyEditor::RunLoop()
{
    WinUtil::CursorManager::ModalGuard modal;
    ::ShowWindow(GetHwnd(), SW_SHOW);
    MSG m;
    while (GetHwnd() && ::IsWindow(GetHwnd())) {
        const BOOL got = ::GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(int(m.wParam));
            break;
        }
        if (got == -1) break;
        if (properties_ && properties_->KeyboardFilter(GetHwnd(), m)) continue;
        if (::IsDialogMessageW(GetHwnd(), &m)) continue;
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
}

void PropertyEditor::Gather()
{
    state_.treeState = SaveTreeState(::GetDlgItem(GetHwnd(), IDC_STYLE_TREE));
    state_.placement.ReadFromWindow(GetHwnd());
    state_.placement.SetShowCmd(SW_HIDE);
    state_.splitOffset = split_ ? split_->GetSplitOffset() : 0;
}

void PropertyEditor::Close()
{
    // The owner first, so that activation goes back to it when the dialog goes.
    if (owner_ && ownerEnabled_) ::EnableWindow(owner_, TRUE);
    Destroy();
}

void PropertyEditor::OnCloseBox(WinMessage::Msg&)
{
    Gather();
    Close();
}

void PropertyEditor::OnNotify(WinMessage::Msg& msg)
{
    const auto* hdr = reinterpret_cast<const NMHDR*>(msg.lParam);
    if (hdr->idFrom != IDC_STYLE_TREE || hdr->code != TVN_SELCHANGEDW || !properties_) return;
    const auto* change = reinterpret_cast<const NMTREEVIEWW*>(msg.lParam);
    auto* node = reinterpret_cast<PropertyEditorHierarchy*>(change->itemNew.lParam);
    if (!node) return;
    properties_->Clear();
    for (const PropertyEntry& e : node->entries) {
        if (!e.value) properties_->AddGroup(e.caption);
        else properties_->AddValue(e.caption, e.value, e.underGroup);
    }
    properties_->Show();
}

std::unique_ptr<PropertyEditorState> EditDiagramStyle(Core::Diagram& diagram, HINSTANCE resources, HWND owner,
                                                      const Application::IRegistryAccessProvider& access,
                                                      const PropertyEditorState* previous, bool readOnly,
                                                      Core::IView* view)
{
    const WinUtil::MessageFilterBlock blockIncomingCalls;  // other programs retry later while it runs
    StyleEditSession session(diagram, InstalledTypefaces(), readOnly, view, ResourceTexts(resources));
    if (!session.GetHierarchy()) {
        session.Finish();
        return nullptr;
    }
    std::unique_ptr<PropertyEditorState> state;
    {
        PropertyEditor editor(resources, owner, *session.GetHierarchy(), session, access, previous);
        state = std::make_unique<PropertyEditorState>(editor.GetState());
    }
    session.Finish();
    return state;
}

} // namespace Style
