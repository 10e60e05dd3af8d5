#pragma once
// The command that hangs a new free text on an anchor owner (a segment's, an end's or a class's
// "New Text" command).
#include <string>

#include "text/free/Anchor.h"
#include "view/CmdHandler.h"

namespace Text {

class CreateAnchoredTextCmdHandler : public View::ICmdHandler {
 public:
  // Serves the command for the owner; the new text starts with the initial text.
  CreateAnchoredTextCmdHandler(View::IDefaultTask& task, UINT commandId, IAnchorOwner& owner, std::wstring initialText);
  // Enabled while the view takes changes; never checked.
  void UpdateCommands() override;

 private:
  void OnCommand(const Application::CommandMsg&);
  UINT id_;
  IAnchorOwner& owner_;
  std::wstring initial_;
};

}  // namespace Text
