#include "style/win/PropertyTree.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace Style {

namespace {

constexpr int kImageClosed = 1, kImageOpen = 2, kImageValue = 4;

HWND CreateCombo(HINSTANCE instance, HWND parent, const RECT& rect, DWORD kind, const std::vector<std::wstring>& items,
                 int selection)
{
    HWND combo = ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"COMBOBOX", L"",
                                   kind | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP | WS_CLIPCHILDREN | WS_VISIBLE | WS_CHILD,
                                   rect.left, rect.top, rect.right - rect.left, 200, parent, nullptr, instance, nullptr);
    if (!combo) return nullptr;
    ::SendMessageW(combo, WM_SETFONT, ::SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
    for (const std::wstring& item : items) ::SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(item.c_str()));
    ::SendMessageW(combo, CB_SETCURSEL, WPARAM(selection), 0);
    return combo;
}

class EnumVal : public PropertyVal {
public:
    explicit EnumVal(EnumProperty& model) : model_(model) {}
    std::wstring GetText() const override { return model_.GetText(); }
    HWND CreateControl(HINSTANCE instance, HWND parent, const RECT& rect) override {
        return CreateCombo(instance, parent, rect, CBS_DROPDOWNLIST, model_.Items(), model_.Selection());
    }
    LRESULT OnCommand(HWND control, UINT code) override {
        if (code == CBN_SELENDOK) model_.Choose(int(::SendMessageW(control, CB_GETCURSEL, 0, 0)));
        return 0;
    }

private:
    EnumProperty& model_;
};

class SizeVal : public PropertyVal {
public:
    explicit SizeVal(FontSizeProperty& model) : model_(model) {}
    std::wstring GetText() const override { return model_.GetText(); }
    HWND CreateControl(HINSTANCE instance, HWND parent, const RECT& rect) override {
        HWND combo = CreateCombo(instance, parent, rect, CBS_DROPDOWN, model_.Items(), model_.Selection());
        if (combo && model_.Selection() < 0) ::SetWindowTextW(combo, model_.EditText().c_str());
        return combo;
    }
    LRESULT OnCommand(HWND control, UINT code) override {
        if (code == CBN_EDITCHANGE) {
            wchar_t text[32] = {};
            ::GetWindowTextW(control, text, 32);
            model_.Type(text);
        } else if (code == CBN_SELENDOK) {
            model_.Choose(int(::SendMessageW(control, CB_GETCURSEL, 0, 0)));
        }
        return 0;
    }

private:
    FontSizeProperty& model_;
};

} // namespace

std::unique_ptr<PropertyVal> PropertyVal::For(IValue& value)
{
    if (auto* e = zq::Cast<EnumProperty>(&value)) return std::make_unique<EnumVal>(*e);
    if (auto* s = zq::Cast<FontSizeProperty>(&value)) return std::make_unique<SizeVal>(*s);
    return nullptr;
}

