// The "Embed Source" format of an embedded object: the object saves itself into the storage the
// receiver hands in (GetDataHere only).
#pragma once

#include "app/DataTransfer.h"

namespace Editor {

// The registered clipboard format "Embed Source".
CLIPFORMAT EmbedSourceFormat();

// A new provider (no reference held yet) that saves persist (not owned: the object closes the
// data provider before it goes) into the receiver's storage, preceded by the class id.
Application::IFormatProvider* CreateEmbedSourceProvider(IPersistStorage* persist, const CLSID& classId);

} // namespace Editor
