#include "page/win/PageSetupDialog.h"

#include "app/Dialog.h"
#include "app/EditCtrl.h"
#include "app/RegistryAccess.h"
#include "app/winutil/WindowPlacement.h"
#include "app/winutil/CursorManager.h"
#include "app/winutil/ResourceLoader.h"
#include "core/foundation/Geometry.h"
#include "page/PageSetup.h"
#include "page/win/Preview.h"
#include "page/win/PrinterPage.h"
#include "page/win/PrinterSelect.h"
#include "page/win/SelectedPrinter.h"
#include "resources/resource.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <functional>
#include <map>
#include <set>

namespace Page {

namespace {

// The OK state shared by both tabs: OK is enabled only while every typed value is in range.
class Validity {
public:
    explicit Validity(std::function<void(bool)> enable) : enable_(std::move(enable)) {}
    void Set(int tab, int id, bool valid) {
        if (valid) bad_.erase({tab, id});
        else bad_.insert({tab, id});
        enable_(bad_.empty());
    }

private:
    std::set<std::pair<int, int>> bad_;
    std::function<void(bool)> enable_;
};

enum class FieldKind { Length, Percent, Count };

// One numeric field bound to a property: shows it scaled, writes typed values back.
struct Field {
    std::unique_ptr<Application::EditCtrlHelper> control;
    std::function<double()> read;          // the property in the field's unit
    std::function<void(double)> write;     // a typed value back into the property
    double lo = 0, hi = 0;
    FieldKind kind = FieldKind::Length;
};

// The number a field's text says, read as its control reads it, before clamping; none for other text.
std::optional<double> Parse(const Field& f, const std::wstring& text)
{
    using namespace Application::EditText;
    if (f.kind == FieldKind::Length) return ParseLength(text);
    if (f.kind == FieldKind::Percent) return ParseNumberWithSuffix(text, L"%");
    if (std::optional<long long> count = ParseInt(text)) return double(*count);
    return std::nullopt;
}

// Whether a field's text is a value of its range (the control would clamp it silently).
bool TextInRange(const Field& f, const std::wstring& text)
{
    const std::optional<double> v = Parse(f, text);
    return v && *v >= f.lo && *v <= f.hi;
}

// The value a field's control reads from its text (clamped).
double ControlValue(const Field& f)
{
    if (auto* l = zq::Cast<Application::LengthEditCtrl>(f.control.get())) return l->GetValue();
    if (auto* p = zq::Cast<Application::PercentEditCtrl>(f.control.get())) return p->GetValue();
    return zq::Cast<Application::IntEditCtrl>(f.control.get())->GetValue();
}

// The common part of both tabs: fields bound to properties in both directions.
class TabPage : public Application::Dialog, public Application::EditCtrlHelper::IObserver, public IPropertyObserver {
public:
    TabPage(PageSetup& setup, Validity& validity, int tab) : setup_(setup), validity_(validity), tab_(tab) {}
    ~TabPage() override {
        for (IProperty* p : watched_) p->RemoveObserver(*this);
    }

protected:
    void AddLength(int id, double loMm, std::function<double()> read, std::function<void(double)> write) {
        Field f;
        const double hiMm = FieldRange::kMaxLength / 100;
        f.control = std::make_unique<Application::LengthEditCtrl>(GetHwnd(), id, loMm, hiMm, read() * 0.01, this);
        f.read = [read] { return read() * 0.01; };
        f.write = [write](double mm) { write(mm * 100); };
        f.lo = loMm;
        f.hi = hiMm;
        Bind(id, std::move(f));
    }
    void Bind(int id, Field f) {
        GetCommands().Add(id, [this, id](const Application::CommandMsg& m) { OnField(id, m.code); });
        fields_[id] = std::move(f);
        Show(id);
    }
    void OnField(int id, UINT code) {
        auto it = fields_.find(id);
        if (it == fields_.end()) return;
        if (code == EN_KILLFOCUS) return Leave(id, it->second);
        it->second.control->OnCommand(code);  // a value of the range goes into the working copy
        // OK stays grey while the text is no value of the range, also when the control reads it as the
        // value it had.
        if (code == EN_CHANGE && !updating_) validity_.Set(tab_, id, TextInRange(it->second, FieldText(id)));
    }
    // Leaving a field: a number is clamped into the range and taken, other text gives way to the
    // value the working copy holds, so that the field shows what OK sets and OK is grey no longer.
    void Leave(int id, Field& f) {
        if (Parse(f, FieldText(id))) {
            f.control->OnCommand(EN_KILLFOCUS);  // the control clamps and formats its text
            updating_ = true;
            f.write(ControlValue(f));
            updating_ = false;
        }
        Show(id);
    }
    void Watch(IProperty& p) {
        p.AddObserver(*this);
        watched_.push_back(&p);
    }
    // Writes the property's value into the field without taking it back.
    void Show(int id) {
        Field& f = fields_.at(id);
        updating_ = true;
        if (auto* l = zq::Cast<Application::LengthEditCtrl>(f.control.get())) l->SetValue(f.read());
        else if (auto* p = zq::Cast<Application::PercentEditCtrl>(f.control.get())) p->SetValue(f.read());
        else if (auto* i = zq::Cast<Application::IntEditCtrl>(f.control.get())) i->SetValue(int(f.read()));
        updating_ = false;
        validity_.Set(tab_, id, true);
    }
    std::wstring FieldText(int id) const {
        wchar_t buffer[64] = {};
        ::GetDlgItemTextW(GetHwnd(), id, buffer, 64);
        return buffer;
    }
    void ValueChanged(Application::EditCtrlHelper& control) override {
        auto it = fields_.find(control.GetId());
        if (updating_ || it == fields_.end()) return;  // our own writes, or a field still being made
        Field& f = it->second;
        if (!TextInRange(f, FieldText(control.GetId()))) return;  // OK is grey meanwhile
        updating_ = true;
        f.write(ControlValue(f));
        updating_ = false;
    }