PropertyTree::PropertyTree(HINSTANCE instance, HWND host, HIMAGELIST images) : instance_(instance), host_(host)
{
    font_ = HFONT(::SendMessageW(host, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ::GetObjectW(font_ ? HGDIOBJ(font_) : ::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    underlined_ = ::CreateFontIndirectW(&lf);
    RECT client{};
    ::GetClientRect(host, &client);
    header_ = ::CreateWindowExW(0, WC_HEADERW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | HDS_BUTTONS | HDS_FULLDRAG,
                                0, 0, client.right, 20, host, nullptr, instance, nullptr);
    ::SendMessageW(header_, WM_SETFONT, WPARAM(font_), FALSE);
    const wchar_t* titles[] = {L"Property", L"Value"};
    for (int i = 0; i < 2; ++i) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = const_cast<wchar_t*>(titles[i]);
        item.cxy = client.right / 2;
        item.fmt = HDF_STRING | HDF_LEFT;
        ::SendMessageW(header_, HDM_INSERTITEMW, i, LPARAM(&item));
    }
    column_ = client.right / 2;
    HWND tree = ::CreateWindowExW(0, WC_TREEVIEWW, L"",
                                  WS_CHILD | WS_CLIPCHILDREN | WS_TABSTOP | WS_GROUP | TVS_HASBUTTONS | TVS_HASLINES |
                                      TVS_SHOWSELALWAYS,
                                  0, 20, client.right, client.bottom - 20, host, nullptr, instance, nullptr);
    ::SendMessageW(tree, WM_SETFONT, WPARAM(font_), FALSE);
    if (images) ::SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(images));
    tree_.Attach(tree);
    hostWindow_.Attach(host);
    hostPlugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(hostWindow_.GetDispatcher());
    hostPlugs_->Add(WM_WINDOWPOSCHANGED, this, &PropertyTree::OnHostPosChanged);
    hostPlugs_->Add(WM_NOTIFY, this, &PropertyTree::OnHostNotify);
    treePlugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(tree_.GetDispatcher());
    treePlugs_->Add(WM_COMMAND, this, &PropertyTree::OnTreeCommand);
    treePlugs_->Add(WM_LBUTTONDOWN, this, &PropertyTree::OnTreeButtonDown);
    treePlugs_->Add(WM_LBUTTONDBLCLK, this, &PropertyTree::OnTreeDoubleClick);
    treePlugs_->Add(WM_VSCROLL, this, &PropertyTree::OnTreeScroll);
    treePlugs_->Add(WM_MOUSEWHEEL, this, &PropertyTree::OnTreeScroll);
    Layout();
}

PropertyTree::~PropertyTree()
{
    CloseControl();
    treePlugs_.reset();
    hostPlugs_.reset();
    if (underlined_) ::DeleteObject(underlined_);
}

int PropertyTree::ClientWidth() const
{
    RECT r{};
    ::GetClientRect(host_, &r);
    return r.right;
}

void PropertyTree::Layout()
{
    RECT client{};
    ::GetClientRect(host_, &client);
    WINDOWPOS pos{};
    HDLAYOUT layout{&client, &pos};
    ::SendMessageW(header_, HDM_LAYOUT, 0, LPARAM(&layout));
    ::SetWindowPos(header_, pos.hwndInsertAfter, pos.x, pos.y, pos.cx, pos.cy, pos.flags | SWP_NOACTIVATE);
    ::SetWindowPos(tree_.GetHwnd(), nullptr, client.left, client.top, client.right - client.left,
                   client.bottom - client.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SetFirstColumnWidth(column_);
    ::ShowScrollBar(tree_.GetHwnd(), SB_HORZ, FALSE);
}

void PropertyTree::SetFirstColumnWidth(int width)
{
    const int client = ClientWidth();
    column_ = std::min(std::max(width, std::min(kMinColumn, client)), client);
    HDITEMW item{};
    item.mask = HDI_WIDTH;
    item.cxy = column_;
    ::SendMessageW(header_, HDM_SETITEMW, 0, LPARAM(&item));
    item.cxy = client - column_;
    ::SendMessageW(header_, HDM_SETITEMW, 1, LPARAM(&item));
    MoveControl();
    ::InvalidateRect(tree_.GetHwnd(), nullptr, TRUE);
}

void PropertyTree::FitFirstColumn()
{
    SetFirstColumnWidth(ClientWidth());
    ::UpdateWindow(tree_.GetHwnd());
    int widest = kMinColumn;
    HWND tree = tree_.GetHwnd();
    for (auto item = HTREEITEM(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)); item;
         item = HTREEITEM(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, LPARAM(item)))) {
        if (::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(item))) continue;
        RECT r{};
        std::memcpy(&r, &item, sizeof item);
        if (::SendMessageW(tree, TVM_GETITEMRECT, TRUE, LPARAM(&r))) widest = std::max<int>(widest, r.right);
    }
    SetFirstColumnWidth(widest);
}

