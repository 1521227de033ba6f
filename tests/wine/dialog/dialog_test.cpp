// "Vantrel Configuration.exe" under Wine, driven through its controls: the
// template, the form over the stored settings, Apply, Restore Defaults, the
// format box, the driver list, the status line and the update link.
//
// Wine's WMI lists no Win32_Printer rows, so the driver list never shows the
// drivers of installed printers here: only the Easy Print drivers and the
// stored ones.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/wine/dialog/dialog_driver.h"

namespace vantrel::testing {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Orlenk Technologies\\Vantrel";
constexpr wchar_t kPreset0[] = L"%printername% On %username%";
// The preset formats in their order, a literal to join other literals.
#define PRESETS                                                                            \
  L"%printername% On %username%|%printername% On %clientname%|%printername% - %username%|" \
  L"%username% - %printername%"
constexpr int kLinkUpdate = 1007, kAddFormat = 1009, kRemoveFormat = 1010, kDeleteDuplicates = 1011,
              kAppendDuplicates = 1012, kSuffixEdit = 1013, kOnlyTsPort = 1014,
              kApplyChanges = 1023, kRestoreDefaults = 1024, kUseRegex = 1028, kRegexEdit = 1029,
              kStripParens = 1030;

void Put(const wchar_t* name, DWORD type, const void* data, size_t size) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, type, data, static_cast<DWORD>(size));
}
void PutSz(const wchar_t* name, const std::wstring& v) {
  Put(name, REG_SZ, v.c_str(), (v.size() + 1) * sizeof(wchar_t));
}
void PutDword(const wchar_t* name, DWORD v) { Put(name, REG_DWORD, &v, sizeof(v)); }
void PutList(const wchar_t* name, const std::vector<std::wstring>& values) {
  std::wstring data;
  for (const auto& v : values) data += v + L'\0';
  Put(name, REG_MULTI_SZ, data.c_str(), (data.size() + 1) * sizeof(wchar_t));
}

// The settings key as "Name=value" lines in name order: "text" for a REG_SZ,
// the number of a REG_DWORD, [a|b] for a REG_MULTI_SZ.
std::wstring Stored() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key)) return L"";
  std::map<std::wstring, std::wstring> values;
  wchar_t name[256], data[8192];
  for (DWORD i = 0, chars = 256, type = 0, size = sizeof(data) - 4;
       !RegEnumValueW(key, i, name, &chars, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
       ++i, chars = 256, size = sizeof(data) - 4) {
    std::wstring text(data, size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    for (auto& c : text) c = c ? c : L'|';
    DWORD dword = 0;
    std::memcpy(&dword, data, sizeof(dword));
    values[name] = type == REG_DWORD ? std::to_wstring(dword)
                   : type == REG_SZ  ? L"\"" + text + L"\""
                                     : L"[" + text + L"]";
  }
  RegCloseKey(key);
  std::wstring all;
  for (const auto& [name, value] : values) all += name + L"=" + value + L"\n";
  return all;
}

// What the form shows: "[x]" a checked box, "(off)" a disabled edit.
std::wstring Form(const ConfigDialog& d) {
  const auto box = [&](int id) { return std::wstring(d.IsChecked(id) ? L"[x]" : L"[ ]"); };
  const auto edit = [&](int id) {
    return L"\"" + d.Text(id) + L"\"" + (d.IsEnabled(id) ? L"" : L" (off)");
  };
  return L"delete" + box(kDeleteDuplicates) + L" append" + box(kAppendDuplicates) + L" " +
         edit(kSuffixEdit) + L"\nts" + box(kOnlyTsPort) + L" regex" + box(kUseRegex) + L" " +
         edit(kRegexEdit) + L" strip" + box(kStripParens) + L"\nformats " + d.Formats() + L" #" +
         std::to_wstring(d.FormatSelection()) + L" \"" + d.Text(kFormatBox) + L"\"\ndrivers " +
         d.Drivers();
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey); }
  void TearDown() override {
    d.Close();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
  }
  bool Open() {
    const bool started = d.Start();
    if (!started) ADD_FAILURE() << "no dialog " << kDialogCaption << " from " << d.ExePath();
    return started;
  }

  ConfigDialog d;
};

