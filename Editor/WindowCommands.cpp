// The commands of a document window and the rules that keep their states.
#include "Editor/AboutBox.h"
#include "Editor/AllWindows.h"
#include "Editor/DebugCommands.h"
#include "Editor/Diagram.h"
#include "Editor/DiagramFactory.h"
#include "Editor/DocumentWindow.h"
#include "Editor/ElementStyles.h"
#include "Editor/Installer.h"
#include "Editor/MetafileCreator.h"
#include "Editor/PrintCommands.h"
#include "Editor/Toolbar.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/Files.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "core/Selection.h"
#include "core/foundation/UTF8.h"
#include "page/win/PageSetupDialog.h"
#include "resources/resource.h"
#include "style/StyleEdit.h"
#include "style/win/PropertyEditor.h"
#include "core/foundation/Cast.h"

#include <shellapi.h>

namespace Editor {

namespace {

constexpr wchar_t kWebSite[] = L"https://www.quorvel.example/uml-editor";

std::wstring Widen(const char* text) {
    std::wstring wide;
    zq::DecodeUTF8(text, wide);
    return wide;
}

void WarningBox(const std::wstring& text, UINT extraStyle = 0) {
    WinUtil::QuitMessageSaver quit;
    const std::wstring caption = WinUtil::ResourceLoader::Instance().LoadString(IDS_PRODUCTNAME);
    WinUtil::MessageBox(caption.c_str(), text.c_str(), MB_ICONEXCLAMATION | extraStyle);
}

// What the page setup's preview shows of the drawing: its picture without a border and its extent.
struct PageSetupPicture {
    HENHMETAFILE picture = nullptr;
    Page::PaperRect extent;
};

PageSetupPicture MakePageSetupPicture(Core::Diagram& model) {
    PageSetupPicture result;
    MetafileCreator creator(model);
    STGMEDIUM medium{};
    creator.CreateEnhancedMetafile(medium, 0);
    result.picture = medium.hEnhMetaFile;
    ICanvas::DoubleRect extent;
    creator.GetExtent(extent);
    result.extent = Page::PaperRect{extent.left, extent.top, extent.right, extent.bottom};
    return result;
}

} // namespace

void WindowImp::RegisterCommands() {
    auto& c = *commands_;
    c.Add(ID_FILE_SAVE, this, &WindowImp::OnSave);
    c.Add(ID_FILE_SAVEAS, this, &WindowImp::OnSaveAs);
    c.Add(ID_FILE_PAGESETUP, this, &WindowImp::OnPageSetup);
    c.Add(ID_FILE_PRINT, this, &WindowImp::OnPrint);
    c.Add(ID_FILE_CLOSE, this, &WindowImp::OnClose);
    c.Add(ID_FILE_NEW, this, &WindowImp::OnNew);
    c.Add(ID_FILE_OPEN, this, &WindowImp::OnOpen);
    c.Add(ID_EDIT_UNDO, this, &WindowImp::OnUndo);
    c.Add(ID_EDIT_REDO, this, &WindowImp::OnRedo);
    c.Add(ID_VIEW_TOOLBAR, this, &WindowImp::OnToggleToolbar);
    c.Add(ID_STYLES_DIAGRAMSTYLE, this, &WindowImp::OnDiagramStyle);
    c.Add(ID_STYLES_IMPORT, this, &WindowImp::OnImportStyles);
    c.Add(ID_WINDOW_NEW, this, &WindowImp::OnNewWindow);
    c.Add(ID_WINDOW_SPLIT, this, &WindowImp::OnSplit);
    c.Add(ID_WINDOW_CASCADE, this, &WindowImp::OnArrange);
    c.Add(ID_WINDOW_TILEHORZ, this, &WindowImp::OnArrange);
    c.Add(ID_WINDOW_TILEVERT, this, &WindowImp::OnArrange);
    c.Add(ID_WINDOW_CLOSEALL, this, &WindowImp::OnCloseAll);
    c.Add(ID_HELP_CONTENTS, this, &WindowImp::OnHelp);
    c.Add(ID_HELP_WEBSITE, this, &WindowImp::OnWebSite);
    c.Add(ID_HELP_ABOUT, [this](const Application::CommandMsg&) { ShowAboutBox(GetHwnd()); });
}

void WindowImp::RefreshCommandStates() {
    const StorageHolder& storage = document_.GetStorage();
    const Core::IUndoHandler& undo = document_.GetModel().GetUndoHandler();
    // A read-only document offers nothing that changes it (the views' commands ask it themselves).
    const bool editable = !readOnly_;
    commands_->Enable(ID_FILE_SAVE, storage.IsDirty() || storage.IsUntitled());
    commands_->Enable(ID_EDIT_UNDO, undo.GetUndoCount() != 0 && editable);
    commands_->Enable(ID_EDIT_REDO, undo.GetRedoCount() != 0 && editable);
    commands_->Enable(ID_STYLES_IMPORT, editable);
    commands_->Enable(ID_FILE_PAGESETUP, editable);
    if (elementStyles_) elementStyles_->SetEditable(editable);
    if (debug_) debug_->SetEditable(editable);
    if (toolbar_) toolbar_->SetEditable(editable);
}

void WindowImp::ReportSaveFailure(const std::wstring& message) {
    const std::wstring text =
        WinUtil::ResourceLoader::Instance().FormatString(IDS_CANNOT_SAVE, {document_.GetName()}) + L"\n" + message;
    WarningBox(text);
}

template <class F>
void WindowImp::GuardedSave(F save) {
    try {
        save();
    } catch (const WinUtil::ComException& e) {
        ReportSaveFailure(Widen(e.what()));
    } catch (const Core::Exceptions::Base& e) {
        ReportSaveFailure(L"(" + Widen(e.what()) + L")");
    }
    RefreshCommandStates();
}

void WindowImp::OnSave(const Application::CommandMsg&) {
    GuardedSave([this] { document_.Save(); });
}

void WindowImp::OnSaveAs(const Application::CommandMsg&) {
    GuardedSave([this] { document_.SaveAs(); });
}

void WindowImp::OnPageSetup(const Application::CommandMsg&) {
    Core::Diagram& model = document_.GetModel();
    const PageSetupPicture preview = MakePageSetupPicture(model);
    if (Page::ShowPageSetup(model, GetHwnd(), nullptr, preview.picture, preview.extent, &Installer::Instance()))
        model.UpdateAllViews();
    if (preview.picture) DeleteEnhMetaFile(preview.picture);
}

void WindowImp::OnPrint(const Application::CommandMsg&) { PrintDocument(document_, GetHwnd()); }

void WindowImp::OnClose(const Application::CommandMsg&) { document_.Close(); }

void WindowImp::OnNew(const Application::CommandMsg&) {
    Diagram* created = document_.GetFactory().NewDiagram();
    // The new window takes this window's toolbar state.
    if (created && created->GetWindowCount() > 0)
        if (auto* window = zq::Cast<WindowImp>(created->GetWindow(0))) window->ShowToolbar(toolbarShown_);
}

void WindowImp::OnOpen(const Application::CommandMsg&) { document_.GetFactory().OpenWithDialog(GetHwnd()); }

void WindowImp::OnUndo(const Application::CommandMsg&) { UndoRedo(true); }

void WindowImp::OnRedo(const Application::CommandMsg&) { UndoRedo(false); }

void WindowImp::UndoRedo(bool undo) {
    if (!active_) return;
    View::DiagramView& view = active_->GetView();
    Core::Diagram& model = document_.GetModel();
    {
        Core::SelectionTracker tracker(&view);
        if (undo) model.GetUndoHandler().Undo(&view, &tracker, 1);
        else model.GetUndoHandler().Redo(&view, &tracker, 1);
        model.UpdateAllViews();
    }
    UpdateCaption();  // the diagram type may have gone back
}

void WindowImp::OnToggleToolbar(const Application::CommandMsg&) { ShowToolbar(!toolbarShown_); }

void WindowImp::OnDiagramStyle(const Application::CommandMsg&) {
    Core::Diagram& model = document_.GetModel();
    Core::IView* view = active_ ? &active_->GetView() : nullptr;
    std::unique_ptr<Style::PropertyEditorState> state = Style::EditDiagramStyle(
        model, nullptr, GetHwnd(), Installer::Instance(), styleEditorState_.get(), readOnly_, view);
    if (state) styleEditorState_ = std::move(state);
    model.UpdateAllViews();
}

void WindowImp::OnImportStyles(const Application::CommandMsg&) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    const WinUtil::OpenFileResult chosen =
        WinUtil::OpenFileDialog(GetActiveWindow(), resources.LoadString(IDS_IMPORT_STYLES),
                                resources.LoadString(IDS_FILTER_OPEN), OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    if (!chosen.confirmed || chosen.paths.empty()) return;
    Core::Diagram& model = document_.GetModel();
    try {
        Style::ImportStylesFromFile(model, *chosen.paths.begin(), active_ ? &active_->GetView() : nullptr);
    } catch (const Core::Exceptions::Base& e) {
        WarningBox(resources.FormatString(IDS_CANNOT_OPEN, {*chosen.paths.begin()}) + L"\n(" +
                                  Widen(e.what()) + L")");
    }
    model.UpdateAllViews();
}

void WindowImp::OnNewWindow(const Application::CommandMsg&) {
    ToolbarDefaults defaults(toolbarShown_);
    auto* window = zq::Cast<WindowImp>(document_.CreateDocumentWindow(&defaults));
    if (!window || !window->GetHwnd()) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(GetHwnd(), &placement)) {
        placement.showCmd = SW_HIDE;
        SetWindowPlacement(window->GetHwnd(), &placement);
    }
    if (active_ && window->active_) {
        ICanvas::IScreenCanvas& mine = active_->GetCanvas();
        ICanvas::IScreenCanvas& theirs = window->active_->GetCanvas();
        theirs.SetZoom(mine.GetZoom(), {0, 0});
        zq::Point scroll;
        mine.GetScrollPos(scroll);
        theirs.SetScrollPos(scroll);
    }
    ShowWindow(window->GetHwnd(), IsZoomed(GetHwnd()) ? SW_SHOWMAXIMIZED : SW_SHOW);
    SetForegroundWindow(window->GetHwnd());
}