    PageSetup& setup_;
    Validity& validity_;
    int tab_;
    std::map<int, Field> fields_;
    std::vector<IProperty*> watched_;
    bool updating_ = false;
};

class SizeTab : public TabPage {
public:
    SizeTab(PageSetup& setup, Validity& validity, std::wstring& printer) : TabPage(setup, validity, 0), printer_(printer) {}

    // Fills the paper list for the dialog's printer and selects the matching entry.
    void FillPaperList() {
        papers_ = GetPaperList(printer_);
        HWND combo = ::GetDlgItem(GetHwnd(), IDC_PAPER_LIST);
        ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const Paper& p : papers_) ::SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(p.name.c_str()));
        std::wstring user = WinUtil::ResourceLoader::Instance().LoadString(IDS_USER_DEFINED_SIZE);
        if (user.empty()) user = L"User Defined Size";
        ::SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(user.c_str()));
        SelectMatchingPaper();
    }
    const std::vector<Paper>& Papers() const { return papers_; }

protected:
    BOOL OnInitDialog() override {
        PageSetup* s = &setup_;
        AddLength(IDC_PAGE_WIDTH, FieldRange::kMinPaperSide / 100, [s] { return s->ShownWidth(); }, [s](double v) { s->SetShownWidth(v); });
        AddLength(IDC_PAGE_HEIGHT, FieldRange::kMinPaperSide / 100, [s] { return s->ShownHeight(); }, [s](double v) { s->SetShownHeight(v); });
        Field scale;
        scale.control = std::make_unique<Application::PercentEditCtrl>(GetHwnd(), IDC_PAGE_SCALE, FieldRange::kMinScale, FieldRange::kMaxScale,
                                                                         s->scale.Get(), 1.0, this);
        scale.read = [s] { return s->scale.Get(); };
        scale.write = [s](double v) { s->scale.Set(v); };
        scale.lo = FieldRange::kMinScale, scale.hi = FieldRange::kMaxScale, scale.kind = FieldKind::Percent;
        Bind(IDC_PAGE_SCALE, std::move(scale));
        AddCount(IDC_PAGE_ROWS, s->rows);
        AddCount(IDC_PAGE_COLUMNS, s->columns);
        Watch(s->width);
        Watch(s->height);
        Watch(s->landscape);
        GetCommands().Add(IDC_PORTRAIT, [this](const Application::CommandMsg& m) { if (m.code == BN_CLICKED) setup_.landscape.Set(false); });
        GetCommands().Add(IDC_LANDSCAPE, [this](const Application::CommandMsg& m) { if (m.code == BN_CLICKED) setup_.landscape.Set(true); });
        GetCommands().Add(IDC_PAPER_LIST, this, &SizeTab::OnPaperList);
        CheckOrientation();
        FillPaperList();
        return TRUE;
    }

