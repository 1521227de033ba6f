// The status line and the service requests, over both dialog backends.
#include "config/service_client.h"

#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

TEST_F(ConfigTest, StatusLineShowsTheWordOfEachStateOrNa) {
  const wchar_t* words[] = {L"Unknown",       L"Stopped", L"Start Pending",
                            L"Stop Pending",  L"Running", L"Continue Pending",
                            L"Pause Pending", L"Paused",  L"Unknown"};
  for (uint32_t state = 0; state <= 8; ++state) {
    scm.state = state;
    EXPECT_EQ(RefreshServiceStatus(ports), static_cast<int32_t>(state));
    EXPECT_EQ(Text(IDC_STATUS_BAR), std::wstring(L"Service Status: ") + words[state]);
  }
  // No manager, no service, no access, no status: -1 and "N/A".
  for (int why = 0; why < 4; ++why) {
    scm = FakeServiceManager();
    scm.managerOpenFails = why == 0;
    scm.installed = why != 1;
    scm.deniedServiceAccess = why == 2 ? scm_access::kGenericRead : 0;
    scm.queryFails = why == 3;
    EXPECT_EQ(RefreshServiceStatus(ports), -1) << why;
    EXPECT_EQ(Text(IDC_STATUS_BAR), L"Service Status: N/A") << why;
    EXPECT_EQ(scm.openHandles, 0) << why;
  }
}

// A service that never starts is polled at 0, 500, ..., 5000 ms: eleven
// times, also when the tick count wraps during the wait or the deadline
// itself wraps.
TEST_F(ConfigTest, StartServiceAndWaitPollsEveryHalfSecondForFiveSeconds) {
  const struct {
    uint32_t startTick;
    int queriesUntilRunning;  // negative: never
    uint32_t advancePerReading;
    bool startRefused;
    int polls;
    const wchar_t* lastStatus;
  } cases[] = {
      {1000, 3, 0, false, 3, L"Service Status: Running"},
      {1000, -1, 0, false, 11, L"Service Status: Start Pending"},
      {0xFFFFF82Fu, -1, 0, false, 11, L"Service Status: Start Pending"},   // deadline wraps
      {0xFFFFEB00u, -1, 700, false, 5, L"Service Status: Start Pending"},  // slow, across wrap
      {1000, 1, 0, true, 0, L""},                                          // start refused
  };
  for (const auto& c : cases) {
    scm = FakeServiceManager();
    ticks = FakeTicks();
    dialog.SetText(IDC_STATUS_BAR, L"");
    ticks.now = c.startTick;
    ticks.advancePerReading = c.advancePerReading;
    scm.queriesUntilRunning = c.queriesUntilRunning;
    scm.startRefused = c.startRefused;

    StartServiceAndWait(ports);

    EXPECT_EQ(scm.statusQueries, c.polls) << c.startTick;
    EXPECT_EQ(ticks.sleeps, std::vector<uint32_t>(c.polls > 0 ? c.polls - 1 : 0, 500u));
    EXPECT_EQ(Text(IDC_STATUS_BAR), c.lastStatus) << c.startTick;
    EXPECT_EQ(scm.openHandles, 0);
  }
}

}  // namespace
}  // namespace vantrel::testing
