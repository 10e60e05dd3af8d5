// The directory names of every element kind and the directories each kind creates, with the preset
// fonts of the levels it creates first.
#pragma once

#include "style/DirectoryName.h"

namespace Core {
class Env;
}

namespace Style {

class Style;

namespace Names {
const DirectoryName& ClassDiagram();
const DirectoryName& Association();
const DirectoryName& MultiplicityRole();
const DirectoryName& Package();
const DirectoryName& ClassQualifier();
const DirectoryName& Class();
const DirectoryName& ClassHeader();
const DirectoryName& ClassAttachedText();
const DirectoryName& ClassCompartment();
const DirectoryName& TemplateParameters();
const DirectoryName& ObjectDiagram();
const DirectoryName& Object();
const DirectoryName& ObjectHeader();
const DirectoryName& ObjectCompartment();
const DirectoryName& Link();
const DirectoryName& ObjectRole();
const DirectoryName& ObjectQualifier();
const DirectoryName& UseCaseDiagram();
const DirectoryName& Actor();
const DirectoryName& UseCase();
const DirectoryName& System();
const DirectoryName& SequenceDiagram();
const DirectoryName& SequenceObject();
const DirectoryName& Message();
const DirectoryName& StateDiagram();
const DirectoryName& State();
const DirectoryName& StateHeader();
const DirectoryName& StateCompartment();
const DirectoryName& ConcurrentRegion();
const DirectoryName& Transition();
const DirectoryName& Dependency();
const DirectoryName& Note();
const DirectoryName& FreeText();
} // namespace Names

// The element kinds that create style directories.
enum class StyledKind {
    Class, ClassCompartment, TemplateParameters, Association, Package, ClassQualifier,
    Object, ObjectCompartment, Link, ObjectQualifier,
    Actor, UseCase, System,
    SequenceObject, Message,
    State, StateCompartment, RegionSeparator, Transition,
    Dependency, Note, FreeText,
};

// Adds the directory names the kind uses to the registry (with their ancestors).
void RegisterDirectoryNames(StyledKind kind);
// Adds the directory names of every kind to the registry.
void RegisterAllDirectoryNames();
// Creates the kind's directories in the style when missing, walking down from the root; each
// level the walk creates gets a font: the kind's preset for it, else every value inherited.
void CreateKindDirectories(Core::Env& env, Style& style, StyledKind kind);

} // namespace Style
