#include "text/edit/TextClipboard.h"

#include <cstring>
#include <vector>

#include "app/winutil/GlobalHandle.h"

namespace TextBlock {

namespace {

// The clipboard, open while the object lives. Another program may hold it for a moment, so the
// opening is tried a few times.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) {
    for (int attempt = 0; attempt < 20 && !open_; ++attempt) {
      open_ = ::OpenClipboard(owner) != FALSE;
      if (!open_) ::Sleep(5);
    }
  }
  ~OpenClipboardScope() {
    if (open_) ::CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
};

void Put(UINT format, const void* data, std::size_t size) {
  WinUtil::GlobalHandle block = WinUtil::GlobalHandle::FromBytes(data, size);
  if (::SetClipboardData(format, block.Get())) block.Release();  // the clipboard owns it now
}

// The code page of the ANSI text: the one of the clipboard's locale, else the system's.
UINT AnsiCodePage() {
  UINT codePage = CP_ACP;
  if (HANDLE locale = ::GetClipboardData(CF_LOCALE)) {
    WinUtil::GlobalLock lock(locale);
    if (lock.Data() && lock.Size() >= sizeof(LCID)) {
      LCID lcid;
      std::memcpy(&lcid, lock.Data(), sizeof lcid);
      DWORD value = 0;
      if (::GetLocaleInfoW(lcid, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value),
                           sizeof value / sizeof(WCHAR)) && value != 0)
        codePage = value;
    }
  }
  return codePage;
}

bool ReadUnicode(std::u16string& text) {
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (!data) return false;
  WinUtil::GlobalLock lock(data);
  if (!lock.Data()) return false;
  const auto* units = static_cast<const char16_t*>(lock.Data());
  const std::size_t max = lock.Size() / sizeof(char16_t);
  std::size_t n = 0;
  while (n < max && units[n] != 0) ++n;
  text.assign(units, n);
  return true;
}

bool ReadNarrow(UINT format, UINT codePage, std::u16string& text) {
  HANDLE data = ::GetClipboardData(format);
  if (!data) return false;
  WinUtil::GlobalLock lock(data);
  if (!lock.Data()) return false;
  const auto* bytes = static_cast<const char*>(lock.Data());
  const std::size_t max = lock.Size();
  std::size_t n = 0;
  while (n < max && bytes[n] != 0) ++n;
  text.clear();
  if (n == 0) return true;
  const int wide = ::MultiByteToWideChar(codePage, 0, bytes, int(n), nullptr, 0);
  if (wide <= 0) return false;
  std::wstring converted(std::size_t(wide), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes, int(n), converted.data(), wide);
  text.assign(converted.begin(), converted.end());
  return true;
}

}  // namespace

bool PutClipboardText(HWND owner, std::u16string_view text) {
  OpenClipboardScope clipboard(owner);
  if (!clipboard.IsOpen() || !::EmptyClipboard()) return false;
  std::u16string unicode(text);
  Put(CF_UNICODETEXT, unicode.c_str(), (unicode.size() + 1) * sizeof(char16_t));
  const auto* wide = reinterpret_cast<const wchar_t*>(unicode.c_str());
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (bytes > 0) {
    std::vector<char> ansi(std::size_t(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi.data(), bytes, nullptr, nullptr);
    Put(CF_TEXT, ansi.data(), ansi.size());
  }
  const LCID locale = ::GetUserDefaultLCID();
  Put(CF_LOCALE, &locale, sizeof locale);
  return true;
}

bool GetClipboardText(HWND owner, std::u16string& text) {
  OpenClipboardScope clipboard(owner);
  if (!clipboard.IsOpen()) return false;
  if (::IsClipboardFormatAvailable(CF_UNICODETEXT) && ReadUnicode(text)) return true;
  if (::IsClipboardFormatAvailable(CF_TEXT) && ReadNarrow(CF_TEXT, AnsiCodePage(), text)) return true;
  return ::IsClipboardFormatAvailable(CF_OEMTEXT) && ReadNarrow(CF_OEMTEXT, CP_OEMCP, text);
}

}  // namespace TextBlock
