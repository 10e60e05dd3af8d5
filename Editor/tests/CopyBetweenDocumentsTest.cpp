// Elements copied from one document into another in the started editor with real keys and mouse:
// Ctrl+A and Ctrl+C, then Ctrl+N (or another open document) and Ctrl+V, or the selection dragged
// into another document's window; the target saved and read back. The copy brings the element
// styles its elements use with the source's colours (the target's own fonts and element styles
// win, what no pasted element uses stays behind), the pane shows the fills, the clipboard's "Embed
// Source" and PNG carry them to other programs, and the pasted elements keep their sizes and their
// places moved by the paste, every connector end on its terminal's outline; pasted or dropped into a
// document of larger fonts, they are laid out as the source restyled in place to those fonts.
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/TourSupport.h"
#include "app/winutil/ClipFormat.h"
#include "core/Interfaces.h"
#include "core/win/Storage.h"
#include "elements/tests/LayoutChecks.h"
#include "style/Clients.h"
#include "style/Model.h"
#include "style/StyleEdit.h"
#include "text/win/UniscribeSetup.h"
#include "view/connector/Interfaces.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <cmath>
#include <map>
#include <set>

namespace CopyBetweenDocumentsTest {

using namespace EditorTest;

enum class Via { Clipboard, Drag };
// What becomes of the boxes: the same sizes and places moved by the paste (the target's fonts are
// the source's), or grown where the target's fonts need more room, never smaller, or besides laid
// out as the source restyled in place to the fonts the target gave the copy.
enum class Boxes { Kept, Grown, Restyled };
// A row: the source document, the target ("" a new one made with Ctrl+N, "=" the source's own
// window, else another document opened beside it), how the elements go, and what else is checked.
struct Case {
    const char* name;
    std::string source, target;
    Via via;
    Boxes boxes;
    bool formats;  // the clipboard's "Embed Source" and PNG read as another program reads them
};

void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }

std::string Sample(const char* name) { return std::string(QUORVEL_DOCUMENT_DIR) + "/" + name; }
std::string Own(const char* name) { return std::string(QUORVEL_EDITOR_DOCUMENT_DIR) + "/" + name; }

const Case kCases[] = {
    {"class", Sample("class.qvd"), "", Via::Clipboard, Boxes::Kept, false},
    {"object", Sample("object.qvd"), "", Via::Clipboard, Boxes::Kept, false},
    {"usecase", Sample("usecase.qvd"), "", Via::Clipboard, Boxes::Kept, false},
    {"sequence", Sample("sequence.qvd"), "", Via::Clipboard, Boxes::Kept, false},
    {"state", Sample("state.qvd"), "", Via::Clipboard, Boxes::Kept, false},
    {"styledClass", Own("styled-class.qvd"), "", Via::Clipboard, Boxes::Kept, true},
    {"styledObjectIntoBlue", Own("styled-object.qvd"), Own("blue-target.qvd"), Via::Clipboard, Boxes::Kept, false},
    {"otherFontsAndGreen", Own("styled-class.qvd"), Own("fonts-target.qvd"), Via::Clipboard, Boxes::Grown, false},
    {"dragIntoBlue", Own("styled-class.qvd"), Own("blue-target.qvd"), Via::Drag, Boxes::Kept, false},
    {"dragWithinItsWindow", Own("styled-class.qvd"), "=", Via::Drag, Boxes::Kept, false},
    // Into a document whose base font is 20 pt: qualifiers on every side of a class and of an
    // object, classes, objects and states with a compartment and a short name, the sequence sample.
    {"qualifiedClassInto20pt", Sample("qualified-class.qvd"), Own("large-fonts.qvd"), Via::Clipboard, Boxes::Restyled, false},
    {"qualifiedObjectInto20pt", Sample("qualified-object.qvd"), Own("large-fonts.qvd"), Via::Clipboard, Boxes::Restyled, false},
    {"stateInto20pt", Sample("compact-state.qvd"), Own("large-fonts.qvd"), Via::Clipboard, Boxes::Restyled, false},
    {"sequenceInto20pt", Sample("sequence.qvd"), Own("large-fonts.qvd"), Via::Clipboard, Boxes::Restyled, false},
    {"dragQualifiedClassInto20pt", Sample("qualified-class.qvd"), Own("large-fonts.qvd"), Via::Drag, Boxes::Restyled, false},
    {"dragQualifiedObjectInto20pt", Sample("qualified-object.qvd"), Own("large-fonts.qvd"), Via::Drag, Boxes::Restyled, false},
};

