// The fixture of the element families' window tests: a view window on a diagram of the family's
// registry, with the gestures and pixel probes those tests share (one undo step per change, clicks,
// drags and typing by messages, context-menu commands, dark pixels on lines and around points).
#pragma once

#include "Editor/tests/RealInput.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "view/ViewElements.h"
#include "view/tests/TestBoxes.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace ViewTest {

class ElementWindowTest : public ::testing::Test {
protected:
    // Runs install (the family's view registrations) before the diagram and window exist.
    ElementWindowTest(const Core::FactoryRegistry& registry, void (*install)())
        : installed_((install(), true)), diagram(registry, nullptr, nullptr, &View::DefaultGrid::Instance()) {}

    // Runs the change as one undo step and redraws.
    void Change(const std::function<void(Core::Env&)>& f)
    {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        f(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        diagram.UpdateAllViews();
        w.Pump();
    }
    // A click of the left button at the model point.
    void Click(const zq::Point& p)
    {
        const POINT c = w.At(p);
        w.Mouse(WM_MOUSEMOVE, c);
        w.Mouse(WM_LBUTTONDOWN, c, MK_LBUTTON);
        w.Mouse(WM_LBUTTONUP, c);
        w.Pump();
    }
    // A real click (SendInput) at the model point to, after the pointer travelled there from the
    // model point from in steps, as a hand moves it; answers the model point it landed on.
    zq::Point RealClick(const zq::Point& from, const zq::Point& to)
    {
        SetForegroundWindow(w.hwnd);
        auto screen = [&](const zq::Point& p) {
            POINT s = w.At(p);
            ClientToScreen(w.hwnd, &s);
            return s;
        };
        const POINT a = screen(from), b = screen(to);
        for (int i = 0; i <= 8; ++i) {
            EditorTest::MoveTo({a.x + (b.x - a.x) * i / 8, a.y + (b.y - a.y) * i / 8});
            EditorTest::Pace();
            w.Pump();
        }
        EditorTest::Button(MOUSEEVENTF_LEFTDOWN);
        EditorTest::Button(MOUSEEVENTF_LEFTUP);
        POINT landed;
        GetCursorPos(&landed);
        ScreenToClient(w.hwnd, &landed);
        return w.Logical(landed);
    }
    // Pumps messages until the condition holds or five seconds passed; answers the condition.
    bool PumpUntil(const std::function<bool()>& done)
    {
        const DWORD start = GetTickCount();
        while (!done() && GetTickCount() - start < 5000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            w.Pump();
        }
        return done();
    }
    // A press at from, moves with the button held through the points, then the release at the last
    // point (or Escape before it). The press counts as a drag at once.
    void Drag(const zq::Point& from, const std::vector<zq::Point>& to, bool escape = false)
    {
        FakeDrag drag(true);
        const POINT start = w.At(from);
        w.Mouse(WM_MOUSEMOVE, start);
        w.Mouse(WM_LBUTTONDOWN, start, MK_LBUTTON);
        w.Pump();
        for (const zq::Point& p : to) {
            w.Mouse(WM_MOUSEMOVE, w.At(p), MK_LBUTTON);
            w.Pump();
        }
        if (escape) {
            w.Key(WM_KEYDOWN, VK_ESCAPE);
            w.Pump();
        }
        w.Mouse(WM_LBUTTONUP, w.At(to.empty() ? from : to.back()));
        w.Pump();
    }
    // Types the characters as WM_CHAR messages.
    void Type(std::u16string_view units)
    {
        for (char16_t u : units) PostMessageW(w.hwnd, WM_CHAR, u, 1);
        w.Pump();
    }
    // Presses and releases Escape.
    void Escape()
    {
        PostMessageW(w.hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(w.hwnd, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        w.Pump();
    }
    // Runs the command as a menu opened at the model point does; false when no handler took it.
    bool Run(UINT command, const zq::Point& at)
    {
        w.Task().SetLastMousePoint(at);
        const bool ran = w.router.Execute({command, 0, nullptr});
        w.Pump();
        checks_[command] = w.router.GetCheckState(command);
        return ran;
    }
    // Runs a command of the element's context menu as the menu does.
    bool Menu(Core::IModelElement& element, UINT command, const zq::Point& at)
    {
        auto* menu = dynamic_cast<View::IContextMenu*>(element.FindViewElement(*w.view));
        if (menu == nullptr) return false;
        View::CmdHandlerList handlers;
        menu->PrepareMenu(w.Task(), handlers);
        return Run(command, at);
    }
    // The check state the command showed right after its last Run or Menu (-1: never ran).
    int CheckAfter(UINT command) const { return checks_.count(command) ? checks_.at(command) : -1; }
    // The number of undo steps.
    std::size_t Steps() { return diagram.GetUndoHandler().GetUndoCount(); }
    // Selects exactly the elements.
    void Select(const std::vector<Core::IModelElement*>& elements)
    {
        w.view->ClearSelection(nullptr);
        for (auto* e : elements) e->SelectInView(*w.view, true);
        w.Pump();
    }
    // Brings the window's pixels up to date with the model.
    void Repaint()
    {
        w.view->ProcessUpdates();
        InvalidateRect(w.hwnd, nullptr, TRUE);
        w.Pump();
        w.canvas->Update();
        UpdateWindow(w.hwnd);
    }
    static bool IsDark(COLORREF c) { return c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 300; }
    // Pixels along the model line from a to b that are dark, or have a dark neighbour across the
    // line when slack is set (rounding may put a line one pixel off); after a repaint.
    int DarkOnLine(const zq::Point& a, const zq::Point& b, bool slack = false)
    {
        Repaint();
        const POINT p = w.At(a), q = w.At(b);
        HDC dc = GetDC(w.hwnd);
        int dark = 0;
        const int n = std::max(std::abs(q.x - p.x), std::abs(q.y - p.y));
        const int reach = slack ? 1 : 0;
        for (int i = 0; i <= n; ++i) {
            const int x = p.x + (q.x - p.x) * i / std::max(n, 1), y = p.y + (q.y - p.y) * i / std::max(n, 1);
            for (int d = -reach; d <= reach; ++d)
                if (IsDark(p.y == q.y ? GetPixel(dc, x, y + d) : GetPixel(dc, x + d, y))) {
                    ++dark;
                    break;
                }
        }
        ReleaseDC(w.hwnd, dc);
        return dark;
    }
    // The image a drag draws of the element's view, moved by (dx, dy) away from the element (out
    // of line with its corners, whose marks would draw guides to the image's).
    ICanvas::Group DragImage(Core::IModelElement& element, int dx, int dy)
    {
        ICanvas::Group image;
        if (auto* shiftable = dynamic_cast<View::VIShiftable*>(element.FindViewElement(*w.view)))
            shiftable->DrawMoveImage(*w.canvas, image, Core::DeferredShiftSet());
        else
            ADD_FAILURE() << "the element has no view to drag";
        image.Move({double(dx), double(dy)});
        return image;
    }
    // Dark pixels in the square of half-size r (pixels) around the model point; after a repaint.
    int DarkAround(const zq::float8Point& p, int r = 1)
    {
        Repaint();
        const POINT c = w.At(zq::RoundPoint(p));
        HDC dc = GetDC(w.hwnd);
        int dark = 0;
        for (int y = c.y - r; y <= c.y + r; ++y)
            for (int x = c.x - r; x <= c.x + r; ++x)
                if (IsDark(GetPixel(dc, x, y))) ++dark;
        ReleaseDC(w.hwnd, dc);
        return dark;
    }
    // The pixel at the model point; after a repaint.
    COLORREF PixelAt(const zq::Point& p)
    {
        Repaint();
        HDC dc = GetDC(w.hwnd);
        const COLORREF c = GetPixel(dc, w.At(p).x, w.At(p).y);
        ReleaseDC(w.hwnd, dc);
        return c;
    }
    // Moves the element (and what moves with it) by (dx, 0) in a change left open, as a drag does,
    // runs the check while the change is open, then throws the change away and redraws.
    void WhileMovedInOpenChange(Core::IModelElement& element, double dx, const std::function<void()>& check)
    {
        {
            Core::Transaction t(diagram, w.view.get());
            Core::Env env(t);
            Core::DeferredShiftSet set;
            element.Shift(env, nullptr, Core::ShiftVector{dx, 0, true, true}, set, false);
            diagram.UpdateAllViews();
            check();
            t.Abort();
        }
        diagram.UpdateAllViews();
        Repaint();
    }
    // Moves the box with its compartment as a drag does, in a change left open, and expects both
    // drawn where the last closed change put them (its left edge, the compartment's top line) and
    // nothing of them at the moved place while it is open, and after it is thrown away.
    void ExpectBoxAndCompartmentStayWhileMoved(Core::IResizable& box, const Core::IResizable& compartment)
    {
        const zq::Rect r = box.GetRect(), k = compartment.GetRect();
        const std::int32_t dx = r.Width() + 2000;
        auto left = [&](std::int32_t x) { return DarkOnLine({x, r.top - 100}, {x, r.bottom + 100}, true); };
        auto line = [&](std::int32_t x) { return DarkOnLine({x + 200, k.top}, {x + k.Width() - 200, k.top}, true); };
        const int drawnLeft = left(r.left), drawnLine = line(k.left);
        ASSERT_GT(drawnLeft, 20);
        ASSERT_GT(drawnLine, 20);
        WhileMovedInOpenChange(box, dx, [&] {
            EXPECT_EQ(r.left + dx, box.GetRect().left);
            EXPECT_EQ(drawnLeft, left(r.left)) << "the box's left edge is gone from its place";
            EXPECT_EQ(drawnLine, line(k.left)) << "the compartment's line is gone from its place";
            EXPECT_LT(left(r.left + dx), 3) << "the box is drawn at the moved place";
            EXPECT_LT(line(k.left + dx), 3) << "the compartment is drawn at the moved place";
        });
        EXPECT_EQ(r, box.GetRect());
        EXPECT_EQ(drawnLeft, left(r.left));
        EXPECT_EQ(drawnLine, line(k.left));
    }
    // The stored form of the diagram (of this window's diagram by default).
    static std::string Saved(const Core::Diagram& d)
    {
        std::ostringstream out;
        d.SaveXML(out);
        return out.str();
    }
    std::string Saved() const { return Saved(diagram); }
    // The elements of kind T that are not deleted, in the diagram's order.
    template <class T>
    std::vector<T*> Live() const
    {
        std::vector<T*> out;
        for (const auto& e : diagram.Elements())
            if (auto* t = dynamic_cast<T*>(e.get()); t != nullptr && !e->IsDeleted()) out.push_back(t);
        return out;
    }

private:
    bool installed_;
    std::map<UINT, int> checks_;

protected:
    Core::Diagram diagram;
    ViewWindow w{&diagram};
};

} // namespace ViewTest
