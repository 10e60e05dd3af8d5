// Pictures of diagrams: Save As with "emf", "wmf" and "png", the placeable header of WMF files, the
// size of an empty diagram's picture, failed writes that leave nothing behind, the pictures of an
// embedded diagram, and that exporting leaves the document untouched.
#include "Editor/Export.h"
#include "Editor/MetafileCreator.h"
#include "Editor/MetafileProvider.h"
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/Figures.h"
#include "app/winutil/ClipFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace EditorTest;

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream f(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

uint16_t Word(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t Dword(const std::vector<uint8_t>& b, size_t at) { return uint32_t(Word(b, at)) | uint32_t(Word(b, at + 2)) << 16; }

// The frame of an EMF file in 0.01 mm (width, height).
std::pair<int, int> EmfFrame(const std::wstring& path) {
    HENHMETAFILE emf = GetEnhMetaFileW(path.c_str());
    if (!emf) return {0, 0};
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    DeleteEnhMetaFile(emf);
    return {h.rclFrame.right - h.rclFrame.left, h.rclFrame.bottom - h.rclFrame.top};
}

// The pixel size of a PNG file (from its header).
std::pair<uint32_t, uint32_t> PngSize(const std::wstring& path) {
    const std::vector<uint8_t> b = ReadBytes(path);
    if (b.size() < 24 || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return {0, 0};
    auto be = [&](size_t at) { return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3]; };
    return {be(16), be(20)};
}

// The files of a folder other than the listed names.
std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

struct ExportFixture : ::testing::Test {
    DrawingKernel::GdiplusSession gdiplus;
    TempFolder folder{L"QvExport"};
    FigureDiagram doc;
    std::vector<std::wstring> reports;
    ExportFixture() {
        Editor::SetExportReporter([this](const std::wstring& text) { reports.push_back(text); });
    }
    ~ExportFixture() override { Editor::SetExportReporter({}); }
    // A path in the folder that is deleted with it.
    std::wstring Target(const std::wstring& name) {
        const std::wstring path = folder.AddFile(name);
        DeleteFileW(path.c_str());
        return path;
    }
};

TEST_F(ExportFixture, TheExtensionChoosesThePictureInAnyCase) {
    EXPECT_EQ(Editor::PictureKindOf(L"C:\\a\\b.EMF"), Editor::PictureKind::Emf);
    EXPECT_EQ(Editor::PictureKindOf(L"b.wmf"), Editor::PictureKind::Wmf);
    EXPECT_EQ(Editor::PictureKindOf(L"b.Png"), Editor::PictureKind::Png);
    EXPECT_EQ(Editor::PictureKindOf(L"b.qvd"), Editor::PictureKind::None);
    EXPECT_EQ(Editor::PictureKindOf(L"png"), Editor::PictureKind::None);
    EXPECT_EQ(Editor::PictureKindOf(L"b.png.qvd"), Editor::PictureKind::None);
    // Another file type writes nothing and leaves the choice to the caller.
    const std::wstring diagram = Target(L"d.qvd");
    EXPECT_FALSE(Editor::SaveAsPicture(*doc.diagram, diagram));
    EXPECT_EQ(GetFileAttributesW(diagram.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ExportFixture, AnEmptyDiagramIsFortyMillimetresSquarePlusTheBorder) {
    const std::wstring emf = Target(L"empty.emf"), wmf = Target(L"empty.wmf"), png = Target(L"empty.png");
    for (const std::wstring& path : {emf, wmf, png}) EXPECT_TRUE(Editor::SaveAsPicture(*doc.diagram, path));
    EXPECT_TRUE(reports.empty());
    const auto [w, h] = EmfFrame(emf);
    EXPECT_NEAR(w, 4400, 2);
    EXPECT_NEAR(h, 4400, 2);
    const std::vector<uint8_t> b = ReadBytes(wmf);
    ASSERT_GT(b.size(), 22u + 18u);
    EXPECT_EQ(Word(b, 10), 4400);
    EXPECT_EQ(Word(b, 12), 4400);
    const auto [pw, ph] = PngSize(png);
    EXPECT_EQ(pw, 166u);  // 44 mm at 96 dots per inch
    EXPECT_EQ(ph, 166u);
}

TEST_F(ExportFixture, AWmfFileHasThePlaceableHeaderOfThePicture) {
    doc.Add(1000, -1000, 12345, 6789, L"header");  // 123.45 x 67.89 mm from (10, -10) mm
    const std::wstring wmf = Target(L"header.wmf");
    ASSERT_TRUE(Editor::SaveAsPicture(*doc.diagram, wmf));
    const std::vector<uint8_t> b = ReadBytes(wmf);
    ASSERT_GT(b.size(), 22u + 18u);
    EXPECT_EQ(b[0], 0xD7);
    EXPECT_EQ(b[1], 0xCD);
    EXPECT_EQ(b[2], 0xC6);
    EXPECT_EQ(b[3], 0x9A);
    EXPECT_EQ(Word(b, 4), 0);   // handle
    EXPECT_EQ(Word(b, 6), 0);   // left
    EXPECT_EQ(Word(b, 8), 0);   // top
    // The extent is rounded out to whole millimetres (from 10 to 134 across, -10 to -78 down) plus 2 mm each side.
    EXPECT_EQ(Word(b, 10), 12800);
    EXPECT_EQ(Word(b, 12), 7200);
    EXPECT_EQ(Word(b, 14), 2540);
    EXPECT_EQ(Dword(b, 16), 0u);
    uint16_t sum = 0;
    for (size_t at = 0; at < 20; at += 2) sum ^= Word(b, at);
    EXPECT_EQ(Word(b, 20), sum);
    // The Windows metafile's own header follows: type 1 or 2, header size 9 words.
    EXPECT_EQ(Word(b, 24), 9);
}

TEST_F(ExportFixture, ALargePictureKeepsItsRealSizeInTheHeader) {
    doc.Add(0, 0, 50000, 1000);  // 500 mm across: more than 16-bit hundredths of a millimetre hold
    const std::wstring wmf = Target(L"large.wmf");
    ASSERT_TRUE(Editor::SaveAsPicture(*doc.diagram, wmf));
    const std::vector<uint8_t> b = ReadBytes(wmf);
    ASSERT_GT(b.size(), 22u);
    const double inch = Word(b, 14);
    EXPECT_LT(inch, 2540);
    EXPECT_NEAR(Word(b, 10) * 2540.0 / inch, 50400, 60);  // 504 mm on paper
}

TEST_F(ExportFixture, AFailedWriteIsReportedAndLeavesNothing) {
    doc.Add(0, 0, 3000, 2000, L"lost");
    const std::wstring missing = folder.Path() + L"\\no such folder\\x.emf";
    EXPECT_TRUE(Editor::SaveAsPicture(*doc.diagram, missing));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind(L"Quorvel UML Editor cannot save " + missing + L".\n(", 0), 0u) << reports[0];

    // A file that cannot be replaced keeps its content, and no half-written sibling stays behind.
    const std::wstring held = folder.AddFile(L"held.png", "old picture");
    HANDLE lock = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Editor::SaveAsPicture(*doc.diagram, held));
    CloseHandle(lock);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].find(held), std::wstring::npos);
    const std::vector<uint8_t> kept = ReadBytes(held);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "old picture");
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::wstring>{L"held.png"});

    // A file marked read-only is refused as a diagram's file is, named in the report.
    ASSERT_TRUE(SetFileAttributesW(held.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(Editor::SaveAsPicture(*doc.diagram, held));
    SetFileAttributesW(held.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_NE(reports[2].find(held + L" is marked read-only. The file was left as it was."), std::wstring::npos)
        << reports[2];
    EXPECT_EQ(ReadBytes(held), kept);
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::wstring>{L"held.png"});
}

TEST_F(ExportFixture, ExportingNeitherChangesNorKeepsHoldOfTheDocument) {
    Figure& figure = doc.Add(0, 0, 3000, 2000, L"kept");
    const size_t undo = doc.diagram->GetUndoHandler().GetUndoCount();
    const std::wstring png = Target(L"kept.png");
    ASSERT_TRUE(Editor::SaveAsPicture(*doc.diagram, png));
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(doc.diagram->GetUndoHandler().GetUndoCount(), undo);
    EXPECT_FALSE(doc.diagram->IsTransactionOpen());
    EXPECT_TRUE(doc.diagram->GetViews().empty());
    EXPECT_TRUE(figure.GetViewElements().empty()) << "the export's view elements must go with its view";
    EXPECT_EQ(PngSize(png).first, uint32_t(std::lround(3400 * 96 / 2540.0)));
}

// A set of some of the diagram's elements, as the clipboard hands them over.
struct Selection : Core::IClub {
    std::vector<Core::IModelElement*> elements;
    void ForEachElement(const std::function<void(Core::IModelElement&)>& f) const override {
        for (Core::IModelElement* e : elements) f(*e);
    }
};

TEST_F(ExportFixture, ACreatorDrawsOnlyItsSourceAndServesEveryFormatFromOneDrawing) {
    Figure& a = doc.Add(0, 0, 3000, 2000);
    doc.Add(50000, -50000, 1000, 1000);
    Selection selection;
    selection.elements.push_back(&a);
    Editor::MetafileCreator creator(selection);
    ICanvas::DoubleRect extent;
    creator.GetExtent(extent);
    EXPECT_LE(extent.right, 3100);
    EXPECT_GE(extent.bottom, -2100);
    STGMEDIUM emf{}, pict{}, png{};
    creator.CreateEnhancedMetafile(emf, 0);
    creator.CreateWindowsMetafile(pict, 0);
    creator.CreatePngStream(png, 0);
    EXPECT_EQ(emf.tymed, DWORD(TYMED_ENHMF));
    EXPECT_EQ(pict.tymed, DWORD(TYMED_MFPICT));
    ASSERT_EQ(png.tymed, DWORD(TYMED_ISTREAM));
    STATSTG stat{};
    png.pstm->Stat(&stat, STATFLAG_NONAME);
    EXPECT_GT(stat.cbSize.QuadPart, 8u);
    {
        WinUtil::GlobalLock lock(pict.hMetaFilePict);
        const auto* p = static_cast<const METAFILEPICT*>(lock.Data());
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->xExt, 3000);
        EXPECT_EQ(p->yExt, 2000);
    }
    for (STGMEDIUM* m : {&emf, &pict, &png}) ReleaseStgMedium(m);
}

