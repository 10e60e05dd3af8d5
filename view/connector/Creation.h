// Building a new connector along a drawn path, as the creation task does when the path is complete.
#pragma once

#include "view/connector/Interfaces.h"

#include <functional>
#include <vector>

namespace Connector {

// One point of a drawn path; orthogonal when the leg that ends at it was drawn as an elbow leg.
struct PathEntry {
    zq::float8Point point;
    bool orthogonal = false;
};

// Builds a connector of the factory's kind along the path: a source end at the first point, a
// join at every inner point, a target end at the last, new segments selected in the change's view.
// The source end goes onto the source (when given); the target end is offered to the target. With
// a target filter the path must end on an element the filter accepts. Answers the connector, or
// none when the path has fewer than two entries or the filter refuses the target: nothing is made.
IConnector* BuildPathConnector(Core::Env& env, IFactory& factory, const std::vector<PathEntry>& path,
                               Core::IModelElement* source, Core::IModelElement* target,
                               const Core::IFilter* targetFilter,
                               const std::function<void(Core::Env&, IEnd&, IEnd&)>& callback = {});

// Where an end of the segment sits on the terminal for the pointer: the level candidate for an H
// segment, the plumb one for V, the nearer of both otherwise (plumb on a tie); the pointer when the
// terminal has no outline.
zq::float8Point PointOnTerminal(const Core::IModelElement& terminal, const zq::float8Point& pointer,
                                 const ISegment* segment);

// Puts a free end carried by a move (a copy's end whose terminal was not copied) onto the terminal
// it was dropped on and attaches it: where its segment, coming from outside, meets the outline when
// it was dropped inside, else at the terminal's point for its place (PointOnTerminal).
void LandOnTerminal(Core::Env& env, IEnd& end, Core::IModelElement& terminal, const zq::float8Point& dropped);

// How the last stretch of a path was drawn: one free leg, or an elbow of two orthogonal legs.
enum class Elbow { kStraight = 0, kVerticalFirst = 1, kHorizontalFirst = 2 };

// Ends the path on the target clicked at the pointer with the stretch from its last point drawn as
// given: the end goes where a level or plumb leg first meets the target's outline (the first leg of
// an elbow, else its second leg from the corner), so that a click inside a box beside the path ends
// straight on the facing edge. When no leg meets it, the end goes onto the target's candidate for
// the pointer (along the elbow's second leg). Appends the entries, elbow legs flagged orthogonal.
void EndPathOnTerminal(std::vector<PathEntry>& path, const Core::IModelElement& target, const zq::float8Point& pointer,
                       Elbow elbow);

} // namespace Connector
