#include "style/Clients.h"

#include "core/Diagram.h"
#include "text/TextOwner.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace Style {

FontInit& FontInit::SetBold()
{
    font_.SetBold(env_, {false, true});
    return *this;
}

FontInit& FontInit::Inherit(unsigned mask)
{
    if (mask & 1) font_.SetTypeface(env_, {true, {}});
    if (mask & 2) font_.SetSize(env_, {true, 0});
    if (mask & 4) font_.SetBold(env_, {true, false});
    return *this;
}

FontInit& FontInit::SetSize(double points)
{
    font_.SetSize(env_, {false, points});
    return *this;
}

void RestyleTextIfAffected(TextBlock::Text* text, Core::Env& env, const DirectoryName& changed, const DirectoryName& own)
{
    if (text != nullptr && changed.Contains(own)) TextBlock::ITextOwner::ApplyTextStyle(text, env);
}

ElementStyleFill::ElementStyleFill(const IElementStyleClient& element)
{
    const std::wstring name = element.GetElementStyle();
    if (name.empty()) return;
    const Style* style = element.GetStyle();
    const ElementStyle* es = style ? style->FindElementStyle(name) : nullptr;
    zq::Color color;
    if (es == nullptr || !es->GetFillColor(color)) return;
    color_ = std::make_unique<zq::Color>(color);
    lineStyle_ = std::make_unique<ICanvas::LineStyle>();
    lineStyle_->width = 1;
    lineStyle_->systemColor = 0;
    lineStyle_->value = uint32_t(color.red) | uint32_t(color.green) << 8 | uint32_t(color.blue) << 16;
}

UsageRecord::UsageRecord(const std::vector<Core::ElementPtr>& elements)
{
    Use(DirectoryName::Base());
    for (const Core::ElementPtr& e : elements) {
        if (auto* es = zq::Cast<const IElementStyleClient>(e.get())) {
            if (std::wstring name = es->GetElementStyle(); !name.empty()) elementStyles_.push_back(std::move(name));
        }
        if (auto* client = zq::Cast<const IStyleClient>(e.get())) client->CollectDirectoryNames(*this);
    }
}

void UsageRecord::Use(const DirectoryName& name)
{
    if (!IsUsed(name)) names_.push_back(&name);
}

bool UsageRecord::IsUsed(const DirectoryName& name) const
{
    return std::find(names_.begin(), names_.end(), &name) != names_.end();
}

bool UsageRecord::IsElementStyleUsed(const std::wstring& name) const
{
    return std::find(elementStyles_.begin(), elementStyles_.end(), name) != elementStyles_.end();
}

void MergePastedStyle(Core::Env& env, const std::vector<Core::ElementPtr>& pasted)
{
    auto isPasted = [&](const Core::IModelElement* e) {
        return std::any_of(pasted.begin(), pasted.end(), [&](const Core::ElementPtr& p) { return p.get() == e; });
    };
    Style* target = nullptr;
    for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
        auto* s = zq::Cast<Style>(e.get());
        if (s != nullptr && !s->IsDeleted() && !isPasted(s)) {
            target = s;
            break;
        }
    }
    if (target == nullptr) target = Style::Create(env).get();
    Style* source = nullptr;
    for (const Core::ElementPtr& e : pasted)
        if ((source = zq::Cast<Style>(e.get())) != nullptr) break;
    if (source == nullptr) return;

    const UsageRecord usage(pasted);
    source->MergeInto(env, &usage, false, *target);
    const bool same = source->Equals(*target);
    for (const Core::ElementPtr& e : pasted) {
        if (auto* client = zq::Cast<IStyleClient>(e.get())) {
            client->SetStyle(env, target);
            if (!same) client->StyleChanged(env, DirectoryName::Base());
        }
    }
    source->Delete(env);
}

} // namespace Style