private:
    void AddCount(int id, SimpleProperty<int>& p) {
        Field f;
        f.control = std::make_unique<Application::IntEditCtrl>(GetHwnd(), id, FieldRange::kMinSheets, FieldRange::kMaxSheets, p.Get(),
                                                                 this);
        f.read = [pp = &p] { return double(pp->Get()); };
        f.write = [pp = &p](double v) { pp->Set(int(v)); };
        f.lo = FieldRange::kMinSheets, f.hi = FieldRange::kMaxSheets, f.kind = FieldKind::Count;
        Bind(id, std::move(f));
    }
    void CheckOrientation() {
        ::CheckRadioButton(GetHwnd(), IDC_PORTRAIT, IDC_LANDSCAPE, setup_.landscape.Get() ? IDC_LANDSCAPE : IDC_PORTRAIT);
    }
    void SelectMatchingPaper() {
        const int i = MatchingPaper(papers_, setup_.paperCode.Get(), setup_.width.Get(), setup_.height.Get());
        ::SendDlgItemMessageW(GetHwnd(), IDC_PAPER_LIST, CB_SETCURSEL, i < 0 ? papers_.size() : std::size_t(i), 0);
    }
    void OnPaperList(const Application::CommandMsg& msg) {
        if (msg.code != CBN_SELCHANGE) return;
        const LRESULT i = ::SendDlgItemMessageW(GetHwnd(), IDC_PAPER_LIST, CB_GETCURSEL, 0, 0);
        if (i >= 0 && std::size_t(i) < papers_.size()) setup_.TakePaper(papers_[std::size_t(i)]);
        else if (i >= 0) setup_.paperCode.Set(0);
    }
    void OnPropertyChanged(const IProperty& p) override {
        if (&p == &setup_.landscape) CheckOrientation();
        if (!updating_) {
            Show(IDC_PAGE_WIDTH);
            Show(IDC_PAGE_HEIGHT);
        }
        SelectMatchingPaper();
    }

    std::wstring& printer_;
    std::vector<Paper> papers_;
};

class MarginsTab : public TabPage {
public:
    using TabPage::TabPage;

protected:
    BOOL OnInitDialog() override {
        PageSetup& s = setup_;  // the members bound below outlive the tab
        Bind2(IDC_MARGIN_LEFT, s.leftMargin);
        Bind2(IDC_MARGIN_TOP, s.topMargin);
        Bind2(IDC_MARGIN_RIGHT, s.rightMargin);
        Bind2(IDC_MARGIN_BOTTOM, s.bottomMargin);
        Bind2(IDC_GLUE_LEFT, s.glueLeft);
        Bind2(IDC_GLUE_TOP, s.glueTop);
        Bind2(IDC_CUT_RIGHT, s.cutRight);
        Bind2(IDC_CUT_BOTTOM, s.cutBottom);
        Watch(s.rows);
        Watch(s.columns);
        UpdateEnabling();
        return TRUE;
    }

private:
    void Bind2(int id, SimpleProperty<double>& p) {
        AddLength(id, 0.0, [pp = &p] { return pp->Get(); }, [pp = &p](double v) { pp->Set(v); });
        Watch(p);
        props_[&p] = id;
    }
    void UpdateEnabling() {
        const bool rows = setup_.rows.Get() > 1, columns = setup_.columns.Get() > 1;
        for (int id : {IDC_GLUE_TOP, IDC_GLUE_TOP_LABEL, IDC_CUT_BOTTOM, IDC_CUT_BOTTOM_LABEL})
            ::EnableWindow(::GetDlgItem(GetHwnd(), id), rows);
        for (int id : {IDC_GLUE_LEFT, IDC_GLUE_LEFT_LABEL, IDC_CUT_RIGHT, IDC_CUT_RIGHT_LABEL})
            ::EnableWindow(::GetDlgItem(GetHwnd(), id), columns);
    }
    void OnPropertyChanged(const IProperty& p) override {
        if (&p == &setup_.rows || &p == &setup_.columns) UpdateEnabling();
        auto it = props_.find(&p);
        if (it != props_.end() && !updating_) Show(it->second);
    }

    std::map<const IProperty*, int> props_;
};

