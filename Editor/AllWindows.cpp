#include "Editor/AllWindows.h"

#include "Editor/Diagram.h"
#include "resources/resource.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace Editor {

bool CloseAllDocuments(Application::IDocumentFactory& factory) {
    std::vector<Diagram*> documents;
    factory.ForEachDocument([&](Application::IDocument& document) {
        auto* diagram = zq::Cast<Diagram>(&document);
        if (diagram && diagram->GetWindowCount() > 0) documents.push_back(diagram);
        return true;
    });
    for (Diagram* document : documents)
        if (!document->QueryClose()) return false;
    for (Diagram* document : documents) document->GetNode().End();
    return true;
}

std::vector<HWND> CollectArrangeableWindows(Application::IDocumentFactory& factory) {
    std::vector<HWND> windows;
    factory.ForEachDocument([&](Application::IDocument& document) {
        for (int i = 0; i < document.GetWindowCount(); ++i) {
            HWND hwnd = document.GetWindow(i)->GetHwnd();
            if (hwnd && !IsIconic(hwnd)) windows.push_back(hwnd);
        }
        return true;
    });
    // Into the screen's z-order: walking the top-level windows from the top, each one collected
    // moves to the next place.
    size_t next = 0;
    for (HWND hwnd = GetTopWindow(nullptr); hwnd && next < windows.size(); hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
        auto it = std::find(windows.begin() + static_cast<std::ptrdiff_t>(next), windows.end(), hwnd);
        if (it != windows.end()) std::iter_swap(windows.begin() + static_cast<std::ptrdiff_t>(next++), it);
    }
    return windows;
}

void ArrangeWindows(Application::IDocumentFactory& factory, UINT command) {
    std::vector<HWND> windows = CollectArrangeableWindows(factory);
    if (windows.empty()) return;
    for (size_t i = 1; i < windows.size(); ++i)
        SetWindowPos(windows[i], windows[i - 1], 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    const UINT count = static_cast<UINT>(windows.size());
    if (command == ID_WINDOW_CASCADE) CascadeWindows(nullptr, 0, nullptr, count, windows.data());
    else TileWindows(nullptr, command == ID_WINDOW_TILEHORZ ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, nullptr, count,
                     windows.data());
}

} // namespace Editor
