// The screen, printer and metafile canvases and the functions that create them.
#pragma once

#include "app/winutil/Platform.h"
#include "drawing/Canvas.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ICanvas {

// Told after the canvas scrolled, with the pointer's logical position.
class IScrollObserver {
public:
    virtual ~IScrollObserver() = default;
    // The canvas scrolled; p is the pointer's position in logical units.
    virtual void OnScrolled(const zq::float8Point& p) = 0;
};

// Told after the canvas zoomed, with the client reference point that kept its place.
class IZoomObserver {
public:
    virtual ~IZoomObserver() = default;
    // The canvas zoomed about the client point.
    virtual void OnZoomed(const zq::Point& clientRef) = 0;
};

// A list of observers; observers may add or remove themselves while being notified.
template <class T>
class ObserverList {
public:
    // Adds an observer once.
    void Add(T* o) { if (std::find(items_.begin(), items_.end(), o) == items_.end()) items_.push_back(o); }
    // Removes an observer; unknown ones are ignored.
    void Remove(T* o) { items_.erase(std::remove(items_.begin(), items_.end(), o), items_.end()); }
    // Number of observers.
    size_t Size() const { return items_.size(); }
    // Calls f on every observer present when the call starts and still present when reached.
    template <class F>
    void ForEach(F&& f) const {
        const std::vector<T*> copy = items_;
        for (T* o : copy)
            if (std::find(items_.begin(), items_.end(), o) != items_.end()) f(*o);
    }
private:
    std::vector<T*> items_;
};

// Scrolls the canvas while a tracked pointer is near the window's edges.
class IScroller {
public:
    virtual ~IScroller() = default;
    // The pointer is at the client point; near an edge the canvas scrolls and tells the observer.
    virtual void Track(const zq::Point& client, IScrollObserver* observer) = 0;
};

// Scrolls while an OLE drag is near the border; released to stop.
class IDragDropScroller {
public:
    virtual ~IDragDropScroller() = default;
};

// The canvas of a pane window: retained drawing with scrolling, zoom and caret.
class IScreenCanvas : public Canvas {
public:
    // The scroll position: device pixels of the current zoom, the client's top-left corner.
    virtual void GetScrollPos(zq::Point& out) const = 0;
    // Scrolls to a position given as by GetScrollPos.
    virtual void SetScrollPos(const zq::Point& pos) = 0;
    // A client pixel point in logical units.
    virtual zq::float8Point ClientToLogical(const zq::Point& client) const = 0;
    // A screen pixel point in logical units.
    virtual zq::float8Point ScreenToLogical(const zq::Point& screen) const = 0;
    // A logical point in client pixels.
    virtual zq::float8Point LogicalToClient(const zq::float8Point& p) const = 0;
    // The logical area the client rectangle shows.
    virtual DoubleRect GetVisibleArea() const = 0;
    // Sets the zoom (1.0 = 100 %) keeping the logical point under the client point in place.
    virtual void SetZoom(double factor, const zq::Point& clientRef) = 0;
    // The factor the canvas would really use for the requested one.
    virtual double RoundZoom(double factor) const = 0;
    // The zoom factor.
    virtual double GetZoom() const = 0;
    // Fits the drawing's extent into the window.
    virtual void ZoomToExtent() = 0;
    // Zooms and scrolls so that the logical rectangle fills the window.
    virtual void ZoomToRect(const DoubleRect& r) = 0;
    // Takes the other canvas's zoom about the client point.
    virtual void CopyViewFrom(const IScreenCanvas& other, const zq::Point& clientRef) = 0;
    // One zoom step up about the client point.
    virtual void ZoomIn(const zq::Point& clientRef) = 0;
    // One zoom step down about the client point.
    virtual void ZoomOut(const zq::Point& clientRef) = 0;
    // Scrolls so that the logical point lies under the client point.
    virtual void ScrollPointTo(const zq::float8Point& p, const zq::Point& client) = 0;
    // An auto-scroller for a tracking task.
    virtual std::unique_ptr<IScroller> CreateScroller() = 0;
    // An auto-scroller that watches the pointer while an OLE drag is over the window.
    virtual std::unique_ptr<IDragDropScroller> CreateDragDropScroller() = 0;
    // Repaints the area the changes since the last update touched.
    virtual void Update() = 0;
    // Observers told after every scroll.
    virtual ObserverList<IScrollObserver>& GetScrollObservers() = 0;
    // Observers told after every zoom.
    virtual ObserverList<IZoomObserver>& GetZoomObservers() = 0;
    // Shows the text caret at a logical point (its top) with a logical height.
    virtual void ShowCaret(const zq::float8Point& top, double height) = 0;
    // Hides and destroys the caret.
    virtual void HideCaret() = 0;
    // Handles a WM_HSCROLL (bar SB_HORZ) or WM_VSCROLL (SB_VERT) a frame passes on.
    virtual void OnScrollBar(int bar, WPARAM wParam) = 0;
    // The pane window.
    virtual HWND GetWindow() const = 0;
};

