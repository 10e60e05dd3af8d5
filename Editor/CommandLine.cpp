#include "Editor/CommandLine.h"

#include "Editor/NameCompare.h"

#include "app/winutil/Files.h"
#include "app/winutil/Platform.h"

#include <cwctype>

namespace Editor {

namespace {

bool IsSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }

// Reads one token at pos (whitespace before it skipped); answers false at the end of the text.
bool NextToken(const std::wstring& text, size_t& pos, std::wstring& token) {
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    if (pos >= text.size()) return false;
    token.clear();
    if (text[pos] == L'"') {
        size_t close = text.find(L'"', pos + 1);
        size_t end = close == std::wstring::npos ? text.size() : close;
        token.assign(text, pos + 1, end - pos - 1);
        pos = close == std::wstring::npos ? text.size() : close + 1;
        return true;
    }
    size_t start = pos;
    while (pos < text.size() && !IsSpace(text[pos])) ++pos;
    token.assign(text, start, pos - start);
    return true;
}

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "C:\x", "C:/x" and "\\server\share" name a path that needs no directory.
bool IsFullyQualified(const std::wstring& name) {
    if (name.size() >= 2 && IsSlash(name[0]) && IsSlash(name[1])) return true;
    return name.size() >= 3 && IsDriveLetter(name[0]) && name[1] == L':' && IsSlash(name[2]);
}

// SearchPathW in the one directory, with the default extension appended to names without one.
std::wstring SearchDocument(const std::wstring& directory, const std::wstring& name) {
    std::wstring found(MAX_PATH + 1, L'\0');
    for (;;) {
        DWORD length = SearchPathW(directory.empty() ? L".\\" : directory.c_str(), name.c_str(), L".qvd",
                                   static_cast<DWORD>(found.size()), found.data(), nullptr);
        if (length == 0) return {};
        if (length < found.size()) {
            found.resize(length);
            return found;
        }
        found.resize(length + 10);
    }
}

std::wstring FullPathName(const std::wstring& path) {
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return full;
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::vector<std::wstring> SplitTokens(const std::wstring& text) {
    std::vector<std::wstring> tokens;
    size_t pos = 0;
    std::wstring token;
    while (NextToken(text, pos, token)) tokens.push_back(token);
    return tokens;
}

std::wstring ResolveDocumentPath(const std::wstring& directory, const std::wstring& name) {
    if (name.empty()) return {};
    std::wstring found = SearchDocument(directory, name);
    if (!found.empty() && FileExists(found)) return WinUtil::ResolveShellLink(FullPathName(found));
    std::wstring path;
    if (IsFullyQualified(name) || directory.empty()) {
        path = name;
    } else if (IsSlash(name[0])) {
        // Rooted on the drive (or share) of the directory.
        path = (directory.size() >= 2 && directory[1] == L':') ? directory.substr(0, 2) + name : name;
    } else if (name.size() >= 2 && name[1] == L':') {
        path = name;  // "D:x" is relative to that drive's own current directory
    } else {
        path = directory;
        if (!IsSlash(path.back())) path += L'\\';
        path += name;
    }
    return FullPathName(path);
}

OpenRequest ParseCommandLine(const std::wstring& directory, const std::wstring& commandLine) {
    OpenRequest request;
    size_t pos = 0;
    std::wstring token;
    NextToken(commandLine, pos, token);  // the program name
    while (pos < commandLine.size() && IsSpace(commandLine[pos])) ++pos;
    if (pos < commandLine.size() && (commandLine[pos] == L'-' || commandLine[pos] == L'/')) {
        size_t start = ++pos;
        while (pos < commandLine.size() && !IsSpace(commandLine[pos]) && commandLine[pos] != L'"') ++pos;
        std::wstring word = commandLine.substr(start, pos - start);
        if (EqualsNoCase(word, L"embedding") || EqualsNoCase(word, L"embed")) {
            request.serverOnly = true;
        } else if (word == L"p" || word == L"pt") {
            PrintRequest print;
            NextToken(commandLine, pos, print.path);
            print.path = ResolveDocumentPath(directory, print.path);
            if (word == L"pt") {
                NextToken(commandLine, pos, print.printer);
                NextToken(commandLine, pos, print.driver);
                NextToken(commandLine, pos, print.port);
            }
            request.print = std::move(print);
        } else {
            request.newDocument = true;  // any other switch: a new document, the rest ignored
        }
        return request;
    }
    while (NextToken(commandLine, pos, token)) {
        std::wstring path = ResolveDocumentPath(directory, token);
        if (!path.empty()) request.paths.push_back(path);
    }
    request.newDocument = request.paths.empty();
    return request;
}

} // namespace Editor
