#include "Editor/DebugCommands.h"

#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/MetafileCreator.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"

#include <array>
#include <cmath>

namespace Editor {

namespace Debug {

namespace {

// Empty metafile canvases are 40 mm square.
constexpr double kEmptyExtent = 4000;

std::unique_ptr<ICanvas::IMetafileCanvas> TestCanvas(const std::wstring& description) {
    return DrawingKernel::CreateMetafileCanvas({kEmptyExtent, kEmptyExtent},
                                               WinUtil::ResourceLoader::Instance().LoadString(IDS_PRODUCTNAME),
                                               description);
}

// Copies the canvas's enhanced metafile into the file; write errors are not reported.
void CopyEmf(ICanvas::IMetafileCanvas& canvas, const std::wstring& path) {
    STGMEDIUM medium{};
    canvas.CreateEnhancedMetafile(medium, 0);
    if (HENHMETAFILE copy = CopyEnhMetaFileW(medium.hEnhMetaFile, path.c_str())) DeleteEnhMetaFile(copy);
    ReleaseStgMedium(&medium);
}

} // namespace

ICanvas::Group DrawCanvasTest(ICanvas::Canvas& canvas) {
    using P = zq::float8Point;
    ICanvas::Group group;
    group.Add(canvas.CreateRect({1000, 1000, 3000, -3000}));
    group.Add(canvas.CreateClosedPolygon({P(3000, -3000), P(6000, -3000), P(4000, -6000)}, ICanvas::LineStyle()));
    group.Add(canvas.CreateDashedLine(P(9000, -3000), P(11000, -3000), 0));
    group.Add(canvas.CreateDashedLine(P(10000, -2000), P(10000, -4000), 0));
    group.Add(canvas.CreatePicture(P(10000, -3000), 100));
    // A spiral of nested squares: each vertex moves 0.15 / 1.15 of the way to its successor.
    std::array<P, 4> square{P(7000, -5000), P(17000, -5000), P(17000, -15000), P(7000, -15000)};
    group.Add(canvas.CreateClosedPolygon({square.begin(), square.end()}, ICanvas::LineStyle()));
    for (int round = 0; round < 25; ++round) {
        std::array<P, 4> next;
        for (size_t i = 0; i < 4; ++i) {
            const P& v = square[i];
            const P& w = square[(i + 1) % 4];
            next[i] = P((0.15 * w.x + v.x) / 1.15, (0.15 * w.y + v.y) / 1.15);
        }
        square = next;
        group.Add(canvas.CreateClosedPolygon({square.begin(), square.end()}, ICanvas::LineStyle()));
    }
    group.Add(canvas.CreateEllipse({12000, -1000, 15000, -4000}));
    group.Add(canvas.CreateEllipse({11500, -500, 15500, -4500}));
    const double pi = std::acos(-1.0);
    for (int i = 0; i <= 28; i += 2) {
        const double a = i * pi / 15;
        group.Add(canvas.CreateLine(P(13500 + 1500 * std::cos(a), -2500 + 1500 * std::sin(a)),
                                    P(13500 + 2000 * std::cos(a), -2500 + 2000 * std::sin(a))));
    }
    return group;
}

void WriteCanvasTestFiles(const std::wstring& emfPath, const std::wstring& wmfPath) {
    auto canvas = TestCanvas(L"Canvas Test");
    ICanvas::Group scene = DrawCanvasTest(*canvas);
    CopyEmf(*canvas, emfPath);
    STGMEDIUM medium{};
    canvas->CreateWindowsMetafile(medium, 0);
    if (const auto* picture = static_cast<const METAFILEPICT*>(GlobalLock(medium.hMetaFilePict))) {
        try {
            WritePlaceableMetafile(*picture, wmfPath);
        } catch (const WinUtil::ComException&) {
            // A developer aid: a file that cannot be written is left out.
        }
        GlobalUnlock(medium.hMetaFilePict);
    }
    ReleaseStgMedium(&medium);
    scene.Reset();
}

void WriteDiagramEmf(const Core::Diagram& diagram, const std::wstring& path) {
    auto canvas = TestCanvas(L"Test");
    // The picture is taken while the view still holds its drawing on the canvas.
    auto view = CreateReadOnlyView(diagram, *canvas);
    view->AddSourceElements();
    view->UpdateView();
    CopyEmf(*canvas, path);
    view.reset();
}

} // namespace Debug

DebugCommands::DebugCommands(WindowImp& window) : window_(window), commands_(window.GetCommander()) {
    commands_.Add(ID_DEBUG_CANVASTEST, this, &DebugCommands::OnCanvasTest);
    commands_.Add(ID_DEBUG_CREATEEMF, this, &DebugCommands::OnCreateEmf);
    commands_.Add(ID_DEBUG_TESTA6, this, &DebugCommands::OnCells);
    commands_.Add(ID_DEBUG_TEST7, this, &DebugCommands::OnTree);
    // Diagnostics that have nothing to show in this program.
    for (UINT id : {ID_DEBUG_DUMPELEMENTS, ID_DEBUG_CHECKELEMENTS, ID_DEBUG_DUMPLIFETIME})
        commands_.Add(id, [](const Application::CommandMsg&) {});
}

DebugCommands::~DebugCommands() { shown_.Reset(); }

void DebugCommands::SetEditable(bool editable) {
    commands_.Enable(ID_DEBUG_TESTA6, editable);
    commands_.Enable(ID_DEBUG_TEST7, editable);
}

void DebugCommands::OnCanvasTest(const Application::CommandMsg&) {
    // The upper pane lives as long as the window, so the scene never outlives its canvas.
    ClientView* pane = window_.GetFirstView();
    if (!pane) return;
    if (shown_.Size() > 0) {
        shown_.Reset();
        pane->GetCanvas().Update();
        return;
    }
    Debug::WriteCanvasTestFiles(L"canvasTest.emf", L"canvasTest.wmf");
    shown_ = Debug::DrawCanvasTest(pane->GetCanvas());
    pane->GetCanvas().Update();
}

void DebugCommands::OnCreateEmf(const Application::CommandMsg&) {
    Debug::WriteDiagramEmf(window_.GetDiagram().GetModel(), L"UMLdiagram.emf");
}

void DebugCommands::OnCells(const Application::CommandMsg&) {
    ClientView* pane = window_.GetActiveView();
    Debug::BuildAssociationCells(window_.GetDiagram().GetModel(), pane ? &pane->GetView() : nullptr);
}

void DebugCommands::OnTree(const Application::CommandMsg&) {
    ClientView* pane = window_.GetActiveView();
    Debug::BuildAssociationTree(window_.GetDiagram().GetModel(), pane ? &pane->GetView() : nullptr, {2000, -2000});
}

} // namespace Editor
