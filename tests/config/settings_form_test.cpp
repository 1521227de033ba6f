#include <ostream>
#include <string>
#include <vector>

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
  // The empty stored format is looked up, appended and selected.
  EXPECT_EQ(Formats(), Concat(kPresets, {L""}));
  EXPECT_EQ(FormatText(), L"");
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

TEST_F(ConfigTest, ApplyStoresAllNineValuesFromTheControls) {
  wmi.AddPrinter(L"Lab", L"Xerox Global");
  OpenDialog();
  dialog.TypeText(id::kFormatBox, L"%username% - %hostname%");  // typed, not added
  dialog.SetChecked(id::kDeleteDuplicates, true);
  dialog.SetChecked(id::kAppendToDuplicates, false);
  OnDuplicateChoice(ports, id::kDeleteDuplicates);
  dialog.SetText(id::kSuffixEdit, L" - Dup");  // disabled, still stored
  dialog.SetChecked(id::kOnlyTsPort, true);
  dialog.SetChecked(id::kStripParens, false);
  dialog.SetText(id::kRegexEdit, L"session [0-9]+");  // disabled, still stored
  SetDriverEntry(ports, L"Xerox Global", true);

  ApplyChanges(ports);

  Settings stored = Stored();
  EXPECT_EQ(stored.NamingFormat, L"%username% - %hostname%");
  EXPECT_EQ(stored.AppendToDuplicates, L" - Dup");
  EXPECT_EQ(stored.RenameRegex, L"session [0-9]+");
  EXPECT_TRUE(stored.OnlyRenTS);
  EXPECT_TRUE(stored.DeleteDuplicates);
  EXPECT_FALSE(stored.OnlyUseRegex);
  EXPECT_FALSE(stored.StripParens);
  EXPECT_EQ(stored.NamingFormatList, kPresets);  // the empty entry is not loaded back
  EXPECT_EQ(stored.DoNotRenList, (Strings{L"Xerox Global"}));
  EXPECT_EQ(registry.ValueNames(RegistryRoot::kLocalMachine, kSettingsKeyPath).size(), 9u);
}

TEST_F(ConfigTest, LongTextsAreStoredCutTo1023Characters) {
  OpenDialog();
  const std::wstring longText(1500, L'x');
  dialog.TypeText(id::kFormatBox, longText);
  dialog.SetText(id::kSuffixEdit, longText);
  dialog.SetText(id::kRegexEdit, longText);

  ApplyChanges(ports);

  // 1,023 characters and the NUL fill the 2,048-byte read buffer exactly,
  // so the cut texts load again.
  Settings stored = Stored();
  EXPECT_EQ(stored.NamingFormat, longText.substr(0, 1023));
  EXPECT_EQ(stored.AppendToDuplicates, longText.substr(0, 1023));
  EXPECT_EQ(stored.RenameRegex, longText.substr(0, 1023));
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
  EXPECT_EQ(dialog.boxes[1].text, L"Are you sure you want to restore to default settings?");
  EXPECT_EQ(dialog.boxes[1].caption, L"Restore Defaults?");
  EXPECT_EQ(dialog.boxes[1].type, 4u);
  EXPECT_EQ(Form(), L"ts 1 del 1 app 0 -'' strip 1 regex 0 -'kept' ");
  EXPECT_EQ(Formats(), kPresets);
  EXPECT_EQ(FormatText(), kPresets[0]);
  EXPECT_EQ(Drivers(), (Strings{L"HP Universal", L"[x] Terminal Services Easy Print",
                                L"[x] Remote Desktop Easy Print"}));
  EXPECT_EQ(Stored().NamingFormat, L"custom");
}

struct ApplyServiceCase {
  const char* name;
  bool installed;
  uint32_t state;
  bool startRefused;
  int startRequests;
  const wchar_t* lastStatus;
  std::vector<uint32_t> controls;
};

void PrintTo(const ApplyServiceCase& c, std::ostream* os) { *os << c.name; }

class ApplyServiceTest : public ConfigTest,
                         public ::testing::WithParamInterface<ApplyServiceCase> {};

TEST_P(ApplyServiceTest, SavesThenStartsWhenNeededThenAsksForAReload) {
  const ApplyServiceCase& c = GetParam();
  scm.installed = c.installed;
  scm.state = c.state;
  scm.startRefused = c.startRefused;
  OpenDialog();
  dialog.TypeText(id::kFormatBox, L"saved");

  ApplyChanges(ports);

  EXPECT_EQ(Stored().NamingFormat, L"saved");
  EXPECT_EQ(scm.startRequests, c.startRequests);
  EXPECT_EQ(StatusText(), c.lastStatus);
  EXPECT_EQ(scm.controlsSent, c.controls);
  EXPECT_EQ(scm.openHandles, 0);
}

// The reload request follows whatever the start did; only a service that
// cannot be opened gets none.
INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyServiceTest,
    ::testing::Values(
        ApplyServiceCase{"Running", true, 4, false, 0, L"Service Status: Running", {200}},
        ApplyServiceCase{"Stopped", true, 1, false, 1, L"Service Status: Running", {200}},
        ApplyServiceCase{"Paused", true, 7, false, 1, L"Service Status: Paused", {200}},
        ApplyServiceCase{"UnknownState", true, 9, false, 1, L"Service Status: Unknown", {200}},
        ApplyServiceCase{"StartRefused", true, 1, true, 1, L"Service Status: Stopped", {200}},
        ApplyServiceCase{"NotInstalled", false, 1, false, 0, L"Service Status: N/A", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel::testing