class MainDialog : public Application::ModalTabDialog {
public:
    MainDialog(PageSetup& setup, HINSTANCE resources, HENHMETAFILE picture, const PaperRect& extent,
               const Application::IRegistryAccessProvider* access)
        : setup_(setup), resources_(resources), picture_(picture), extent_(extent), access_(access),
          validity_([this](bool ok) { if (GetHwnd()) ::EnableWindow(::GetDlgItem(GetHwnd(), IDOK), ok); }) {
        SelectedPrinter::Instance().GetDevMode(mode_);
        SelectedPrinter::Instance().GetName(printer_);
        auto size = std::make_unique<SizeTab>(setup, validity_, printer_);
        size_ = size.get();
        AddPage(L"Page Size", L"PAGESETUP_PAGESIZE", std::move(size));
        AddPage(L"Margins", L"PAGESETUP_MARGINS", std::make_unique<MarginsTab>(setup, validity_, 1));
    }
    const WinUtil::DevMode& GetDevMode() const { return mode_; }
    const std::wstring& GetPrinter() const { return printer_; }

protected:
    BOOL OnInitModal() override {
        BOOL r = ModalTabDialog::OnInitModal();
        preview_ = std::make_unique<Preview>(setup_, GetWindow(), IDC_PREVIEW_GROUP, picture_, extent_);
        GetCommands().Add(IDC_PRINTER, this, &MainDialog::OnPrinter);
        if (!RestorePlacement()) Application::CenterWindow(GetHwnd());
        return r;
    }
    bool OnEnd(UINT code) override {
        if (code != IDOK) return true;
        if (!CheckPaperFitsPrinter()) return false;
        WritePaper(setup_, *mode_.Get());
        return CheckPrintableArea();
    }
    void OnDestroy() override {
        SavePlacement();
        preview_.reset();
        ModalTabDialog::OnDestroy();
    }

private:
    bool RestorePlacement() {
        if (!access_) return false;
        try {
            WinUtil::Registry::Key app = access_->OpenKeyForReading();
            WinUtil::Registry::Key key = WinUtil::Registry::Key::Open(app.Get(), kPlacementKey, KEY_QUERY_VALUE);
            WinUtil::WindowPlacement placement;
            return placement.ReadFromRegistry(key, L"Placement") && placement.ApplyToWindow(GetHwnd());
        } catch (const WinUtil::Registry::Exception&) {
            return false;  // first use: centred
        }
    }
    void SavePlacement() const {
        if (!access_) return;
        try {
            WinUtil::WindowPlacement placement;
            if (!placement.ReadFromWindow(GetHwnd())) return;
            WinUtil::Registry::Key app = access_->OpenKeyForWriting();
            WinUtil::Registry::Key key = WinUtil::Registry::Key::Create(app.Get(), kPlacementKey, KEY_WRITE);
            placement.WriteToRegistry(key, L"Placement");
        } catch (const WinUtil::Registry::Exception&) {
            // Only the position is lost.
        }
    }
    static constexpr wchar_t kPlacementKey[] = L"PageSetup";

