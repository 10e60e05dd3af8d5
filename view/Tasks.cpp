#include "view/Tasks.h"

#include "core/Transaction.h"
#include "view/CanvasView.h"

namespace View {

ITask::ITask(ViewContext& context, std::string name) : context_(context), name_(std::move(name)) {}

ITask::~ITask()
{
    ReleaseCapture();
}

Core::Env ITask::MakeEnv()
{
    return Core::Env(GetTransaction(), &GetSelectionTracker(), context_.grid);
}

void ITask::TakeCapture()
{
    if (holdsCapture_ || context_.mouse == nullptr) return;
    context_.mouse->BeginCapture();
    holdsCapture_ = true;
}

void ITask::ReleaseCapture()
{
    if (!holdsCapture_) return;
    holdsCapture_ = false;
    if (context_.mouse) context_.mouse->EndCapture();
}

} // namespace View
