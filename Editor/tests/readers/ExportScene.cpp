// Exports a diagram of boxes, lines and texts in two fonts as the editor's Save As does, into
// scene.emf, scene.wmf and scene.png of the current folder, with shapes.txt: one figure a line,
// "box" or "text", then left, top, right, bottom in 0.01 mm from the top-left corner of the figure
// framing the scene (y down), and for texts the text. The export readers test compares other
// programs' renderings of the metafiles with the PNG.
#include "Editor/Export.h"
#include "Editor/tests/Figures.h"

#include <cstdio>
#include <fstream>

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

int Run() {
    DrawingKernel::GdiplusSession gdiplus;
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
    wchar_t dir[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, dir);
    for (const wchar_t* name : {L"scene.emf", L"scene.wmf", L"scene.png"}) {
        const std::wstring path = std::wstring(dir) + L"\\" + name;
        Editor::ExportPicture(*doc.diagram, Editor::PictureKindOf(path), path);
    }
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
