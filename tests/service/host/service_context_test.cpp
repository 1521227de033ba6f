#include "service/service_context.h"

#include "tests/service/host/host_fakes.h"

namespace vantrel::testing {
namespace {

class ServiceContextTest : public HostTest {
 protected:
  ServiceContextTest() { logEnabled = true; }

  // A context with a status channel, made at `now`, its journal cleared.
  std::unique_ptr<ServiceContext> MakeContext(int64_t now) {
    platform.now = now;
    auto context = std::make_unique<ServiceContext>(platform, checkPoints);
    context->SetStatusHandle(std::make_unique<FakeReporter>(journal));
    journal.clear();
    return context;
  }
};

TEST(FileTimeToUnixSecondsTest, DividesThenSubtracts) {
  constexpr int64_t kEpoch = 116444736000000000;  // 1970-01-01 as a FILETIME
  const std::pair<int64_t, int64_t> cases[] = {
      {kEpoch, 0},
      {kEpoch + 9999999, 0},  // fractions are dropped
      {kEpoch + 10000000, 1},
      {kEpoch - 1, -1},  // truncation happens before the subtraction
      {kEpoch + 17000000000000000, 1700000000},
      {0, -11644473600},
  };
  for (const auto& [fileTime, seconds] : cases) {
    const auto bits = static_cast<uint64_t>(fileTime);
    EXPECT_EQ(FileTimeToUnixSeconds(static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32)),
              seconds)
        << fileTime;
  }
}

TEST_F(ServiceContextTest, ConstructionLoadsSettingsThenStartsTheClock) {
  registry.SetString(RegistryRoot::kLocalMachine, kSettingsKeyPath, L"NamingFormat", L"%username%");
  platform.now = 5000;
  ServiceContext context(platform, checkPoints);
  EXPECT_EQ(Transcript(), L"engine created; Loading configuration\n; User logged in\n");
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
    auto context = MakeContext(1000000);
    platform.now = 2000000;  // "now" differs from the tick time on purpose
    context->OnTimerTick(1000000 + c.elapsed);
    EXPECT_EQ(Transcript(), c.pass ? L"pass begin; pass end" : L"") << c.elapsed;
    EXPECT_EQ(context->LastLogonTime(), c.clockReset ? 2000000 : 1000000) << c.elapsed;
  }
}

// Each control on a context of its own, in order: check points go on from
// case to case. A logon or a remote connect restarts the session-activity
// clock.
TEST_F(ServiceContextTest, Controls) {
  struct Case {
    uint32_t control, eventType;
    std::optional<uint32_t> sessionId;
    const wchar_t* transcript;
    bool clockReset;
  };
  const Case cases[] = {
      {14, 3, 9, L"User logged in\n", true},  // remote connect
      {14, 5, 9, L"User logged in\n", true},  // log-on
      {14, 4, 7, L"User logged out.  Session: 7\n; forget 7", false},
      {14, 6, 4294967295u, L"User logged out.  Session: -1\n; forget 4294967295", false},
      {14, 6, std::nullopt, L"", false},  // no notification data: no session to forget
      {14, 1, 9, L"", false},             // console connect
      {14, 2, 9, L"", false},             // console disconnect
      {14, 7, 9, L"", false},             // lock
      {14, 8, 9, L"", false},             // unlock
      {1, 0, {}, L"event set", false},
      {2, 0, {}, L"status 6 83 0 1 0; timer cancelled; status 7 83 0 2 0", false},
      {3, 0, {}, L"status 5 83 0 3 0; wake; status 4 83 0 0 0", false},
      {4, 0, {}, L"", false},
      {200, 0, {}, L"Loading configuration\n", false},
  };
  for (const auto& c : cases) {
    auto context = MakeContext(100);
    platform.now = 20000;
    EXPECT_EQ(context->HandleControl(c.control, c.eventType, c.sessionId), 0u);
    EXPECT_EQ(Transcript(), c.transcript) << c.control << "/" << c.eventType;
    EXPECT_EQ(context->LastLogonTime(), c.clockReset ? 20000 : 100) << c.eventType;
  }
  for (uint32_t control : {0u, 5u, 6u, 15u, 16u, 128u, 199u, 201u, 255u}) {
    auto context = MakeContext(100);
    EXPECT_EQ(context->HandleControl(control, 0, std::nullopt), 120u) << control;
    EXPECT_EQ(Transcript(), L"") << control;
  }
}

TEST_F(ServiceContextTest, ReloadReadsTheSettingsAgain) {
  auto context = MakeContext(0);
  registry.SetString(RegistryRoot::kLocalMachine, kSettingsKeyPath, L"NamingFormat", L"reloaded");
  context->HandleControl(200, 0, std::nullopt);
  EXPECT_EQ(GetSettings().NamingFormat, L"reloaded");
}

}  // namespace
}  // namespace vantrel::testing