    void OnPrinter(const Application::CommandMsg&) {
        WinUtil::CursorManager::ModalGuard modal;
        WinUtil::DevMode mode = mode_;
        WritePaper(setup_, *mode.Get());
        PrinterChoice choice = SelectPrinter(GetHwnd(), resources_, mode, printer_);
        if (!choice.ok) return;
        mode_ = choice.mode;
        printer_ = choice.name;
        TakePaperFromDevMode(setup_, *mode_.Get(), GetPaperList(printer_));
        size_->FillPaperList();
    }
    // Whether the paper's sides fit the printer's fields; a longer side is refused with a message
    // and the size tab shown, so that the user enters a shorter one.
    bool CheckPaperFitsPrinter() {
        const double longest = std::max(setup_.width.Get(), setup_.height.Get());
        if (std::floor(longest * 0.1 + 0.5) <= Limits::kMaxPrinterPaperSide / 10) return true;
        auto& resources = WinUtil::ResourceLoader::Instance();
        const std::wstring text =
            resources.FormatString(IDS_PAPER_TOO_LARGE, {Millimetres(longest), Millimetres(Limits::kMaxPrinterPaperSide)});
        const std::wstring caption = resources.LoadString(IDS_PRODUCTNAME);
        ::MessageBoxW(GetHwnd(), text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
        SelectPage(0);
        return false;
    }
    // A length (0.01 mm) in millimetres with one decimal.
    static std::wstring Millimetres(double length) {
        wchar_t text[32] = {};
        std::swprintf(text, 32, L"%.1f", std::floor(length * 0.1 + 0.5) / 10);
        return text;
    }
    // Whether the dialog may close: margins inside the printable area, or the user accepts them.
    bool CheckPrintableArea() {
        MarginRect min;
        if (!GetMinimumMargins(setup_, printer_, mode_.Get(), min)) return true;
        const bool rows = setup_.rows.Get() > 1, columns = setup_.columns.Get() > 1;
        struct Check {
            SimpleProperty<double>& p;
            double min;
            bool enabled;
        };
        Check checks[] = {{setup_.leftMargin, min.left, true},    {setup_.topMargin, min.top, true},
                          {setup_.rightMargin, min.right, true},  {setup_.bottomMargin, min.bottom, true},
                          {setup_.glueLeft, min.left, columns},   {setup_.glueTop, min.top, rows},
                          {setup_.cutRight, min.right, columns},  {setup_.cutBottom, min.bottom, rows}};
        bool fits = true;
        for (const Check& c : checks) fits = fits && (!c.enabled || c.p.Get() >= c.min);
        if (fits) return true;
        std::wstring text = WinUtil::ResourceLoader::Instance().LoadString(IDS_MARGINS_OUTSIDE);
        std::wstring caption = WinUtil::ResourceLoader::Instance().LoadString(IDS_PRODUCTNAME);
        switch (::MessageBoxW(GetHwnd(), text.c_str(), caption.c_str(), MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            for (Check& c : checks)
                if (c.enabled && c.p.Get() < c.min) c.p.Set(c.min);
            SelectPage(1);
            return false;
        case IDNO: return true;
        default: return false;
        }
    }

    PageSetup& setup_;
    HINSTANCE resources_;
    HENHMETAFILE picture_;
    PaperRect extent_;
    const Application::IRegistryAccessProvider* access_;
    Validity validity_;
    WinUtil::DevMode mode_;
    std::wstring printer_;
    SizeTab* size_ = nullptr;
    std::unique_ptr<Preview> preview_;
};

} // namespace

void WritePaper(const PageSetup& setup, DEVMODEW& mode)
{
    mode.dmPaperSize = short(setup.paperCode.Get());
    mode.dmPaperLength = PrinterPaperTenths(setup.height.Get() * 0.1);
    mode.dmPaperWidth = PrinterPaperTenths(setup.width.Get() * 0.1);
    mode.dmOrientation = setup.landscape.Get() ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    mode.dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
}

void TakePaperFromDevMode(PageSetup& setup, const DEVMODEW& mode, const std::vector<Paper>& papers)
{
    if ((mode.dmFields & DM_PAPERLENGTH) && (mode.dmFields & DM_PAPERWIDTH)) {
        setup.paperCode.Set(mode.dmPaperSize);
        setup.height.Set(mode.dmPaperLength * 10.0);
        setup.width.Set(mode.dmPaperWidth * 10.0);
    } else if (mode.dmFields & DM_PAPERSIZE) {
        for (const Paper& p : papers)
            if (p.code == mode.dmPaperSize) {
                setup.TakePaper(p);
                break;
            }
    }
    if (mode.dmFields & DM_ORIENTATION) setup.landscape.Set(mode.dmOrientation == DMORIENT_LANDSCAPE);
}

bool GetMinimumMargins(const PageSetup& setup, const std::wstring& printer, const DEVMODEW* mode, MarginRect& out)
{
    if (printer.empty()) return false;
    HDC ic = ::CreateICW(nullptr, printer.c_str(), nullptr, mode);
    if (!ic) return false;
    const double perX = ::GetDeviceCaps(ic, LOGPIXELSX) / 2540.0;
    const double perY = ::GetDeviceCaps(ic, LOGPIXELSY) / 2540.0;
    const double offX = ::GetDeviceCaps(ic, PHYSICALOFFSETX), offY = ::GetDeviceCaps(ic, PHYSICALOFFSETY);
    const double resX = ::GetDeviceCaps(ic, HORZRES), resY = ::GetDeviceCaps(ic, VERTRES);
    ::DeleteDC(ic);
    if (perX <= 0 || perY <= 0) return false;
    const double w = setup.ShownWidth(), h = setup.ShownHeight();
    out.left = std::ceil(offX / perX);
    out.top = std::ceil(offY / perY);
    out.right = std::ceil(std::max(0.0, w - (offX + resX) / perX));
    out.bottom = std::ceil(std::max(0.0, h - (offY + resY) / perY));
    return true;
}

bool ShowPageSetup(Core::Diagram& diagram, HWND owner, HINSTANCE resources, HENHMETAFILE picture, const PaperRect& extent,
                   const Application::IRegistryAccessProvider* access)
{
    WinUtil::CursorManager::ModalGuard modal;
    PageSetup setup(diagram);
    MainDialog dialog(setup, resources, picture, extent, access);
    if (dialog.Show(owner, L"PAGESETUP_MAIN", IDC_PAGESETUP_TAB, resources) != IDOK) return false;
    setup.WriteBack();
    SelectedPrinter::Instance().Set(dialog.GetDevMode(), dialog.GetPrinter());
    return true;
}

} // namespace Page
