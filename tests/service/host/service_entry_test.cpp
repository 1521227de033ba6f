#include "service/service_entry.h"

#include "tests/service/host/host_fakes.h"

namespace vantrel::testing {
namespace {

// "debug" counts anywhere, the program's path included; "withlog" only
// among the start parameters, after the service name.
TEST(CommandLineTest, DebugAndWithLogWords) {
  struct Case {
    std::vector<std::wstring> args;
    bool debug, withLog;
  };
  const Case cases[] = {
      {{L"C:\\vantrel\\Vantrel.exe", L"debug"}, true, false},
      {{L"Vantrel", L"withlog"}, false, true},
      {{L"Vantrel", L"other", L"WithLog", L"DeBuG"}, true, true},
      {{L"DEBUG"}, true, false},
      {{L"withlog"}, false, false},
      {{L"withlog", L"other"}, false, false},
      {{L"Vantrel.exe", L"debugging", L"withlogs"}, false, false},
      {{L"Vantrel.exe", L"-debug", L"with log"}, false, false},
      {{L"Vantrel.exe", L"debu", L"WITHLOG"}, false, true},
      {{}, false, false},
  };
  for (const auto& c : cases) {
    const auto line = ::testing::PrintToString(c.args);
    EXPECT_EQ(IsDebugCommandLine(c.args), c.debug) << line;
    EXPECT_EQ(HasWithLogParameter(c.args), c.withLog) << line;
  }
}

class RunServiceMainTest : public HostTest {
 protected:
  ServiceContext& Context() { return *registration.registered; }
  FakeRegistration registration{journal};
};

// A tick, a pause and a stop while paused; without "withlog" the same run,
// silent. Check points go on from the start-pending report's 1.
TEST_F(RunServiceMainTest, FullRun) {
  for (bool withLog : {true, false}) {
    journal.clear();
    logEnabled = false;
    CheckPointCounter checkPoints;
    platform.now = 1000;
    platform.waitScript = {[&] { Context().OnTimerTick(1010); },
                           [&] { Context().HandleControl(2, 0, std::nullopt); },
                           [&] { Context().HandleControl(1, 0, std::nullopt); }};
    RunServiceMain(withLog ? std::vector<std::wstring>{L"Vantrel", L"withlog"}
                           : std::vector<std::wstring>{L"withlog"},
                   platform, registration, checkPoints);
    EXPECT_EQ(logEnabled, withLog);
    EXPECT_EQ(Transcript(),
              std::wstring(L"engine created; ") +
                  (withLog ? L"Loading configuration\n; User logged in\n; " : L"") +
                  L"handler registered; status 2 0 0 1 3000; timer armed; status 4 83 0 0 0; "
                  L"pass begin; pass end; status 6 83 0 2 0; timer cancelled; status 7 83 0 3 0; "
                  L"event set; status 1 83 0 0 0; timer closed; event closed; engine destroyed; "
                  L"status handle cleared");
  }
}

TEST_F(RunServiceMainTest, WithoutStopEventReportsStoppedWithTheLastError) {
  platform.eventCreates = false;
  registration.lastError = 1450;
  RunServiceMain({L"Vantrel"}, platform, registration, checkPoints);
  EXPECT_EQ(Transcript(),
            L"engine created; handler registered; status 2 0 0 1 3000; status 1 83 1450 0 0; timer "
            L"closed; engine destroyed; status handle cleared");
}

TEST_F(RunServiceMainTest, FailedHandlerRegistrationLeavesAtOnce) {
  registration.fails = true;
  RunServiceMain({L"Vantrel"}, platform, registration, checkPoints);
  EXPECT_EQ(Transcript(),
            L"engine created; handler registered; timer closed; event closed; engine destroyed");
}

TEST_F(RunServiceMainTest, DebugWorkArmsTheTimerAndNeverReports) {
  platform.waitScript = {[] {}};  // one wait returns to run a queued tick, then it ends
  EXPECT_EQ(RunDebugWork(platform), 0u);
  EXPECT_EQ(Transcript(),
            L"engine created; timer armed; timer closed; event closed; engine destroyed");
}

}  // namespace
}  // namespace vantrel::testing
