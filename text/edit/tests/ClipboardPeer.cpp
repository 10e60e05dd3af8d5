// Another program on the clipboard, for the editing tests:
//   put HEX          puts the UTF-16 units (hex, four digits each) as Unicode text only
//   put-ansi HEX LCID  puts the bytes (hex, two digits each) as ANSI text with the locale
//   get FILE         writes the Unicode text on the clipboard to the file as UTF-16 units
// Exits 0 on success.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

bool Open() {
  for (int i = 0; i < 50; ++i) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(10);
  }
  return false;
}

bool Put(UINT format, const void* data, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return false;
  std::memcpy(GlobalLock(block), data, size);
  GlobalUnlock(block);
  if (SetClipboardData(format, block)) return true;
  GlobalFree(block);
  return false;
}

std::vector<unsigned> Hex(const wchar_t* text, size_t digits) {
  std::vector<unsigned> out;
  const size_t n = std::wcslen(text);
  for (size_t i = 0; i + digits <= n; i += digits) out.push_back(std::wcstoul(std::wstring(text + i, digits).c_str(), nullptr, 16));
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || !Open()) return 2;
  const std::wstring mode = argv[1];
  int result = 3;
  if (mode == L"put" || mode == L"put-ansi") {
    EmptyClipboard();
    if (mode == L"put") {
      std::u16string units;
      for (unsigned u : Hex(argv[2], 4)) units.push_back(char16_t(u));
      result = Put(CF_UNICODETEXT, units.c_str(), (units.size() + 1) * 2) ? 0 : 4;
    } else if (argc >= 4) {
      std::string bytes;
      for (unsigned b : Hex(argv[2], 2)) bytes.push_back(char(b));
      const LCID lcid = std::wcstoul(argv[3], nullptr, 16);
      result = Put(CF_TEXT, bytes.c_str(), bytes.size() + 1) && Put(CF_LOCALE, &lcid, sizeof lcid) ? 0 : 4;
    }
  } else if (mode == L"get") {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data) {
      const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data));
      if (FILE* f = _wfopen(argv[2], L"wb")) {
        std::fwrite(text, sizeof(wchar_t), std::wcslen(text), f);
        std::fclose(f);
        result = 0;
      }
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return result;
}
