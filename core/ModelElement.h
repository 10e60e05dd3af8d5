// The interface every model element shares: identity, state in the running transaction,
// ownership, storing and restoring, deletion, copying and its view elements.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace xml {
class IWriter;
class IAttributes;
class Reader;
class Tag;
struct Namespace;
} // namespace xml

namespace Core {

class Env;
class Transaction;
class IClub;
class ObjectRegistry;
class CopyRegistry;
class ModelElementSet;
class IShiftable;
class DeferredShiftSet;
struct ShiftVector;
class IView;
class IViewElement;
class UndoSequence;
class ViewFailures;
struct ViewUpdateContext;
struct RestoreContext;
class IFactory;
class SelectionTracker;

// The object id of an element; 0 means "none yet".
using ObjectId = std::uint32_t;

class IModelElement;
using ElementPtr = std::shared_ptr<IModelElement>;
// Called with each element a stored reference leads to.
using ReferenceVisitor = std::function<void(const IModelElement&)>;

// The shared virtual base of every model element and element interface.
class IModelElement : public std::enable_shared_from_this<IModelElement> {
public:
    IModelElement() = default;
    // A copy starts with a fresh state block: no id, no transaction, no views.
    IModelElement(const IModelElement&) : IModelElement() {}
    IModelElement& operator=(const IModelElement&) = delete;
    virtual ~IModelElement();

    // ---- identity
    // The element's object id (0 until it joins a diagram or is read with one).
    ObjectId GetObjectId() const { return id_; }
    // The registered element name.
    virtual const std::wstring& GetTypeName() const = 0;
    // The namespace entry of the element name.
    virtual const xml::Namespace& GetNamespace() const = 0;
    // The factory of the element's type, or none.
    virtual IFactory* GetFactory() const { return nullptr; }
    // The element inside whose XML element this one is written, or none.
    virtual IModelElement* GetOwner() const { return nullptr; }
    // The element name used instead of the type name inside an owner (empty: the type name).
    virtual std::wstring GetPartTag() const { return {}; }

    // ---- state in the running transaction
    // Deleted in the current document state and kept only for undo.
    bool IsDeleted() const { return deleted_; }
    // Inserted by the running transaction.
    bool IsNew() const { return new_; }
    // Recorded by the running transaction as inserted or modified.
    bool IsInTransaction() const { return transaction_ != nullptr; }
    // The transaction that has recorded the element, or none.
    Transaction* GetTransaction() const { return transaction_; }
    // Hands the element to the environment's transaction for deletion (nothing when deleted).
    virtual void Delete(Env& env);

    // ---- copying and storing policy
    // Whether a copy of a selection may contain the element.
    virtual bool IsCopyable() const { return true; }
    // Whether the document writer writes the element.
    virtual bool IsStored() const { return true; }
    // Whether the owner writes the element in its own way (the generic nesting leaves it out).
    virtual bool IsStoredByOwner() const { return false; }
    // Called on every element right after a paste.
    virtual void OnPasted(Env&, const ModelElementSet&) {}
    // Whether every copy of elements of its diagram carries the element along (with what it
    // collects for selection), though no selection names it; such an element is never moved or
    // deleted with what is copied.
    virtual bool TravelsWithEveryCopy() const { return false; }

    // ---- moving and selection
    // The element's shiftable side, or none.
    virtual IShiftable* GetShiftable() { return nullptr; }
    // Shifts through ShiftImpl unless deleted, not shiftable or already shifted in the set; true when it shifted.
    bool Shift(Env& env, IModelElement* sender, const ShiftVector& shift, DeferredShiftSet& set, bool noFollow);
    // Guarded IsCompletelySelectedImp: a re-entering call answers true.
    bool IsCompletelySelected(const ModelElementSet& set);
    // Whether the set selects the element completely; by default whether the set holds it.
    virtual bool IsCompletelySelectedImp(const ModelElementSet& set);
    // Adds what must travel with the element when a selection is copied; by default the element.
    virtual void CollectForSelection(ModelElementSet& set);

