// Everything of the class benchmark's document (10,000 classes, 10,000 associations) copied with the
// real keys in a started editor: this process, another program to the editor, reads every format
// the clipboard offers; then the editor is closed as a user closes it. No error box comes up, neither
// while the formats are read nor when the clipboard is handed over at exit, and what is left on the
// clipboard pastes every class and association into a new editor.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "app/winutil/ClipFormat.h"
#include "core/win/Storage.h"
#include "drawing/DrawingKernel.h"
#include "elements/class/bench/ClassDocument.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using namespace EditorTest;

// How long the editor may take for one step (reading, copying, rendering a format, closing, pasting).
constexpr DWORD kPatience = 90000;

// Whether the editor's window thread has handled everything it was given (it answers a message).
bool Settled(HWND frame) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result) != 0;
}

// Whether the process has put its data object on the clipboard and closed the clipboard again: a
// window of the process owns it, OLE's "DataObject" format (set last) is there, and others can open it.
bool CopiedBy(DWORD pid) {
    DWORD owner = 0;
    HWND window = GetClipboardOwner();
    if (!window || !GetWindowThreadProcessId(window, &owner) || owner != pid || !OpenClipboard(nullptr)) return false;
    const bool done = IsClipboardFormatAvailable(RegisterClipboardFormatW(L"DataObject"));
    CloseClipboard();
    return done;
}

// How often the text occurs in the bytes.
size_t Count(const std::string& bytes, const std::string& text) {
    size_t n = 0;
    for (size_t at = bytes.find(text); at != std::string::npos; at = bytes.find(text, at + 1)) ++n;
    return n;
}

// Watches a process for message boxes while it lives: notes each box's caption and answers it with
// OK, so that a box the process waits on cannot hold the test up.
class BoxWatch {
public:
    explicit BoxWatch(DWORD pid) : pid_(pid), thread_([this] { Watch(); }) {}
    BoxWatch(const BoxWatch&) = delete;
    BoxWatch& operator=(const BoxWatch&) = delete;
    ~BoxWatch() {
        stop_ = true;
        thread_.join();
    }
    // The captions of the boxes seen so far, one line each.
    std::string Captions() {
        std::lock_guard<std::mutex> lock(mutex_);
        return captions_;
    }

private:
    void Watch() {
        while (!stop_) {
            if (HWND box = FindMessageBox(pid_)) {
                const std::wstring caption = TextOf(box);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    captions_ += std::string(caption.begin(), caption.end()) + '\n';
                }
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
            }
            Sleep(20);
        }
    }

    DWORD pid_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string captions_;
    std::thread thread_;  // last: it starts once the rest is made
};

// OLE for this process while it lives.
struct Ole {
    Ole() { OleInitialize(nullptr); }
    ~Ole() { OleUninitialize(); }
};

// A compound file in memory.
struct MemoryStorage {
    IStorage* storage = nullptr;
    MemoryStorage() {
        ILockBytes* bytes = nullptr;
        if (SUCCEEDED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes))) {
            StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
            bytes->Release();
        }
    }
    ~MemoryStorage() {
        if (storage) storage->Release();
    }
    // The bytes of a stream of the storage.
    std::string Stream(const wchar_t* name) const {
        std::string out;
        IStream* stream = nullptr;
        if (!storage || FAILED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream)))
            return out;
        char buffer[65536];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0) out.append(buffer, got);
        stream->Release();
        return out;
    }
};

// What this process, as another program, got for the formats the clipboard offers: the answer for
// each format, the XML of "Embed Source", the PNG's size and the EMF's frame (0.01 mm).
struct Read {
    std::vector<std::pair<CLIPFORMAT, HRESULT>> answers;
    std::string xml;
    UINT pngWidth = 0, pngHeight = 0;
    LONG emfWidth = 0;
};

