// The settings form, the status line and Apply's requests to the service,
// run over the in-memory dialog natively and over the real controls of
// dialog 101 under Wine.
#include "config/driver_list.h"
#include "config/naming_formats.h"
#include "config/service_client.h"
#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

const Strings kPresets(kNamingFormatPresets.begin(), kNamingFormatPresets.end());

// The installed printers' drivers are listed once each (whatever their
// case) in WMI's order, then the Easy Print drivers.
TEST_F(ConfigTest, FirstStartShowsTheRecordDefaultsNotTheRestoreDefaults) {
  for (int i = 0; i < 23; ++i) wmi.AddPrinter(L"P" + std::to_wstring(i), L"Shared Driver");
  wmi.AddPrinter(L"Q1", L"shared driver");
  wmi.AddPrinter(L"Q2", L"Remote Desktop Easy Print");
  OpenDialog();

  EXPECT_EQ(Form(), L"ts 0 del 0 app 1 '' strip 1 regex 0 -'in [Ss]ession [0-9]+' ");
  // Nothing stored: the first preset stands in for the empty format.
  EXPECT_EQ(view.Read().formats, kPresets);
  EXPECT_EQ(view.Read().format, kPresets[0]);
  EXPECT_EQ(Drivers(), (Strings{L"Shared Driver", kRdEasyPrintDriver, kTsEasyPrintDriver}));
  EXPECT_EQ(view.Read().status, L"Service Status: Stopped");
}

// Stored drivers are checked, found whatever their case, and only checked
// entries are stored back, in the list's spelling.
TEST_F(ConfigTest, StoredSettingsAreShownAndRestoreDefaultsResetsTheFormOnlyOnYes) {
  Settings stored(registry);
  stored.NamingFormat = L"%USERNAME% at %clientname%";
  stored.AppendToDuplicates = L" (copy)";
  stored.RenameRegex = L"^TS.*";
  stored.OnlyUseRegex = true;
  stored.StripParens = false;
  stored.NamingFormatList = {L"%username% at %clientname%", L"%PrinterName% on %UserName%",
                             L"%username% at %CLIENTNAME%"};
  stored.DoNotRenList = {L"Retired Driver", L"remote desktop easy print"};
  stored.Save();
  wmi.AddPrinter(L"Office", L"Remote Desktop Easy Print");
  OpenDialog();

  EXPECT_EQ(Form(), L"ts 0 del 0 app 1 ' (copy)' strip 0 regex 1 '^TS.*' ");
  // Repeats in another case collapse into the first spelling, which is also
  // what the selection shows.
  Strings formats = kPresets;
  formats.push_back(L"%username% at %clientname%");
  EXPECT_EQ(view.Read().formats, formats);
  EXPECT_EQ(view.Read().format, L"%username% at %clientname%");
  EXPECT_EQ(Drivers(),
            (Strings{L"[x] Remote Desktop Easy Print", kTsEasyPrintDriver, L"[x] Retired Driver"}));
  Edit([](FormState& f) { f.drivers[2].checked = false; });
  ApplyChanges(ports);
  EXPECT_EQ(Stored().DoNotRenList, (Strings{kRdEasyPrintDriver}));
  Edit([](FormState& f) { f.drivers[2].checked = true; });

  replies.answers = {false, true};
  Click(IDC_RESTORE_DEFAULTS);
  EXPECT_EQ(Form(), L"ts 0 del 0 app 1 ' (copy)' strip 0 regex 1 '^TS.*' ");

  Click(IDC_RESTORE_DEFAULTS);
  ASSERT_EQ(replies.boxes.size(), 2u);
  EXPECT_EQ(replies.boxes[1],
            L"Restore Defaults?: Are you sure you want to restore to default settings?");
  EXPECT_EQ(Form(), L"ts 1 del 1 app 0 -'' strip 1 regex 0 -'^TS.*' ");
  EXPECT_EQ(view.Read().formats, kPresets);
  EXPECT_EQ(view.Read().format, kPresets[0]);
  EXPECT_EQ(Drivers(),
            (Strings{L"[x] Remote Desktop Easy Print", L"[x] Terminal Services Easy Print"}));
  EXPECT_EQ(Stored().DoNotRenList, (Strings{kRdEasyPrintDriver}));  // saved only by Apply
}

