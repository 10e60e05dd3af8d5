// The style of a document: the style element, the tree of directories with their fonts, and the
// named element styles that give boxes their fill.
#pragma once

#include "core/Factory.h"
#include "core/Storable.h"
#include "core/foundation/Geometry.h"
#include "style/DirectoryName.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace TextBlock {
struct TextStyle;
}

namespace Style {

class Style;
class Directory;
class Font;
class ElementStyle;

// The text that marks a font value as inherited from the parent directory.
inline const std::wstring kInherit = L"inherit__";

// A font value that may be inherited (an inherited record carries an empty or zero value).
struct InheritableString {
    bool inherited = false;
    std::wstring value;
};
struct InheritableDouble {
    bool inherited = false;
    double value = 0;
};
struct InheritableBool {
    bool inherited = false;
    bool value = false;
};

// Which directories and element style names a set of elements uses (for merging).
class IUsage {
public:
    virtual ~IUsage() = default;
    // Whether the directory name is used ("Base" always is).
    virtual bool IsUsed(const DirectoryName& name) const = 0;
    // Whether the element style name is used.
    virtual bool IsElementStyleUsed(const std::wstring& name) const = 0;
};

// The owner of a directory: the style (of the root) or the parent directory.
class IDirectoryOwner : public virtual Core::IModelElement {
public:
    // The directory itself, none for the style.
    virtual Directory* AsDirectory() = 0;
    virtual const Directory* AsDirectory() const = 0;
    // The style itself, none for a directory.
    virtual Style* AsStyle() = 0;
    virtual const Style* AsStyle() const = 0;
    // The style at the top of the tree (none for a detached directory).
    virtual Style* GetStyle() const = 0;
    // Takes the child out of this owner (undoable); nothing when the owner is deleted.
    virtual void RemoveNode(Core::Env& env, Directory* child) = 0;
};

struct StyleRep {
    Directory* directory = nullptr;
    Core::PtrCont<ElementStyle> elementStyles;
};

// What an open ResolveScope remembers of its style: the fonts resolved per directory and the
// element kinds whose directories are known to exist, valid while the tree's change count holds.
struct ResolveCache {
    struct Resolved {
        const DirectoryName* name;
        bool haveFace, haveSize, haveBold;
        std::u16string face;
        double size;
        bool bold;
    };
    unsigned changes = 0;
    std::vector<Resolved> fonts;
    std::uint32_t kindsPresent = 0;  // one bit per element kind
};

// Counts a change of some style tree (a font value, a directory, a root): resolve scopes forget.
void NoteTreeChanged();

// The one style element of a document, stored as "Style" with its whole tree nested inside.
class Style : public Core::Storable<Style, StyleRep, Core::StorableTraits::Null, IDirectoryOwner> {
public:
    static Core::FactoryImp<Style>& Factory();
    static void RegisterProperties(Core::PropertyTable<StyleRep>& table);
    // Reports the factories of the directory, font and element style with the style's, and adds
    // the directory names of every element kind to their registry.
    static void ReportExtras(Core::FactoryRegistry& registry);

    // A new style with the root "Base" whose font is "arial", 11 points, not bold.
    static std::shared_ptr<Style> Create(Core::Env& env);
    // The first style of the environment's diagram, created when there is none; never null.
    static Style& FindOrCreate(Core::Env& env);
    // The first style of the diagram, or none.
    static Style* Find(const Core::Diagram& diagram);

    // The root directory (none only while a style is being built or read).
    Directory* GetRoot() const { return GetRep().directory; }
    // The element styles in creation order.
    const Core::PtrCont<ElementStyle>& GetElementStyles() const { return GetRep().elementStyles; }
    // The first element style of exactly that name; none for an empty name.
    ElementStyle* FindElementStyle(const std::wstring& name) const;
    // Appends the element style (no check for duplicates).
    void AddElementStyle(Core::Env& env, ElementStyle& style);
    // Takes the element style out of the list; nothing when the style is deleted.
    void RemoveElementStyle(Core::Env& env, ElementStyle& style);
    // Writes the effective size, face and bold of the directory of name into the record; leaves it
    // unchanged when the tree has no such directory or it has no font.
    void GetFont(const DirectoryName& name, TextBlock::TextStyle& style) const;
    // What the open resolve scope remembers, emptied when the tree changed since; none outside one.
    ResolveCache* GetResolveCache() const;

