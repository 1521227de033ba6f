#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/terminal_services_win32.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel {
namespace {

constexpr uint32_t kCurrentSession = 0xFFFFFFFF;  // WTS_CURRENT_SESSION

TEST(Win32TerminalServicesTest, UserNameOfTheCurrentSessionIsTheLoggedOnUser) {
  const WtsQueryResult user =
      Win32TerminalServices().QuerySessionInformation(kCurrentSession, WtsInfoClass::kUserName);
  ASSERT_TRUE(user.ok) << user.lastError;
  EXPECT_EQ(user.text, testing::CurrentUserName());
  // The buffer holds the text and its terminator.
  EXPECT_EQ(user.bytesReturned, (user.text.size() + 1) * sizeof(wchar_t));
}

TEST(Win32TerminalServicesTest, ConnectStateAndClientName) {
  const bool wine = testing::RunningUnderWine();
  for (WtsInfoClass infoClass : {WtsInfoClass::kConnectState, WtsInfoClass::kClientName}) {
    ::SetLastError(ERROR_ACCESS_DENIED);  // stale code the adapter must not report
    const auto result = Win32TerminalServices().QuerySessionInformation(kCurrentSession, infoClass);
    // Wine fails both without setting a last error.
    EXPECT_EQ(result.ok, !wine) << static_cast<int>(infoClass) << " " << result.lastError;
    EXPECT_TRUE(!wine || (result.lastError == 0 && result.text.empty()));
  }
  if (wine) {
    GTEST_SKIP() << "Wine: WTSConnectState fails for every session, so no session can be "
                    "validated here";
  }
}

TEST(Win32TerminalServicesTest, StrToIntExParsesDecimalDigitRuns) {
  struct Case {
    const wchar_t* text;
    bool ok;
    int32_t value;  // untouched (-99) on failure
  };
  // Runs past INT_MAX wrap silently (observed under Wine 8); the name
  // composition checks the digits itself before trusting the value.
  // clang-format off
  const Case cases[] = {
      {L"3", true, 3},   {L"12", true, 12},     {L"0", true, 0},      {L"  7", true, 7},
      {L"007", true, 7}, {L"12abc", true, 12},  {L"-5", true, -5},    {L"x", false, -99},
      {L"", false, -99}, {L"2147483647", true, 2147483647},           {L"4294967299", true, 3},
      {L"2147483648", true, INT32_MIN}};
  // clang-format on
  for (const Case& c : cases) {
    int32_t value = -99;
    EXPECT_EQ(Win32TerminalServices().StrToIntEx(c.text, &value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

}  // namespace
}  // namespace vantrel
