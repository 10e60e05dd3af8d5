// A frame window of a diagram until the diagram view joins it: the editor's menu bar, File > New
// and File > Close, and the document's path shown in its client area.
#pragma once

#include "app/Commands.h"
#include "app/Document.h"
#include "app/WinCommander.h"

namespace Editor {

class Diagram;

// A frame window of a diagram; owned by its lifetime node.
class DocumentWindow : public Application::IDocumentWindow {
public:
    // The child control that shows the document's full path (empty for a new document).
    static constexpr int kPathControlId = 1001;

    // A window of the document on its own lifetime node; Open creates it.
    DocumentWindow(Diagram& document, Application::LifeTimeSupervisor& node);

    // Creates the window, cascaded from after (when given), without showing it.
    void Open(HWND after = nullptr);

protected:
    // Closing the document's last window closes the document: a modified one asks first.
    bool QueryClose() override;

private:
    void OnDestroy(WinMessage::Msg& msg);
    void OnActivate(WinMessage::Msg& msg);
    void OnCtlColorStatic(WinMessage::Msg& msg);
    void OnNew(const Application::CommandMsg& msg);
    void OnClose(const Application::CommandMsg& msg);

    Diagram& document_;
    WinMessage::WinMsgPlugMap bindings_;
    Application::WinCommander commander_;
    Application::WinCmdPlugSet commands_;
};

} // namespace Editor
