// What styled elements implement and use: the style and element-style client interfaces, the
// presetting of new fonts, restyling of texts after a font change, and the fill of a box.
#pragma once

#include "core/ModelElement.h"
#include "core/foundation/Geometry.h"
#include "drawing/Canvas.h"
#include "style/Model.h"

#include <memory>
#include <string>

namespace TextBlock {
class Text;
}

namespace Style {

// Every element that takes fonts from the style.
class IStyleClient : public virtual Core::IModelElement {
public:
    // Sets the element's (not stored) style reference.
    virtual void SetStyle(Core::Env& env, Style* style) = 0;
    // The style the element uses, or none.
    virtual Style* GetStyle() const = 0;
    // Re-applies the text styles of the texts whose directory is changed or lies below it.
    virtual void StyleChanged(Core::Env& env, const DirectoryName& changed) = 0;
    // Reports every directory the element uses, each with its ancestors, root first.
    virtual void CollectDirectoryNames(IUsageCollector& collector) const = 0;
    // Creates the element kind's directories with their preset fonts when missing.
    virtual void CreateDirectories(Core::Env& env, Style* style) = 0;
};

// An element that can carry a named element style.
class IElementStyleClient : public virtual IStyleClient {
public:
    // Sets the stored element style name (empty: none).
    virtual void SetElementStyle(Core::Env& env, const std::wstring& name) = 0;
    // The element style name.
    virtual std::wstring GetElementStyle() const = 0;
};

// Presets the font of a directory an element kind has just created; calls chain.
class FontInit {
public:
    FontInit(Core::Env& env, Font& font) : env_(env), font_(font) {}
    // Bold, not inherited.
    FontInit& SetBold();
    // Marks the chosen values inherited: 1 typeface, 2 size, 4 bold.
    FontInit& Inherit(unsigned mask);
    // A size in points, not inherited.
    FontInit& SetSize(double points);

private:
    Core::Env& env_;
    Font& font_;
};

// Re-applies the text's style when changed is own or one of its ancestors; nothing for no text.
void RestyleTextIfAffected(TextBlock::Text* text, Core::Env& env, const DirectoryName& changed,
                           const DirectoryName& own);

// The fill of a box's view from its element style: both parts empty when there is no fill.
class ElementStyleFill {
public:
    explicit ElementStyleFill(const IElementStyleClient& element);
    // The fill colour, or none.
    const zq::Color* GetColor() const { return color_.get(); }
    // A pen of width 1 in the fill colour, or none.
    const ICanvas::LineStyle* GetLineStyle() const { return lineStyle_.get(); }

private:
    std::unique_ptr<zq::Color> color_;
    std::unique_ptr<ICanvas::LineStyle> lineStyle_;
};

// The directories, fonts and element style names a set of elements uses.
class UsageRecord : public IUsageCollector, public IUsage {
public:
    // Collects over the elements: "Base", each element style name and each element's directories.
    explicit UsageRecord(const std::vector<Core::ElementPtr>& elements);
    void Use(const DirectoryName& name) override;
    bool IsUsed(const DirectoryName& name) const override;
    bool IsElementStyleUsed(const std::wstring& name) const override;

private:
    std::vector<const DirectoryName*> names_;
    std::vector<std::wstring> elementStyles_;
};

// Folds the Style among the pasted elements into the document's own style, moves the pasted
// elements over to it (restyling their texts when the styles differ) and deletes the pasted one.
void MergePastedStyle(Core::Env& env, const std::vector<Core::ElementPtr>& pasted);

} // namespace Style
