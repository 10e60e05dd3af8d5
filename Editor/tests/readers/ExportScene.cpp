// Exports two diagrams as the editor's Save As does, into the current folder:
// - scene.emf, scene.wmf and scene.png: boxes, diagonals and texts in two fonts, with shapes.txt:
//   one figure a line, "box" or "text", then left, top, right, bottom in 0.01 mm from the top-left
//   corner of the figure framing the scene (y down), and for texts the text;
// - classes.emf, classes.wmf and classes.png: a class diagram (an association tree over ten classes,
//   three of them named in Greek, Chinese and Japanese, and a package), with classes.txt: "box"
//   left, top, right, bottom of each class and package, "line" x0, y0, x1, y1 of each association
//   segment (0.01 mm, y down) and "name" with each name.
// - canvas.emf and canvas.wmf: the debug menu's canvas test, which holds a picture.
// The export readers test compares other programs' renderings of the metafiles with the PNG.
#include "Editor/DebugCommands.h"
#include "Editor/ElementFactories.h"
#include "Editor/Export.h"
#include "Editor/tests/Figures.h"
#include "core/DefaultGrid.h"
#include "elements/class/Class.h"
#include "elements/class/Package.h"
#include "text/win/UniscribeSetup.h"
#include "view/connector/Interfaces.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <vector>

namespace {

using EditorTest::Figure;

struct Placed {
    int x, y, width, height;  // top-left corner, y down from the frame's corner
    std::wstring label, face;
    bool bold;
};

std::string Utf8(const std::wstring& s) {
    std::string out(s.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), int(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

std::wstring InFolder(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, dir);
    return std::wstring(dir) + L"\\" + name;
}

void ExportAll(const Core::Diagram& diagram, const wchar_t* stem) {
    for (const wchar_t* extension : {L".emf", L".wmf", L".png"}) {
        const std::wstring path = InFolder((std::wstring(stem) + extension).c_str());
        Editor::ExportPicture(diagram, Editor::PictureKindOf(path), path);
    }
}

// The class diagram: the debug menu's association tree with three classes renamed, and a package
// below it, so that the package's tab lies inside the drawing.
void ExportClasses() {
    TextBlock::InstallUniscribeMeasurer();
    Core::FactoryRegistry registry;
    Editor::RegisterElementFactories(registry);
    Core::Diagram diagram(registry, nullptr, nullptr, &View::DefaultGrid::Instance());
    Editor::Debug::BuildAssociationTree(diagram, nullptr, {0, 0});
    {
        Core::Transaction t(diagram);
        Core::Env env(t, nullptr, &View::DefaultGrid::Instance());
        const std::map<std::wstring, std::wstring> names{
            {L"Header", L"\u03A0\u03B5\u03BB\u03AC\u03C4\u03B7\u03C2"},  // Greek
            {L"Window", L"\u8BA2\u5355"},                                   // Chinese
            {L"Slider", L"\u30AB\u30BF\u30ED\u30B0"}};                    // Japanese
        std::vector<Class::Class*> classes;
        for (const auto& e : diagram.Elements())
            if (auto* c = dynamic_cast<Class::Class*>(e.get())) classes.push_back(c);
        for (Class::Class* c : classes)
            if (auto it = names.find(c->GetName()); it != names.end()) c->SetName(env, it->second);
        auto package = Class::Package::Create(env, {2000, -10000});
        package->SetRect(env, {2000, -10000, 12000, -13000});
        package->SetName(env, L"Billing");
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    diagram.UpdateAllViews();
    std::ofstream out("classes.txt", std::ios::binary);
    const auto box = [&](const zq::Rect& r, const std::wstring& name) {
        out << "box\t" << r.left << '\t' << -r.top << '\t' << r.right << '\t' << -r.bottom << '\n';
        out << "name\t" << Utf8(name) << '\n';
    };
    for (const auto& e : diagram.Elements()) {
        if (e->IsDeleted()) continue;
        if (auto* c = dynamic_cast<Class::Class*>(e.get())) box(c->GetRect(), c->GetName());
        if (auto* p = dynamic_cast<Class::Package*>(e.get())) box(p->GetRect(), p->GetName());
        if (auto* segment = dynamic_cast<Connector::ISegment*>(e.get())) {
            const auto& ends = segment->GetEndList();
            if (ends.size() != 2) continue;
            const zq::float8Point a = ends[0]->GetPoint(), b = ends[1]->GetPoint();
            out << "line\t" << a.x << '\t' << -a.y << '\t' << b.x << '\t' << -b.y << '\n';
        }
    }
    out.close();
    ExportAll(diagram, L"classes");
}

int Run() {
    DrawingKernel::GdiplusSession gdiplus;
    ExportClasses();
    Editor::Debug::WriteCanvasTestFiles(InFolder(L"canvas.emf"), InFolder(L"canvas.wmf"));
    EditorTest::FigureDiagram doc;
    const Placed figures[] = {
        {0, 0, 12000, 6400, L"", L"Arial", false},  // the frame: whole millimetres, so it is the picture
        {500, 500, 5000, 2200, L"Customer", L"Arial", false},
        {6500, 500, 5000, 2200, L"Invoice total", L"Times New Roman", true},
        {500, 3500, 5000, 2400, L"Order line", L"Times New Roman", false},
        {6500, 3500, 5000, 2400, L"Payment", L"Arial", true},
    };
    std::ofstream shapes("shapes.txt", std::ios::binary);
    for (const Placed& p : figures) {
        Figure& f = doc.Add(p.x, -p.y, p.width, p.height, p.label, p.face, p.bold);
        shapes << "box\t" << p.x << '\t' << p.y << '\t' << p.x + p.width << '\t' << p.y + p.height << '\n';
        if (p.label.empty()) continue;
        const auto layout = EditorTest::LayLabel(f.GetRep());
        const double left = p.x + 200, top = p.y + 200;
        shapes << "text\t" << left << '\t' << top << '\t' << left + layout->usedSize.width << '\t'
               << top + layout->usedSize.height << '\t' << Utf8(p.label) << '\n';
    }
    shapes.close();
    ExportAll(*doc.diagram, L"scene");
    return 0;
}

} // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "export scene: %s\n", e.what());
        return 1;
    }
}
