#include "elements/sequence/SeqObject.h"

#include "core/DefaultGrid.h"
#include "core/DocumentReader.h"
#include "core/Exceptions.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Selection.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "elements/sequence/Activation.h"
#include "elements/sequence/Detail.h"
#include "elements/sequence/LifeLine.h"
#include "elements/sequence/Message.h"
#include "style/Model.h"
#include "style/Names.h"
#include "core/foundation/Cast.h"

namespace Sequence {

const Core::IGrid& Detail::GridOf(Core::Env& env)
{
    const Core::IGrid* grid = env.GetGrid();
    return grid != nullptr ? *grid : View::DefaultGrid::Instance();
}

bool Detail::IsMovedByUser(const Core::Env& env, const Core::DeferredShiftSet& set, const Core::IModelElement* element)
{
    if (element == nullptr) return false;
    const Core::SelectionTracker* tracker = env.GetTracker();
    if (tracker != nullptr && tracker->GetView() != nullptr) return element->IsSelectedInView(*tracker->GetView());
    return set.GetMoved().Contains(element);
}

bool Detail::MovesFreely(const Core::Env& env, const Core::DeferredShiftSet& set, const Core::IModelElement& element)
{
    return element.IsNew() || IsMovedByUser(env, set, &element);
}

bool Detail::ShiftedBySet(const Core::Env& env, const Core::DeferredShiftSet& set, const Core::IModelElement& element)
{
    return set.GetMoved().Contains(&element) && MovesFreely(env, set, element);
}

bool Detail::MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set,
                               const Core::IModelElement& party)
{
    if (!set.GetMoved().Contains(&party)) return false;
    if (const auto* bar = dynamic_cast<const Activation*>(&party)) {
        const LifeLine* line = bar->GetLifeLine();
        return !MovesFreely(env, set, *bar) && !(line != nullptr && line->MovesWithObject(env, set));
    }
    if (const auto* line = dynamic_cast<const LifeLine*>(&party)) return !line->IsNew() && !line->MovesWithObject(env, set);
    if (const auto* object = dynamic_cast<const SeqObject*>(&party)) return !MovesFreely(env, set, *object);
    return false;
}

Core::FactoryImp<SeqObject>& SeqObject::Factory()
{
    static Core::FactoryImp<SeqObject> factory(Core::SchemaNamespace10(), L"SeqObject");
    return factory;
}

void SeqObject::RegisterProperties(Core::PropertyTable<SeqObjectRep>& t)
{
    using namespace Core;
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &SeqObjectRep::size, L"Size", zq::Point(2000, 1000));
    RegisterRefNonStoreProperty::Register(t, &SeqObjectRep::lifeLine, L"LifeLine");
    RegisterRefProperty<>::Register(t, &SeqObjectRep::text, L"Text");
    RegisterRefContNonStoreProperty::Register(t, &SeqObjectRep::noteEnds, L"NoteEnds");
    RegisterRefContNonStoreProperty::Register(t, &SeqObjectRep::messageEnds, L"MessageEnds");
    RegisterRefNonStoreProperty::Register(t, &SeqObjectRep::style, L"Style");
    RegisterProperty<EvalRestore::Optional>::Register(t, &SeqObjectRep::elementStyle, L"ElementStyle", std::wstring(),
                                                      xml::kSchema13);
}

std::shared_ptr<SeqObject> SeqObject::Create(Core::Env& env, const zq::Point& point)
{
    Style::Style& style = Style::Style::FindOrCreate(env);
    auto object = Factory().CreateTyped(env);
    object->CreateDirectories(env, &style);
    object->SetStyle(env, &style);
    TextBlock::Text::Create(env, *object);
    object->SetPos(env, point);
    object->SetName(env, L"<name?>");
    const zq::Point size = object->GetSize();
    auto line = LifeLine::Create(env, {point.x + size.x / 2, point.y - size.y});
    line->SetSeqObject(env, object.get());
    object->SetLifeLine(env, line.get());
    return object;
}

