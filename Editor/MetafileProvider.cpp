#include "Editor/MetafileProvider.h"

#include "Editor/MetafileCreator.h"
#include "app/winutil/ClipFormat.h"

namespace Editor {

namespace {

class MetafileProvider : public Application::IFormatProvider {
public:
    explicit MetafileProvider(Core::Diagram& diagram)
        : diagram_(diagram),
          canvas_(CreatePictureCanvas()),
          view_(CreateReadOnlyView(diagram, *canvas_)) {
        diagram_.AttachView(*view_);
        view_->UpdateViewElements();
    }

    int GetFormatCount() const override { return 3; }

    FORMATETC GetFormat(int index) const override {
        static const CLIPFORMAT formats[] = {CF_ENHMETAFILE, CF_METAFILEPICT, 0};
        static const DWORD media[] = {TYMED_ENHMF, TYMED_MFPICT, TYMED_ISTREAM};
        FORMATETC f{};
        if (index < 0 || index > 2) return f;
        f.cfFormat = index == 2 ? WinUtil::GetPngClipFormat() : formats[index];
        f.dwAspect = DVASPECT_CONTENT;
        f.lindex = -1;
        f.tymed = media[index];
        return f;
    }

    HRESULT GetData(int index, const FORMATETC& request, STGMEDIUM& medium) override {
        if (index < 0 || index > 2) return E_NOTIMPL;
        if (!(request.tymed & GetFormat(index).tymed)) return DV_E_TYMED;
        view_->UpdateView();
        switch (index) {
        case 0: canvas_->CreateEnhancedMetafile(medium, kPictureBorder); break;
        case 1: canvas_->CreateWindowsMetafile(medium, kPictureBorder); break;
        default: canvas_->CreatePngStream(medium, kPictureBorder); break;
        }
        return S_OK;
    }

protected:
    ~MetafileProvider() override {
        diagram_.DetachView(*view_);
        view_.reset();
    }

private:
    Core::Diagram& diagram_;
    std::unique_ptr<ICanvas::IMetafileCanvas> canvas_;
    std::unique_ptr<View::ReadOnlyDiagramView> view_;
};

} // namespace

Application::IFormatProvider* CreateMetafileProvider(Core::Diagram& diagram) { return new MetafileProvider(diagram); }

} // namespace Editor