    // ---- views
    // Appends a view element (one per view).
    void AddViewElement(std::shared_ptr<IViewElement> viewElement);
    // Drops the view elements that belong to the view.
    void RemoveViewElements(const IView& view);
    // Drops every view element (the element left the diagram).
    void DropViewElements() { views_.clear(); }
    // The view element of the view, or none.
    IViewElement* FindViewElement(const IView& view) const;
    // The element's view elements in list order.
    const std::vector<std::shared_ptr<IViewElement>>& GetViewElements() const { return views_; }
    // Whether the element's view element in the view is selected; false when it has none there.
    bool IsSelectedInView(const IView& view) const;
    // Selects or deselects the element's view element in the view through the tracker (none: the
    // view notifies its selection observers itself); nothing when it has none there.
    void SelectInView(IView& view, bool select, SelectionTracker* tracker = nullptr);
    // Updates every view element in list order, then UpdateOwnerViews; a re-entering call returns at once.
    void UpdateViewElements(const ViewUpdateContext* context = nullptr);
    // As UpdateViewElements, but a failing view element is noted against its view instead of
    // throwing, and the view elements of views already failed are left alone; a failing
    // UpdateOwnerViews is noted against every view.
    void UpdateViewElements(ViewFailures& failures);
    // Hook after the view elements updated; elements drawn by their owner update it here.
    virtual void UpdateOwnerViews(const ViewUpdateContext*) {}

    // ---- storing and restoring
    // Writes the attribute "id" as "r" and the decimal object id.
    void StoreID(xml::IWriter& writer) const;
    // Writes the element with its id, properties and nested owned elements of the club.
    virtual void Store(xml::IWriter& parent, const IClub* club) const;
    // Writes the element's attributes.
    virtual void StoreProperties(xml::IWriter&) const {}
    // Calls the visitor on every element the element's attributes refer to by object id.
    virtual void ForEachStoredReference(const ReferenceVisitor&) const {}
    // Reads the element's attributes, resolving references through the registry.
    virtual void RestoreProperties(const xml::IAttributes&, ObjectRegistry&) {}
    // A nested child the element makes itself (none by default).
    virtual ElementPtr FindExistingChild(Env&, const std::wstring& /*nsUri*/, const std::wstring& /*name*/) { return nullptr; }
    // Makes the element for a nested child tag (not yet inserted); by default through the diagram's
    // factory registry; none when no factory knows the tag.
    virtual ElementPtr CreateChildElement(Env& env, const std::wstring& nsUri, const std::wstring& name);
    // Whether a nested child element is ignored by the reader.
    virtual bool IgnoresChild(const std::wstring& /*nsUri*/, const std::wstring& /*name*/) const { return false; }
    // Reads a nested child element in its own way in the first reading pass (content and end tag
    // included) and answers true; the reader then skips that child in the second pass. False by default.
    virtual bool RestoreChildElement(Env&, xml::Reader&, const xml::Tag&) { return false; }
    // Called once the element's own XML element has been read in the second pass.
    virtual void EndRestore(Env&, const RestoreContext&) {}
    // The element's own finalizing after a document or fragment was read, before the registered finalizers.
    virtual void FinalizeRead(Env&) {}
    // Called once all elements of the document or fragment have been restored.
    virtual void OnRestored(Env&) {}
    // The element's follow-up after an insertion or modification in a transaction step.
    virtual void Finalize(Env&) {}

    // ---- copying
    // A new element of the same type with a copy of the current record (and position).
    virtual ElementPtr Clone() const = 0;
    // Redirects the element's references through the mapping of a copy.
    virtual void RemapReferences(const CopyRegistry&) {}

    // ---- record lifecycle, run by the transaction (no-ops for elements without a record)
    // Copies the current record into the backup unless there is one.
    virtual void MakeBackup() {}
    // Turns the changes since the backup into undo records and drops the backup.
    virtual void CommitUndo(UndoSequence&) {}
    // Puts the backup back as the current record.
    virtual void Rollback() {}
    // Drops any backup and locks the record.
    virtual void Commit() {}
    // Whether the element holds a backup: its record or position was written since the last commit.
    virtual bool HasBackup() const { return false; }

private:
    friend struct ElementState;
    ObjectId id_ = 0;
    Transaction* transaction_ = nullptr;
    bool new_ = false;
    bool modified_ = false;
    bool deleted_ = false;
    bool updating_ = false;
    bool selectionTesting_ = false;
    bool queued_ = false;  // waits in its transaction's finalize queue
    std::vector<std::shared_ptr<IViewElement>> views_;
};

// The model core's access to an element's state block.
struct ElementState {
    static void SetId(IModelElement& e, ObjectId id) { e.id_ = id; }
    static void SetDeleted(IModelElement& e, bool v) { e.deleted_ = v; }
    static void SetNew(IModelElement& e, bool v) { e.new_ = v; }
    static bool IsModified(const IModelElement& e) { return e.modified_; }
    static void SetModified(IModelElement& e, bool v) { e.modified_ = v; }
    static void SetTransaction(IModelElement& e, Transaction* t) { e.transaction_ = t; }
    static bool IsQueued(const IModelElement& e) { return e.queued_; }
    static void SetQueued(IModelElement& e, bool v) { e.queued_ = v; }
};

} // namespace Core