void ReadMedium(CLIPFORMAT format, const STGMEDIUM& medium, Read& read) {
    if (format == WinUtil::GetPngClipFormat() && medium.tymed == TYMED_ISTREAM) {
        DrawingKernel::GdiplusSession gdiplus;
        const LARGE_INTEGER zero{};
        medium.pstm->Seek(zero, STREAM_SEEK_SET, nullptr);
        Gdiplus::GpBitmap* image = nullptr;
        if (Gdiplus::DllExports::GdipCreateBitmapFromStream(medium.pstm, &image) == Gdiplus::Ok) {
            Gdiplus::DllExports::GdipGetImageWidth(image, &read.pngWidth);
            Gdiplus::DllExports::GdipGetImageHeight(image, &read.pngHeight);
            Gdiplus::DllExports::GdipDisposeImage(image);
        }
    } else if (format == CF_ENHMETAFILE && medium.tymed == TYMED_ENHMF) {
        ENHMETAHEADER header{};
        if (GetEnhMetaFileHeader(medium.hEnhMetaFile, sizeof header, &header))
            read.emfWidth = header.rclFrame.right - header.rclFrame.left;
    }
}

// Asks the clipboard for every format it offers, as a program reading the clipboard does: a storage
// format into a storage of its own (GetDataHere), any other with GetData.
Read ReadEveryFormat() {
    Read read;
    IDataObject* data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data) return read;
    std::vector<FORMATETC> offered;
    IEnumFORMATETC* formats = nullptr;
    if (SUCCEEDED(data->EnumFormatEtc(DATADIR_GET, &formats)) && formats) {
        FORMATETC format;
        while (formats->Next(1, &format, nullptr) == S_OK) {
            if (format.ptd) CoTaskMemFree(format.ptd);
            format.ptd = nullptr;
            offered.push_back(format);
        }
        formats->Release();
    }
    for (FORMATETC& format : offered) {
        STGMEDIUM medium{};
        HRESULT hr;
        if (format.tymed & TYMED_ISTORAGE) {
            MemoryStorage storage;
            format.tymed = TYMED_ISTORAGE;
            medium.tymed = TYMED_ISTORAGE;
            medium.pstg = storage.storage;
            hr = data->GetDataHere(&format, &medium);
            if (hr == S_OK && format.cfFormat == WinUtil::GetEmbedSourceClipFormat())
                read.xml = storage.Stream(Core::kStorageStreamName);
        } else {
            hr = data->GetData(&format, &medium);
            if (hr == S_OK) {
                ReadMedium(format.cfFormat, medium, read);
                ReleaseStgMedium(&medium);
            }
        }
        read.answers.emplace_back(format.cfFormat, hr);
    }
    data->Release();
    return read;
}

// The answer for a format; E_FAIL when it was not offered.
HRESULT AnswerFor(const Read& read, CLIPFORMAT format) {
    for (const auto& [f, hr] : read.answers)
        if (f == format) return hr;
    return E_FAIL;
}

// Starts the editor on a document of the folder and answers its window, placed large and in front
// with the document drawn (null when that does not come in time).
HWND StartOn(Process& editor, const TempFolder& folder, const std::wstring& name) {
    if (!editor.Start(L"\"" + EditorPath() + L"\" " + name, folder.Path())) return nullptr;
    HWND frame = nullptr;
    const std::wstring file = folder.Path() + L"\\" + name;
    if (!WaitFor([&] { return (frame = WindowOfPath(editor.Id(), file)) != nullptr; }, kPatience)) return nullptr;
    return PlaceLarge(frame) && Settled(frame) && editor.WaitIdle(kPatience) == 0 ? frame : nullptr;
}

// The benchmark's document with one class more, 6 m below the others: a drawing of 3.5 x 6 m, whose
// picture at 96 dpi (13228 x 22677 pixels, 1.2 GB at 32 bits) no 32-bit process can hold.
std::string LargeDocument() {
    std::string document = ClassBench::Document(true);
    document.insert(document.rfind("</Diagram>"),
                    "<Class id=\"r999999\" Pos=\"0 -600000\" Size=\"3000 1500\"><Text>Far</Text></Class>\n");
    return document;
}

