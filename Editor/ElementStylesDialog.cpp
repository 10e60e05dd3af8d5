#include "Editor/ElementStylesDialog.h"

#include "Editor/ElementStyles.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"
#include "style/Model.h"
#include "view/CanvasView.h"
#include "view/Tasks.h"

#include <algorithm>

namespace Editor {

namespace {

const zq::Color kWhite{255, 255, 255};

zq::Color FillOf(const Style::ElementStyle& style) {
    zq::Color color = kWhite;
    style.GetFillColor(color);
    return color;
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

ElementStylesListDialog::ElementStylesListDialog(View::DiagramView& view, std::vector<Style::ElementStyle*> styles)
    : view_(view), styles_(std::move(styles)) {}

ElementStylesListDialog::~ElementStylesListDialog() = default;

BOOL ElementStylesListDialog::OnInitModal() {
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(GetWindow().GetDispatcher());
    plugs_->Add(WM_DRAWITEM, this, &ElementStylesListDialog::OnDrawItem);
    GetCommands().Add(IDC_ESTYLE_LIST, this, &ElementStylesListDialog::OnList);
    GetCommands().Add(IDC_ESTYLE_APPLY, this, &ElementStylesListDialog::OnApply);
    GetCommands().Add(IDC_ESTYLE_NEW, this, &ElementStylesListDialog::OnNew);
    GetCommands().Add(IDC_ESTYLE_DELETE, this, &ElementStylesListDialog::OnDelete);
    loading_ = true;
    red_ = std::make_unique<Application::IntEditCtrl>(GetHwnd(), IDC_ESTYLE_RED, 0, 255, 255, Observer());
    green_ = std::make_unique<Application::IntEditCtrl>(GetHwnd(), IDC_ESTYLE_GREEN, 0, 255, 255, Observer());
    blue_ = std::make_unique<Application::IntEditCtrl>(GetHwnd(), IDC_ESTYLE_BLUE, 0, 255, 255, Observer());
    for (Application::IntEditCtrl* field : {red_.get(), green_.get(), blue_.get()}) {
        field->SetValue(255);
        BindEditCtrl(*field);
    }
    loading_ = false;
    RecountUses();
    FillList();
    if (view_.HasSelection()) {
        CheckDlgButton(GetHwnd(), IDC_ESTYLE_ASSIGN, BST_CHECKED);
        EnableWindow(Item(IDC_ESTYLE_ASSIGN), TRUE);
    }
    return TRUE;
}

std::wstring ElementStylesListDialog::LineOf(size_t entry) const {
    std::wstring line = styles_[entry]->GetName();
    if (uses_[entry] == 0) line += L" (" + WinUtil::ResourceLoader::Instance().LoadString(IDS_UNUSED) + L")";
    return line;
}

void ElementStylesListDialog::RecountUses() {
    uses_.clear();
    for (const Style::ElementStyle* style : styles_)
        uses_.push_back(ElementStyles::CountUses(view_.GetDiagram(), style->GetName()));
}

void ElementStylesListDialog::FillList() {
    HWND list = Item(IDC_ESTYLE_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const std::wstring defaultName = WinUtil::ResourceLoader::Instance().LoadString(IDS_DEFAULT_STYLE);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(defaultName.c_str()));
    for (size_t i = 0; i < styles_.size(); ++i)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LineOf(i).c_str()));
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(current_), 0);
}

void ElementStylesListDialog::OnList(const Application::CommandMsg& msg) {
    if (msg.code == LBN_SELCHANGE) SelectionChanged();
}

void ElementStylesListDialog::SelectionChanged() {
    const int index = static_cast<int>(SendMessageW(Item(IDC_ESTYLE_LIST), LB_GETCURSEL, 0, 0));
    if (index == current_) return;
    // What was typed for the previous style is kept before the fields change.
    CommitName();
    CommitColor();
    Load(index < 0 ? -1 : index);
}

void ElementStylesListDialog::Load(int index) {
    current_ = index;
    style_ = index >= 1 && static_cast<size_t>(index) <= styles_.size() ? styles_[static_cast<size_t>(index - 1)] : nullptr;
    const zq::Color color = style_ ? FillOf(*style_) : kWhite;
    loading_ = true;
    SetWindowTextW(Item(IDC_ESTYLE_NAME), style_ ? style_->GetName().c_str() : L"");
    red_->SetValue(color.red);
    green_->SetValue(color.green);
    blue_->SetValue(color.blue);
    loading_ = false;
    const BOOL enable = style_ ? TRUE : FALSE;
    for (int id : {IDC_ESTYLE_RED, IDC_ESTYLE_GREEN, IDC_ESTYLE_BLUE, IDC_ESTYLE_NAME, IDC_ESTYLE_DELETE})
        EnableWindow(Item(id), enable);
    swatch_ = color;
    InvalidateRect(Item(IDC_ESTYLE_SWATCH), nullptr, TRUE);
}

zq::Color ElementStylesListDialog::FieldColor() const {
    return zq::Color(static_cast<uint8_t>(red_->GetValue()), static_cast<uint8_t>(green_->GetValue()),
                     static_cast<uint8_t>(blue_->GetValue()));
}

void ElementStylesListDialog::ValueChanged(Application::EditCtrlHelper&) {
    if (loading_) return;
    CommitName();
    const zq::Color color = FieldColor();
    if (color == swatch_) return;
    swatch_ = color;
    InvalidateRect(Item(IDC_ESTYLE_SWATCH), nullptr, TRUE);
}