// What policy sets is shown locked, outlives Restore Defaults and is never
// stored by Apply (nor is its format added to the stored list); the rest of
// the form works as ever.
TEST_F(ConfigTest, PolicyValuesAreShownLockedAndNeverStored) {
  constexpr auto kHklm = RegistryRoot::kLocalMachine;
  Settings stored(registry);
  stored.RenameRegex = L"stored";
  stored.Save();
  registry.SetRaw(kHklm, kPolicyKeyPath, L"OnlyRenTS", reg_type::kDword, {1, 0, 0, 0});
  registry.SetString(kHklm, kPolicyKeyPath, L"RenameRegex", L"^policy");
  registry.SetString(kHklm, kPolicyKeyPath, L"NamingFormat", L"%username% by policy");
  OpenDialog();
  EXPECT_EQ(Form(), L"ts -1 del 0 app 1 '' strip 1 regex 0 -'^policy' ");
  EXPECT_EQ(view.Read().policyNotice, L"Some settings are managed by your organisation.");
  const std::set<int> disabled = view.Read().disabled;
  EXPECT_EQ(
      std::vector<bool>({disabled.count(IDC_FORMAT_BOX) > 0, disabled.count(IDC_ADD_FORMAT) > 0,
                         disabled.count(IDC_DRIVER_LIST) > 0}),
      std::vector<bool>({true, true, false}));

  replies.answers = {true};
  Click(IDC_RESTORE_DEFAULTS);
  Click(IDC_USE_REGEX);  // its edit stays policy's
  EXPECT_EQ(Form(), L"ts -1 del 1 app 0 -'' strip 1 regex 1 -'^policy' ");
  EXPECT_EQ(view.Read().format, L"%username% by policy");
  Click(IDC_APPLY_CHANGES);

  auto storedValue = [&](const wchar_t* name) {
    return registry.GetRaw(kHklm, kSettingsKeyPath, name).value_or(FakeRegValue{}).data;
  };
  EXPECT_EQ(storedValue(L"NamingFormat"), WideBytes(L"", true));  // as saved above
  EXPECT_EQ(storedValue(L"RenameRegex"), WideBytes(L"stored", true));
  EXPECT_EQ(storedValue(L"OnlyUseRegex"), EncodeDword(1));
  EXPECT_EQ(storedValue(L"OnlyRenTS"), EncodeDword(0));  // as saved above
  EXPECT_EQ(storedValue(L"NamingFormatList"), EncodeMultiSz(kPresets));
}

// Texts are cut to 1,023 characters: with the NUL they fill the 2,048-byte
// read buffer exactly, so they load again. Disabled edits are stored too.
TEST_F(ConfigTest, ApplyStoresAllNineValuesFromTheControls) {
  const std::wstring format = L"%username% " + std::wstring(1500, L'f');
  const std::wstring suffix = L" - " + std::wstring(1500, L's');
  const std::wstring regex = L"session " + std::wstring(1500, L'r');
  const std::wstring driver = L"driver " + std::wstring(1500, L'd');
  OpenDialog();
  Edit([&](FormState& f) { f.format = format; });  // typed, not added
  Click(IDC_APPEND_DUPLICATES);
  Edit([&](FormState& f) { f.suffix = suffix; });
  Click(IDC_DELETE_DUPLICATES);
  Click(IDC_ONLY_TS_PORT);
  Click(IDC_STRIP_PARENS);
  Click(IDC_USE_REGEX);
  Edit([&](FormState& f) { f.regex = regex; });
  Click(IDC_USE_REGEX);
  Edit([&](FormState& f) { SetDriverEntry(f, driver, true); });
  EXPECT_EQ(Form(), L"ts 1 del 1 app 0 -'" + suffix + L"' strip 0 regex 0 -'" + regex + L"' ");

  Click(IDC_APPLY_CHANGES);

  const Settings stored = Stored();
  EXPECT_EQ(stored.NamingFormat, format.substr(0, 1023));
  EXPECT_EQ(stored.AppendToDuplicates, suffix.substr(0, 1023));
  EXPECT_EQ(stored.RenameRegex, regex.substr(0, 1023));
  EXPECT_EQ(std::vector<bool>({stored.OnlyRenTS, stored.DeleteDuplicates, stored.OnlyUseRegex,
                               stored.StripParens}),
            std::vector<bool>({true, true, false, false}));
  EXPECT_EQ(stored.NamingFormatList, kPresets);
  EXPECT_EQ(stored.DoNotRenList, (Strings{driver.substr(0, 1023)}));
}

