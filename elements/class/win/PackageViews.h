#pragma once
// The views of packages and their tabs, and the package menu (115) with "&Large".
#include <memory>

#include "elements/class/Package.h"
#include "elements/class/PackageRider.h"
#include "view/CmdHandler.h"
#include "view/compartment/win/VCompartment.h"

namespace Class {

// The package menu's id.
constexpr unsigned kPackageMenuId = 115;

// The package: its body, its corner marks, the fill of its element style, the tab's lines; eight
// handles; typing and double clicks edit the tab's name when Large, else the body's.
class VPackage : public ::Compartment::VTextBox {
 public:
  VPackage(View::ICanvasView& view, Package& package);
  void UpdateShape() override;
  // While dragged: the body and the tab in marker lines, with the body's corner marks.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;
  TextBlock::Text* GetTextModel() const override;
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return kPackageMenuId; }

 private:
  Package& package_;
  ICanvas::Group drawing_;
};

// The tab: drawn by its package's view; north and east handles; the package menu.
class VPackageRider : public ::Compartment::VTextBox {
 public:
  VPackageRider(View::ICanvasView& view, PackageRider& rider);
  // Asks the package's view and the text's view to follow.
  void UpdateShape() override;
  // Nothing while its package moves along: the package's image draws the tab.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;
  TextBlock::Text* GetTextModel() const override { return rider_.GetText(); }
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return kPackageMenuId; }

 private:
  PackageRider& rider_;
};

// "&Large" (40152): toggles Large, checked while Large; one undo step per toggle.
class PackageCmdHandler : public View::ICmdHandler {
 public:
  PackageCmdHandler(View::IDefaultTask& task, Package& package);
  void UpdateCommands() override;

 private:
  void OnLarge(const Application::CommandMsg&);
  Package& package_;
};

// Lets canvas views make the views of packages and tabs (once per process).
void RegisterPackageViews();

}  // namespace Class