void ElementStylesListDialog::CommitName() {
    if (!style_) return;
    HWND field = Item(IDC_ESTYLE_NAME);
    const std::wstring name = TextOf(field);
    if (name == style_->GetName()) return;
    auto& resources = WinUtil::ResourceLoader::Instance();
    const bool taken = name == resources.LoadString(IDS_DEFAULT_STYLE) ||
                       std::any_of(styles_.begin(), styles_.end(), [&](const Style::ElementStyle* s) {
                           return s != style_ && s->GetName() == name;
                       });
    if (name.empty() || taken) {
        const std::wstring text =
            name.empty() ? resources.LoadString(IDS_NAME_EMPTY) : resources.FormatString(IDS_NAME_IN_USE, {name});
        const std::wstring caption = resources.LoadString(IDS_ERROR);
        loading_ = true;
        SetWindowTextW(field, style_->GetName().c_str());
        loading_ = false;
        WinUtil::MessageBox(caption.c_str(), text.c_str(), MB_ICONEXCLAMATION | MB_TASKMODAL);
        return;
    }
    {
        Core::Env env = view_.GetTaskHost().MakeEnv();
        style_->Rename(env, name);
    }
    const auto entry = static_cast<size_t>(std::find(styles_.begin(), styles_.end(), style_) - styles_.begin());
    HWND list = Item(IDC_ESTYLE_LIST);
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(current_), 0);
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(current_), reinterpret_cast<LPARAM>(LineOf(entry).c_str()));
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(current_), 0);
}

void ElementStylesListDialog::CommitColor() {
    if (!style_) return;
    const zq::Color color = FieldColor();
    if (color == FillOf(*style_)) return;  // a style without fill counts as white
    Core::Env env = view_.GetTaskHost().MakeEnv();
    style_->SetFillColor(env, &color);
}

void ElementStylesListDialog::OnNew(const Application::CommandMsg&) {
    CommitName();
    CommitColor();
    const std::wstring name = ElementStyles::FreeName(styles_);
    if (name.empty()) return;
    {
        Core::Env env = view_.GetTaskHost().MakeEnv();
        Style::Style& style = Style::Style::FindOrCreate(env);
        Style::ElementStyle& created = Style::ElementStyle::Create(env, style, name);
        style.AddElementStyle(env, created);
        styles_.push_back(&created);
        uses_.push_back(0);
    }
    HWND list = Item(IDC_ESTYLE_LIST);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LineOf(styles_.size() - 1).c_str()));
    const int last = static_cast<int>(styles_.size());
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(last), 0);
    Load(last);
    HWND field = Item(IDC_ESTYLE_NAME);
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
}

void ElementStylesListDialog::OnDelete(const Application::CommandMsg&) {
    CommitName();
    CommitColor();
    if (!style_) return;
    const int old = current_;
    {
        Core::Env env = view_.GetTaskHost().MakeEnv();
        if (ElementStyles::CountUses(view_.GetDiagram(), style_->GetName()) > 0) style_->ClearReferences(env);
        style_->Delete(env);
    }
    styles_.erase(std::find(styles_.begin(), styles_.end(), style_));
    style_ = nullptr;
    current_ = -1;
    RecountUses();
    FillList();
    const int lines = static_cast<int>(styles_.size()) + 1;
    const int select = old < lines ? old : lines - 1;
    SendMessageW(Item(IDC_ESTYLE_LIST), LB_SETCURSEL, static_cast<WPARAM>(select), 0);
    Load(select);
}

void ElementStylesListDialog::ApplyCurrent(bool refresh) {
    CommitName();
    CommitColor();
    if (style_) {
        Core::Env env = view_.GetTaskHost().MakeEnv();
        style_->SetFillColor(env, &swatch_);
    }
    if (current_ >= 0 && IsDlgButtonChecked(GetHwnd(), IDC_ESTYLE_ASSIGN) == BST_CHECKED) {
        ElementStyles::AssignToSelection(view_, style_ ? style_->GetName() : std::wstring());
        if (refresh) {
            RecountUses();
            if (!style_) {
                FillList();
            } else {
                const auto entry = static_cast<size_t>(current_ - 1);
                HWND list = Item(IDC_ESTYLE_LIST);
                SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(current_), 0);
                SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(current_),
                             reinterpret_cast<LPARAM>(LineOf(entry).c_str()));
            }
            SendMessageW(Item(IDC_ESTYLE_LIST), LB_SETCURSEL, static_cast<WPARAM>(current_), 0);
        }
    }
    view_.GetDiagram().UpdateAllViews();
}

void ElementStylesListDialog::OnApply(const Application::CommandMsg&) { ApplyCurrent(true); }

bool ElementStylesListDialog::OnEnd(UINT id) {
    if (id == IDOK) ApplyCurrent(false);
    return true;
}

void ElementStylesListDialog::OnDrawItem(WinMessage::Msg& msg) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    if (msg.wParam != IDC_ESTYLE_SWATCH || !item) {
        msg.passToDefault = 1;
        return;
    }
    struct Deleter {
        void operator()(HBRUSH b) const { DeleteObject(b); }
    };
    std::unique_ptr<std::remove_pointer_t<HBRUSH>, Deleter> brush(
        CreateSolidBrush(RGB(swatch_.red, swatch_.green, swatch_.blue)));
    HGDIOBJ old = SelectObject(item->hDC, brush.get());
    Rectangle(item->hDC, item->rcItem.left, item->rcItem.top, item->rcItem.right, item->rcItem.bottom);
    SelectObject(item->hDC, old);
    msg.result = TRUE;
}

} // namespace Editor