TEST_F(ExportFixture, TheEmbeddedDiagramsPicturesFollowTheDiagram) {
    Application::IFormatProvider* provider = Editor::CreateMetafileProvider(*doc.diagram);
    provider->AddRef();
    ASSERT_EQ(provider->GetFormatCount(), 3);
    EXPECT_EQ(provider->GetFormat(0).cfFormat, CF_ENHMETAFILE);
    EXPECT_EQ(provider->GetFormat(1).cfFormat, CF_METAFILEPICT);
    EXPECT_EQ(provider->GetFormat(2).cfFormat, WinUtil::GetPngClipFormat());
    EXPECT_EQ(provider->GetFormat(2).tymed, DWORD(TYMED_ISTREAM));
    EXPECT_EQ(doc.diagram->GetViews().size(), 1u);
    auto pictureWidth = [&] {
        STGMEDIUM m{};
        FORMATETC f = provider->GetFormat(1);
        if (provider->GetData(1, f, m) != S_OK) return LONG(-1);
        LONG width;
        {
            WinUtil::GlobalLock lock(m.hMetaFilePict);
            width = static_cast<const METAFILEPICT*>(lock.Data())->xExt;
        }
        ReleaseStgMedium(&m);
        return width;
    };
    EXPECT_EQ(pictureWidth(), 4400);  // empty
    doc.Add(0, 0, 10000, 2000);
    EXPECT_EQ(pictureWidth(), 10400);
    STGMEDIUM m{};
    FORMATETC wrong = provider->GetFormat(0);
    wrong.tymed = TYMED_HGLOBAL;
    EXPECT_EQ(provider->GetData(0, wrong, m), DV_E_TYMED);
    EXPECT_EQ(provider->GetData(3, wrong, m), E_NOTIMPL);
    provider->Release();
    EXPECT_TRUE(doc.diagram->GetViews().empty());
}

} // namespace
