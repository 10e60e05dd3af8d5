// Editing operations on single connector parts that the views' commands and handles run: cutting
// a segment at a new join and the "Keep Orthogonal" switch of a segment.
#pragma once

#include "view/connector/Interfaces.h"

namespace Connector {

// Cuts the segment at the point of it nearest to p: a new join there, the segment ends at the
// join and a new segment runs on to the old far end; the ends lying on the segment go to the
// half under them; both halves lose their flags. Answers the join (none on a deleted segment).
IJoin* SplitSegment(Core::Env& env, ISegment& segment, const zq::float8Point& p);

// The menu state of "Keep Orthogonal" for a segment.
struct KeepOrthogonalState {
    bool enabled = false;
    bool checked = false;
};
// Checked when the segment has a flag; enabled in an editable document when it has a flag or its
// ends are level or plumb now.
KeepOrthogonalState GetKeepOrthogonalState(const ISegment& segment, bool editable);
// Switches the segment's flag of the axis its ends lie on: on when it has no flag, else off.
void ToggleKeepOrthogonal(Core::Env& env, ISegment& segment);

} // namespace Connector
