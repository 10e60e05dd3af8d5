// Finalizers: steps that run once over all elements of every document or fragment read, after the
// elements' own finalizing and before their OnRestored.
#pragma once

#include "core/ModelElement.h"

#include <functional>
#include <vector>

namespace Core {

// A step registered with the model core's list of finalizers for as long as it lives (usually a
// static object, so for the program run).
class Finalizer {
public:
    using Step = std::function<void(Env& env, const std::vector<ElementPtr>& read)>;
    // Registers the step at the end of the list.
    explicit Finalizer(Step step);
    // Takes the step off the list.
    ~Finalizer();
    Finalizer(const Finalizer&) = delete;
    Finalizer& operator=(const Finalizer&) = delete;

    // Runs the step over the elements read.
    void Run(Env& env, const std::vector<ElementPtr>& read) const { step_(env, read); }

private:
    Step step_;
};

// Lets every element read run its own finalizing (FinalizeRead), in order, then runs every
// registered finalizer in registration order. An error of an element's own finalizing names it.
void RunFinalizers(Env& env, const std::vector<ElementPtr>& read);

} // namespace Core