// Answers whether the user cancelled a print job.
class IAbortFlag {
public:
    virtual ~IAbortFlag() = default;
    // True when the job must stop.
    virtual bool IsAborted() const = 0;
};

// Sheets from first to last, counted from 1.
struct PageRange {
    int first = 1;
    int last = 1;
};

// A canvas that prints its drawing over the sheets of its page layout.
class IPrinterCanvas : public Canvas {
public:
    // Prints the sheets of the range, or everything on one sheet when fit is set; marks adds glue
    // and cut marks. Returns false when aborted or when the device failed. Throws
    // DrawingKernel::Error for an unusable page layout.
    virtual bool Print(const IAbortFlag& abort, bool fit, bool marks, PageRange range,
                       const std::wstring& outputFile) = 0;
};

// A canvas that turns its drawing into metafiles and PNG images.
class IMetafileCanvas : public Canvas {
public:
    // Fills the medium with an enhanced metafile (TYMED_ENHMF); border in 0.01 mm on every side.
    virtual void CreateEnhancedMetafile(STGMEDIUM& medium, int border) = 0;
    // Fills the medium with a metafile picture (TYMED_MFPICT).
    virtual void CreateWindowsMetafile(STGMEDIUM& medium, int border) = 0;
    // Writes a PNG file: 96 dpi, drawn smaller when that would exceed DrawingKernel::kMaxPngPixels.
    virtual void SavePngFile(const std::wstring& fileName, int border) = 0;
    // Fills the medium with an IStream on global memory holding a PNG (TYMED_ISTREAM), sized as SavePngFile's.
    virtual void CreatePngStream(STGMEDIUM& medium, int border) = 0;
};

} // namespace ICanvas

namespace DrawingKernel {

// The most pixels of a PNG picture, 2^24 (64 MiB at 32 bits a pixel, and the encoder's copy beside): a
// 32-bit process cannot count on a much larger free block beside a large document, and a drawing the
// size of A0 paper (4494 x 3179 pixels at 96 dpi) still fits whole. Larger drawings are drawn smaller.
inline constexpr double kMaxPngPixels = 16777216;

// An error of the drawing kernel (device failures, unusable layouts, encoder errors).
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Keeps GDI+ started while it lives.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
private:
    ULONG_PTR token_ = 0;
};

// Gives the bitmaps of picture ids (the program's resources by default).
class IPictureSource {
public:
    virtual ~IPictureSource() = default;
    // The bitmap of the id, owned by the source; null when there is none.
    virtual HBITMAP GetPicture(int id) = 0;
};

// Replaces the picture source (null restores the resource loader).
void SetPictureSource(std::shared_ptr<IPictureSource> source);

// The device a printer canvas prints on: the printer DC itself or a stand-in.
class IPrintDevice {
public:
    virtual ~IPrintDevice() = default;
    // The device context drawn on (valid between StartPage and EndPage).
    virtual HDC GetDC() = 0;
    virtual int StartDoc(const DOCINFOW& info) = 0;
    virtual int StartPage() = 0;
    virtual int EndPage() = 0;
    virtual int EndDoc() = 0;
    virtual int AbortDoc() = 0;
    // Switches the device to the DEVMODE; false when the device refuses.
    virtual bool Reset(const DEVMODEW& mode) = 0;
};

// The screen canvas of a pane window; the scroll bars are SCROLLBAR controls (null: the pane's
// own standard bars).
std::unique_ptr<ICanvas::IScreenCanvas> CreateScreenCanvas(HWND pane, HWND hScroll, HWND vScroll);
// A printer canvas on a printer device context (not owned) with its DEVMODE (may be null).
std::unique_ptr<ICanvas::IPrinterCanvas> CreatePrinterCanvas(HDC printer, const DEVMODEW* mode, const std::wstring& docName);
// A printer canvas on another device.
std::unique_ptr<ICanvas::IPrinterCanvas> CreatePrinterCanvas(std::unique_ptr<IPrintDevice> device, const DEVMODEW* mode, const std::wstring& docName);
// A metafile canvas: defaultExtent (0.01 mm) serves an empty drawing; the enhanced metafiles'
// description is application NUL title NUL NUL.
std::unique_ptr<ICanvas::IMetafileCanvas> CreateMetafileCanvas(const zq::float8Vector& defaultExtent,
                                                               const std::wstring& application, const std::wstring& title);

} // namespace DrawingKernel
