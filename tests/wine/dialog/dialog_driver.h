// Drives "Vantrel Configuration.exe" from another process the way a person
// would: through its real controls, by window messages.
#pragma once

#include <windows.h>

#include <string>

#include "config/dialog_ids.h"

namespace vantrel::testing {

inline constexpr wchar_t kDialogCaption[] = L"Vantrel Configuration - v3.1 (3.1.0.0)";

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(50))
    if (GetTickCount() - start >= timeoutMs) return false;
  return true;
}

class ConfigDialog {
 public:
  ConfigDialog() = default;
  ConfigDialog(const ConfigDialog&) = delete;
  ConfigDialog& operator=(const ConfigDialog&) = delete;
  ~ConfigDialog() { End(); }

  // The program under test: the build tree's config\Vantrel Configuration.exe
  // beside this program's wine-tests folder.
  static std::wstring ExePath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir = self;
    dir.resize(dir.find_last_of(L'\\'));  // ...\wine-tests
    dir.resize(dir.find_last_of(L'\\'));  // the build tree
    return dir + L"\\config\\Vantrel Configuration.exe";
  }

  // Starts the program (ending one left running) and waits for its dialog.
  bool Start() {
    End();
    const std::wstring exe = ExePath();
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_)) {
      return false;
    }
    return WaitUntil(
        [&] {
          window_ = FindWindowW(L"#32770", kDialogCaption);
          return window_ && IsWindowVisible(window_);
        },
        20000);
  }
  HWND window() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }

  std::wstring Text(int id) const {
    wchar_t buffer[2048] = {};
    Send(Item(id), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  // BM_CLICK, sent: returns when the dialog has handled the click.
  void Click(int id) const { Send(Item(id), BM_CLICK); }

  bool WaitForStatus(const std::wstring& text, DWORD timeoutMs) const {
    return WaitUntil([&] { return Text(IDC_STATUS_BAR) == text; }, timeoutMs);
  }

  // Esc / close box (IDCANCEL); the exit code, or STILL_ACTIVE on time-out.
  DWORD Close() {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  static LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 15000, &result))
      return -1;
    return static_cast<LRESULT>(result);
  }

 private:
  // Ends the program if it is still running and lets its handles go.
  void End() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
    window_ = nullptr;
  }

  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

}  // namespace vantrel::testing
