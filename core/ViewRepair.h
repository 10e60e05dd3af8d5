// Views that failed while following a change of the model: the report of their errors and their
// repair (rebuilt, or detached when that fails too). The model itself is whole at that point.
#pragma once

#include "core/Exceptions.h"

#include <exception>
#include <string>
#include <vector>

namespace Core {

class Diagram;
class IView;

namespace Exceptions {
// Views could not follow a change of the model; the model holds the change in full and the
// views were rebuilt or detached. The message tells what failed and what became of each view.
class ViewUpdateFailed : public Base {
public:
    explicit ViewUpdateFailed(std::string message) : Base(std::move(message)) {}
};
} // namespace Exceptions

// The views that failed while following one change, with the first error of each.
class ViewFailures {
public:
    // Notes the error as the view's failure; none stands for every view (a failure no single
    // view can be blamed for). Only the first error of a view is kept.
    void Note(const IView* view, std::exception_ptr error = std::current_exception());
    // Whether the view has failed (or every view has).
    bool Has(const IView& view) const;
    // Whether nothing failed.
    bool Empty() const { return failures_.empty(); }
    // Rebuilds every failed view still attached to the diagram and detaches a view whose rebuilding
    // fails too; never throws. Answers the report of what failed (empty when nothing did).
    std::string Repair(Diagram& diagram) noexcept;

private:
    struct Failure {
        const IView* view;  // none: every view
        std::string message;
    };
    std::vector<Failure> failures_;
};

// The text of an exception, for reports.
std::string DescribeError(const std::exception_ptr& error);

} // namespace Core
