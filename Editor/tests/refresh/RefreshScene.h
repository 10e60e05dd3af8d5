// A document window of the editor under edit beside windows that freshly open the document as it
// is saved at that moment: the pixels each pane shows on the screen, painted through its own
// invalidation, and the first difference between them.
#pragma once

#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"
#include "core/CopyExtend.h"
#include "core/Interfaces.h"
#include "core/ModelElementSet.h"
#include "resources/resource.h"
#include "style/StyleEdit.h"
#include "style/win/PropertyEditor.h"
#include "text/win/UniscribeSetup.h"
#include "view/CmdHandler.h"
#include "view/DropTarget.h"
#include "view/MoveControl.h"
#include "view/ViewElements.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace RefreshTest {

// The pixels of a pane as the screen shows them.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
};

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Processes the messages waiting in this thread.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The pixels of a rectangle of a device context (a window's or the screen's).
inline Picture Grab(HDC source, int x, int y, int width, int height) {
    return Picture{width, height, EditorTest::GrabPixels(source, x, y, width, height)};
}

// What the pane shows once its waiting invalidation is painted (WM_PAINT): the pixels of its
// window as they were painted, read from the window.
inline Picture PanePicture(HWND pane) {
    Pump();
    UpdateWindow(pane);
    GdiFlush();
    RECT client;
    GetClientRect(pane, &client);
    HDC shown = GetDC(pane);
    Picture picture = Grab(shown, 0, 0, client.right, client.bottom);
    ReleaseDC(pane, shown);
    return picture;
}

// Empty when both pictures are the same; else the number of differing pixels and their bounds.
inline std::string Difference(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height)
        return "sizes differ: " + std::to_string(a.width) + "x" + std::to_string(a.height) + " and " +
               std::to_string(b.width) + "x" + std::to_string(b.height);
    int count = 0;
    RECT bounds{a.width, a.height, -1, -1};
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            if (a.pixels[size_t(y) * a.width + x] == b.pixels[size_t(y) * a.width + x]) continue;
            ++count;
            bounds = {std::min<LONG>(bounds.left, x), std::min<LONG>(bounds.top, y), std::max<LONG>(bounds.right, x),
                      std::max<LONG>(bounds.bottom, y)};
        }
    if (count == 0) return {};
    return std::to_string(count) + " pixels differ within x " + std::to_string(bounds.left) + ".." +
           std::to_string(bounds.right) + ", y " + std::to_string(bounds.top) + ".." + std::to_string(bounds.bottom);
}

// Writes a picture as a BMP file (for looking at a failure).
inline void WriteBitmap(const Picture& p, const std::wstring& path) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER head{};
    head.biSize = sizeof head;
    head.biWidth = p.width;
    head.biHeight = -p.height;
    head.biPlanes = 1;
    head.biBitCount = 32;
    head.biCompression = BI_RGB;
    const DWORD bytes = DWORD(p.pixels.size() * sizeof(DWORD));
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof head;
    file.bfSize = file.bfOffBits + bytes;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, &file, sizeof file, &written, nullptr);
    WriteFile(out, &head, sizeof head, &written, nullptr);
    WriteFile(out, p.pixels.data(), bytes, &written, nullptr);
    CloseHandle(out);
}

