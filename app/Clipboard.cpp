#include "app/Clipboard.h"

#include "app/winutil/Exceptions.h"

namespace Application {

Clipboard::~Clipboard() {
    Flush();
    if (placed_) placed_->Release();
}

void Clipboard::SetData(DataProvider& provider) {
    IDataObject* data = provider.GetDataObject();
    HRESULT hr = OleSetClipboard(data);
    if (FAILED(hr)) {
        data->Release();
        WinUtil::ThrowIfFailed(hr);
    }
    if (placed_) placed_->Release();
    placed_ = data;
}

bool Clipboard::OwnsClipboard() const {
    return placed_ && OleIsCurrentClipboard(placed_) == S_OK;
}

void Clipboard::Flush() {
    if (OwnsClipboard()) OleFlushClipboard();
}

bool Clipboard::Test(const std::function<bool(IDataObject*)>& tester) const {
    IDataObject* data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data) return false;
    DataHolder holder(data);
    data->Release();
    return holder.Test(tester);
}

bool Clipboard::Extract(const std::function<bool(IDataObject*)>& extractor) const {
    IDataObject* data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data) return false;
    DataHolder holder(data);
    data->Release();
    return holder.Extract(extractor);
}

ClipboardViewer::ClipboardViewer(WinUtil::IWindow& window)
    : hwnd_(window.GetHwnd()), plugs_(window.GetDispatcher()) {
    plugs_.AddSpy(WM_CLIPBOARDUPDATE, this, &ClipboardViewer::OnClipboardUpdate);
    listening_ = AddClipboardFormatListener(hwnd_) != FALSE;
}

ClipboardViewer::~ClipboardViewer() {
    if (listening_) RemoveClipboardFormatListener(hwnd_);
}

void ClipboardViewer::OnClipboardUpdate(WinMessage::Msg&) {
    observers_.Notify([](IClipboardObserver& o) { o.ClipboardChanged(); });
}

} // namespace Application
