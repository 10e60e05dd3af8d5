// Prints a poster of 2 x 3 A4 sheets as the command line "-pt poster.qvd <printer> <driver> FILE:"
// asks, through the document factory, on a PostScript printer at the FILE: port, into poster.ps of
// the current folder. layout.txt lists the figures on the poster (left, top, right, bottom in 0.01 mm
// of the drawing, y down from the first sheet's margins), which the bands test finds on the sheets.
// Given documents of the current folder instead ("print_scene NAME.qvd ..."), prints each as it is
// into NAME.ps, and lists in grid.txt where its drawing lies against its page grid.
#include "Editor/DiagramFactory.h"
#include "Editor/MetafileCreator.h"
#include "Editor/Print.h"
#include "Editor/PrintCommands.h"
#include "Editor/tests/Figures.h"
#include "core/foundation/UTF8.h"
#include "page/Page.h"
#include "page/PageGrid.h"
#include "page/tests/win/TestPrinter.h"
#include "page/win/SelectedPrinter.h"
#include "text/win/UniscribeSetup.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

using namespace PageTest::Printers;

struct SceneApp : Application::IApplication {
    WinUtil::MessageLoop& GetMessageLoop() override { throw std::logic_error("no loop"); }
    Application::LifeTimeSupervisor& GetLifeTimeSupervisor() override { throw std::logic_error("no tree"); }
    HINSTANCE GetInstance() const override { return GetModuleHandleW(nullptr); }
};

struct Keep : Application::LifeTimeSupervisor::IScheduler {
    void ScheduleCollect(Application::LifeTimeSupervisor&) override {}
};

// OLE for the program's lifetime, as the editor's application holds it: documents register
// themselves with OLE when they open.
struct OleSession {
    OleSession() {
        if (FAILED(OleInitialize(nullptr))) throw std::runtime_error("OLE could not be initialised");
    }
    ~OleSession() { OleUninitialize(); }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
};

struct Box {
    int left, top, right, bottom;  // y down
};

// The figures: one box in the middle of each sheet's band, and a frame 1 mm inside the drawing area.
std::vector<Box> PosterBoxes(const Page::PageLayout& l) {
    std::vector<Box> boxes;
    for (const Page::SheetBand& b : Page::SheetBands(l)) {
        const double x = b.across.drawingStart, y = b.down.drawingStart, w = b.across.Length(), h = b.down.Length();
        boxes.push_back({int(x + 0.3 * w), int(y + 0.3 * h), int(x + 0.7 * w), int(y + 0.7 * h)});
    }
    boxes.push_back({100, 100, int(l.AvailableWidth()) - 100, int(l.AvailableHeight()) - 100});
    return boxes;
}

// One line of grid.txt for a document as it prints: its name, its drawing on paper (left, top, right,
// bottom in 0.01 mm, y up from the inner corner of the first sheet's margins, enlarged by the scale)
// and the width and height of the area its page grid gives the drawing (the default page's without
// one, as printing takes it).
void WriteGridLine(std::ostream& out, Editor::Diagram& document, const std::wstring& name) {
    ICanvas::DoubleRect e;
    Editor::MetafileCreator(document.GetModel()).GetExtent(e);
    const Page::Page* page = Editor::FindDiagramPage(document.GetModel());
    const Page::PageLayout l = page ? page->GetLayout() : Page::PageLayout();
    out << zq::ToUTF8(name) << '\t' << e.left * l.scale << '\t' << e.top * l.scale << '\t'
        << e.right * l.scale << '\t' << e.bottom * l.scale << '\t' << l.AvailableWidth() << '\t'
        << l.AvailableHeight() << '\n';
}

// Prints the document through the command line "-pt" into the PostScript file output.
void PrintFromCommandLine(Editor::DiagramFactory& factory, const std::wstring& folder, const std::wstring& name,
                          const std::wstring& output) {
    DeleteFileW(output.c_str());
    Editor::SetPrintFileQuestion([&](HWND) { return output; });
    factory.Receive(folder, L"QuorvelUML.exe -pt \"" + name + L"\" \"" + std::wstring(kPrinter) + L"\" \"" +
                                std::wstring(kDriver) + L"\" FILE:");
}

