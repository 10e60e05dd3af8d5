#include "elements/note/Note.h"

#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/PropertyKinds.h"
#include "core/Selection.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "style/Names.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace Note {

namespace {
// The grid that rounds a note's size: the change's, else the program's.
const Core::IGrid& GridOf(Core::Env& env)
{
    const Core::IGrid* grid = env.GetGrid();
    return grid != nullptr ? *grid : View::DefaultGrid::Instance();
}
} // namespace

Core::FactoryImp<Note>& Note::Factory()
{
    static Core::FactoryImp<Note> factory(Core::SchemaNamespace10(), L"Note");
    return factory;
}

void Note::RegisterProperties(Core::PropertyTable<NoteRep>& t)
{
    using namespace Core;
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &NoteRep::size, L"Size", zq::Point(2000, 1000));
    RegisterRefProperty<>::Register(t, &NoteRep::text, L"Text");
    RegisterProperty<EvalRestore::Optional>::Register(t, &NoteRep::elementStyle, L"ElementStyle", std::wstring(),
                                                      xml::kSchema13);
    RegisterRefContNonStoreProperty::Register(t, &NoteRep::connectorEnds, L"NoteConnectors");
    RegisterRefNonStoreProperty::Register(t, &NoteRep::container, L"Container");
    RegisterRefNonStoreProperty::Register(t, &NoteRep::style, L"Style");
}

std::shared_ptr<Note> Note::Create(Core::Env& env, const zq::Point& point)
{
    Style::Style& style = Style::Style::FindOrCreate(env);
    auto note = Factory().CreateTyped(env);
    note->CreateDirectories(env, &style);
    note->SetStyle(env, &style);
    auto text = TextBlock::Text::Create(env, *note);
    note->SetPos(env, point);
    text->SetName(env, L"<text?>");
    return note;
}

std::vector<NoteConnector*> Note::GetConnectors() const
{
    std::vector<NoteConnector*> list;
    for (NoteConnectorEnd* e : GetRep().connectorEnds)
        if (auto* c = zq::Cast<NoteConnector>(e->GetConnector()); c != nullptr && !c->IsDeleted())
            if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
    return list;
}

void Note::SetRect(Core::Env& env, const zq::Rect& rect, bool)
{
    if (IsDeleted()) return;
    const zq::Rect r = rect.Normalized();
    if (r == GetRect()) return;
    ApplyRect(env, r);
}

void Note::ApplyRect(Core::Env& env, zq::Rect r)
{
    SetPos(env, r.TopLeft());
    SetField(env, &NoteRep::size, zq::Point(r.Width(), r.Height()));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    if (GetText() != nullptr) {
        TextBlock::ITextOwner::GrowRectToText(r, GridOf(env), GetOldPos(), GetText(), kMargin, kFold, kMargin, kMargin);
        SetPos(env, r.TopLeft());
        SetField(env, &NoteRep::size, zq::Point(r.Width(), r.Height()));
        TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    }
    Reshaped(env);
}

void Note::Reshaped(Core::Env& env)
{
    // From side to side of the outline: an end on the top edge stays on it, off the folded corner.
    const Core::BoxReshapeInfo info(this, Outline(true), Outline(false));
    Core::DeferredShiftSet none;
    for (NoteConnectorEnd* e : Core::PtrCont<NoteConnectorEnd>(GetRep().connectorEnds))
        e->OnTerminalReshaped(env, info, &none);
}

bool Note::IsNear(const zq::Point& p, std::int32_t tolerance) const { return GetRect().Inflated(tolerance).Contains(p); }

bool Note::GetBoundingRect(zq::Rect& out) const
{
    out = GetRect();
    return true;
}

Core::Weight Note::GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const
{
    Core::Weight w = Core::Weight::MakeArea(p, tolerance, GetRect());
    w.PromoteIfSelected(view, *this);
    return w;
}

