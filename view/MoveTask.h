// Moving a selection with the mouse: an OLE drag of the selected elements, also inside one window.
// The drop target decides what happens; after a move into another place the originals are deleted.
#pragma once

#include "app/DragData.h"
#include "app/winmessage/WinMsgPlug.h"
#include "core/ModelElementSet.h"
#include "view/Tasks.h"

#include <functional>
#include <memory>

namespace View {

class VIShiftable;

class DefaultMoveTask : public ISubTask, public IDropSource, public std::enable_shared_from_this<DefaultMoveTask> {
public:
    // The system's drag loop (DoDragDrop) or a stand-in of a test.
    using DragLoop = std::function<HRESULT(IDataObject*, IDropSource*, DWORD allowed, DWORD* effect)>;
    // Replaces the drag loop of every move task (empty: DoDragDrop).
    static void SetDragLoop(DragLoop loop);
    // The move task whose drag carries the data object (made in this process), or none.
    static DefaultMoveTask* FindDragSource(IDataObject* data);

    // A drag with the button (1 left, 3 right) from the press point (model units) on the pressed
    // view element of the model element; takes the mouse capture.
    DefaultMoveTask(ViewContext& context, ITask& parent, int button, const zq::Point& press, VIShiftable& pressed,
                    Core::ElementPtr element);
    ~DefaultMoveTask() override;

    bool IsBusy() const override { return false; }
    void Refresh() override {}

    // The elements the drag carries: the start selection with everything that travels with it.
    const Core::ModelElementSet& GetDraggedSet() const { return dragged_; }
    // The pressed model element.
    const Core::ElementPtr& GetGrabbed() const { return element_; }
    // The press point (model units).
    const zq::Point& GetPressPoint() const { return press_; }
    // Whether the drag was cancelled while the button is still down.
    bool IsCancelledWhileHeld() const { return cancelledWhileHeld_; }
    // Whether the default task let go of the task (while its drag loop ran, say).
    bool IsDismissed() const { return dismissed_; }
    void Dismissed() override { dismissed_ = true; }

    // IDropSource (not counted: the task's lifetime is that of the sub-task).
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    STDMETHODIMP GiveFeedback(DWORD effect) override;

private:
    void OnButtonUp(WinMessage::MouseMsg& msg);
    void OnConsumed(WinMessage::Msg&) {}
    void OnMouseMove(WinMessage::MouseMsg& msg);
    bool IsButtonHeld() const;
    void StartDrag();
    void DeleteOriginals();

    WinMessage::WinMsgPlugMap plugs_;
    zq::Point press_;
    VIShiftable& pressed_;
    Core::ModelElementSet start_;
    Core::ModelElementSet dragged_;
    int button_;
    DWORD allowed_ = DROPEFFECT_NONE;  // the effects the running drag offers
    bool cancelledWhileHeld_ = false;
    bool dismissed_ = false;
    Core::ElementPtr element_;
    std::unique_ptr<Application::DragData> data_;
};

} // namespace View
