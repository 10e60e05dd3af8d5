#include "elements/class/Attachments.h"

#include "elements/class/AssocClassConnector.h"
#include "elements/class/Association.h"
#include "elements/class/Generalization.h"

namespace Class {

void ClassAttachments::Attach(Core::Env& env, AssocEnd* end) { end->SetTerminal(env, this); }

void ClassAttachments::Attach(Core::Env& env, GeneralizationEnd* end) { end->SetTerminal(env, this); }

void ClassAttachments::Attach(Core::Env& env, AssocClassConnectorSourceEnd* end) { end->SetTerminal(env, this); }

void ClassAttachments::ForEachEnd(const std::function<void(Connector::IEnd&)>& visit) const {
  // Copies: a visit may change the lists.
  for (Dependency::DependencyEnd* e : Core::PtrCont<Dependency::DependencyEnd>(GetRep().dependencyEnds)) visit(*e);
  for (AssocEnd* e : Core::PtrCont<AssocEnd>(GetRep().assocEnds)) visit(*e);
  for (GeneralizationEnd* e : Core::PtrCont<GeneralizationEnd>(GetRep().generalizationEnds)) visit(*e);
  for (AssocClassConnectorSourceEnd* e :
       Core::PtrCont<AssocClassConnectorSourceEnd>(GetRep().assocClassConnectorSourceEnds))
    visit(*e);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds)) visit(*e);
}

void ClassAttachments::FollowReshape(Core::Env& env, const Core::ITerminalReshapeInfo& info,
                                     Core::DeferredShiftSet* set) {
  ForEachEnd([&](Connector::IEnd& e) { e.OnTerminalReshaped(env, info, set); });
  // The map already carries the class's move: the anchors are told of no shift set, which would add it again.
  for (Text::Anchor* a : Core::PtrCont<Text::Anchor>(GetAnchors())) a->OnTerminalReshaped(env, info, nullptr);
}

void ClassAttachments::DetachAll(Core::Env& env) {
  ForEachEnd([&](Connector::IEnd& e) { e.OnTerminalDeleted(env); });
  for (Text::Anchor* a : Core::PtrCont<Text::Anchor>(GetAnchors())) a->OnTerminalDeleted(env);
}

}  // namespace Class
