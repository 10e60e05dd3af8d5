// A diagram: its elements in insertion order with an index by object id, the views attached to it,
// its open-transaction count and its undo handler.
#pragma once

#include "core/ModelElement.h"
#include "core/foundation/Iterator.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#ifdef _WIN32
struct IStorage;
#endif

namespace Core {

class FactoryRegistry;
class IGrid;
class IUndoHandler;
class UndoHandler;
class ModelElementSet;
class ViewFailures;

// The element source a document writer walks.
class IClub {
public:
    virtual ~IClub() = default;
    // Calls f on every element in the source's order.
    virtual void ForEachElement(const std::function<void(IModelElement&)>& f) const = 0;
    // The elements whose owner is the given element, in the source's order.
    virtual std::vector<IModelElement*> GetOwnedElements(const IModelElement& owner) const;
};

// Runs after every paste inside its transaction, once the pasted elements exist and the paste's
// own changes, their placing included, are closed (a follow-up job of the transaction).
class IPastePostProcessor {
public:
    virtual ~IPastePostProcessor() = default;
    // Post-processes the pasted elements.
    virtual void OnPaste(Env& env, const ModelElementSet& pasted) = 0;
};

// The elements a diagram owns: a sequence in insertion order and an index by object id. The
// sequence is a balanced tree, so that finding, inserting and removing at a place take logarithmic
// time; the plain list of the elements is rebuilt on demand after a change in the middle.
class ElementSet {
public:
    ElementSet();
    ~ElementSet();
    ElementSet(const ElementSet&) = delete;
    ElementSet& operator=(const ElementSet&) = delete;

    // The elements in order (valid until the next change).
    const std::vector<ElementPtr>& Elements() const;
    // The number of elements.
    std::size_t Size() const;
    // The element at the place (below Size()).
    IModelElement& At(std::size_t index) const;
    // The element with the id, or none.
    IModelElement* Find(ObjectId id) const;
    // Gives an element without id the next free one; an element with an id keeps it (and raises
    // the counter above it). An id already in the set is an error.
    void AssignId(IModelElement& element);
    // Inserts the element (which has its id) at the place; an element already held is an error.
    void InsertAt(std::size_t index, const ElementPtr& element);
    // Removes the element at the place.
    void RemoveAt(std::size_t index);
    // The place of the element, or Size() when absent.
    std::size_t IndexOf(const IModelElement& element) const;
    // Whether the set holds the element (cheaper than its place).
    bool Contains(const IModelElement& element) const { return nodes_.count(&element) != 0; }
    // Makes room for the number of further elements (a document about to be read).
    void Reserve(std::size_t more);
    // The id the next new element gets.
    ObjectId NextId() const { return nextId_; }
    // Sets the id the next new element gets (a rolled-back reading puts the counter back).
    void SetNextId(ObjectId id) { nextId_ = id; }

private:
    // A node of the element sequence: a tree by place (in-order) and a heap by priority.
    struct Node {
        ElementPtr element;
        std::uint32_t priority = 0;
        std::size_t size = 1;
        Node* left = nullptr;
        Node* right = nullptr;
        Node* parent = nullptr;
    };
    Node* NodeAt(std::size_t index) const;
    void AppendNode(Node* node);
    void Detach(Node* node);

    Node* root_ = nullptr;
    std::unordered_map<const IModelElement*, Node> nodes_;  // the nodes live in the index (one allocation each)
    std::unordered_map<ObjectId, IModelElement*> byId_;
    mutable std::vector<ElementPtr> list_;  // the elements in order when listValid_
    mutable bool listValid_ = true;
    std::uint32_t seed_ = 0x9E3779B9u;  // priorities of new tree nodes
    ObjectId nextId_ = 1;
};

class Diagram : public IClub {
public:
    // Fills a new, empty diagram (the owner's default content).
    class Initializer {
    public:
        virtual ~Initializer() = default;
        // Called by Initialize on an empty diagram.
        virtual void InitNewDiagram(Diagram& diagram) = 0;
    };

    // An empty diagram; the registry, initializer, post-processor and grid must outlive it.
    Diagram(const FactoryRegistry& registry, Initializer* initializer, IPastePostProcessor* postProcessor = nullptr,
            const IGrid* defaultGrid = nullptr, void* applicationContext = nullptr);
    ~Diagram() override;
    Diagram(const Diagram&) = delete;
    Diagram& operator=(const Diagram&) = delete;

