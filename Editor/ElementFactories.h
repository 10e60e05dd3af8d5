// What every diagram of the editor is made of: the element factories through which the reader
// creates elements, and the content of a new diagram.
#pragma once

#include "core/Diagram.h"
#include "core/Factory.h"

namespace Editor {

// Registers the factories of every element kind the editor reads and writes.
void RegisterElementFactories(Core::FactoryRegistry& registry);

// Lets every canvas view show the elements that have no view of their own kind: the page through
// its frame, texts and free texts through their text views. Safe to call more than once.
void RegisterViewMakers();

// Fills a new, empty diagram with its default content, as one change that is not undoable.
void FillNewDiagram(Core::Diagram& model);

} // namespace Editor
