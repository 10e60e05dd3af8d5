// The lifetime tree: the application, its documents and their windows as nodes that are locked
// while in use and collected once ended and unused.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace Application {

// The client of a lifetime node: owned by its node when given with SetClient.
class ILifeTimeSupervisorClient {
public:
    virtual ~ILifeTimeSupervisorClient() = default;
    // Told once when the node ends (a window closes itself, the quit client posts the quit message).
    virtual void LifeTimeEnded() {}
};

// A node of the lifetime tree. The root is owned by the application; every other node by its parent.
// A node is collected (and its owned client destroyed) once it has ended, holds no lock and no
// external connection, and all its children are collected. When the last lock or external
// connection of the whole tree goes, the root ends: its client posts the quit message.
class LifeTimeSupervisor {
public:
    // Decides when collection runs; without one it runs when the outermost tree operation returns.
    class IScheduler {
    public:
        virtual ~IScheduler() = default;
        // Asks for Collect of the root to be called soon, outside the current call stack.
        virtual void ScheduleCollect(LifeTimeSupervisor& root) = 0;
    };

    // Makes the root of a tree.
    static std::unique_ptr<LifeTimeSupervisor> CreateRoot(IScheduler* scheduler = nullptr);
    LifeTimeSupervisor(const LifeTimeSupervisor&) = delete;
    LifeTimeSupervisor& operator=(const LifeTimeSupervisor&) = delete;
    // Destroys the children first, then the client.
    ~LifeTimeSupervisor();

    // Makes a child node (owned by this node).
    LifeTimeSupervisor& CreateChild();
    // Gives the node its owned client, destroyed when the node is collected.
    void SetClient(std::unique_ptr<ILifeTimeSupervisorClient> client);
    // Sets a client the node does not own (it is told LifeTimeEnded only).
    void SetClientRef(ILifeTimeSupervisorClient* client);
    // Ends the node and its subtree; an ended node is collected once nothing below it is used.
    void End();
    // Counts a lock.
    void Lock();
    // Releases a lock; the node ends when its count returns to zero.
    void Unlock();
    // Counts a COM reference from outside that keeps the node.
    void AddExternalConnection();
    // Releases a COM reference from outside.
    void ReleaseExternalConnection();
    // Collects every ended and unused node of the tree now (called on the root by a scheduler).
    void Collect();

    // Whether the node has ended.
    bool IsEnded() const { return ended_; }
    // The node's own lock count.
    int GetLockCount() const { return locks_; }
    // The node's own external connection count.
    int GetExternalConnectionCount() const { return external_; }
    // The number of children not collected yet.
    size_t GetChildCount() const { return children_.size(); }
    // The parent (null for the root).
    LifeTimeSupervisor* GetParent() const { return parent_; }
    // The root of the tree.
    LifeTimeSupervisor& GetRoot() { return *root_; }
    // Locks and external connections of the whole tree (meaningful on any node).
    int GetActiveCount() const { return root_->active_; }

private:
    LifeTimeSupervisor(LifeTimeSupervisor* parent, IScheduler* scheduler);
    class Operation;
    void EndSubtree(std::vector<ILifeTimeSupervisorClient*>& toTell);
    bool IsCollectable() const;
    void TakeCollectable(std::vector<std::unique_ptr<LifeTimeSupervisor>>& out);
    void ChangeActive(int delta);

    LifeTimeSupervisor* parent_;
    LifeTimeSupervisor* root_;
    IScheduler* scheduler_;
    std::vector<std::unique_ptr<LifeTimeSupervisor>> children_;
    std::unique_ptr<ILifeTimeSupervisorClient> ownedClient_;
    ILifeTimeSupervisorClient* client_ = nullptr;
    int locks_ = 0;
    int external_ = 0;
    bool ended_ = false;
    // Root only:
    int active_ = 0;
    int depth_ = 0;
    bool collectPending_ = false;
    bool tearingDown_ = false;
};

} // namespace Application
