#include "Editor/CmdHandlerDock.h"

#include "elements/class/Class.h"
#include "elements/class/Package.h"
#include "elements/note/Note.h"
#include "elements/object/Object.h"
#include "elements/state/PseudoState.h"
#include "elements/state/State.h"
#include "elements/sequence/SeqObject.h"
#include "elements/usecase/Actor.h"
#include "elements/usecase/System.h"
#include "elements/usecase/UseCase.h"
#include "resources/resource.h"
#include "text/free/FreeText.h"
#include "view/DiagramType.h"

namespace Editor {

CmdHandlerDock::CmdHandlerDock(View::IDefaultTask& task) {
    Add(std::make_unique<View::DiagramTypeCmdHandler>(task));
    // A free text where the diagram was last pressed.
    Add(std::make_unique<View::StdCreateCmdHandler>(
        task, ID_NEW_FREETEXT, [](Core::Env& env, const zq::Point& p) { return Text::FreeText::Create(env, p); }));
    // A note with its top-left corner where the diagram was last pressed.
    Add(std::make_unique<View::StdCreateCmdHandler>(
        task, ID_NEW_NOTE, [](Core::Env& env, const zq::Point& p) -> Core::ElementPtr { return Note::Note::Create(env, p); }));
    // A class named "<name?>" with its top-left corner there.
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_CLASS, &Class::Class::CreateElement));
    // The state diagram's nodes there.
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_STATE, &State::State::CreateElement));
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_INITIALSTATE, &State::InitialState::CreateElement));
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_FINALSTATE, &State::FinalState::CreateElement));
    // A sequence object with its lifeline, its top-left corner there.
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_SEQOBJECT, &Sequence::SeqObject::CreateElement));
    // An object named "<name?>" with its top-left corner there.
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_OBJECT, &Object::Object::CreateElement));
    // A package named "<name?>" with its top-left corner there.
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_PACKAGE, &Class::Package::CreateElement));
    // The use case diagram's nodes there.
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_ACTOR, &UseCase::Actor::CreateElement));
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_USECASE, &UseCase::UseCase::CreateElement));
    Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_SYSTEM, &UseCase::System::CreateElement));
}

CmdHandlerDockCreator& CmdHandlerDockCreator::Instance() {
    static CmdHandlerDockCreator creator;
    return creator;
}

std::unique_ptr<View::ICmdHandlerDock> CmdHandlerDockCreator::CreateDock(View::IDefaultTask& task) {
    return std::make_unique<CmdHandlerDock>(task);
}

} // namespace Editor
