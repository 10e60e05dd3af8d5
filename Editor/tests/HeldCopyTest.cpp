// Copies made by a Ctrl drag, with real X input in a started editor, seen while the button is held:
// every kind of element a Ctrl drag copies (note, free text, class, object, state, use case, actor,
// package, system) is drawn whole with its text where the pointer holds it, in its own window and in
// another document's window, and the held pane shows what a window opened on the document after
// the drop shows, but for the dashed image and the selection's marks.
#include "Editor/tests/HeldDrag.h"
#include "core/Interfaces.h"
#include "elements/usecase/Actor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace HeldCopyTest {
namespace {

using namespace EditorTest;
using namespace HeldDrag;

// Where the pane's drawing starts: a note without text at the top left of every document.
const zq::Rect kCorner{1000, -1000, 2000, -1600};
const char* const kCornerNote = "<Note id=\"r2\" Pos=\"1000 -1000\" Size=\"1000 600\"/>\n";
// A row: the diagram type, the copied element as stored (its top-left corner at 4000, -3000, right of
// and below the corner note), and whether it is taken
// by its border (a container), else in its middle.
struct Copied {
    const char* name;
    int type;
    std::string element;
    bool byBorder;
};

void PrintTo(const Copied& row, std::ostream* out) { *out << row.name; }

// Where the copy is dropped: in its own window, or in another document's window beside it.
enum class Into { Own, Other };

const Copied kCopied[] = {
    {"Note", 1, "<Note id=\"r3\" Pos=\"4000 -3000\" Size=\"3000 1200\"><Text>note text</Text></Note>\n", false},
    {"FreeText", 1, "<FreeText id=\"r3\" Pos=\"4000 -3000\" Origin=\"1\"><Text>free text</Text></FreeText>\n", false},
    {"Class", 1, "<Class id=\"r3\" Pos=\"4000 -3000\" Size=\"3000 1500\"><Text>Widget</Text></Class>\n", false},
    {"Object", 2, "<Object id=\"r3\" Pos=\"4000 -3000\" Size=\"3000 1500\"><Text>a : A</Text></Object>\n", false},
    {"State", 5, "<State id=\"r3\" Pos=\"4000 -3000\" Size=\"3000 1500\"><Text>Idle</Text></State>\n", false},
    {"UseCase", 3, "<UseCase id=\"r3\" Pos=\"4000 -3000\" Size=\"3000 1000\"><Text>Withdraw</Text></UseCase>\n", false},
    {"Actor", 3, "<Actor id=\"r3\" Pos=\"4000 -3000\" Size=\"1100 1400\"><Text>Clerk</Text></Actor>\n", false},
    {"Package", 1, "<Package id=\"r3\" Pos=\"4000 -3000\" Size=\"3000 1500\"><Text>shop</Text></Package>\n", true},
    {"System", 3, "<System id=\"r3\" Pos=\"4000 -3000\" Size=\"3000 1500\"><Text>Bank</Text></System>\n", true},
};

// An element that lies on the diagram itself: its bounding rectangle, and the rectangle its drag
// image outlines (an actor's takes its name in).
struct Placed {
    zq::Rect rect, image;
};

// The elements on the diagram itself, but the corner note, from left to right: the original and
// then its copy.
std::vector<Placed> PlacedIn(const Core::Diagram& model) {
    std::vector<Placed> found;
    for (const Core::ElementPtr& e : model.Elements()) {
        const auto* pointable = dynamic_cast<const Core::IPointable*>(e.get());
        zq::Rect r;
        if (e->IsDeleted() || e->GetOwner() != nullptr || !pointable || !pointable->GetBoundingRect(r)) continue;
        if (r.TopLeft() == kCorner.TopLeft()) continue;
        zq::Rect image = r;
        if (const auto* actor = dynamic_cast<const UseCase::Actor*>(e.get())) {
            const zq::Rect name = actor->GetNameRect();
            image = {std::min(r.left, name.left), r.top, std::max(r.right, name.right), std::min(r.bottom, name.bottom)};
        }
        found.push_back({r, image});
    }
    std::sort(found.begin(), found.end(), [](const Placed& a, const Placed& b) { return a.rect.left < b.rect.left; });
    return found;
}

// The rightmost column of dark pixels in the picture, or -1.
int DarkRight(const PanePixels& shot) {
    for (int x = shot.Width() - 1; x >= 0; --x)
        for (int y = 0; y < shot.Height(); ++y)
            if (shot.Dark(x, y)) return x;
    return -1;
}

class HeldCopy : public DragFeedback, public ::testing::WithParamInterface<std::tuple<Copied, Into>> {
protected:
    // Starts the editor on the source document and, dropping into another, the target document
    // beside it; the fixture's window and pane are the target's.
    void OpenBoth(const Copied& row, Into into) {
        const std::string source = DiagramDocument(row.type, std::string(kCornerNote) + row.element);
        file_ = folder_.AddFile(L"source.qvd", source);
        std::wstring line = L"\"" + EditorPath() + L"\" source.qvd";
        std::wstring target;
        if (into == Into::Other) {
            target = folder_.AddFile(L"target.qvd", DiagramDocument(row.type, kCornerNote));
            line += L" target.qvd";
        }
        ASSERT_TRUE(editor_.Start(line, folder_.Path()));
        ASSERT_TRUE(WaitFor([&] {
            return (source_ = WindowOfPath(editor_.Id(), file_)) && (target.empty() || WindowOfPath(editor_.Id(), target));
        }));
        TextBlock::InstallUniscribeMeasurer();
        model_ = std::make_unique<ReadBack>(file_);
        model_->storage.reset();
        ASSERT_EQ(model_->warnings, 0u);
        if (into == Into::Own) {
            ASSERT_NE(sourcePane_ = pane_ = PlaceLarge(frame_ = source_), nullptr);
            return;
        }
        frame_ = WindowOfPath(editor_.Id(), target);
        file_ = target;
        ASSERT_NE(pane_ = PlaceHalf(frame_, true), nullptr);
        ASSERT_NE(sourcePane_ = PlaceHalf(source_, false), nullptr);
    }

