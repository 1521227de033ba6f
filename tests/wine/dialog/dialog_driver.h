// Drives "Vantrel Configuration.exe" from another process the way a person
// would: through its real controls, by window messages.
#pragma once

// <commctrl.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdlib>
#include <string>
#include <vector>

namespace vantrel::testing {

inline constexpr wchar_t kDialogCaption[] = L"Vantrel Configuration - v3.1 (3.1.0.0)";
inline constexpr int kFormatBox = 1008, kDriverList = 1015, kStatusBar = 1027;

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
    // Scratch memory in the dialog's process for list view messages, whose
    // pointers the system does not carry across processes.
    remote_ = static_cast<char*>(
        VirtualAllocEx(process_.hProcess, nullptr, 8192, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
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
  void SetText(int id, const std::wstring& text) const {
    Send(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  bool IsChecked(int id) const { return Send(Item(id), BM_GETCHECK) == BST_CHECKED; }
  bool IsEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  // BM_CLICK, sent: returns when the dialog has handled the click.
  void Click(int id) const { Send(Item(id), BM_CLICK); }
  // A left click at the link's first characters.
  void ClickLink(int id) const {
    PostMessageW(Item(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 6));
    PostMessageW(Item(id), WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  }
  // Clicks a button that asks first (posted: the message box would block a
  // sent click), then answers the box of that caption with IDYES / IDNO;
  // true when the box came and went.
  bool ClickAndAnswer(int id, const wchar_t* caption, int answer) const {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(Item(id)));
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindWindowW(L"#32770", caption)) != nullptr; }, 10000))
      return false;
    PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(box); }, 10000);
  }

  // The format box's entries as "first|second|...".
  std::wstring Formats() const {
    std::wstring entries;
    for (LRESULT i = 0, count = Send(Item(kFormatBox), CB_GETCOUNT); i < count; ++i) {
      wchar_t buffer[2048] = {};
      if (Send(Item(kFormatBox), CB_GETLBTEXTLEN, i) < 2048)
        Send(Item(kFormatBox), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
      entries += (i ? L"|" : L"") + std::wstring(buffer);
    }
    return entries;
  }
  int FormatSelection() const { return static_cast<int>(Send(Item(kFormatBox), CB_GETCURSEL)); }
  void SelectFormat(int index) const { Send(Item(kFormatBox), CB_SETCURSEL, index); }

  // The driver list as "[x]Checked Driver, [ ]Unchecked Driver".
  std::wstring Drivers() const {
    std::wstring drivers;
    for (LRESULT i = 0, count = Send(Item(kDriverList), LVM_GETITEMCOUNT); i < count; ++i) {
      LVITEMW item{};
      item.pszText = reinterpret_cast<wchar_t*>(remote_ + sizeof(LVITEMW));
      item.cchTextMax = 1024;
      wchar_t name[1025] = {};
      WriteProcessMemory(process_.hProcess, remote_, &item, sizeof(item), nullptr);
      Send(Item(kDriverList), LVM_GETITEMTEXTW, i, LPARAM(remote_));
      ReadProcessMemory(process_.hProcess, item.pszText, name, 1024 * sizeof(wchar_t), nullptr);
      const LRESULT state = Send(Item(kDriverList), LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK);
      drivers += (i ? L", [" : L"[") + std::wstring(state & INDEXTOSTATEIMAGEMASK(2) ? L"x" : L" ");
      drivers += L"]" + std::wstring(name);
    }
    return drivers;
  }
  void SetDriverChecked(int index, bool checked) const {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    WriteProcessMemory(process_.hProcess, remote_, &item, sizeof(item), nullptr);
    Send(Item(kDriverList), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(remote_));
  }

  bool WaitForStatus(const std::wstring& text, DWORD timeoutMs) const {
    return WaitUntil([&] { return Text(kStatusBar) == text; }, timeoutMs);
  }

  // Esc / close box (IDCANCEL); the exit code, or STILL_ACTIVE on time-out.
  DWORD Close() {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  // Any visible top-level window of the program other than the dialog.
  bool HasOtherWindow() const {
    std::pair<const ConfigDialog*, HWND> search{this, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<std::pair<const ConfigDialog*, HWND>*>(param);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          if (pid != s->first->process_.dwProcessId || window == s->first->window_ ||
              !IsWindowVisible(window))
            return TRUE;
          s->second = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second != nullptr;
  }

 private:
  static LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 15000, &result))
      return -1;
    return static_cast<LRESULT>(result);
  }

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
  char* remote_ = nullptr;
};

}  // namespace vantrel::testing
