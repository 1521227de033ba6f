#include <gtest/gtest.h>
#include <windows.h>
// The header below builds on <windows.h>.
#include <wtsapi32.h>

#include "platform/win32/terminal_services_win32.h"
#include "tests/fakes/terminal_server_contract.h"
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

}  // namespace
}  // namespace vantrel
