// Save As with the picture file types: the diagram written as EMF, placeable WMF or PNG. A picture
// is saved as a diagram is (WriteCopy): an existing file keeps its rights and other names, a file
// marked read-only is refused, and a failure leaves the file as it was.
#pragma once

#include "core/Diagram.h"

#include <functional>
#include <string>

namespace Editor {

// The picture file types of Save As.
enum class PictureKind { None, Emf, Wmf, Png };

// The picture type the file name's extension asks for ("emf", "wmf", "png" in any case), or None.
PictureKind PictureKindOf(const std::wstring& path);

// Writes the picture of the source's elements (2 mm border) to path. Throws on failure; the file at
// path is then as it was before (a new file is not made), or SaveFailed names the complete copy.
void ExportPicture(const Core::IClub& source, PictureKind kind, const std::wstring& path);

// Save As of a picture: when path has a picture extension, writes the diagram's picture there and
// answers true, reporting a failure in an error box that names the file; answers false, writing
// nothing, for any other path. The document keeps its name, file and modified state.
bool SaveAsPicture(const Core::Diagram& diagram, const std::wstring& path);

// The text of the box about a picture that could not be written.
std::wstring ExportErrorText(const std::wstring& path, const std::exception& error);

// Replaces the error box of SaveAsPicture (tests read the text instead); empty restores the box.
using ExportReporter = std::function<void(const std::wstring& text)>;
void SetExportReporter(ExportReporter reporter);

} // namespace Editor