int Run(const std::vector<std::wstring>& given) {
    OleSession ole;
    DrawingKernel::GdiplusSession gdiplus;
    TextBlock::InstallUniscribeMeasurer();
    RemoveTestPrinter();
    if (!InstallTestPrinter()) throw std::runtime_error("the FILE: printer could not be installed");
    Page::SelectedPrinter::Instance().Set(Page::ReadPrinterDevMode(kPrinter), kPrinter);
    wchar_t dir[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, dir);
    const std::wstring folder = dir;
    const auto output = [&](const std::wstring& name) { return folder + L"\\" + name.substr(0, name.rfind(L'.')) + L".ps"; };
    const std::wstring name = given.empty() ? L"poster.qvd" : given.front();
    const std::wstring document = folder + L"\\" + name;
    if (given.empty()) std::ofstream(std::filesystem::path(document)).close();

    SceneApp app;
    Keep keep;
    auto root = Application::LifeTimeSupervisor::CreateRoot(&keep);
    Application::Clipboard clipboard;
    auto factory = std::make_unique<Editor::DiagramFactory>(app, *root, clipboard);
    factory->SetReporter([](const std::wstring& text) { std::fwprintf(stderr, L"%ls\n", text.c_str()); });
    factory->SetPrinter(&Editor::PrintFromCommandLine);
    if (!given.empty()) {
        std::ofstream grid("grid.txt");
        std::wstring printing;
        factory->SetPrinter([&](Editor::Diagram& document, const Editor::PrintRequest& request) {
            WriteGridLine(grid, document, printing);
            Editor::PrintFromCommandLine(document, request);
        });
        int missing = 0;
        for (const std::wstring& each : given) {
            printing = each;
            // Each as a fresh start prints it: a job leaves its paper and orientation with the printer.
            Page::SelectedPrinter::Instance().Set(Page::ReadPrinterDevMode(kPrinter), kPrinter);
            PrintFromCommandLine(*factory, folder, each, output(each));
            missing += GetFileAttributesW(output(each).c_str()) == INVALID_FILE_ATTRIBUTES;
        }
        factory->Shutdown();
        root->Collect();
        factory.reset();
        RemoveTestPrinter();
        return missing == 0 ? 0 : 1;
    }
    Editor::Diagram* opened = factory->Open(document);
    if (!opened) throw std::runtime_error("the document did not open");

    // The poster is drawn into the open document, which the command line then names.
    Core::Diagram& model = opened->GetModel();
    std::vector<Box> boxes;
    {
        Core::Transaction t(model);
        Core::Env env(t);
        Page::Page& page = Page::FindOrCreatePage(env);
        page.SetSize(env, 9);
        page.SetWidth(env, 21000);
        page.SetHeight(env, 29700);
        page.SetRows(env, 2);
        page.SetColumns(env, 3);
        page.SetMargins(env, {1000, 1000, 1000, 1000});
        page.SetCutGlueMargins(env, {1000, 1000, 1000, 1000});
        boxes = PosterBoxes(page.GetLayout());
        int n = 0;
        for (const Box& b : boxes) {
            auto f = EditorTest::Figure::Factory().CreateTyped(env);
            f->SetPos(env, {b.left, -b.top});
            f->SetField(env, &EditorTest::FigureRep::size, zq::Point(b.right - b.left, b.bottom - b.top));
            f->SetField(env, &EditorTest::FigureRep::label, L"Sheet " + std::to_wstring(++n));
        }
        env.Close();
    }
    PrintFromCommandLine(*factory, folder, name, output(name));

    std::ofstream layout("layout.txt");
    for (const Box& b : boxes) layout << b.left << '\t' << b.top << '\t' << b.right << '\t' << b.bottom << '\n';
    layout.close();
    factory->Shutdown();
    root->Collect();
    factory.reset();
    RemoveTestPrinter();
    return GetFileAttributesW(output(name).c_str()) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

} // namespace

int main() {
    try {
        int argc = 0;
        wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        std::vector<std::wstring> given;
        for (int i = 1; argv && i < argc; ++i) given.push_back(argv[i]);
        LocalFree(argv);
        return Run(given);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "print scene: %s\n", e.what());
        return 1;
    }
}
