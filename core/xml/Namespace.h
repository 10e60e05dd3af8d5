// XML namespaces of documents: a namespace is identified by its URI; its prefix is the one the
// writer uses for attributes and elements outside the document's default namespace.
#pragma once

#include <string_view>

namespace xml {

struct Namespace {
    std::wstring_view uri;     // identity
    std::wstring_view prefix;  // written before names outside the default namespace
    friend constexpr bool operator==(const Namespace& a, const Namespace& b) { return a.uri == b.uri; }
};

// The first schema namespace: the document's default namespace (element names and most attributes).
inline constexpr Namespace kSchema10{L"http://quorvel.example/schema/1.0", L"q"};
// The second schema namespace, declared on the root with the prefix "q1v3".
inline constexpr Namespace kSchema13{L"http://quorvel.example/schema/1.3", L"q1v3"};

// The root element's name and the product version it carries.
inline constexpr std::wstring_view kRootElement = L"Diagram";
inline constexpr std::wstring_view kProductVersionAttribute = L"ProductVersion";
inline constexpr std::wstring_view kProductVersion = L"1.3.4";

} // namespace xml
