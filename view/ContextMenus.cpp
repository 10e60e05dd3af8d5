// The context menus of a diagram view, shown by its default task.
#include "app/ContextMenu.h"
#include "app/winutil/Input.h"
#include "view/DefaultTask.h"
#include "view/DiagramType.h"
#include "core/foundation/Cast.h"

namespace View {

void DefaultTask::ShowContextMenu(IContextMenu& menu, const POINT& screen, bool ctrl)
{
    ViewContext& c = GetContext();
    CmdHandlerList handlers;
    menu.PrepareMenu(*this, handlers);
    handlers.UpdateCommands();
    lastPoint_ = zq::RoundPoint(c.canvas->ScreenToLogical({screen.x, screen.y}));
    Application::ContextMenu popup(menu.GetMenuId());
    popup.Track(screen.x, screen.y, *c.commander, ctrl);
}

namespace {
// The background menu of the diagram's type.
class BackgroundMenu : public IContextMenu {
public:
    explicit BackgroundMenu(const Core::Diagram& diagram) : diagram_(diagram) {}
    unsigned GetMenuId() const override { return DiagramTypeValue::GetMenuId(DiagramType::GetTypeOf(diagram_)); }

private:
    const Core::Diagram& diagram_;
};
} // namespace

void DefaultTask::OnContextMenu(WinMessage::WM_CONTEXTMENU_Msg& msg)
{
    ViewContext& c = GetContext();
    HWND hwnd = c.GetHwnd();
    const bool ctrl = WinUtil::IsControlKeyDown();
    const bool keyboard = msg.IsFromKeyboard();
    POINT screen = msg.ScreenPos();
    if (keyboard) {
        RECT r;
        ::GetWindowRect(hwnd, &r);
        screen = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    if (!c.view->IsActive()) {
        ::SetForegroundWindow(hwnd);
        ::BringWindowToTop(hwnd);
    }

    const Core::ModelElementSet selection = c.view->GetSelection();
    if (selection.Size() == 1) {
        Core::IViewElement* element = selection.Elements().front()->FindViewElement(*c.view);
        auto* menu = zq::Cast<IContextMenu>(element);
        if (menu == nullptr) return;
        SetCurrentElement(element);
        ShowContextMenu(*menu, screen, ctrl);
        return;
    }
    if (!keyboard) {
        const Core::HitResult hit = c.view->HitTest(lastPoint_, kHitTolerance);
        if (hit && hit.element->GetOwnerView() == c.view) {
            SetCurrentElement(hit.element);
            if (auto* menu = zq::Cast<IContextMenu>(hit.element)) ShowContextMenu(*menu, screen, ctrl);
            return;
        }
    }
    BackgroundMenu background(*c.diagram);
    ShowContextMenu(background, screen, ctrl);
}

} // namespace View
