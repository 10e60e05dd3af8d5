#include "core/Diagram.h"

#include "core/DocumentReader.h"
#include "core/DocumentWriter.h"
#include "core/Exceptions.h"
#include "core/UndoHandler.h"
#include "core/View.h"
#include "core/ViewRepair.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Core {

namespace {

// Walks a diagram's elements by place; every step reads the current list.
class ElementIteratorImp : public zq::IIteratorImp {
public:
    ElementIteratorImp(const ElementSet& set, std::size_t index) : set_(set), index_(index) {}
    std::unique_ptr<zq::IIteratorImp> Clone() const override { return std::make_unique<ElementIteratorImp>(set_, index_); }
    bool IsEqual(const zq::IIteratorImp& other) const override {
        auto* o = zq::Cast<const ElementIteratorImp>(&other);
        return o != nullptr && &o->set_ == &set_ && o->index_ == index_;
    }
    bool Next() override { return ++index_ < set_.Size(); }
    IModelElement* Current() const override { return set_.Elements()[index_].get(); }

private:
    const ElementSet& set_;
    std::size_t index_;
};

// The number of elements in a subtree.
template <class N>
std::size_t SizeOf(const N* node) { return node == nullptr ? 0 : node->size; }

// Recounts a node from its children and makes it their parent.
template <class N>
void Update(N* node)
{
    node->size = 1 + SizeOf(node->left) + SizeOf(node->right);
    if (node->left != nullptr) node->left->parent = node;
    if (node->right != nullptr) node->right->parent = node;
}

// Splits a tree into its first count elements and the rest.
template <class N>
void Split(N* tree, std::size_t count, N*& first, N*& rest)
{
    if (tree == nullptr) {
        first = rest = nullptr;
        return;
    }
    if (SizeOf(tree->left) >= count) {
        Split(tree->left, count, first, tree->left);
        Update(tree);
        rest = tree;
    } else {
        Split(tree->right, count - SizeOf(tree->left) - 1, tree->right, rest);
        Update(tree);
        first = tree;
    }
}

// Joins two trees, the first one's elements before the second one's.
template <class N>
N* Merge(N* first, N* second)
{
    if (first == nullptr) return second;
    if (second == nullptr) return first;
    if (first->priority > second->priority) {
        first->right = Merge(first->right, second);
        Update(first);
        return first;
    }
    second->left = Merge(first, second->left);
    Update(second);
    return second;
}

} // namespace

std::vector<IModelElement*> IClub::GetOwnedElements(const IModelElement& owner) const
{
    std::vector<IModelElement*> owned;
    ForEachElement([&](IModelElement& e) {
        if (e.GetOwner() == &owner) owned.push_back(&e);
    });
    return owned;
}

ElementSet::ElementSet() = default;

ElementSet::~ElementSet() = default;

const std::vector<ElementPtr>& ElementSet::Elements() const
{
    if (listValid_) return list_;
    list_.clear();
    list_.reserve(nodes_.size());
    std::vector<const Node*> path;
    for (const Node* n = root_; n != nullptr || !path.empty();) {
        if (n != nullptr) {
            path.push_back(n);
            n = n->left;
            continue;
        }
        n = path.back();
        path.pop_back();
        list_.push_back(n->element);
        n = n->right;
    }
    listValid_ = true;
    return list_;
}

std::size_t ElementSet::Size() const { return SizeOf(root_); }

ElementSet::Node* ElementSet::NodeAt(std::size_t index) const
{
    Node* n = root_;
    while (n != nullptr) {
        const std::size_t left = SizeOf(n->left);
        if (index == left) return n;
        if (index < left) {
            n = n->left;
        } else {
            index -= left + 1;
            n = n->right;
        }
    }
    throw std::logic_error("ElementSet: place out of range");
}

IModelElement& ElementSet::At(std::size_t index) const
{
    if (listValid_ && index < list_.size()) return *list_[index];
    return *NodeAt(index)->element;
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
    const std::size_t size = Size();
    if (index > size) throw std::logic_error("ElementSet::InsertAt: place out of range");
    if (!element) throw std::logic_error("ElementSet::InsertAt: no element");
    auto [it, fresh] = nodes_.try_emplace(element.get());
    if (!fresh) throw std::logic_error("ElementSet::InsertAt: element already held");
    Node* node = &it->second;
    const bool append = index == size && listValid_;
    try {
        if (append && list_.size() == list_.capacity()) list_.reserve(2 * size + 16);  // the last steps that may throw
        byId_[element->GetObjectId()] = element.get();
    } catch (...) {
        nodes_.erase(it);
        throw;
    }
    node->element = element;
    seed_ ^= seed_ << 13;  // xorshift: reproducible priorities
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    node->priority = seed_;
    if (index == size) {
        AppendNode(node);
    } else {
        Node* first = nullptr;
        Node* rest = nullptr;
        Split(root_, index, first, rest);
        root_ = Merge(Merge(first, node), rest);
        root_->parent = nullptr;
    }
    if (append)
        list_.push_back(element);
    else
        listValid_ = false;
}