struct ControlSpec {
  int id;
  const wchar_t* className;
  DWORD style;              // beyond WS_CHILD | WS_VISIBLE
  int x, y, width, height;  // dialog units; -1: not compared
  const wchar_t* text;      // null: not compared
};

// In tab order.
constexpr DWORD kTab = WS_TABSTOP, kLabel = SS_LEFT | WS_GROUP, kPush = BS_PUSHBUTTON | WS_TABSTOP,
                kCheck = BS_AUTOCHECKBOX | WS_TABSTOP, kEdit = ES_AUTOHSCROLL | WS_BORDER | kTab,
                kList = LVS_REPORT | LVS_SINGLESEL | LVS_ALIGNLEFT | LVS_NOCOLUMNHEADER |
                        LVS_NOSORTHEADER | WS_BORDER | kTab,
                kCombo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | kTab;
// clang-format off
const ControlSpec kControls[] = {
    {1024, L"Button", kPush, 228, 240, 74, 14, L"Restore Defaults"},
    {1023, L"Button", kPush, 306, 240, 74, 14, L"Apply Changes"},
    {-1, L"Button", BS_GROUPBOX, 7, 96, 371, 138, L"Configuration"},
    {1017, L"Static", kLabel, 270, 6, 108, 8, L"Need to report a problem?"},
    {1005, L"SysLink", kTab, 270, 16, 60, 14, nullptr},
    {1018, L"Static", kLabel, 270, 32, 108, 8, L"Frequently Asked Questions:"},
    {1006, L"SysLink", kTab, 270, 41, 60, 14, nullptr},
    {1019, L"Static", kLabel, 270, 58, 108, 8, L"Check for updates:"},
    {1007, L"SysLink", kTab, 270, 66, 102, 14, nullptr},
    {1020, L"Static", kLabel, 12, 108, 108, 8, L"Printer Name Format:"},
    {1008, L"ComboBox", kCombo, 12, 120, 138, -1, nullptr},  // as tall as its edit field
    {1009, L"Button", kPush | BS_ICON, 150, 119, 18, 14, L""},
    {1010, L"Button", kPush | BS_ICON, 168, 119, 18, 14, L""},
    {1022, L"Static", kLabel, 210, 108, 162, 8, L"When a duplicate printer name exists:"},
    {1011, L"Button", BS_AUTORADIOBUTTON | kTab, 210, 120, 146, 10,
     L"Delete the old printer, keep the new one"},
    {1012, L"Button", BS_AUTORADIOBUTTON, 210, 132, 161, 10,
     L"Append the following to the old printer name:"},
    {1013, L"Edit", kEdit, 222, 144, 72, 14, nullptr},
    {1014, L"Button", kCheck, 210, 168, 140, 10, L"Only rename printers using the TS Port"},
    {1021, L"Static", kLabel, 12, 157, 180, 8, L"Do not rename printers using the driver(s):"},
    {1015, L"SysListView32", kList, 12, 169, 180, 60, nullptr},
    {1027, L"msctls_statusbar32", kTab, -1, -1, -1, -1, nullptr},
    {1028, L"Button", kCheck | BS_MULTILINE, 210, 180, 156, 19,
     L"Only rename printers matching the following regular expression:"},
    {1029, L"Edit", kEdit, 210, 201, 162, 14, nullptr},
    {1030, L"Button", kCheck, 12, 140, 180, 10, L"Strip All Parenthesis From Renamed Printers"}};
// clang-format on

