// The templates every connector kind instantiates: the connector, its ends, segments and joins,
// each a storable with one record. Derived classes give the kind's part factory (PartFactory()).
#pragma once

#include "core/Attach.h"
#include "core/Factory.h"
#include "core/PropertyKinds.h"
#include "core/Storable.h"
#include "core/StoredForms.h"
#include "core/xml/Writer.h"
#include "view/connector/Interfaces.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace Text {
class Anchor;
}

namespace Connector {

struct ConnectorRep {
    Core::PtrCont<IEnd> ends;          // not stored: the parts are written inside the connector
    Core::PtrCont<ISegment> segments;
    Core::PtrCont<IJoin> joins;
};

struct EndRep {
    IConnector* group = nullptr;        // not stored: the enclosing connector
    ISegment* segment = nullptr;        // not stored: rebuilt from the segments' ends
    zq::float8Point pos;
    Core::IModelElement* party = nullptr;
    int32_t type = 0;
    // Kinds whose ends lie on a box or on a part of it (a class's qualifier) keep the part here.
    Core::IModelElement* subParty = nullptr;
    bool traversed = false;                // kinds with an arrow-head switch
    Core::PtrCont<Text::Anchor> anchors;   // kinds whose ends carry anchored texts (not stored)
};

struct SegmentRep {
    IConnector* group = nullptr;
    Core::PtrCont<ISegmentEnd> ends;
    bool v = false;
    bool h = false;
    Core::PtrCont<IEnd> attached;  // not stored: ends of other connectors lying on the segment
    Core::PtrCont<Text::Anchor> anchors;  // not stored: texts anchored on the segment (kinds with a text layer)
};

struct JoinRep {
    IConnector* group = nullptr;
    Core::PtrCont<ISegment> segments;  // not stored: rebuilt from the segments' ends
    zq::float8Point pos;
};

// The fields of an end whose part tag tells its type: "Pos" and "Party" are written, the type is
// kept for undo and copies but not written.
void RegisterTaggedEndFields(Core::PropertyTable<EndRep>& t, int32_t defaultType);

namespace Detail {
// The record of an element being read, written directly (reading records no changes).
template <class Rep>
Rep& ReadingRep(const Core::IRepOwner<Rep>& owner) { return const_cast<Rep&>(owner.GetRep()); }
// Takes a part read inside a connector into the connector's lists; throws when it lies elsewhere.
void AdoptReadPart(IConnectorElement& part, const Core::RestoreContext& context, const wchar_t* tag);
// Appends a value to a pointer list unless listed.
template <class T>
void AppendOnce(Core::PtrCont<T>& list, T* p) {
    if (p != nullptr && std::find(list.begin(), list.end(), p) == list.end()) list.push_back(p);
}
} // namespace Detail

// The connector of kind Derived; Base is IConnector or ILinearConnector.
template <class Derived, class Base = IConnector>
class ConnectorImp : public Core::Storable<Derived, ConnectorRep, Core::StorableTraits::Null, Base> {
public:
    static void RegisterProperties(Core::PropertyTable<ConnectorRep>& t) {
        using namespace Core;
        RegisterRefContNonStoreProperty::Register(t, &ConnectorRep::ends, L"Ends");
        RegisterRefContNonStoreProperty::Register(t, &ConnectorRep::segments, L"Segments");
        RegisterRefContNonStoreProperty::Register(t, &ConnectorRep::joins, L"Joins");
    }
    IFactory& GetPartFactory() const override { return Derived::PartFactory(); }
    const Core::PtrCont<IEnd>& GetEnds() const override { return this->GetRep().ends; }
    const Core::PtrCont<ISegment>& GetSegmentList() const override { return this->GetRep().segments; }
    const Core::PtrCont<IJoin>& GetJoins() const override { return this->GetRep().joins; }
    void AddEnd(Core::Env& env, IEnd* e) override { Add(env, &ConnectorRep::ends, e); }
    void AddSegment(Core::Env& env, ISegment* s) override { Add(env, &ConnectorRep::segments, s); }
    void AddJoin(Core::Env& env, IJoin* j) override { Add(env, &ConnectorRep::joins, j); }
    void RemoveEnd(Core::Env& env, IEnd* e) override { Remove(env, &ConnectorRep::ends, e); }
    void RemoveSegment(Core::Env& env, ISegment* s) override { Remove(env, &ConnectorRep::segments, s); }
    void RemoveJoin(Core::Env& env, IJoin* j) override { Remove(env, &ConnectorRep::joins, j); }
    // A part is made by its part tag; any other child is unknown.
    Core::ElementPtr CreateChildElement(Core::Env&, const std::wstring& nsUri, const std::wstring& name) override {
        if (nsUri != this->GetNamespace().uri) return nullptr;
        IFactory& f = Derived::PartFactory();
        if (name == L"SourceEnd") return f.CreateSourceEnd();
        if (name == L"TargetEnd") return f.CreateTargetEnd();
        if (name == L"End") return f.CreateEnd();
        if (name == L"Join") return f.CreateJoin();
        if (name == L"Segment") return f.CreateSegment();
        return nullptr;
    }
    void AppendForReading(IEnd* e) override { Detail::AppendOnce(Detail::ReadingRep(*this).ends, e); }
    void AppendForReading(IJoin* j) override { Detail::AppendOnce(Detail::ReadingRep(*this).joins, j); }
    void AppendForReading(ISegment* s) override { Detail::AppendOnce(Detail::ReadingRep(*this).segments, s); }

private:
    template <class T>
    void Add(Core::Env& env, Core::PtrCont<T> ConnectorRep::*list, T* part) {
        const auto& l = this->GetRep().*list;
        if (this->IsDeleted() || part == nullptr || std::find(l.begin(), l.end(), part) != l.end()) return;
        this->ModifyField(env, list).push_back(part);
    }
    template <class T>
    void Remove(Core::Env& env, Core::PtrCont<T> ConnectorRep::*list, T* part) {
        const auto& l = this->GetRep().*list;
        if (!this->IsDeleted() && std::find(l.begin(), l.end(), part) != l.end()) {
            auto& w = this->ModifyField(env, list);
            w.erase(std::find(w.begin(), w.end(), part));
        }
        this->DeleteIfEmpty(env);
    }
};

// The end of kind Derived; it attaches to the elements that are Core::IAttach<Derived> and keeps
// itself in their Core::IPartner<Derived> lists. Its part tag is "End" unless the kind says otherwise.
template <class Derived>
class EndImp : public Core::Storable<Derived, EndRep, Core::StorableTraits::Null, IEnd> {
    using Base = Core::Storable<Derived, EndRep, Core::StorableTraits::Null, IEnd>;

public:
    static void RegisterProperties(Core::PropertyTable<EndRep>& t) {
        using namespace Core;
        RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
        RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
        RegisterRefProperty<>::Register(t, &EndRep::party, L"Party");
        RegisterProperty<EvalRestore::Optional>::Register(t, &EndRep::type, L"Type", int32_t(0));
    }
    IFactory& GetPartFactory() const override { return Derived::PartFactory(); }
    std::wstring GetPartTag() const override { return L"End"; }
    IConnector* GetConnector() const override { return this->GetRep().group; }
    void SetConnector(Core::Env& env, IConnector* c) override { this->SetField(env, &EndRep::group, c); }
    void AssignConnectorForReading(IConnector* c) override { Detail::ReadingRep(*this).group = c; }
    ISegment* GetSegment() const override { return this->GetRep().segment; }
    void SetSegment(Core::Env& env, ISegment* s) override { this->SetField(env, &EndRep::segment, s); }
    void InsertSegment(Core::Env& env, ISegment* oldSegment, ISegment* newSegment) override {
        if (GetSegment() == oldSegment) SetSegment(env, newSegment);
    }
    void InitSegment(ISegment* s) override {
        if (!this->IsDeleted()) Detail::ReadingRep(*this).segment = s;
    }
    zq::float8Point GetPosition() const override { return this->GetRep().pos; }
    zq::float8Point GetOldPosition() const override { return this->GetOldRep().pos; }
    void MoveTo(Core::Env& env, const zq::float8Point& p) override { this->SetField(env, &EndRep::pos, p); }
    // The position of a part being made, before it joins a transaction: moves of the new part are
    // measured from it.
    void SetInitialPosition(const zq::float8Point& p) { Detail::ReadingRep(*this).pos = p; }
    Core::IModelElement* GetTerminal() const override { return this->GetRep().party; }
    void SetTerminalImp(Core::Env& env, Core::IModelElement* t) override { this->SetField(env, &EndRep::party, t); }
    int32_t GetType() const { return this->GetRep().type; }
    void SetType(Core::Env& env, int32_t type) { this->SetField(env, &EndRep::type, type); }
    int32_t GetEndType() const override { return GetType(); }
    void SetEndType(Core::Env& env, int32_t type) override { SetType(env, type); }
    // Joins the element's partner list, which makes the element the end's terminal.
    void AttachToPartner(Core::Env& env, Core::IModelElement* e) override {
        auto* p = zq::Cast<Core::IPartner<Derived>>(e);
        if (p == nullptr) return;
        SetTerminalImp(env, e);
        p->AddPartner(env, Self());
    }
    void DetachFromPartner(Core::Env& env, Core::IModelElement* e) override {
        if (auto* p = zq::Cast<Core::IPartner<Derived>>(e)) p->RemovePartner(env, Self());
    }
    bool AttachTo(Core::Env& env, Core::IModelElement* e) override {
        auto* a = zq::Cast<Core::IAttach<Derived>>(e);
        return a != nullptr && a != zq::Cast<Core::IAttach<Derived>>(GetSegment()) && a->TryAttach(env, Self());
    }
    bool AcceptsTerminal(const Core::IModelElement* e) const override {
        return Core::AttachFilter<Derived>(const_cast<Derived*>(static_cast<const Derived*>(this))).Accept(e);
    }
    bool GetPendingPoint(zq::float8Point& out) const override {
        if (pending_) out = *pending_;
        return pending_.has_value();
    }
    void SetPendingPoint(const zq::float8Point* p) override {
        if (p) pending_ = *p; else pending_.reset();
    }
    // Reading: puts the end back into its terminal's partner list; false when the terminal takes no such end.
    bool RestorePartner() {
        Core::IModelElement* t = GetTerminal();
        if (t == nullptr || this->IsDeleted()) return true;
        auto* p = zq::Cast<Core::IPartner<Derived>>(t);
        if (p == nullptr) return false;
        p->AppendPartner(Self());
        return true;
    }
    void EndRestore(Core::Env&, const Core::RestoreContext& context) override {
        Detail::AdoptReadPart(*this, context, L"End");
    }

protected:
    EndImp() = default;
    EndImp(const EndImp& o) : Core::IModelElement(), Base(o) {}  // the copy has no pending point

private:
    Derived* Self() { return static_cast<Derived*>(this); }
    std::optional<zq::float8Point> pending_;
};

// The segment of kind Derived; End is the kind's end type (which may lie on the segment).
// Linear kinds do not store the ends (StoreEnds false): the chain order gives them.
template <class Derived, class End, bool StoreEnds = true>
class SegmentImp : public Core::Storable<Derived, SegmentRep, Core::StorableTraits::Null, ISegment, Core::IPartner<End>> {
    using Base = Core::Storable<Derived, SegmentRep, Core::StorableTraits::Null, ISegment, Core::IPartner<End>>;

public:
    static void RegisterProperties(Core::PropertyTable<SegmentRep>& t) {
        using namespace Core;
        RegisterRefNonStoreProperty::Register(t, &SegmentRep::group, L"Group");
        if constexpr (StoreEnds)
            RegisterRefContProperty<>::Register(t, &SegmentRep::ends, L"Ends");
        else
            RegisterRefContNonStoreProperty::Register(t, &SegmentRep::ends, L"Ends");
        RegisterNonStoreProperty::Register(t, &SegmentRep::v, L"V", false);
        RegisterNonStoreProperty::Register(t, &SegmentRep::h, L"H", false);
        RegisterRefContNonStoreProperty::Register(t, &SegmentRep::attached, L"Attached");
    }
    IFactory& GetPartFactory() const override { return Derived::PartFactory(); }
    std::wstring GetPartTag() const override { return L"Segment"; }
    IConnector* GetConnector() const override { return this->GetRep().group; }
    void SetConnector(Core::Env& env, IConnector* c) override { this->SetField(env, &SegmentRep::group, c); }
    void AssignConnectorForReading(IConnector* c) override { Detail::ReadingRep(*this).group = c; }
    void AppendEndForReading(ISegmentEnd* e) override { Detail::AppendOnce(Detail::ReadingRep(*this).ends, e); }
    const Core::PtrCont<ISegmentEnd>& GetEndList() const override { return this->GetRep().ends; }
    void SetEnds(Core::Env& env, const Core::PtrCont<ISegmentEnd>& ends) override {
        this->SetField(env, &SegmentRep::ends, ends);
    }
    bool IsVerticalOrtho() const override { return this->GetRep().v; }
    bool IsHorizontalOrtho() const override { return this->GetRep().h; }
    bool WasVerticalOrtho() const override { return this->GetOldRep().v; }
    bool WasHorizontalOrtho() const override { return this->GetOldRep().h; }
    void SetHorizontalOrtho(Core::Env& env, bool value) override { this->SetField(env, &SegmentRep::h, value); }
    void SetVerticalOrtho(Core::Env& env, bool value) override { this->SetField(env, &SegmentRep::v, value); }
    std::vector<IEnd*> GetAttachedEnds() const override {
        const auto& l = this->GetRep().attached;
        return std::vector<IEnd*>(l.begin(), l.end());
    }
    void AddPartner(Core::Env& env, End* end) override { AddAttached(env, end); }
    void RemovePartner(Core::Env& env, End* end) override { RemoveAttached(env, end); }
    bool Contains(const End* end) const override { return HasAttached(end); }
    void AppendPartner(End* end) override { Detail::AppendOnce<IEnd>(Detail::ReadingRep(*this).attached, end); }
    // The list of ends lying on the segment, shared by every end kind the segment takes.
    void AddAttached(Core::Env& env, IEnd* end) {
        if (this->IsDeleted() || end == nullptr || HasAttached(end)) return;
        this->ModifyField(env, &SegmentRep::attached).push_back(end);
    }
    void RemoveAttached(Core::Env& env, IEnd* end) {
        if (this->IsDeleted() || !HasAttached(end)) return;
        auto& l = this->ModifyField(env, &SegmentRep::attached);
        l.erase(std::find(l.begin(), l.end(), end));
    }
    bool HasAttached(const IEnd* end) const {
        const auto& l = this->GetRep().attached;
        return std::find(l.begin(), l.end(), end) != l.end();
    }
    // "Oblique" (true) only when neither flag is set.
    void StoreProperties(xml::IWriter& writer) const override {
        Base::StoreProperties(writer);
        if (!IsVerticalOrtho() && !IsHorizontalOrtho())
            Core::StoredForm::WriteBool(writer.WriteAttribute(xml::kSchema10, L"Oblique"), true);
    }
    // Without "Oblique" (or false) both flags are set; the check after reading clears the wrong one.
    // A chain's segment that names its ends (as chains were once written) is linked by them rather
    // than by its place in the chain.
    void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override {
        Base::RestoreProperties(attributes, registry);
        if constexpr (!StoreEnds)
            Core::PropertyKind::RefCont<ISegmentEnd, Core::EvalRestore::Optional, true>::Instance().Restore(
                xml::kSchema10, L"Ends", &Detail::ReadingRep(*this).ends, attributes, registry);
        auto [found, text] = attributes.find(xml::kSchema10, L"Oblique");
        const bool oblique = found && Core::ToBinary::ToBool(text, L"Oblique", attributes.GetLine());
        Detail::ReadingRep(*this).h = !oblique;
        Detail::ReadingRep(*this).v = !oblique;
    }
    void EndRestore(Core::Env&, const Core::RestoreContext& context) override {
        Detail::AdoptReadPart(*this, context, L"Segment");
    }
};

// A further kind X of ends lying on segments of kind Derived (a SegmentImp), in the same list as the
// kind's own: their deletion, reattachment and moves treat them alike.
template <class Derived, class X>
class AlsoAttached : public Core::IPartner<X> {
public:
    void AddPartner(Core::Env& env, X* end) override { Self().AddAttached(env, end); }
    void RemovePartner(Core::Env& env, X* end) override { Self().RemoveAttached(env, end); }
    bool Contains(const X* end) const override { return static_cast<const Derived&>(*this).HasAttached(end); }
    void AppendPartner(X* end) override { Detail::AppendOnce<IEnd>(Detail::ReadingRep(Self()).attached, end); }

private:
    Derived& Self() { return static_cast<Derived&>(*this); }
};

// The join of kind Derived.
template <class Derived>
class JoinImp : public Core::Storable<Derived, JoinRep, Core::StorableTraits::Null, IJoin> {
public:
    static void RegisterProperties(Core::PropertyTable<JoinRep>& t) {
        using namespace Core;
        RegisterRefNonStoreProperty::Register(t, &JoinRep::group, L"Group");
        RegisterRefContNonStoreProperty::Register(t, &JoinRep::segments, L"Segments");
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &JoinRep::pos, L"Pos", zq::float8Point(0, 0));
    }
    IFactory& GetPartFactory() const override { return Derived::PartFactory(); }
    std::wstring GetPartTag() const override { return L"Join"; }
    IConnector* GetConnector() const override { return this->GetRep().group; }
    void SetConnector(Core::Env& env, IConnector* c) override { this->SetField(env, &JoinRep::group, c); }
    void AssignConnectorForReading(IConnector* c) override { Detail::ReadingRep(*this).group = c; }
    std::vector<ISegment*> GetSegments() const override {
        const auto& l = this->GetRep().segments;
        return std::vector<ISegment*>(l.begin(), l.end());
    }
    void SetSegment(Core::Env& env, ISegment* s) override {
        if (this->IsDeleted() || s == nullptr || this->HasSegment(s)) return;
        this->ModifyField(env, &JoinRep::segments).push_back(s);
    }
    void RemoveSegmentNoCheck(Core::Env& env, ISegment* s) override {
        if (this->IsDeleted() || !this->HasSegment(s)) return;
        auto& l = this->ModifyField(env, &JoinRep::segments);
        l.erase(std::find(l.begin(), l.end(), s));
    }
    void InsertSegment(Core::Env& env, ISegment* oldSegment, ISegment* newSegment) override {
        if (this->IsDeleted() || !this->HasSegment(oldSegment)) return;
        auto& l = this->ModifyField(env, &JoinRep::segments);
        *std::find(l.begin(), l.end(), oldSegment) = newSegment;
    }
    void InitSegment(ISegment* s) override {
        if (!this->IsDeleted()) Detail::AppendOnce(Detail::ReadingRep(*this).segments, s);
    }
    zq::float8Point GetPosition() const override { return this->GetRep().pos; }
    zq::float8Point GetOldPosition() const override { return this->GetOldRep().pos; }
    void MoveTo(Core::Env& env, const zq::float8Point& p) override { this->SetField(env, &JoinRep::pos, p); }
    // The position of a join being made, before it joins a transaction.
    void SetInitialPosition(const zq::float8Point& p) { Detail::ReadingRep(*this).pos = p; }
    void EndRestore(Core::Env&, const Core::RestoreContext& context) override {
        Detail::AdoptReadPart(*this, context, L"Join");
    }
};

} // namespace Connector
