// A diagram with the sequence kinds registered, and helpers that run changes as single undo steps.
#pragma once

#include "elements/sequence/Activation.h"
#include "elements/sequence/LifeLine.h"
#include "elements/sequence/Message.h"
#include "elements/sequence/SeqObject.h"

#include "core/Diagram.h"
#include "core/ModelElementSet.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "elements/note/Note.h"
#include "style/Model.h"
#include "text/Text.h"
#include "text/free/Anchor.h"
#include "text/free/FreeText.h"
#include "text/tests/FixedMeasurer.h"
#include "view/connector/Creation.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace SequenceTest {

inline Core::FactoryRegistry& Registry() {
    static Core::FactoryRegistry registry = [] {
        Core::FactoryRegistry r;
        Sequence::ReportSequenceFactories(r);
        Note::ReportNoteFactories(r);
        r.Register(Text::FreeText::Factory());
        r.Register(Text::Anchor::Factory());
        r.Register(TextBlock::Text::Factory());
        r.Register(Style::Style::Factory());
        Style::Style::ReportExtras(r);
        return r;
    }();
    return registry;
}

// A connector of kind C along the points (oblique legs) between the parties.
template <class C>
C* BuildPath(Core::Env& env, const std::vector<zq::float8Point>& points, Core::IModelElement* source,
             Core::IModelElement* target) {
    std::vector<Connector::PathEntry> path;
    for (const auto& p : points) path.push_back({p, false});
    return dynamic_cast<C*>(Connector::BuildPathConnector(env, C::PartFactory(), path, source, target, nullptr));
}

struct Scene : ::testing::Test {
    Core::Diagram diagram{Registry(), nullptr};

    Scene() { TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }

    void Change(const std::function<void(Core::Env&)>& f) {
        Core::Transaction t(diagram);
        Core::Env env(t);
        f(env);
        Core::UndoerRef record = env.Close();
        diagram.GetUndoHandler().Add(record, nullptr, nullptr, false);
    }
    void Undo() { diagram.GetUndoHandler().Undo(nullptr, nullptr); }
    void Redo() { diagram.GetUndoHandler().Redo(nullptr, nullptr); }
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
    // A connector of kind C along the points between the parties, as one step.
    template <class C>
    C* Path(const std::vector<zq::float8Point>& points, Core::IModelElement* source, Core::IModelElement* target) {
        C* c = nullptr;
        Change([&](Core::Env& env) { c = BuildPath<C>(env, points, source, target); });
        return c;
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
    std::string Save() const {
        std::ostringstream out;
        diagram.SaveXML(out);
        return out.str();
    }
    template <class T>
    std::size_t Live() const {
        std::size_t n = 0;
        for (const auto& e : diagram.Elements())
            if (dynamic_cast<T*>(e.get()) != nullptr && !e->IsDeleted()) ++n;
        return n;
    }
};

// The stored form of the document read back from the text.
inline std::string Reread(const std::string& xml) {
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    std::ostringstream again;
    copy.SaveXML(again);
    return again.str();
}

// A whole document around the body.
inline std::string Doc(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\">\n" +
           body + "</Diagram>\n";
}

} // namespace SequenceTest
