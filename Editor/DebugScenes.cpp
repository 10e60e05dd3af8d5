// The two association scenes of the debug menu: a hundred classes with an association looping on
// each, and ten classes joined by one association tree.
#include "Editor/DebugCommands.h"
#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "view/CmdHandler.h"
#include "view/connector/Creation.h"
#include "view/connector/Functions.h"

#include <array>
#include <cmath>
#include <functional>
#include <utility>

namespace Editor::Debug {
namespace {

// One undo step running a function.
class Step : public View::TransactionFrame {
public:
    explicit Step(std::function<void(Core::Env&)> run) : run_(std::move(run)) {}
    void Run(Core::Env& env) override { run_(env); }

private:
    std::function<void(Core::Env&)> run_;
};

void RunStep(Core::Diagram& diagram, Core::IView* view, std::function<void(Core::Env&)> run) {
    Step step(std::move(run));
    View::RunTransactionFrame(step, {&View::DefaultGrid::Instance(), view, &diagram});
}

Class::Class& NewClass(Core::Env& env, const zq::Point& at, const std::wstring& name) {
    std::shared_ptr<Class::Class> c = Class::Class::Create(env, at);
    c->SetName(env, name);
    return *c;
}

// An association along the points, its first end on the source, its last on the target (if any).
Connector::IConnector* Association(Core::Env& env, const std::vector<zq::float8Point>& points, Class::Class* source,
                                   Class::Class* target) {
    std::vector<Connector::PathEntry> path;
    for (const zq::float8Point& p : points) path.push_back({p, false});
    return Connector::BuildPathConnector(env, Class::Assoc::PartFactory(), path, source, target, nullptr);
}

void BuildCell(Core::Env& env, std::int32_t x, std::int32_t y) {
    Class::Class& c = NewClass(env, {x, y}, L"Class c1");
    const zq::Rect r = c.GetRect();
    const double right = r.right, third = (r.top - r.bottom) / 3.0;
    Connector::IConnector* loop = Association(
        env, {{right, r.top - third}, {x + 4000.0, y - 1000.0}, {x + 4000.0, y - 3000.0}, {right, r.top - 2 * third}}, &c,
        &c);
    if (loop) loop->SetOrthoFlags(env);
}

} // namespace

void BuildAssociationCells(Core::Diagram& diagram, Core::IView* view) {
    for (std::int32_t x = 2000; x <= 110000; x += 12000)
        for (std::int32_t y = -2000; y >= -56000; y -= 6000)
            RunStep(diagram, view, [x, y](Core::Env& env) { BuildCell(env, x, y); });
    diagram.UpdateAllViews();
}

void BuildAssociationTree(Core::Diagram& diagram, Core::IView* view, const zq::Point& at) {
    // Nine columns along a horizontal bus; "Header" above the first starts the tree, "Class 10"
    // below the last ends it, the others hang above or below one column each.
    static const std::array<const wchar_t*, 10> names{L"Header",  L"Window",  L"Slider",  L"Panel",   L"Class 5",
                                                      L"Class 6", L"Class 7", L"Class 8", L"Class 9", L"Class 10"};
    const double bus = at.y - 4000.0;
    auto column = [&](int k) { return at.x + 2000.0 + 6000.0 * k; };
    // A class centred on the column, above the bus (its bottom edge) or below it (its top edge).
    auto place = [&](Core::Env& env, int name, int k, bool above) -> std::pair<Class::Class*, double> {
        const std::int32_t cx = std::int32_t(column(k)), top = above ? at.y : std::int32_t(bus) - 3000;
        Class::Class& c = NewClass(env, {cx - 1800, top}, names[name]);
        c.SetRect(env, {cx - 1800, top, cx + 1800, top - 1300}, false);
        return {&c, above ? top - 1300.0 : double(top)};
    };
    RunStep(diagram, view, [&](Core::Env& env) {
        const auto [header, headerEdge] = place(env, 0, 0, true);
        const auto [last, lastEdge] = place(env, 9, 8, false);
        std::vector<zq::float8Point> spine{{column(0), headerEdge}};
        for (int k = 0; k < 9; ++k) spine.push_back({column(k), bus});
        spine.push_back({column(8), lastEdge});
        Connector::IConnector* tree = Association(env, spine, header, last);
        if (!tree) return;
        // Branches: "Window" below the first column, then one class per inner column.
        for (int name = 1; name <= 8; ++name) {
            const int k = name - 1;
            const auto [c, edge] = place(env, name, k, k % 2 == 1);
            Connector::IConnector* branch = Association(env, {{column(k), edge}, {column(k), bus}}, c, nullptr);
            Connector::IJoin* join = nullptr;
            for (Connector::IJoin* j : tree->GetJoins())
                if (std::abs(j->GetPosition().x - column(k)) < 1) join = j;
            Connector::IEnd* free = branch ? branch->GetEnds().at(1) : nullptr;
            if (join && free) Connector::Functions::MergeEndIntoJoin(env, *free, *join);
        }
        tree->SetOrthoFlags(env);
    });
    diagram.UpdateAllViews();
}

} // namespace Editor::Debug
