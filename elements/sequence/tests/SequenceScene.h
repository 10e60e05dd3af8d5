// A diagram with the sequence kinds registered, and helpers that run changes as single undo steps.
#pragma once

#include "elements/note/tests/HostScene.h"
#include "elements/sequence/Activation.h"
#include "elements/sequence/LifeLine.h"
#include "elements/sequence/Message.h"
#include "elements/sequence/SeqObject.h"

#include "core/ModelElementSet.h"

#include <string>

namespace SequenceTest {

using HostScene::Doc;

inline const Core::FactoryRegistry& Registry() {
    static const Core::FactoryRegistry registry = HostScene::MakeRegistry({Sequence::ReportSequenceFactories});
    return registry;
}

struct Scene : HostScene::Scene {
    Scene() : HostScene::Scene(Registry()) {}

    Sequence::SeqObject* NewObject(const zq::Point& at) {
        Sequence::SeqObject* o = nullptr;
        Change([&](Core::Env& env) { o = Sequence::SeqObject::Create(env, at).get(); });
        return o;
    }
    Sequence::Activation* NewActivation(Sequence::LifeLine& line, const zq::Point& at, std::int32_t len = 2000) {
        Sequence::Activation* a = nullptr;
        Change([&](Core::Env& env) {
            a = Sequence::CreateActivation(env, line, at).get();
            a->SetLen(env, len);
        });
        return a;
    }
    // A connector of kind C along the points (oblique legs) between the parties, as one step.
    template <class C>
    C* Path(const std::vector<zq::float8Point>& points, Core::IModelElement* source, Core::IModelElement* target) {
        return HostScene::Scene::Path<C>(points, source, target, false);
    }
    // Moves the elements by (dx, dy) as one change, as a drag of them does.
    void Move(const std::vector<Core::IModelElement*>& elements, double dx, double dy) {
        Change([&](Core::Env& env) {
            Core::ModelElementSet moved;
            for (auto* e : elements) moved.Insert(e->shared_from_this());
            Core::DeferredShiftSet set(moved, &diagram, elements.front());
            set.ShiftAll(env, {dx, dy, true, true});
            set.ShiftDeferred(env);
        });
    }
};

// The stored form of the document read back from the text.
inline std::string Reread(const std::string& xml) { return HostScene::Reread(Registry(), xml); }

} // namespace SequenceTest
