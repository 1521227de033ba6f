#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/accounts_win32.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel {
namespace {

// The engine's first buffers fit a user's SID, so the growth is tried here:
// buffers too small on purpose, and the call says how much it needs.
TEST(Win32AccountsTest, LookupReportsTheSizesItNeedsThenResolves) {
  Win32Accounts accounts;
  const std::wstring user = testing::CurrentUserName();
  std::vector<uint8_t> sid(1);
  std::vector<wchar_t> domain(1);
  uint32_t sidSize = 1, domainChars = 1, lastError = 0;
  ASSERT_FALSE(accounts.LookupAccountName(user, sid.data(), &sidSize, domain.data(), &domainChars,
                                          &lastError));
  EXPECT_EQ(lastError, static_cast<uint32_t>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_TRUE(sidSize > 1 && domainChars > 1);
  sid.assign(sidSize, 0);
  domain.assign(domainChars, 0);
  EXPECT_TRUE(accounts.LookupAccountName(user, sid.data(), &sidSize, domain.data(), &domainChars,
                                         &lastError))
      << lastError;
}

TEST(Win32AccountsTest, SidToStringChecksTheBufferAgainstTheSid) {
  // S-1-5-18 (LocalSystem): revision 1, one sub-authority, authority 5, 18;
  // then, refused with the text untouched: empty, header only, a bad
  // revision, and a count of 15 sub-authorities with one there (must not be
  // read past).
  // clang-format off
  const std::pair<std::vector<uint8_t>, std::wstring> cases[] = {
      {{1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, L"S-1-5-18"}, {{}, L""},
      {{1, 1, 0, 0, 0, 0, 0, 5}, L""}, {{9, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, L""},
      {{1, 15, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, L""}};
  // clang-format on
  Win32Accounts accounts;
  for (const auto& [sid, expected] : cases) {
    std::wstring text = L"untouched";
    EXPECT_EQ(accounts.ConvertSidToStringSid(sid, &text), !expected.empty()) << expected;
    EXPECT_EQ(text, expected.empty() ? L"untouched" : expected);
  }
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

}  // namespace
}  // namespace vantrel
