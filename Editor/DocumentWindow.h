// The frame window of a diagram: one or two panes with their diagram views, the split bar, the
// caption kept current with the document, the window's commands and the menu entries that show
// their states.
#pragma once

#include "Editor/ClientView.h"
#include "Editor/SplitBar.h"
#include "Editor/TransferFormats.h"
#include "app/Clipboard.h"
#include "app/Commands.h"
#include "app/Document.h"
#include "app/WinCommander.h"
#include "app/winutil/SettingChange.h"
#include "core/UndoHandler.h"
#include "core/foundation/Observer.h"

#include <memory>
#include <vector>

namespace Style {
struct PropertyEditorState;
}

namespace Editor {

class DebugCommands;
class Diagram;
class ElementStylesList;
class Toolbar;
class WindowList;
class ZoomCmdHandler;

// What New and New Window hand to the window they make: the toolbar state of the window the
// command came from.
struct ToolbarDefaults : Application::NewWindowDefaultsProvider {
    explicit ToolbarDefaults(bool shown) : showToolbar(shown) {}
    bool showToolbar;
};

// A frame window of a diagram; owned by its lifetime node.
class WindowImp : public Application::IDocumentWindow,
                  private Application::IDocumentNameObserver,
                  private Application::ISettingChangeObserver,
                  private Core::IDirtyStateObserver,
                  private Core::IUndoRedoCountObserver,
                  private WinUtil::IReadOnlyObserver,
                  private ISplitHost {
public:
    // A window of the document on its own lifetime node; Open creates it.
    WindowImp(Diagram& document, Application::LifeTimeSupervisor& node);
    // Unregisters the menu entries and observers, destroys the panes.
    ~WindowImp() override;

    // Creates the frame, its children and first pane, cascaded from after (when given), not shown;
    // the toolbar shows as the defaults say, else as the settings say.
    void Open(HWND after = nullptr, Application::NewWindowDefaultsProvider* defaults = nullptr);

    // The document shown.
    Diagram& GetDiagram() const { return document_; }
    // The window's command router.
    Application::IWinCommander& GetCommander() { return commander_; }
    // The panes: the upper one always, the lower one while split (else null); the active one.
    ClientView* GetFirstView() const { return first_.get(); }
    ClientView* GetSecondView() const { return second_.get(); }
    ClientView* GetActiveView() const { return active_; }
    // The active pane's diagram view and canvas.
    View::DiagramView& GetActiveDiagramView() const { return active_->GetView(); }
    ICanvas::IScreenCanvas& GetCanvas() const { return active_->GetCanvas(); }
    // The split bar.
    SplitBar& GetSplitBar() const { return *splitBar_; }
    // Makes the pane active (null keeps the current one) and gives it the focus.
    void SetActiveView(ClientView* pane);
    // The caption's text as the window list shows it (without product and diagram type).
    const std::wstring& GetListCaption() const { return listCaption_; }
    // Shows or hides the toolbar and lays the window out again.
    void ShowToolbar(bool show);
    bool IsToolbarShown() const { return toolbarShown_; }
    // The toolbar (made on first show), the zoom commands, the element styles.
    Toolbar* GetToolbar() const { return toolbar_.get(); }
    ZoomCmdHandler& GetZoomHandler() const { return *zoom_; }
    ElementStylesList& GetElementStyles() const { return *elementStyles_; }
    DebugCommands& GetDebugCommands() const { return *debug_; }

    // ISplitHost
    HWND GetFrame() const override { return GetHwnd(); }
    int GetToolbarHeight() const override;
    void CreateSecondView() override;
    void RemoveSecondView() override;
    void Layout() override;
    void FocusActivePane() override { SetActiveView(nullptr); }

    // The number among the document's windows; the caption shows it.
    void SetNumber(int number) override;
    // The window closes: the last window of the document keeps the style editor's layout.
    void LifeTimeEnded() override;

protected:
    // Closing the document's last window closes the document: a modified one asks first.
    bool QueryClose() override;

private:
    // Message bindings.
    void OnSize(WinMessage::Msg& msg);
    void OnActivate(WinMessage::Msg& msg);
    void OnSetFocus(WinMessage::Msg& msg);
    void OnDeferredSetFocus(WinMessage::Msg& msg);
    void OnScroll(WinMessage::Msg& msg);
    void OnMouseActivate(WinMessage::Msg& msg);
    void OnSetCursor(WinMessage::Msg& msg);
    void OnDestroy(WinMessage::Msg& msg);

    // Observers.
    void DocumentNameChanged(Application::IDocument& document) override;
    void SettingChanged() override { Layout(); }
    void OnDirtyStateChanged(bool dirty) override;
    void OnUndoRedoCountChanged(std::size_t undoCount, std::size_t redoCount) override;
    void OnReadOnlyChanged(bool readOnly) override;

    // Commands (WindowCommands.cpp).
    void RegisterCommands();
    void RefreshCommandStates();
    void OnSave(const Application::CommandMsg&);
    void OnSaveAs(const Application::CommandMsg&);
    void OnPrint(const Application::CommandMsg&);
    void OnPageSetup(const Application::CommandMsg&);
    void OnClose(const Application::CommandMsg&);
    void OnNew(const Application::CommandMsg&);
    void OnOpen(const Application::CommandMsg&);
    void OnUndo(const Application::CommandMsg&);
    void OnRedo(const Application::CommandMsg&);
    void OnToggleToolbar(const Application::CommandMsg&);
    void OnPaneZoomed();
    void OnDiagramStyle(const Application::CommandMsg&);
    void OnImportStyles(const Application::CommandMsg&);
    void OnNewWindow(const Application::CommandMsg&);
    void OnSplit(const Application::CommandMsg&);
    void OnArrange(const Application::CommandMsg&);
    void OnCloseAll(const Application::CommandMsg&);
    void OnHelp(const Application::CommandMsg&);
    void OnWebSite(const Application::CommandMsg&);
    void UndoRedo(bool undo);
    void ReportSaveFailure(const std::wstring& message);
    template <class F>
    void GuardedSave(F save);

    void UpdateCaption();
    // An embedded document's File menu: Update, Save Copy As, Close & Return To the container.
    void RenameEmbeddedMenuItems();
    void CreateMenuEntries();
    PaneSetup MakePaneSetup();

    Diagram& document_;
    // Shared by the panes, so they outlive them.
    std::unique_ptr<TransferSetFormatHandler> transferFormats_;
    std::unique_ptr<Application::ClipboardViewer> clipboardViewer_;
    std::unique_ptr<ClientView> first_;
    std::unique_ptr<ClientView> second_;
    ClientView* active_ = nullptr;
    Application::WinCommander commander_;
    std::vector<std::unique_ptr<Application::MenuItemView>> menuEntries_;
    HWND hScroll_ = nullptr;
    HWND sizeGrip_ = nullptr;
    std::unique_ptr<Application::SettingChangeRegistration> settingChange_;
    std::unique_ptr<Style::PropertyEditorState> styleEditorState_;
    std::wstring name_;
    std::wstring listCaption_;
    bool modified_ = false;
    bool readOnly_ = false;
    zq::ObserverRegistration<Application::IDocumentNameObserver> nameObserver_;
    zq::ObserverRegistration<Core::IDirtyStateObserver> dirtyObserver_;
    zq::ObserverRegistration<Core::IUndoRedoCountObserver> countObserver_;
    zq::ObserverRegistration<WinUtil::IReadOnlyObserver> readOnlyObserver_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> bindings_;
    std::unique_ptr<Application::WinCmdPlugSet> commands_;
    std::unique_ptr<SplitBar> splitBar_;
    std::unique_ptr<ZoomCmdHandler> zoom_;
    std::unique_ptr<Toolbar> toolbar_;
    std::unique_ptr<WindowList> windowList_;
    std::unique_ptr<ElementStylesList> elementStyles_;
    std::unique_ptr<DebugCommands> debug_;
    bool toolbarShown_ = true;
};

// The "ShowToolbar" setting (shown when missing or unreadable) and its writing.
bool ReadShowToolbarSetting();
void WriteShowToolbarSetting(bool shown);

// The command ids that get a menu entry in every document window, in the order they are made.
const std::vector<UINT>& MenuEntryCommands();

} // namespace Editor
