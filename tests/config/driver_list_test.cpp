#include "config/driver_list.h"

#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

using Strings = std::vector<std::wstring>;

TEST_F(ConfigTest, InstalledDriversAreListedOnceInWmiOrderThenTheEasyPrintDrivers) {
  for (int i = 0; i < 23; ++i) wmi.AddPrinter(L"P" + std::to_wstring(i), L"Shared Driver");
  wmi.AddPrinter(L"Q1", L"shared driver");
  wmi.AddPrinter(L"Q2", L"Remote Desktop Easy Print");
  wmi.AddPrinter(L"Q3", L"Zebra");

  PopulateDriverList(ports, false);

  EXPECT_EQ(Drivers(), (Strings{L"Shared Driver", L"Remote Desktop Easy Print", L"Zebra",
                                L"Terminal Services Easy Print"}));
}

// Whatever part of WMI fails, the Easy Print drivers are listed, checked
// when Restore Defaults asks for it, so that a following Apply still
// excludes them.
TEST_F(ConfigTest, EasyPrintDriversAreListedWhenWmiFails) {
  for (const char* call : {"Connect", "ListPrinters", "Next"}) {
    wmi = FakeWmi();
    wmi.AddPrinter(L"P1", L"Unseen");
    wmi.FailCall(call, 1, Status(hresult::kFail));
    replies.answers = {dialog_value::kIdYes};

    Click(IDC_RESTORE_DEFAULTS);
    ApplyChanges(ports);

    EXPECT_EQ(Drivers(),
              (Strings{L"[x] Terminal Services Easy Print", L"[x] Remote Desktop Easy Print"}))
        << call;
    EXPECT_EQ(Stored().DoNotRenList, (Strings{kTsEasyPrintDriver, kRdEasyPrintDriver})) << call;
  }
}

TEST_F(ConfigTest, StoredDriversAreCheckedAndOnlyCheckedOnesAreStoredBack) {
  StoreList(L"DoNotRenList", {L"Retired Driver", L"hp universal", L"Kept Driver"});
  wmi.AddPrinter(L"Office", L"HP Universal");
  OpenDialog();
  EXPECT_EQ(Drivers(), (Strings{L"[x] HP Universal", kTsEasyPrintDriver, kRdEasyPrintDriver,
                                L"[x] Retired Driver", L"[x] Kept Driver"}));

  // Found whatever its case.
  SetDriverEntry(ports, L"retired driver", false);
  SetDriverEntry(ports, L"KEPT DRIVER", true);
  EXPECT_EQ(fake().lists[IDC_DRIVER_LIST][3].state, 0x1000u);  // an empty box, not none
  ApplyChanges(ports);

  // The list's spelling is what gets stored.
  EXPECT_EQ(Stored().DoNotRenList, (Strings{L"HP Universal", L"Kept Driver"}));
}

}  // namespace
}  // namespace vantrel::testing
