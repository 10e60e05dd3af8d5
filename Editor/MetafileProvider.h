// The pictures of an embedded diagram for its container: Enhanced Metafile, metafile picture and PNG.
#pragma once

#include "app/DataTransfer.h"
#include "core/Diagram.h"

namespace Editor {

// A new provider (no reference held yet) of the diagram's pictures; it keeps a read-only view
// attached to the diagram while it lives, so that every rendering shows the diagram as it is then.
Application::IFormatProvider* CreateMetafileProvider(Core::Diagram& diagram);

} // namespace Editor
