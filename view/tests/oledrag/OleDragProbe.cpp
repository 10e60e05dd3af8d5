// A real OLE drag between two view windows over two diagrams, for a driver that moves the real
// mouse (xdotool): prints where the drag starts and ends (screen pixels), waits for the drop, then
// checks that the box moved into the other diagram, one undo step in each, and exits 0; else 1.
#include "view/tests/TestTransfer.h"

#include <cstdio>

namespace {

const zq::Rect kBox{0, 4000, 2000, 2000};
// The target point lies in the part of the second window that the first one never covers.
const zq::Point kFrom{1000, 3000}, kTo{14000, 2000};

int Fail(const char* why)
{
    std::printf("FAILED: %s\n", why);
    std::fflush(stdout);
    return 1;
}

int Run()
{
    using namespace ViewTest;
    InProcessFormats formats;
    ViewWindow w1;
    ViewWindow w2(nullptr, nullptr, &formats, ViewWindow::kW + 20);
    auto target = View::RegisterDropTarget(*w2.view);
    auto box = w1.AddBox(kBox);
    const size_t undo1 = w1.diagram.GetUndoHandler().GetUndoCount();
    const size_t undo2 = w2.diagram.GetUndoHandler().GetUndoCount();
    const size_t count2 = w2.diagram.GetElementCount();
    w1.Pump();
    w2.Pump();

    const POINTL from = ScreenAt(w1, kFrom), to = ScreenAt(w2, kTo);
    RECT r1, r2;
    GetWindowRect(w1.hwnd, &r1);
    GetWindowRect(w2.hwnd, &r2);
    std::printf("windows %ld %ld %ld %ld\n", r1.left, r1.right, r2.left, r2.right);
    std::printf("drag %ld %ld %ld %ld\n", from.x, from.y, to.x, to.y);
    std::fflush(stdout);

    // The drag loop runs inside the pump; the box is gone from the first diagram once it returned.
    const DWORD deadline = GetTickCount() + 30000;
    while (!box->IsDeleted() && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        w1.Pump();
        w2.Pump();
    }
    if (!box->IsDeleted()) return Fail("the box did not leave the first diagram");
    if (w2.diagram.GetElementCount() != count2 + 1) return Fail("no box arrived in the second diagram");
    if (w1.diagram.GetUndoHandler().GetUndoCount() != undo1 + 1) return Fail("not one undo step in the source");
    if (w2.diagram.GetUndoHandler().GetUndoCount() != undo2 + 1) return Fail("not one undo step in the target");
    if (w1.Task().IsBusy()) return Fail("the source's move task is still running");
    const auto arrived = w2.Selection();
    if (arrived.size() != 1 || dynamic_cast<Box*>(arrived[0]) == nullptr) return Fail("the arrived box is not selected");
    // The grabbed point lies under the pointer where the mouse was released.
    const zq::Point at = dynamic_cast<Box*>(arrived[0])->GetPos();
    const zq::Point expected{kBox.left + kTo.x - kFrom.x, kBox.top + kTo.y - kFrom.y};
    if (std::abs(at.x - expected.x) > 200 || std::abs(at.y - expected.y) > 200) return Fail("the box landed elsewhere");
    w1.Undo();
    if (box->IsDeleted()) return Fail("undo in the source did not bring the box back");
    std::printf("passed\n");
    return 0;
}

} // namespace

int main()
{
    if (FAILED(OleInitialize(nullptr))) return Fail("no OLE");
    const int status = Run();
    OleUninitialize();
    return status;
}
