#pragma once
// Helpers the sequence elements share for the connector ends attached to them.
#include "core/Interfaces.h"
#include "core/PropertyKinds.h"
#include "core/Shift.h"
#include "view/connector/Interfaces.h"
#include "core/foundation/Cast.h"

namespace Sequence::Detail {

// The list's ends as connector ends (the list is copied first: walking may change it).
template <class X>
std::vector<Connector::IEnd*> Ends(const Core::PtrCont<X>& list)
{
    std::vector<Connector::IEnd*> out;
    for (X* x : list)
        if (auto* e = zq::Cast<Connector::IEnd>(x)) out.push_back(e);
    return out;
}

// Every end of the lists, in order.
template <class... L>
std::vector<Connector::IEnd*> AllEnds(const L&... lists)
{
    std::vector<Connector::IEnd*> out;
    (..., [&] { for (Connector::IEnd* e : Ends(lists)) out.push_back(e); }());
    return out;
}

// The terminal goes: each end deletes itself (and with it its connector's chain).
inline void DetachAll(Core::Env& env, const std::vector<Connector::IEnd*>& ends, Core::IModelElement* terminal)
{
    for (Connector::IEnd* e : ends) e->DetachFromTerminal(env, terminal, true);
}

// The terminal moved: its ends move by the same vector.
inline void ShiftAll(Core::Env& env, const std::vector<Connector::IEnd*>& ends, Core::IModelElement* sender,
                     const Core::ShiftVector& shift, Core::DeferredShiftSet& set)
{
    for (Connector::IEnd* e : ends) e->Shift(env, sender, shift, set, false);
}

// The terminal changed its shape: its ends follow by the info's mapping.
inline void Reshape(Core::Env& env, const std::vector<Connector::IEnd*>& ends, const Core::ITerminalReshapeInfo& info,
                    Core::DeferredShiftSet& set)
{
    for (Connector::IEnd* e : ends) e->OnTerminalReshaped(env, info, &set);
}

// The grid of the change, else the program's.
const Core::IGrid& GridOf(Core::Env& env);

// Whether the user moves the element itself in the move: it is selected in the change's view, or,
// for a change without a view, it is one of the moved elements. What is dragged along only because
// it hangs on a selected element answers false.
bool IsMovedByUser(const Core::Env& env, const Core::DeferredShiftSet& set, const Core::IModelElement* element);

// Whether the element moves on its own in the move: it is new in the change (pasted, dropped) or
// the user moves it.
bool MovesFreely(const Core::Env& env, const Core::DeferredShiftSet& set, const Core::IModelElement& element);

// Whether the move shifts the element by itself (it is moved and moves freely), so that what it
// hangs on leaves it to that shift.
bool ShiftedBySet(const Core::Env& env, const Core::DeferredShiftSet& set, const Core::IModelElement& element);

// Whether the move takes the party (an object, its line or a bar on it) only sideways: it is taken
// along by what the user drags without it (a line's top follows its object, but what lies on the
// line keeps its height), or its line is dragged alone.
bool MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set, const Core::IModelElement& party);

} // namespace Sequence::Detail
