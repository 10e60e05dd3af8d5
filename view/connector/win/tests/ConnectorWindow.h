// A view window over a diagram of two boxes for the connector view tests, with helpers that post
// clicks and drags, build lines and read the saved document.
#pragma once

#include "view/connector/win/tests/ShownKinds.h"
#include "view/tests/TestBoxes.h"

#include <functional>
#include <sstream>

namespace ConnectorViewTest {

// Sets the calling thread's state of the keys while it lives (posted messages do not change it).
struct KeysDown {
    explicit KeysDown(std::initializer_list<int> keys) {
        GetKeyboardState(saved);
        BYTE state[256];
        std::copy(std::begin(saved), std::end(saved), state);
        for (int k : keys) state[k] = 0x80;
        SetKeyboardState(state);
    }
    ~KeysDown() { SetKeyboardState(saved); }
    BYTE saved[256] = {};
};

class ConnectorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(1200, 1000);
        w.Pump();
        a = AddBox({1000, 4000, 4000, 2000});
        b = AddBox({6000, 4000, 9000, 2000});
        w.Pump();
    }
    std::shared_ptr<TermBox> AddBox(const zq::Rect& r) {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        auto box = TermBox::Factory().CreateTyped(env);
        box->SetRect(env, r, false);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        diagram.UpdateAllViews();
        return box;
    }
    // A line along the points from box a to box b, made as one undo step.
    Line* AddLine(const std::vector<zq::float8Point>& points) {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        std::vector<Connector::PathEntry> path;
        for (const auto& p : points) path.push_back({p, true});
        auto* line = dynamic_cast<Line*>(Connector::BuildPathConnector(env, Line::PartFactory(), path, a.get(), b.get(), nullptr));
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        diagram.UpdateAllViews();
        w.Pump();
        return line;
    }
    void Post(UINT message, const zq::Point& p, WPARAM keys = 0) {
        const POINT c = w.At(p);
        PostMessageW(w.hwnd, message, keys, MAKELPARAM(c.x, c.y));
    }
    void Click(const zq::Point& p, WPARAM keys = 0) {
        Post(WM_MOUSEMOVE, p, keys);
        Post(WM_LBUTTONDOWN, p, keys);
        Post(WM_LBUTTONUP, p, keys);
        w.Pump();
    }
    // A real click through the system's input queue (SendInput) at the client pixel of p; answers
    // the model point the pointer landed on.
    zq::Point RealClick(const zq::Point& p) {
        POINT at = w.At(p);
        ClientToScreen(w.hwnd, &at);
        SetForegroundWindow(w.hwnd);
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        INPUT in[3] = {};
        for (INPUT& i : in) i.type = INPUT_MOUSE;
        in[0].mi.dx = (at.x * 65536 + sw - 1) / sw;
        in[0].mi.dy = (at.y * 65536 + sh - 1) / sh;
        in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(3, in, sizeof(INPUT));
        POINT landed;
        GetCursorPos(&landed);
        ScreenToClient(w.hwnd, &landed);
        return w.Logical(landed);
    }
    // Pumps messages until the condition holds or five seconds passed; answers the condition.
    bool PumpUntil(const std::function<bool()>& done) {
        const DWORD start = GetTickCount();
        while (!done() && GetTickCount() - start < 5000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            w.Pump();
        }
        return done();
    }
    // A press, moves in steps to the target with the button held, then the release.
    void Drag(const zq::Point& from, const zq::Point& to, WPARAM keys = 0) {
        KeysDown down(keys & MK_CONTROL ? std::initializer_list<int>{VK_LBUTTON, VK_CONTROL}
                                        : std::initializer_list<int>{VK_LBUTTON});
        Post(WM_LBUTTONDOWN, from, keys);
        for (int i = 1; i <= 4; ++i)
            Post(WM_MOUSEMOVE, {from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4}, keys | MK_LBUTTON);
        Post(WM_LBUTTONUP, to, keys);
        w.Pump();
    }
    // The model point a click at p lands on (the pointer moves in whole pixels).
    zq::Point P(int32_t x, int32_t y) const { return w.Logical(w.At({x, y})); }
    zq::float8Point F(int32_t x, int32_t y) const { return zq::float8Point(P(x, y)); }
    size_t UndoCount() { return diagram.GetUndoHandler().GetUndoCount(); }
    std::string Saved() const {
        std::ostringstream out;
        diagram.SaveXML(out);
        return out.str();
    }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    template <class T>
    std::vector<T*> Live() const {
        std::vector<T*> out;
        for (const auto& e : diagram.Elements())
            if (auto* t = dynamic_cast<T*>(e.get()); t != nullptr && !e->IsDeleted()) out.push_back(t);
        return out;
    }

    Core::Diagram diagram{Registry(), nullptr, nullptr, &View::DefaultGrid::Instance()};
    ViewTest::ViewWindow w{&diagram};
    std::shared_ptr<TermBox> a, b;
};

} // namespace ConnectorViewTest