Style::Style* StyleOf(const Core::Diagram& d) { return Style::Style::Find(d); }

// The element styles of the document: name to colour (0xRRGGBB; -1 without a colour).
std::map<std::wstring, long> ElementStyles(const Core::Diagram& d) {
    std::map<std::wstring, long> styles;
    if (Style::Style* style = StyleOf(d))
        for (const Style::ElementStyle* s : style->GetElementStyles()) {
            zq::Color c;
            styles[s->GetName()] = s->GetFillColor(c) ? long(c.ToRGB()) : -1;
        }
    return styles;
}

// The element style names that the document's elements carry, and how many styles it holds.
std::set<std::wstring> UsedStyles(const Core::Diagram& d, int* styles = nullptr) {
    std::set<std::wstring> used;
    for (const Core::ElementPtr& e : d.Elements()) {
        if (auto* client = dynamic_cast<const Style::IElementStyleClient*>(e.get()))
            if (!client->GetElementStyle().empty()) used.insert(client->GetElementStyle());
        if (styles && dynamic_cast<const Style::Style*>(e.get())) ++*styles;
    }
    return used;
}

using LayoutChecks::Placed;
using LayoutChecks::PlacedElements;

// Whether the connector end lies on the outline of the terminal it is attached to (true for a
// terminal without an outline).
bool OnItsTerminal(const Connector::IEnd& end) {
    auto* terminal = dynamic_cast<const Core::ITerminal*>(end.GetTerminal());
    auto* at = dynamic_cast<const Core::IPosition*>(&end);
    if (!terminal || !at) return true;
    bool outlined = false;
    for (bool horizontal : {true, false}) {
        GraphUtil::OutlineHit hit;
        if (!terminal->GetTerminalOutline(hit, at->GetPosition(), horizontal) || !hit.valid) continue;
        outlined = true;
        if (std::hypot(hit.point.x - at->GetPosition().x, hit.point.y - at->GetPosition().y) <= 1.0) return true;
    }
    return !outlined;
}

// How many pixels of exactly the colour the pane shows.
int PixelsOf(HWND pane, long rgb) {
    const PanePixels shot(pane);
    int n = 0;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x) n += shot.At(x, y) == DWORD(rgb);
    return n;
}

// ---- the clipboard as another program reads it

// The diagram XML of the clipboard's "Embed Source", read into a storage of this process.
std::string EmbedSourceXml(IDataObject* data) {
    std::string xml;
    ILockBytes* bytes = nullptr;
    IStorage* storage = nullptr;
    if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes))) return xml;
    if (SUCCEEDED(StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage))) {
        FORMATETC format{WinUtil::GetEmbedSourceClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
        STGMEDIUM medium{};
        medium.tymed = TYMED_ISTORAGE;
        medium.pstg = storage;
        IStream* stream = nullptr;
        if (data->GetDataHere(&format, &medium) == S_OK &&
            SUCCEEDED(storage->OpenStream(Core::kStorageStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
            char buffer[65536];
            ULONG got = 0;
            while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0) xml.append(buffer, got);
            stream->Release();
        }
        storage->Release();
    }
    bytes->Release();
    return xml;
}

// The pixels of the clipboard's PNG, counted by colour (0xRRGGBB).
std::map<long, int> PngColours(IDataObject* data) {
    std::map<long, int> colours;
    FORMATETC format{WinUtil::GetPngClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) != S_OK) return colours;
    using namespace Gdiplus::DllExports;
    DrawingKernel::GdiplusSession gdiplus;
    const LARGE_INTEGER zero{};
    medium.pstm->Seek(zero, STREAM_SEEK_SET, nullptr);
    Gdiplus::GpBitmap* image = nullptr;
    if (GdipCreateBitmapFromStream(medium.pstm, &image) == Gdiplus::Ok) {
        UINT w = 0, h = 0;
        GdipGetImageWidth(image, &w);
        GdipGetImageHeight(image, &h);
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) {
                Gdiplus::ARGB p = 0;
                GdipBitmapGetPixel(image, INT(x), INT(y), &p);
                ++colours[long(p & 0xFFFFFF)];
            }
        GdipDisposeImage(image);
    }
    ReleaseStgMedium(&medium);
    return colours;
}

// ---- the started editor

