#include "elements/class/win/GeneralizationViews.h"

#include "elements/class/Class.h"
#include "resources/resource.h"
#include "view/Shapes.h"
#include "view/connector/win/Commands.h"
#include "core/foundation/Cast.h"

namespace Class {

namespace {
constexpr double kTriangleLength = 700;  // the shape puts the base at half of it from the tip
constexpr double kTriangleWidth = 260;
constexpr int kHollowTriangle = 2;
}  // namespace

VGeneralizationEnd::VGeneralizationEnd(View::ICanvasView& view, Connector::IEnd& end)
    : Core::IViewElement(view, end), VEnd(view, end), end_(end) {}

zq::float8Point VGeneralizationEnd::DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group,
                                              const zq::float8Point& from) {
  if (!end_.IsMasterEnd()) return VEnd::DrawShape(canvas, group, from);
  const View::ArrowShape triangle(canvas, group, end_.GetPoint(), from, kTriangleLength, kTriangleWidth,
                                  kHollowTriangle);
  return triangle.GetBase();
}

std::unique_ptr<View::ICmdHandler> CreateGeneralizationCmdHandler(View::IDefaultTask& task) {
  static const Core::Filter<Class> sources;
  static const Core::AttachFilter<GeneralizationEnd> targets;
  Connector::CreateConnectorTask::Params params;
  params.sources = &sources;
  params.targets = &targets;
  return std::make_unique<Connector::CreateConnectorCmdHandler>(task, ID_NEW_GENERALIZATION,
                                                                Generalization::PartFactory(), params);
}

void RegisterGeneralizationViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(
        [](Core::IModelElement& element, View::ICanvasView& view) -> std::shared_ptr<Core::IViewElement> {
          if (auto* e = zq::Cast<GeneralizationEnd>(&element)) return std::make_shared<VGeneralizationEnd>(view, *e);
          if (auto* s = zq::Cast<GeneralizationSegment>(&element))
            return std::make_shared<Connector::VSegment>(view, *s);
          if (auto* j = zq::Cast<GeneralizationJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
          return nullptr;
        });
    return true;
  }();
  (void)registered;
}

}  // namespace Class
