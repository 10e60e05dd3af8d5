// A window with a screen canvas and a diagram view over the test kinds, and the helpers of the
// view tests.
#pragma once

#include "app/Clipboard.h"
#include "app/Commands.h"
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/Window.h"
#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Interfaces.h"
#include "core/PropertyKinds.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "core/Weight.h"
#include "drawing/DrawingKernel.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "view/CmdHandler.h"
#include "view/DefaultTask.h"
#include "view/DiagramType.h"
#include "view/ResizeControls.h"
#include "view/tests/TestKinds.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ViewTest {

// The registry of the test kinds and the diagram type.
Core::FactoryRegistry& Registry();

// Collects error reports instead of showing the error box.
struct ReportSink {
    ReportSink();
    ~ReportSink();
    std::vector<std::wstring> reports;
};

// A docker that gives every default task the diagram type commands and one creation command.
class TestDock : public View::ICmdHandlerDockCreator {
public:
    std::unique_ptr<View::ICmdHandlerDock> CreateDock(View::IDefaultTask& task) override;
    static constexpr UINT kCreateCommand = 40103;
};

// A top-level window of 800 x 600 client pixels at the screen's top-left corner with a screen canvas
// and a diagram view on a diagram of its own (or a shared one).
class ViewWindow {
public:
    static constexpr int kW = 800, kH = 600;
    // With a clipboard the window watches it; the format handler serves copy, paste and drops.
    explicit ViewWindow(Core::Diagram* shared = nullptr, Application::Clipboard* clipboard = nullptr,
                        View::ITransferSetFormatHandler* formats = nullptr, int x = 0);
    ~ViewWindow();

    // Adds a box (named: a named box) at the rectangle as one undo step.
    std::shared_ptr<Box> AddBox(const zq::Rect& r, int mode = 0);
    std::shared_ptr<NamedBox> AddNamedBox(const zq::Rect& r);
    // The client pixel of a logical point.
    POINT At(const zq::Point& p) const;
    // The logical point a client pixel gives (rounded as the tasks round it).
    zq::Point Logical(POINT client) const;
    // Sends a mouse message at the client point with the key state.
    void Mouse(UINT message, POINT client, WPARAM keys = 0);
    // Sends a key message.
    void Key(UINT message, UINT key);
    // The view element of a box.
    VBox* Of(const Core::IModelElement& e) const { return dynamic_cast<VBox*>(e.FindViewElement(*view)); }
    // The default task.
    View::DefaultTask& Task() const { return dynamic_cast<View::DefaultTask&>(view->GetTaskHost()); }
    // The selected elements.
    std::vector<Core::IModelElement*> Selection() const;
    // Undo or redo one step as the editor does.
    void Undo();
    void Redo();
    // Processes the waiting messages.
    void Pump();

    bool readOnly = false;  // the document's read-only mark, as the view asks for it
    std::unique_ptr<Core::Diagram> ownDiagram;  // before the reference the constructor binds to it
    Core::Diagram& diagram;
    WinUtil::Window window;
    HWND hwnd = nullptr;
    HWND hBar = nullptr, vBar = nullptr;
    std::unique_ptr<ICanvas::IScreenCanvas> canvas;
    Application::CommandRouter router;
    std::unique_ptr<WinUtil::MouseInputControl> mouse;
    std::unique_ptr<Application::ClipboardViewer> clipboardViewer;
    TestDock dock;
    int typeNotifications = 0;
    std::unique_ptr<View::DiagramView> view;
};

// Pixels of the handle picture's green inside the square of half-size 5 around the client point.
int GreenAround(HDC dc, POINT p);

// Makes every drag detection of the default tasks answer the flag.
struct FakeDrag {
    explicit FakeDrag(bool drag);
    ~FakeDrag();
    bool drag;
    int calls = 0;
};

} // namespace ViewTest