class CopyBetweenDocuments : public ::testing::TestWithParam<Case> {
protected:
    CopyBetweenDocuments() { TextBlock::InstallUniscribeMeasurer(); }
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }

    // The visible document window of the editor that is none of the known ones.
    HWND Another(const std::vector<HWND>& known) const {
        for (HWND w : VisibleWindows(editor_.Id()))
            if (std::find(known.begin(), known.end(), w) == known.end()) return w;
        return nullptr;
    }

    // Clicks the empty corner of the pane, as a user does before typing into it, and waits until
    // the pane has the keyboard.
    static void Focus(HWND pane) {
        RECT r{};
        GetClientRect(pane, &r);
        POINT corner{r.right - 30, r.bottom - 30};
        ClientToScreen(pane, &corner);
        ASSERT_TRUE(XMoveTo(corner));
        ASSERT_TRUE(XLeftButton(true));
        ASSERT_TRUE(XLeftButton(false));
        ASSERT_TRUE(WaitFor([&] {
            GUITHREADINFO gui{};
            gui.cbSize = sizeof gui;
            return GetGUIThreadInfo(GetWindowThreadProcessId(pane, nullptr), &gui) && gui.hwndFocus == pane;
        })) << "the pane does not take the keys";
    }

    // Copies everything of the source pane with Ctrl+A and Ctrl+C, once the clipboard is emptied.
    void CopyAll(HWND pane) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        CloseClipboard();
        ASSERT_NO_FATAL_FAILURE(Focus(pane));
        PacedChord(VK_CONTROL, 'A');
        PacedChord(VK_CONTROL, 'C');
        ASSERT_TRUE(WaitFor([] { return CountClipboardFormats() > 0; })) << "nothing was copied";
    }

    // Drags the selection, grabbed at the screen point, by the distance, with the button held as X
    // events (Wine's drag loop sees them held); before letting go, the pane must show the colour.
    static void DragSelection(POINT from, POINT by, HWND pane, long colour) {
        ASSERT_TRUE(XMoveTo(from));
        ASSERT_TRUE(XLeftButton(true));
        for (int i = 1; i <= 10; ++i) {
            ASSERT_TRUE(XMoveTo({from.x + by.x * i / 10, from.y + by.y * i / 10}));
            Pace();
        }
        EXPECT_TRUE(WaitFor([&] { return PixelsOf(pane, colour) > 100; })) << "no fill shows while the button is held";
        ASSERT_TRUE(XLeftButton(false));
    }

    // Saves the target with Ctrl+S; a new document is named in the Save As dialog.
    void Save(HWND frame, const std::wstring& path) {
        const bool untitled = IsUntitledWindow(frame);
        ASSERT_TRUE(BringToFront(frame));
        PacedChord(VK_CONTROL, 'S');
        if (untitled) {
            HWND dialog = nullptr, field = nullptr;
            ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(editor_.Id())) != nullptr; })) << "no Save As";
            ASSERT_TRUE((field = FileNameField(dialog)));
            SetWindowTextW(field, path.c_str());
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
        }
        ASSERT_TRUE(WaitFor([&] { return TitleNames(TitleShown(frame), path) && !Modified(frame); })) << "not saved";
    }

    // Copies or drags everything of the row's source into its target, as a user does, checks the
    // fills the target's pane shows and saves the target under saved.
    void CopyAndSave(const Case& row, const std::wstring& saved, std::map<long, int>& png, std::string& embed) {
        const std::wstring source = folder_.AddFile(L"source.qvd", Bytes(Z(row.source)));
        const bool other = !row.target.empty() && row.target != "=";
        const std::wstring target = other ? folder_.AddFile(L"target.qvd", Bytes(Z(row.target))) : L"";
        ASSERT_TRUE(editor_.Start(L"\"" + EditorPath() + L"\" source.qvd" + (other ? L" target.qvd" : L""), folder_.Path()));
        HWND from = nullptr, to = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (from = WindowOfPath(editor_.Id(), source)) && (!other || (to = WindowOfPath(editor_.Id(), target))); }));
        // Side by side and each brought to the front once before anything is clicked: the other
        // document's window, which the window manager may bring to the front late, covers nothing.
        if (other) { ASSERT_NE(PlaceHalf(to, true), nullptr); }
        const HWND fromPane = PlaceHalf(from, false);
        ASSERT_NE(fromPane, nullptr);
        if (row.via == Via::Clipboard) {
            ASSERT_NO_FATAL_FAILURE(CopyAll(fromPane));
            if (row.formats) {
                IDataObject* data = nullptr;
                ASSERT_EQ(OleGetClipboard(&data), S_OK);
                embed = EmbedSourceXml(data);
                png = PngColours(data);
                data->Release();
            }
            if (!other) {
                PacedChord(VK_CONTROL, 'N');
                ASSERT_TRUE(WaitFor([&] { return (to = Another({from})) != nullptr && IsUntitledWindow(to); })) << "no new window";
            }
            ASSERT_NE(pane_ = PlaceHalf(to, true), nullptr);
            ASSERT_NO_FATAL_FAILURE(Focus(pane_));
            PacedChord(VK_CONTROL, 'V');
        } else {
            to = other ? to : from;
            ASSERT_NE(pane_ = other ? PlaceHalf(to, true) : fromPane, nullptr);
            ASSERT_TRUE(BringToFront(from));
            ASSERT_NO_FATAL_FAILURE(Focus(fromPane));
            PacedChord(VK_CONTROL, 'A');
            // Grabbed inside the green class, dropped in the middle of the other pane or 120 pixels
            // further right and down in its own.
            const long green = 0xC0FFC0;
            ASSERT_TRUE(WaitFor([&] { return PixelsOf(fromPane, green) > 100; })) << "the green class does not show";
            const PanePixels shot(fromPane);
            POINT grab{-1, -1};
            for (int y = 0; y < shot.Height() && grab.x < 0; ++y)
                for (int x = 0; x < shot.Width() && grab.x < 0; ++x)
                    if (shot.At(x, y) == DWORD(green) && shot.At(x + 12, y + 12) == DWORD(green)) grab = {x + 12, y + 12};
            ASSERT_GE(grab.x, 0) << "no place to grab the green class by";
            ClientToScreen(fromPane, &grab);
            RECT drop{};
            GetWindowRect(pane_, &drop);
            const POINT by = other ? POINT{(drop.left + drop.right) / 2 - grab.x, (drop.top + drop.bottom) / 2 - grab.y}
                                   : POINT{120, 120};
            ASSERT_NO_FATAL_FAILURE(DragSelection(grab, by, pane_, green));
        }
        ASSERT_TRUE(WaitFor([&] { return Modified(to); })) << "nothing came";
        ASSERT_NO_FATAL_FAILURE(ExpectFillsShown(row));
        ASSERT_NO_FATAL_FAILURE(Save(to, other ? target : row.target == "=" ? source : saved));
    }

    // The pane shows the fill of every element style the source's elements carry, in the colour
    // the target gives it (its own when it had the style).
    void ExpectFillsShown(const Case& row) {
        const ReadBack source(Z(row.source)), target(Z(row.target.size() > 1 ? row.target : row.source));
        const auto own = row.target.size() > 1 ? ElementStyles(*target.model) : std::map<std::wstring, long>{};
        for (const auto& [name, colour] : ElementStyles(*source.model)) {
            if (!UsedStyles(*source.model).count(name) || colour < 0) continue;
            const long shown = own.count(name) ? own.at(name) : colour;
            EXPECT_TRUE(WaitFor([&] { return PixelsOf(pane_, shown) > 100; }))
                << Narrow(name) << " shows no fill " << std::hex << shown;
        }
    }

    // The saved copy: every qualifier on its side of its box, every compartment below its owner's
    // name, every lifeline in the middle of its object; and each box, end and join where the
    // source restyled in place to the copy's fonts has it, moved by the paste, with its size.
    void ExpectLaidOutAsRestyledInPlace(const ReadBack& source, const ReadBack& back) {
        EXPECT_EQ(LayoutChecks::LayoutFault(*back.model), "");
        EXPECT_EQ(LayoutChecks::QualifierSides(*back.model), LayoutChecks::QualifierSides(*source.model))
            << "a qualifier left its side";
        const ReadBack restyled(Z(GetParam().source));
        Core::Transaction t(*restyled.model);
        Core::Env env(t);
        Style::ImportStyles(env, *back.model);
        env.Close();
        const std::vector<Placed> was = PlacedElements(*restyled.model), is = PlacedElements(*back.model);
        ASSERT_EQ(was.size(), is.size());
        ASSERT_FALSE(was.empty());
        const zq::Point offset = is[0].pos - was[0].pos;
        for (size_t i = 0; i < was.size(); ++i) EXPECT_EQ(is[i].Text(), was[i].Moved(offset).Text()) << i;
    }

    static std::wstring Z(const std::string& path) { return std::wstring(path.begin(), path.end()); }

    const std::wstring name_ = L"QuorvelCopy-" + Z(GetParam().name);
    TempFolder folder_{name_.c_str()};
    // The target saved as a new document, removed once the editor has ended.
    struct Removed {
        std::wstring path;
        ~Removed() { DeleteFileW(path.c_str()); }
    } saved_{folder_.Path() + L"\\pasted.qvd"};
    Process editor_;
    HWND pane_ = nullptr;
};