TEST_F(DialogTest, TemplateHasEveryControlInTabOrderWithItsClassStyleTextAndPlace) {
  ASSERT_TRUE(Open());
  const HWND dialog = d.window();
  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);

  // Dialog units to pixels from the client area, which is 385 x 273 units.
  RECT client{};
  GetClientRect(dialog, &client);
  size_t index = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ASSERT_LT(index, std::size(kControls)) << "more controls than the template has";
    const ControlSpec& spec = kControls[index++];
    SCOPED_TRACE(::testing::Message() << "control " << spec.id);
    EXPECT_EQ(GetDlgCtrlID(child), spec.id);
    wchar_t className[64] = {}, text[256] = {};
    GetClassNameW(child, className, 64);
    EXPECT_EQ(_wcsicmp(className, spec.className), 0);
    GetWindowTextW(child, text, 256);
    EXPECT_EQ(std::wstring(spec.text ? spec.text : text), text);

    // Moved at run time: the default push button follows the focus, auto
    // radio buttons keep WS_TABSTOP on the checked one, enable rules move
    // WS_DISABLED, a combo box keeps WS_VSCROLL for its list, and a
    // dialog's edits and list views draw WS_BORDER as a client edge.
    const DWORD childStyle = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    const bool button = spec.className == std::wstring(L"Button");
    const DWORD type = button ? spec.style & BS_TYPEMASK : 0;
    DWORD ignored = WS_DISABLED | (button && type <= BS_DEFPUSHBUTTON ? BS_DEFPUSHBUTTON : 0) |
                    (type == BS_AUTORADIOBUTTON ? WS_TABSTOP : 0) |
                    (spec.id == kFormatBox ? WS_VSCROLL : 0);
    if ((spec.style & WS_BORDER) && !(childStyle & WS_BORDER)) {
      EXPECT_TRUE(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
      ignored |= WS_BORDER;
    }
    const DWORD wanted = (spec.style | WS_CHILD | WS_VISIBLE) & ~ignored;
    EXPECT_EQ(childStyle & wanted, wanted);
    EXPECT_EQ(button ? childStyle & BS_TYPEMASK & ~ignored : 0, type);

    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    const LONG got[] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    const int units[] = {spec.x, spec.y, spec.width, spec.height};
    for (int i = 0; i < 4; ++i) {
      const LONG pixels = i % 2 ? client.bottom : client.right, total = i % 2 ? 273 : 385;
      const LONG want = units[i] < 0 ? got[i] : MulDiv(units[i], pixels, total);
      EXPECT_NEAR(got[i], want, 2) << "edge " << i;
    }
  }
  EXPECT_EQ(index, std::size(kControls));
  for (int id : {kAddFormat, kRemoveFormat, kApplyChanges})
    EXPECT_NE(SendMessageW(d.Item(id), BM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "no image on " << id;
  EXPECT_EQ(d.Close(), 0u);
}

TEST_F(DialogTest, FormOverAnEmptyRegistryApplyWritingAllNineValuesAndEscapeSavingNothing) {
  ASSERT_TRUE(Open());
  // Append is chosen as DeleteDuplicates is false; the regex is off with its
  // default text; with no stored NamingFormat the first preset is selected,
  // and Apply stores it.
  EXPECT_EQ(Form(d), L"delete[ ] append[x] \"\"\n"
                     L"ts[ ] regex[ ] \"in [Ss]ession [0-9]+\" (off) strip[x]\n"
                     L"formats " PRESETS L" #0 \"%printername% On %username%\"\n"
                     L"drivers [ ]Terminal Services Easy Print, [ ]Remote Desktop Easy Print");
  EXPECT_EQ(d.Text(kStatusBar), L"Service Status: N/A");
  d.Click(kApplyChanges);
  EXPECT_NE(Stored().find(L"\nNamingFormat=\"%printername% On %username%\"\n"), std::wstring::npos)
      << Stored();

  d.SetText(kFormatBox, L"%clientname% %printername%");  // typed, not added
  d.Click(kDeleteDuplicates);
  d.Click(kAppendDuplicates);
  d.SetText(kSuffixEdit, L" (copy)");
  d.Click(kOnlyTsPort);
  d.Click(kUseRegex);
  d.SetText(kRegexEdit, L"^TS");
  d.Click(kStripParens);
  d.SetDriverChecked(1, true);
  const std::wstring form = Form(d);
  EXPECT_TRUE(
      form.starts_with(L"delete[ ] append[x] \" (copy)\"\nts[x] regex[x] \"^TS\" strip[ ]\n"))
      << form;
  d.Click(kApplyChanges);
  const auto stored = [](int deleteDuplicates, int useRegex) {
    return L"AppendToDuplicates=\" (copy)\"\nDeleteDuplicates=" +
           std::to_wstring(deleteDuplicates) +
           L"\nDoNotRenList=[Remote Desktop Easy Print]\n"
           L"NamingFormat=\"%clientname% %printername%\"\n"
           L"NamingFormatList=[" PRESETS L"]\nOnlyRenTS=1\nOnlyUseRegex=" +
           std::to_wstring(useRegex) + L"\nRenameRegex=\"^TS\"\nStripParens=0\n";
  };
  EXPECT_EQ(Stored(), stored(0, 1));
  // With the service not installed the start and the reload stop quietly.
  EXPECT_EQ(d.Text(kStatusBar), L"Service Status: N/A");
  EXPECT_FALSE(d.HasOtherWindow());

  // The texts of disabled edits are stored as well.
  d.Click(kDeleteDuplicates);
  d.Click(kUseRegex);
  EXPECT_FALSE(d.IsEnabled(kSuffixEdit) || d.IsEnabled(kRegexEdit));
  d.Click(kApplyChanges);
  EXPECT_EQ(Stored(), stored(1, 0));
  // Esc leaves what was not applied.
  d.Click(kOnlyTsPort);
  d.SetText(kFormatBox, L"unsaved");
  EXPECT_EQ(d.Close(), 0u);
  EXPECT_EQ(Stored(), stored(1, 0));
}

TEST_F(DialogTest, StoredSettingsFillTheFormAndRestoreDefaultsResetsItOnYesOnly) {
  PutSz(L"NamingFormat", L"%USERNAME% - %printername%");
  PutList(L"NamingFormatList",
          {kPreset0, L"%printername% (%clientname%)", L"%PRINTERNAME% (%CLIENTNAME%)"});
  PutDword(L"DeleteDuplicates", 1);
  PutSz(L"AppendToDuplicates", L" - Copy");
  PutDword(L"OnlyRenTS", 1);
  PutDword(L"OnlyUseRegex", 1);
  PutSz(L"RenameRegex", L"^Office");
  PutDword(L"StripParens", 0);
  PutList(L"DoNotRenList", {L"HP Universal Printing PCL 6", L"remote desktop easy print"});
  const std::wstring stored = Stored();
  ASSERT_TRUE(Open());
  // Lists merge without regard to case.
  EXPECT_EQ(Form(d), L"delete[x] append[ ] \" - Copy\" (off)\n"
                     L"ts[x] regex[x] \"^Office\" strip[ ]\n"
                     L"formats " PRESETS L"|%printername% (%clientname%) "
                     L"#3 \"%username% - %printername%\"\n"
                     L"drivers [ ]Terminal Services Easy Print, [x]Remote Desktop Easy Print, "
                     L"[x]HP Universal Printing PCL 6");

  d.Click(kAppendDuplicates);
  d.Click(kOnlyTsPort);
  const std::wstring edited = Form(d);
  ASSERT_TRUE(d.ClickAndAnswer(kRestoreDefaults, L"Restore Defaults?", IDNO));
  EXPECT_EQ(Form(d), edited);
  ASSERT_TRUE(d.ClickAndAnswer(kRestoreDefaults, L"Restore Defaults?", IDYES));
  EXPECT_EQ(Form(d), L"delete[x] append[ ] \"\" (off)\n"
                     L"ts[x] regex[ ] \"^Office\" (off) strip[x]\n"
                     L"formats " PRESETS L" #0 \"%printername% On %username%\"\n"
                     L"drivers [x]Terminal Services Easy Print, [x]Remote Desktop Easy Print");
  EXPECT_EQ(d.Close(), 0u);
  EXPECT_EQ(Stored(), stored);  // nothing is stored until Apply
}

TEST_F(DialogTest, FormatsAddedOnceAndRemovedAndCheckedDriversStoredInListOrder) {
  PutSz(L"NamingFormat", kPreset0);
  PutList(L"DoNotRenList", {L"HP Universal Printing PCL 6", L"Xerox Global Print Driver PS"});
  ASSERT_TRUE(Open());
  const std::wstring added = L"%hostname% - %printername%";
  // Added once: not again in another case, and never empty.
  for (const wchar_t* text : {added.c_str(), L"%HOSTNAME% - %PRINTERNAME%", L""}) {
    d.SetText(kFormatBox, text);
    d.Click(kAddFormat);
  }
  EXPECT_EQ(d.Formats() + L" #" + std::to_wstring(d.FormatSelection()),
            PRESETS L"|" + added + L" #4");
  // Removing the fourth, the first, then with nothing selected.
  for (const auto& [selected, after] : {std::pair{3, 2}, {0, 0}, {-1, -1}}) {
    d.SelectFormat(selected);
    d.Click(kRemoveFormat);
    EXPECT_EQ(d.FormatSelection(), after) << selected;
  }
  const std::wstring left = L"%printername% On %clientname%|%printername% - %username%|" + added;
  EXPECT_EQ(d.Formats(), left);

  ASSERT_EQ(d.Drivers(),
            L"[ ]Terminal Services Easy Print, [ ]Remote Desktop Easy Print, "
            L"[x]HP Universal Printing PCL 6, [x]Xerox Global Print Driver PS");
  d.SetDriverChecked(0, true);
  d.SetDriverChecked(2, false);
  d.Click(kApplyChanges);
  const std::wstring stored = Stored();
  EXPECT_NE(stored.find(L"\nNamingFormatList=[" + left + L"]\n"), std::wstring::npos) << stored;
  EXPECT_NE(
      stored.find(L"DoNotRenList=[Terminal Services Easy Print|Xerox Global Print Driver PS]"),
      std::wstring::npos)
      << stored;
  EXPECT_EQ(d.Close(), 0u);
  // The unchecked driver is gone for good at the next start.
  ASSERT_TRUE(Open());
  EXPECT_EQ(d.Drivers(),
            L"[x]Terminal Services Easy Print, [ ]Remote Desktop Easy Print, "
            L"[x]Xerox Global Print Driver PS");
}

TEST_F(DialogTest, UpdateLinkWithoutAServerShowsNothing) {
  ASSERT_TRUE(Open());
  d.ClickLink(kLinkUpdate);
  Sleep(3000);
  EXPECT_FALSE(d.HasOtherWindow());
  // The dialog answers again once the request has failed, and shows nothing.
  EXPECT_TRUE(
      WaitUntil([&] { return d.Text(kStatusBar).starts_with(L"Service Status: "); }, 30000));
  EXPECT_FALSE(d.HasOtherWindow());
  EXPECT_EQ(d.Close(), 0u);
}

// With the service registered: the end-to-end suite registers it, puts it
// into a state and runs these by name (hence disabled in plain runs).

// The status line shows the state word in VANTREL_EXPECTED_STATUS.
TEST_F(DialogTest, DISABLED_ServiceStatusLineShowsTheState) {
  const char* expected = std::getenv("VANTREL_EXPECTED_STATUS");
  ASSERT_NE(expected, nullptr);
  ASSERT_TRUE(Open());
  EXPECT_TRUE(d.WaitForStatus(
      L"Service Status: " + std::wstring(expected, expected + strlen(expected)), 3000))
      << "status line: " << d.Text(kStatusBar);
  EXPECT_EQ(d.Close(), 0u);
}

// "Loading configuration" lines in the running service's UTF-16LE log; -1
// without one.
int CountReloads() {
  std::ifstream in("C:\\windows\\Vantrel Log.txt", std::ios::binary);
  if (!in) return -1;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string needle;
  for (char c : std::string("Loading configuration")) needle += {c, '\0'};
  int count = 0;
  for (size_t at = 0; (at = bytes.find(needle, at)) != std::string::npos; ++at) ++count;
  return count;
}

// Apply saves, starts the service when it is not running, and sends the
// reload control: a running service started "withlog" logs a reload.
TEST_F(DialogTest, DISABLED_ApplyStartsTheServiceAndMakesItReload) {
  ASSERT_TRUE(Open());
  const bool wasRunning = d.WaitForStatus(L"Service Status: Running", 1500);
  const int reloads = CountReloads();
  d.Click(kOnlyTsPort);
  d.Click(kApplyChanges);
  EXPECT_NE(Stored().find(L"OnlyRenTS=1\n"), std::wstring::npos);
  EXPECT_TRUE(d.WaitForStatus(L"Service Status: Running", 3000));
  if (wasRunning) {
    ASSERT_GE(reloads, 0) << "the service runs without its log";
    EXPECT_TRUE(WaitUntil([&] { return CountReloads() == reloads + 1; }, 5000))
        << "reloads before: " << reloads << ", now: " << CountReloads();
  }
  EXPECT_EQ(d.Close(), 0u);
}

}  // namespace
}  // namespace vantrel::testing
