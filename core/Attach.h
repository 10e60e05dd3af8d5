// Attaching connector ends: the element an end of kind X attaches to, the list of ends of kind X
// that lie on an element, and the filter of the elements an end may attach to.
#pragma once

#include "core/Interfaces.h"
#include "core/PropertyKinds.h"
#include "core/Storable.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace Core {

// An element that ends of kind X may attach to.
template <class X>
class IAttach : public virtual IModelElement {
public:
    // Whether the end may attach here; every end by default.
    virtual bool CanAttach(X*) const { return true; }
    // Attaches the end.
    virtual void Attach(Env& env, X* end) = 0;
    // Attaches the end when CanAttach accepts it; answers whether it did.
    bool TryAttach(Env& env, X* end) {
        if (!CanAttach(end)) return false;
        Attach(env, end);
        return true;
    }
};

// The list of ends of kind X that lie on an element.
template <class X>
class IPartner : public virtual IModelElement {
public:
    // Appends the end (undoable) unless the element is deleted or the end is listed.
    virtual void AddPartner(Env& env, X* end) = 0;
    // Removes the end (undoable) unless the element is deleted or the end is not listed.
    virtual void RemovePartner(Env& env, X* end) = 0;
    // Whether the end is listed.
    virtual bool Contains(const X* end) const = 0;
    // Appends the end without checks or further effect (used while reading).
    virtual void AppendPartner(X* end) = 0;
};

// IPartner over a list field of the element's record, so that undo and copies take the list along.
template <class Rep, class X, PtrCont<X> Rep::*List>
class PartnerList : public IPartner<X>, public virtual IRepOwner<Rep> {
public:
    void AddPartner(Env& env, X* end) override {
        if (this->IsDeleted() || end == nullptr || Contains(end)) return;
        this->ModifyField(env, List).push_back(end);
        OnPartnerAdded(env, end);
    }
    void RemovePartner(Env& env, X* end) override {
        if (this->IsDeleted() || !Contains(end)) return;
        auto& list = this->ModifyField(env, List);
        list.erase(std::find(list.begin(), list.end(), end));
        OnPartnerRemoved(env, end);
    }
    bool Contains(const X* end) const override {
        const auto& list = this->GetRep().*List;
        return std::find(list.begin(), list.end(), end) != list.end();
    }
    void AppendPartner(X* end) override {
        // Reading fills the record before any transaction change is recorded, so the record is
        // written directly.
        auto& list = const_cast<Rep&>(this->GetRep()).*List;
        if (end != nullptr && std::find(list.begin(), list.end(), end) == list.end()) list.push_back(end);
    }
    // The listed ends in order.
    const PtrCont<X>& GetPartners() const { return this->GetRep().*List; }

protected:
    // Called after an end was added (the end may be told of its new party here).
    virtual void OnPartnerAdded(Env&, X*) {}
    // Called after an end was removed.
    virtual void OnPartnerRemoved(Env&, X*) {}
};

// Accepts the elements that take ends of kind X and accept the end being placed (none: a new
// connector, whose end any such element accepts by its own rule).
template <class X>
class AttachFilter : public IFilter {
public:
    explicit AttachFilter(X* end = nullptr) : end_(end) {}
    bool Accept(const IModelElement* element) const override {
        auto* attach = zq::Cast<const IAttach<X>>(element);
        return attach != nullptr && attach->CanAttach(end_);
    }

private:
    X* end_;
};

} // namespace Core