void PropertyTree::Clear()
{
    ::ShowWindow(tree_.GetHwnd(), SW_HIDE);
    CloseControl();
    ::SendMessageW(tree_.GetHwnd(), TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
    rows_.clear();
    group_ = nullptr;
}

HTREEITEM PropertyTree::Insert(HTREEITEM parent, const std::wstring& caption, std::unique_ptr<PropertyVal> editor)
{
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    insert.item.iImage = insert.item.iSelectedImage = I_IMAGECALLBACK;
    auto item = HTREEITEM(::SendMessageW(tree_.GetHwnd(), TVM_INSERTITEMW, 0, LPARAM(&insert)));
    if (item) rows_[item] = Row{caption, std::move(editor), {}};
    return item;
}

void PropertyTree::AddGroup(const std::wstring& caption)
{
    group_ = Insert(TVI_ROOT, caption, nullptr);
}

void PropertyTree::AddValue(const std::wstring& caption, IValue* value, bool underGroup)
{
    const HTREEITEM parent = (underGroup && group_) ? group_ : TVI_ROOT;
    Insert(parent, caption, value ? PropertyVal::For(*value) : nullptr);
    if (parent != TVI_ROOT) ::SendMessageW(tree_.GetHwnd(), TVM_EXPAND, TVE_EXPAND, LPARAM(parent));
}

void PropertyTree::Show()
{
    ::ShowWindow(tree_.GetHwnd(), SW_SHOWNOACTIVATE);
}

RECT PropertyTree::ValueRect(HTREEITEM item) const
{
    RECT r{};
    std::memcpy(&r, &item, sizeof item);  // the message takes the item in the rectangle's place
    ::SendMessageW(tree_.GetHwnd(), TVM_GETITEMRECT, FALSE, LPARAM(&r));
    r.right += 1;
    r.left = column_ - 1;
    ::OffsetRect(&r, 0, -2);
    return r;
}

void PropertyTree::FitCaption(HTREEITEM item, std::wstring& text)
{
    if (fitting_) return;  // the label rectangle asked below may ask for the text again
    fitting_ = true;
    RECT label{};
    std::memcpy(&label, &item, sizeof item);
    const bool shown = ::SendMessageW(tree_.GetHwnd(), TVM_GETITEMRECT, TRUE, LPARAM(&label)) != FALSE;
    fitting_ = false;
    const int room = column_ - 4 - (shown ? label.left : 0);
    HDC dc = ::GetDC(tree_.GetHwnd());
    if (!dc) return;
    HGDIOBJ old = ::SelectObject(dc, font_ ? HGDIOBJ(font_) : ::GetStockObject(DEFAULT_GUI_FONT));
    const std::size_t length = text.size();
    text.resize(length + 5);  // room for the ellipsis the shortened text ends with
    RECT r{0, 0, std::max(room, 1), 100};
    ::DrawTextW(dc, text.data(), int(length), &r,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS | DT_MODIFYSTRING);
    text.resize(std::wcslen(text.c_str()));
    ::SelectObject(dc, old);
    ::ReleaseDC(tree_.GetHwnd(), dc);
}

void PropertyTree::OpenControl(HTREEITEM item)
{
    auto it = rows_.find(item);
    if (it == rows_.end() || !it->second.editor) return;
    control_ = it->second.editor->CreateControl(instance_, tree_.GetHwnd(), ValueRect(item));
    controlRow_ = control_ ? item : nullptr;
}

void PropertyTree::CloseControl()
{
    if (!control_) return;
    RECT r{};
    ::GetWindowRect(control_, &r);
    ::MapWindowPoints(nullptr, tree_.GetHwnd(), reinterpret_cast<POINT*>(&r), 2);
    ::DestroyWindow(control_);
    control_ = nullptr;
    controlRow_ = nullptr;
    ::InflateRect(&r, 10, 10);
    ::InvalidateRect(tree_.GetHwnd(), &r, TRUE);
}

void PropertyTree::MoveControl()
{
    if (!control_ || !controlRow_) return;
    const RECT r = ValueRect(controlRow_);
    ::SetWindowPos(control_, nullptr, r.left, r.top, r.right - r.left, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    if (::GetFocus() != control_ && !::IsChild(control_, ::GetFocus()))
        ::SendMessageW(control_, CB_SETEDITSEL, 0, 0xFFFF);
}

void PropertyTree::OnHostPosChanged(WinMessage::Msg& msg)
{
    Layout();
    msg.passToDefault = 1;
}

void PropertyTree::OnHostNotify(WinMessage::Msg& msg)
{
    const auto* hdr = reinterpret_cast<const NMHDR*>(msg.lParam);
    if (hdr->hwndFrom == header_ && (hdr->code == HDN_ITEMCHANGINGW || hdr->code == HDN_ITEMCHANGEDW)) {
        const auto* change = reinterpret_cast<const NMHEADERW*>(msg.lParam);
        if (change->iItem == 0 && change->pitem && (change->pitem->mask & HDI_WIDTH)) {
            const int wanted = std::min(std::max(change->pitem->cxy, kMinColumn), ClientWidth());
            change->pitem->cxy = wanted;
            if (wanted != column_) SetFirstColumnWidth(wanted);
        } else if (change->iItem == 1 && change->pitem && (change->pitem->mask & HDI_WIDTH)) {
            change->pitem->cxy = ClientWidth() - column_;
        }
        return;
    }
    if (hdr->hwndFrom == header_ && hdr->code == HDN_DIVIDERDBLCLICKW) {
        FitFirstColumn();
        return;
    }
    if (hdr->hwndFrom != tree_.GetHwnd()) {
        msg.passToDefault = 1;
        return;
    }
    switch (hdr->code) {
    case TVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMTVDISPINFOW*>(msg.lParam);
        auto it = rows_.find(info->item.hItem);
        if (it == rows_.end()) return;
        const bool group = !it->second.editor && ::SendMessageW(tree_.GetHwnd(), TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(info->item.hItem));
        const bool open = info->item.state & TVIS_EXPANDED;
        const int image = group ? (open ? kImageOpen : kImageClosed) : kImageValue;
        if (info->item.mask & TVIF_IMAGE) info->item.iImage = image;
        if (info->item.mask & TVIF_SELECTEDIMAGE) info->item.iSelectedImage = image;
        if (info->item.mask & TVIF_TEXT) {
            it->second.display = it->second.caption;
            if (it->second.editor) FitCaption(info->item.hItem, it->second.display);
            info->item.pszText = it->second.display.data();
        }
        return;
    }
    case TVN_SELCHANGEDW:
        CloseControl();
        OpenControl(reinterpret_cast<const NMTREEVIEWW*>(msg.lParam)->itemNew.hItem);
        return;
    case TVN_ITEMEXPANDEDW:
        MoveControl();
        return;
    case NM_CUSTOMDRAW:
        OnCustomDraw(msg);
        return;
    default:
        msg.passToDefault = 1;
    }
}

void PropertyTree::OnCustomDraw(WinMessage::Msg& msg)
{
    auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(msg.lParam);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        msg.result = CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        return;
    case CDDS_ITEMPREPAINT: {
        auto it = rows_.find(HTREEITEM(draw->nmcd.dwItemSpec));
        const bool group = it != rows_.end() && !it->second.editor && draw->iLevel == 0;
        ::SelectObject(draw->nmcd.hdc, group ? underlined_ : font_);
        msg.result = CDRF_NEWFONT | CDRF_NOTIFYPOSTPAINT;
        return;
    }
    case CDDS_ITEMPOSTPAINT: {
        auto it = rows_.find(HTREEITEM(draw->nmcd.dwItemSpec));
        if (it == rows_.end() || !it->second.editor) return;
        RECT r{column_ + 2, draw->nmcd.rc.top + 1, draw->nmcd.rc.right, draw->nmcd.rc.bottom + 1};
        ::FillRect(draw->nmcd.hdc, &r, ::GetSysColorBrush(COLOR_WINDOW));
        HGDIOBJ old = ::SelectObject(draw->nmcd.hdc, font_);
        ::SetBkColor(draw->nmcd.hdc, ::GetSysColor(COLOR_WINDOW));
        ::SetTextColor(draw->nmcd.hdc, ::GetSysColor(COLOR_WINDOWTEXT));
        const std::wstring text = it->second.editor->GetText();
        ::DrawTextW(draw->nmcd.hdc, text.c_str(), int(text.size()), &r, DT_WORD_ELLIPSIS | DT_SINGLELINE | DT_VCENTER);
        ::SelectObject(draw->nmcd.hdc, old);
        return;
    }
    default:
        msg.result = CDRF_DODEFAULT;
    }
}

