#include "view/CopyPaste.h"

#include "app/Document.h"
#include "app/winutil/CursorManager.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "core/CopyExtend.h"
#include "core/Exceptions.h"
#include "core/Interfaces.h"
#include "core/Selection.h"
#include "core/Shift.h"
#include "core/TransferSet.h"
#include "core/foundation/UTF8.h"
#include "view/DefaultTask.h"
#include "view/Transfer.h"
#include "core/foundation/Cast.h"

#include <cstdlib>

namespace View {

namespace {
DefaultTaskCopyPaste::MessageSink& Sink()
{
    static DefaultTaskCopyPaste::MessageSink sink;
    return sink;
}

// String ids of the paste error box.
constexpr UINT kIdsCaption = 1;
constexpr UINT kIdsMalformed = 227;
constexpr UINT kIdsCannotPaste = 230;
} // namespace

void DefaultTaskCopyPaste::SetMessageSink(MessageSink sink)
{
    Sink() = std::move(sink);
}

DefaultTaskCopyPaste::DefaultTaskCopyPaste(IDefaultTask& task)
    : ICmdHandler(task), clipboard_(task.GetContext().clipboard), viewer_(task.GetContext().clipboardViewer)
{
    Application::WinCmdPlugSet& plugs = GetPlugs();
    plugs.Add(kCmdCopy, this, &DefaultTaskCopyPaste::OnCopy);
    plugs.Add(kCmdPaste, this, &DefaultTaskCopyPaste::OnPaste);
    plugs.Add(kCmdCut, this, &DefaultTaskCopyPaste::OnCut);
    plugs.Add(kCmdDelete, this, &DefaultTaskCopyPaste::OnDelete);
    plugs.Add(kCmdSelectAll, this, &DefaultTaskCopyPaste::OnSelectAll);
    if (viewer_) viewer_->GetObserverList().Attach(this);
    UpdateClipboardState();
}

DefaultTaskCopyPaste::~DefaultTaskCopyPaste()
{
    if (viewer_) viewer_->GetObserverList().Detach(this);
}

void DefaultTaskCopyPaste::ClipboardChanged()
{
    UpdateClipboardState();
    UpdateCommands();
}

void DefaultTaskCopyPaste::UpdateClipboardState()
{
    ITransferSetFormatHandler* formats = GetTask().GetContext().transferFormats;
    acceptable_ = clipboard_ && formats && formats->CanAccept(*clipboard_);
    text_ = clipboard_ && clipboard_->HasText();
}

void DefaultTaskCopyPaste::UpdateCommands()
{
    ViewContext& c = GetTask().GetContext();
    const bool idle = IsIdle(), ready = IsReady();
    const bool selection = c.view->HasSelection();
    Application::WinCmdPlugSet& plugs = GetPlugs();
    plugs.Enable(kCmdCopy, selection && idle && clipboard_);
    plugs.Enable(kCmdCut, selection && ready && clipboard_);
    plugs.Enable(kCmdDelete, selection && ready);
    plugs.Enable(kCmdSelectAll, c.diagram->GetElementCount() > 0 && idle);
    bool paste = false;
    if (acceptable_)
        paste = ready;
    else if (text_)
        paste = ready && GetTask().SelectionHasNamedElement();
    plugs.Enable(kCmdPaste, paste);
}

// ---- copy, cut, delete, select all

void DefaultTaskCopyPaste::Copy()
{
    ViewContext& c = GetTask().GetContext();
    if (!clipboard_ || !c.view->HasSelection()) return;
    auto set = MakeTransferSet(c, Core::CopyExtendSelection::Build(c.view->GetSelection(), *c.diagram), false);
    auto data = MakeDragData(c, set, zq::Point(), zq::Point());
    clipboard_->SetData(data->GetProvider());
    copied_ = std::move(data);
}

void DefaultTaskCopyPaste::OnCopy(const Application::CommandMsg&)
{
    if (!GetTask().IsBusy()) Copy();
}

void DefaultTaskCopyPaste::DeleteSnapshot()
{
    IDefaultTask& task = GetTask();
    const std::list<Core::ElementPtr> elements = task.GetSelectionSnapshot();
    if (elements.empty()) return;
    Core::Env env = task.MakeEnv();
    for (const Core::ElementPtr& e : elements)
        if (auto* deletable = zq::Cast<Core::IDeletable>(e.get()))
            if (!e->IsDeleted()) deletable->Delete(env);
    task.CommitPending(false);
}

bool DefaultTaskCopyPaste::MayChange() const
{
    return !GetTask().IsBusy() && !GetTask().GetContext().IsReadOnly();
}

void DefaultTaskCopyPaste::OnDelete(const Application::CommandMsg&)
{
    if (!MayChange()) return;
    GetTask().TakeSelectionSnapshot();
    DeleteSnapshot();
}

void DefaultTaskCopyPaste::OnCut(const Application::CommandMsg&)
{
    if (!MayChange()) return;
    GetTask().TakeSelectionSnapshot();
    Copy();
    DeleteSnapshot();
}

void DefaultTaskCopyPaste::OnSelectAll(const Application::CommandMsg&)
{
    if (GetTask().IsBusy()) return;
    ViewContext& c = GetTask().GetContext();
    {
        Core::SelectionTracker tracker(c.view);
        c.view->SelectAll(&tracker);
    }
    // The marks show now: nothing else repaints the pane after a command typed as a key.
    c.view->UpdateView();
}

void DefaultTaskCopyPaste::OnKeyDown(WinMessage::KeyMsg& msg)
{
    if (msg.VirtualKey() == VK_DELETE)
        OnDelete({kCmdDelete, 1, nullptr});
    else
        GetTask().UpdateCursor();
}

void DefaultTaskCopyPaste::OnKeyUp(WinMessage::KeyMsg&)
{
    GetTask().UpdateCursor();
}

// ---- paste

void DefaultTaskCopyPaste::OnPaste(const Application::CommandMsg&)
{
    try {
        Paste();
    } catch (const Core::Exceptions::Base& e) {
        ShowError(zq::FromUTF8(e.Message()), true);
        e.MarkShown();
        throw;
    } catch (const WinUtil::ComException& e) {
        ShowError(zq::FromUTF8(e.what()), false);
        // Shown: the command's guard drops the change without a second box.
        zq::Exception shown(e.what());
        shown.MarkShown();
        throw shown;
    }
}

void DefaultTaskCopyPaste::ShowError(const std::wstring& detail, bool malformed)
{
    const WinUtil::ResourceLoader& strings = WinUtil::ResourceLoader::Instance();
    std::wstring text = strings.LoadString(kIdsCannotPaste) + L"\n";
    if (malformed)
        text += strings.LoadString(kIdsMalformed) + L"\n(" + detail + L")";
    else
        text += detail;
    const std::wstring caption = strings.LoadString(kIdsCaption);
    if (Sink()) {
        Sink()(caption, text);
        return;
    }
    WinUtil::CursorManager::ModalGuard busySuspended;
    WinUtil::WindowDisabler disabler;
    WinUtil::QuitMessageSaver quitSaver;
    ::MessageBoxW(::GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void DefaultTaskCopyPaste::Paste()
{
    IDefaultTask& task = GetTask();
    if (!MayChange() || !clipboard_) return;
    task.TakeSelectionSnapshot();
    ITransferSetFormatHandler* formats = task.GetContext().transferFormats;
    if (formats && formats->CanAccept(*clipboard_)) {
        PasteTransferSet();
        return;
    }
    const std::optional<std::wstring> text = clipboard_->GetText();
    if (!text || text->empty()) return;
    Core::Env env = task.MakeEnv();
    for (const Core::ElementPtr& e : task.GetSelectionSnapshot())
        if (auto* named = zq::Cast<Core::INamed>(e.get())) named->SetName(env, *text);
    task.CommitPending(false);
}

void DefaultTaskCopyPaste::PasteTransferSet()
{
    IDefaultTask& task = GetTask();
    ViewContext& c = task.GetContext();
    Core::Env env = task.MakeEnv();
    TransferSetPaster paster(env);
    if (!ExtractTransferSet(c, *clipboard_, paster))
        throw Core::Exceptions::Base("no format of the Clipboard could be read");
    const Core::ModelElementSet& pasted = paster.GetResult().pasted;
    c.view->ApplySelection(&task.GetSelectionTracker(), pasted);
    PlacePasted(env, pasted);
    task.CommitPending(false);
}

// The pasted elements go to the middle of the visible area, at least a twentieth of it away from
// where they were, so that a paste never hides its original.
void DefaultTaskCopyPaste::PlacePasted(Core::Env& env, const Core::ModelElementSet& pasted)
{
    ViewContext& c = GetTask().GetContext();
    const zq::Rect b = BoundingRect(pasted);
    const ICanvas::DoubleRect area = c.canvas->GetVisibleArea();
    const zq::Rect v = zq::RoundRect(area.left, area.top, area.right, area.bottom);
    auto snap = [&](int32_t x, int32_t y) { return c.grid ? c.grid->SnapPoint({x, y}) : zq::Point(x, y); };
    const zq::Point c1 = snap((v.left + v.right) / 2, (v.top + v.bottom) / 2);
    const zq::Point c2 = snap((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    int32_t dx = c1.x - c2.x, dy = c1.y - c2.y;
    const zq::Point s0 = snap(0, 0);
    const zq::Point s1 = snap((v.right - v.left) / 20, (v.bottom - v.top) / 20);
    const zq::Point s(s1.x - s0.x, s1.y - s0.y);
    if (std::abs(s.x) > std::abs(dx)) dx = s.x;
    if (std::abs(s.y) > std::abs(dy)) dy = s.y;
    Core::DeferredShiftSet shift(pasted, c.diagram, nullptr);
    shift.ShiftAll(env, Core::ShiftVector{double(dx), double(dy), true, true});
    shift.ShiftDeferred(env);
}

} // namespace View
