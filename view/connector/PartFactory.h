// The part factory of a connector kind whose parts are its own end, join and segment types: every
// part made for an interactive change is inserted into the transaction, and the ends it makes carry
// the kind's end types.
#pragma once

#include "core/Transaction.h"
#include "view/connector/Interfaces.h"

#include <cstdint>
#include <memory>

namespace Connector {

// Connector C with end, join and segment types. Ends made at the start of a drawn path get type
// sourceType, at its end targetType, anywhere else plainType. A connector or segment type with a
// static PrepareNew(env, element) has it run on every new connector or segment.
template <class C, class End, class Join, class Segment>
class KindPartFactory : public IFactory {
public:
    KindPartFactory(int32_t sourceType, int32_t targetType, int32_t plainType)
        : source_(sourceType), target_(targetType), plain_(plainType) {}
    std::shared_ptr<IConnector> CreateConnector(Core::Env& env) override {
        auto c = C::Factory().CreateTyped(env);
        if constexpr (requires { C::PrepareNew(env, *c); }) C::PrepareNew(env, *c);
        return c;
    }
    std::shared_ptr<IEnd> CreateSourceEndAt(Core::Env& env, const zq::float8Point& p) override {
        return MakeEnd(env, p, source_);
    }
    std::shared_ptr<IEnd> CreateTargetEndAt(Core::Env& env, const zq::float8Point& p) override {
        return MakeEnd(env, p, target_);
    }
    std::shared_ptr<IEnd> CreateEndAt(Core::Env& env, const zq::float8Point& p) override {
        return MakeEnd(env, p, plain_);
    }
    std::shared_ptr<IJoin> CreateJoinAt(Core::Env& env, const zq::float8Point& p) override {
        auto j = std::make_shared<Join>();
        j->SetInitialPosition(p);
        env.Insert(j);
        return j;
    }
    std::shared_ptr<ISegment> CreateNewSegment(Core::Env& env) override {
        auto s = Segment::Factory().CreateTyped(env);
        if constexpr (requires { Segment::PrepareNew(env, *s); }) Segment::PrepareNew(env, *s);
        return s;
    }
    Core::ElementPtr CreateEnd() override { return std::make_shared<End>(); }
    Core::ElementPtr CreateJoin() override { return std::make_shared<Join>(); }
    Core::ElementPtr CreateSegment() override { return std::make_shared<Segment>(); }

private:
    std::shared_ptr<IEnd> MakeEnd(Core::Env& env, const zq::float8Point& p, int32_t type) {
        auto e = std::make_shared<End>();
        e->SetInitialPosition(p);
        env.Insert(e);
        e->SetType(env, type);
        return e;
    }
    int32_t source_;
    int32_t target_;
    int32_t plain_;
};

} // namespace Connector
