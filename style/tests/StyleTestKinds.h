// A styled element kind for the style tests: it names an element style, uses the directories of one
// element kind and records the font it resolves when told that the style changed.
#pragma once

#include "core/Diagram.h"
#include "core/DocumentWriter.h"
#include "core/Factory.h"
#include "core/ModelElementSet.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "core/TransferSet.h"
#include "core/UndoHandler.h"
#include "style/Clients.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/TextStyle.h"

#include <sstream>
#include <string>

namespace StyleTest {

struct StyledBoxRep {
    std::wstring elementStyle;
    Style::Style* style = nullptr;
    int32_t kind = 0;
};

class StyledBox : public Core::Storable<StyledBox, StyledBoxRep, Core::StorableTraits::Null, Style::IElementStyleClient> {
public:
    static Core::FactoryImp<StyledBox>& Factory() {
        static Core::FactoryImp<StyledBox> factory(Core::SchemaNamespace10(), L"StyledBox");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<StyledBoxRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Optional>::Register(t, &StyledBoxRep::elementStyle, L"ElementStyle", std::wstring());
        RegisterRefNonStoreProperty::Register(t, &StyledBoxRep::style, L"Style");
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &StyledBoxRep::kind, L"Kind", 0);
    }

    // A new box of the kind in the environment's diagram, with the style and directories.
    static StyledBox& Create(Core::Env& env, Style::StyledKind kind) {
        auto box = Factory().CreateTyped(env);
        box->SetField(env, &StyledBoxRep::kind, int32_t(kind));
        Style::Style& style = Style::Style::FindOrCreate(env);
        box->SetStyle(env, &style);
        box->CreateDirectories(env, &style);
        return *box;
    }

    Style::StyledKind Kind() const { return Style::StyledKind(GetRep().kind); }
    // The directory of the box's text.
    const Style::DirectoryName& TextDirectory() const {
        switch (Kind()) {
        case Style::StyledKind::Class: return Style::Names::ClassHeader();
        case Style::StyledKind::UseCase: return Style::Names::UseCase();
        case Style::StyledKind::Actor: return Style::Names::Actor();
        case Style::StyledKind::Note: return Style::Names::Note();
        default: return Style::Names::FreeText();
        }
    }
    // The font the box's text has with its current style.
    TextBlock::TextStyle ResolvedFont() const {
        TextBlock::TextStyle s;
        if (GetStyle()) GetStyle()->GetFont(TextDirectory(), s);
        return s;
    }

    void SetStyle(Core::Env& env, Style::Style* style) override { SetField(env, &StyledBoxRep::style, style); }
    Style::Style* GetStyle() const override { return GetRep().style; }
    void StyleChanged(Core::Env&, const Style::DirectoryName& changed) override {
        if (changed.Contains(TextDirectory())) {
            ++restyled;
            applied = ResolvedFont();
        }
    }
    void CollectDirectoryNames(Style::IUsageCollector& c) const override {
        Style::DirectoryName::VisitFromRoot(c, TextDirectory());
    }
    void CreateDirectories(Core::Env& env, Style::Style* style) override {
        if (style) Style::CreateKindDirectories(env, *style, Kind());
    }
    void SetElementStyle(Core::Env& env, const std::wstring& name) override {
        SetField(env, &StyledBoxRep::elementStyle, name);
    }
    std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

    int restyled = 0;                // not part of the record: what the test observes
    TextBlock::TextStyle applied;    // the font at the last restyle
};

// Adds an element style of the name to the style, with the colour when given.
inline Style::ElementStyle& AddElementStyle(Core::Env& env, Style::Style& style, const wchar_t* name,
                                            const zq::Color* color = nullptr) {
    Style::ElementStyle& added = Style::ElementStyle::Create(env, style, name);
    style.AddElementStyle(env, added);
    if (color) added.SetFillColor(env, color);
    return added;
}

inline Core::FactoryRegistry& Registry() {
    static Core::FactoryRegistry registry = [] {
        Core::FactoryRegistry r;
        Style::Style::Factory().ReportTo(r);
        StyledBox::Factory().ReportTo(r);
        return r;
    }();
    return registry;
}

// Hands every paste to the style merge.
class StyleMerger : public Core::IPastePostProcessor {
public:
    void OnPaste(Core::Env& env, const Core::ModelElementSet& pasted) override {
        Style::MergePastedStyle(env, pasted.Elements());
    }
};

// A diagram with the style merge as its paste post-processor and helpers to change it.
struct Document {
    explicit Document(const Core::FactoryRegistry& registry = Registry()) : diagram(registry, nullptr, &merger) {}
    StyleMerger merger;
    Core::Diagram diagram;

    template <class F>
    Core::UndoerRef Change(F&& f) {
        Core::Transaction t(diagram);
        Core::Env env(t);
        f(env);
        Core::UndoerRef record = env.Close();
        diagram.GetUndoHandler().Add(record, nullptr, nullptr, false);
        return record;
    }
    Style::Style& GetStyle() const { return *Style::Style::Find(diagram); }
    std::string Save() const {
        std::ostringstream out;
        diagram.SaveXML(out);
        return out.str();
    }
    void Load(const std::string& text) { diagram.LoadXML(text); }
};

// The style document text around a style body.
inline std::string StyleDocument(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<Diagram xmlns=\"http://quorvel.example/schema/1.0\" "
           "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n" + body + "\n</Diagram>\n";
}

} // namespace StyleTest