    // Iterators over the elements in diagram order.
    zq::Iterator GetElementIterator() const;
    zq::Iterator GetElementEnd() const { return {}; }
    // The elements in diagram order.
    const std::vector<ElementPtr>& Elements() const { return elements_.Elements(); }
    // The number of elements.
    std::size_t GetElementCount() const { return elements_.Size(); }
    // Makes room for the number of further elements (a document about to be read).
    void ReserveElements(std::size_t more) { elements_.Reserve(more); }
    // The first element of the registered type name, or none.
    IModelElement* FindElement(std::wstring_view typeName) const;
    // The element with the object id, or none.
    IModelElement* FindElementById(ObjectId id) const { return elements_.Find(id); }
    // The place of an element in diagram order, or GetElementCount() when absent.
    std::size_t IndexOf(const IModelElement& element) const { return elements_.IndexOf(element); }
    // Whether the diagram holds the element.
    bool Contains(const IModelElement& element) const { return elements_.Contains(element); }
    // The id the next new element gets.
    ObjectId GetNextObjectId() const { return elements_.NextId(); }
    // Puts the id counter back to a value it had (after a rolled-back reading); never below an id in use.
    void SetNextObjectId(ObjectId id);

    // Makes the view receive document changes and gives every element its view element there;
    // when that fails the view stays detached.
    void AttachView(IView& view);
    // Detaches the view and drops its view elements.
    void DetachView(IView& view);
    // Drops the attached view's view elements and makes them again, updating them and the view;
    // when that fails the view is detached and the error passed on.
    void RebuildView(IView& view);
    // The attached views.
    const std::vector<IView*>& GetViews() const { return views_; }
    // Lets every attached view update its drawables.
    void UpdateAllViews();
    // Updates all views unless a transaction is open.
    void UpdateAllViewsIfIdle();

    // The diagram's undo and redo lists.
    IUndoHandler& GetUndoHandler();
    // Whether a transaction on the diagram is open.
    bool IsTransactionOpen() const { return openTransactions_ > 0; }
    // Runs the initializer on an empty diagram.
    void Initialize();

    // Reads a whole document (wide text, decoded by the stream's locale) inside its own transaction;
    // answers ReadFlags (bit 0: unknown namespaces skipped, bit 1: a newer version). Errors throw
    // Core::Exceptions::Base and leave the diagram as it was.
    unsigned LoadXML(std::wistream& in);
    // Reads a whole document of UTF-8 bytes, as LoadXML of a wide stream.
    unsigned LoadXML(std::string utf8);
    // Writes the whole diagram as a document; a diagram that cannot be saved whole writes nothing.
    void SaveXML(std::wostream& out) const;
    // Writes the whole diagram as a document of UTF-8 bytes.
    void SaveXML(std::ostream& out) const;
#ifdef _WIN32
    // Reads the document from the stream "quorvel-xml" of the storage; answers ReadFlags.
    unsigned Load(IStorage* storage);
    // Writes the document into the stream "quorvel-xml" of the storage, created or replaced.
    void Save(IStorage* storage) const;
#endif

    // The factories elements are created through.
    const FactoryRegistry& GetFactoryRegistry() const { return registry_; }
    // The paste post-processor, or none.
    IPastePostProcessor* GetPastePostProcessor() const { return postProcessor_; }
    // The grid of environments whose view has none (may be none).
    const IGrid* GetDefaultGrid() const { return defaultGrid_; }
    // The application's opaque context.
    void* GetApplicationContext() const { return applicationContext_; }

    // IClub
    void ForEachElement(const std::function<void(IModelElement&)>& f) const override;

    // ---- for transactions and undo records
    // Appends an element, giving it an id when it has none; returns its place.
    std::size_t AppendElement(const ElementPtr& element);
    // Puts a removed element back at its place and clears its deleted flag; its view elements are
    // made afterwards (MakeMissingViewElements), so that putting the model back never depends on views.
    void RestoreElement(const ElementPtr& element, std::size_t index);
    // Gives the element a view element in every attached view that lacks one; a view that fails is
    // noted and skipped, as are views already failed.
    void MakeMissingViewElements(IModelElement& element, ViewFailures& failures);
    // Removes the element found at the place, sets its deleted flag and drops its view elements.
    void RemoveElementAt(std::size_t index, IModelElement& expected);
    // Counts a transaction opening and closing.
    void TransactionOpened() { ++openTransactions_; }
    void TransactionEnded() { --openTransactions_; }

private:
    void MakeViewElements(IModelElement& element);
    void MakeAllViewElements(IView& view);

    const FactoryRegistry& registry_;
    Initializer* initializer_;
    IPastePostProcessor* postProcessor_;
    const IGrid* defaultGrid_;
    void* applicationContext_;
    ElementSet elements_;
    std::vector<IView*> views_;
    int openTransactions_ = 0;
    std::unique_ptr<UndoHandler> undoHandler_;
};

} // namespace Core
