#include "app/LifeTime.h"

#include <algorithm>

namespace Application {

// Brackets a public operation: collection waits until the outermost one returns.
class LifeTimeSupervisor::Operation {
public:
    explicit Operation(LifeTimeSupervisor& node) : root_(*node.root_) { ++root_.depth_; }
    ~Operation() {
        if (--root_.depth_ != 0 || !root_.collectPending_ || root_.tearingDown_) return;
        if (root_.scheduler_) {
            root_.collectPending_ = false;
            root_.scheduler_->ScheduleCollect(root_);
        } else {
            root_.Collect();
        }
    }

private:
    LifeTimeSupervisor& root_;
};

std::unique_ptr<LifeTimeSupervisor> LifeTimeSupervisor::CreateRoot(IScheduler* scheduler) {
    return std::unique_ptr<LifeTimeSupervisor>(new LifeTimeSupervisor(nullptr, scheduler));
}

LifeTimeSupervisor::LifeTimeSupervisor(LifeTimeSupervisor* parent, IScheduler* scheduler)
    : parent_(parent), root_(parent ? parent->root_ : this), scheduler_(scheduler) {}

LifeTimeSupervisor::~LifeTimeSupervisor() {
    if (this == root_) tearingDown_ = true;
    // Children (and their clients) go first; then this node's own client.
    while (!children_.empty()) {
        std::unique_ptr<LifeTimeSupervisor> child = std::move(children_.back());
        children_.pop_back();
        child.reset();
    }
    std::unique_ptr<ILifeTimeSupervisorClient> client = std::move(ownedClient_);
    client_ = nullptr;
    client.reset();
    // Whatever this node still held no longer counts for the tree.
    if (this != root_ && !root_->tearingDown_) root_->active_ -= locks_ + external_;
}

LifeTimeSupervisor& LifeTimeSupervisor::CreateChild() {
    children_.push_back(std::unique_ptr<LifeTimeSupervisor>(new LifeTimeSupervisor(this, nullptr)));
    return *children_.back();
}

void LifeTimeSupervisor::SetClient(std::unique_ptr<ILifeTimeSupervisorClient> client) {
    ownedClient_ = std::move(client);
    client_ = ownedClient_.get();
}

void LifeTimeSupervisor::SetClientRef(ILifeTimeSupervisorClient* client) {
    ownedClient_.reset();
    client_ = client;
}

void LifeTimeSupervisor::EndSubtree(std::vector<ILifeTimeSupervisorClient*>& toTell) {
    if (!ended_) {
        ended_ = true;
        if (client_) toTell.push_back(client_);
    }
    for (auto& child : children_) child->EndSubtree(toTell);
}

void LifeTimeSupervisor::End() {
    Operation op(*this);
    std::vector<ILifeTimeSupervisorClient*> toTell;
    EndSubtree(toTell);
    root_->collectPending_ = true;
    // Clients are told after the marks are set; a client may end, unlock or release nodes meanwhile,
    // but none is destroyed before the outermost operation returns.
    for (ILifeTimeSupervisorClient* client : toTell) client->LifeTimeEnded();
}

void LifeTimeSupervisor::Lock() {
    Operation op(*this);
    ++locks_;
    ChangeActive(+1);
}

void LifeTimeSupervisor::Unlock() {
    Operation op(*this);
    if (locks_ <= 0) return;  // an unbalanced unlock must not end other users' nodes
    --locks_;
    if (locks_ == 0) End();
    ChangeActive(-1);
}

void LifeTimeSupervisor::AddExternalConnection() {
    Operation op(*this);
    ++external_;
    ChangeActive(+1);
}

void LifeTimeSupervisor::ReleaseExternalConnection() {
    Operation op(*this);
    if (external_ <= 0) return;
    --external_;
    if (external_ == 0) root_->collectPending_ = true;
    ChangeActive(-1);
}

void LifeTimeSupervisor::ChangeActive(int delta) {
    LifeTimeSupervisor& root = *root_;
    root.active_ += delta;
    if (delta < 0 && root.active_ == 0 && !root.tearingDown_) {
        // The last lock or connection of the tree went: end everything; the root's client quits.
        root.End();
    }
}

bool LifeTimeSupervisor::IsCollectable() const {
    return ended_ && locks_ == 0 && external_ == 0 && children_.empty();
}

void LifeTimeSupervisor::TakeCollectable(std::vector<std::unique_ptr<LifeTimeSupervisor>>& out) {
    for (auto& child : children_) child->TakeCollectable(out);
    for (auto& child : children_)
        if (child->IsCollectable()) out.push_back(std::move(child));
    children_.erase(std::remove(children_.begin(), children_.end(), nullptr), children_.end());
}

void LifeTimeSupervisor::Collect() {
    LifeTimeSupervisor& root = *root_;
    if (root.tearingDown_) return;
    root.collectPending_ = false;
    ++root.depth_;
    // Destroying a client may end or release further nodes: repeat until nothing is left to take.
    for (;;) {
        std::vector<std::unique_ptr<LifeTimeSupervisor>> taken;
        root.TakeCollectable(taken);
        if (taken.empty()) break;
        taken.clear();
    }
    --root.depth_;
}

} // namespace Application