void SeqObject::SetLifeLine(Core::Env& env, LifeLine* lifeLine) { SetField(env, &SeqObjectRep::lifeLine, lifeLine); }

void SeqObject::SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred)
{
    if (IsDeleted()) return;
    Fit(env, rect.Normalized(), keepCentred);
}

void SeqObject::Fit(Core::Env& env, zq::Rect r, bool keepCentred)
{
    const zq::Rect before = GetRect();
    if (GetText() != nullptr) {
        TextBlock::ITextOwner::GrowRectToText(r, Detail::GridOf(env), before.TopLeft(), GetText(), kMargin, kMargin,
                                              kMargin, kMargin);
        if (keepCentred && r.Width() != before.Width()) {
            // Half the change, a whole length of the grid, on each side: the middle, and the
            // lifeline hanging from it, stays where it is, however odd the width the text needs.
            const std::int32_t half = Detail::GridOf(env).SnapLength((r.Width() - before.Width()) / 2);
            r.left = before.left - half;
            r.right = before.right + half;
        }
    }
    if (r == before) return;
    const zq::Rect old = GetOldRect();
    SetPos(env, r.TopLeft());
    SetField(env, &SeqObjectRep::size, zq::Point(r.Width(), r.Height()));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    const Core::BoxReshapeInfo info(this, old, GetRect());
    Core::DeferredShiftSet none;
    Detail::Reshape(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds), info, none);
    if (LifeLine* line = GetLifeLine()) line->FollowReshape(env, old, GetRect());
}

void SeqObject::SetName(Core::Env& env, const std::wstring& name)
{
    if (!IsDeleted() && GetText() != nullptr) GetText()->SetName(env, name);
}

std::wstring SeqObject::GetName() const { return GetText() != nullptr ? GetText()->GetName() : std::wstring(); }

bool SeqObject::IsNear(const zq::Point& p, std::int32_t tolerance) const { return GetRect().Inflated(tolerance).Contains(p); }

bool SeqObject::GetBoundingRect(zq::Rect& out) const
{
    out = GetRect();
    return true;
}

Core::Weight SeqObject::GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const
{
    Core::Weight w = Core::Weight::MakeArea(p, tolerance, GetRect());
    w.PromoteIfSelected(view, *this);
    return w;
}

bool SeqObject::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const
{
    GraphUtil::Outline outline;
    GraphUtil::MakeRectOutline(outline, GetRect());
    out = GraphUtil::NearestOutlinePoint(outline, p, horizontal, !horizontal);
    return out.valid;
}

void SeqObject::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                          Core::DeferredShiftSet& set, bool noFollow)
{
    if (IsDeleted() || !(shift.shiftX || shift.shiftY)) return;
    // Deferred, the object was placed by its lifeline while the move ran.
    if (sender == nullptr && noFollow && set.IsDeferred(this)) return;
    if (sender == nullptr && !noFollow && !Detail::MovesFreely(env, set, *this)) return;
    // Moved by the user too, the object takes the whole shift itself.
    if (sender != nullptr && sender == GetLifeLine() && Detail::ShiftedBySet(env, set, *this)) return;
    MarkShifted(set);
    const zq::Point p = Core::ShiftParam::Apply(shift, GetPos(), GetOldPos());
    if (p == GetPos()) return;
    SetPos(env, p);
    if (noFollow) return;
    LifeLine* line = GetLifeLine();
    if (line != nullptr && sender != line) line->Shift(env, this, shift, set, false);
    Detail::ShiftAll(env, Detail::AllEnds(GetRep().messageEnds, GetRep().noteEnds), this, shift, set);
}

void SeqObject::AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set)
{
    if (!IsDeleted() && GetLifeLine() != nullptr && moved.Contains(GetLifeLine())) set.Defer(this);
}

