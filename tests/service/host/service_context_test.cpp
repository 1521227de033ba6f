#include "service/service_context.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "settings/settings.h"
#include "tests/fakes/fake_registry.h"
#include "tests/service/host/host_fakes.h"

namespace vantrel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ServiceContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsRegistry(&registry);
    ResetSettingsForTesting();
    SetLogSink(std::make_unique<JournalLogSink>(journal));
    logEnabled = true;
  }
  void TearDown() override {
    logEnabled = false;
    SetLogSink(nullptr);
    SetSettingsRegistry(nullptr);
    ResetSettingsForTesting();
  }

  // A context whose constructor's journal entries are already cleared.
  std::unique_ptr<ServiceContext> MakeContext() {
    auto context = std::make_unique<ServiceContext>(platform, checkPoints);
    context->SetStatusHandle(std::make_unique<RecordingReporter>(journal, reports));
    journal.Clear();
    return context;
  }

  FakeRegistry registry;
  Journal journal;
  FakePlatform platform{journal};
  CheckPointCounter checkPoints;
  std::vector<ServiceStatus> reports;
};

TEST(FileTimeToUnixSecondsTest, DividesThenSubtracts) {
  struct Case {
    int64_t fileTime;
    int64_t seconds;
  };
  constexpr int64_t kEpoch = 116444736000000000;  // 1970-01-01 as a FILETIME
  const Case cases[] = {
      {kEpoch, 0},
      {kEpoch + 9999999, 0},  // fractions are dropped
      {kEpoch + 10000000, 1},
      {kEpoch - 1, -1},  // truncation happens before the subtraction
      {kEpoch + 17000000000000000, 1700000000},
      {0, -11644473600},
  };
  for (const auto& c : cases) {
    const auto bits = static_cast<uint64_t>(c.fileTime);
    EXPECT_EQ(FileTimeToUnixSeconds(static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32)),
              c.seconds)
        << c.fileTime;
  }
}

TEST_F(ServiceContextTest, ConstructionLoadsSettingsThenStartsTheClock) {
  registry.SetString(RegistryRoot::kLocalMachine, kSettingsKeyPath, L"NamingFormat", L"%username%");
  platform.manualClock.now = 5000;
  ServiceContext context(platform, checkPoints);
  EXPECT_THAT(journal.Entries(),
              ElementsAre("engine created", "log Loading configuration\n", "log User logged in\n"));
  EXPECT_EQ(context.LastLogonTime(), 5000);
  EXPECT_EQ(GetSettings().NamingFormat, L"%username%");
}

TEST_F(ServiceContextTest, TickPacing) {
  struct Case {
    int64_t elapsed;
    bool pass;
    bool clockReset;
  };
  const Case cases[] = {
      {0, true, false},    {300, true, false}, {301, false, false},    {18000, false, false},
      {18001, true, true}, {-1, true, false},  {-100000, true, false},
  };
  for (const auto& c : cases) {
    platform.manualClock.now = 1000000;
    auto context = MakeContext();
    platform.manualClock.now = 2000000;  // "now" differs from the tick time on purpose
    context->OnTimerTick(1000000 + c.elapsed);
    std::vector<std::string> expected;
    if (c.pass) expected = {"pass begin", "pass end"};
    EXPECT_EQ(journal.Entries(), expected) << "elapsed " << c.elapsed;
    EXPECT_EQ(context->LastLogonTime(), c.clockReset ? 2000000 : 1000000)
        << "elapsed " << c.elapsed;
  }
}

TEST_F(ServiceContextTest, SessionChanges) {
  struct Case {
    uint32_t eventType;
    std::optional<uint32_t> sessionId;
    std::vector<std::string> journal;
    bool clockReset;
  };
  const Case cases[] = {
      {3, 9, {"log User logged in\n"}, true},  // remote connect
      {5, 9, {"log User logged in\n"}, true},  // log-on
      {4, 7, {"log User logged out.  Session: 7\n", "forget 7"}, false},
      {6, 4294967295u, {"log User logged out.  Session: -1\n", "forget 4294967295"}, false},
      {6, std::nullopt, {}, false},  // no notification data: no session to forget
      {1, 9, {}, false},             // console connect
      {2, 9, {}, false},             // console disconnect
      {7, 9, {}, false},             // lock
      {8, 9, {}, false},             // unlock
  };
  for (const auto& c : cases) {
    platform.manualClock.now = 100;
    auto context = MakeContext();
    platform.manualClock.now = 20000;
    EXPECT_EQ(context->HandleControl(14, c.eventType, c.sessionId), 0u);
    EXPECT_EQ(journal.Entries(), c.journal) << "event " << c.eventType;
    EXPECT_EQ(context->LastLogonTime(), c.clockReset ? 20000 : 100) << "event " << c.eventType;
    EXPECT_THAT(reports, IsEmpty());
  }
}

TEST_F(ServiceContextTest, LogonReopensTheWindowForTheNextTick) {
  platform.manualClock.now = 0;
  auto context = MakeContext();
  context->OnTimerTick(1000);
  EXPECT_THAT(journal.Entries(), IsEmpty());
  platform.manualClock.now = 1000;
  context->HandleControl(14, 3, 2);
  context->OnTimerTick(1010);
  EXPECT_THAT(journal.Entries(), ElementsAre("log User logged in\n", "pass begin", "pass end"));
}