void WindowImp::OnSplit(const Application::CommandMsg&) { splitBar_->StartFromKeyboard(); }

void WindowImp::OnArrange(const Application::CommandMsg& msg) { ArrangeWindows(document_.GetFactory(), msg.id); }

void WindowImp::OnCloseAll(const Application::CommandMsg&) { CloseAllDocuments(document_.GetFactory()); }

void WindowImp::OnHelp(const Application::CommandMsg&) {
    const std::wstring path = Installer::Instance().GetHelpPath();
    if (path.empty()) {
        WarningBox(L"The path to the help file is missing in the installation data.\nThe installation is possibly "
                   L"damaged.",
                   MB_TASKMODAL);
        return;
    }
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(GetHwnd(), nullptr, path.c_str(), nullptr, nullptr, SW_SHOW));
    if (result > 32) return;
    WarningBox(L"Could not open Quorvel Help Document\n\"" + path + L"\"\n(error code=" + std::to_wstring(result) +
                   L").\n\nPlease make sure, that you have installed a program which can open\n*.pdf documents, "
                   L"such as a PDF reader from your system's software collection.",
               MB_TASKMODAL);
}

void WindowImp::OnWebSite(const Application::CommandMsg&) {
    ShellExecuteW(GetHwnd(), L"open", kWebSite, nullptr, nullptr, SW_SHOW);
}

} // namespace Editor
