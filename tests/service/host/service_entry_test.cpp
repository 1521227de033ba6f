#include "service/service_entry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/fakes/fake_registry.h"
#include "tests/service/host/host_fakes.h"

namespace vantrel::testing {
namespace {

using ::testing::ElementsAre;

TEST(CommandLineTest, DebugAnywhereInAnyCase) {
  struct Case {
    std::vector<std::wstring> argv;
    bool debug;
  };
  const Case cases[] = {
      {{L"C:\\vantrel\\Vantrel.exe", L"debug"}, true},
      {{L"C:\\vantrel\\Vantrel.exe", L"withlog", L"DeBuG"}, true},
      {{L"DEBUG"}, true},  // the program's own path counts too
      {{L"C:\\vantrel\\Vantrel.exe"}, false},
      {{L"Vantrel.exe", L"debugging"}, false},
      {{L"Vantrel.exe", L"-debug"}, false},
      {{L"Vantrel.exe", L"debu"}, false},
      {{}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDebugCommandLine(c.argv), c.debug) << ::testing::PrintToString(c.argv.size());
  }
}

TEST(CommandLineTest, WithLogOnlyAmongStartParameters) {
  struct Case {
    std::vector<std::wstring> args;
    bool withLog;
  };
  const Case cases[] = {
      {{L"Vantrel", L"withlog"}, true},
      {{L"Vantrel", L"WITHLOG"}, true},
      {{L"Vantrel", L"other", L"WithLog"}, true},
      {{L"withlog"}, false},  // the service name's place
      {{L"withlog", L"other"}, false},
      {{L"Vantrel", L"withlogs"}, false},
      {{L"Vantrel", L"with log"}, false},
      {{}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasWithLogParameter(c.args), c.withLog) << c.args.size();
  }
}

class RunServiceMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsRegistry(&registry);
    ResetSettingsForTesting();
    SetLogSink(std::make_unique<JournalLogSink>(journal));
    logEnabled = false;
  }
  void TearDown() override {
    logEnabled = false;
    SetLogSink(nullptr);
    SetSettingsRegistry(nullptr);
    ResetSettingsForTesting();
  }

  ServiceContext& Context() { return *registration.registered; }

  FakeRegistry registry;
  Journal journal;
  FakePlatform platform{journal};
  CheckPointCounter checkPoints;
  std::vector<ServiceStatus> reports;
  FakeRegistration registration{journal, reports};
};

TEST_F(RunServiceMainTest, FullRun) {
  platform.manualClock.now = 1000;
  platform.waitScript = {
      [&] { Context().OnTimerTick(1010); },
      [&] { Context().HandleControl(1, 0, std::nullopt); },
  };
  RunServiceMain({L"Vantrel", L"withlog"}, platform, registration, checkPoints);

  EXPECT_TRUE(logEnabled);
  EXPECT_THAT(journal.Entries(),
              ElementsAre("engine created", "log Loading configuration\n", "log User logged in\n",
                          "handler registered", "status 2", "timer armed", "status 4", "pass begin",
                          "pass end", "event set", "status 1", "timer closed", "event closed",
                          "engine destroyed", "status handle cleared"));
  struct Expected {
    uint32_t state, controls, checkPoint, waitHint;
  };
  const Expected expected[] = {{2, 0, 1, 3000}, {4, 0x83, 0, 0}, {1, 0x83, 0, 0}};
  ASSERT_EQ(reports.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(reports[i].serviceType, 0x10u);
    EXPECT_EQ(reports[i].currentState, expected[i].state);
    EXPECT_EQ(reports[i].controlsAccepted, expected[i].controls);
    EXPECT_EQ(reports[i].win32ExitCode, 0u);
    EXPECT_EQ(reports[i].serviceSpecificExitCode, 0u);
    EXPECT_EQ(reports[i].checkPoint, expected[i].checkPoint);
    EXPECT_EQ(reports[i].waitHint, expected[i].waitHint);
  }
}

TEST_F(RunServiceMainTest, WithoutLogParameterNothingIsLogged) {
  platform.waitScript = {[&] { Context().HandleControl(200, 0, std::nullopt); }};
  RunServiceMain({L"withlog"}, platform, registration, checkPoints);
  EXPECT_FALSE(logEnabled);
  for (const auto& entry : journal.Entries()) EXPECT_NE(entry.rfind("log ", 0), 0u) << entry;
}

TEST_F(RunServiceMainTest, StopWhilePausedEndsNormally) {
  platform.waitScript = {
      [&] { Context().HandleControl(2, 0, std::nullopt); },
      [&] { Context().HandleControl(1, 0, std::nullopt); },
  };
  RunServiceMain({L"Vantrel"}, platform, registration, checkPoints);
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(reports[2].currentState, 6u);
  EXPECT_EQ(reports[2].checkPoint, 2u);  // start pending had 1
  EXPECT_EQ(reports[3].currentState, 7u);
  EXPECT_EQ(reports[3].checkPoint, 3u);
  EXPECT_EQ(reports[4].currentState, 1u);
  EXPECT_EQ(reports[4].win32ExitCode, 0u);
}

TEST_F(RunServiceMainTest, WithoutStopEventReportsStoppedWithTheLastError) {
  platform.eventCreates = false;
  registration.lastError = 1450;
  RunServiceMain({L"Vantrel"}, platform, registration, checkPoints);
  EXPECT_THAT(journal.Entries(),
              ElementsAre("engine created", "handler registered", "status 2", "status 1",
                          "timer closed", "engine destroyed", "status handle cleared"));
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].win32ExitCode, 1450u);
  EXPECT_EQ(reports[1].controlsAccepted, 0x83u);
  EXPECT_EQ(reports[1].checkPoint, 0u);
}

TEST_F(RunServiceMainTest, FailedHandlerRegistrationLeavesAtOnce) {
  registration.fails = true;
  RunServiceMain({L"Vantrel"}, platform, registration, checkPoints);
  EXPECT_TRUE(reports.empty());
  EXPECT_THAT(journal.Entries(), ElementsAre("engine created", "handler registered", "timer closed",
                                             "event closed", "engine destroyed"));
}

TEST_F(RunServiceMainTest, DebugWorkArmsTheTimerAndNeverReports) {
  // One wait that returns to run a queued APC, then the wait ends.
  platform.waitScript = {[] {}};
  EXPECT_EQ(RunDebugWork(platform), 0u);
  EXPECT_THAT(journal.Entries(), ElementsAre("engine created", "timer armed", "timer closed",
                                             "event closed", "engine destroyed"));
  EXPECT_TRUE(reports.empty());
}

}  // namespace
}  // namespace vantrel::testing
