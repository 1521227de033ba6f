// Drives "Vantrel Configuration.exe" from another process the way a person
// would: through its real controls, by window messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel::testing {

inline constexpr wchar_t kDialogCaption[] = L"Vantrel Configuration - v3.1 (3.1.0.0)";

struct DriverEntry {
  std::wstring name;
  bool checked = false;
  bool operator==(const DriverEntry&) const = default;
};

class ConfigDialog {
 public:
  ConfigDialog() = default;
  ConfigDialog(const ConfigDialog&) = delete;
  ConfigDialog& operator=(const ConfigDialog&) = delete;
  // Ends the program if a test left it running.
  ~ConfigDialog();

  // The program under test: VANTREL_CONFIG_EXE, else the build tree's
  // config\Vantrel Configuration.exe beside this test's wine-tests folder.
  static std::wstring ExePath();

  // Starts the program and waits for its dialog. False on time-out.
  bool Start();
  bool Running() const;
  HWND window() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }

  std::wstring Text(int id) const;
  void SetText(int id, const std::wstring& text) const;
  bool IsChecked(int id) const;
  bool IsEnabled(int id) const;
  // BM_CLICK, sent: returns when the dialog has handled the click.
  void Click(int id) const;
  // WM_COMMAND, posted: for commands that open a message box.
  void PostCommand(int id) const;
  // Posts a left click at the link's first characters.
  void ClickLink(int id) const;

  std::vector<std::wstring> FormatEntries() const;
  int FormatSelection() const;
  void SelectFormat(int index) const;

  std::vector<DriverEntry> Drivers() const;
  void SetDriverChecked(int index, bool checked) const;

  // A message box of this program with the caption, or null after the wait.
  HWND FindMessageBox(const std::wstring& caption, DWORD timeoutMs) const;
  // Finds the box and clicks IDYES / IDNO; true when it went away.
  bool AnswerMessageBox(const std::wstring& caption, int button) const;
  // Any top-level window of the program other than the main dialog.
  bool HasOtherWindow() const;

  bool WaitForStatus(const std::wstring& text, DWORD timeoutMs) const;

  // Esc / close box (IDCANCEL); the exit code, or STILL_ACTIVE on time-out.
  DWORD Close();

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
}

}  // namespace vantrel::testing
