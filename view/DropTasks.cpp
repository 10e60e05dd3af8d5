#include "app/Document.h"
#include "core/CopyExtend.h"
#include "core/Interfaces.h"
#include "core/Selection.h"
#include "view/DropTarget.h"
#include "view/MoveTask.h"
#include "view/Transfer.h"

namespace View {

bool ExtractTransferSet(const ViewContext& context, const Application::IDataHolder& holder,
                        ITransferSetFormatHandler::ITransferSetUser& user)
{
    if (context.transferFormats) return context.transferFormats->Extract(holder, user);
    // Without the editor's formats only this process's own sets can be read.
    std::shared_ptr<Core::TransferSet> set;
    holder.Extract([&](IDataObject* data) { return (set = Application::GetOwnTransferSet(data)) != nullptr; });
    if (!set) return false;
    user.Use(set);
    return true;
}

std::shared_ptr<Core::TransferSet> MakeTransferSet(const ViewContext& context, const Core::ModelElementSet& elements,
                                                   bool whenUsed)
{
    auto set = std::make_shared<Core::TransferSet>(context.diagram->GetFactoryRegistry());
    const auto insert = [&](const Core::ModelElementSet& from) {
        for (const Core::ElementPtr& e : from.Elements()) whenUsed ? set->InsertWhenUsed(*e) : set->Insert(*e);
    };
    insert(elements);
    // So that pasted into another document the elements keep their look; never moved or deleted.
    insert(Core::CopyExtendSelection::Companions(*context.diagram));
    return set;
}

std::unique_ptr<Application::DragData> MakeDragData(const ViewContext& context, std::shared_ptr<Core::TransferSet> set,
                                                    zq::Point imageSize, zq::Point hotSpot)
{
    Application::DragOrigin origin;
    if (context.transferFormats) origin = context.transferFormats->GetDragOrigin();
    if (context.document) origin.sourceName = context.document->GetName();
    Application::DragData::LeadingFormats leading;
    if (context.transferFormats)
        leading = [&](Application::DataProvider& provider) { context.transferFormats->AddFormatsForSet(provider, set); };
    return std::make_unique<Application::DragData>(set, imageSize, hotSpot, origin, leading);
}

namespace {
void ApplySelection(Core::IView& view, const Core::ModelElementSet& set)
{
    Core::SelectionTracker tracker(&view);
    view.ApplySelection(&tracker, set);
}

// Pastes the dragged elements for a drag into this diagram, laid out under its styles at once:
// every step of the drag starts over from them, so the copy shows while held as it will lie after
// the drop. False when the data holds no elements.
bool PasteForDrag(const ViewContext& context, Core::Env& env, const Application::DataHolder& holder,
                  Core::TransferSet::PasteResult& pasted)
{
    TransferSetPaster paster(env, Core::TransferSet::PostProcess::Now);
    if (!ExtractTransferSet(context, holder, paster)) return false;
    pasted = paster.GetResult();
    return true;
}

} // namespace

// ---- IDropTargetTask

zq::Point IDropTargetTask::ToModel(POINT screen) const
{
    const zq::Point p = zq::RoundPoint(context_.canvas->ScreenToLogical({screen.x, screen.y}));
    return context_.grid ? context_.grid->SnapPoint(p) : p;
}

void IDropTargetTask::Repaint()
{
    context_.view->UpdateView();
}

void IDropTargetTask::RaiseWindow()
{
    HWND hwnd = context_.GetHwnd();
    if (hwnd == nullptr) return;
    HWND root = ::GetAncestor(hwnd, GA_ROOT);
    ::BringWindowToTop(root);
    ::SetForegroundWindow(root);
}

// ---- PendingDrop

PendingDrop::PendingDrop(ViewContext& context)
    : context_(context), transaction_(*context.diagram, context.view),
      tracker_(std::make_unique<Core::SelectionTracker>(context.view))
{
}

PendingDrop::~PendingDrop()
{
    Forget();
    tracker_.reset();
    transaction_.Abort();
}

Core::Env PendingDrop::MakeEnv()
{
    return Core::Env(transaction_, tracker_.get(), context_.grid);
}

void PendingDrop::Forget()
{
    controller_.reset();
    controls_.clear();
    preview_.Clear();
    shift_.reset();
}

void PendingDrop::Prepare(const Core::ModelElementSet& moved, Core::IModelElement* grabbed, const zq::Point& anchor,
                          const Detach& detach)
{
    Forget();
    shift_ = std::make_unique<Core::DeferredShiftSet>(moved, context_.diagram, grabbed);
    last_ = anchor;
    shifted_ = false;
    if (context_.canvas)
        ForEachMoving(*shift_, [&](Core::IModelElement& e) {
            if (VIShiftable* view = VIShiftable::Find(e, *context_.view))
                view->DrawMoveImage(*context_.canvas, preview_, *shift_);
        });
    CollectShiftControls(context_, *shift_, controls_);
    Core::Env env = MakeEnv();
    if (detach) detach(env, *shift_);
    if (grabbed != nullptr && !grabbed->IsDeleted())
        if (VIShiftable* view = VIShiftable::Find(*grabbed, *context_.view))
            controller_ = view->CreateMoveController(context_, *shift_);
    if (controller_) controller_->Start(env);
    // Every step of the drag starts over from here, so that where the drop lands depends only on
    // the point it is released at, never on the way the pointer took there.
    env.GetTransaction().SetRestorePoint();
}

void PendingDrop::ShiftTo(const zq::Point& anchor, zq::Point point)
{
    if (!shift_) return;
    if (controller_) controller_->Restrict(anchor, point);
    // The drag loop also calls on its timer while the pointer rests: the same point changes nothing,
    // and shifting a large selection there again would cost as much as a step.
    if (shifted_ && point == last_) return;
    shifted_ = true;
    preview_.Move({double(point.x - last_.x), double(point.y - last_.y)});
    last_ = point;
    const std::vector<Core::ElementPtr> restored = transaction_.ReturnToRestorePoint();
    Core::Env env = MakeEnv();
    const Core::ShiftVector shift{double(point.x - anchor.x), double(point.y - anchor.y), true, true};
    shift_->ShiftAll(env, shift, point);
    for (auto& [element, control] : controls_) control->Update(env, shift, {double(point.x), double(point.y)});
    if (controller_) controller_->AfterShift(env, point);
    // What the earlier step changed and this one left alone is drawn as it is again.
    Core::UndoContext redraw(*context_.diagram);
    redraw.Run([&] {
        for (const Core::ElementPtr& e : restored)
            if (!e->HasBackup()) redraw.Touch(*e);
    }, false);
}

void PendingDrop::Abort()
{
    Forget();
    transaction_.Abort();
    tracker_ = std::make_unique<Core::SelectionTracker>(context_.view);
}

void PendingDrop::Commit(const Core::ModelElementSet& before, const Core::ModelElementSet& after)
{
    // The moved elements and what followed them were drawn as a change in progress: once the change
    // is closed they are drawn anew as they now are.
    std::vector<Core::ElementPtr> moved;
    if (shift_) {
        Core::Env env = MakeEnv();
        shift_->ShiftDeferred(env);
        for (auto& [element, control] : controls_) control->Finish(env);
        if (controller_) controller_->Finish(env);
        ForEachMoving(*shift_, [&](Core::IModelElement& e) { moved.push_back(e.shared_from_this()); });
        for (auto& [element, control] : controls_)
            moved.push_back(std::const_pointer_cast<Core::IModelElement>(element->shared_from_this()));
    }
    Forget();
    const Core::UndoerRef record = transaction_.Close(tracker_.get(), context_.grid);
    for (const Core::ElementPtr& e : moved)
        if (!e->IsDeleted()) e->UpdateViewElements();
    ApplySelection(*context_.view, after);
    context_.diagram->GetUndoHandler().Add(record, Core::MakeSelectionRestorer(before),
                                           Core::MakeSelectionRestorer(after), false);
}

// ---- SameDiagramDropTargetTask

SameDiagramDropTargetTask::SameDiagramDropTargetTask(ViewContext& context, DefaultMoveTask& source)
    : IDropTargetTask(context, "SameDiagramDropTargetTask"), drop_(context), source_(source)
{
    grab_ = context.grid ? context.grid->SnapPoint(source.GetPressPoint()) : source.GetPressPoint();
}

SameDiagramDropTargetTask::~SameDiagramDropTargetTask()
{
    if (data_) data_->Release();
}

HRESULT SameDiagramDropTargetTask::DragEnter(IDataObject* data, DWORD keys, POINT point, DWORD& effect)
{
    rightDrag_ = (keys & MK_RBUTTON) != 0;
    before_ = GetContext().view->GetSelection();
    if (data) data->AddRef();
    if (data_) data_->Release();
    data_ = data;
    dragged_ = source_.GetDraggedSet();
    Update(point, (keys & MK_CONTROL) ? Copy : Move);
    effect = DropEffectFor(keys, effect);
    Repaint();
    return S_OK;
}

HRESULT SameDiagramDropTargetTask::DragOver(DWORD keys, POINT point, DWORD& effect)
{
    rightDrag_ = (keys & MK_RBUTTON) != 0;
    Update(point, (keys & MK_CONTROL) ? Copy : Move);
    effect = DropEffectFor(keys, effect);
    Repaint();
    return S_OK;
}

HRESULT SameDiagramDropTargetTask::DragLeave()
{
    drop_.Abort();
    ApplySelection(*GetContext().view, before_);
    Repaint();
    return S_OK;
}

HRESULT SameDiagramDropTargetTask::Drop(IDataObject*, DWORD keys, POINT point, DWORD& effect)
{
    ViewContext& c = GetContext();
    Mode mode = (keys & MK_CONTROL) ? Copy : Move;
    effect = DROPEFFECT_COPY;  // the source never deletes what was moved in place
    RaiseWindow();
    if (rightDrag_) {
        const UINT chosen = ShowDropMenu(point, c.GetHwnd(), mode == Copy ? kCmdCopyHere : kCmdMoveHere);
        if (chosen != kCmdMoveHere && chosen != kCmdCopyHere) {
            DragLeave();
            effect = DROPEFFECT_NONE;
            return S_OK;
        }
        mode = chosen == kCmdCopyHere ? Copy : Move;
    }
    Update(point, mode);
    drop_.Commit(before_, moving_);
    Repaint();
    return S_OK;
}

void SameDiagramDropTargetTask::Update(POINT point, Mode mode)
{
    if (mode != mode_) {
        // A change of mode starts over: nothing of the other mode stays.
        const bool first = mode_ == None;
        mode_ = mode;
        if (!first) drop_.Abort();
        if (mode == Copy)
            PrepareCopy();
        else
            PrepareMove();
    }
    drop_.ShiftTo(grab_, ToModel(point));
}

void SameDiagramDropTargetTask::PrepareMove()
{
    moving_ = dragged_;
    // What is moved without the element it hangs on comes loose from it.
    drop_.Prepare(moving_, source_.GetGrabbed().get(), grab_, [this](Core::Env& env, Core::DeferredShiftSet& shift) {
        ForEachMoving(shift, [&](Core::IModelElement& e) {
            if (Core::IShiftable* shiftable = e.GetShiftable()) shiftable->DetachFromSource(env, shift, moving_);
        });
    });
}

void SameDiagramDropTargetTask::PrepareCopy()
{
    Core::Env env = drop_.MakeEnv();
    Core::TransferSet::PasteResult pasted;
    if (!PasteForDrag(GetContext(), env, Application::DataHolder(data_), pasted))
        throw std::runtime_error("the dragged elements cannot be read");
    moving_ = pasted.pasted;
    drop_.Prepare(moving_, pasted.reference.get(), grab_);
}

// ---- StdDropTargetTask

StdDropTargetTask::StdDropTargetTask(ViewContext& context)
    : IDropTargetTask(context, "StdDropTargetTask"), drop_(context)
{
}

HRESULT StdDropTargetTask::DragEnter(IDataObject* data, DWORD keys, POINT point, DWORD& effect)
{
    ViewContext& c = GetContext();
    rightDrag_ = (keys & MK_RBUTTON) != 0;
    before_ = c.view->GetSelection();
    const Application::DataHolder holder(data);
    Core::Env env = drop_.MakeEnv();
    Core::TransferSet::PasteResult pasted;
    if (!PasteForDrag(c, env, holder, pasted)) {
        refused_ = true;
        effect = DROPEFFECT_NONE;
        return S_OK;
    }
    pasted_ = pasted.pasted;
    // A dropped file is read, never taken: the source must not delete it.
    filesOnly_ = holder.HasFormat(CF_HDROP) && !Application::GetOwnTransferSet(data);
    zq::Point anchor = BoundingRect(pasted_).TopLeft();
    // The point grabbed in the source lies under the pointer (the model's y axis points up).
    if (auto image = Application::ReadDragImage(holder)) {
        anchor.x += image->hotSpot.x;
        anchor.y -= image->hotSpot.y;
    }
    anchor_ = c.grid ? c.grid->SnapPoint(anchor) : anchor;
    drop_.Prepare(pasted_, pasted.reference.get(), anchor_);
    Update(point);
    effect = Answer(keys, effect);
    Repaint();
    return S_OK;
}

HRESULT StdDropTargetTask::DragOver(DWORD keys, POINT point, DWORD& effect)
{
    if (refused_) {
        effect = DROPEFFECT_NONE;
        return S_OK;
    }
    rightDrag_ = (keys & MK_RBUTTON) != 0;
    Update(point);
    effect = Answer(keys, effect);
    Repaint();
    return S_OK;
}

HRESULT StdDropTargetTask::DragLeave()
{
    drop_.Abort();
    Repaint();
    return S_OK;
}

HRESULT StdDropTargetTask::Drop(IDataObject*, DWORD keys, POINT point, DWORD& effect)
{
    ViewContext& c = GetContext();
    if (refused_) {
        effect = DROPEFFECT_NONE;
        return S_OK;
    }
    Update(point);
    RaiseWindow();
    const DWORD allowed = filesOnly_ ? (effect & DROPEFFECT_COPY) : effect;
    effect = Answer(keys, allowed);
    if (rightDrag_) {
        const UINT chosen = ShowDropMenu(point, c.GetHwnd(), (effect & DROPEFFECT_COPY) ? kCmdCopyHere : kCmdMoveHere,
                                         (allowed & DROPEFFECT_MOVE) != 0);
        if (chosen == kCmdMoveHere && (allowed & DROPEFFECT_MOVE))
            effect = DROPEFFECT_MOVE;
        else if (chosen == kCmdCopyHere)
            effect = DROPEFFECT_COPY;
        else {
            DragLeave();
            effect = DROPEFFECT_NONE;
            return S_OK;
        }
    }
    drop_.Commit(before_, pasted_);
    Repaint();
    return S_OK;
}

DWORD StdDropTargetTask::Answer(DWORD keys, DWORD allowed) const
{
    return filesOnly_ ? (allowed & DROPEFFECT_COPY) : DropEffectFor(keys, allowed);
}

void StdDropTargetTask::Update(POINT point)
{
    drop_.ShiftTo(anchor_, ToModel(point));
}

} // namespace View
