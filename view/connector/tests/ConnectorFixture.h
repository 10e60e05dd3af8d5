// A diagram with two boxes and helpers that build wires and chains as single undo steps.
#pragma once

#include "view/connector/tests/TestConnectorKinds.h"

#include "core/Transaction.h"
#include "core/UndoHandler.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace ConnectorTest {

// A diagram of two boxes with the helpers.
struct Scene {
    Core::Diagram diagram{Registry(), nullptr};
    std::shared_ptr<Box> a, b;

    Scene();
    // Runs the change in one transaction and adds its undo step.
    void Change(const std::function<void(Core::Env&)>& f, Core::Diagram* d = nullptr);
    void Undo() { diagram.GetUndoHandler().Undo(nullptr, nullptr); }
    void Redo() { diagram.GetUndoHandler().Redo(nullptr, nullptr); }
    // A wire along the points (ends on the boxes when given), built as the creation task builds it.
    Wire* Path(const std::vector<zq::float8Point>& points, Box* source = nullptr, Box* target = nullptr);
    // The same as a chain.
    Chain* ChainPath(const std::vector<zq::float8Point>& points);
    // A wire of three branches from a join at (0, 0) to ends at (-1000, 0), (1000, 0) and (0, 1000).
    Wire* Tree();
    // Moves the elements by the vector as a drag does, in one undo step.
    void Move(const std::vector<Core::IModelElement*>& moved, double dx, double dy);
    std::string Save() const;
    // Every connector's invariant breaks, empty when all hold.
    std::string CheckAll() const { return CheckAll(diagram); }
    static std::string CheckAll(const Core::Diagram& d);
    // The number of live (not deleted) elements of type T.
    template <class T>
    std::size_t Live() const {
        std::size_t n = 0;
        for (const auto& e : diagram.Elements())
            if (dynamic_cast<T*>(e.get()) != nullptr && !e->IsDeleted()) ++n;
        return n;
    }
};

struct ConnectorFixture : ::testing::Test, Scene {};

// The n-th element of type T of the diagram.
template <class T>
T* Nth(const Core::Diagram& d, std::size_t n)
{
    for (const auto& e : d.Elements())
        if (auto* t = dynamic_cast<T*>(e.get()); t != nullptr && n-- == 0) return t;
    return nullptr;
}

// A whole document around the body.
std::string Doc(const std::string& body);
// A stored wire of two ends at the points, ids from base on.
std::string WireXml(const std::string& p, const std::string& q, const std::string& segmentAttributes, int base = 1);

} // namespace ConnectorTest
