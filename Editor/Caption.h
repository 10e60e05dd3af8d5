// The caption of a document window, built from the document's state.
#pragma once

#include <string>

namespace Editor {

// What a document window's caption shows.
struct CaptionState {
    bool embedded = false;  // "Diagram in " first
    std::wstring name;      // the document's name (a path or an untitled name); empty: "unknown"
    int number = 0;         // the window's number; 0 shows none
    bool modified = false;  // " *"
    bool readOnly = false;  // " (read-only)"
    int diagramType = 1;    // the diagram type value, 1..5
};

// The caption's two forms: the window list's (up to the read-only mark) and the full one, which
// adds the product and the diagram type's name.
struct Caption {
    std::wstring listCaption;
    std::wstring full;
};

// Builds both forms from the program's strings.
Caption BuildCaption(const CaptionState& state);

} // namespace Editor
