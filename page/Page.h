// The page element of a document: paper, orientation, the grid of sheets, margins and drawing scale.
#pragma once

#include "core/Factory.h"
#include "core/Storable.h"
#include "core/foundation/Geometry.h"
#include "drawing/PageLayout.h"

#include <cstdint>
#include <memory>

namespace Core {
class Diagram;
}

namespace Page {

namespace Limits {
inline constexpr int32_t kMaxRowsOrColumns = 20;  // sheets across or down
inline constexpr int32_t kMinPaperSide = 1000;    // 10 mm, in 0.01 mm
// The longest side a printer takes: its DEVMODE holds a side in 0.1 mm in a signed 16-bit field.
inline constexpr int32_t kMaxPrinterPaperSide = 327670;
} // namespace Limits

struct PageRep {
    int32_t size = 1;         // the driver's paper code (1 Letter, 9 A4)
    int32_t width = 21590;    // 0.01 mm, portrait
    int32_t height = 27940;   // 0.01 mm, portrait
    bool landscape = false;
    int32_t rows = 1;
    int32_t columns = 1;
    zq::Rect margins{1016, 1016, 1016, 1016};         // left, top, right, bottom
    zq::Rect cutGlueMargins{1016, 1016, 1016, 1016};  // glue left, glue top, cut right, cut bottom
    double scale = 1.0;
};

// Stored and undone like any element, never copied with a selection.
struct PageTraits {
    static constexpr bool kStored = true;
    static constexpr bool kCopyable = false;
    static constexpr bool kStoredByOwner = false;
};

// The page of a document.
class Page : public Core::Storable<Page, PageRep, PageTraits> {
public:
    static Core::FactoryImp<Page>& Factory();
    static void RegisterProperties(Core::PropertyTable<PageRep>& table);

    int32_t GetSize() const { return GetRep().size; }
    int32_t GetWidth() const { return GetRep().width; }
    int32_t GetHeight() const { return GetRep().height; }
    bool IsLandscape() const { return GetRep().landscape; }
    int32_t GetRows() const { return GetRep().rows; }
    int32_t GetColumns() const { return GetRep().columns; }
    zq::Rect GetMargins() const { return GetRep().margins; }
    zq::Rect GetCutGlueMargins() const { return GetRep().cutGlueMargins; }
    double GetScale() const { return GetRep().scale; }

    // Setters: an undoable write that every view shows at once; nothing when the page is deleted.
    void SetSize(Core::Env& env, int32_t v) { Write(env, &PageRep::size, v); }
    void SetWidth(Core::Env& env, int32_t v) { Write(env, &PageRep::width, v); }
    void SetHeight(Core::Env& env, int32_t v) { Write(env, &PageRep::height, v); }
    void SetLandscape(Core::Env& env, bool v) { Write(env, &PageRep::landscape, v); }
    void SetRows(Core::Env& env, int32_t v) { Write(env, &PageRep::rows, v); }
    void SetColumns(Core::Env& env, int32_t v) { Write(env, &PageRep::columns, v); }
    void SetMargins(Core::Env& env, const zq::Rect& v) { Write(env, &PageRep::margins, v); }
    void SetCutGlueMargins(Core::Env& env, const zq::Rect& v) { Write(env, &PageRep::cutGlueMargins, v); }
    void SetScale(Core::Env& env, double v) { Write(env, &PageRep::scale, v); }

    // The record a canvas receives.
    PageLayout GetLayout() const;

    // Reads the attributes, then refuses values no page can have (AttributeOutOfRange).
    void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;

private:
    // The views of a changed element redraw when it is first changed, before the value is written:
    // the page frames are told again once the new value is in.
    template <class F, class V>
    void Write(Core::Env& env, F PageRep::*field, const V& value) {
        if (SetField(env, field, value)) UpdateViewElements();
    }
};

// The diagram's page (its first element named "Page"), or none.
Page* FindPage(const Core::Diagram& diagram);
// A new page with the defaults, in the environment's transaction.
std::shared_ptr<Page> CreateDefaultPage(Core::Env& env);
// The diagram's page, created with the defaults when it has none.
Page& FindOrCreatePage(Core::Env& env);

} // namespace Page
