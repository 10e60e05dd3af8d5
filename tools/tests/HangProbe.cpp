// A program that hangs as a test whose editor never answers does: "hang TOKEN" starts a copy of itself
// ("child TOKEN", as a test starts an editor) and both wait for ever; "quick" ends at once. The launcher's
// check that no Windows process outlives the run that started it (wine_leftovers.sh).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || std::wcscmp(argv[1], L"quick") == 0)
    return 0;
  if (std::wcscmp(argv[1], L"hang") == 0 && argc >= 3) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" child " + argv[2];
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &child)) {
      std::printf("could not start the child: %lu\n", GetLastError());
      return 1;
    }
    std::printf("started\n");
    std::fflush(stdout);
  }
  Sleep(INFINITE);
  return 0;
}