void PropertyTree::OnTreeCommand(WinMessage::Msg& msg)
{
    if (control_ && HWND(msg.lParam) == control_ && controlRow_) {
        auto it = rows_.find(controlRow_);
        if (it != rows_.end() && it->second.editor) {
            msg.result = it->second.editor->OnCommand(control_, HIWORD(msg.wParam));
            ::InvalidateRect(tree_.GetHwnd(), nullptr, FALSE);
            return;
        }
    }
    msg.passToDefault = 1;
}

void PropertyTree::OnTreeButtonDown(WinMessage::Msg& msg)
{
    TVHITTESTINFO hit{};
    hit.pt = POINT{short(LOWORD(msg.lParam)), short(HIWORD(msg.lParam))};
    auto item = HTREEITEM(::SendMessageW(tree_.GetHwnd(), TVM_HITTEST, 0, LPARAM(&hit)));
    if (item && (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON | TVHT_ONITEMRIGHT))) {
        if (::SendMessageW(tree_.GetHwnd(), TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(item))) {
            ::SendMessageW(tree_.GetHwnd(), TVM_EXPAND, TVE_TOGGLE, LPARAM(item));
            CloseControl();
        }
        ::SendMessageW(tree_.GetHwnd(), TVM_SELECTITEM, TVGN_CARET, LPARAM(item));
    }
    msg.passToDefault = 1;
}

