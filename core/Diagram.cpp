#include "core/Diagram.h"

#include "core/DocumentReader.h"
#include "core/DocumentWriter.h"
#include "core/Exceptions.h"
#include "core/UndoHandler.h"
#include "core/View.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Core {

namespace {

// Walks a diagram's element list by index.
class ElementIteratorImp : public zq::IIteratorImp {
public:
    ElementIteratorImp(const std::vector<ElementPtr>& list, std::size_t index) : list_(list), index_(index) {}
    std::unique_ptr<zq::IIteratorImp> Clone() const override { return std::make_unique<ElementIteratorImp>(list_, index_); }
    bool IsEqual(const zq::IIteratorImp& other) const override {
        auto* o = dynamic_cast<const ElementIteratorImp*>(&other);
        return o != nullptr && &o->list_ == &list_ && o->index_ == index_;
    }
    bool Next() override { return ++index_ < list_.size(); }
    IModelElement* Current() const override { return list_[index_].get(); }

private:
    const std::vector<ElementPtr>& list_;
    std::size_t index_;
};

} // namespace

std::vector<IModelElement*> IClub::GetOwnedElements(const IModelElement& owner) const
{
    std::vector<IModelElement*> owned;
    ForEachElement([&](IModelElement& e) {
        if (e.GetOwner() == &owner) owned.push_back(&e);
    });
    return owned;
}

IModelElement* ElementSet::Find(ObjectId id) const
{
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

void ElementSet::AssignId(IModelElement& element)
{
    ObjectId id = element.GetObjectId();
    if (id == 0) {
        if (nextId_ == 0) throw Exceptions::Base("no object id is left");
        ElementState::SetId(element, nextId_++);
        return;
    }
    if (IModelElement* other = Find(id); other != nullptr && other != &element)
        throw Exceptions::Base("duplicate object id r" + std::to_string(id));
    if (id >= nextId_) nextId_ = id + 1;
}

void ElementSet::InsertAt(std::size_t index, const ElementPtr& element)
{
    if (index > elements_.size()) throw std::logic_error("ElementSet::InsertAt: place out of range");
    elements_.insert(elements_.begin() + static_cast<std::ptrdiff_t>(index), element);
    byId_[element->GetObjectId()] = element.get();
}

void ElementSet::RemoveAt(std::size_t index)
{
    if (index >= elements_.size()) throw std::logic_error("ElementSet::RemoveAt: place out of range");
    byId_.erase(elements_[index]->GetObjectId());
    elements_.erase(elements_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::size_t ElementSet::IndexOf(const IModelElement& element) const
{
    if (Find(element.GetObjectId()) != &element) return elements_.size();  // not held: no search
    auto it = std::find_if(elements_.begin(), elements_.end(), [&](const ElementPtr& e) { return e.get() == &element; });
    return static_cast<std::size_t>(it - elements_.begin());
}

Diagram::Diagram(const FactoryRegistry& registry, Initializer* initializer, IPastePostProcessor* postProcessor,
                 const IGrid* defaultGrid, void* applicationContext)
    : registry_(registry), initializer_(initializer), postProcessor_(postProcessor), defaultGrid_(defaultGrid),
      applicationContext_(applicationContext), undoHandler_(std::make_unique<UndoHandler>(*this))
{
}

Diagram::~Diagram() = default;

zq::Iterator Diagram::GetElementIterator() const
{
    if (elements_.Size() == 0) return {};
    return zq::Iterator(std::make_unique<ElementIteratorImp>(elements_.Elements(), 0));
}

IModelElement* Diagram::FindElement(std::wstring_view typeName) const
{
    for (const auto& e : elements_.Elements())
        if (e->GetTypeName() == typeName) return e.get();
    return nullptr;
}

void Diagram::AttachView(IView& view)
{
    if (std::find(views_.begin(), views_.end(), &view) != views_.end()) return;
    views_.push_back(&view);
    try {
        for (const auto& e : elements_.Elements())
            if (auto ve = view.CreateViewElement(*e)) e->AddViewElement(std::move(ve));
    } catch (...) {
        DetachView(view);
        throw;
    }
}

void Diagram::DetachView(IView& view)
{
    auto it = std::find(views_.begin(), views_.end(), &view);
    if (it == views_.end()) return;
    views_.erase(it);
    for (const auto& e : elements_.Elements()) e->RemoveViewElements(view);
}

void Diagram::UpdateAllViews()
{
    auto views = views_;
    for (IView* v : views) v->UpdateView();
}

void Diagram::UpdateAllViewsIfIdle()
{
    if (!IsTransactionOpen()) UpdateAllViews();
}

IUndoHandler& Diagram::GetUndoHandler() { return *undoHandler_; }

void Diagram::SetNextObjectId(ObjectId id)
{
    for (const auto& e : elements_.Elements())
        if (e->GetObjectId() >= id) return;
    elements_.SetNextId(id);
}

unsigned Diagram::LoadXML(std::wistream& in) { return ReadDiagramXML(*this, in); }

unsigned Diagram::LoadXML(std::string utf8) { return ReadDiagramXML(*this, std::move(utf8)); }

void Diagram::SaveXML(std::wostream& out) const { WriteDiagramXML(*this, out); }

void Diagram::SaveXML(std::ostream& out) const { WriteDiagramXML(*this, out); }

void Diagram::Initialize()
{
    if (initializer_ != nullptr && elements_.Size() == 0) initializer_->InitNewDiagram(*this);
}

void Diagram::ForEachElement(const std::function<void(IModelElement&)>& f) const
{
    for (const auto& e : elements_.Elements()) f(*e);
}

std::size_t Diagram::AppendElement(const ElementPtr& element)
{
    elements_.AssignId(*element);
    std::size_t index = elements_.Size();
    elements_.InsertAt(index, element);
    ElementState::SetDeleted(*element, false);
    try {
        MakeViewElements(*element);
    } catch (...) {
        elements_.RemoveAt(index);
        throw;
    }
    return index;
}

void Diagram::RestoreElement(const ElementPtr& element, std::size_t index)
{
    elements_.InsertAt(index, element);
    ElementState::SetDeleted(*element, false);
    MakeViewElements(*element);
}

void Diagram::RemoveElementAt(std::size_t index, IModelElement& expected)
{
    if (index >= elements_.Size() || elements_.Elements()[index].get() != &expected)
        throw std::logic_error("Diagram: element list out of step with its undo records");
    elements_.RemoveAt(index);
    ElementState::SetDeleted(expected, true);
    expected.DropViewElements();  // an element outside the diagram shows in no view
}

void Diagram::MakeViewElements(IModelElement& element)
{
    for (IView* v : views_) {
        if (element.FindViewElement(*v) != nullptr) continue;
        if (auto ve = v->CreateViewElement(element)) element.AddViewElement(std::move(ve));
    }
}

} // namespace Core
