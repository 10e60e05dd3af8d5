// What the tours of the started editor (TourTest.cpp) work with: the pane's pixels as the screen
// shows them, a saved document read back as a tree of elements, and keys typed as a hand types them.
#pragma once

#include "Editor/tests/RealInput.h"
#include "core/xml/Reader.h"
#include "drawing/DrawingKernel.h"

#include <gdiplus.h>

#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <vector>

namespace EditorTest {

// Text for failure messages.
inline std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow += c < 128 ? char(c) : '?';
    return narrow;
}

// ---- pictures of the pane

// The pixels of a window's client area as the screen shows them (0x00RRGGBB, rows top down).
struct Picture {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;

    static Picture Of(HWND window);
    bool operator==(const Picture& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
    // The bounding box of the dark pixels (lines, text) inside the rectangle; empty when none.
    RECT DarkIn(RECT area) const;
    // A picture of the pixels that differ: red where they differ, the first picture faded elsewhere.
    Picture Difference(const Picture& other) const;
    // Writes the picture as a PNG file; false when it cannot.
    bool Save(const std::wstring& path) const;
};

inline Picture Picture::Of(HWND window) {
    Picture p;
    SIZE size{};
    p.pixels = ScreenPixels(window, nullptr, &size);
    p.width = size.cx;
    p.height = size.cy;
    return p;
}

// The window's picture once it stops changing: the same pixels three times in a row, 40 ms apart.
inline Picture SteadyPicture(HWND window) {
    Picture now = Picture::Of(window);
    int same = 0;
    WaitFor([&] {
        Sleep(40);
        Picture next = Picture::Of(window);
        same = next == now ? same + 1 : 0;
        now = std::move(next);
        return same == 3;
    });
    return now;
}

// Whether a pixel is dark enough to be part of a line or a letter.
inline bool IsDark(DWORD c) { return (c & 0xFF) < 100 && ((c >> 8) & 0xFF) < 100 && ((c >> 16) & 0xFF) < 100; }

inline RECT Picture::DarkIn(RECT area) const {
    RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = std::max<LONG>(0, area.top); y < std::min<LONG>(height, area.bottom); ++y)
        for (LONG x = std::max<LONG>(0, area.left); x < std::min<LONG>(width, area.right); ++x) {
            if (!IsDark(pixels[size_t(y) * width + x])) continue;
            found = {std::min(found.left, x), std::min(found.top, y), std::max(found.right, x + 1),
                     std::max(found.bottom, y + 1)};
        }
    return found.left == LONG_MAX ? RECT{} : found;
}

inline Picture Picture::Difference(const Picture& other) const {
    Picture d = *this;
    for (size_t i = 0; i < d.pixels.size(); ++i) {
        const bool same = i < other.pixels.size() && pixels[i] == other.pixels[i];
        d.pixels[i] = same ? 0xFFFFFF - ((0xFFFFFF - pixels[i]) / 4 & 0x3F3F3F) : 0xFF0000;
    }
    return d;
}

inline bool Picture::Save(const std::wstring& path) const {
    using namespace Gdiplus::DllExports;
    DrawingKernel::GdiplusSession session;
    std::vector<DWORD> opaque(pixels);
    for (DWORD& pixel : opaque) pixel |= 0xFF000000;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(opaque.data()),
                                  &bitmap) != Gdiplus::Ok)
        return false;
    UINT count = 0, size = 0;
    GdipGetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    bool saved = false;
    if (size && GdipGetImageEncoders(count, size, codecs) == Gdiplus::Ok)
        for (UINT i = 0; i < count && !saved; ++i)
            if (codecs[i].MimeType && std::wstring(codecs[i].MimeType) == L"image/png")
                saved = GdipSaveImageToFile(bitmap, path.c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

// ---- the saved file read back

// An element of a saved document: its local name, attributes and character data, and children.
struct Node {
    std::wstring name;
    std::map<std::wstring, std::wstring> attributes;
    std::wstring text;
    std::vector<Node> children;

    std::wstring Attribute(const std::wstring& key) const {
        auto it = attributes.find(key);
        return it == attributes.end() ? std::wstring() : it->second;
    }
    // The characters of its "Text" child.
    std::wstring Name() const {
        for (const Node& child : children)
            if (child.name == L"Text") return child.text;
        return {};
    }
    // Every element below (at any depth) with the local name.
    std::vector<const Node*> All(const std::wstring& local) const {
        std::vector<const Node*> found;
        for (const Node& child : children) {
            if (child.name == local) found.push_back(&child);
            for (const Node* below : child.All(local)) found.push_back(below);
        }
        return found;
    }
    // The one element below with the local name whose text is name, or null.
    const Node* Named(const std::wstring& local, const std::wstring& text) const {
        for (const Node* n : All(local))
            if (n->Name() == text) return n;
        return nullptr;
    }
};

// Reads the content of the element just opened into parent, up to its end tag.
inline void ReadChildren(xml::Reader& reader, Node& parent) {
    xml::Tag tag;
    std::wstring text;
    for (;;) {
        switch (reader.ReadNode(tag, text)) {
        case xml::Reader::Node::Text:
            parent.text += text;
            break;
        case xml::Reader::Node::StartTag: {
            Node child;
            child.name = tag.LocalName();
            const xml::Attributes& attributes = tag.GetAttributes();
            for (size_t i = 0; i < attributes.Count(); ++i)
                child.attributes[attributes.At(i).name] = attributes.At(i).value;
            if (!tag.IsEmptyElement()) ReadChildren(reader, child);
            parent.children.push_back(std::move(child));
            break;
        }
        default:
            return;  // the parent's end tag, or the end of the document
        }
    }
}

// The root element of the document text (an element named "" when it cannot be read).
inline Node ReadDocument(const std::string& text) {
    Node root;
    try {
        xml::Reader reader(text);
        xml::Tag tag;
        reader.ReadRoot(tag);
        root.name = tag.LocalName();
        ReadChildren(reader, root);
    } catch (const std::exception&) {
        root = Node{};
    }
    return root;
}

// ---- input

// Presses and releases a key.
inline void Tap(WORD vk) {
    Key(vk, false);
    Key(vk, true);
}

// A key with a modifier held (VK_CONTROL, VK_SHIFT, VK_MENU).
inline void Chord(WORD modifier, WORD vk) {
    Key(modifier, false);
    Tap(vk);
    Key(modifier, true);
}

// Types the characters as a keyboard of their script would.
inline void Type(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT in[2] = {};
        for (INPUT& i : in) {
            i.type = INPUT_KEYBOARD;
            i.ki.wScan = c;
            i.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
}

// Moves the pointer in steps, as a hand does.
inline void Glide(POINT from, POINT to, int steps = 6) {
    for (int i = 1; i <= steps; ++i) {
        MoveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        Pace();
    }
}

} // namespace EditorTest