void SeqObject::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    Detail::DetachAll(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds), this);
    TextBlock::ITextOwner::DeleteWithText(GetText(), env);
    if (LifeLine* line = GetLifeLine()) line->Delete(env);
}

bool SeqObject::IsCompletelySelectedImp(const Core::ModelElementSet& set)
{
    return set.Contains(this) || (GetLifeLine() != nullptr && set.Contains(GetLifeLine()));
}

void SeqObject::CollectForSelection(Core::ModelElementSet& set)
{
    Core::IModelElement::CollectForSelection(set);
    if (LifeLine* line = GetLifeLine(); line != nullptr && !set.Contains(line)) line->CollectForSelection(set);
}

void SeqObject::Attach(Core::Env& env, IMessageEnd* end)
{
    if (auto* e = zq::Cast<Connector::IEnd>(end)) e->SetTerminal(env, this);
}

void SeqObject::GetTextOrigin(zq::Point& origin) const { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }

void SeqObject::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const
{
    size = {std::max(0, GetSize().x - 2 * kMargin), std::max(0, GetSize().y - 2 * kMargin)};
}

void SeqObject::OnTextChanged(Core::Env& env, TextBlock::Text&)
{
    if (IsDeleted() || reading_) return;  // an object read keeps its stored size
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    Fit(env, GetRect(), true);
}

void SeqObject::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const
{
    style = TextBlock::TextStyle();
    if (text == GetText() && GetRep().style != nullptr) GetRep().style->GetFont(Style::Names::SequenceObject(), style);
    style.underline = true;
    style.horizontalAlignment = TextBlock::AlignCenter;
    style.verticalAlignment = TextBlock::AlignMiddle;
    style.sizing = TextBlock::SizingAtLeastArea;
}

void SeqObject::SetStyle(Core::Env& env, Style::Style* style)
{
    if (SetField(env, &SeqObjectRep::style, style)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void SeqObject::StyleChanged(Core::Env& env, const Style::DirectoryName& changed)
{
    if (!IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::SequenceObject());
}

void SeqObject::CollectDirectoryNames(Style::IUsageCollector& collector) const
{
    Style::DirectoryName::VisitFromRoot(collector, Style::Names::SequenceObject());
}

void SeqObject::CreateDirectories(Core::Env& env, Style::Style* style)
{
    if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::SequenceObject);
}

void SeqObject::SetElementStyle(Core::Env& env, const std::wstring& name)
{
    SetField(env, &SeqObjectRep::elementStyle, name);
}

Core::ElementPtr SeqObject::CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name)
{
    if (nsUri == GetNamespace().uri && name == L"LifeLine" && GetLifeLine() != nullptr)
        throw Core::Exceptions::TypeMismatchOfRestoredObject(readLine_);  // a second lifeline
    return Core::IModelElement::CreateChildElement(env, nsUri, name);
}

void SeqObject::EndRestore(Core::Env&, const Core::RestoreContext& context) { readLine_ = context.line; }

void SeqObject::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry)
{
    reading_ = true;
    StorableWithPos::RestoreProperties(attributes, registry);
}

void SeqObject::OnRestored(Core::Env&)
{
    reading_ = false;
    if (!IsDeleted() && GetLifeLine() == nullptr) throw Core::Exceptions::TypeMismatchOfRestoredObject(readLine_);
}

void ReportSequenceFactories(Core::FactoryRegistry& registry)
{
    SeqObject::Factory().ReportTo(registry);
    LifeLine::Factory().ReportTo(registry);
    Activation::Factory().ReportTo(registry);
    Message::Factory().ReportTo(registry);
    Return::Factory().ReportTo(registry);
    Style::RegisterDirectoryNames(Style::StyledKind::SequenceObject);
    Style::RegisterDirectoryNames(Style::StyledKind::Message);
}

bool SeqObject::MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set) const
{
    return Detail::MovesOnlySideways(env, set, *this);
}

} // namespace Sequence
