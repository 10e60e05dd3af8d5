// A diagram, or any set of its elements, as a picture: an Enhanced Metafile, a Windows metafile
// picture, a PNG image in memory or a PNG file. One canvas and one read-only view serve every format.
#pragma once

#include "app/winutil/Platform.h"
#include "core/Diagram.h"
#include "drawing/DrawingKernel.h"
#include "view/ReadOnlyDiagramView.h"

#include <memory>
#include <string>

namespace Editor {

// The border Save As and the clipboard put around a picture, 0.01 mm (2 mm).
inline constexpr int kPictureBorder = 200;
// The picture size of an empty drawing, 0.01 mm.
inline constexpr double kEmptyPictureExtent = 4000;

class MetafileCreator {
public:
    // A creator of pictures of the source's elements; the source must outlive it.
    explicit MetafileCreator(const Core::IClub& source);
    virtual ~MetafileCreator();
    MetafileCreator(const MetafileCreator&) = delete;
    MetafileCreator& operator=(const MetafileCreator&) = delete;

    // Fills the medium with an enhanced metafile (TYMED_ENHMF); border in 0.01 mm on every side.
    void CreateEnhancedMetafile(STGMEDIUM& medium, int border);
    // Fills the medium with a metafile picture (TYMED_MFPICT), extents in 0.01 mm.
    void CreateWindowsMetafile(STGMEDIUM& medium, int border);
    // Writes a PNG file.
    void SavePngFile(const std::wstring& fileName, int border);
    // Fills the medium with an IStream on global memory holding a PNG (TYMED_ISTREAM).
    void CreatePngStream(STGMEDIUM& medium, int border);
    // The drawing's extent in 0.01 mm (empty when nothing is drawn).
    void GetExtent(ICanvas::DoubleRect& out);

private:
    // Makes the canvas and the view and draws the source, once.
    void Prepare();

    const Core::IClub& source_;
    std::unique_ptr<ICanvas::IMetafileCanvas> canvas_;
    std::unique_ptr<View::ReadOnlyDiagramView> view_;
};

// The metafile canvas of the editor's pictures: 40 mm square when empty, described by the program's name.
std::unique_ptr<ICanvas::IMetafileCanvas> CreatePictureCanvas();

// A read-only view of the source on the canvas that also shows the page's layout to the canvas,
// so that printing and export follow the document's page.
std::unique_ptr<View::ReadOnlyDiagramView> CreateReadOnlyView(const Core::IClub& source, ICanvas::Canvas& canvas);

// Writes the picture as a placeable metafile file: the 22-byte header (key 0x9AC6CDD7, extents in
// 0.01 mm at 2540 units per inch, coarser only for pictures over 327.67 mm, checksum) and the
// metafile's bits. Throws WinUtil::ComException when the file cannot be written whole.
void WritePlaceableMetafile(const METAFILEPICT& picture, const std::wstring& fileName);

} // namespace Editor
