#pragma once
// Uniscribe shaping of text runs: items in visual order, glyphs fitted to the layout's advances.
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "app/winutil/Platform.h"

namespace TextBlock {

// The text's UTF-16 units as the wide characters the system calls take.
inline const wchar_t* Wide(std::u16string_view s) { return reinterpret_cast<const wchar_t*>(s.data()); }

// The glyphs of one script item shaped for one device context.
struct ShapedRunPiece {
  SCRIPT_ANALYSIS analysis{};
  std::vector<WORD> glyphs;
  std::vector<int> advances;
  std::vector<GOFFSET> offsets;
  std::vector<SCRIPT_VISATTR> visAttrs;
  std::vector<WORD> clusters;  // per unit: the glyph its cluster starts at (Uniscribe's logical clusters)
  int width = 0;
};

// The glyphs of one run shaped for one device context, in visual order of its script items.
struct ShapedRun {
  using Piece = ShapedRunPiece;
  std::vector<Piece> pieces;  // visual order, left to right
  int width = 0;              // device units
};

// One script item of a run: units [begin, end) of the run and how Uniscribe analysed them.
struct RunItem {
  std::size_t begin = 0;
  std::size_t end = 0;
  SCRIPT_ANALYSIS analysis{};
};

// The run's script items in visual order; level >= 0 gives every item that bidi level (a run of a
// laid-out line reads in one direction), level < 0 lets the itemizer resolve levels itself.
std::vector<RunItem> ItemizeRun(std::u16string_view run, int level = -1);

// Shapes and places one item with the font currently selected into dc; throws when shaping fails.
ShapedRun::Piece ShapeItem(HDC dc, SCRIPT_CACHE& cache, std::u16string_view chars, SCRIPT_ANALYSIS analysis);

// Shapes the run with the font currently selected into dc (itemize with digit substitution, shape, place).
ShapedRun ShapeRun(HDC dc, SCRIPT_CACHE& cache, std::u16string_view run);

// Appends next, the piece drawn right after piece in the same font, when one ScriptTextOut draws both
// as two would: both left to right, of scripts that need no shaping in context, glyph indices alike.
// The glyphs keep their places. False, changing nothing, otherwise.
bool JoinPieces(ShapedRun::Piece& piece, const ShapedRun::Piece& next);

// Sets the piece's glyph advances so that together they are width wide, keeping their proportions.
void FitPiece(ShapedRun::Piece& piece, int width);

// Sets the piece's glyph advances so that each cluster takes the widths of its units (one per unit,
// logical order), its glyphs keeping their proportions: every character stands where the layout
// put it. Without a cluster map that fits the units the piece is fitted whole.
void FitClusters(ShapedRun::Piece& piece, std::span<const int> widths);

// Device advances per unit of a run: the layout's advances at the scale, rounded so that every
// unit's edge lands on the pixel nearest its exact place (no error builds up along the run).
std::vector<int> DeviceAdvances(const std::vector<double>& advances, double scale);

// Draws one shaped item with ScriptTextOut from the baseline point (x, y), in the font it was shaped with.
void DrawShapedPiece(HDC dc, SCRIPT_CACHE& cache, const ShapedRunPiece& piece, int x, int y);

}  // namespace TextBlock
