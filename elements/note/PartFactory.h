#pragma once
// The part factory shared by the connector kinds of notes and dependencies: every part made for
// an interactive change is inserted into the transaction; the end types name source and target.
#include "core/Transaction.h"
#include "view/connector/Parts.h"

#include <memory>

namespace Note {

// Connector C with end, join and segment types; ends made by the interactive maker get type
// sourceType, targetType, or sourceType for a plain end.
template <class C, class End, class Join, class Segment>
class KindPartFactory : public Connector::IFactory {
public:
    KindPartFactory(int32_t sourceType, int32_t targetType) : source_(sourceType), target_(targetType) {}
    std::shared_ptr<Connector::IConnector> CreateConnector(Core::Env& env) override { return C::Factory().CreateTyped(env); }
    std::shared_ptr<Connector::IEnd> CreateSourceEndAt(Core::Env& env, const zq::float8Point& p) override {
        return MakeEnd(env, p, source_);
    }
    std::shared_ptr<Connector::IEnd> CreateTargetEndAt(Core::Env& env, const zq::float8Point& p) override {
        return MakeEnd(env, p, target_);
    }
    std::shared_ptr<Connector::IEnd> CreateEndAt(Core::Env& env, const zq::float8Point& p) override {
        return MakeEnd(env, p, source_);
    }
    std::shared_ptr<Connector::IJoin> CreateJoinAt(Core::Env& env, const zq::float8Point& p) override {
        auto j = std::make_shared<Join>();
        j->SetInitialPosition(p);
        env.Insert(j);
        return j;
    }
    std::shared_ptr<Connector::ISegment> CreateNewSegment(Core::Env& env) override {
        auto s = Segment::Factory().CreateTyped(env);
        if constexpr (requires { Segment::PrepareNew(env, *s); }) Segment::PrepareNew(env, *s);
        return s;
    }
    Core::ElementPtr CreateEnd() override { return std::make_shared<End>(); }
    Core::ElementPtr CreateJoin() override { return std::make_shared<Join>(); }
    Core::ElementPtr CreateSegment() override { return std::make_shared<Segment>(); }

private:
    std::shared_ptr<Connector::IEnd> MakeEnd(Core::Env& env, const zq::float8Point& p, int32_t type) {
        auto e = std::make_shared<End>();
        e->SetInitialPosition(p);
        env.Insert(e);
        e->SetType(env, type);
        return e;
    }
    int32_t source_;
    int32_t target_;
};

} // namespace Note
