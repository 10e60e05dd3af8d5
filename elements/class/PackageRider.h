#pragma once
// The name tab of a Large package: a small box on the package's top edge at its left end that
// carries the package's name. It has no position of its own; it always sits on its package.
#include "core/Factory.h"
#include "core/Shift.h"
#include "core/Storable.h"
#include "style/Clients.h"
#include "text/Text.h"
#include "text/TextOwner.h"

#include <memory>

namespace Class {

class Package;

struct PackageRiderRep {
    zq::Point size{700, 200};
    Package* owner = nullptr;  // not stored: the enclosing package
    TextBlock::Text* text = nullptr;
};

// A package's tab: "Size" and "Text"; written inside its package, an error anywhere else.
class PackageRider
    : public Core::Storable<PackageRider, PackageRiderRep, Core::StorableTraits::Null, Core::IResizable, Core::INamed,
                            Core::IShiftable, Core::IDeletable, TextBlock::ITextOwner, Style::IElementStyleClient> {
public:
    static constexpr std::int32_t kMargin = 100;
    // The factory, registered under "PackageRider".
    static Core::FactoryImp<PackageRider>& Factory();
    static void RegisterProperties(Core::PropertyTable<PackageRiderRep>& t);
    // A new empty tab of the package (the package moves its name into it).
    static std::shared_ptr<PackageRider> Create(Core::Env& env, Package& package);

    Package* GetPackage() const { return GetRep().owner; }
    TextBlock::Text* GetText() const { return GetRep().text; }
    // The tab's rectangle: on the package's top edge at its left end.
    zq::Rect GetRect() const { return zq::Rect::FromPosSize(GetPos(), GetSize().x, GetSize().y); }

    // IResizable: only width and height change; the tab stays on its package.
    void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;
    zq::Point GetPos() const override;
    zq::Point GetOldPos() const override;
    void SetPos(Core::Env&, const zq::Point&) override {}
    zq::Point GetSize() const override { return GetRep().size; }
    zq::Point GetOldSize() const override { return GetOldRep().size; }
    std::int32_t GetMinWidth() const override { return 200; }
    std::int32_t GetMinHeight() const override { return 200; }
    // INamed: the text's content.
    void SetName(Core::Env& env, const std::wstring& name) override;
    std::wstring GetName() const override { return GetText() ? GetText()->GetName() : std::wstring(); }
    // Never moved alone: it moves with its package.
    void ShiftImpl(Core::Env&, Core::IModelElement*, const Core::ShiftVector&, Core::DeferredShiftSet& set,
                   bool) override {
        MarkShifted(set);
    }
    // Deleted by the user: the package stops being Large and shows its name in the body again.
    void Delete(Core::Env& env) override;
    // Deletes the tab and its text only (the package leaves Large or goes itself).
    void DeleteWithPackage(Core::Env& env);
    // IPointable: the rectangle widened left, up and right, not below.
    bool IsNear(const zq::Point& p, std::int32_t tolerance) const override;
    bool GetBoundingRect(zq::Rect& out) const override;
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const override;

    // ITextOwner
    void GetTextOrigin(zq::Point& origin) const override;
    void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
    void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
    void SetText(Core::Env& env, TextBlock::Text* text) override;
    void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

    // Styles: the package's.
    void SetStyle(Core::Env& env, Style::Style* style) override;
    Style::Style* GetStyle() const override;
    void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
    void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
    void CreateDirectories(Core::Env&, Style::Style*) override {}
    void SetElementStyle(Core::Env& env, const std::wstring& name) override;
    std::wstring GetElementStyle() const override;

    // Written inside its package.
    Core::IModelElement* GetOwner() const override;
    // Reading: the enclosing element must be a package, which becomes Large with this tab.
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
    // Selected with its package; a selected tab takes its package along.
    bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
    void CollectForSelection(Core::ModelElementSet& set) override;

private:
    // Grows to the text and lets the package widen.
    void Fit(Core::Env& env, zq::Rect r);
};

} // namespace Class
