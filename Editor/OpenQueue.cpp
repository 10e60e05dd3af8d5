#include "Editor/OpenQueue.h"

#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"

#include <algorithm>

namespace Editor {

namespace {

constexpr size_t kNamesShown = 20;  // a box taller than the screen helps nobody

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Device names ("\\.\CON", "\\.\pipe\x") never name a document; reading one may block.
bool IsDevicePath(const std::wstring& path) {
    return path.size() >= 4 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/') &&
           path[2] == L'.' && (path[3] == L'\\' || path[3] == L'/');
}

void AppendList(std::wstring& text, const std::vector<std::wstring>& names) {
    for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) text += L"\n" + names[i];
    if (names.size() > kNamesShown) text += L"\n(and " + std::to_wstring(names.size() - kNamesShown) + L" more)";
}

} // namespace

bool IsReadableDocumentFile(const std::wstring& path) {
    if (path.empty() || IsDevicePath(path)) return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool readable = false;
    char head[4096];
    DWORD got = 0;
    if (GetFileType(file) == FILE_TYPE_DISK && ReadFile(file, head, sizeof head, &got, nullptr)) {
        size_t pos = got >= 3 && std::equal(head, head + 3, "\xEF\xBB\xBF") ? 3 : 0;
        while (pos < got && IsBlank(head[pos])) ++pos;
        readable = got == 0 || (pos < got && head[pos] == '<' && std::find(head, head + got, '\0') == head + got);
    }
    CloseHandle(file);
    return readable;
}

std::wstring FormatOpenReport(const std::vector<std::wstring>& unreadable, const std::vector<std::wstring>& overLimit,
                              size_t limit) {
    std::wstring text;
    if (!unreadable.empty()) {
        text += L"Quorvel UML Editor cannot open these files (missing, not readable or not a diagram):";
        AppendList(text, unreadable);
    }
    if (!overLimit.empty()) {
        if (!text.empty()) text += L"\n\n";
        text += L"At most " + std::to_wstring(limit) + L" documents open at once; these were not opened:";
        AppendList(text, overLimit);
    }
    return text;
}

OpenQueue::OpenQueue(Application::LifeTimeSupervisor& parent, Opener open, Reporter report)
    : parent_(parent), open_(std::move(open)), report_(std::move(report)), bindings_(window_.GetDispatcher()) {
    next_ = WinUtil::PrivateMessage::Instance().Allocate();
    bindings_.Add(next_, this, &OpenQueue::OnNext);
    static WinUtil::WindowClass cls(L"QuorvelUML.OpenQueue");
    window_.Create(cls, L"", WS_POPUP);  // never shown: it only receives the queue's messages
}

OpenQueue::~OpenQueue() {
    requests_.clear();
    SetLocked(false);
}

void OpenQueue::Add(const std::vector<std::wstring>& paths) {
    Request request;
    for (const std::wstring& path : paths) {
        if (!IsReadableDocumentFile(path)) request.unreadable.push_back(path);
        else if (request.toOpen.size() < kMaxDocumentsPerRequest) request.toOpen.push_back(path);
        else request.overLimit.push_back(path);
    }
    // One name that cannot be read goes to the opener like the others, whose report gives the
    // reason; only several are gathered into one list, so that a flood of names makes one box.
    if (request.unreadable.size() == 1 && request.toOpen.size() < kMaxDocumentsPerRequest) {
        request = Request{};
        for (const std::wstring& path : paths) {
            if (request.toOpen.size() < kMaxDocumentsPerRequest) request.toOpen.push_back(path);
            else request.overLimit.push_back(path);
        }
    }
    if (request.toOpen.empty() && request.unreadable.empty() && request.overLimit.empty()) return;
    requests_.push_back(std::move(request));
    SetLocked(true);
    PostNext();
}

void OpenQueue::PostNext() {
    if (!posted_) posted_ = PostMessageW(window_.GetHwnd(), next_, 0, 0) != FALSE;
}

void OpenQueue::OnNext(WinMessage::Msg&) {
    posted_ = false;
    if (requests_.empty()) return;
    Request& request = requests_.front();
    if (!request.toOpen.empty()) {
        std::wstring path = std::move(request.toOpen.front());
        request.toOpen.pop_front();
        // The next one follows even when this one fails, but only once it has returned: a box that
        // the opening shows runs a message loop, which must not finish the request (and release the
        // program) underneath it.
        struct PostAfter {
            OpenQueue& queue;
            ~PostAfter() { queue.PostNext(); }
        } postAfter{*this};
        open_(path);
        return;
    }
    Request done = std::move(request);
    requests_.pop_front();
    if (!requests_.empty()) PostNext();
    if (!done.unreadable.empty() || !done.overLimit.empty()) {
        std::wstring text = FormatOpenReport(done.unreadable, done.overLimit, kMaxDocumentsPerRequest);
        if (report_) {
            report_(text);
        } else {
            std::wstring caption = WinUtil::ResourceLoader::Instance().LoadString(IDS_PRODUCTNAME);
            WinUtil::MessageBox(caption.c_str(), text.c_str(), MB_OK | MB_ICONEXCLAMATION);
        }
    }
    if (requests_.empty()) SetLocked(false);
}

void OpenQueue::SetLocked(bool locked) {
    if (locked == (busy_ != nullptr)) return;
    if (locked) {
        busy_ = &parent_.CreateChild();
        busy_->Lock();
    } else {
        // The child ends with its last lock and is collected; it is not touched again.
        Application::LifeTimeSupervisor* busy = busy_;
        busy_ = nullptr;
        busy->Unlock();
    }
}

} // namespace Editor
