#include "elements/class/win/PackageViews.h"

#include <array>
#include <utility>

#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "style/Clients.h"
#include "view/CanvasOrder.h"
#include "view/DefaultTask.h"
#include "core/foundation/Cast.h"

namespace Class {

namespace {
constexpr unsigned kAllPackageHandles = 255;
constexpr unsigned kRiderHandles = 1 | 64;  // north and east

using ICanvas::ToDouble;

// The tab's left, top and right edges over the body r (its bottom is the body's top edge).
std::array<std::pair<zq::float8Point, zq::float8Point>, 3> TabLines(const zq::Rect& r, const zq::Point& tab) {
  const double x = r.left, y = r.top, top = y + tab.y, right = x + tab.x;
  return {{{{x, top}, {x, y}}, {{x, top}, {right, top}}, {{right, top}, {right, y}}}};
}

// The package's menu handlers: "&Large" and "New &Dependency" from the package.
void AddPackageHandlers(Package& package, View::IDefaultTask& task, View::CmdHandlerList& list) {
  list.Add(std::make_unique<PackageCmdHandler>(task, package));
  list.Add(Note::CreateDependencyCmdHandler(task));
}
}  // namespace

VPackage::VPackage(View::ICanvasView& view, Package& package)
    : Core::IViewElement(view, package), VTextBox(view, package, kAllPackageHandles), package_(package) {}

TextBlock::Text* VPackage::GetTextModel() const {
  if (PackageRider* rider = package_.GetRider()) return rider->GetText();
  return package_.GetText();
}

void VPackage::UpdateShape() {
  drawing_.Clear();
  if (package_.IsDeleted()) return;
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const zq::Rect r = package_.GetRect();
  const zq::Point t = package_.GetTabSize();
  const double x = r.left, y = r.top;
  drawing_.Add(canvas.CreateRect(ToDouble(r)));
  GraphUtil::AddCornerMarks(canvas, drawing_, ToDouble(r), 1);
  const Style::ElementStyleFill fill(package_);
  if (fill.GetLineStyle()) {
    const auto key = View::MakeAreaWeight(package_.GetSize() + t);
    drawing_.Add(canvas.CreateFilledRect(ToDouble(r), *fill.GetLineStyle(), key));
    drawing_.Add(canvas.CreateFilledRect({x, y + t.y, x + t.x, y}, *fill.GetLineStyle(), key));
  }
  for (const auto& [from, to] : TabLines(r, t)) drawing_.Add(canvas.CreateLine(from, to));
  RedrawText(package_.GetText());
  if (PackageRider* rider = package_.GetRider()) RedrawText(rider->GetText());
  UpdateMarks();
}

void VPackage::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&) {
  if (package_.IsDeleted()) return;
  const zq::Rect r = package_.GetRect();
  group.Add(canvas.CreateDashedRect(ToDouble(r), 1));
  for (const auto& [from, to] : TabLines(r, package_.GetTabSize())) group.Add(canvas.CreateDashedLine(from, to, 1));
  GraphUtil::AddCornerMarks(canvas, group, ToDouble(r), 0);
}

void VPackage::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  AddPackageHandlers(package_, task, list);
}

VPackageRider::VPackageRider(View::ICanvasView& view, PackageRider& rider)
    : Core::IViewElement(view, rider), VTextBox(view, rider, kRiderHandles), rider_(rider) {}

void VPackageRider::UpdateShape() {
  if (Package* p = rider_.GetPackage())
    if (auto* v = zq::Cast<View::SelectableViewElement>(p->FindViewElement(GetCanvasView()))) v->RequestUpdate();
  RedrawText(rider_.GetText());
  UpdateMarks();
}

void VPackageRider::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) {
  Package* p = rider_.GetPackage();
  if (p && set.MovesOrDefers(p)) return;
  VTextBox::DrawMoveImage(canvas, group, set);
}

void VPackageRider::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  if (Package* p = rider_.GetPackage()) AddPackageHandlers(*p, task, list);
}

PackageCmdHandler::PackageCmdHandler(View::IDefaultTask& task, Package& package) : ICmdHandler(task), package_(package) {
  GetPlugs().Add(ID_PACKAGE_LARGE, this, &PackageCmdHandler::OnLarge);
  UpdateCommands();
}

void PackageCmdHandler::UpdateCommands() {
  GetPlugs().Enable(ID_PACKAGE_LARGE, IsReady() && !package_.IsDeleted());
  GetPlugs().SetCheckState(ID_PACKAGE_LARGE, package_.IsLarge() ? 1 : 0);
}

void PackageCmdHandler::OnLarge(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  task.TakeSelectionSnapshot();
  {
    Core::Env env = task.MakeEnv();
    package_.SetLarge(env, !package_.IsLarge());
  }
  task.CommitPending(false);
  UpdateCommands();
}

void RegisterPackageViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(
        [](Core::IModelElement& element, View::ICanvasView& view) -> std::shared_ptr<Core::IViewElement> {
          if (auto* p = zq::Cast<Package>(&element)) return std::make_shared<VPackage>(view, *p);
          if (auto* r = zq::Cast<PackageRider>(&element)) return std::make_shared<VPackageRider>(view, *r);
          return nullptr;
        });
    return true;
  }();
  (void)registered;
}

}  // namespace Class
