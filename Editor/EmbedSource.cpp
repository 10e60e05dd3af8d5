#include "Editor/EmbedSource.h"

namespace Editor {

namespace {

class EmbedSourceProvider : public Application::IFormatProvider {
public:
    EmbedSourceProvider(IPersistStorage* persist, const CLSID& classId) : persist_(persist), classId_(classId) {}

    int GetFormatCount() const override { return 1; }
    FORMATETC GetFormat(int) const override {
        return FORMATETC{EmbedSourceFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
    }
    HRESULT GetData(int, const FORMATETC&, STGMEDIUM&) override { return DV_E_TYMED; }
    HRESULT GetDataHere(int, const FORMATETC& request, STGMEDIUM& medium) override {
        if (!(request.tymed & TYMED_ISTORAGE) || medium.tymed != TYMED_ISTORAGE || !medium.pstg) return DV_E_TYMED;
        HRESULT hr = WriteClassStg(medium.pstg, classId_);
        if (SUCCEEDED(hr)) hr = persist_->Save(medium.pstg, FALSE);
        // The object returns to its own storage whatever the save's outcome.
        const HRESULT completed = persist_->SaveCompleted(nullptr);
        return FAILED(hr) ? hr : completed;
    }

private:
    IPersistStorage* persist_;
    CLSID classId_;
};

} // namespace

CLIPFORMAT EmbedSourceFormat() {
    static const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Embed Source"));
    return format;
}

Application::IFormatProvider* CreateEmbedSourceProvider(IPersistStorage* persist, const CLSID& classId) {
    return new EmbedSourceProvider(persist, classId);
}

} // namespace Editor
