#include "Editor/MetafileCreator.h"

#include "app/winutil/Exceptions.h"
#include "app/winutil/FileHandle.h"
#include "app/winutil/ResourceLoader.h"
#include "drawing/Placeable.h"
#include "page/Page.h"
#include "page/win/VPage.h"
#include "resources/resource.h"

namespace Editor {

std::unique_ptr<View::ReadOnlyDiagramView> CreateReadOnlyView(const Core::IClub& source, ICanvas::Canvas& canvas)
{
    return std::make_unique<View::ReadOnlyDiagramView>(
        source, canvas, [](Core::IModelElement& element, View::ReadOnlyDiagramView& view) -> std::shared_ptr<Core::IViewElement> {
            auto* page = dynamic_cast<Page::Page*>(&element);
            if (page == nullptr) return nullptr;
            return std::make_shared<Page::VPage>(view, *page, view.GetCanvas());
        });
}

std::unique_ptr<ICanvas::IMetafileCanvas> CreatePictureCanvas()
{
    // An untitled picture: its description holds the program's name only.
    return DrawingKernel::CreateMetafileCanvas({kEmptyPictureExtent, kEmptyPictureExtent},
                                               WinUtil::ResourceLoader::Instance().LoadString(IDS_PRODUCTNAME),
                                               std::wstring());
}

MetafileCreator::MetafileCreator(const Core::IClub& source) : source_(source) {}

MetafileCreator::~MetafileCreator()
{
    view_.reset();  // before the canvas it draws on
    canvas_.reset();
}

void MetafileCreator::Prepare()
{
    if (view_) return;
    auto canvas = CreatePictureCanvas();
    auto view = CreateReadOnlyView(source_, *canvas);
    view->AddSourceElements();
    view->UpdateView();
    canvas_ = std::move(canvas);
    view_ = std::move(view);
}

void MetafileCreator::CreateEnhancedMetafile(STGMEDIUM& medium, int border)
{
    Prepare();
    canvas_->CreateEnhancedMetafile(medium, border);
}

void MetafileCreator::CreateWindowsMetafile(STGMEDIUM& medium, int border)
{
    Prepare();
    canvas_->CreateWindowsMetafile(medium, border);
}

void MetafileCreator::SavePngFile(const std::wstring& fileName, int border)
{
    Prepare();
    canvas_->SavePngFile(fileName, border);
}

void MetafileCreator::CreatePngStream(STGMEDIUM& medium, int border)
{
    Prepare();
    canvas_->CreatePngStream(medium, border);
}

void MetafileCreator::GetExtent(ICanvas::DoubleRect& out)
{
    Prepare();
    out = canvas_->GetExtent();
}

void WritePlaceableMetafile(const METAFILEPICT& picture, const std::wstring& fileName)
{
    const std::vector<uint8_t> bytes = DrawingKernel::PlaceableMetafileBytes(picture);
    if (bytes.empty()) throw WinUtil::ComException(E_FAIL);
    WinUtil::FileHandle file(CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) throw WinUtil::ComException(static_cast<long>(GetLastError()));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr))
        throw WinUtil::ComException(static_cast<long>(GetLastError()));
    if (written != bytes.size()) throw WinUtil::ComException(ERROR_HANDLE_DISK_FULL);
    if (!FlushFileBuffers(file.Get())) throw WinUtil::ComException(static_cast<long>(GetLastError()));
}

} // namespace Editor