// The stored document of a diagram kind written by hand (elements/tests/documents).
inline std::string HandWritten(const char* kind) {
    std::ifstream in(std::string(QUORVEL_DOCUMENT_DIR) + "/" + kind + ".qvd", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Work run as one undoable step of the view through the editor's transaction frame.
class Frame : public View::TransactionFrame {
public:
    explicit Frame(std::function<void(Core::Env&)> work) : work_(std::move(work)) {}
    void Run(Core::Env& env) override { work_(env); }

private:
    std::function<void(Core::Env&)> work_;
};

// The editor's document window on a document of one kind, placed at the left of the screen; the
// fresh windows open at its right, so that neither covers the other.
struct Scene : EditorTest::FactoryFixture {
    static constexpr int kWidth = 620;
    static constexpr int kHeight = 900;
    Editor::Diagram* doc = nullptr;
    Editor::WindowImp* window = nullptr;
    int saves = 0;

    // Opens the document text (a stored document) in the window under edit.
    void OpenText(const std::string& stored) {
        // Boxes measure their names, as in the editor, which installs the measurer at start.
        TextBlock::InstallUniscribeMeasurer();
        const std::wstring path = folder.AddFile(L"edited.qvd", stored);
        doc = factory->Open(path);
        if (!doc) throw std::runtime_error(reports.empty() ? "the document did not open" : Narrow(reports[0]));
        window = &dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(0));
        Place(*window, 0);
        window->SetActiveView(window->GetFirstView());
        Pump();
    }
    // Gives the window its place and size, and its pane the zoom and the part of the diagram that
    // every window of these tests shows.
    static void Place(Editor::WindowImp& w, int x) {
        SetWindowPos(w.GetHwnd(), HWND_TOP, x, 0, kWidth, kHeight, SWP_SHOWWINDOW);
        ICanvas::IScreenCanvas& canvas = w.GetFirstView()->GetCanvas();
        canvas.SetZoom(0.5, {0, 0});
        canvas.ScrollPointTo({0, 1000}, {0, 0});  // the page's top left, where the drawings lie
        Pump();
    }
    View::DiagramView& ViewOf() { return window->GetActiveDiagramView(); }
    Core::Diagram& Model() { return doc->GetModel(); }
    HWND Pane() { return EditorTest::PaneOf(window->GetHwnd()); }

    // Runs the work as one undo step of the view.
    void Step(std::function<void(Core::Env&)> work) {
        Frame frame(std::move(work));
        View::ViewContext& c = ViewOf().GetContext();
        View::RunTransactionFrame(frame, {c.grid, c.view, c.diagram});
        Pump();
    }
    // A drag of the element (and what it takes along) by the model vector, dropped in the same
    // view, as the drop target's move does it.
    void Drag(Core::IModelElement& grabbed, zq::Point by) {
        View::ViewContext& c = ViewOf().GetContext();
        Core::ModelElementSet picked;
        picked.Insert(grabbed.shared_from_this());
        const Core::ModelElementSet moving = Core::CopyExtendSelection::Build(picked, Model());
        zq::Rect r;
        auto* pointable = dynamic_cast<Core::IPointable*>(&grabbed);
        const zq::Point anchor = pointable && pointable->GetBoundingRect(r) ? r.TopLeft() : zq::Point{0, 0};
        {
            View::PendingDrop drop(c);
            drop.Prepare(moving, &grabbed, anchor, [&](Core::Env& env, Core::DeferredShiftSet& shift) {
                View::ForEachMoving(shift, [&](Core::IModelElement& e) {
                    if (Core::IShiftable* s = e.GetShiftable()) s->DetachFromSource(env, shift, moving);
                });
            });
            drop.ShiftTo(anchor, {anchor.x + by.x / 2, anchor.y + by.y / 2});
            ViewOf().UpdateView();
            drop.ShiftTo(anchor, anchor + by);
            drop.Commit({}, {});
        }
        ViewOf().UpdateView();
        Pump();
    }
    // The menu commands Undo and Redo of the window.
    void Command(UINT id) {
        SendMessageW(window->GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Pump();
    }
    // A command of the element's context menu, chosen as from the menu; false when the element
    // shows no menu in the view.
    bool MenuCommand(Core::IModelElement& element, UINT id) {
        auto* menu = dynamic_cast<View::IContextMenu*>(element.FindViewElement(ViewOf()));
        if (!menu) return false;
        View::CmdHandlerList handlers;
        menu->PrepareMenu(ViewOf().GetTaskHost(), handlers);
        Command(id);
        return true;
    }
    void Undo() { Command(ID_EDIT_UNDO); }
    void Redo() { Command(ID_EDIT_REDO); }
    // "Diagram Style" confirmed with OK after the font size of the directory was typed.
    bool Restyle(const std::wstring& directory, const std::wstring& size) {
        bool typed = false;
        {
            Style::StyleEditSession session(Model(), Style::InstalledTypefaces(), false, &ViewOf());
            if (Style::PropertyEditorHierarchy* node = FindNode(session.GetHierarchy(), directory))
                for (Style::PropertyEntry& e : node->entries)
                    if (auto* value = dynamic_cast<Style::FontSizeProperty*>(e.value); value && e.caption == L"Size") {
                        value->Type(size);
                        typed = true;
                    }
            session.OnOk();
            session.Finish();
        }
        Model().UpdateAllViews();
        Pump();
        return typed;
    }
    static Style::PropertyEditorHierarchy* FindNode(Style::PropertyEditorHierarchy* node, const std::wstring& caption) {
        if (!node) return nullptr;
        if (node->caption == caption) return node;
        for (auto& child : node->children)
            if (auto* found = FindNode(child.get(), caption)) return found;
        return nullptr;
    }
    // The captions of every directory the style editor shows.
    std::vector<std::wstring> Directories() {
        std::vector<std::wstring> names;
        Style::StyleEditSession session(Model(), Style::InstalledTypefaces(), false, &ViewOf());
        std::function<void(Style::PropertyEditorHierarchy*)> walk = [&](Style::PropertyEditorHierarchy* n) {
            if (!n) return;
            names.push_back(n->caption);
            for (auto& child : n->children) walk(child.get());
        };
        walk(session.GetHierarchy());
        session.OnCancel();
        session.Finish();
        return names;
    }

    // Empty when the pane shows what a window that freshly opens the document saved now shows;
    // else what differs (both pictures are left in the test folder).
    std::string CompareWithFreshOpen() {
        // The marks of a selection (a new element's, say) go as the editor's idle time takes them.
        ViewOf().ClearSelection(nullptr);
        ViewOf().UpdateView();
        const Picture edited = PanePicture(Pane());
        const std::wstring saved = folder.AddFile(L"saved" + std::to_wstring(saves) + L".qvd");
        const std::wstring fresh = folder.AddFile(L"fresh" + std::to_wstring(saves) + L".qvd");
        ++saves;
        doc->SaveAs(saved);
        if (!CopyFileW(saved.c_str(), fresh.c_str(), FALSE)) return "the saved document could not be copied";
        Editor::Diagram* other = factory->Open(fresh);
        if (!other) return "the saved document did not open";
        auto& otherWindow = dynamic_cast<Editor::WindowImp&>(*other->GetWindow(0));
        Place(otherWindow, kWidth + 20);
        const Picture opened = PanePicture(EditorTest::PaneOf(otherWindow.GetHwnd()));
        other->Close();
        Pump();
        std::string difference = Difference(edited, opened);
        // QUORVEL_REFRESH_PICTURES names a folder that keeps the pictures and the document of a failure.
        wchar_t keep[MAX_PATH] = L"";
        if (!difference.empty() && GetEnvironmentVariableW(L"QUORVEL_REFRESH_PICTURES", keep, MAX_PATH) > 0) {
            WriteBitmap(edited, std::wstring(keep) + L"\\edited.bmp");
            WriteBitmap(opened, std::wstring(keep) + L"\\opened.bmp");
            CopyFileW(saved.c_str(), (std::wstring(keep) + L"\\saved.qvd").c_str(), FALSE);
        }
        return difference;
    }
};

} // namespace RefreshTest
