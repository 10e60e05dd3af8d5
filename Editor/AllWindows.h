// Commands over every open document: Close All, and Cascade and Tile over all document windows.
#pragma once

#include "app/Document.h"

#include <vector>

namespace Editor {

// Asks every document with a window whether it may close (the save question); only when all agree
// are they all closed. Answers whether they were.
bool CloseAllDocuments(Application::IDocumentFactory& factory);

// The windows of every document that are not minimised, in the screen's z-order (topmost first).
std::vector<HWND> CollectArrangeableWindows(Application::IDocumentFactory& factory);

// The places of count windows (topmost first) cascaded (ID_WINDOW_CASCADE, each the step lower and
// further right) or tiled (ID_WINDOW_TILEHORZ, ID_WINDOW_TILEVERT) across the work area.
std::vector<RECT> ArrangedPlaces(UINT command, const RECT& work, size_t count, int step);

// Cascades (ID_WINDOW_CASCADE) or tiles (ID_WINDOW_TILEHORZ, ID_WINDOW_TILEVERT) the windows.
void ArrangeWindows(Application::IDocumentFactory& factory, UINT command);

} // namespace Editor
