// Merging connectors of one kind into each other, fusing joins, and handing the ends that lie on
// a segment to another segment.
#pragma once

#include "view/connector/Interfaces.h"

#include <vector>

namespace Connector::Functions {

// Moves every end lying on the segment from onto the segment to, with what else rests on it.
void GiveAttachedEnds(Core::Env& env, ISegment& from, ISegment& to);
// The ends lying on the segments go to inner when they lie on the stretch between the points a and
// b of the line, else to outer.
void SpreadAttachedEnds(Core::Env& env, const std::vector<ISegment*>& segments, ISegmentEnd& a, ISegmentEnd& b,
                        ISegment& inner, ISegment& outer);
// The end's segment ends at the join instead; the end goes; the end's connector merges into the join's.
void MergeEndIntoJoin(Core::Env& env, IEnd& end, IJoin& join);
// The segment is cut at a new join at the end's point, where the end's segment now ends; the ends
// lying on the segment go to the half on their side.
void MergeEndIntoSegment(Core::Env& env, IEnd& end, ISegment& segment);
// Both ends are replaced by one join at the attaching end's point; the connectors merge.
void MergeEnds(Core::Env& env, IEnd& attaching, IEnd& target);
// The segments of removed (but the one linking the two joins) move to kept; the link goes.
void FuseJoins(Core::Env& env, IJoin& kept, IJoin& removed);
// Whether the terminal holds the point: it lies between the outline's points level with it on its
// left and on its right, more than margin inside them (a negative margin takes in that much beyond).
bool Holds(const Core::ITerminal& terminal, const zq::float8Point& point, double margin);
// The point of the terminal on the line through `line` (level, or plumb) that an orthogonal segment
// meets square, or false when the outline does not cross that line (a line that only touches it,
// along a border or at a corner).
bool OnTerminalLine(const Core::IModelElement* terminal, const zq::float8Point& line, bool horizontal,
                    zq::float8Point& out);
// Replaces the end by joins at the bends and a new end at its position: its segment runs to the
// first bend, new segments on through the others to the new end on the terminal.
void InsertBends(Core::Env& env, IEnd& end, const std::vector<zq::float8Point>& bends);
// Whether another end of the end's connector lies inside the terminal: the path runs inside it by
// right (a substate's transition to its composite state).
bool HoldsAnotherEnd(const Core::ITerminal& terminal, const IEnd& end);

} // namespace Connector::Functions
