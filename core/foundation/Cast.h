// A dynamic_cast that remembers its answers, for the casts through the elements' deep virtual
// hierarchies, where the runtime walks every base on every cast (reading, finalizing, painting).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace zq {

namespace Detail {

// The answers of one cast from a static source type to a target type, keyed by the virtual table
// pointer of the source subobject: open addressing in a fixed table shared by all threads. Readers
// take no lock: a slot's answer is written before its key is published, and a published slot never
// changes. Writers take a spin lock (new answers are rare). A full table answers nothing and the
// caller asks the runtime.
class CastMemo {
public:
    static constexpr std::size_t kSlots = 128;
    static constexpr std::size_t kMaxUsed = 96;
    struct Answer {
        std::ptrdiff_t delta; // from the source subobject to the target
        bool found;
    };
    constexpr CastMemo() = default;
    // The answer remembered for the table, or null.
    const Answer* Find(const void* table) const {
        for (std::size_t i = Slot(table);; i = (i + 1) % kSlots) {
            const void* key = keys_[i].load(std::memory_order_acquire);
            if (key == table) return &answers_[i];
            if (key == nullptr) return nullptr;
        }
    }
    // Remembers an answer unless the table is full or another thread has just remembered it.
    void Add(const void* table, const Answer& a) {
        while (lock_.test_and_set(std::memory_order_acquire)) {
        }
        std::size_t i = Slot(table);
        for (; keys_[i].load(std::memory_order_relaxed) != nullptr; i = (i + 1) % kSlots)
            if (keys_[i].load(std::memory_order_relaxed) == table) break;
        if (keys_[i].load(std::memory_order_relaxed) == nullptr && used_ < kMaxUsed) {
            answers_[i] = a;
            keys_[i].store(table, std::memory_order_release);
            ++used_;
        }
        lock_.clear(std::memory_order_release);
    }

private:
    static std::size_t Slot(const void* table) {
        const auto bits = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(table) >> 3);
        return (bits * 2654435761u >> 25) % kSlots;
    }
    std::atomic<const void*> keys_[kSlots] = {};
    Answer answers_[kSlots] = {};
    std::size_t used_ = 0;
    std::atomic_flag lock_ = ATOMIC_FLAG_INIT;
};

} // namespace Detail

// The result of dynamic_cast<T*>(p), asked of the runtime once per virtual table of the source.
// A subobject's virtual table pointer names its complete type, its place in it and, while the
// object is being made or destroyed, the stage, so the remembered answer is exact in every case.
// Relies on the virtual table pointer leading every polymorphic object (both our compilers).
template <class T, class S>
T* Cast(S* p) {
    if constexpr (std::is_convertible_v<S*, T*>) {
        return p;
    } else {
        static_assert(std::is_polymorphic_v<S>, "Cast needs a polymorphic source");
        if (p == nullptr) return nullptr;
        const void* table = *reinterpret_cast<const void* const*>(p);
        static constinit Detail::CastMemo memo;
        using Byte = std::conditional_t<std::is_const_v<S>, const char, char>;
        if (const Detail::CastMemo::Answer* a = memo.Find(table))
            return a->found ? reinterpret_cast<T*>(reinterpret_cast<Byte*>(p) + a->delta) : nullptr;
        T* r = dynamic_cast<T*>(p);
        const std::ptrdiff_t delta =
            r == nullptr ? 0 : reinterpret_cast<const char*>(r) - reinterpret_cast<const char*>(p);
        memo.Add(table, {delta, r != nullptr});
        return r;
    }
}

} // namespace zq
