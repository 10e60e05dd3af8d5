#include "core/Finalizer.h"

#include "core/Exceptions.h"

#include <algorithm>
#include <mutex>

namespace Core {

namespace {

struct FinalizerList {
    std::mutex mutex;
    std::vector<const Finalizer*> list;
};

FinalizerList& Finalizers()
{
    static FinalizerList finalizers;
    return finalizers;
}

} // namespace

Finalizer::Finalizer(Step step) : step_(std::move(step))
{
    FinalizerList& f = Finalizers();
    std::lock_guard lock(f.mutex);
    f.list.push_back(this);
}

Finalizer::~Finalizer()
{
    FinalizerList& f = Finalizers();
    std::lock_guard lock(f.mutex);
    f.list.erase(std::remove(f.list.begin(), f.list.end(), this), f.list.end());
}

void RunFinalizers(Env& env, const std::vector<ElementPtr>& read)
{
    for (const ElementPtr& e : read) Exceptions::NamingElement(e->GetObjectId(), [&] { e->FinalizeRead(env); });
    std::vector<const Finalizer*> steps;
    {
        FinalizerList& f = Finalizers();
        std::lock_guard lock(f.mutex);
        steps = f.list;
    }
    for (const Finalizer* step : steps) step->Run(env, read);
}

} // namespace Core
