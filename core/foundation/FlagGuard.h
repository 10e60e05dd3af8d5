// Sets a flag for the life of a scope: re-entry guards that clear themselves however the scope ends.
#pragma once

namespace zq {

// Sets the flag now and clears it at the end of the scope.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

} // namespace zq
