// Finalizers: steps that run once over all elements of every document or fragment read, after the
// elements' own finalizing and before their OnRestored.
#pragma once

#include "core/RegisteredStep.h"

namespace Core {

// A step registered with the model core's list of finalizers for as long as it lives (usually a
// static object, so for the program run), run over the elements read.
class Finalizer : public RegisteredStep<Finalizer> {
public:
    using RegisteredStep::RegisteredStep;
};

// Lets every element read run its own finalizing (FinalizeRead), in order, then runs every
// registered finalizer in registration order. An error of an element's own finalizing names it.
void RunFinalizers(Env& env, const std::vector<ElementPtr>& read);

} // namespace Core
