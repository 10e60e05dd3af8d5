// What the page tests share: a registry with the page's factory and a diagram to change.
#pragma once

#include "core/Diagram.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "page/Page.h"

#include <sstream>
#include <string>

namespace PageTest {

inline Core::FactoryRegistry& Registry()
{
    static Core::FactoryRegistry registry = [] {
        Core::FactoryRegistry r;
        Page::Page::Factory().ReportTo(r);
        return r;
    }();
    return registry;
}

// A diagram whose changes each become one undo step.
struct Document {
    Core::Diagram diagram{Registry(), nullptr};

    template <class F>
    void Change(F&& f) {
        Core::Transaction t(diagram);
        Core::Env env(t);
        f(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    std::string Save() const {
        std::ostringstream out;
        diagram.SaveXML(out);
        return out.str();
    }
};

} // namespace PageTest
