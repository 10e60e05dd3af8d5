// Laying a connector's path anew around the boxes it ends on, where a change left it running
// through one of them or along its outline.
#pragma once

#include "view/connector/Interfaces.h"

#include <vector>

namespace Connector::Routing {

// Where a path may start or finish: a point and the direction it leaves in (TraverseDir, or -1 for
// any), the point a leg's length out that way, and what taking it costs beyond the path's length.
struct Port {
    zq::float8Point at;
    int out = -1;
    zq::float8Point beyond;
    double cost = 0;
};

// The distance a path keeps from the boxes it passes, and the length of the leg leaving a box.
constexpr double kClearance = 500;

// The shortest path of level and plumb legs from one of the start ports to one of the finish ports
// that keeps out of the rectangles (edges included), a bend counting as a leg of kClearance * 4;
// its corner points from the start port's point to the finish port's, empty when there is none.
std::vector<zq::float8Point> FindPath(const std::vector<Port>& from, const std::vector<Port>& to,
                                      const std::vector<zq::Rect>& boxes);

// A box a connector's path keeps out of. The box that holds the connector (a note its note
// connectors) is kept out of whole, the cut corner of its outline too, and left on its sides; so
// are the boxes of a line the connector ends on.
struct Box {
    const Core::ITerminal* terminal;
    zq::Rect rect;
    bool whole = false;
};

// The boxes the connector's ends lie on, with the boxes those hang on (a qualifier's class); a box
// that holds another end of the connector (a composite state around its substate) is left out,
// unless it holds the connector; and the boxes the lines it ends on end on, but those it starts in.
std::vector<Box> BoxesOf(const IConnector& c);

// Whether the segment from a to b enters the box or runs along its outline (comes within half a
// unit of it at its points more than 25 units from a and b; of its rectangle for a box kept out of
// whole), or along a side of its rectangle.
bool Enters(const Box& box, const zq::float8Point& a, const zq::float8Point& b);

// Notes which of the elements the running change recorded are boxes it moved, resized or made
// (asked as it closes, while their places before it are known); whether there is one.
bool NoteBoxesMoved(Core::Env& env, const std::vector<Core::ElementPtr>& recorded);

// Whether the running change moved, resized or made the box (as noted).
bool MovedByTheChange(Core::Env& env, const Core::IModelElement& box);

// Records that the running change moved or reshaped a box the connector ends on, and has the
// connectors ending on its lines checked against it.
void NoteBoxChanged(Core::Env& env, const IConnector& c);

// Has the connector checked against its boxes (KeepOffBoxes) once the running change's clean-up
// is done, though no part of it changed.
void CheckAfterChange(Core::Env& env, IConnector& c);

// Where the running change moved or reshaped one of the connector's boxes, lays every stretch of
// it (between its ends and branching joins) that enters or runs along one of its boxes anew
// around them, where a path around them exists, once in the change (a path that the clean-up
// would undo is not fought over); whether it changed. A path the user laid through a box that
// stays where it was is left as it is, and so is a document being read.
bool KeepOffBoxes(Core::Env& env, IConnector& c);

} // namespace Connector::Routing