TEST_P(CopyBetweenDocuments, KeepsStylesFillsPlacesAndSizes) {
    const Case& row = GetParam();
    const std::wstring& saved = saved_.path;
    std::map<long, int> png;
    std::string embed;
    ASSERT_NO_FATAL_FAILURE(CopyAndSave(row, saved, png, embed));
    const std::string written = row.target.empty() ? "" : row.target == "=" ? row.source : row.target;
    const ReadBack source(Z(row.source)), back(row.target.empty() ? saved : folder_.Path() + (row.target == "=" ? L"\\source.qvd" : L"\\target.qvd"));
    ASSERT_EQ(back.warnings, 0u);

    // One style: the target's fonts and element styles kept, the used ones of the source added.
    int styles = 0;
    const std::set<std::wstring> used = UsedStyles(*source.model);
    EXPECT_EQ(UsedStyles(*back.model, &styles), used);
    EXPECT_EQ(styles, 1);
    std::map<std::wstring, long> expected = ElementStyles(*source.model);
    std::erase_if(expected, [&](const auto& s) { return !used.count(s.first); });
    if (!written.empty()) {
        const ReadBack before(Z(written));
        for (const auto& [name, colour] : ElementStyles(*before.model)) expected[name] = colour;
        Style::Style *was = StyleOf(*before.model), *is = StyleOf(*back.model);
        std::vector<const Style::Directory*> open{was->GetRoot()};
        while (!open.empty()) {
            const Style::Directory* d = open.back();
            open.pop_back();
            open.insert(open.end(), d->GetNodes().begin(), d->GetNodes().end());
            const Style::Directory* now = is->GetRoot()->Find(d->GetDirectoryName());
            ASSERT_NE(now, nullptr) << Narrow(d->GetDirectoryName().GetName());
            if (d->GetFont()) {
                EXPECT_TRUE(now->GetFont() && now->GetFont()->Equals(*d->GetFont()))
                    << "the target's font of " << Narrow(d->GetDirectoryName().GetName()) << " changed";
            }
        }
    }
    EXPECT_EQ(ElementStyles(*back.model), expected);

    // What another program reads: the style with the element styles used, and their fills.
    if (row.formats) {
        const std::wstring xml = folder_.AddFile(L"embed.qvd", embed);
        const ReadBack other(xml);
        for (const auto& [name, colour] : expected) {
            EXPECT_EQ(ElementStyles(*other.model).count(name) ? ElementStyles(*other.model).at(name) : -2, colour);
            EXPECT_GT(png[colour], 100) << "the PNG shows no fill " << std::hex << colour;
        }
    }

    // Every box of the source moved by the paste's offset, as large as it was (or, in other fonts,
    // no smaller); every end on its terminal.
    const std::vector<Placed> was = PlacedElements(*source.model), is = PlacedElements(*back.model);
    ASSERT_EQ(was.size(), is.size());
    ASSERT_FALSE(was.empty());
    const zq::Point offset(is[0].pos.x - was[0].pos.x, is[0].pos.y - was[0].pos.y);
    for (size_t i = 0; i < was.size(); ++i) {
        ASSERT_EQ(Narrow(is[i].type), Narrow(was[i].type)) << i;
        const bool kept = row.boxes == Boxes::Kept;
        EXPECT_TRUE(!kept || (is[i].pos.x - was[i].pos.x == offset.x && is[i].pos.y - was[i].pos.y == offset.y))
            << Narrow(was[i].type) << " " << i << " moved by " << is[i].pos.x - was[i].pos.x << " "
            << is[i].pos.y - was[i].pos.y << ", the paste by " << offset.x << " " << offset.y;
        EXPECT_TRUE(kept ? is[i].size.x == was[i].size.x && is[i].size.y == was[i].size.y
                         : is[i].size.x >= was[i].size.x && is[i].size.y >= was[i].size.y)
            << Narrow(was[i].type) << " " << i << " was " << was[i].size.x << " x " << was[i].size.y << ", is "
            << is[i].size.x << " x " << is[i].size.y;
    }
    for (const Core::ElementPtr& e : back.model->Elements())
        if (auto* end = dynamic_cast<const Connector::IEnd*>(e.get())) {
            EXPECT_TRUE(OnItsTerminal(*end)) << Narrow(e->GetTypeName()) << " " << e->GetObjectId() << " lies off its terminal";
        }
    if (row.boxes == Boxes::Restyled) ExpectLaidOutAsRestyledInPlace(source, back);
}

INSTANTIATE_TEST_SUITE_P(Rows, CopyBetweenDocuments, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace CopyBetweenDocumentsTest
