#include "elements/class/win/AssocClassViews.h"

#include "elements/class/AssocClassConnector.h"
#include "elements/class/Class.h"
#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "view/connector/win/Commands.h"
#include "core/foundation/Cast.h"

namespace Class {

std::unique_ptr<View::ICmdHandler> CreateAssocClassConnectorCmdHandler(View::IDefaultTask& task) {
  static const Core::Filter<Class> sources;
  static const Core::AttachFilter<AssocClassConnectorEnd> targets;
  Connector::CreateConnectorTask::Params params;
  params.sources = &sources;
  params.targets = &targets;
  return std::make_unique<Connector::CreateConnectorCmdHandler>(task, ID_NEW_ASSOCCLASSCONNECTOR,
                                                                AssocClassConnector::PartFactory(), params);
}

void RegisterAssocClassConnectorViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(
        [](Core::IModelElement& element, View::ICanvasView& view) -> std::shared_ptr<Core::IViewElement> {
          if (auto* s = zq::Cast<AssocClassConnectorSegment>(&element))
            return std::make_shared<Note::VDashedSegment>(view, *s);
          if (auto* e = zq::Cast<AssocClassConnectorSourceEnd>(&element))
            return std::make_shared<Connector::VEnd>(view, *e);
          if (auto* e = zq::Cast<AssocClassConnectorEnd>(&element)) return std::make_shared<Connector::VEnd>(view, *e);
          if (auto* j = zq::Cast<AssocClassConnectorJoin>(&element))
            return std::make_shared<Connector::VJoin>(view, *j);
          return nullptr;
        });
    return true;
  }();
  (void)registered;
}

}  // namespace Class
