#include "service/service_entry.h"

#include <chrono>
#include <cwchar>
#include <future>
#include <stdexcept>

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
  // A run in a fresh process: check points start at 1.
  void Run(std::vector<std::wstring> args = {L"Vantrel"}) {
    CheckPointCounter fresh;
    RunServiceMain(args, platform, registration, fresh, gate);
  }
  uint32_t Control(uint32_t control, uint32_t eventType = 0) {
    return gate.Handle(control, eventType, 3);
  }
  FakeRegistration registration{journal};
  ControlGate gate;
};

// A tick; a pause, and a tick queued before it that must not run a pass; a
// continue whose arming the service thread does; a continue taken back by a
// pause before the service thread could arm; a stop while paused. Without
// "withlog" the same run, silent. Check points go on from start-pending's 1.
TEST_F(RunServiceMainTest, FullRun) {
  for (bool withLog : {true, false}) {
    journal.clear();
    logEnabled = false;
    platform.now = 1000;
    platform.waitScript = {[&] { platform.armed->OnTimerTick(1010); },
                           [&] { Control(2), platform.armed->OnTimerTick(1020); },
                           [&] { Control(3); }, [&] { Control(3), Control(2); },
                           [&] { Control(1); }};
    Run(withLog ? std::vector<std::wstring>{L"Vantrel", L"withlog"}
                : std::vector<std::wstring>{L"withlog"});
    EXPECT_EQ(logEnabled, withLog);
    EXPECT_EQ(Transcript(),
              std::wstring(L"engine created; ") +
                  (withLog ? L"Loading configuration\n; User logged in\n; " : L"") +
                  L"handler registered; status 2 0 0 1 3000; timer armed; status 4 83 0 0 0; "
                  L"pass begin; pass end; status 6 83 0 2 0; timer cancelled; status 7 83 0 3 0; "
                  L"status 5 83 0 4 0; wake; status 4 83 0 0 0; timer armed; "
                  L"status 5 83 0 5 0; wake; status 4 83 0 0 0; "
                  L"status 6 83 0 6 0; timer cancelled; status 7 83 0 7 0; "
                  L"event set; status 1 83 0 0 0; timer closed; event closed; engine destroyed; "
                  L"status handle cleared");
  }
}

// A run that cannot go on reports STOPPED with a failure code, never 0: the
// event's own error, a generic one when the platform gave none, and
// ERROR_EXCEPTION_IN_SERVICE when an exception ends the run.
TEST_F(RunServiceMainTest, FailedRunsReportStoppedWithAnErrorCode) {
  const std::pair<uint32_t, const wchar_t*> noEvent[] = {{1450, L"1450"}, {0, L"31"}};
  for (const auto& [error, reported] : noEvent) {
    journal.clear();
    platform.eventCreates = false;
    platform.eventError = error;
    Run();
    EXPECT_EQ(Transcript(), std::wstring(L"engine created; handler registered; status 2 0 0 1 "
                                         L"3000; status 1 83 ") +
                                reported +
                                L" 0 0; timer closed; engine destroyed; status handle cleared");
  }
  journal.clear();
  platform.eventCreates = true;
  platform.waitScript = {[] { throw std::runtime_error("tick"); }};
  Run();
  EXPECT_EQ(Transcript(),
            L"engine created; handler registered; status 2 0 0 1 3000; timer armed; status 4 83 0 "
            L"0 0; status 1 83 1064 0 0; timer closed; event closed; engine destroyed; status "
            L"handle cleared");
}

// A refused arming is logged once and tried again when a limited wait ends.
TEST_F(RunServiceMainTest, RefusedArmingIsRetriedFromTheWait) {
  platform.armFailures = 2;
  platform.waitScript = {[] {}, [] {}, [&] { Control(1); }};
  Run({L"Vantrel", L"withlog"});
  EXPECT_EQ(Transcript(),
            L"engine created; Loading configuration\n; User logged in\n; handler registered; "
            L"status 2 0 0 1 3000; timer arm failed; Could not set the tick timer; trying "
            L"again\n; status 4 83 0 0 0; wait 1000; timer arm failed; wait 1000; timer armed; "
            L"event set; status 1 83 0 0 0; timer closed; event closed; engine destroyed; status "
            L"handle cleared");
}

TEST_F(RunServiceMainTest, FailedHandlerRegistrationLeavesAtOnce) {
  registration.fails = true;
  Run();
  EXPECT_EQ(Transcript(),
            L"engine created; handler registered; timer closed; event closed; engine destroyed");
}

// While a pass is blocked in the engine, every control returns within
// 100 ms. Then controls race the service thread's ticks and passes (each
// pass copies the settings that 200 reloads); nothing acts after STOP,
// controls that keep coming while the run ends never reach the destroyed
// context, and STOPPED is the last report.
TEST_F(RunServiceMainTest, ControlsNeverWaitForAPass) {
  platform.waitBlocks = true;
  const std::pair<uint32_t, uint32_t> controls[] = {{2, 0}, {3, 0}, {200, 0}, {14, 5}, {14, 6}};
  auto sendControls = [&] {
    for (int i = 0; i < 100; ++i) {
      const auto start = std::chrono::steady_clock::now();
      Control(controls[i % 5].first, controls[i % 5].second);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    }
  };
  for (int round = 0; round < 10; ++round) {
    journal.clear();
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    int passes = 0;
    platform.duringPass = [&] {
      const Settings copy = CopySettings();
      if (passes++ > 0) return;
      entered.set_value();
      // Bounded, so a control that waits for the pass fails the test
      // rather than hanging it.
      released.wait_for(std::chrono::seconds(2));
    };
    platform.waitScript.assign(50, [&] { platform.armed->OnTimerTick(platform.now); });
    auto run = std::async(std::launch::async, [&] { Run(); });
    entered.get_future().wait();
    sendControls();
    release.set_value();
    sendControls();
    Control(1);
    while (run.wait_for(std::chrono::seconds(0)) != std::future_status::ready) Control(3);
    run.get();
    // A pass that had begun before the stop may still finish.
    std::wstring tail = Transcript();
    tail.erase(0, tail.find(L"event set"));
    for (const wchar_t* entry : {L"pass begin; ", L"pass end; "}) {
      for (size_t at; (at = tail.find(entry)) != std::wstring::npos;) tail.erase(at, wcslen(entry));
    }
    EXPECT_EQ(tail,
              L"event set; status 1 83 0 0 0; timer closed; event closed; engine destroyed; "
              L"status handle cleared");
  }
}

TEST_F(RunServiceMainTest, DebugWorkArmsTheTimerAndNeverReports) {
  platform.waitScript = {[] {}};  // one wait returns to run a queued tick, then it ends
  EXPECT_EQ(RunDebugWork(platform), 0u);
  EXPECT_EQ(Transcript(),
            L"engine created; timer armed; timer closed; event closed; engine destroyed");
}

}  // namespace
}  // namespace vantrel::testing
