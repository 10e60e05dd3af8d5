#pragma once
// The parts of a generalization, as templates that every diagram family with generalizations
// instantiates: a tree of segments and joins with exactly one master end (drawn with the hollow
// triangle, on the general element) and any number of plain ends (on the special elements). An
// end of another generalization dropped on a segment, join or free end merges the two trees,
// unless the result would not have exactly one master end.
#include "core/Attach.h"
#include "core/PropertyKinds.h"
#include "elements/note/Dependency.h"
#include "elements/note/NoteConnector.h"
#include "view/connector/Functions.h"
#include "view/connector/Parts.h"

namespace Class {

// The end types of a generalization.
namespace GeneralizationEndType {
enum T : int32_t { Master = 1, Plain = 2 };
}

// The master ends of the connector other than the given end (deleted ends do not count).
int CountOtherMasterEnds(const Connector::IConnector* connector, const Connector::IEnd* except);

// Whether the candidate's generalization may merge into the target's connector at a segment or a
// join: never into its own, and only when the candidate brings no master end besides itself.
bool MayMergeAtPart(const Connector::IConnectorElement& target, const Connector::IEnd* candidate);

// Whether the candidate may merge with the target end: the target lies free, is not the
// candidate's own, and exactly one master end of the two generalizations survives the merge.
bool MayMergeEnds(const Connector::IEnd& target, const Connector::IEnd* candidate);

// The end of a generalization kind: "Group", "Segment", "Pos", the terminal (under the attribute
// Derived::kTerminalAttribute) and "Type" (1 master, 2 plain, both mandatory but the terminal).
template <class Derived>
class GeneralizationEndImp : public Connector::EndImp<Derived>, public Core::IAttach<Derived> {
public:
    static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t) {
        using namespace Core;
        using Connector::EndRep;
        RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
        RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
        RegisterRefProperty<>::Register(t, &EndRep::party, Derived::kTerminalAttribute);
        RegisterEnumProperty<GeneralizationEndType::Master, GeneralizationEndType::Plain>::Register(
            t, &EndRep::type, L"Type", int32_t(GeneralizationEndType::Master));
    }
    // The master end carries the triangle.
    bool IsMasterEnd() const override { return this->GetType() == GeneralizationEndType::Master; }
    // A free end takes another generalization's end when the merge keeps one master end.
    bool CanAttach(Derived* candidate) const override { return MayMergeEnds(*this, candidate); }
    // The two ends become one join of the candidate's generalization.
    void Attach(Core::Env& env, Derived* candidate) override {
        Connector::Functions::MergeEnds(env, *candidate, *this);
    }
};

// The segment of a generalization kind: note connectors point at it, dependencies end on it, and
// an end of another generalization dropped on it branches this generalization there.
template <class Derived, class End>
class GeneralizationSegmentImp : public Connector::SegmentImp<Derived, Note::NoteConnectorEnd>,
                                 public Core::IAttach<Note::NoteConnectorEnd>,
                                 public Core::IAttach<End>,
                                 public Dependency::IDependencyParty,
                                 public Core::IPartner<Dependency::DependencyEnd> {
    using Base = Connector::SegmentImp<Derived, Note::NoteConnectorEnd>;

public:
    // A note connector's far end lies on the segment.
    void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
    bool CanAttach(End* candidate) const override { return MayMergeAtPart(*this, candidate); }
    // The segment is cut where the end lies; the end's generalization merges into this one.
    void Attach(Core::Env& env, End* candidate) override {
        Connector::Functions::MergeEndIntoSegment(env, *candidate, *this);
    }
    // A dependency end lies on the segment (in the list of attached ends, so merges and
    // deletions treat it like every end lying on a segment).
    void Attach(Core::Env& env, Dependency::DependencyEnd* end) override { end->SetTerminal(env, this); }
    void AddPartner(Core::Env& env, Dependency::DependencyEnd* end) override {
        if (this->IsDeleted() || end == nullptr || Contains(end)) return;
        this->ModifyField(env, &Connector::SegmentRep::attached).push_back(end);
    }
    void RemovePartner(Core::Env& env, Dependency::DependencyEnd* end) override {
        if (this->IsDeleted() || !Contains(end)) return;
        auto& l = this->ModifyField(env, &Connector::SegmentRep::attached);
        l.erase(std::find(l.begin(), l.end(), static_cast<Connector::IEnd*>(end)));
    }
    bool Contains(const Dependency::DependencyEnd* end) const override {
        const auto& l = this->GetRep().attached;
        return std::find(l.begin(), l.end(), static_cast<const Connector::IEnd*>(end)) != l.end();
    }
    void AppendPartner(Dependency::DependencyEnd* end) override {
        Connector::Detail::AppendOnce<Connector::IEnd>(Connector::Detail::ReadingRep(*this).attached, end);
    }
    using Base::AddPartner;
    using Base::AppendPartner;
    using Base::Contains;
    using Base::RemovePartner;
    using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
    using Core::IAttach<Dependency::DependencyEnd>::CanAttach;
};

// The join of a generalization kind; an end of another generalization dropped on it adds a branch.
template <class Derived, class End>
class GeneralizationJoinImp : public Connector::JoinImp<Derived>, public Core::IAttach<End> {
public:
    bool CanAttach(End* candidate) const override { return MayMergeAtPart(*this, candidate); }
    void Attach(Core::Env& env, End* candidate) override { Connector::Functions::MergeEndIntoJoin(env, *candidate, *this); }
};

} // namespace Class
