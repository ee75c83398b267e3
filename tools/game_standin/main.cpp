// Stands in for the game's program files (mohaa.exe, moh_spearhead.exe,
// moh_breakthrough.exe); tests also copy it under the names of OpenMoHAA's
// starters and engine. Each start appends one record to "launches.log"
// beside the program:
//
//   program: mohaa.exe
//   command line: <the full command line received>
//   working folder: <the current folder at start>
//   process: <process id>
//   <empty line>
//
// and then ends. When a file "console.txt" lies beside the program holding a
// number of milliseconds, optionally followed by a blank and a caption, the
// program first keeps a window captioned "MOHAA Console" (or the caption
// given) open for that long, or until the window is closed, so that the
// launcher's running-game check can be tried.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

constexpr UINT_PTR kEndTimer = 1;
constexpr unsigned long kLongestConsoleMs = 10 * 60 * 1000;

std::string ProgramPath() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string CurrentFolder() {
  char folder[MAX_PATH + 1] = {};
  const DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  return n > 0 && n <= MAX_PATH ? std::string(folder, n) : std::string();
}

// One write, so that records of programs started together never interleave.
void AppendRecord(const std::string& logPath, const std::string& record) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    HANDLE log = CreateFileA(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(log, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
      CloseHandle(log);
      return;
    }
    Sleep(20);  // held by a reader without write sharing
  }
}

std::string ReadSmallFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  char buffer[256];
  DWORD got = 0;
  ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
  CloseHandle(file);
  return std::string(buffer, got);
}

struct ConsoleRequest {
  unsigned long ms = 0;
  std::string caption = "MOHAA Console";
};

ConsoleRequest ReadConsoleRequest(const std::string& folder) {
  ConsoleRequest request;
  std::string text = ReadSmallFile(folder + "\\console.txt");
  const size_t end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.resize(end);
  char* rest = nullptr;
  request.ms = std::strtoul(text.c_str(), &rest, 10);
  if (request.ms > kLongestConsoleMs) request.ms = kLongestConsoleMs;
  if (rest && *rest == ' ' && rest[1] != '\0') request.caption = rest + 1;
  return request;
}

LRESULT CALLBACK ConsoleProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == kEndTimer) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void KeepConsole(const ConsoleRequest& request, int show) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ConsoleProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "GameStandInConsole";
  RegisterClassA(&wc);
  HWND console = CreateWindowExA(0, wc.lpszClassName, request.caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 480, 240, nullptr, nullptr, wc.hInstance, nullptr);
  if (!console) return;
  ShowWindow(console, show);
  SetTimer(console, kEndTimer, request.ms, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  const std::string program = ProgramPath();
  const std::string folder = FolderOf(program);
  const std::string record = "program: " + program.substr(folder.size() + 1) + "\r\n" +
                             "command line: " + GetCommandLineA() + "\r\n" +
                             "working folder: " + CurrentFolder() + "\r\n" +
                             "process: " + std::to_string(GetCurrentProcessId()) + "\r\n\r\n";
  AppendRecord(folder + "\\launches.log", record);
  const ConsoleRequest request = ReadConsoleRequest(folder);
  if (request.ms > 0) KeepConsole(request, show);
  return 0;
}
