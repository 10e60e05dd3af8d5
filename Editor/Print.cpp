#include "Editor/Print.h"

#include "Editor/MetafileCreator.h"
#include "Editor/PrintAbortDialog.h"
#include "Editor/PrintDialog.h"
#include "app/winutil/CursorManager.h"
#include "app/winutil/DevMode.h"
#include "app/winutil/Files.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "page/Page.h"
#include "page/win/PrinterPage.h"
#include "page/win/SelectedPrinter.h"
#include "resources/resource.h"
#include "core/foundation/Cast.h"

namespace Editor {

namespace {

constexpr DWORD kDialogFlags = PD_NOSELECTION | PD_RETURNDC | PD_ENABLEPRINTHOOK | PD_ENABLEPRINTTEMPLATE |
                               PD_USEDEVMODECOPIESANDCOLLATE;
constexpr DWORD kConfirmedFlags = PD_NOSELECTION | PD_RETURNDC | PD_ENABLEPRINTHOOK | PD_USEDEVMODECOPIESANDCOLLATE;
constexpr wchar_t kFilePort[] = L"FILE:";

PrintFileQuestion& FileQuestion() {
    static PrintFileQuestion question;
    return question;
}

int PageCount(const Page::Page* page) {
    return page ? std::max(1, page->GetRows() * page->GetColumns()) : 1;
}

// What the dialog gave back: its blocks and device context, released on every way out.
struct DialogResult {
    WinUtil::GlobalHandle mode;
    WinUtil::GlobalHandle names;
    HDC dc = nullptr;
    DialogResult() = default;
    DialogResult(const DialogResult&) = delete;
    DialogResult& operator=(const DialogResult&) = delete;
    ~DialogResult() { if (dc) DeleteDC(dc); }
};

// Shows the dialog set up in pd; false when it failed, was cancelled or gave no device context.
bool RunDialog(PRINTDLGW& pd, DialogResult& result) {
    const BOOL ok = PrintDlgW(&pd);
    result.mode.Reset(pd.hDevMode);
    result.names.Reset(pd.hDevNames);
    result.dc = pd.hDC;
    if (!ok) {
        CommDlgExtendedError();
        return false;
    }
    return pd.hDC != nullptr;
}

// The abort flag as the printer canvas asks it: the waiting messages are processed first, so that
// the abort dialog answers even on a device that never calls the abort procedure itself.
class PumpingAbortFlag : public ICanvas::IAbortFlag {
public:
    explicit PumpingAbortFlag(HDC dc) : dc_(dc) {}
    bool IsAborted() const override { return AbortProc(dc_, 0) == FALSE; }

private:
    HDC dc_;
};

// The print after a confirmed dialog: the chosen printer becomes the selected one, a file port
// asks for the file, then the job runs.
void PrintConfirmed(Application::IApplication& application, Core::Diagram& diagram, const std::wstring& documentName,
                    HWND owner, const PRINTDLGW& pd, DialogResult& result, bool fit, ICanvas::PageRange range) {
    const std::optional<WinUtil::DevMode> mode = WinUtil::DevMode::FromGlobal(result.mode.Get());
    const std::optional<WinUtil::DevNames> names = WinUtil::DevNames::FromGlobal(result.names.Get());
    if (mode && names) Page::SelectedPrinter::Instance().Set(*mode, names->device);
    std::wstring file;
    if ((pd.Flags & PD_PRINTTOFILE) || (names && names->output == kFilePort)) {
        file = AskPrintFileName(owner);
        if (file.empty()) return;
    }
    RunPrintJob(diagram, result.dc, mode ? mode->Get() : nullptr, documentName, owner, application, fit,
                RememberedPrintOptions().marks, range, file);
}

PRINTDLGW MakeDialogRecord(HWND owner, const Page::Page* page, DialogResult& blocks, const std::wstring& printer,
                           const std::wstring& driver, const std::wstring& port) {
    blocks.mode = MakePrintDevMode(page);
    blocks.names = WinUtil::DevNames::CreateHandle(printer, driver, port);
    PRINTDLGW pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.hDevMode = blocks.mode.Release();
    pd.hDevNames = blocks.names.Release();
    pd.nFromPage = pd.nMinPage = 1;
    pd.nToPage = pd.nMaxPage = WORD(PageCount(page));
    if (RememberedPrintOptions().printToFile) pd.Flags |= PD_PRINTTOFILE;
    return pd;
}

std::wstring SelectedPrinterName() {
    std::wstring name;
    Page::SelectedPrinter::Instance().GetName(name);
    return name;
}

} // namespace

PrintOptions& RememberedPrintOptions() {
    static PrintOptions options;
    return options;
}

void PrintDiagram(Application::IApplication& application, Core::Diagram& diagram, const std::wstring& documentName,
                  HWND owner) {
    WinUtil::CursorManager::ModalGuard modal;
    const Page::Page* page = FindDiagramPage(diagram);
    const int pages = PageCount(page);
    PrintOptions& options = RememberedPrintOptions();
    PrintHookRecord record{options.fit, options.marks, options.reduce, pages > 1};
    DialogResult result;
    PRINTDLGW pd = MakeDialogRecord(owner, page, result, SelectedPrinterName(), {}, {});
    pd.Flags |= kDialogFlags;
    pd.hInstance = application.GetInstance();
    pd.lCustData = reinterpret_cast<LPARAM>(&record);
    pd.lpfnPrintHook = &PrintDialogHook;
    pd.lpPrintTemplateName = L"DIAGRAMPRINTDLG";
    if (!RunDialog(pd, result)) return;
    options.fit = record.fit;
    options.marks = record.marks;
    options.reduce = record.reduce;
    options.printToFile = (pd.Flags & PD_PRINTTOFILE) != 0;
    // "All" prints every sheet, whatever the range fields still hold.
    const ICanvas::PageRange range = (pd.Flags & PD_PAGENUMS) ? ICanvas::PageRange{pd.nFromPage, pd.nToPage}
                                                               : ICanvas::PageRange{1, pages};
    PrintConfirmed(application, diagram, documentName, owner, pd, result, pages > 1 ? options.fit : options.reduce,
                   range);
}

void PrintDiagramWithoutDialog(Application::IApplication& application, Core::Diagram& diagram,
                               const std::wstring& documentName, HWND owner, const std::wstring& printer,
                               const std::wstring& driver, const std::wstring& port) {
    WinUtil::CursorManager::ModalGuard modal;
    const Page::Page* page = FindDiagramPage(diagram);
    DialogResult result;
    PRINTDLGW pd = MakeDialogRecord(owner, page, result, printer.empty() ? SelectedPrinterName() : printer,
                                    driver, port);
    pd.Flags |= kConfirmedFlags;
    pd.lpfnPrintHook = &ConfirmAtOnceHook;
    if (!RunDialog(pd, result)) return;
    PrintConfirmed(application, diagram, documentName, owner, pd, result, RememberedPrintOptions().fit,
                   {1, PageCount(page)});
}

bool RunPrintJob(Core::Diagram& diagram, HDC printer, const DEVMODEW* mode, const std::wstring& documentName,
                 HWND owner, Application::IApplication& application, bool fit, bool marks, ICanvas::PageRange range,
                 const std::wstring& outputFile) {
    auto canvas = DrawingKernel::CreatePrinterCanvas(printer, mode, documentName);
    auto view = CreateReadOnlyView(diagram, *canvas);
    diagram.AttachView(*view);
    // Undone in reverse on every way out: the abort dialog, the disabled windows, the view.
    struct Attached {
        Core::Diagram& diagram;
        View::ReadOnlyDiagramView& view;
        ~Attached() { diagram.DetachView(view); }
    } attached{diagram, *view};
    view->UpdateViewElements();
    view->UpdateView();
    // Only the abort dialog takes input while the job runs: no window can change or close the diagram.
    WinUtil::WindowDisabler disabler;
    struct AbortDialog {
        HDC dc;
        ~AbortDialog() { EndAbortDialog(dc); }
    } abortDialog{printer};
    StartAbortDialog(printer, application, owner, documentName);
    const PumpingAbortFlag flag(printer);
    return canvas->Print(flag, fit, marks, range, outputFile);
}

std::wstring AskPrintFileName(HWND owner) {
    if (FileQuestion()) return FileQuestion()(owner);
    auto& resources = WinUtil::ResourceLoader::Instance();
    const std::wstring filter = WinUtil::MakeDialogFilter(resources.LoadString(IDS_FILTER_ALLFILES));
    const std::wstring title = resources.LoadString(IDS_PRINT_TO_FILE);
    std::wstring name(1024, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = DWORD(name.size());
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_EXPLORER |
                OFN_ENABLESIZING;
    if (!GetSaveFileNameW(&ofn)) {
        CommDlgExtendedError();
        return {};
    }
    name.resize(wcslen(name.c_str()));
    return name;
}

void SetPrintFileQuestion(PrintFileQuestion question) { FileQuestion() = std::move(question); }

int AskSaveChanges(HWND owner, const std::wstring& documentName) {
    auto& cursor = WinUtil::CursorManager::Instance();
    const bool wasBusy = cursor.EndBusy();
    int answer = 0;
    {
        WinUtil::WindowDisabler disabler;
        auto& resources = WinUtil::ResourceLoader::Instance();
        const std::wstring text = resources.FormatString(IDS_SAVE_CHANGES, {documentName});
        const std::wstring caption = resources.LoadString(IDS_PRODUCTNAME);
        answer = MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    }
    if (wasBusy) cursor.BeginBusy();
    return answer == IDYES ? 1 : answer == IDNO ? 0 : 2;
}

Page::Page* FindDiagramPage(const Core::Diagram& diagram) {
    for (const Core::ElementPtr& e : diagram.Elements())
        if (auto* page = zq::Cast<Page::Page>(e.get())) return page;
    return nullptr;
}

WinUtil::GlobalHandle MakePrintDevMode(const Page::Page* page) {
    WinUtil::DevMode mode;
    Page::SelectedPrinter::Instance().GetDevMode(mode);
    if (page) Page::ApplyPageToDevMode(*page, mode);
    return mode.ToGlobal();
}

} // namespace Editor
