// Function objects handed to traversals of connector parts and element sets.
#pragma once

#include <utility>
#include <vector>

namespace zq {

// A function called once per visited item.
template <class Arg>
class IFunction {
public:
    virtual ~IFunction() = default;
    // Called with each visited item.
    virtual void Call(Arg arg) = 0;
    void operator()(Arg arg) { Call(std::forward<Arg>(arg)); }
};

// Wraps any callable as an IFunction.
template <class Arg, class F>
class Delegator : public IFunction<Arg> {
public:
    explicit Delegator(F f) : f_(std::move(f)) {}
    void Call(Arg arg) override { f_(std::forward<Arg>(arg)); }

private:
    F f_;
};

// Makes a Delegator, deducing the callable's type.
template <class Arg, class F>
Delegator<Arg, F> MakeDelegator(F f) { return Delegator<Arg, F>(std::move(f)); }

// Collects the visited items in visiting order.
template <class Arg, class Stored = std::decay_t<Arg>>
class CollectFun : public IFunction<Arg> {
public:
    void Call(Arg arg) override { items_.push_back(std::forward<Arg>(arg)); }
    // The items visited so far.
    const std::vector<Stored>& Items() const { return items_; }

private:
    std::vector<Stored> items_;
};

} // namespace zq
