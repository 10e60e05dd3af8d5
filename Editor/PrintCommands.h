// The document's side of printing: the Print command of a document window and printing a document
// that a command line names.
#pragma once

#include "Editor/CommandLine.h"
#include "Editor/Diagram.h"

namespace Editor {

// The Print command (40008) of a window of the document: the print dialog, then the job.
void PrintDocument(Diagram& document, HWND window);
// Prints the document as a "-p" or "-pt" command line asks, without the dialog's questions.
void PrintFromCommandLine(Diagram& document, const PrintRequest& request);

} // namespace Editor
