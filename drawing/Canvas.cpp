#include "app/winutil/Platform.h"
#include "drawing/Canvas.h"

#include <algorithm>

namespace ICanvas {

namespace {

// The element behind a Group handle: owns its children's handles.
class GroupElement : public IElement {
public:
    void Move(const zq::float8Vector& by) override {
        for (const Element& e : children) e.Move(by);
    }
    std::vector<Element> children;
};

} // namespace

LineStyle LineStyle::FromColor(const zq::Color& c, int32_t width) {
    LineStyle s;
    s.width = width;
    s.systemColor = 0;
    s.value = uint32_t(c.red) | (uint32_t(c.green) << 8) | (uint32_t(c.blue) << 16);
    return s;
}

void Group::Add(const Element& e) {
    if (e.IsEmpty()) return;
    if (!element_) {
        // Most groups hold a few elements: one allocation for them all.
        auto group = std::make_shared<GroupElement>();
        group->children.reserve(4);
        element_ = std::move(group);
    }
    static_cast<GroupElement*>(element_.get())->children.push_back(e);
}

void Group::Clear() {
    if (element_) static_cast<GroupElement*>(element_.get())->children.clear();
}

size_t Group::Size() const {
    return element_ ? static_cast<GroupElement*>(element_.get())->children.size() : 0;
}

void Group::ForEach(const std::function<void(const Element&)>& f) const {
    if (element_)
        for (const Element& e : static_cast<GroupElement*>(element_.get())->children) f(e);
}

} // namespace ICanvas

namespace GraphUtil {

void AddCornerMarks(ICanvas::Canvas& canvas, ICanvas::Group& group, const ICanvas::DoubleRect& r, int target) {
    using namespace ICanvas;
    group.Add(canvas.CreateAdjustMarker({r.left, r.top}, SideLeft | SideTop, target));
    group.Add(canvas.CreateAdjustMarker({r.right, r.top}, SideRight | SideTop, target));
    group.Add(canvas.CreateAdjustMarker({r.left, r.bottom}, SideLeft | SideBottom, target));
    group.Add(canvas.CreateAdjustMarker({r.right, r.bottom}, SideRight | SideBottom, target));
}

void AddEdgeCenterMarks(ICanvas::Canvas& canvas, ICanvas::Group& group, const ICanvas::DoubleRect& r, int target) {
    using namespace ICanvas;
    const double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    group.Add(canvas.CreateAdjustMarker({cx, r.top}, SideTop, target));
    group.Add(canvas.CreateAdjustMarker({cx, r.bottom}, SideBottom, target));
    group.Add(canvas.CreateAdjustMarker({r.left, cy}, SideLeft, target));
    group.Add(canvas.CreateAdjustMarker({r.right, cy}, SideRight, target));
}

} // namespace GraphUtil
