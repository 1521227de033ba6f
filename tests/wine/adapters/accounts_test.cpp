#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/accounts_win32.h"
#include "tests/wine/adapters/wine_test_support.h"

#if VANTREL_TEST_ENGINE
#include "platform/win32/registry_win32.h"
#include "service/engine/default_printer.h"
#endif

namespace vantrel {
namespace {

using testing::CurrentUserName;

constexpr uint32_t kNoneMapped = 1332;  // ERROR_NONE_MAPPED

TEST(Win32AccountsTest, LookupReportsTheSizesItNeedsThenResolves) {
  Win32Accounts accounts;
  const std::wstring user = CurrentUserName();
  ASSERT_FALSE(user.empty());

  // Buffers too small on purpose: the call says how much it needs.
  std::vector<uint8_t> sid(1);
  std::vector<wchar_t> domain(1);
  uint32_t sidSize = 1, domainChars = 1, lastError = 0;
  ASSERT_FALSE(accounts.LookupAccountName(user, sid.data(), &sidSize, domain.data(), &domainChars,
                                          &lastError));
  EXPECT_EQ(lastError, static_cast<uint32_t>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(sidSize, 1u);
  ASSERT_GT(domainChars, 1u);

  sid.assign(sidSize, 0);
  domain.assign(domainChars, 0);
  ASSERT_TRUE(accounts.LookupAccountName(user, sid.data(), &sidSize, domain.data(), &domainChars,
                                         &lastError))
      << lastError;
  sid.resize(sidSize);

  std::wstring text;
  ASSERT_TRUE(accounts.ConvertSidToStringSid(sid, &text));
  EXPECT_EQ(text.rfind(L"S-1-5-21-", 0), 0u) << text;
}

TEST(Win32AccountsTest, UnknownNameIsNoneMapped) {
  Win32Accounts accounts;
  std::vector<uint8_t> sid(64);
  std::vector<wchar_t> domain(64);
  uint32_t sidSize = 64, domainChars = 64, lastError = 0;
  EXPECT_FALSE(accounts.LookupAccountName(L"vantrel-no-such-user", sid.data(), &sidSize,
                                          domain.data(), &domainChars, &lastError));
  EXPECT_EQ(lastError, kNoneMapped);
}

TEST(Win32AccountsTest, SidToStringChecksTheBufferAgainstTheSid) {
  // S-1-5-18 (LocalSystem): revision 1, one sub-authority, authority 5, 18.
  const std::vector<uint8_t> localSystem = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
  struct Case {
    const char* what;
    std::vector<uint8_t> sid;
    bool ok;
    std::wstring text;
  };
  const Case cases[] = {
      {"well-formed", localSystem, true, L"S-1-5-18"},
      {"empty", {}, false, L""},
      {"header only", {1, 1, 0, 0, 0, 0, 0, 5}, false, L""},
      // Claims 15 sub-authorities but carries one: must not be read past.
      {"count beyond buffer", {1, 15, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, false, L""},
      {"bad revision", {9, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, false, L""},
  };
  Win32Accounts accounts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring text = L"untouched";
    EXPECT_EQ(accounts.ConvertSidToStringSid(c.sid, &text), c.ok);
    EXPECT_EQ(text, c.ok ? c.text : L"untouched");
  }
}

TEST(Win32SettingChangeBroadcasterTest, ReturnsWithoutWaiting) {
  const DWORD start = ::GetTickCount();
  Win32SettingChangeBroadcaster().BroadcastSettingChange(L"windows");
  EXPECT_LT(::GetTickCount() - start, 1000u);
  if (testing::RunningUnderWine()) {
    // Wine treats WM_SETTINGCHANGE as a message whose pointer cannot be
    // posted to another thread: the broadcast is refused as a whole.
    EXPECT_FALSE(::SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                                      reinterpret_cast<LPARAM>(L"windows")));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MESSAGE_SYNC_ONLY));
    GTEST_SKIP() << "Wine: SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE) fails with "
                    "ERROR_MESSAGE_SYNC_ONLY, so no window receives the broadcast";
  }
}

#if VANTREL_TEST_ENGINE
TEST(GetUserSidStringOverWin32, ResolvesTheWineUserAndRefusesUnknownNames) {
  Win32Accounts accounts;
  testing::RecordedLog log;
  std::wstring sid;
  ASSERT_TRUE(GetUserSidString(accounts, CurrentUserName(), &sid));
  EXPECT_EQ(sid.rfind(L"S-1-5-21-", 0), 0u) << sid;
  EXPECT_TRUE(log.Contains(L"The username " + CurrentUserName() + L" corresponds to the SID " +
                           sid + L"\n"));

  std::wstring none = L"untouched";
  EXPECT_FALSE(GetUserSidString(accounts, L"vantrel-no-such-user", &none));
  EXPECT_TRUE(log.Contains(
      L"Could not convert the username vantrel-no-such-user to a SID.  Error: 1332\n"));
}
#endif

}  // namespace
}  // namespace vantrel
