// What a command line of the editor asks for: the program's own or one handed over by a later start.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Editor {

// A document to print without the print dialog ("-p name" or "-pt name printer driver port").
struct PrintRequest {
    std::wstring path;     // resolved as every document name
    std::wstring printer;  // empty: the currently selected printer
    std::wstring driver;
    std::wstring port;
};

// The request read from one command line.
struct OpenRequest {
    bool serverOnly = false;          // "-embedding": open nothing, wait for OLE requests
    bool newDocument = false;         // open one new untitled document
    std::vector<std::wstring> paths;  // documents to open, resolved to full paths, in order
    std::optional<PrintRequest> print;  // "-p" or "-pt" (exactly so, in lower case)
};

// Reads a whole command line (program name first) started in directory: the names after the
// program name become full paths; "-embedding" and "-embed" (any case) ask for nothing, "-p" and
// "-pt" print one document, any other switch or a line without names asks for a new document.
OpenRequest ParseCommandLine(const std::wstring& directory, const std::wstring& commandLine);

// The tokens of a command line: quoted (spaces kept, an unclosed quote runs to the end) or
// whitespace-delimited; empty quoted tokens are kept.
std::vector<std::wstring> SplitTokens(const std::wstring& text);

// The full path of a document name given relative to directory: the file found there (a name
// without extension is searched with ".qvd"), a shortcut replaced by its target; a name not found
// becomes a full path as typed, so that opening it reports the failure. An empty name stays empty.
std::wstring ResolveDocumentPath(const std::wstring& directory, const std::wstring& name);

} // namespace Editor
