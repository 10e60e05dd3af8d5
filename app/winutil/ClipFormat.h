// Clipboard format ids: registered formats and private ones of this process.
#pragma once

#include "app/winutil/Platform.h"

namespace WinUtil {

// The registered "Embed Source" format (registered once).
CLIPFORMAT GetEmbedSourceClipFormat();
// The registered "PNG" format (registered once).
CLIPFORMAT GetPngClipFormat();
// The registered "Embedded Object" format (registered once).
CLIPFORMAT GetEmbeddedObjectClipFormat();
// The registered "Object Descriptor" format (registered once).
CLIPFORMAT GetObjectDescriptorClipFormat();

// A private clipboard format id of this process: ids are handed out from 0x200 in order of request.
class PrivateClipFormat {
public:
    // Takes the next free private id.
    PrivateClipFormat();
    // The id (CF_PRIVATEFIRST and up).
    CLIPFORMAT Get() const { return id_; }
    operator CLIPFORMAT() const { return id_; }

private:
    CLIPFORMAT id_;
};

} // namespace WinUtil
