#pragma once
// The template-parameters box of a class: a small box with a text over the class's top-right
// corner. It has no position of its own; only its size and text belong to it.
#include <memory>

#include "core/Factory.h"
#include "core/Interfaces.h"
#include "core/Shift.h"
#include "core/Storable.h"
#include "style/Clients.h"
#include "text/Text.h"
#include "text/TextOwner.h"

namespace Class {

class TemplateParameters;

// The side of a class that its template-parameters box talks to.
class ITemplateParametersOwner : public virtual Style::IElementStyleClient {
 public:
  // Makes a new box on the class (undoable) and answers it.
  virtual TemplateParameters& CreateTemplateParameters(Core::Env& env) = 0;
  // The box, or none.
  virtual TemplateParameters* GetTemplateParameters() const = 0;
  // The box was deleted: the class no longer has one.
  virtual void ForgetTemplateParameters(Core::Env& env) = 0;
  // The box changed size: the class widens to the left when the box comes near its left edge.
  virtual void TemplateParametersMoved(Core::Env& env, TemplateParameters& box) = 0;
  // The class's top-right corner (as before the running transaction with old).
  virtual zq::Point GetTemplateCorner(bool old) const = 0;
  // Records the box (reading).
  virtual void SetTemplateParameters(Core::Env& env, TemplateParameters* box) = 0;
};

// The record of a template-parameters box.
struct TemplateParametersRep {
  zq::Point size{700, 200};
  ITemplateParametersOwner* owner = nullptr;
  TextBlock::Text* text = nullptr;
  Style::Style* style = nullptr;
};

// The box (element name "TemplateParameters"), written inside its class.
class TemplateParameters
    : public Core::Storable<TemplateParameters, TemplateParametersRep, Core::StorableTraits::Null, Core::IResizable,
                            Core::INamed, Core::IShiftable, Core::IDeletable, TextBlock::ITextOwner, Core::ICheckable,
                            Style::IElementStyleClient> {
 public:
  // The factory, registered under "TemplateParameters".
  static Core::FactoryImp<TemplateParameters>& Factory();
  // Registers "Size", "Owner", "Text" and "Style".
  static void RegisterProperties(Core::PropertyTable<TemplateParametersRep>& table);
  // A new box of 700 x 200 on the owner, with an empty text.
  static std::shared_ptr<TemplateParameters> Create(Core::Env& env, ITemplateParametersOwner& owner,
                                                    Style::Style* style);

  ITemplateParametersOwner* GetTemplateOwner() const { return GetRep().owner; }
  Core::IModelElement* GetOwner() const override { return GetRep().owner; }
  TextBlock::Text* GetText() const { return GetRep().text; }
  // The class draws the box's outline: its views are drawn anew whenever the box's are.
  void UpdateOwnerViews(const Core::ViewUpdateContext* context) override;

  // IResizable: the position follows the class's top-right corner; resizing moves the top and left edges.
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred) override;
  zq::Point GetPos() const override;
  zq::Point GetOldPos() const override;
  void SetPos(Core::Env&, const zq::Point&) override {}
  zq::Point GetSize() const override { return GetRep().size; }
  zq::Point GetOldSize() const override { return GetOldRep().size; }

  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;

  void GetTextOrigin(zq::Point& origin) const override;
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &TemplateParametersRep::text, text); }
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  // The box moves only with its class.
  void ShiftImpl(Core::Env&, Core::IModelElement*, const Core::ShiftVector&, Core::DeferredShiftSet&, bool) override {}
  // Deletes the box and its text; the class forgets it.
  void Delete(Core::Env& env) override;

  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;
  // The element style is the class's.
  void SetElementStyle(Core::Env& env, const std::wstring& name) override;
  std::wstring GetElementStyle() const override;

  // Reading: the stored size holds until every element is read.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  // Reading: the enclosing class becomes the owner, and learns of the box once all is read.
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
  void OnRestored(Core::Env& env) override;

 private:
  // Grows the rectangle to the text with margins of 100.
  zq::Rect GrownToText(const Core::Env& env, zq::Rect r) const;

  bool reading_ = false;
};

}  // namespace Class
