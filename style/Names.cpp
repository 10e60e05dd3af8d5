#include "style/Names.h"

#include "style/Clients.h"
#include "style/Model.h"

#include <array>
#include <initializer_list>
#include <vector>

namespace Style {

namespace Names {
#define QUORVEL_STYLE_NAME(fn, text, parent)          \
    const DirectoryName& fn()                         \
    {                                                 \
        static const DirectoryName name(text, &parent); \
        return name;                                  \
    }
QUORVEL_STYLE_NAME(ClassDiagram, L"Class Diagram", DirectoryName::Base())
QUORVEL_STYLE_NAME(Association, L"Association", ClassDiagram())
QUORVEL_STYLE_NAME(MultiplicityRole, L"Multiplicity, Role", ClassDiagram())
QUORVEL_STYLE_NAME(Package, L"Package", ClassDiagram())
QUORVEL_STYLE_NAME(ClassQualifier, L"Qualifier", ClassDiagram())
QUORVEL_STYLE_NAME(Class, L"Class", ClassDiagram())
QUORVEL_STYLE_NAME(ClassHeader, L"Header", Class())
QUORVEL_STYLE_NAME(ClassAttachedText, L"Attached Text", Class())
QUORVEL_STYLE_NAME(ClassCompartment, L"Compartment", Class())
QUORVEL_STYLE_NAME(TemplateParameters, L"Template Parameters", Class())
QUORVEL_STYLE_NAME(ObjectDiagram, L"Object Diagram", DirectoryName::Base())
QUORVEL_STYLE_NAME(Object, L"Object", ObjectDiagram())
QUORVEL_STYLE_NAME(ObjectHeader, L"Header", Object())
QUORVEL_STYLE_NAME(ObjectCompartment, L"Compartment", Object())
QUORVEL_STYLE_NAME(Link, L"Link", ObjectDiagram())
QUORVEL_STYLE_NAME(ObjectRole, L"Role", ObjectDiagram())
QUORVEL_STYLE_NAME(ObjectQualifier, L"Qualifier", ObjectDiagram())
QUORVEL_STYLE_NAME(UseCaseDiagram, L"Use Case Diagram", DirectoryName::Base())
QUORVEL_STYLE_NAME(Actor, L"Actor", UseCaseDiagram())
QUORVEL_STYLE_NAME(UseCase, L"Use Case", UseCaseDiagram())
QUORVEL_STYLE_NAME(System, L"System", UseCaseDiagram())
QUORVEL_STYLE_NAME(SequenceDiagram, L"Sequence Diagram", DirectoryName::Base())
QUORVEL_STYLE_NAME(SequenceObject, L"Object", SequenceDiagram())
QUORVEL_STYLE_NAME(Message, L"Message", SequenceDiagram())
QUORVEL_STYLE_NAME(StateDiagram, L"State Diagram", DirectoryName::Base())
QUORVEL_STYLE_NAME(State, L"State", StateDiagram())
QUORVEL_STYLE_NAME(StateHeader, L"Header", State())
QUORVEL_STYLE_NAME(StateCompartment, L"Compartment", State())
QUORVEL_STYLE_NAME(ConcurrentRegion, L"Concurrent Region", State())
QUORVEL_STYLE_NAME(Transition, L"Transition", StateDiagram())
QUORVEL_STYLE_NAME(Dependency, L"Dependency", DirectoryName::Base())
QUORVEL_STYLE_NAME(Note, L"Note", DirectoryName::Base())
QUORVEL_STYLE_NAME(FreeText, L"Free Text", DirectoryName::Base())
#undef QUORVEL_STYLE_NAME
} // namespace Names

namespace {

// The preset of a level: which values are inherited (mask 1 typeface, 2 size, 4 bold), and the
// bold and size set otherwise (size 0: the new font's own).
struct Preset {
    unsigned inherit;
    bool bold;
    double size;
};
constexpr Preset kAllInherited{7, false, 0};
constexpr Preset kFaceSize{3, false, 0};          // typeface and size inherited, not bold
constexpr Preset kFaceSizeBold{3, true, 0};       // typeface and size inherited, bold
constexpr Preset kSmall{5, false, 8};             // 8 points, typeface and bold inherited

struct Level {
    const DirectoryName& (*name)();
    const Preset* preset;  // none: the kind has no preset for this level
};

std::vector<Level> BuildLevels(StyledKind kind)
{
    using namespace Names;
    static constexpr Preset kNote{1, false, 9};
    static constexpr Preset kFreeText{1, false, 10};
    switch (kind) {
    case StyledKind::Class:
        return {{ClassDiagram, &kAllInherited}, {Class, &kFaceSize}, {ClassHeader, &kFaceSizeBold},
                {ClassAttachedText, &kAllInherited}};
    case StyledKind::ClassCompartment: return {{ClassDiagram, nullptr}, {Class, nullptr}, {ClassCompartment, &kSmall}};
    case StyledKind::TemplateParameters:
        return {{ClassDiagram, nullptr}, {Class, nullptr}, {TemplateParameters, &kSmall}};
    case StyledKind::Association:
        return {{ClassDiagram, nullptr}, {Association, &kFaceSizeBold}, {MultiplicityRole, &kFaceSize}};
    case StyledKind::Package: return {{ClassDiagram, &kAllInherited}, {Package, &kFaceSizeBold}};
    case StyledKind::ClassQualifier: return {{ClassDiagram, nullptr}, {ClassQualifier, &kFaceSize}};
    case StyledKind::Object:
        return {{ObjectDiagram, &kAllInherited}, {Object, &kFaceSize}, {ObjectHeader, &kFaceSizeBold}};
    case StyledKind::ObjectCompartment:
        return {{ObjectDiagram, nullptr}, {Object, nullptr}, {ObjectCompartment, &kSmall}};
    case StyledKind::Link: return {{ObjectDiagram, nullptr}, {Link, &kFaceSizeBold}, {ObjectRole, &kFaceSize}};
    case StyledKind::ObjectQualifier: return {{ObjectDiagram, nullptr}, {ObjectQualifier, &kFaceSize}};
    case StyledKind::Actor: return {{UseCaseDiagram, &kAllInherited}, {Actor, &kFaceSizeBold}};
    case StyledKind::UseCase: return {{UseCaseDiagram, &kAllInherited}, {UseCase, &kFaceSizeBold}};
    case StyledKind::System: return {{UseCaseDiagram, &kAllInherited}, {System, &kFaceSizeBold}};
    case StyledKind::SequenceObject: return {{SequenceDiagram, &kAllInherited}, {SequenceObject, &kFaceSize}};
    case StyledKind::Message: return {{SequenceDiagram, nullptr}, {Message, &kFaceSize}};
    case StyledKind::State: return {{StateDiagram, &kAllInherited}, {State, &kFaceSize}, {StateHeader, &kFaceSizeBold}};
    case StyledKind::StateCompartment:
        return {{StateDiagram, nullptr}, {State, nullptr}, {StateCompartment, &kSmall}};
    case StyledKind::RegionSeparator:
        return {{StateDiagram, nullptr}, {State, nullptr}, {ConcurrentRegion, &kSmall}};
    case StyledKind::Transition: return {{StateDiagram, nullptr}, {Transition, &kFaceSize}};
    case StyledKind::Dependency: return {{Dependency, &kFaceSize}};
    case StyledKind::Note: return {{Note, &kNote}};
    case StyledKind::FreeText: return {{FreeText, &kFreeText}};
    }
    return {};
}

constexpr int kKindCount = int(StyledKind::FreeText) + 1;
static_assert(kKindCount <= 32, "one bit per kind in the resolve cache");

// Built once: the read asks for the levels of every element.
const std::vector<Level>& LevelsOf(StyledKind kind)
{
    static const auto all = [] {
        std::array<std::vector<Level>, kKindCount> levels;
        for (int k = 0; k < kKindCount; ++k) levels[k] = BuildLevels(static_cast<StyledKind>(k));
        return levels;
    }();
    return all[std::size_t(kind)];
}

void Apply(Core::Env& env, Font& font, const Preset& preset)
{
    FontInit init(env, font);
    if (preset.size > 0) init.SetSize(preset.size);
    if (preset.bold) init.SetBold();
    init.Inherit(preset.inherit);
}

} // namespace

void RegisterDirectoryNames(StyledKind kind)
{
    for (const Level& level : LevelsOf(kind)) DirectoryNameRegistry::Instance().Add(level.name());
}

void RegisterAllDirectoryNames()
{
    for (int k = 0; k < kKindCount; ++k) RegisterDirectoryNames(static_cast<StyledKind>(k));
}

void CreateKindDirectories(Core::Env& env, Style& style, StyledKind kind)
{
    Directory* root = style.GetRoot();
    if (root == nullptr) return;
    // Within a resolve scope a kind whose directories were all there needs no second walk.
    ResolveCache* cache = style.GetResolveCache();
    const std::uint32_t bit = std::uint32_t(1) << int(kind);
    if (cache != nullptr && (cache->kindsPresent & bit) != 0) return;
    for (const Level& level : LevelsOf(kind)) {
        const DirectoryName& name = level.name();
        Directory* parent = root->Find(*name.GetParent());
        if (parent == nullptr) continue;  // the walk creates parents first, so this is a broken table
        bool created = false;
        Directory& dir = parent->FindOrCreate(env, name, created);
        if (created) Apply(env, Font::Create(env, dir), level.preset ? *level.preset : kAllInherited);
    }
    // Asked after the walk: a creation above has emptied the cache, and the kind is now complete.
    if (ResolveCache* after = style.GetResolveCache()) after->kindsPresent |= bit;
}

} // namespace Style
