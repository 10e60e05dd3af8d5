// The live picture of the page setup dialog: the sheets of the grid with margins, glue and cut
// lines and the diagram drawn across them, repainted at every change of the working copy.
#pragma once

#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Platform.h"
#include "app/winutil/Window.h"
#include "page/PageGrid.h"
#include "page/PageSetup.h"

#include <memory>

namespace Page {

class Preview : private IPropertyObserver {
public:
    // Creates the picture inside the group box of the dialog; the picture of the diagram (may be
    // null) and its extent (0.01 mm, y up) stay owned by the caller.
    Preview(PageSetup& setup, WinUtil::Window& dialog, int groupId, HENHMETAFILE picture, const PaperRect& extent);
    ~Preview() override;
    Preview(const Preview&) = delete;
    Preview& operator=(const Preview&) = delete;

    // The picture's window.
    HWND GetHwnd() const { return hwnd_; }
    // Draws the whole picture into the device context of a client area of the size.
    void Paint(HDC dc, int width, int height) const;

private:
    void OnPropertyChanged(const IProperty&) override;
    void OnDrawItem(WinMessage::Msg& msg);
    void DrawDiagram(HDC dc, const PageLayout& layout, const PreviewGeometry& g) const;
    void BlankUnprinted(HDC dc, const PageLayout& layout, const PreviewGeometry& g, int width, int height) const;
    void DrawLines(HDC dc, const PageLayout& layout, const PreviewGeometry& g, int width, int height) const;

    PageSetup& setup_;
    HWND hwnd_ = nullptr;
    HENHMETAFILE picture_;
    PaperRect extent_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
};

} // namespace Page
