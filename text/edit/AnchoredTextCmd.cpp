#include "text/edit/AnchoredTextCmd.h"

#include "core/Selection.h"
#include "view/Tasks.h"

namespace Text {

CreateAnchoredTextCmdHandler::CreateAnchoredTextCmdHandler(View::IDefaultTask& task, UINT commandId,
                                                           IAnchorOwner& owner, std::wstring initialText)
    : ICmdHandler(task), id_(commandId), owner_(owner), initial_(std::move(initialText)) {
  GetPlugs().Add(commandId, this, &CreateAnchoredTextCmdHandler::OnCommand);
  UpdateCommands();
}

void CreateAnchoredTextCmdHandler::UpdateCommands() {
  GetPlugs().Enable(id_, IsReady() && !owner_.IsDeleted());
}

void CreateAnchoredTextCmdHandler::OnCommand(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  View::ViewContext& c = task.GetContext();
  if (owner_.IsDeleted()) return;
  // The snapshot first, so that undo gives back the selection the user had.
  task.TakeSelectionSnapshot();
  c.view->ClearSelection(&task.GetSelectionTracker());
  const zq::Point at = task.GetLastMousePoint();
  Core::Env env = task.MakeEnv();
  auto free = CreateAnchoredText(env, owner_, {double(at.x), double(at.y)}, initial_);
  free->SelectInView(*c.view, true, &task.GetSelectionTracker());
  task.CommitPending(false);
}

}  // namespace Text