TEST(LargeClipboard, EveryFormatOfTenThousandCopiedClassesIsReadAndTheEditorQuitsWithoutABoxLeavingThemToPaste) {
    Ole ole;
    TempFolder folder(L"QvLargeClipboard");
    folder.AddFile(L"large.qvd", LargeDocument());
    const std::wstring empty = folder.AddFile(L"empty.qvd", ClassBench::Document(false, false, 0));
    {
        Process editor;
        HWND frame = StartOn(editor, folder, L"large.qvd");
        ASSERT_NE(frame, nullptr);
        BoxWatch boxes(editor.Id());
        ASSERT_TRUE(WaitFor([&] { return DarkArea(PaneOf(frame)).has_value(); }, kPatience)) << "nothing drawn";

        // Ctrl+A and Ctrl+C, as typed.
        PacedChord(VK_CONTROL, 'A');
        PacedChord(VK_CONTROL, 'C');
        ASSERT_TRUE(WaitFor([&] { return CopiedBy(editor.Id()); }, kPatience)) << "nothing was copied";
        ASSERT_EQ(editor.WaitIdle(kPatience), 0u) << "the editor does not wait for input";

        // Every format answers: the pictures as large as a picture can be, "Embed Source" with everything.
        const Read read = ReadEveryFormat();
        for (CLIPFORMAT format : {CLIPFORMAT(CF_ENHMETAFILE), CLIPFORMAT(CF_METAFILEPICT),
                                  WinUtil::GetEmbedSourceClipFormat(), WinUtil::GetPngClipFormat()})
            EXPECT_EQ(AnswerFor(read, format), S_OK) << "format " << format;
        for (const auto& [format, hr] : read.answers) EXPECT_EQ(hr, S_OK) << "format " << format;
        EXPECT_EQ(Count(read.xml, "<Class "), 10001u);
        EXPECT_GT(read.emfWidth, 99 * ClassBench::kPitch + ClassBench::kWidth) << "the EMF shows every class";
        EXPECT_GT(read.pngWidth, 1000u);
        EXPECT_LE(double(read.pngWidth) * read.pngHeight, DrawingKernel::kMaxPngPixels);
        EXPECT_EQ(boxes.Captions(), "") << "while the formats were read";
        ASSERT_EQ(editor.WaitExit(0), STILL_ACTIVE) << "the editor ended";

        // Closed as a user closes the window: the clipboard is handed over on the way out.
        ASSERT_TRUE(TakesKeys(frame));
        PacedChord(VK_MENU, VK_F4);
        EXPECT_EQ(editor.WaitExit(kPatience), 0u) << "the editor did not end by itself";
        EXPECT_EQ(boxes.Captions(), "") << "at exit";
    }
    EXPECT_TRUE(IsClipboardFormatAvailable(WinUtil::GetEmbedSourceClipFormat()));

    // The flushed clipboard pastes everything into a new editor.
    Process second;
    HWND frame = StartOn(second, folder, L"empty.qvd");
    ASSERT_NE(frame, nullptr);
    BoxWatch boxes(second.Id());
    PacedChord(VK_CONTROL, 'V');
    ASSERT_TRUE(WaitFor([&] { return Modified(frame); }, kPatience)) << "nothing was pasted";
    ASSERT_TRUE(Settled(frame));
    PacedChord(VK_CONTROL, 'S');
    ASSERT_TRUE(WaitFor([&] { return !Modified(frame); }, kPatience)) << "the document was not saved";
    const std::string saved = Bytes(empty);
    EXPECT_EQ(Count(saved, "<Class "), 10001u);
    EXPECT_EQ(Count(saved, "<Assoc "), 10000u);
    EXPECT_EQ(boxes.Captions(), "") << "while pasting";
}

} // namespace
