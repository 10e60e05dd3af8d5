// Observer lists: every notification in the system goes through one. An observer attaches through
// the list's plug; a registration {plug, observer} detaches when it ends. Observers may detach
// themselves or others while a notification runs.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace zq {

// The plug through which an observer of interface I attaches to an observer list.
template <class I>
class IObserverPlug {
public:
    // Adds the observer (once; a second attach of the same observer is ignored).
    virtual void Attach(I* observer) = 0;
    // Removes the observer; unknown observers are ignored.
    virtual void Detach(I* observer) = 0;

protected:
    ~IObserverPlug() = default;
};

// The observers of one interface, notified in attach order. The list must outlive its registrations.
template <class I>
class ObserverList : public IObserverPlug<I> {
public:
    ObserverList() = default;
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    void Attach(I* observer) override {
        if (observer == nullptr || Contains(observer)) return;
        observers_.push_back(observer);
    }

    void Detach(I* observer) override {
        for (auto& o : observers_) {
            if (o == observer) {
                o = nullptr;  // compacted once no notification runs
                holes_ = true;
            }
        }
        Compact();
    }

    // Whether the observer is attached.
    bool Contains(const I* observer) const {
        for (auto* o : observers_) if (o == observer) return true;
        return false;
    }

    // The number of attached observers.
    std::size_t Count() const {
        std::size_t n = 0;
        for (auto* o : observers_) if (o != nullptr) ++n;
        return n;
    }

    // Calls f(observer&) on every observer attached when the call starts and still attached when its turn comes.
    template <class F>
    void Notify(F&& f) {
        struct Depth {
            ObserverList& list;
            explicit Depth(ObserverList& l) : list(l) { ++list.depth_; }
            ~Depth() { --list.depth_; list.Compact(); }
        } depth(*this);
        const std::size_t n = observers_.size();
        for (std::size_t i = 0; i < n && i < observers_.size(); ++i) {
            if (I* o = observers_[i]) f(*o);
        }
    }

private:
    void Compact() {
        if (depth_ != 0 || !holes_) return;
        std::erase(observers_, nullptr);
        holes_ = false;
    }

    std::vector<I*> observers_;
    int depth_ = 0;
    bool holes_ = false;
};

// A kept registration: the pair {plug, attached observer or none}; ending it detaches the observer.
template <class I>
class ObserverRegistration {
public:
    ObserverRegistration() = default;
    // Attaches the observer through the plug.
    ObserverRegistration(IObserverPlug<I>& plug, I* observer) { Attach(plug, observer); }
    ObserverRegistration(const ObserverRegistration&) = delete;
    ObserverRegistration& operator=(const ObserverRegistration&) = delete;
    ObserverRegistration(ObserverRegistration&& o) noexcept
        : plug_(std::exchange(o.plug_, nullptr)), observer_(std::exchange(o.observer_, nullptr)) {}
    ObserverRegistration& operator=(ObserverRegistration&& o) noexcept {
        if (this != &o) {
            End();
            plug_ = std::exchange(o.plug_, nullptr);
            observer_ = std::exchange(o.observer_, nullptr);
        }
        return *this;
    }
    ~ObserverRegistration() { End(); }

    // Ends any earlier registration, then attaches the observer through the plug.
    void Attach(IObserverPlug<I>& plug, I* observer) {
        End();
        plug_ = &plug;
        observer_ = observer;
        plug.Attach(observer);
    }
    // Detaches a held observer and clears the registration.
    void End() {
        if (plug_ != nullptr && observer_ != nullptr) plug_->Detach(observer_);
        plug_ = nullptr;
        observer_ = nullptr;
    }
    // The attached observer, or none.
    I* GetObserver() const { return observer_; }

private:
    IObserverPlug<I>* plug_ = nullptr;
    I* observer_ = nullptr;
};

} // namespace zq
