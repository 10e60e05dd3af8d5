// A pane of a document window: a child window with its own vertical scroll bar, screen canvas and
// diagram view. Split panes keep the same zoom and horizontal position.
#pragma once

#include "Editor/FrameLayout.h"
#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Window.h"
#include "drawing/DrawingKernel.h"
#include "view/CanvasView.h"
#include "view/DropTarget.h"

#include <functional>
#include <memory>

namespace Editor {

class ClientView;

// What the document window hands to each of its panes.
struct PaneSetup {
    HWND frame = nullptr;                    // the document window (parent of the pane)
    HWND hScroll = nullptr;                  // the frame's shared horizontal scroll bar
    Core::Diagram* model = nullptr;
    View::DiagramViewSetup view;             // commander, document, clipboard, type notifier ...
    View::ICmdHandlerDockCreator* dock = nullptr;
    std::function<void()> zoomed;            // told after the pane's canvas zoomed
    std::function<void(ClientView&)> focused;  // told when the pane receives the focus
};

class ClientView : private ICanvas::IScrollObserver, private ICanvas::IZoomObserver {
public:
    // Creates the pane window, its scroll bar, canvas and diagram view; a lower pane is linked with
    // the upper one.
    ClientView(const PaneSetup& setup, ClientView* upper);
    ClientView(const ClientView&) = delete;
    ClientView& operator=(const ClientView&) = delete;
    // Unlinks the partner, takes the view off the diagram, then destroys the windows.
    ~ClientView() override;

    HWND GetHwnd() const { return window_.GetHwnd(); }
    HWND GetVScroll() const { return vScroll_; }
    ICanvas::IScreenCanvas& GetCanvas() const { return *canvas_; }
    View::DiagramView& GetView() const { return *view_; }
    // The pane's drop target (no reference added).
    IDropTarget* GetDropTarget() const { return dropTarget_ ? dropTarget_->Get() : nullptr; }
    // Adds the pane and its scroll bar to a batch of window moves.
    HDWP Place(HDWP batch, const ChildPlace& pane, const ChildPlace& scrollBar) const;

private:
    void OnScrolled(const zq::float8Point& p) override;
    void OnZoomed(const zq::Point& clientRef) override;
    int ClientHeight() const;
    void OnSetFocus(WinMessage::Msg& msg);

    WinUtil::Window window_;
    HWND vScroll_ = nullptr;
    std::unique_ptr<ICanvas::IScreenCanvas> canvas_;
    std::unique_ptr<WinUtil::MouseInputControl> mouse_;
    std::unique_ptr<View::DiagramView> view_;
    std::unique_ptr<View::DropTargetRegistration> dropTarget_;  // revoked before the view goes
    ClientView* partner_ = nullptr;
    std::function<void()> zoomed_;
    std::function<void(ClientView&)> focused_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    bool following_ = false;  // set while this pane follows its partner, so that it does not echo
};

// Moves a child window into its place in a batch (hidden when it has none).
HDWP PlaceChild(HDWP batch, HWND child, const ChildPlace& place);

} // namespace Editor