bool Note::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const
{
    const std::vector<zq::Point> points = Outline(false);
    out = GraphUtil::NearestOutlinePoint(GraphUtil::Outline(points.begin(), points.end()), p, horizontal, !horizontal);
    return out.valid;
}

std::vector<zq::Point> Note::Outline(bool old) const
{
    const zq::Point pos = old ? GetOldPos() : GetPos(), size = old ? GetOldSize() : GetSize();
    const std::int32_t x = pos.x, y = pos.y, w = size.x, h = size.y;
    const std::int32_t xf = std::max(x, x + w - kFold), yf = std::max(y - h, y - kFold);
    return {{x, y}, {xf, y}, {x + w, yf}, {x + w, y - h}, {x, y - h}};
}

void Note::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                     bool noFollow)
{
    if (IsDeleted() || !(shift.shiftX || shift.shiftY)) return;
    MarkShifted(set);
    Core::ShiftVector v = shift;
    if (MovesOnlySideways(env, set)) v.shiftY = false;
    const zq::Point p = Core::ShiftParam::Apply(v, GetPos(), GetOldPos());
    if (p == GetPos()) return;
    SetPos(env, p);
    if (noFollow) return;
    for (NoteConnector* c : GetConnectors()) c->Shift(env, this, v, set, false);
}

bool Note::MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set) const
{
    // Picked by the user (in the change's view; without one, every moved element is) or new, it
    // takes the whole move.
    const Core::SelectionTracker* tracker = env.GetTracker();
    if (!set.GetMoved().Contains(this) || IsNew() || tracker == nullptr || tracker->GetView() == nullptr ||
        IsSelectedInView(*tracker->GetView()))
        return false;
    bool pointing = false;
    for (NoteConnector* c : GetConnectors())
        for (Connector::IEnd* end : c->GetEnds()) {
            Core::IModelElement* party = end->IsDeleted() || end->GetEndType() != NoteConnectorEnd::kFar
                                             ? nullptr : end->GetTerminal();
            const Core::IShiftable* s = party != nullptr ? party->GetShiftable() : nullptr;
            if (party == nullptr) continue;
            if (s == nullptr || !s->MovesOnlySideways(env, set)) return false;
            pointing = true;
        }
    return pointing;
}

void Note::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    // A note connector means nothing without its note: it goes as a whole.
    for (NoteConnector* c : GetConnectors()) c->Delete(env);
    TextBlock::ITextOwner::DeleteWithText(GetText(), env);
    if (Core::IContainer* container = GetRep().container)
        if (container->ContainsContainable(*this)) container->RemoveContainable(env, *this);
    Core::IModelElement::Delete(env);
}

void Note::SetContainer(Core::Env& env, Core::IContainer* container)
{
    if (IsDeleted() || container == GetRep().container) return;
    Core::IContainer* previous = GetRep().container;
    SetField(env, &NoteRep::container, container);
    if (previous != nullptr && previous->ContainsContainable(*this)) previous->RemoveContainable(env, *this);
}

bool Note::PointsAtSomething() const
{
    for (NoteConnectorEnd* e : GetRep().connectorEnds)
        if (auto* c = e->GetConnector(); c != nullptr && !c->IsDeleted())
            for (Connector::IEnd* end : c->GetEnds())
                if (!end->IsDeleted() && end->GetEndType() == NoteConnectorEnd::kFar && end->GetTerminal() != nullptr)
                    return true;
    return false;
}

void Note::UpdateContainer(Core::Env& env, Core::ModelElementSet&)
{
    if (IsDeleted()) return;
    Core::ContainerChoice<Core::IContainer> choice(GetRep().container);
    if (!PointsAtSomething()) {
        const zq::Rect rect = GetRect();
        for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
            auto* container = zq::Cast<Core::IContainer>(e.get());
            auto* pointable = zq::Cast<Core::IPointable>(e.get());
            zq::Rect r;
            if (container == nullptr || pointable == nullptr || e->IsDeleted() || !pointable->GetBoundingRect(r) ||
                !r.Normalized().Contains(rect))
                continue;
            choice.Offer(container, container->ContainerWeight(rect.TopLeft()));
        }
    }
    Core::IContainer* best = choice.Get();
    if (best == GetRep().container) return;
    if (best != nullptr) best->AddContainable(env, *this);
    SetContainer(env, best);
}

