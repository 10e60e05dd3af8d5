// Steps that put themselves on a list of the model core for as long as they live (usually static
// objects, so for the program run); each kind of step has a list of its own.
#pragma once

#include "core/ModelElement.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <vector>

namespace Core {

// A step over a list of elements, on the list of its Kind from construction to destruction.
template <class Kind>
class RegisteredStep {
public:
    using Step = std::function<void(Env& env, const std::vector<ElementPtr>& elements)>;
    // Registers the step at the end of its kind's list.
    explicit RegisteredStep(Step step) : step_(std::move(step))
    {
        Registry& r = List();
        std::lock_guard lock(r.mutex);
        r.steps.push_back(this);
    }
    // Takes the step off the list.
    ~RegisteredStep()
    {
        Registry& r = List();
        std::lock_guard lock(r.mutex);
        r.steps.erase(std::remove(r.steps.begin(), r.steps.end(), this), r.steps.end());
    }
    RegisteredStep(const RegisteredStep&) = delete;
    RegisteredStep& operator=(const RegisteredStep&) = delete;

    // Runs every step of the kind registered now, in registration order.
    static void RunAll(Env& env, const std::vector<ElementPtr>& elements)
    {
        std::vector<const RegisteredStep*> steps;
        {
            Registry& r = List();
            std::lock_guard lock(r.mutex);
            steps = r.steps;
        }
        for (const RegisteredStep* step : steps) step->step_(env, elements);
    }

private:
    struct Registry {
        std::mutex mutex;
        std::vector<const RegisteredStep*> steps;
    };
    static Registry& List()
    {
        static Registry registry;
        return registry;
    }

    Step step_;
};

} // namespace Core