void ElementSet::AppendNode(Node* node)
{
    // Down the right edge to the first node the new one outranks: that node's subtree comes
    // before the new one and becomes its left side (reading appends every element).
    Node* parent = nullptr;
    Node* at = root_;
    for (; at != nullptr && at->priority > node->priority; at = at->right) {
        ++at->size;
        parent = at;
    }
    node->left = at;
    node->size = 1 + SizeOf(at);
    if (at != nullptr) at->parent = node;
    node->parent = parent;
    if (parent == nullptr)
        root_ = node;
    else
        parent->right = node;
}

void ElementSet::Detach(Node* node)
{
    Node* joined = Merge(node->left, node->right);
    Node* parent = node->parent;
    if (joined != nullptr) joined->parent = parent;
    if (parent == nullptr)
        root_ = joined;
    else if (parent->left == node)
        parent->left = joined;
    else
        parent->right = joined;
    for (; parent != nullptr; parent = parent->parent) --parent->size;
}

void ElementSet::RemoveAt(std::size_t index)
{
    const std::size_t size = Size();
    if (index >= size) throw std::logic_error("ElementSet::RemoveAt: place out of range");
    Node* node = NodeAt(index);
    Detach(node);
    if (index + 1 == size && listValid_)
        list_.pop_back();
    else
        listValid_ = false;
    byId_.erase(node->element->GetObjectId());
    nodes_.erase(node->element.get());  // destroys the node last
}

void ElementSet::Reserve(std::size_t more)
{
    const std::size_t total = nodes_.size() + more;
    nodes_.reserve(total);
    byId_.reserve(total);
    if (listValid_) list_.reserve(total);
}

std::size_t ElementSet::IndexOf(const IModelElement& element) const
{
    auto it = nodes_.find(&element);
    if (it == nodes_.end()) return Size();
    const Node* n = &it->second;
    std::size_t index = SizeOf(n->left);
    for (; n->parent != nullptr; n = n->parent)
        if (n == n->parent->right) index += SizeOf(n->parent->left) + 1;
    return index;
}

Diagram::Diagram(const FactoryRegistry& registry, Initializer* initializer, IPastePostProcessor* postProcessor,
                 const IGrid* defaultGrid, void* applicationContext)
    : registry_(registry), initializer_(initializer), postProcessor_(postProcessor), defaultGrid_(defaultGrid),
      applicationContext_(applicationContext), undoHandler_(std::make_unique<UndoHandler>(*this))
{
}

Diagram::~Diagram()
{
    for (IView* v : views_) v->diagram_ = nullptr;
}

zq::Iterator Diagram::GetElementIterator() const
{
    if (elements_.Size() == 0) return {};
    return zq::Iterator(std::make_unique<ElementIteratorImp>(elements_, 0));
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
    if (view.diagram_) throw Exceptions::Base("the view is attached to another diagram");
    views_.push_back(&view);
    view.diagram_ = this;
    try {
        MakeAllViewElements(view);
    } catch (...) {
        DetachView(view);
        throw;
    }
}

void Diagram::MakeAllViewElements(IView& view)
{
    for (const auto& e : elements_.Elements())
        if (auto ve = view.CreateViewElement(*e)) e->AddViewElement(std::move(ve));
}

void Diagram::RebuildView(IView& view)
{
    if (view.diagram_ != this) return;
    try {
        for (const auto& e : elements_.Elements()) e->RemoveViewElements(view);
        MakeAllViewElements(view);
        view.UpdateViewElements();
        view.UpdateView();
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
    view.diagram_ = nullptr;
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
}

void Diagram::MakeMissingViewElements(IModelElement& element, ViewFailures& failures)
{
    const auto views = views_;
    for (IView* v : views) {
        if (failures.Has(*v) || element.FindViewElement(*v) != nullptr) continue;
        try {
            if (auto ve = v->CreateViewElement(element)) element.AddViewElement(std::move(ve));
        } catch (...) {
            failures.Note(v);
        }
    }
}

void Diagram::RemoveElementAt(std::size_t index, IModelElement& expected)
{
    if (index >= elements_.Size() || &elements_.At(index) != &expected)
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
