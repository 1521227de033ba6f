#include "service/recovery.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_service_manager.h"

namespace vantrel {
namespace {

TEST(RecoveryTest, SetsRestartActionsOnTheService) {
  testing::FakeServiceManager scm;
  ASSERT_EQ(ApplyServiceFailureActions(scm), 0u);

  ASSERT_EQ(scm.opens.size(), 2u);
  EXPECT_EQ(scm.opens[1].name, L"Vantrel");
  EXPECT_EQ(scm.opens[1].access, scm_access::kServiceChangeConfig | scm_access::kServiceStart);
  EXPECT_EQ(scm.openHandles, 0);
  ASSERT_TRUE(scm.failureActions);
  const FailureActions& set = *scm.failureActions;
  EXPECT_EQ(set.resetPeriodSeconds, 86400u);
  ASSERT_EQ(set.actions.size(), 3u);
  const uint32_t delays[] = {60000, 60000, 300000};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(set.actions[i].type, failure_action::kRestart) << i;
    EXPECT_EQ(set.actions[i].delayMs, delays[i]) << i;
  }
  EXPECT_EQ(scm.failureActionsOnErrorExit, true);
}

// The installer only learns of a failure through the exit code.
TEST(RecoveryTest, EveryFailureIsANonZeroExitCode) {
  struct Case {
    bool managerOpenFails, installed;
    uint32_t setError, flagError, expected;
  };
  for (const Case& c : {Case{true, true, 0, 0, 5}, Case{false, false, 0, 0, 1060},
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
  }
}

TEST(RecoveryTest, OnlyTheInstallersCommandLineSelectsTheMode) {
  EXPECT_TRUE(IsRecoveryCommandLine({L"C:\\Program Files\\Vantrel\\Vantrel.exe", L"recovery"}));
  EXPECT_FALSE(IsRecoveryCommandLine({L"recovery"}));
  EXPECT_FALSE(IsRecoveryCommandLine({L"Vantrel.exe", L"debug", L"recovery"}));
}

}  // namespace
}  // namespace vantrel
