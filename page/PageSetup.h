// The working copy the page setup dialog edits: the page's values as observable properties, the
// matching of paper sizes, the range check of typed values, and the one-step write back on OK.
#pragma once

#include "core/Transaction.h"
#include "drawing/PageLayout.h"
#include "page/Page.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace Core {
class Diagram;
}

namespace Page {

class Page;
class IProperty;

// Told when a property's value changes.
class IPropertyObserver {
public:
    virtual ~IPropertyObserver() = default;
    virtual void OnPropertyChanged(const IProperty& property) = 0;
};

// A value with observers.
class IProperty {
public:
    virtual ~IProperty() = default;
    void AddObserver(IPropertyObserver& o) { observers_.push_back(&o); }
    void RemoveObserver(IPropertyObserver& o) { observers_.erase(std::remove(observers_.begin(), observers_.end(), &o), observers_.end()); }

protected:
    void Notify() const {
        for (IPropertyObserver* o : std::vector<IPropertyObserver*>(observers_)) o->OnPropertyChanged(*this);
    }

private:
    std::vector<IPropertyObserver*> observers_;
};

// A property holding one value; setting an equal value notifies nobody.
template <class T>
class SimpleProperty : public IProperty {
public:
    explicit SimpleProperty(T v = T()) : value_(v) {}
    const T& Get() const { return value_; }
    void Set(const T& v) {
        if (v == value_) return;
        value_ = v;
        Notify();
    }

private:
    T value_;
};

// One paper a printer offers: its name, code and size in 0.1 mm, portrait.
struct Paper {
    std::wstring name;
    int code = 0;
    int width = 0;
    int height = 0;
};

// The ranges of the dialog's fields, in the properties' units.
namespace FieldRange {
inline constexpr double kMinPaperSide = Limits::kMinPaperSide, kMaxLength = 1000000;  // 0.01 mm
inline constexpr double kMinScale = 1, kMaxScale = 1000;                             // percent
inline constexpr int kMinSheets = 1, kMaxSheets = Limits::kMaxRowsOrColumns;
} // namespace FieldRange

// The page's values while the dialog runs. The page is taken (made when missing) in a transaction
// that stays open: nothing is recorded unless WriteBack runs with a change.
class PageSetup : private IPropertyObserver {
public:
    explicit PageSetup(Core::Diagram& diagram);
    ~PageSetup() override;
    PageSetup(const PageSetup&) = delete;
    PageSetup& operator=(const PageSetup&) = delete;

    SimpleProperty<int> paperCode;
    SimpleProperty<double> width, height;  // 0.01 mm, portrait
    SimpleProperty<bool> landscape;
    SimpleProperty<double> leftMargin, topMargin, rightMargin, bottomMargin;
    SimpleProperty<double> cutRight, cutBottom, glueLeft, glueTop;
    SimpleProperty<double> scale;  // percent
    SimpleProperty<int> rows, columns;

    // Whether any property changed since the dialog opened.
    bool IsChanged() const { return changed_; }
    // Observers of every change (the preview).
    void AddObserver(IPropertyObserver& o) { observers_.push_back(&o); }
    void RemoveObserver(IPropertyObserver& o) { observers_.erase(std::remove(observers_.begin(), observers_.end(), &o), observers_.end()); }
    // The values as the record a canvas and the preview use.
    PageLayout GetLayout() const;
    // Whether every value lies in its field's range (the dialog's OK is enabled only then).
    bool IsInRange() const;
    // Writes a changed working copy into the page as one undo step.
    void WriteBack();

    // The displayed width (height when landscape) and displayed height, 0.01 mm.
    double ShownWidth() const { return landscape.Get() ? height.Get() : width.Get(); }
    double ShownHeight() const { return landscape.Get() ? width.Get() : height.Get(); }
    // Sets from the displayed sides.
    void SetShownWidth(double v) { (landscape.Get() ? height : width).Set(v); }
    void SetShownHeight(double v) { (landscape.Get() ? width : height).Set(v); }
    // Takes code and size of the paper (size in 0.1 mm).
    void TakePaper(const Paper& paper);

private:
    void OnPropertyChanged(const IProperty& property) override;
    std::vector<IProperty*> All();

    Core::Diagram& diagram_;
    Core::Transaction transaction_;
    Core::Env env_;
    Page* page_;
    bool changed_ = false;
    std::vector<IPropertyObserver*> observers_;
};

// The paper entry matching code and size (0.01 mm): the first of the code within 5 mm on both sides;
// -1 for "User Defined Size".
int MatchingPaper(const std::vector<Paper>& papers, int code, double width, double height);

} // namespace Page
