#pragma once
// What a package contains: classes and packages lying inside its body.
#include "core/Interfaces.h"

namespace Class {

class Package;

// A class or package that a package can contain; which package follows from the geometry.
class IPackagePart : public Core::IUpdateContainer {
public:
    // Moves the part into the package (none: the diagram); the old package drops it, the new one
    // lists it (undoable); nothing when deleted or unchanged.
    virtual void SetContainingPackage(Core::Env& env, Package* package) = 0;
    // The package directly around the part, or none.
    virtual Package* GetContainingPackage() const = 0;
};

// The package that contains the rectangle (edges included) with the highest weight at its
// top-left corner; on equal weights the present package (if it is one of them), else the first in
// diagram order; none when none does. The package skip (if any) is left out.
Package* FindContainingPackage(Core::Env& env, const zq::Rect& rect, const Core::IModelElement* skip,
                               const Package* present);

} // namespace Class