    HWND source_ = nullptr, sourcePane_ = nullptr;
};

// While held, the copy shows whole at the pointer, its text in its box, and the pane equals a window
// opened on the document after the drop; the original stays where it was.
TEST_P(HeldCopy, TheCopyIsDrawnWholeWithItsTextWhereItIsHeld) {
    const auto& [row, into] = GetParam();
    ASSERT_NO_FATAL_FAILURE(OpenBoth(row, into));
    const std::vector<Placed> placed = PlacedIn(*model_->model);
    ASSERT_EQ(placed.size(), 1u);
    const zq::Rect r = placed[0].rect;
    const PaneMap from{kCorner, ShownDark(sourcePane_)}, map{kCorner, ShownDark(pane_)};
    const POINT grab = row.byBorder ? from.At({r.left, (r.top + r.bottom) / 2}, 3)
                                    : from.At({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    // The copy lands 160 pixels right of and 60 below the place of the original in the pane.
    constexpr int dx = 160, dy = 60;
    POINT start = grab, to{grab.x - from.shown.left + map.shown.left + dx, grab.y - from.shown.top + map.shown.top + dy};
    ClientToScreen(sourcePane_, &start);
    ClientToScreen(pane_, &to);
    const int right = DarkRight(PanePixels(sourcePane_)) - from.shown.left + map.shown.left + dx;
    std::optional<PanePixels> last;
    bool seen = false;
    HeldPicture p{HoldDragOnScreen(start, to, [&](const PanePixels& s) {
                      seen = DarkRight(s) >= right - 10 && last && SamePixels(*last, s);
                      last = s;
                      return seen;
                  }, true),
                  PanePixels(pane_), {}, nullptr};
    EXPECT_TRUE(seen) << "no steady copy at the pointer while the button is held";
    p.saved = SaveAndRead();
    const std::vector<Placed> dropped = PlacedIn(*p.saved->model);
    ASSERT_EQ(dropped.size(), into == Into::Own ? 2u : 1u) << "no copy";
    const zq::Rect n = dropped.back().rect;
    EXPECT_NEAR(n.left - r.left, dx / kPixelsPerUnit, 200) << "the copy was not dropped where it was held";
    EXPECT_NEAR(n.top - r.top, -dy / kPixelsPerUnit, 200) << "the copy was not dropped where it was held";
    if (into == Into::Own) {
        EXPECT_EQ(dropped[0].rect.TopLeft(), r.TopLeft()) << "the original moved";
    }
    p.reference = FreshWindow(map.shown, p.offset);
    std::vector<RECT> left;
    AddOutline(left, map, n);
    AddOutline(left, map, dropped.back().image);
    if (into == Into::Own) AddOutline(left, map, r);
    const zq::Rect a = placed[0].image, b = dropped.back().image;
    const zq::Rect both{std::min(a.left, b.left), std::max(a.top, b.top), std::max(a.right, b.right),
                        std::min(a.bottom, b.bottom)};
    ExpectAlike(p, Around(map, into == Into::Own ? both : b, 30), left,
                (std::string(row.name) + (into == Into::Own ? " in its window" : " in another document")).c_str());
}

INSTANTIATE_TEST_SUITE_P(EveryCopiedKind, HeldCopy, ::testing::Combine(::testing::ValuesIn(kCopied),
                                                                       ::testing::Values(Into::Own, Into::Other)),
                         [](const ::testing::TestParamInfo<HeldCopy::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Into::Own ? "InItsWindow" : "InAnotherDocument");
                         });

}  // namespace
}  // namespace HeldCopyTest
