#include "config/naming_formats.h"

#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

constexpr int kBox = control_id::kFormatBox;
using Strings = std::vector<std::wstring>;

// The box starts as {"%username% A", "B"} with the first selected; only a
// text it does not hold in any case is appended, then selected.
TEST_F(ConfigTest, AddNamingFormatAppendsOnlyNewTexts) {
  const std::wstring longText(2000, L'z');  // longer than the edit buffer
  const struct {
    std::wstring typed;
    Strings list;
    int selected;
  } cases[] = {
      {L"", {L"%username% A", L"B"}, 0},
      {L"%USERNAME% a", {L"%username% A", L"B"}, 0},
      {L"C", {L"%username% A", L"B", L"C"}, 2},
      {longText, {L"%username% A", L"B", longText}, 2},
  };
  for (const auto& c : cases) {
    dialog.combos[kBox].items = {L"%username% A", L"B"};
    dialog.ComboSetCurSel(kBox, 0);
    dialog.TypeText(kBox, c.typed);
    AddNamingFormat(ports);
    EXPECT_EQ(Formats(), c.list) << c.list.size();
    EXPECT_EQ(dialog.ComboGetCurSel(kBox), c.selected) << c.list.size();
  }
}

// The selection goes; the entry before it (or the new first) is selected.
TEST_F(ConfigTest, RemoveNamingFormatRemovesTheSelection) {
  const struct {
    Strings before;
    int selected;
    Strings after;
    int selectedAfter;
  } cases[] = {
      {{L"a", L"b"}, -1, {L"a", L"b"}, -1},
      {{L"a", L"b", L"c"}, 0, {L"b", L"c"}, 0},
      {{L"a", L"b", L"c", L"d"}, 3, {L"a", L"b", L"c"}, 2},
      {{L"a"}, 0, {}, -1},
  };
  for (const auto& c : cases) {
    dialog.combos[kBox].items = c.before;
    dialog.ComboSetCurSel(kBox, c.selected);
    RemoveNamingFormat(ports);
    EXPECT_EQ(Formats(), c.after) << c.selected;
    EXPECT_EQ(dialog.ComboGetCurSel(kBox), c.selectedAfter) << c.selected;
  }
}

TEST_F(ConfigTest, AStoredFormatTheBoxRefusesIsStillShownAndKept) {
  StoreString(L"NamingFormat", L"%username%'s %printername%");
  dialog.combos[kBox].refuseAdds = true;

  OpenDialog();
  ApplyChanges(ports);

  EXPECT_EQ(FormatText(), L"%username%'s %printername%");
  EXPECT_EQ(Stored().NamingFormat, L"%username%'s %printername%");
}

}  // namespace
}  // namespace vantrel::testing