    // Whether both define the same tree, fonts and element styles.
    bool Equals(const Style& other) const;
    // Merges this style into target: fonts, directories and element styles the target lacks (only
    // those the usage names, when given); overwrite replaces what the target has.
    void MergeInto(Core::Env& env, const IUsage* usage, bool overwrite, Style& target) const;
    // Deletes the style, its tree with the fonts and its element styles.
    void Delete(Core::Env& env) override;

    // IDirectoryOwner
    Directory* AsDirectory() override { return nullptr; }
    const Directory* AsDirectory() const override { return nullptr; }
    Style* AsStyle() override { return this; }
    const Style* AsStyle() const override { return this; }
    Style* GetStyle() const override { return const_cast<Style*>(this); }
    void RemoveNode(Core::Env& env, Directory* child) override;

    // IModelElement: every copy of the document's elements carries the style with its whole tree;
    // the stored form nests the tree.
    bool TravelsWithEveryCopy() const override { return true; }
    void CollectForSelection(Core::ModelElementSet& set) override;
    void Store(xml::IWriter& parent, const Core::IClub* club) const override;
    bool RestoreChildElement(Core::Env& env, xml::Reader& reader, const xml::Tag& child) override;
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;

private:
    friend class ResolveScope;
    void SetRoot(Core::Env& env, Directory* root);
    void MakeDefaultRoot(Core::Env& env);
    void ResolveFont(const DirectoryName& name, ResolveCache::Resolved& font) const;

    ResolveCache* cache_ = nullptr;  // the open resolve scope's, not stored
};

// While it lives, the style remembers the fonts it resolved and which element kinds' directories
// it has, so that styling many elements in one go walks the tree once per directory. Changes
// through the style's setters make it forget; undo and redo do not, so no scope may span them.
class ResolveScope {
public:
    explicit ResolveScope(Style& style);
    ~ResolveScope();
    ResolveScope(const ResolveScope&) = delete;
    ResolveScope& operator=(const ResolveScope&) = delete;

private:
    Style& style_;
    ResolveCache cache_;
    ResolveCache* outer_;
};

struct DirectoryRep {
    const DirectoryName* directoryName = nullptr;
    IDirectoryOwner* owner = nullptr;
    Core::PtrCont<Directory> nodes;  // sorted by name
    Font* font = nullptr;
};

// A node of the style tree: one directory name, an optional font and its children sorted by name.
class Directory : public Core::Storable<Directory, DirectoryRep, Core::StorableTraits::Null, IDirectoryOwner> {
public:
    static Core::FactoryImp<Directory>& Factory();
    static void RegisterProperties(Core::PropertyTable<DirectoryRep>& table);

    // A new directory of the name under owner, without font and not yet in any list.
    static std::shared_ptr<Directory> Create(Core::Env& env, IDirectoryOwner& owner, const DirectoryName& name);

    const DirectoryName& GetDirectoryName() const { return *GetRep().directoryName; }
    IDirectoryOwner* GetDirectoryOwner() const { return GetRep().owner; }
    // The children, sorted by name.
    const Core::PtrCont<Directory>& GetNodes() const { return GetRep().nodes; }
    // The own font, or none.
    Font* GetFont() const { return GetRep().font; }
    // Sets the own font (undoable).
    void SetFont(Core::Env& env, Font* font);
    // Inserts the child at its sorted place; nothing when it is listed.
    void AddNode(Core::Env& env, Directory& child);
    // This directory when named name, else the first child so named, else the children's subtrees
    // depth-first; none when absent.
    Directory* Find(const DirectoryName& name) const;
    // Find, or a new direct child of that name (created set then).
    Directory& FindOrCreate(Core::Env& env, const DirectoryName& name, bool& created);
    // Deletes the directory, its font and all children; nothing when deleted.
    void DeleteTree(Core::Env& env);
    // Same name, equal fonts (or none on both) and equal children pairwise.
    bool Equals(const Directory& other) const;
    // Merges the font and the used children into target.
    void MergeInto(Core::Env& env, const IUsage* usage, bool overwrite, Directory& target) const;

    // IDirectoryOwner
    Directory* AsDirectory() override { return this; }
    const Directory* AsDirectory() const override { return this; }
    Style* AsStyle() override { return nullptr; }
    const Style* AsStyle() const override { return nullptr; }
    Style* GetStyle() const override { return GetRep().owner ? GetRep().owner->GetStyle() : nullptr; }
    void RemoveNode(Core::Env& env, Directory* child) override;