// The green + appends a typed text the box does not hold in any case (a
// text longer than the 1,024-unit buffer whole) and selects it; the red -
// removes the selection and selects the entry before it, or the new first.
TEST_F(ConfigTest, FormatButtonsAddOnlyNewTextsAndRemoveTheSelection) {
  const std::wstring longText(2000, L'z');
  const Strings ab = {L"%username% A", L"B"};
  const struct {
    Strings before;
    int selected;
    std::wstring typed;  // for the +
    int button;
    Strings after;
    int selectedAfter;
  } cases[] = {
      {ab, 0, L"", IDC_ADD_FORMAT, ab, 0},
      {ab, 0, L"%USERNAME% a", IDC_ADD_FORMAT, ab, 0},
      {ab, 0, L"C", IDC_ADD_FORMAT, {L"%username% A", L"B", L"C"}, 2},
      {ab, 0, longText, IDC_ADD_FORMAT, {L"%username% A", L"B", longText}, 2},
      {ab, -1, L"", IDC_REMOVE_FORMAT, ab, -1},
      {{L"a", L"b", L"c"}, 0, L"", IDC_REMOVE_FORMAT, {L"b", L"c"}, 0},
      {{L"a", L"b", L"c", L"d"}, 3, L"", IDC_REMOVE_FORMAT, {L"a", L"b", L"c"}, 2},
      {{L"a"}, 0, L"", IDC_REMOVE_FORMAT, {}, -1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    Edit([&](FormState& f) {
      f.formats = c.before;
      f.selectedFormat = c.selected;
      f.format = c.button == IDC_ADD_FORMAT ? c.typed : c.selected < 0 ? L"" : c.before[c.selected];
    });
    Click(c.button);
    EXPECT_EQ(view.Read().formats, c.after) << i;
    EXPECT_EQ(view.Read().selectedFormat, c.selectedAfter) << i;
  }
}

// Whatever part of WMI fails, the Easy Print drivers are listed, checked
// when Restore Defaults asks for it, so that a following Apply still
// excludes them.
TEST_F(ConfigTest, EasyPrintDriversAreListedWhenWmiFails) {
  for (const char* call : {"Connect", "ListPrinters", "Next"}) {
    wmi = FakeWmi();
    wmi.AddPrinter(L"P1", L"Unseen");
    wmi.FailCall(call, 1, Status(hresult::kFail));
    replies.answers = {true};

    Click(IDC_RESTORE_DEFAULTS);
    ApplyChanges(ports);

    EXPECT_EQ(Drivers(),
              (Strings{L"[x] Terminal Services Easy Print", L"[x] Remote Desktop Easy Print"}))
        << call;
    EXPECT_EQ(Stored().DoNotRenList, (Strings{kTsEasyPrintDriver, kRdEasyPrintDriver})) << call;
  }
}

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
    EXPECT_EQ(view.Read().status, L"Service Status: N/A") << why;
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
    Edit([i](FormState& f) { f.format = L"saved " + std::to_wstring(i); });

    Click(IDC_APPLY_CHANGES);

    EXPECT_EQ(Stored().NamingFormat, L"saved " + std::to_wstring(i));
    EXPECT_EQ(scm.startRequests, c.state != 4 && c.state != 0) << i;
    EXPECT_EQ(ticks.sleeps, std::vector<uint32_t>(c.sleeps, 500u)) << i;
    EXPECT_EQ(view.Read().status, std::wstring(L"Service Status: ") + c.status) << i;
    EXPECT_EQ(scm.controlsSent, std::vector<uint32_t>(c.state != 0, 200)) << i;
    EXPECT_EQ(scm.openHandles, 0) << i;
  }
}

}  // namespace
}  // namespace vantrel::testing
