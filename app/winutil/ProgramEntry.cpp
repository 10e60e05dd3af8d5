#include "app/winutil/ProgramEntry.h"

#include "app/winutil/Exceptions.h"
#include "app/winutil/Guard.h"
#include "app/winutil/Window.h"

#include <sddl.h>

#include <deque>

namespace WinUtil {
namespace {

std::wstring UserSid() {
    HANDLE token = nullptr;
    std::wstring result = L"nosid";
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return result;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    wchar_t* text = nullptr;
    if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        result = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return result;
}

std::wstring DesktopName() {
    wchar_t name[256] = L"";
    DWORD needed = 0;
    if (!GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name,
                                   sizeof name - sizeof(wchar_t), &needed))
        return L"desktop";
    return name;
}

const size_t kMaxPayloadBytes = 256 * 1024;

} // namespace

int RunProgram(const std::function<int()>& body) {
    InstallFaultTranslation();
    int exitCode = 1;
    GuardedFunctionCall("WinMain", [&] {
        std::set_new_handler(OutOfMemoryHandler);
        exitCode = body();
    });
    return exitCode;
}

// The receiver window of the first instance: validates each WM_COPYDATA and hands the command
// line to the receiver later, from the message loop, so that the sending process ends at once.
class SingleInstance::Impl {
public:
    Impl(const std::wstring& key, Receiver receiver, const std::function<bool()>& acceptor)
        : receiver_(std::move(receiver)), acceptor_(acceptor), bindings_(window_.GetDispatcher()) {
        deliver_ = PrivateMessage::Instance().Allocate();
        bindings_.Add(WM_COPYDATA, this, &Impl::OnCopyData);
        bindings_.Add(deliver_, this, &Impl::OnDeliver);
        static WindowClass cls(kSingleInstanceClass);
        window_.Create(cls, key.c_str(), WS_POPUP);
    }
    HWND GetHwnd() const { return window_.GetHwnd(); }

private:
    void OnCopyData(WinMessage::WM_COPYDATA_Msg& msg) {
        HandedCommandLine data;
        const COPYDATASTRUCT* cds = msg.Data();
        if (!cds || !DecodePayload(*cds, data) || (acceptor_ && !acceptor_())) {
            msg.result = FALSE;  // the sender then runs on its own
            return;
        }
        pending_.push_back(std::move(data));
        PostMessageW(window_.GetHwnd(), deliver_, 0, 0);
        msg.result = TRUE;
    }
    void OnDeliver(WinMessage::Msg&) {
        while (!pending_.empty()) {
            HandedCommandLine data = std::move(pending_.front());
            pending_.pop_front();
            if (receiver_) receiver_(data);
        }
    }

    Receiver receiver_;
    const std::function<bool()>& acceptor_;  // the owner's, set or changed at any time
    std::deque<HandedCommandLine> pending_;
    UINT deliver_ = 0;
    Window window_;
    WinMessage::WinMsgPlugMap bindings_;
};

SingleInstance::SingleInstance(const std::wstring& appName)
    : key_(appName + L"-" + UserSid() + L"-" + DesktopName()) {
    for (wchar_t& c : key_)
        if (c == L'\\') c = L'_';
}

SingleInstance::~SingleInstance() {
    impl_.reset();
    if (mutex_) CloseHandle(mutex_);
}

void SingleInstance::SetAcceptor(std::function<bool()> acceptor) { acceptor_ = std::move(acceptor); }

HWND SingleInstance::GetReceiverWindow() const { return impl_ ? impl_->GetHwnd() : nullptr; }

bool SingleInstance::Claim(const std::wstring& directory, const std::wstring& commandLine,
                           Receiver receiver) {
    mutex_ = CreateMutexW(nullptr, FALSE, (L"Local\\" + key_).c_str());
    bool exists = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
    if (exists) {
        std::wstring payload = EncodePayload({directory, commandLine});
        COPYDATASTRUCT cds{kCopyDataTag, static_cast<DWORD>(payload.size() * sizeof(wchar_t)),
                           payload.data()};
        // The running instance may still be making its receiver window: look for it a while.
        const DWORD begin = GetTickCount();
        do {
            if (HWND target = FindWindowW(kSingleInstanceClass, key_.c_str())) {
                DWORD_PTR answer = 0;
                if (SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                                        SMTO_ABORTIFHUNG, 10000, &answer) && answer)
                    return false;
                break;
            }
            Sleep(50);
        } while (GetTickCount() - begin < 5000);
        // No usable instance answered: run as an instance of its own rather than lose the request.
    }
    impl_ = std::make_unique<Impl>(key_, std::move(receiver), acceptor_);
    return true;
}

std::wstring SingleInstance::EncodePayload(const HandedCommandLine& data) {
    std::wstring payload = data.directory;
    payload.push_back(L'\0');
    payload += data.commandLine;
    payload.push_back(L'\0');
    return payload;
}

bool SingleInstance::DecodePayload(const COPYDATASTRUCT& cds, HandedCommandLine& data) {
    if (cds.dwData != kCopyDataTag || !cds.lpData) return false;
    if (cds.cbData < 2 * sizeof(wchar_t) || cds.cbData % sizeof(wchar_t) || cds.cbData > kMaxPayloadBytes)
        return false;
    const wchar_t* text = static_cast<const wchar_t*>(cds.lpData);
    const size_t count = cds.cbData / sizeof(wchar_t);
    if (text[count - 1] != L'\0') return false;
    size_t separator = std::wstring_view(text, count).find(L'\0');
    if (separator == count - 1) return false;  // only one string
    if (std::wstring_view(text + separator + 1, count - separator - 2).find(L'\0') != std::wstring_view::npos)
        return false;  // more than two strings
    data.directory.assign(text, separator);
    data.commandLine.assign(text + separator + 1, count - separator - 2);
    return true;
}

} // namespace WinUtil
