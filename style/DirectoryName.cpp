#include "style/DirectoryName.h"

#include "style/Exceptions.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace Style {

bool DirectoryName::Contains(const DirectoryName& other) const
{
    for (const DirectoryName* n = &other; n != nullptr; n = n->parent_)
        if (n == this) return true;
    return false;
}

const DirectoryName& DirectoryName::Base()
{
    static const DirectoryName base(L"Base", nullptr);
    return base;
}

void DirectoryName::VisitFromRoot(IUsageCollector& collector, const DirectoryName& name)
{
    if (name.parent_ != nullptr) VisitFromRoot(collector, *name.parent_);
    collector.Use(name);
}

namespace {

class Rep : public DirectoryNameRegistry {
public:
    Rep() { AddLocked(DirectoryName::Base()); }
    void Add(const DirectoryName& name) override {
        std::lock_guard lock(mutex_);
        AddLocked(name);
    }
    const DirectoryName& Find(int line, std::wstring_view text, const DirectoryName* parent) const override {
        std::lock_guard lock(mutex_);
        for (const DirectoryName* n : names_)
            if (n->GetParent() == parent && n->GetName() == text) return *n;
        throw Exceptions::UnknownStyleDirectory(line, text);
    }
    bool Contains(const DirectoryName& name) const override {
        std::lock_guard lock(mutex_);
        return std::find(names_.begin(), names_.end(), &name) != names_.end();
    }

private:
    void AddLocked(const DirectoryName& name) {
        if (std::find(names_.begin(), names_.end(), &name) != names_.end()) return;
        if (name.GetParent() != nullptr) AddLocked(*name.GetParent());
        names_.push_back(&name);
        ++count_;
    }

    mutable std::mutex mutex_;
    std::vector<const DirectoryName*> names_;
    std::size_t count_ = 0;
};

} // namespace

DirectoryNameRegistry& DirectoryNameRegistry::Instance()
{
    static Rep registry;
    return registry;
}

} // namespace Style