    // IModelElement: written by its style.
    Core::IModelElement* GetOwner() const override { return GetRep().owner; }
    bool IsStoredByOwner() const override { return true; }
    void CollectForSelection(Core::ModelElementSet& set) override;
};

struct FontRep {
    Directory* owner = nullptr;
    std::wstring typeface = L"arial";
    std::wstring size = L"6.0";
    std::wstring bold = L"0";
};

// The font of one directory: typeface, size and bold, each a text that may be "inherit__".
class Font : public Core::Storable<Font, FontRep> {
public:
    static Core::FactoryImp<Font>& Factory();
    static void RegisterProperties(Core::PropertyTable<FontRep>& table);

    // A new font ("arial", "6.0", "0") set as the directory's font.
    static Font& Create(Core::Env& env, Directory& directory);

    Directory* GetDirectory() const { return GetRep().owner; }
    const std::wstring& GetTypefaceText() const { return GetRep().typeface; }
    const std::wstring& GetSizeText() const { return GetRep().size; }
    const std::wstring& GetBoldText() const { return GetRep().bold; }

    InheritableString GetTypeface() const;
    // The size in points; a text that is not a number from 1 to 1000 reads as inherited.
    InheritableDouble GetSize() const;
    // Bold; a text other than 0 or 1 reads as inherited.
    InheritableBool GetBold() const;
    // Setters write "inherit__" for an inherited record; nothing when the font is deleted.
    void SetTypeface(Core::Env& env, const InheritableString& value);
    void SetSize(Core::Env& env, const InheritableDouble& value);
    void SetBold(Core::Env& env, const InheritableBool& value);
    // Writes the three texts as they stand (the stored form; not validated).
    void SetTexts(Core::Env& env, std::wstring typeface, std::wstring size, std::wstring bold);
    // Copies the three texts of other, inherit markers included.
    void Assign(Core::Env& env, const Font& other);
    // Whether the three texts are equal.
    bool Equals(const Font& other) const;
    // Whether any of the three values is inherited (an unusable value counts as inherited).
    bool HasInherited() const;
    // The font of the parent directory; none at the root or when the parent has no font.
    Font* GetParentFont() const;
    // Merges this font into the target directory's font (created when missing).
    void MergeInto(Core::Env& env, const IUsage* usage, bool overwrite, Directory& target) const;

    // IModelElement: written by its directory's style.
    Core::IModelElement* GetOwner() const override { return GetRep().owner; }
    bool IsStoredByOwner() const override { return true; }
};

struct ElementStyleRep {
    Style* owner = nullptr;
    std::wstring name;
    zq::Color fillColor{255, 255, 255};
    bool fillColorIsNull = false;
};

// A named fill that boxes refer to by name.
class ElementStyle : public Core::Storable<ElementStyle, ElementStyleRep> {
public:
    static Core::FactoryImp<ElementStyle>& Factory();
    static void RegisterProperties(Core::PropertyTable<ElementStyleRep>& table);

    // A new element style of the name without fill colour; the caller adds it to the style.
    static ElementStyle& Create(Core::Env& env, Style& style, const std::wstring& name);

    const std::wstring& GetName() const { return GetRep().name; }
    // False when it has no fill colour; else copies the colour out.
    bool GetFillColor(zq::Color& color) const;
    // None clears the colour; otherwise sets it unless equal.
    void SetFillColor(Core::Env& env, const zq::Color* color);
    // Copies the colour and the no-colour flag of other.
    void Assign(Core::Env& env, const ElementStyle& other);
    // The same no-colour flag and, when both have one, the same colour (names are not compared).
    bool Equals(const ElementStyle& other) const;
    // Renames it and every element of the diagram that carries the old name.
    void Rename(Core::Env& env, const std::wstring& name);
    // Gives every element of the diagram that carries this name an empty name.
    void ClearReferences(Core::Env& env);
    // Deletes it and takes it out of its style's list.
    void Delete(Core::Env& env) override;
    // Lets every element of the diagram that carries this name update its views.
    void UpdateDependants(const Core::Diagram& diagram) const;

    // IModelElement: written by its style.
    Core::IModelElement* GetOwner() const override { return GetRep().owner; }
    bool IsStoredByOwner() const override { return true; }
};

} // namespace Style
