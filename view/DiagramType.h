// The kind of a diagram (class, object, use case, sequence, state): its commands, background menus
// and names, the stored element that holds it, and the commands that switch it.
#pragma once

#include "core/Factory.h"
#include "core/Storable.h"
#include "core/foundation/Exception.h"
#include "view/CanvasView.h"
#include "view/CmdHandler.h"

#include <string>

namespace View {

class DiagramTypeValue {
public:
    enum T : int32_t { Class = 1, Object = 2, UseCase = 3, Sequence = 4, State = 5 };
    static constexpr int kFirst = 1;
    static constexpr int kLast = 5;

    // The Diagram menu command of the value (40053 to 40057); other values throw.
    static UINT GetCommandId(int value);
    // The background context menu of the value (105 to 109); other values throw.
    static UINT GetMenuId(int value);
    // The string id of the value's display name (197 to 201); other values throw.
    static UINT GetName(int value);
};

// A value outside 1..5.
class InvalidDiagramTypeValue : public zq::Exception {
public:
    explicit InvalidDiagramTypeValue(int value);
};

struct DiagramTypeRep {
    DiagramTypeValue::T value = DiagramTypeValue::Class;
};

struct DiagramTypeTraits {
    static constexpr bool kStored = true;
    static constexpr bool kCopyable = false;  // a diagram holds at most one
    static constexpr bool kStoredByOwner = false;
};

// The stored diagram type "DiagramType" with its property "TypeValue".
class DiagramType : public Core::Storable<DiagramType, DiagramTypeRep, DiagramTypeTraits, ModelElement> {
public:
    static Core::FactoryImp<DiagramType>& Factory();
    static void RegisterProperties(Core::PropertyTable<DiagramTypeRep>& table);

    // The value of the diagram's type element, or 1 (class diagram) when it has none.
    static int GetTypeOf(const Core::Diagram& diagram);
    // Gives the diagram the value, creating its type element when it has none.
    static void SetTypeOf(Core::Env& env, Core::Diagram& diagram, int value);

    int GetValue() const { return GetRep().value; }
    std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(ICanvasView& view) override;
};

// The view element of the type: tells its view when the type changed.
class VDiagramType : public ViewElement {
public:
    VDiagramType(ICanvasView& view, DiagramType& element) : Core::IViewElement(view, element), ViewElement(view, element) {}
    // The type element left the diagram (undone or deleted): the diagram is a class diagram again.
    ~VDiagramType() override;
    void Update() override;
    using ViewElement::Update;
};

// The five radio commands of the Diagram menu.
class DiagramTypeCmdHandler : public ICmdHandler {
public:
    explicit DiagramTypeCmdHandler(IDefaultTask& task);
    void UpdateCommands() override;

private:
    void Switch(int value);
};

} // namespace View
