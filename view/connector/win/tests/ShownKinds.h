// The kinds of the connector view tests: a box that line ends attach to, drawn by the view tests'
// box view, and a branching "line" connector whose parts are shown in canvas views.
#pragma once

#include "view/connector/tests/TestConnectorKinds.h"
#include "view/Shapes.h"
#include "view/connector/win/Views.h"
#include "view/tests/TestKinds.h"

namespace ConnectorViewTest {

class LineEnd;

struct TermBoxRep {
    zq::Point size{1000, 600};
    Core::PtrCont<LineEnd> ends;  // not stored: rebuilt from the ends
};

// A box pointable by its area; line ends attach to its outline.
class TermBox
    : public Core::StorableWithPos<TermBox, TermBoxRep, Core::StorableTraits::Null,
                                   Core::ResizableWithSizeField<TermBoxRep, &TermBoxRep::size>, Core::IPointable,
                                   View::ModelElement, Core::ITerminal, Core::IDeletable, Core::IAttach<LineEnd>,
                                   Core::PartnerList<TermBoxRep, LineEnd, &TermBoxRep::ends>> {
public:
    static Core::FactoryImp<TermBox>& Factory() {
        static Core::FactoryImp<TermBox> factory(Core::SchemaNamespace10(), L"TermBox");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<TermBoxRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Optional>::Register(t, &TermBoxRep::size, L"Size", zq::Point(1000, 600));
        RegisterRefContNonStoreProperty::Register(t, &TermBoxRep::ends, L"Ends");
    }
    void SetRect(Core::Env& env, const zq::Rect& rect, bool) override {
        const zq::Rect r = rect.Normalized();
        SetPos(env, r.TopLeft());
        SetField(env, &TermBoxRep::size, zq::Point(r.Width(), r.Height()));
    }
    bool IsNear(const zq::Point& p, int32_t tolerance) const override { return GetRect().Inflated(tolerance).Contains(p); }
    bool GetBoundingRect(zq::Rect& out) const override {
        out = GetRect();
        return true;
    }
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, int32_t tolerance) const override {
        Core::Weight w = Core::Weight::MakeArea(p, tolerance, GetRect());
        w.PromoteIfSelected(view, *this);
        return w;
    }
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override {
        GraphUtil::Outline outline;
        GraphUtil::MakeRectOutline(outline, GetRect());
        out = GraphUtil::NearestOutlinePoint(outline, p, horizontal, !horizontal);
        return out.valid;
    }
    void Attach(Core::Env& env, LineEnd* end) override;
    void Delete(Core::Env& env) override;
    void Finalize(Core::Env&) override { UpdateViewElements(); }
    std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(View::ICanvasView& view) override {
        return std::make_shared<ViewTest::VBox>(view, *this, *this, mode_);
    }

private:
    int mode_ = 0;
};

class Line : public Connector::ConnectorImp<Line> {
public:
    static Core::FactoryImp<Line>& Factory() {
        static Core::FactoryImp<Line> factory(Core::SchemaNamespace10(), L"Line");
        return factory;
    }
    static Connector::IFactory& PartFactory();
};

// A line's target end (type 2) shows a filled arrow head.
class LineEnd : public Connector::EndImp<LineEnd>, public Connector::ShownPart {
public:
    static Core::FactoryImp<LineEnd>& Factory() {
        static Core::FactoryImp<LineEnd> factory(Core::SchemaNamespace10(), L"LineEnd");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Line::PartFactory(); }
    std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(View::ICanvasView& view) override;
};

class VArrowEnd : public Connector::VEnd {
public:
    VArrowEnd(View::ICanvasView& view, Connector::IEnd& end) : Core::IViewElement(view, end), VEnd(view, end) {}
    zq::float8Point DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) override {
        auto& end = dynamic_cast<Connector::IEnd&>(*GetModelElement());
        if (end.GetEndType() != 2) return VEnd::DrawShape(canvas, group, from);
        return View::ArrowShape(canvas, group, end.GetPoint(), from, 300, 200, 3).GetBase();
    }
};

// Another line's end dropped on a segment merges the two lines.
class LineSegment : public Connector::SegmentImp<LineSegment, LineEnd>, public Connector::ShownPart,
                    public Core::IAttach<LineEnd> {
public:
    static Core::FactoryImp<LineSegment>& Factory() {
        static Core::FactoryImp<LineSegment> factory(Core::SchemaNamespace10(), L"LineSegment");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Line::PartFactory(); }
    bool CanAttach(LineEnd* end) const override { return end == nullptr || end->GetConnector() != GetConnector(); }
    void Attach(Core::Env& env, LineEnd* end) override { Connector::Functions::MergeEndIntoSegment(env, *end, *this); }
};

class LineJoin : public Connector::JoinImp<LineJoin>, public Connector::ShownPart {
public:
    static Core::FactoryImp<LineJoin>& Factory() {
        static Core::FactoryImp<LineJoin> factory(Core::SchemaNamespace10(), L"LineJoin");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Line::PartFactory(); }
};

// The registry of these kinds and the diagram type.
Core::FactoryRegistry& Registry();

} // namespace ConnectorViewTest
