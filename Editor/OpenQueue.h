// The documents one command line asks for, opened one per message so that the program keeps
// answering while a long list is worked through; names that cannot open are reported in one box.
#pragma once

#include "app/LifeTime.h"
#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Window.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace Editor {

// Whether path names a file that can be read as a document: an existing disk file (not a folder,
// device or pipe) that is empty or starts, after a byte order mark and blanks, with '<' and holds
// no NUL byte in its first block.
bool IsReadableDocumentFile(const std::wstring& path);

// The text of the box about names that did not open: the unreadable names, then those left over
// beyond the limit of one request; each list shows its first names and counts the rest.
std::wstring FormatOpenReport(const std::vector<std::wstring>& unreadable, const std::vector<std::wstring>& overLimit,
                              size_t limit);

class OpenQueue {
public:
    // The most documents one command line or hand-off opens.
    static constexpr size_t kMaxDocumentsPerRequest = 64;

    using Opener = std::function<void(const std::wstring& path)>;
    using Reporter = std::function<void(const std::wstring& text)>;

    // Opens through open; while work is queued a locked child of parent keeps the program from
    // ending before it is done. Reports go to report (a message box over the active window when empty).
    OpenQueue(Application::LifeTimeSupervisor& parent, Opener open, Reporter report = {});
    OpenQueue(const OpenQueue&) = delete;
    OpenQueue& operator=(const OpenQueue&) = delete;
    // Drops what is still queued and releases the lock.
    ~OpenQueue();

    // Queues the readable names of one request (at most kMaxDocumentsPerRequest) and the report of
    // the others; a single unreadable name is handed to the opener in its place, which reports it.
    // The work starts from the message loop.
    void Add(const std::vector<std::wstring>& paths);
    // Whether requests are still being worked through.
    bool IsBusy() const { return !requests_.empty(); }

private:
    struct Request {
        std::deque<std::wstring> toOpen;
        std::vector<std::wstring> unreadable;
        std::vector<std::wstring> overLimit;
    };

    void OnNext(WinMessage::Msg& msg);
    void PostNext();
    void SetLocked(bool locked);

    Application::LifeTimeSupervisor& parent_;
    Application::LifeTimeSupervisor* busy_ = nullptr;  // the locked child while work is queued
    Opener open_;
    Reporter report_;
    std::deque<Request> requests_;
    bool posted_ = false;
    UINT next_ = 0;
    WinUtil::Window window_;
    WinMessage::WinMsgPlugMap bindings_;
};

} // namespace Editor
