#pragma once
// The views of association class connectors: dashed segments, plain ends and joins; "New
// A&ssociation Class Connector" of the class menu draws one from the class to an association.
#include <memory>

#include "view/CmdHandler.h"

namespace Class {

// "New A&ssociation Class Connector" (40118) from the class: the path must end on a segment of
// an association.
std::unique_ptr<View::ICmdHandler> CreateAssocClassConnectorCmdHandler(View::IDefaultTask& task);

// Lets canvas views make the views of association class connector parts (once per process).
void RegisterAssocClassConnectorViews();

}  // namespace Class
