// The status line and Apply's requests to the service, over both dialog
// backends.
#include "config/service_client.h"

#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

// No manager, no service, no access, no status: -1 and "N/A". The words of
// the states are checked through Apply below.
TEST_F(ConfigTest, StatusLineShowsNaWhenTheServiceCannotBeQueried) {
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

// Apply saves, starts the service unless it runs and polls it at 0, 500,
// ..., 5000 ms (eleven times at most, also when the tick count wraps during
// the wait or the deadline itself wraps), then asks for a reload whatever
// the start did; only a service that cannot be opened gets none.
TEST_F(ConfigTest, ApplySavesThenStartsAndWaitsWhenNeededThenAsksForAReload) {
  const struct {
    uint32_t state;           // 0: not installed
    int queriesUntilRunning;  // after the start; negative: never
    bool startRefused;
    uint32_t startTick, advancePerReading;
    size_t sleeps;
    const wchar_t* status;
  } cases[] = {
      {4, 0, false, 1000, 0, 0, L"Running"},
      {1, 3, false, 1000, 0, 2, L"Running"},
      {1, -1, false, 1000, 0, 10, L"Start Pending"},
      {1, -1, false, 0xFFFFF82Fu, 0, 10, L"Start Pending"},   // the deadline wraps
      {1, -1, false, 0xFFFFEB00u, 700, 4, L"Start Pending"},  // slow, across the wrap
      {1, 0, true, 1000, 0, 0, L"Stopped"},
      {7, 0, false, 1000, 0, 0, L"Paused"},
      {9, 0, false, 1000, 0, 0, L"Unknown"},
      {3, 0, false, 1000, 0, 0, L"Stop Pending"},
      {5, 0, false, 1000, 0, 0, L"Continue Pending"},
      {6, 0, false, 1000, 0, 0, L"Pause Pending"},
      {0, 0, false, 1000, 0, 0, L"N/A"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    scm = FakeServiceManager();
    scm.installed = c.state != 0;
    scm.state = c.state;
    scm.queriesUntilRunning = c.queriesUntilRunning;
    scm.startRefused = c.startRefused;
    ticks = FakeTicks();
    ticks.now = c.startTick;
    ticks.advancePerReading = c.advancePerReading;
    OpenDialog();
    dialog.SetText(IDC_FORMAT_BOX, L"saved " + std::to_wstring(i));

    Click(IDC_APPLY_CHANGES);

    EXPECT_EQ(Stored().NamingFormat, L"saved " + std::to_wstring(i));
    EXPECT_EQ(scm.startRequests, c.state != 4 && c.state != 0) << i;
    EXPECT_EQ(ticks.sleeps, std::vector<uint32_t>(c.sleeps, 500u)) << i;
    EXPECT_EQ(Text(IDC_STATUS_BAR), std::wstring(L"Service Status: ") + c.status) << i;
    EXPECT_EQ(scm.controlsSent, std::vector<uint32_t>(c.state != 0, 200)) << i;
    EXPECT_EQ(scm.openHandles, 0) << i;
  }
}

}  // namespace
}  // namespace vantrel::testing
