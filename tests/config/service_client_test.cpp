#include "config/service_client.h"

#include <cwchar>
#include <ostream>
#include <string>
#include <vector>

#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

// The opens as "access name" pairs, the manager's without a name.
std::wstring OpensOf(const FakeServiceManager& scm) {
  std::wstring opens;
  for (const auto& open : scm.opens) {
    wchar_t access[16];
    swprintf(access, 16, L"%X", open.access);
    opens += (opens.empty() ? L"" : L", ") + std::wstring(access) + L" " + open.name;
  }
  return opens;
}

TEST_F(ConfigTest, StatusLineShowsTheWordOfEachState) {
  const wchar_t* words[] = {L"Unknown",       L"Stopped", L"Start Pending",
                            L"Stop Pending",  L"Running", L"Continue Pending",
                            L"Pause Pending", L"Paused",  L"Unknown"};
  for (uint32_t state = 0; state <= 8; ++state) {
    scm.state = state;
    EXPECT_EQ(RefreshServiceStatus(ports), static_cast<int32_t>(state));
    EXPECT_EQ(StatusText(), std::wstring(L"Service Status: ") + words[state]);
  }
}

TEST_F(ConfigTest, StatusLineShowsNaWhenThereIsNoStatus) {
  for (int why = 0; why < 4; ++why) {
    scm = FakeServiceManager();
    scm.managerOpenFails = why == 0;
    scm.installed = why != 1;
    scm.deniedServiceAccess = why == 2 ? scm_access::kGenericRead : 0;
    scm.queryFails = why == 3;
    dialog.SetText(control_id::kStatusBar, L"stale");
    EXPECT_EQ(RefreshServiceStatus(ports), -1) << why;
    EXPECT_EQ(StatusText(), L"Service Status: N/A") << why;
    EXPECT_EQ(scm.openHandles, 0) << why;
  }
}

TEST_F(ConfigTest, EachRequestOpensWithItsOwnAccessRights) {
  scm.queriesUntilRunning = 1;

  RefreshServiceStatus(ports);
  StartServiceAndWait(ports);  // polls once
  SendReloadSettings(ports);

  EXPECT_EQ(OpensOf(scm),
            L"80000000 , 80000000 Vantrel, 1 , 10 Vantrel, 80000000 , 80000000 Vantrel, 1 , "
            L"100 Vantrel");
  EXPECT_EQ(scm.controlsSent, (std::vector<uint32_t>{200}));
  EXPECT_EQ(scm.openHandles, 0);
}

struct WaitCase {
  const char* name;
  uint32_t startTick;
  int queriesUntilRunning;  // negative: never
  uint32_t advancePerReading;
  bool startRefused;
  int polls;
  const wchar_t* lastStatus;
};

void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.name; }

class StartServiceAndWaitTest : public ConfigTest,
                                public ::testing::WithParamInterface<WaitCase> {};

TEST_P(StartServiceAndWaitTest, PollsEveryHalfSecondUntilRunningOrFiveSecondsPassed) {
  const WaitCase& c = GetParam();
  ticks.now = c.startTick;
  ticks.advancePerReading = c.advancePerReading;
  scm.queriesUntilRunning = c.queriesUntilRunning;
  scm.startRefused = c.startRefused;

  StartServiceAndWait(ports);

  EXPECT_EQ(scm.statusQueries, c.polls);
  EXPECT_EQ(ticks.sleeps, std::vector<uint32_t>(c.polls > 0 ? c.polls - 1 : 0, 500u));
  if (c.polls > 0) {
    EXPECT_EQ(StatusText(), c.lastStatus);
  }
  EXPECT_EQ(scm.openHandles, 0);
}

// A service that never starts is polled at 0, 500, ..., 5000 ms: eleven
// times, also when the tick count wraps during the wait or the deadline
// itself wraps.
INSTANTIATE_TEST_SUITE_P(
    Cases, StartServiceAndWaitTest,
    ::testing::Values(
        WaitCase{"RunningAtTheThirdPoll", 1000, 3, 0, false, 3, L"Service Status: Running"},
        WaitCase{"NeverStarts", 1000, -1, 0, false, 11, L"Service Status: Start Pending"},
        WaitCase{"DeadlineWraps", 0xFFFFF82Fu, -1, 0, false, 11, L"Service Status: Start Pending"},
        WaitCase{"SlowCallsSkipPastTheDeadlineAcrossTheWrap", 0xFFFFEB00u, -1, 700, false, 5,
                 L"Service Status: Start Pending"},
        WaitCase{"StartRefused", 1000, 1, 0, true, 0, L""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel::testing
