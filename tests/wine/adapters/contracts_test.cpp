// The Terminal Services, accounts and Service Control Manager adapters
// against Wine's, through the same test bodies the fakes pass natively, and
// the settings-change broadcast.
#include <gtest/gtest.h>
#include <windows.h>
// The header below builds on <windows.h>.
#include <wtsapi32.h>

#include <string>
#include <vector>

#include "platform/win32/accounts_win32.h"
#include "platform/win32/service_manager_win32.h"
#include "platform/win32/terminal_services_win32.h"
#include "tests/fakes/terminal_server_contract.h"
#include "tests/service/service_manager_contract.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel {
namespace {

TEST(Win32TerminalServicesTest, KeepsTheContract) {
  Win32TerminalServices wts;
  testing::CheckTerminalServicesContract(wts, WTS_CURRENT_SESSION, testing::CurrentUserName());
}

// Wine fails the client-name query without setting an error: the adapter
// must report a failure, not the stale code left from before.
TEST(Win32TerminalServicesTest, AFailureWithoutAnErrorCodeIsStillAFailure) {
  if (!testing::RunningUnderWine()) GTEST_SKIP() << "Windows answers the client name";
  ::SetLastError(ERROR_ACCESS_DENIED);
  std::wstring text = L"untouched";
  EXPECT_EQ(Win32TerminalServices().QuerySessionInformation(WTS_CURRENT_SESSION,
                                                            WtsInfoClass::kClientName, &text),
            Status(win32_error::kAssertionFailure));
  EXPECT_EQ(text, L"untouched");
}

TEST(Win32AccountsTest, KeepsTheContract) {
  // The session's own domain, as the engine asks for it.
  std::wstring domain;
  ASSERT_TRUE(Win32TerminalServices()
                  .QuerySessionInformation(WTS_CURRENT_SESSION, WtsInfoClass::kDomainName, &domain)
                  .ok());
  Win32Accounts accounts;
  testing::CheckAccountsContract(accounts, domain, testing::CurrentUserName());
}

// SendNotifyMessageW refuses WM_SETTINGCHANGE (its lParam is a pointer) on
// Windows and Wine alike, so the adapter falls back to a synchronous send
// from a thread of its own; a window must still hear it, and the caller must
// not wait for a window that does not answer yet.
TEST(Win32SettingChangeBroadcasterTest, ReachesTopLevelWindowsWithoutWaitingForThem) {
  static std::vector<std::wstring> areas;
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg == WM_SETTINGCHANGE && lParam)
      areas.push_back(reinterpret_cast<const wchar_t*>(lParam));
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  };
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VantrelSettingChangeListener";
  ::RegisterClassW(&wc);
  // Owned by this thread, which pumps no messages until the call returns.
  HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
  if (!window) GTEST_SKIP() << "no display to create a window on (DISPLAY unset)";

  const DWORD start = ::GetTickCount();
  Win32SettingChangeBroadcaster().BroadcastSettingChange(L"windows");
  EXPECT_LT(::GetTickCount() - start, 1000u);
  MSG msg;
  while (areas.empty() && ::GetTickCount() - start < 5000) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  ::DestroyWindow(window);
  EXPECT_EQ(areas, std::vector<std::wstring>{L"windows"});
}

// Wine's RPC service exists in every booted prefix.
TEST(ServiceManagerContract, Win32ServiceManager) {
  Win32ServiceManager scm;
  testing::CheckServiceManagerContract(scm, L"RpcSs");
}

}  // namespace
}  // namespace vantrel
