#include "service/recovery.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_service_manager.h"
#include "tests/service/service_manager_contract.h"

namespace vantrel {
namespace {

TEST(ServiceManagerContract, FakeServiceManager) {
  testing::FakeServiceManager scm;
  testing::CheckServiceManagerContract(scm, L"Vantrel");
}

// The installer learns of a failure only through the exit code. The fake
// refuses what the service handle was not opened for, so the rights asked
// for are checked too. An image path registered without quotes is quoted.
TEST(RecoveryTest, SetsRestartActionsOrExitsWithTheError) {
  struct Case {
    bool managerOpenFails, installed;
    uint32_t setError, flagError, expected;
  };
  for (const Case& c :
       {Case{false, true, 0, 0, 0}, Case{true, true, 0, 0, 5}, Case{false, false, 0, 0, 1060},
        Case{false, true, 124, 0, 124}, Case{false, true, 0, 5, 5},
        // Without the flag the actions still follow a crash.
        Case{false, true, 0, 124, 0}}) {
    testing::FakeServiceManager scm;
    scm.managerOpenFails = c.managerOpenFails;
    scm.installed = c.installed;
    scm.failureActionsError = c.setError;
    scm.onErrorExitError = c.flagError;
    EXPECT_EQ(ApplyServiceFailureActions(scm), c.expected);
    EXPECT_EQ(scm.openHandles, 0);
    if (c.expected != 0) continue;
    std::wstring set = std::to_wstring(scm.failureActions->resetPeriodSeconds);
    for (const FailureAction& a : scm.failureActions->actions)
      set += L" " + std::to_wstring(a.type) + L"/" + std::to_wstring(a.delayMs);
    EXPECT_EQ(set, L"86400 1/60000 1/60000 1/300000");
    EXPECT_EQ(scm.failureActionsOnErrorExit.value_or(false), c.flagError == 0);
    EXPECT_EQ(scm.imagePath, L"\"C:\\Program Files\\Vantrel\\Vantrel.exe\"");
    EXPECT_EQ(scm.dependencies, (std::vector<std::wstring>{L"Winmgmt", L"Spooler"}));
  }
  // Quoted once only; a path with arguments is left alone.
  EXPECT_EQ(QuotedImagePath(L"\"C:\\Program Files\\Vantrel\\Vantrel.exe\""), L"");
  EXPECT_EQ(QuotedImagePath(L"C:\\Program Files\\Vantrel\\Vantrel.exe withlog"), L"");
  EXPECT_TRUE(IsRecoveryCommandLine({L"C:\\Program Files\\Vantrel\\Vantrel.exe", L"recovery"}));
  EXPECT_FALSE(IsRecoveryCommandLine({L"recovery"}));
  EXPECT_FALSE(IsRecoveryCommandLine({L"Vantrel.exe", L"debug", L"recovery"}));
}

}  // namespace
}  // namespace vantrel
