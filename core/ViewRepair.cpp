#include "core/ViewRepair.h"

#include "core/Diagram.h"
#include "core/View.h"

#include <algorithm>

namespace Core {

std::string DescribeError(const std::exception_ptr& error)
{
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return "unknown error";
}

void ViewFailures::Note(const IView* view, std::exception_ptr error)
{
    const bool known = std::any_of(failures_.begin(), failures_.end(), [&](const Failure& f) { return f.view == view; });
    if (!known) failures_.push_back(Failure{view, DescribeError(error)});
}

bool ViewFailures::Has(const IView& view) const
{
    return std::any_of(failures_.begin(), failures_.end(),
                       [&](const Failure& f) { return f.view == nullptr || f.view == &view; });
}

std::string ViewFailures::Repair(Diagram& diagram) noexcept
{
    std::string report;
    try {
        const auto views = diagram.GetViews();
        for (IView* v : views) {
            auto failure = std::find_if(failures_.begin(), failures_.end(), [&](const Failure& f) { return f.view == v; });
            if (failure == failures_.end())
                failure = std::find_if(failures_.begin(), failures_.end(), [](const Failure& f) { return f.view == nullptr; });
            if (failure == failures_.end()) continue;
            if (!report.empty()) report += "\n";
            report += "A view could not show the change (" + failure->message + ")";
            try {
                diagram.RebuildView(*v);
                report += "; the view was rebuilt.";
            } catch (...) {
                report += "; the view was detached (" + DescribeError(std::current_exception()) + ").";
            }
        }
    } catch (...) {
        report += "\nViews could not be repaired.";  // no memory left for the report
    }
    failures_.clear();
    return report;
}

} // namespace Core
