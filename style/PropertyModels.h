// The editable values of the "Diagram Style" editor: choice and font-size values with their dirty
// flags, the rows of one directory, the tree of directories, and the font editor that writes a
// directory's font back. Platform-free: the dialog's controls read and drive these models.
#pragma once

#include "style/Model.h"

#include <memory>
#include <string>
#include <vector>

namespace Core {
class Env;
}

namespace Style {

// The text shown for an inherited value.
inline const std::wstring kInheritsText = L"<inherits>";
// The text shown when a choice list is empty.
inline const std::wstring kInvalidText = L"## Invalid ##";

// The words the editor shows; the dialog takes them from the program's string table.
struct PropertyTexts {
    std::wstring typeface = L"Typeface";
    std::wstring size = L"Size";
    std::wstring bold = L"Bold";
    std::wstring substituted = L"%1 (not installed, substituted with %2)";  // %1 stored face, %2 stand-in
    std::wstring yes = L"Yes";
    std::wstring no = L"No";
    std::wstring inherits = kInheritsText;
    std::wstring invalid = kInvalidText;
    // The built-in English words.
    static const PropertyTexts& Default();
};

// One editable value of a row.
class IValue {
public:
    virtual ~IValue() = default;
    // The text shown in the value column.
    virtual std::wstring GetText() const = 0;
    // Whether the user changed the value since it was built.
    virtual bool IsChanged() const = 0;
};

// A value picked from a list of choices, inheritable except at the root.
class EnumProperty : public IValue {
public:
    struct Val {
        bool inherited = false;
        int index = 0;
    };
    // The choices and the initial value; root values are never offered as inherited. An empty list
    // gets the single invalid-choice text.
    EnumProperty(std::vector<std::wstring> choices, Val initial, bool root,
                 const PropertyTexts& texts = PropertyTexts::Default());

    const Val& GetValue() const { return value_; }
    const std::vector<std::wstring>& GetChoices() const { return choices_; }
    bool IsRoot() const { return root_; }
    // The current choice's text (the first choice for an inherited root value).
    std::wstring GetChoiceText() const;
    // The combo box items: "<inherits>" first unless root, then the choices.
    std::vector<std::wstring> Items() const;
    // The item the combo box selects for the current value.
    int Selection() const;
    // Takes the combo box item the user picked.
    void Choose(int item);

    std::wstring GetText() const override;
    bool IsChanged() const override { return changed_; }

private:
    void Set(Val v);
    std::vector<std::wstring> choices_;
    Val value_;
    bool root_;
    bool changed_ = false;
    std::wstring inherits_;
};

// A font size in whole points, picked from the usual sizes or typed.
class FontSizeProperty : public IValue {
public:
    struct Val {
        bool inherited = false;
        int size = 0;
    };
    static constexpr int kMinSize = 1;
    static constexpr int kMaxSize = 1000;
    // The sizes the list offers, in order.
    static const std::vector<int>& ListSizes();

    FontSizeProperty(Val initial, bool root, const PropertyTexts& texts = PropertyTexts::Default());

    const Val& GetValue() const { return value_; }
    bool IsRoot() const { return root_; }
    // The combo box items: "<inherits>" unless root, then the list sizes.
    std::vector<std::wstring> Items() const;
    // The item the combo box selects, -1 for a size outside the list (then EditText shows it).
    int Selection() const;
    // The size as the edit text.
    std::wstring EditText() const;
    // Takes typed text: a whole number clamped into [1, 1000]; other text leaves the size.
    void Type(const std::wstring& text);
    // Takes the combo box item the user picked.
    void Choose(int item);

    std::wstring GetText() const override;
    bool IsChanged() const override { return changed_; }

private:
    void Set(Val v);
    Val value_;
    bool root_;
    bool changed_ = false;
    std::wstring inherits_;
};

// The installed typefaces the editor offers.
class ITypefaceList {
public:
    virtual ~ITypefaceList() = default;
    // The installed faces in the list's order.
    virtual std::vector<std::wstring> Faces() const = 0;
    // The installed face that stands in for face.
    virtual std::wstring Substitute(const std::wstring& face) const = 0;
    // Whether a sorts before b in the list's order.
    virtual bool Less(const std::wstring& a, const std::wstring& b) const = 0;
};

// The editor's tree: one node per directory with its rows.
struct PropertyEditorHierarchy;

// One row of a node: a group caption (no value) or a value row.
struct PropertyEntry {
    std::wstring caption;
    IValue* value = nullptr;  // none for a group
    bool underGroup = false;  // a value row below the last group
};

struct PropertyEditorHierarchy {
    std::wstring caption;
    std::vector<PropertyEntry> entries;
    std::vector<std::unique_ptr<PropertyEditorHierarchy>> children;
};

// Writes the user's changes of one part of the style into the model.
class IEditor {
public:
    virtual ~IEditor() = default;
    // Writes changed values in the environment's transaction.
    virtual void Apply(Core::Env& env) = 0;
};

// The three values of a directory's font: "Typeface", "Size" and "Bold".
class FontEditor : public IEditor {
public:
    // Builds the models from the font and adds the "Font" group to the node.
    FontEditor(Font& font, PropertyEditorHierarchy& node, const ITypefaceList& faces,
               const PropertyTexts& texts = PropertyTexts::Default());

    EnumProperty& Typeface() { return *typeface_; }
    FontSizeProperty& Size() { return *size_; }
    EnumProperty& Bold() { return *bold_; }
    // Writes what differs from the font; restyles the texts of the directory when anything did.
    void Apply(Core::Env& env) override;

private:
    Font& font_;
    InheritableString initialFace_;
    std::unique_ptr<EnumProperty> typeface_;
    std::unique_ptr<FontSizeProperty> size_;
    std::unique_ptr<EnumProperty> bold_;
};

} // namespace Style
