// The application's clipboard and the watcher of clipboard changes.
#pragma once

#include "app/DataTransfer.h"
#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Window.h"
#include "core/foundation/Observer.h"

#include <memory>

namespace Application {

// The clipboard as the application uses it: written with a data provider, read like a dragged object.
class IClipboard : public IDataHolder {
public:
    // Puts the provider's data object on the OLE clipboard; throws WinUtil::ComException on failure.
    virtual void SetData(DataProvider& provider) = 0;
};

// The OLE clipboard; flushed on destruction when it still shows the object this one put there.
class Clipboard : public IClipboard {
public:
    Clipboard() = default;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;
    ~Clipboard() override;

    void SetData(DataProvider& provider) override;
    // Runs the tester over the current clipboard contents.
    bool Test(const std::function<bool(IDataObject*)>& tester) const override;
    // Runs the extractor over the current clipboard contents.
    bool Extract(const std::function<bool(IDataObject*)>& extractor) const override;
    // Whether the clipboard still shows the object this one put there.
    bool OwnsClipboard() const;
    // Renders the data now so that it outlives this process (OleFlushClipboard) when still owned.
    void Flush();

private:
    IDataObject* placed_ = nullptr;
};

// Told when the contents of the clipboard change.
class IClipboardObserver {
public:
    virtual ~IClipboardObserver() = default;
    // The clipboard changed.
    virtual void ClipboardChanged() = 0;
};

// Watches clipboard changes for a window (a clipboard format listener); owned by its creator.
class ClipboardViewer {
public:
    // Starts listening for the window.
    explicit ClipboardViewer(WinUtil::IWindow& window);
    ClipboardViewer(const ClipboardViewer&) = delete;
    ClipboardViewer& operator=(const ClipboardViewer&) = delete;
    // Stops listening.
    ~ClipboardViewer();
    // The observers told of changes.
    zq::IObserverPlug<IClipboardObserver>& GetObserverList() { return observers_; }

private:
    void OnClipboardUpdate(WinMessage::Msg& msg);

    HWND hwnd_;
    zq::ObserverList<IClipboardObserver> observers_;
    WinMessage::WinMsgPlugMap plugs_;
    bool listening_ = false;
};

} // namespace Application
