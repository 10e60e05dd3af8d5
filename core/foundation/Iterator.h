// A type-erased forward iterator over model elements: it owns one implementation, and an
// iterator without implementation is the end.
#pragma once

#include <memory>

namespace Core { class IModelElement; }

namespace zq {

// The implementation behind an Iterator.
class IIteratorImp {
public:
    virtual ~IIteratorImp() = default;
    // A new, owned copy at the same position.
    virtual std::unique_ptr<IIteratorImp> Clone() const = 0;
    // Whether both implementations stand at the same position.
    virtual bool IsEqual(const IIteratorImp& other) const = 0;
    // Moves to the next element; returns false when the walk has ended.
    virtual bool Next() = 0;
    // The element at the position.
    virtual Core::IModelElement* Current() const = 0;
};

class Iterator {
public:
    // The end.
    Iterator() = default;
    // Owns the implementation; a null implementation is the end.
    explicit Iterator(std::unique_ptr<IIteratorImp> imp) : imp_(std::move(imp)) {}
    // Clones the source's implementation; an end copies as an end.
    Iterator(const Iterator& o) : imp_(o.imp_ ? o.imp_->Clone() : nullptr) {}
    Iterator(Iterator&&) noexcept = default;
    // Nothing on self-assignment; otherwise clones the source's implementation and drops the old one.
    Iterator& operator=(const Iterator& o) {
        if (this != &o) imp_ = o.imp_ ? o.imp_->Clone() : nullptr;
        return *this;
    }
    Iterator& operator=(Iterator&&) noexcept = default;

    // The element at the position (the iterator must not be the end).
    Core::IModelElement* operator*() const { return imp_->Current(); }
    // Advances; an implementation that reports the end makes this iterator the end.
    Iterator& operator++() {
        if (imp_ && !imp_->Next()) imp_.reset();
        return *this;
    }
    // Two ends are equal, an end and a non-end unequal, else the implementations compare.
    friend bool operator==(const Iterator& a, const Iterator& b) {
        if (!a.imp_ || !b.imp_) return !a.imp_ && !b.imp_;
        return a.imp_->IsEqual(*b.imp_);
    }
    // Whether this is the end.
    bool IsEnd() const { return !imp_; }

private:
    std::unique_ptr<IIteratorImp> imp_;
};

} // namespace zq
