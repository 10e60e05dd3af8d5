// A counted COM reference that releases itself.
#pragma once

#include "app/winutil/Platform.h"

namespace Editor {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes p and adds a reference of its own.
    explicit ComPtr(T* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr& operator=(const ComPtr& other) {
        ComPtr copy(other);
        Swap(copy);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // The pointer (no reference added).
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Releases the pointer and gives its slot to a call that fills it with a new reference.
    T** Receive() {
        Reset();
        return &p_;
    }
    // Releases the reference.
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    void Swap(ComPtr& other) {
        T* p = p_;
        p_ = other.p_;
        other.p_ = p;
    }

private:
    T* p_ = nullptr;
};

} // namespace Editor
