#include "view/connector/tests/ConnectorFixture.h"

namespace ConnectorTest {

Scene::Scene()
{
    Change([&](Core::Env& env) {
        a = Box::Factory().CreateTyped(env);
        b = Box::Factory().CreateTyped(env);
        a->SetPos(env, {-3000, -300});
        b->SetPos(env, {3000, -300});
    });
}

void Scene::Change(const std::function<void(Core::Env&)>& f, Core::Diagram* d)
{
    Core::Diagram& target = d != nullptr ? *d : diagram;
    Core::Transaction t(target);
    Core::Env env(t);
    f(env);
    Core::UndoerRef record = env.Close();
    target.GetUndoHandler().Add(record, nullptr, nullptr, false);
}


Wire* Scene::Path(const std::vector<zq::float8Point>& points, Box* source, Box* target)
{
    Wire* w = nullptr;
    Change([&](Core::Env& env) { w = BuildPath<Wire>(env, points, source, target); });
    return w;
}

Chain* Scene::ChainPath(const std::vector<zq::float8Point>& points)
{
    Chain* c = nullptr;
    Change([&](Core::Env& env) { c = BuildPath<Chain>(env, points, nullptr, nullptr); });
    return c;
}

Wire* Scene::Tree()
{
    Wire* w = nullptr;
    Change([&](Core::Env& env) {
        w = BuildPath<Wire>(env, {{-1000, 0}, {0, 0}, {1000, 0}}, nullptr, nullptr);
        Connector::IFactory& f = Wire::PartFactory();
        Connector::IJoin* j = w->GetJoins()[0];
        auto s = f.CreateNewSegment(env);
        auto e = f.CreateEndAt(env, {0, 1000});
        s->SetConnector(env, w);
        e->SetConnector(env, w);
        w->AddSegment(env, s.get());
        w->AddEnd(env, e.get());
        s->SetEnds(env, {j, e.get()});
        j->SetSegment(env, s.get());
        e->SetSegment(env, s.get());
        s->SetOrthoFlags(env);
    });
    return w;
}

void Scene::Move(const std::vector<Core::IModelElement*>& moved, double dx, double dy)
{
    Change([&](Core::Env& env) {
        Core::ModelElementSet set;
        for (auto* e : moved) set.Insert(e->shared_from_this());
        Core::DeferredShiftSet shift(set, &diagram, nullptr);
        shift.ShiftAll(env, {dx, dy, true, true});
        shift.ShiftDeferred(env);
    });
}

std::string Scene::Save() const
{
    std::ostringstream out;
    diagram.SaveXML(out);
    return out.str();
}

std::string Scene::CheckAll(const Core::Diagram& d)
{
    std::string all;
    for (const auto& e : d.Elements()) {
        auto* c = dynamic_cast<Connector::IConnector*>(e.get());
        if (c == nullptr || c->IsDeleted()) continue;
        const std::string broken = c->CheckGraph();
        if (!broken.empty()) all += broken + "\n";
    }
    return all;
}

std::string Doc(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\">\n" +
           body + "</Diagram>\n";
}

std::string WireXml(const std::string& p, const std::string& q, const std::string& segmentAttributes, int base)
{
    auto r = [&](int i) { return "r" + std::to_string(base + i); };
    return "<TestWire id=\"" + r(0) + "\"><End id=\"" + r(1) + "\" Pos=\"" + p + "\"/><End id=\"" + r(2) +
           "\" Pos=\"" + q + "\"/><Segment id=\"" + r(3) + "\" Ends=\"" + r(1) + " " + r(2) + "\" " +
           segmentAttributes + "/></TestWire>\n";
}

} // namespace ConnectorTest