void PropertyTree::OnTreeDoubleClick(WinMessage::Msg&)
{
    // Swallowed: a double click would toggle the group a second time.
}

void PropertyTree::OnTreeScroll(WinMessage::Msg& msg)
{
    msg.result = tree_.CallPrevious(msg);
    MoveControl();
}

bool PropertyTree::KeyboardFilter(HWND dialog, const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    HWND tree = tree_.GetHwnd();
    HWND focus = ::GetFocus();
    if (rows_.empty()) {
        if (::GetNextDlgTabItem(dialog, focus, shift) == tree) ::PostMessageW(dialog, WM_NEXTDLGCTL, shift ? 1 : 0, FALSE);
        return false;
    }
    if (!control_) return false;
    const bool inControl = focus == control_ || ::IsChild(control_, focus);
    if (inControl) {
        if (!shift) return false;
        ::PostMessageW(dialog, WM_NEXTDLGCTL, WPARAM(tree), TRUE);
        return true;
    }
    if (focus == tree) {
        if (shift) return false;
        ::PostMessageW(dialog, WM_NEXTDLGCTL, WPARAM(control_), TRUE);
        return true;
    }
    if (shift && ::GetNextDlgTabItem(dialog, focus, TRUE) == tree) {
        ::PostMessageW(dialog, WM_NEXTDLGCTL, WPARAM(control_), TRUE);
        return true;
    }
    return false;
}

} // namespace Style
