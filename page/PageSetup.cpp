#include "page/PageSetup.h"

#include "core/Diagram.h"
#include "core/UndoHandler.h"
#include "page/Page.h"
#include "core/foundation/Geometry.h"

#include <cmath>

namespace Page {

using zq::Round;

namespace {

bool In(double v, double lo, double hi)
{
    return v >= lo && v <= hi;
}

} // namespace

PageSetup::PageSetup(Core::Diagram& diagram)
    : diagram_(diagram), transaction_(diagram), env_(transaction_), page_(&FindOrCreatePage(env_))
{
    const zq::Rect m = page_->GetMargins();
    const zq::Rect cg = page_->GetCutGlueMargins();
    paperCode.Set(page_->GetSize());
    width.Set(page_->GetWidth());
    height.Set(page_->GetHeight());
    landscape.Set(page_->IsLandscape());
    leftMargin.Set(m.left);
    topMargin.Set(m.top);
    rightMargin.Set(m.right);
    bottomMargin.Set(m.bottom);
    glueLeft.Set(cg.left);
    glueTop.Set(cg.top);
    cutRight.Set(cg.right);
    cutBottom.Set(cg.bottom);
    scale.Set(page_->GetScale() * 100);
    rows.Set(page_->GetRows());
    columns.Set(page_->GetColumns());
    for (IProperty* p : All()) p->AddObserver(*this);
}

PageSetup::~PageSetup() = default;  // an open transaction rolls back (Cancel, OK without change)

std::vector<IProperty*> PageSetup::All()
{
    return {&paperCode, &width, &height, &landscape, &leftMargin, &topMargin, &rightMargin, &bottomMargin,
            &cutRight, &cutBottom, &glueLeft, &glueTop, &scale, &rows, &columns};
}

void PageSetup::OnPropertyChanged(const IProperty& property)
{
    changed_ = true;
    for (IPropertyObserver* o : std::vector<IPropertyObserver*>(observers_)) o->OnPropertyChanged(property);
}

PageLayout PageSetup::GetLayout() const
{
    PageLayout l;
    l.width = width.Get();
    l.height = height.Get();
    l.landscape = landscape.Get() ? 1 : 0;
    l.scale = scale.Get() / 100;
    l.rows = rows.Get();
    l.columns = columns.Get();
    l.margins = {leftMargin.Get(), topMargin.Get(), rightMargin.Get(), bottomMargin.Get()};
    l.cutGlueMargins = {glueLeft.Get(), glueTop.Get(), cutRight.Get(), cutBottom.Get()};
    return l;
}

bool PageSetup::IsInRange() const
{
    using namespace FieldRange;
    for (double v : {width.Get(), height.Get()})
        if (!In(v, kMinPaperSide, kMaxLength)) return false;
    for (double v : {leftMargin.Get(), topMargin.Get(), rightMargin.Get(), bottomMargin.Get(), cutRight.Get(),
                     cutBottom.Get(), glueLeft.Get(), glueTop.Get()})
        if (!In(v, 0, kMaxLength)) return false;
    return In(scale.Get(), kMinScale, kMaxScale) && In(rows.Get(), kMinSheets, kMaxSheets) &&
           In(columns.Get(), kMinSheets, kMaxSheets);
}

void PageSetup::TakePaper(const Paper& paper)
{
    paperCode.Set(paper.code);
    width.Set(paper.width * 10.0);
    height.Set(paper.height * 10.0);
}

void PageSetup::WriteBack()
{
    if (!changed_) return;
    changed_ = false;
    page_->SetSize(env_, paperCode.Get());
    page_->SetWidth(env_, Round(width.Get()));
    page_->SetHeight(env_, Round(height.Get()));
    page_->SetLandscape(env_, landscape.Get());
    page_->SetMargins(env_, {Round(leftMargin.Get()), Round(topMargin.Get()), Round(rightMargin.Get()),
                             Round(bottomMargin.Get())});
    page_->SetCutGlueMargins(env_, {Round(glueLeft.Get()), Round(glueTop.Get()), Round(cutRight.Get()),
                                    Round(cutBottom.Get())});
    page_->SetRows(env_, rows.Get());
    page_->SetColumns(env_, columns.Get());
    page_->SetScale(env_, scale.Get() / 100);
    diagram_.GetUndoHandler().Add(env_.Close(), nullptr, nullptr, false);
    diagram_.UpdateAllViewsIfIdle();
}

int MatchingPaper(const std::vector<Paper>& papers, int code, double width, double height)
{
    const int w = Round(width * 0.1);
    const int h = Round(height * 0.1);
    for (std::size_t i = 0; i < papers.size(); ++i) {
        const Paper& p = papers[i];
        if (p.code == code && w >= p.width - 50 && w < p.width + 50 && h >= p.height - 50 && h < p.height + 50)
            return int(i);
    }
    return -1;
}

} // namespace Page