TEST_F(ServiceContextTest, UnlistedControlsAreNotImplementedAndChangeNothing) {
  for (uint32_t control : {0u, 5u, 6u, 15u, 16u, 128u, 199u, 201u, 255u}) {
    auto context = MakeContext();
    EXPECT_EQ(context->HandleControl(control, 0, std::nullopt), 120u) << control;
    EXPECT_THAT(journal.Entries(), IsEmpty()) << control;
  }
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(ServiceContextTest, InterrogateAndReloadAnswerZero) {
  auto context = MakeContext();
  EXPECT_EQ(context->HandleControl(4, 0, std::nullopt), 0u);
  EXPECT_THAT(journal.Entries(), IsEmpty());

  registry.SetString(RegistryRoot::kLocalMachine, kSettingsKeyPath, L"NamingFormat", L"reloaded");
  EXPECT_EQ(context->HandleControl(200, 0, std::nullopt), 0u);
  EXPECT_THAT(journal.Entries(), ElementsAre("log Loading configuration\n"));
  EXPECT_EQ(GetSettings().NamingFormat, L"reloaded");
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(ServiceContextTest, PauseAndContinueReportAndDriveTheTimer) {
  checkPoints.Take();  // the start-pending report had 1
  platform.manualClock.now = 0;
  auto context = MakeContext();
  EXPECT_EQ(context->HandleControl(2, 0, std::nullopt), 0u);
  context->OnTimerTick(10);  // a tick queued before the cancel
  EXPECT_EQ(context->HandleControl(3, 0, std::nullopt), 0u);
  context->OnTimerTick(20);
  EXPECT_THAT(journal.Entries(), ElementsAre("status 6", "timer cancelled", "status 7", "status 5",
                                             "timer armed", "status 4", "pass begin", "pass end"));
  struct Expected {
    uint32_t state;
    uint32_t checkPoint;
  };
  const Expected expected[] = {{6, 2}, {7, 3}, {5, 4}, {4, 0}};
  ASSERT_EQ(reports.size(), 4u);
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].serviceType, 0x10u);
    EXPECT_EQ(reports[i].currentState, expected[i].state);
    EXPECT_EQ(reports[i].controlsAccepted, 0x83u);
    EXPECT_EQ(reports[i].win32ExitCode, 0u);
    EXPECT_EQ(reports[i].serviceSpecificExitCode, 0u);
    EXPECT_EQ(reports[i].checkPoint, expected[i].checkPoint);
    EXPECT_EQ(reports[i].waitHint, 0u);
  }
}

TEST_F(ServiceContextTest, DestructionClosesTimerThenEventThenEngineThenStatus) {
  auto context = MakeContext();
  context.reset();
  EXPECT_THAT(journal.Entries(), ElementsAre("timer closed", "event closed", "engine destroyed",
                                             "status handle cleared"));
}

// The control thread's reload, forgetting and clock reset wait for a pass
// in progress to end.
TEST_F(ServiceContextTest, ControlWorkWaitsForThePassInProgress) {
  struct Case {
    uint32_t control;
    uint32_t eventType;
    std::string firstEntryAfterPass;
  };
  const Case cases[] = {
      {200, 0, "log Loading configuration\n"},
      {14, 6, "log User logged out.  Session: 3\n"},
      {14, 5, "log User logged in\n"},
  };
  for (const auto& c : cases) {
    std::promise<void> passEntered;
    std::promise<void> releasePass;
    std::shared_future<void> release = releasePass.get_future().share();
    platform.duringPass = [&passEntered, release] {
      passEntered.set_value();
      release.wait();
    };
    platform.manualClock.now = 0;
    auto context = MakeContext();

    std::thread service([&] { context->OnTimerTick(10); });
    passEntered.get_future().wait();
    std::atomic<bool> controlDone{false};
    std::thread control([&] {
      context->HandleControl(c.control, c.eventType, 3);
      controlDone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(controlDone) << c.control << "/" << c.eventType;
    releasePass.set_value();
    service.join();
    control.join();

    auto entries = journal.Entries();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries[1], "pass end");
    EXPECT_EQ(entries[2], c.firstEntryAfterPass);
    platform.duringPass = nullptr;
  }
}

// Pause, continue and stop must not wait for a pass: the Service Control
// Manager expects a prompt answer.
TEST_F(ServiceContextTest, StopAndPauseDoNotWaitForThePass) {
  std::promise<void> passEntered;
  std::promise<void> releasePass;
  std::shared_future<void> release = releasePass.get_future().share();
  platform.duringPass = [&passEntered, release] {
    passEntered.set_value();
    release.wait();
  };
  platform.manualClock.now = 0;
  auto context = MakeContext();
  std::thread service([&] { context->OnTimerTick(10); });
  passEntered.get_future().wait();
  context->HandleControl(2, 0, std::nullopt);
  context->HandleControl(3, 0, std::nullopt);
  context->HandleControl(1, 0, std::nullopt);
  EXPECT_EQ(journal.Entries().back(), "event set");
  releasePass.set_value();
  service.join();
  EXPECT_EQ(journal.Entries().back(), "pass end");
}

}  // namespace
}  // namespace vantrel::testing
