#pragma once
#include <vector>
// The package: a folder-shaped box that groups the classes and packages lying inside its body and
// the notes and free texts inside it. Its name shows in the body, or, once the package is Large,
// in its name tab (the rider), so that the body is free for its contents.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "core/Weight.h"
#include "core/Storable.h"
#include "elements/class/PackagePart.h"
#include "elements/note/Dependency.h"
#include "elements/note/NoteConnector.h"
#include "style/Clients.h"
#include "text/Text.h"
#include "text/TextOwner.h"

#include <memory>

namespace Class {

class PackageRider;

struct PackageRep {
    zq::Point size{2000, 1000};
    TextBlock::Text* text = nullptr;
    Core::PtrCont<Dependency::DependencyEnd> dependencyEnds;  // not stored: the ends rebuild it
    Core::PtrCont<Note::NoteConnectorEnd> noteEnds;           // not stored: the ends rebuild it
    Core::PtrCont<IPackagePart> parts;                        // not stored: the nesting gives it
    Package* containingPackage = nullptr;                     // not stored: the nesting gives it
    PackageRider* rider = nullptr;                            // not stored: the rider sets it
    Core::PtrCont<Core::IContainable> containables;           // not stored: the nesting gives it
    Style::Style* style = nullptr;
    std::wstring elementStyle;
};

// A package: "Pos", "Size", "Text" and "ElementStyle" (when set); its rider, classes, packages,
// notes and free texts are written inside it.
class Package
    : public Core::StorableWithPos<Package, PackageRep, Core::StorableTraits::Null,
                                   Core::ResizableWithSizeField<PackageRep, &PackageRep::size>, Core::INamed,
                                   Core::IContainer, IPackagePart, Core::IShiftable, Core::IDeletable,
                                   Dependency::IDependencyParty, Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<PackageRep, Dependency::DependencyEnd, &PackageRep::dependencyEnds>,
                                   Core::PartnerList<PackageRep, Note::NoteConnectorEnd, &PackageRep::noteEnds>,
                                   TextBlock::ITextOwner, Core::ICheckable, Style::IElementStyleClient> {
public:
    static constexpr zq::Point kTabSize{700, 200};  // the empty tab of a package that is not Large
    static constexpr std::int32_t kMargin = 100;
    // The factory, registered under "Package".
    static Core::FactoryImp<Package>& Factory();
    static void RegisterProperties(Core::PropertyTable<PackageRep>& t);
    // A new package 2000 x 1000 named "<name?>" with its top-left corner at the point (undoable).
    static std::shared_ptr<Package> Create(Core::Env& env, const zq::Point& at);
    // The same as a plain element, for the background command.
    static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

    TextBlock::Text* GetText() const { return GetRep().text; }
    // Large exactly while the package has its name tab.
    bool IsLarge() const { return GetRep().rider != nullptr; }
    PackageRider* GetRider() const { return GetRep().rider; }
    // Moves the name between body and tab, making or deleting the tab (undoable).
    void SetLarge(Core::Env& env, bool large);
    // The tab's size (the rider's when Large), with old as before the running transaction.
    zq::Point GetTabSize(bool old = false) const;
    // The body rectangle (y up).
    zq::Rect GetRect() const { return zq::Rect::FromPosSize(GetPos(), GetSize().x, GetSize().y); }
    // The classes and packages directly inside.
    const Core::PtrCont<IPackagePart>& GetParts() const { return GetRep().parts; }
    const Core::PtrCont<Core::IContainable>& GetContainables() const { return GetRep().containables; }
    // The dependency ends lying on the package.
    const Core::PtrCont<Dependency::DependencyEnd>& GetDependencyEnds() const { return GetRep().dependencyEnds; }
    // Lists the part and tells it its package; the first part makes the package Large.
    void AddPart(Core::Env& env, IPackagePart& part);
    // Drops the part from the list; Large stays.
    void RemovePart(Core::Env& env, IPackagePart& part);
    // Reading: lists a part read inside the package, without further effect.
    void AppendPartForReading(IPackagePart& part);
    // Reading: records the rider read inside the package.
    void SetRider(Core::Env& env, PackageRider* rider);
    // The body grows to the rider's width + 400 when narrower.
    void FitRider(Core::Env& env, PackageRider& rider);
    // The dependency and note connector ends follow the outline.
    void EndsFollow(Core::Env& env);
    // The body with its tab on the top left, current or saved.
    std::vector<zq::Point> Outline(bool old) const;

    // IPackagePart / IUpdateContainer
    void SetContainingPackage(Core::Env& env, Package* package) override;
    Package* GetContainingPackage() const override { return GetRep().containingPackage; }
    void UpdateContainer(Core::Env& env, Core::ModelElementSet& visited) override;
    // IContainer: notes and free texts inside.
    void AddContainable(Core::Env& env, Core::IContainable& c) override;
    void RemoveContainable(Core::Env& env, Core::IContainable& c) override;
    bool ContainsContainable(const Core::IContainable& c) const override;
    void AppendContainable(Core::Env& env, Core::IContainable& c) override;
    // The nesting weight: a package inside another claims before it.
    Core::Weight ContainerWeight(const zq::Point& at) const override { return GetNestingWeight(at); }

    // IResizable: never narrower than the tab + 400; grows to the name.
    void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;
    std::int32_t GetMinWidth() const override { return GetTabSize().x + 400; }
    // INamed: the tab's name when Large, else the body's.
    void SetName(Core::Env& env, const std::wstring& name) override;
    std::wstring GetName() const override;
    // IPointable: a Large package is hit only on its border band (and its tab).
    bool IsNear(const zq::Point& p, std::int32_t tolerance) const override;
    bool GetBoundingRect(zq::Rect& out) const override;
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const override;
    // The area weight of the body, biased by the packages around it (no selection involved).
    Core::Weight GetNestingWeight(const zq::Point& p) const;
    // ITerminal: the six corners of body and tab.
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override;
    void Attach(Core::Env& env, Dependency::DependencyEnd* end) override { end->SetTerminal(env, this); }
    void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
    using Core::IAttach<Dependency::DependencyEnd>::CanAttach;
    using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
    // IShiftable: the contents and the attached ends move with the package.
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool noFollow) override;
    // Deletes text, contents and tab; the attached ends go with their connectors.
    void Delete(Core::Env& env) override;

