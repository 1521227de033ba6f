// "Vantrel Configuration.exe" under Wine, driven from this second process
// through its real controls, by window messages; run by
// tests/wine/e2e/config.sh: its caption, button images and status line, and
// Apply against a registered service, and the live dialog held open for
// scripts/config-screenshot.sh. The form itself is tested in-process over the
// same template (the tests of tests/config linked into this program).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "config/dialog_ids.h"

namespace vantrel::testing {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Orlenk Technologies\\Vantrel";

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(50))
    if (GetTickCount() - start >= timeoutMs) return false;
  return true;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 15000, &result)) return -1;
  return static_cast<LRESULT>(result);
}

// Only the Apply case touches the stored settings: the screenshot shows what
// the machine holds.
class DialogTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Close();
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(process_.hProcess, 1);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }

  // Starts the build tree's config\Vantrel Configuration.exe, beside this
  // program's wine-tests folder, and waits for its dialog.
  bool Open() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe.resize(exe.find_last_of(L'\\'));  // ...\wine-tests
    exe.resize(exe.find_last_of(L'\\'));  // the build tree
    exe += L"\\config\\Vantrel Configuration.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const bool started =
        CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process_) &&
        WaitUntil(
            [&] {
              window_ = FindWindowW(L"#32770", L"Vantrel Configuration - v3.1 (3.1.0.0)");
              return window_ && IsWindowVisible(window_);
            },
            20000);
    if (!started) ADD_FAILURE() << "no dialog from " << exe;
    return started;
  }
  std::wstring Text(int id) {
    wchar_t buffer[2048] = {};
    Send(GetDlgItem(window_, id), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  // BM_CLICK, sent: returns when the dialog has handled the click.
  void Click(int id) { Send(GetDlgItem(window_, id), BM_CLICK); }
  bool WaitForStatus(const std::wstring& text, DWORD timeoutMs) {
    return WaitUntil([&] { return Text(IDC_STATUS_BAR) == text; }, timeoutMs);
  }
  // Esc (IDCANCEL); the exit code, or STILL_ACTIVE on time-out.
  DWORD Close() {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// With the service registered: the end-to-end suite registers it, puts it
// into a state and runs these by name (hence disabled in plain runs).

// "Service Status: " and the state word in VANTREL_EXPECTED_STATUS.
std::wstring ExpectedStatus() {
  const char* word = std::getenv("VANTREL_EXPECTED_STATUS");
  return L"Service Status: " + std::wstring(word, word ? word + strlen(word) : word);
}

// Found by its caption, which carries the resource's version.
TEST_F(DialogTest, DISABLED_ServiceStatusLineShowsTheState) {
  ASSERT_TRUE(Open());
  for (int id : {IDC_ADD_FORMAT, IDC_REMOVE_FORMAT, IDC_APPLY_CHANGES})
    EXPECT_NE(Send(GetDlgItem(window_, id), BM_GETIMAGE, IMAGE_BITMAP), 0) << "no image on " << id;
  EXPECT_TRUE(WaitForStatus(ExpectedStatus(), 3000)) << "status line: " << Text(IDC_STATUS_BAR);
  EXPECT_EQ(Close(), 0u);
}

// Once the status line reads the expected text, prints "ready X Y W H" (the
// client area on the screen), then closes the dialog when a line arrives on
// standard input.
TEST_F(DialogTest, DISABLED_HeldOpenForAScreenshot) {
  ASSERT_TRUE(Open());
  const bool reached = WaitForStatus(ExpectedStatus(), 20000);
  // The status line can change before every control has painted.
  RedrawWindow(window_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Send(window_, WM_NULL);
  Sleep(1000);
  RECT client{};
  GetClientRect(window_, &client);
  MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&client), 2);
  std::printf("%s %ld %ld %ld %ld\n", reached ? "ready" : "timeout", client.left, client.top,
              client.right - client.left, client.bottom - client.top);
  std::fflush(stdout);
  std::getchar();
  EXPECT_TRUE(reached);
  EXPECT_EQ(Close(), 0u);
}

// Apply saves and leaves the service running, started when it was not.
// The reload it asks for is counted in the service's log by
// tests/wine/e2e/config.sh.
TEST_F(DialogTest, DISABLED_ApplyStartsTheServiceAndMakesItReload) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
  ASSERT_TRUE(Open());
  Click(IDC_ONLY_TS_PORT);
  Click(IDC_APPLY_CHANGES);
  DWORD onlyRenTs = 0, size = sizeof(onlyRenTs);
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"OnlyRenTS", RRF_RT_REG_DWORD, nullptr,
                         &onlyRenTs, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(onlyRenTs, 1u);
  EXPECT_TRUE(WaitForStatus(L"Service Status: Running", 3000));
  EXPECT_EQ(Close(), 0u);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
}

}  // namespace
}  // namespace vantrel::testing
