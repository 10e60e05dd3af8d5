// Static names of style directories, their process-wide registry and the collector of used names.
#pragma once

#include <string>
#include <string_view>

namespace Style {

class DirectoryName;

// Records which directory names a set of elements uses.
class IUsageCollector {
public:
    virtual ~IUsageCollector() = default;
    // Records the name as used.
    virtual void Use(const DirectoryName& name) = 0;
};

// The static, never-changing name of a style directory: a text and a parent name (none for the
// root "Base"). Names are compared by address: one text may stand under several parents.
class DirectoryName {
public:
    // A name below parent (none only for the root).
    DirectoryName(std::wstring name, const DirectoryName* parent) : name_(std::move(name)), parent_(parent) {}
    DirectoryName(const DirectoryName&) = delete;
    DirectoryName& operator=(const DirectoryName&) = delete;

    // The display and stored text.
    const std::wstring& GetName() const { return name_; }
    // The parent name, none for the root.
    const DirectoryName* GetParent() const { return parent_; }
    // Whether other is this name or lies below it.
    bool Contains(const DirectoryName& other) const;

    // The root name "Base".
    static const DirectoryName& Base();
    // Calls collector.Use for every name from the root down to name, root first.
    static void VisitFromRoot(IUsageCollector& collector, const DirectoryName& name);

private:
    std::wstring name_;
    const DirectoryName* parent_;
};

// The process-wide list of every directory name the element kinds use; the reader resolves
// stored directory texts through it.
class DirectoryNameRegistry {
public:
    // The one registry of the process.
    static DirectoryNameRegistry& Instance();
    // Adds the name, its missing ancestors first; a listed name is not added again.
    virtual void Add(const DirectoryName& name) = 0;
    // The registered name with that text below parent; UnknownStyleDirectory with the line otherwise.
    virtual const DirectoryName& Find(int line, std::wstring_view text, const DirectoryName* parent) const = 0;
    // Whether the name is registered.
    virtual bool Contains(const DirectoryName& name) const = 0;
    virtual ~DirectoryNameRegistry() = default;
};

} // namespace Style