Core::IModelElement* Note::GetOwner() const { return GetRep().container; }

void Note::EndRestore(Core::Env& env, const Core::RestoreContext& context)
{
    if (auto* container = zq::Cast<Core::IContainer>(context.enclosing)) {
        SetField(env, &NoteRep::container, container);
        container->AppendContainable(env, *this);
    }
}

bool Note::IsCompletelySelectedImp(const Core::ModelElementSet& set)
{
    if (set.Contains(this)) return true;
    bool pointedAt = false;
    for (NoteConnector* c : GetConnectors()) {
        for (Connector::ISegment* s : c->GetSegmentList())
            if (!s->IsDeleted() && set.Contains(s)) return true;
        for (Connector::IEnd* end : c->GetEnds()) {
            Core::IModelElement* party = end->IsDeleted() || end->GetEndType() != NoteConnectorEnd::kFar
                                             ? nullptr : end->GetTerminal();
            if (party == nullptr || zq::Cast<NoteConnectorSegment>(party) != nullptr) continue;
            if (!party->IsCompletelySelected(set)) return false;
            pointedAt = true;
        }
    }
    return pointedAt;
}

void Note::GetTextOrigin(zq::Point& origin) const { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }

void Note::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const
{
    size = {std::max(0, GetSize().x - kMargin - kFold), std::max(0, GetSize().y - 2 * kMargin)};
}

void Note::OnTextChanged(Core::Env& env, TextBlock::Text&)
{
    if (IsDeleted()) return;
    // A text read from a document was laid out before it knew its note: lay it out in the note first.
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    zq::Rect r = GetRect();
    TextBlock::ITextOwner::GrowRectToText(r, GridOf(env), GetOldPos(), GetText(), kMargin, kFold, kMargin, kMargin);
    if (r == GetRect()) return;
    SetPos(env, r.TopLeft());
    SetField(env, &NoteRep::size, zq::Point(r.Width(), r.Height()));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    Reshaped(env);
}

void Note::SetText(Core::Env& env, TextBlock::Text* text)
{
    if (!IsDeleted()) SetField(env, &NoteRep::text, text);
}

void Note::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const
{
    style = TextBlock::TextStyle();
    if (text == GetText() && GetRep().style != nullptr) GetRep().style->GetFont(Style::Names::Note(), style);
    style.horizontalAlignment = TextBlock::AlignLeft;
    style.verticalAlignment = TextBlock::AlignTop;
    style.sizing = TextBlock::SizingWrap;
}

void Note::SetStyle(Core::Env& env, Style::Style* style)
{
    if (IsDeleted() || style == GetRep().style) return;
    SetField(env, &NoteRep::style, style);
    TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void Note::StyleChanged(Core::Env& env, const Style::DirectoryName& changed)
{
    if (!IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::Note());
}

void Note::CollectDirectoryNames(Style::IUsageCollector& collector) const
{
    for (const Style::DirectoryName* name = &Style::Names::Note(); name; name = name->GetParent()) collector.Use(*name);
}

void Note::CreateDirectories(Core::Env& env, Style::Style* style)
{
    if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::Note);
}

void Note::SetElementStyle(Core::Env& env, const std::wstring& name)
{
    if (!IsDeleted()) SetField(env, &NoteRep::elementStyle, name);
}

void ReportNoteFactories(Core::FactoryRegistry& registry)
{
    Note::Factory().ReportTo(registry);
    ReportNoteConnectorFactories(registry);
    Style::RegisterDirectoryNames(Style::StyledKind::Note);
}

} // namespace Note