    // ITextOwner: the name lies 100 inside the body, centred.
    void GetTextOrigin(zq::Point& origin) const override;
    void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
    void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
    void SetText(Core::Env& env, TextBlock::Text* text) override;
    // The "Package" directory's font, centred in the area.
    void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

    // Styles
    void SetStyle(Core::Env& env, Style::Style* style) override;
    Style::Style* GetStyle() const override { return GetRep().style; }
    void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
    void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
    void CreateDirectories(Core::Env& env, Style::Style* style) override;
    void SetElementStyle(Core::Env& env, const std::wstring& name) override;
    std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

    // Written inside its containing package.
    Core::IModelElement* GetOwner() const override { return GetRep().containingPackage; }
    // Reading: a package read inside a package lies in it.
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
    void OnRestored(Core::Env& env) override;
    // After every change that touched it: which package contains it now.
    void Finalize(Core::Env& env) override;
    // Completely selected with its rider or its containing package.
    bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
    // A copy or a drag takes the rider, the text and the whole contents along.
    void CollectForSelection(Core::ModelElementSet& set) override;

private:
    // Writes position and size; the text lays out again.
    void ApplyRect(Core::Env& env, const zq::Rect& r);
    // Widens for the tab (keeping the left edge when it is previousLeft, else the right edge) and
    // grows to the name.
    zq::Rect AdjustRect(Core::Env& env, zq::Rect r, std::int32_t previousLeft) const;
};

// Reports the package's and the rider's factories and the "Package" directory.
void ReportPackageFactories(Core::FactoryRegistry& registry);

} // namespace Class
