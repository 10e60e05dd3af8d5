#include "elements/usecase/tests/UseCaseScene.h"

namespace UseCaseTest {

namespace {
template <class T>
bool In(const Core::PtrCont<T>& list, const T* p) {
  return std::find(list.begin(), list.end(), p) != list.end();
}
}  // namespace

std::string CheckInvariants(const Core::Diagram& diagram) {
  std::ostringstream fault;
  for (UseCase::System* s : All<UseCase::System>(diagram)) {
    for (UseCase::UseCase* u : s->GetUseCases()) {
      if (u->IsDeleted()) fault << "a deleted use case is listed; ";
      if (u->GetSystem() != s) fault << "a listed use case names another system; ";
      if (!s->GetRect().Contains(u->GetRect())) fault << "a use case lies outside its system; ";
    }
    if (s->GetSize().x < 1 || s->GetSize().y < 1) fault << "a system has no size; ";
  }
  for (UseCase::UseCase* u : All<UseCase::UseCase>(diagram)) {
    if (UseCase::System* s = u->GetSystem(); s && (s->IsDeleted() || !In(s->GetUseCases(), u)))
      fault << "a use case is missing from its system's list; ";
    // The smallest enclosing system holds it.
    UseCase::System* smallest = nullptr;
    for (UseCase::System* s : All<UseCase::System>(diagram))
      if (s->GetRect().Contains(u->GetRect()) &&
          (!smallest || double(s->GetSize().x) * s->GetSize().y < double(smallest->GetSize().x) * smallest->GetSize().y))
        smallest = s;
    if (smallest && u->GetSystem() && double(u->GetSystem()->GetSize().x) * u->GetSystem()->GetSize().y >
                                          double(smallest->GetSize().x) * smallest->GetSize().y)
      fault << "a use case lies in a larger system than the smallest around it; ";
    if (!smallest && u->GetSystem()) fault << "a use case names a system that does not enclose it; ";
    if (smallest && !u->GetSystem()) fault << "a use case inside a system lies in none; ";
    for (UseCase::AssocEnd* e : u->GetAssocEnds())
      if (e->GetTerminal() != u || e->IsDeleted()) fault << "a listed association end lies elsewhere; ";
    for (UseCase::GeneralizationEnd* e : u->GetGeneralizationEnds())
      if (e->GetTerminal() != u || e->IsDeleted()) fault << "a listed generalization end lies elsewhere; ";
  }
  for (UseCase::Actor* a : All<UseCase::Actor>(diagram))
    for (UseCase::AssocEnd* e : a->GetAssocEnds())
      if (e->GetTerminal() != a || e->IsDeleted()) fault << "a listed association end lies elsewhere; ";
  for (UseCase::Assoc* a : All<UseCase::Assoc>(diagram)) {
    if (std::string g = a->CheckGraph(); !g.empty()) fault << "association: " << g << "; ";
    int actors = 0, useCases = 0;
    for (Connector::IEnd* e : a->GetEnds()) {
      auto* end = dynamic_cast<UseCase::AssocEnd*>(e);
      if (end->GetActor()) ++actors;
      if (end->GetUseCase()) ++useCases;
      if (Core::IModelElement* t = end->GetTerminal(); t && t->IsDeleted()) fault << "an end lies on a deleted party; ";
    }
    if (actors > 1 || useCases > 1) fault << "an association joins two parties of one kind; ";
  }
  for (UseCase::Generalization* g : All<UseCase::Generalization>(diagram)) {
    if (std::string graph = g->CheckGraph(); !graph.empty()) fault << "generalization: " << graph << "; ";
    int masters = 0;
    for (Connector::IEnd* e : g->GetEnds()) masters += e->IsMasterEnd() ? 1 : 0;
    if (masters != 1) fault << "a generalization has " << masters << " master ends; ";
  }
  return fault.str();
}

}  // namespace UseCaseTest
