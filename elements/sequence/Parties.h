#pragma once
// What the connector ends of a sequence diagram attach to: message ends to sequence objects,
// lifelines and activations; return ends to lifelines and activations.
#include "core/Attach.h"
#include "core/Interfaces.h"
#include "view/connector/Parts.h"
#include "core/foundation/Cast.h"

namespace Sequence {

class SeqObject;
class LifeLine;
class Activation;

// Either end of a message (source or target); each is a Connector::IEnd.
class IMessageEnd : public virtual Core::IModelElement {};
// Either end of a return; each is a Connector::IEnd.
class IReturnEnd : public virtual Core::IModelElement {};

// An element message ends attach to; it lists them (Core::IPartner<IMessageEnd>).
class IMessageParty : public virtual Core::ITerminal, public virtual Core::IPointable,
                      public Core::IAttach<IMessageEnd> {};
// An element return ends attach to; it lists them (Core::IPartner<IReturnEnd>).
class IReturnParty : public virtual Core::ITerminal, public virtual Core::IPointable, public Core::IAttach<IReturnEnd> {};

// The end of kind Derived whose parties are the elements that take ends of Kind (IMessageEnd or
// IReturnEnd).
template <class Derived, class Kind>
class KindEnd : public Connector::EndImp<Derived>, public Kind {
public:
    void AttachToPartner(Core::Env& env, Core::IModelElement* e) override {
        auto* p = zq::Cast<Core::IPartner<Kind>>(e);
        if (p == nullptr) return;
        this->SetTerminalImp(env, e);
        p->AddPartner(env, this);
    }
    void DetachFromPartner(Core::Env& env, Core::IModelElement* e) override {
        if (auto* p = zq::Cast<Core::IPartner<Kind>>(e)) p->RemovePartner(env, this);
    }
    bool AttachTo(Core::Env& env, Core::IModelElement* e) override {
        auto* a = zq::Cast<Core::IAttach<Kind>>(e);
        return a != nullptr && a->TryAttach(env, this);
    }
    bool AcceptsTerminal(const Core::IModelElement* e) const override {
        return Core::AttachFilter<Kind>(const_cast<KindEnd*>(this)).Accept(e);
    }
};

} // namespace Sequence
