// The developer commands of a document window (the debug popup): a canvas test scene drawn on the
// pane and into "canvasTest.emf" and "canvasTest.wmf", the diagram written as "UMLdiagram.emf",
// and two association scenes built into the document.
#pragma once

#include "app/Commands.h"
#include "core/foundation/Geometry.h"
#include "drawing/Canvas.h"

#include <string>

namespace Core {
class Diagram;
class IView;
} // namespace Core

namespace Editor {

class WindowImp;

namespace Debug {
// Draws the canvas test scene on the canvas; answers the group that holds it.
ICanvas::Group DrawCanvasTest(ICanvas::Canvas& canvas);
// Writes the canvas test scene as an enhanced metafile and as a placeable Windows metafile.
void WriteCanvasTestFiles(const std::wstring& emfPath, const std::wstring& wmfPath);
// Writes the diagram as an enhanced metafile described as "Test".
void WriteDiagramEmf(const Core::Diagram& diagram, const std::wstring& path);
// Adds 100 cells, each one undo step: a class "Class c1" with an association looping on its right side.
void BuildAssociationCells(Core::Diagram& diagram, Core::IView* view);
// Adds, in one undo step, ten classes at the point joined by one association tree (ten ends, nine
// joins, eighteen segments).
void BuildAssociationTree(Core::Diagram& diagram, Core::IView* view, const zq::Point& at);
} // namespace Debug

// The debug commands of one window; the scene drawn on the pane stays until the next run.
class DebugCommands {
public:
    // Binds 40095 to 40101 on the window's router.
    explicit DebugCommands(WindowImp& window);
    // Takes the scene off the pane.
    ~DebugCommands();
    // Whether the canvas test scene shows on the window's upper pane.
    bool IsCanvasTestShown() const { return shown_.Size() > 0; }
    // Enables the two scenes built into the document, or disables them (a read-only document).
    void SetEditable(bool editable);

private:
    void OnCanvasTest(const Application::CommandMsg& msg);
    void OnCreateEmf(const Application::CommandMsg& msg);
    void OnCells(const Application::CommandMsg& msg);
    void OnTree(const Application::CommandMsg& msg);

    WindowImp& window_;
    Application::WinCmdPlugSet commands_;
    ICanvas::Group shown_;
};

} // namespace Editor
