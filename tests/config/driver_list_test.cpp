#include "config/driver_list.h"

#include <string>
#include <vector>

#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

constexpr int kList = control_id::kDriverList;
using Strings = std::vector<std::wstring>;

TEST_F(ConfigTest, InstalledDriversAreListedOnceInWmiOrderThenTheEasyPrintDrivers) {
  for (int i = 0; i < 23; ++i) wmi.AddPrinter(L"P" + std::to_wstring(i), L"Shared Driver");
  wmi.AddPrinter(L"Q1", L"shared driver");
  wmi.AddPrinter(L"Q2", L"Remote Desktop Easy Print");
  wmi.AddPrinter(L"Q3", L"Zebra");

  PopulateDriverList(ports, false);

  EXPECT_EQ(Drivers(), (Strings{L"Shared Driver", L"Remote Desktop Easy Print", L"Zebra",
                                L"Terminal Services Easy Print"}));
  EXPECT_EQ(wmi.queries, (Strings{L"SELECT * FROM Win32_Printer"}));
  EXPECT_EQ(wmi.lastResource, L"ROOT\\CIMV2");
  EXPECT_EQ(wmi.lastQueryFlags, 0x20);
  EXPECT_EQ(wmi.lastNextTimeout, -1);
  EXPECT_EQ(wmi.lastNextCount, 10u);
  EXPECT_EQ(wmi.CallCount("Next"), 3);  // 26 printers: 10, 10, then 6 with WBEM_S_FALSE
}

// Whatever part of WMI fails, the Easy Print drivers are listed, checked
// when Restore Defaults asks for it, so that a following Apply still
// excludes them.
class WmiFailureTest : public ConfigTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WmiFailureTest, EasyPrintDriversAreListedAnyway) {
  wmi.AddPrinter(L"P1", L"Unseen");
  wmi.FailCall(GetParam(), 1, hresult::kFail);
  dialog.answers = {dialog_value::kIdYes};

  OnRestoreDefaults(ports);
  ApplyChanges(ports);

  EXPECT_EQ(Drivers(),
            (Strings{L"[x] Terminal Services Easy Print", L"[x] Remote Desktop Easy Print"}));
  EXPECT_EQ(Stored().DoNotRenList, (Strings{kTsEasyPrintDriver, kRdEasyPrintDriver}));
}

INSTANTIATE_TEST_SUITE_P(Calls, WmiFailureTest,
                         ::testing::Values("CreateLocator", "ConnectServer", "ExecQuery", "Next"));

TEST_F(ConfigTest, SetDriverEntryChecksAndUnchecksAnEntryWhateverItsCase) {
  SetDriverEntry(ports, L"HP Universal", false);
  SetDriverEntry(ports, L"hp universal", true);
  EXPECT_EQ(Drivers(), (Strings{L"[x] HP Universal"}));
  SetDriverEntry(ports, L"HP UNIVERSAL", false);
  EXPECT_EQ(Drivers(), (Strings{L"HP Universal"}));
  EXPECT_EQ(dialog.lists[kList].items[0].state, 0x1000u);
}

TEST_F(ConfigTest, StoredDriversAreCheckedAndOnlyCheckedOnesAreStoredBack) {
  StoreList(L"DoNotRenList", {L"Retired Driver", L"hp universal", L"Kept Driver"});
  wmi.AddPrinter(L"Office", L"HP Universal");
  OpenDialog();
  EXPECT_EQ(Drivers(), (Strings{L"[x] HP Universal", kTsEasyPrintDriver, kRdEasyPrintDriver,
                                L"[x] Retired Driver", L"[x] Kept Driver"}));

  SetDriverEntry(ports, L"Retired Driver", false);
  ApplyChanges(ports);

  // The list's spelling is what gets stored.
  EXPECT_EQ(Stored().DoNotRenList, (Strings{L"HP Universal", L"Kept Driver"}));
}

}  // namespace
}  // namespace vantrel::testing
