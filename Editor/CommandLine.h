// What a command line of the editor asks for: the program's own or one handed over by a later start.
#pragma once

#include <string>
#include <vector>

namespace Editor {

// The request read from one command line.
struct OpenRequest {
    bool serverOnly = false;          // "-embedding": open nothing, wait for OLE requests
    bool newDocument = false;         // open one new untitled document
    std::vector<std::wstring> paths;  // documents to open, resolved to full paths, in order
};

// Reads a whole command line (program name first) started in directory: the names after the
// program name become full paths; a switch or a line without names asks for a new document.
OpenRequest ParseCommandLine(const std::wstring& directory, const std::wstring& commandLine);

// The tokens of a command line: quoted (spaces kept, an unclosed quote runs to the end) or
// whitespace-delimited; empty quoted tokens are kept.
std::vector<std::wstring> SplitTokens(const std::wstring& text);

// The full path of a document name given relative to directory; a name without extension takes
// ".qvd" when such a file exists. An empty name stays empty.
std::wstring ResolveDocumentPath(const std::wstring& directory, const std::wstring& name);

} // namespace Editor
