#include "view/tests/TestBoxes.h"

#include "app/winutil/ResourceLoader.h"
#include "core/Selection.h"

namespace ViewTest {

Core::FactoryRegistry& Registry()
{
    static Core::FactoryRegistry registry = [] {
        Core::FactoryRegistry r;
        Box::Factory().ReportTo(r);
        NamedBox::Factory().ReportTo(r);
        View::DiagramType::Factory().ReportTo(r);
        return r;
    }();
    return registry;
}

ReportSink::ReportSink()
{
    WinUtil::ExceptionBox::SetSink([this](const std::wstring&, const std::wstring& text) { reports.push_back(text); });
}

ReportSink::~ReportSink()
{
    WinUtil::ExceptionBox::SetSink({});
}

namespace {
// Boxes appear at the point with the default size.
Core::ElementPtr CreateBoxAt(Core::Env& env, const zq::Point& p)
{
    auto box = Box::Factory().CreateTyped(env);
    box->SetPos(env, p);
    return box;
}

class Dock : public View::CmdHandlerList {
public:
    explicit Dock(View::IDefaultTask& task) {
        Add(std::make_unique<View::DiagramTypeCmdHandler>(task));
        Add(std::make_unique<View::StdCreateCmdHandler>(task, TestDock::kCreateCommand, &CreateBoxAt));
    }
};
} // namespace

std::unique_ptr<View::ICmdHandlerDock> TestDock::CreateDock(View::IDefaultTask& task)
{
    return std::make_unique<Dock>(task);
}

ViewWindow::ViewWindow(Core::Diagram* shared, Application::Clipboard* clipboard,
                       View::ITransferSetFormatHandler* formats, int x)
    : diagram(shared ? *shared : *(ownDiagram = std::make_unique<Core::Diagram>(Registry(), nullptr, nullptr,
                                                                                &View::DefaultGrid::Instance())))
{
    static WinUtil::WindowClass cls(L"QuorvelViewTestWindow", nullptr, nullptr, CS_DBLCLKS,
                                    reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), LoadCursorW(nullptr, IDC_ARROW));
    hwnd = window.Create(cls, L"View test", WS_POPUP | WS_VISIBLE, 0, x, 0, kW, kH);
    hBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_HORZ, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
    vBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
    canvas = DrawingKernel::CreateScreenCanvas(hwnd, hBar, vBar);
    mouse = std::make_unique<WinUtil::MouseInputControl>(hwnd);
    View::DiagramViewSetup setup;
    setup.canvas = canvas.get();
    setup.commander = &router;
    setup.window = &window;
    setup.mouse = mouse.get();
    if (clipboard) clipboardViewer = std::make_unique<Application::ClipboardViewer>(window);
    setup.clipboard = clipboard;
    setup.clipboardViewer = clipboardViewer.get();
    setup.transferFormats = formats;
    setup.diagramTypeNotifier = [this] { ++typeNotifications; };
    setup.readOnly = [this] { return readOnly; };
    view = std::make_unique<View::DiagramView>(diagram, setup, &dock);
    view->SetActive(true);
    // The tests draw at x from 0 and y up to 6000 (y grows upwards).
    canvas->ScrollPointTo({0, 6000}, {0, 0});
    UpdateWindow(hwnd);
}

ViewWindow::~ViewWindow()
{
    view.reset();
    clipboardViewer.reset();
    canvas.reset();
    window.Destroy();
}

std::shared_ptr<Box> ViewWindow::AddBox(const zq::Rect& r, int mode)
{
    Core::Transaction t(diagram, view.get());
    Core::Env env(t);
    auto box = Box::Factory().CreateTyped(env);
    box->SetField(env, &BoxRep::mode, int32_t(mode));
    box->SetRect(env, r, false);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    diagram.UpdateAllViews();
    return box;
}

std::shared_ptr<NamedBox> ViewWindow::AddNamedBox(const zq::Rect& r)
{
    Core::Transaction t(diagram, view.get());
    Core::Env env(t);
    auto box = NamedBox::Factory().CreateTyped(env);
    box->SetRect(env, r, false);
    box->SetName(env, L"named");
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    diagram.UpdateAllViews();
    return box;
}

POINT ViewWindow::At(const zq::Point& p) const
{
    const zq::Point c = zq::RoundPoint(canvas->LogicalToClient(zq::float8Point(p)));
    return POINT{c.x, c.y};
}

zq::Point ViewWindow::Logical(POINT client) const
{
    return zq::RoundPoint(canvas->ClientToLogical({client.x, client.y}));
}

void ViewWindow::Mouse(UINT message, POINT client, WPARAM keys)
{
    SendMessageW(hwnd, message, keys, MAKELPARAM(client.x, client.y));
}

void ViewWindow::Key(UINT message, UINT key)
{
    SendMessageW(hwnd, message, key, 1);
}

std::vector<Core::IModelElement*> ViewWindow::Selection() const
{
    std::vector<Core::IModelElement*> out;
    const Core::ModelElementSet selection = view->GetSelection();
    for (const auto& e : selection.Elements()) out.push_back(e.get());
    return out;
}

void ViewWindow::Undo()
{
    {
        Core::SelectionTracker tracker(view.get());
        diagram.GetUndoHandler().Undo(view.get(), &tracker);
    }
    diagram.UpdateAllViews();
}

void ViewWindow::Redo()
{
    {
        Core::SelectionTracker tracker(view.get());
        diagram.GetUndoHandler().Redo(view.get(), &tracker);
    }
    diagram.UpdateAllViews();
}

void ViewWindow::Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int GreenAround(HDC dc, POINT p)
{
    int n = 0;
    for (int y = p.y - 5; y <= p.y + 5; ++y)
        for (int x = p.x - 5; x <= p.x + 5; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) < 60 && GetGValue(c) > 120 && GetGValue(c) < 200 && GetBValue(c) < 60) ++n;
        }
    return n;
}

FakeDrag::FakeDrag(bool d) : drag(d)
{
    View::DefaultTask::SetDragDetector([this](HWND, int, int, int) {
        ++calls;
        return drag;
    });
}

FakeDrag::~FakeDrag()
{
    View::DefaultTask::SetDragDetector({});
}

} // namespace ViewTest
