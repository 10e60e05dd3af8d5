#include "view/ResizeControls.h"

#include "app/winutil/Input.h"
#include "core/Weight.h"
#include "core/foundation/GraphUtil.h"
#include "view/Cursor.h"
#include "core/foundation/Cast.h"

namespace View {

namespace {

SubTaskPtr MakeTask(unsigned id, int mode, ViewContext& c, ITask& parent, const zq::Point& p, Core::IResizable& e)
{
    using namespace Resize;
    const bool ratio = mode == RectResizeControl::KeepRatio;
    switch (id) {
    case North: return std::make_shared<RectResizeFreeTask<HSide::Null, VSide::North>>(c, parent, p, e, mode);
    case South: return std::make_shared<RectResizeFreeTask<HSide::Null, VSide::South>>(c, parent, p, e, mode);
    case West: return std::make_shared<RectResizeFreeTask<HSide::West, VSide::Null>>(c, parent, p, e, mode);
    case East: return std::make_shared<RectResizeFreeTask<HSide::East, VSide::Null>>(c, parent, p, e, mode);
    case NorthWest:
        if (ratio) return std::make_shared<RectResizeKeepRatioTask>(c, parent, p, e, Corner::NorthWest);
        return std::make_shared<RectResizeFreeTask<HSide::West, VSide::North>>(c, parent, p, e, mode);
    case SouthWest:
        if (ratio) return std::make_shared<RectResizeKeepRatioTask>(c, parent, p, e, Corner::SouthWest);
        return std::make_shared<RectResizeFreeTask<HSide::West, VSide::South>>(c, parent, p, e, mode);
    case SouthEast:
        if (ratio) return std::make_shared<RectResizeKeepRatioTask>(c, parent, p, e, Corner::SouthEast);
        return std::make_shared<RectResizeFreeTask<HSide::East, VSide::South>>(c, parent, p, e, mode);
    case NorthEast:
        if (ratio) return std::make_shared<RectResizeKeepRatioTask>(c, parent, p, e, Corner::NorthEast);
        return std::make_shared<RectResizeFreeTask<HSide::East, VSide::North>>(c, parent, p, e, mode);
    default: return nullptr;
    }
}
} // namespace

// ---- RectResizeControl

RectResizeControl::RectResizeControl(ICanvasView& view, Core::IResizable& element, unsigned id, int mode,
                                     IDoubleClickHandler* doubleClick)
    : view_(view), element_(element), id_(id), mode_(mode), doubleClick_(doubleClick)
{
}

SubTaskPtr RectResizeControl::CreateTask(ICanvasView& view, ITask& parent, const zq::Point& point)
{
    if (!enabled_) return nullptr;
    auto* diagramView = zq::Cast<DiagramView>(&view);
    if (diagramView == nullptr) return nullptr;
    return MakeTask(id_, mode_, diagramView->GetContext(), parent, point, element_);
}

zq::Point RectResizeControl::GetPosition() const
{
    return element_.GetPos() + GetOffset(element_.GetSize());
}

bool RectResizeControl::IsNear(const zq::Point& point, int32_t tolerance) const
{
    return enabled_ && GraphUtil::IsNear(zq::float8Point(point), zq::float8Point(GetPosition()), tolerance);
}

Core::Weight RectResizeControl::GetWeight(const zq::Point& point, const Core::IView& view) const
{
    if (!enabled_) return {};
    Core::Weight w = Core::Weight::MakeControl(point, zq::float8Point(GetPosition()));
    if (auto* pointable = zq::Cast<const Core::IPointable>(&element_))
        w.AddBias(pointable->GetWeight(view, point, kHitTolerance));
    return w;
}

int RectResizeControl::GetCursorId() const
{
    switch (id_) {
    case Resize::North:
    case Resize::South: return 7;
    case Resize::NorthWest:
    case Resize::SouthEast: return 8;
    case Resize::West:
    case Resize::East: return 9;
    case Resize::SouthWest:
    case Resize::NorthEast: return 6;
    default: return 1;
    }
}

void RectResizeControl::SetCursor(const zq::Point&)
{
    Cursor::Load(GetCursorId());
}

SubTaskPtr RectResizeControl::OnDoubleClick(ICanvasView& view, ITask& parent, const zq::Point& point)
{
    return doubleClick_ ? doubleClick_->OnDoubleClick(view, parent, point) : nullptr;
}

// ---- RectResizeControls

RectResizeControls::RectResizeControls(ICanvasView& view, Core::IResizable& element, unsigned mask,
                                       IDoubleClickHandler* doubleClick, int mode)
    : view_(view), element_(element), doubleClick_(doubleClick), mask_(mask), mode_(mode)
{
}

const std::vector<std::unique_ptr<RectResizeControl>>& RectResizeControls::GetControls() const
{
    if (made_) return controls_;
    made_ = true;
    for (unsigned bit = 128; bit != 0; bit >>= 1) {
        if ((mask_ & bit) == 0) continue;
        controls_.push_back(std::make_unique<RectResizeControl>(view_, element_, bit, mode_, doubleClick_));
        controls_.back()->SetEnabled((enabled_ & bit) != 0);
    }
    return controls_;
}

template <class F>
void RectResizeControls::ForEachEnabled(F&& f) const
{
    const zq::Point pos = element_.GetPos(), size = element_.GetSize();
    for (unsigned bit = 128; bit != 0; bit >>= 1)
        if ((mask_ & enabled_ & bit) != 0) f(pos + Resize::HandleOffset(bit, size));
}

void RectResizeControls::Draw(ICanvas::Canvas& canvas, ICanvas::Group& group, bool primary) const
{
    // From the element's geometry, as one picture element: the marks of a large selection make no
    // handle objects and one drawable for each box.
    const int picture = !view_.IsSelectionVisible() ? 102 : primary ? 100 : 101;
    std::vector<zq::float8Point> points;
    ForEachEnabled([&](const zq::Point& p) { points.push_back(zq::float8Point(p)); });
    if (!points.empty()) group.Add(canvas.CreatePictures(std::move(points), picture));
}

RectResizeControl* RectResizeControls::FindAt(const zq::Point& point, int32_t tolerance) const
{
    // The handles are made only for an element whose handle lies near the point.
    bool anyNear = false;
    ForEachEnabled([&](const zq::Point& p) {
        anyNear = anyNear || GraphUtil::IsNear(zq::float8Point(point), zq::float8Point(p), tolerance);
    });
    if (!anyNear) return nullptr;
    RectResizeControl* best = nullptr;
    Core::Weight bestWeight;
    for (const auto& c : GetControls()) {
        if (!c->IsNear(point, tolerance)) continue;
        const Core::Weight w = c->GetWeight(point, view_);
        if (best == nullptr || w > bestWeight) {
            best = c.get();
            bestWeight = w;
        }
    }
    return best;
}

Core::Weight RectResizeControls::WeightAt(const zq::Point& point, int32_t tolerance) const
{
    RectResizeControl* c = FindAt(point, tolerance);
    return c ? c->GetWeight(point, view_) : Core::Weight();
}

void RectResizeControls::SetEnabledMask(unsigned mask)
{
    enabled_ = mask;
    for (const auto& c : controls_) c->SetEnabled((mask & c->GetId()) != 0);
}

} // namespace View
