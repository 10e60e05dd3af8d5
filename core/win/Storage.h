// Documents in structured storage (compound files, embedded objects): the document lives in the
// stream "quorvel-xml" of the storage as UTF-8 XML.
#pragma once

#include "core/DocumentReader.h"

struct IStorage;

namespace Core {

class IClub;

// The name of the stream that holds the document.
inline constexpr const wchar_t* kStorageStreamName = L"quorvel-xml";

// Reads the document in the storage's stream "quorvel-xml" into the receiver; answers ReadFlags.
// A missing stream or a failing read throws Core::Exceptions::Base and leaves the receiver as it was.
unsigned ReadDiagramFromStorage(IElementReceiver& receiver, IStorage* storage, const ReadOptions& options = {});
// Reads the document in the storage's stream into the diagram.
unsigned ReadDiagramFromStorage(Diagram& diagram, IStorage* storage, const ReadOptions& options = {});
// Writes the source's elements as a document into the stream "quorvel-xml", created or replaced;
// the whole document is made before the stream is touched, so a failing save leaves it as it was.
void WriteDiagramToStorage(IStorage* storage, const IClub& source);

} // namespace Core
