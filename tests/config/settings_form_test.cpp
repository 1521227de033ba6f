#include "config/driver_list.h"
#include "config/naming_formats.h"
#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

namespace id = control_id;
using Strings = std::vector<std::wstring>;

const Strings kPresets(kNamingFormatPresets.begin(), kNamingFormatPresets.end());

Strings Concat(Strings a, const Strings& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(ConfigTest, FirstStartShowsTheRecordDefaultsNotTheRestoreDefaults) {
  OpenDialog();

  EXPECT_EQ(Form(), L"ts 0 del 0 app 1 '' strip 1 regex 0 -'in [Ss]ession [0-9]+' ");
  // Nothing stored: the first preset stands in for the empty format.
  EXPECT_EQ(Formats(), kPresets);
  EXPECT_EQ(FormatText(), kPresets[0]);
  EXPECT_EQ(Drivers(), (Strings{kTsEasyPrintDriver, kRdEasyPrintDriver}));
  EXPECT_EQ(StatusText(), L"Service Status: Stopped");
}

TEST_F(ConfigTest, StoredSettingsAreShownOverTheDefaults) {
  StoreString(L"NamingFormat", L"%USERNAME% at %clientname%");
  StoreString(L"AppendToDuplicates", L" (copy)");
  StoreString(L"RenameRegex", L"^TS.*");
  StoreBool(L"OnlyUseRegex", true);
  StoreBool(L"StripParens", false);
  StoreList(L"NamingFormatList", {L"%username% at %clientname%", L"%PrinterName% on %UserName%",
                                  L"%username% at %CLIENTNAME%"});
  StoreList(L"DoNotRenList", {L"HP Universal", L"remote desktop easy print"});
  wmi.AddPrinter(L"Office", L"HP Universal");

  OpenDialog();

  EXPECT_EQ(Form(), L"ts 0 del 0 app 1 ' (copy)' strip 0 regex 1 '^TS.*' ");
  // Repeats in another case collapse into the first spelling, which is also
  // what the selection shows.
  EXPECT_EQ(Formats(), Concat(kPresets, {L"%username% at %clientname%"}));
  EXPECT_EQ(FormatText(), L"%username% at %clientname%");
  EXPECT_EQ(Drivers(),
            (Strings{L"[x] HP Universal", kTsEasyPrintDriver, L"[x] Remote Desktop Easy Print"}));
}

// Texts are cut to 1,023 characters: with the NUL they fill the 2,048-byte
// read buffer exactly, so they load again.
TEST_F(ConfigTest, ApplyStoresAllNineValuesFromTheControls) {
  const std::wstring format = L"%username% " + std::wstring(1500, L'f');
  const std::wstring suffix = L" - " + std::wstring(1500, L's');
  const std::wstring regex = L"session " + std::wstring(1500, L'r');
  wmi.AddPrinter(L"Lab", L"Xerox Global");
  OpenDialog();
  dialog.TypeText(id::kFormatBox, format);  // typed, not added
  dialog.SetChecked(id::kDeleteDuplicates, true);
  dialog.SetChecked(id::kAppendToDuplicates, false);
  OnDuplicateChoice(ports, id::kDeleteDuplicates);
  dialog.SetText(id::kSuffixEdit, suffix);  // disabled, still stored
  dialog.SetChecked(id::kOnlyTsPort, true);
  dialog.SetChecked(id::kStripParens, false);
  dialog.SetText(id::kRegexEdit, regex);  // disabled, still stored
  SetDriverEntry(ports, L"Xerox Global", true);

  ApplyChanges(ports);

  const Settings stored = Stored();
  EXPECT_EQ(stored.NamingFormat, format.substr(0, 1023));
  EXPECT_EQ(stored.AppendToDuplicates, suffix.substr(0, 1023));
  EXPECT_EQ(stored.RenameRegex, regex.substr(0, 1023));
  EXPECT_EQ(std::vector<bool>({stored.OnlyRenTS, stored.DeleteDuplicates, stored.OnlyUseRegex,
                               stored.StripParens}),
            std::vector<bool>({true, true, false, false}));
  EXPECT_EQ(stored.NamingFormatList, kPresets);
  EXPECT_EQ(stored.DoNotRenList, (Strings{L"Xerox Global"}));
  EXPECT_EQ(registry.ValueNames(RegistryRoot::kLocalMachine, kSettingsKeyPath).size(), 9u);
}

TEST_F(ConfigTest, RestoreDefaultsResetsTheFormOnlyOnYesAndSavesNothing) {
  StoreString(L"NamingFormat", L"custom");
  StoreString(L"RenameRegex", L"kept");
  StoreBool(L"OnlyUseRegex", true);
  StoreList(L"DoNotRenList", {L"HP Universal"});
  wmi.AddPrinter(L"Office", L"HP Universal");
  OpenDialog();
  const std::wstring form = Form();
  const Strings formats = Formats(), drivers = Drivers();

  dialog.answers = {dialog_value::kIdNo, dialog_value::kIdYes};
  OnRestoreDefaults(ports);
  EXPECT_EQ(Form(), form);
  EXPECT_EQ(Formats(), formats);
  EXPECT_EQ(Drivers(), drivers);

  OnRestoreDefaults(ports);
  ASSERT_EQ(dialog.boxes.size(), 2u);
  EXPECT_EQ(dialog.boxes[1].caption + L": " + dialog.boxes[1].text +
                std::to_wstring(dialog.boxes[1].type),
            L"Restore Defaults?: Are you sure you want to restore to default settings?4");
  EXPECT_EQ(Form(), L"ts 1 del 1 app 0 -'' strip 1 regex 0 -'kept' ");
  EXPECT_EQ(Formats(), kPresets);
  EXPECT_EQ(FormatText(), kPresets[0]);
  EXPECT_EQ(Drivers(), (Strings{L"HP Universal", L"[x] Terminal Services Easy Print",
                                L"[x] Remote Desktop Easy Print"}));
  EXPECT_EQ(Stored().NamingFormat, L"custom");
}

// Apply saves, starts the service unless it runs, then asks for a reload,
// whatever the start did; only a service that cannot be opened gets none.
TEST_F(ConfigTest, ApplySavesThenStartsWhenNeededThenAsksForAReload) {
  const struct {
    uint32_t state;  // 0: not installed
    bool startRefused;
    int startRequests;
    const wchar_t* status;
  } cases[] = {
      {4, false, 0, L"Running"}, {1, false, 1, L"Running"}, {7, false, 1, L"Paused"},
      {9, false, 1, L"Unknown"}, {1, true, 1, L"Stopped"},  {0, false, 0, L"N/A"},
  };
  for (const auto& c : cases) {
    scm = FakeServiceManager();
    scm.installed = c.state != 0;
    scm.state = c.state;
    scm.startRefused = c.startRefused;
    OpenDialog();
    dialog.TypeText(id::kFormatBox, L"saved " + std::to_wstring(c.state));

    ApplyChanges(ports);

    EXPECT_EQ(Stored().NamingFormat, L"saved " + std::to_wstring(c.state));
    EXPECT_EQ(scm.startRequests, c.startRequests) << c.state;
    EXPECT_EQ(StatusText(), std::wstring(L"Service Status: ") + c.status);
    EXPECT_EQ(scm.controlsSent, std::vector<uint32_t>(c.state != 0, 200)) << c.state;
    EXPECT_EQ(scm.openHandles, 0);
  }
}

}  // namespace
}  // namespace vantrel::testing
