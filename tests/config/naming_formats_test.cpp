#include "config/naming_formats.h"

#include <ostream>
#include <string>
#include <vector>

#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

constexpr int kBox = control_id::kFormatBox;
using Strings = std::vector<std::wstring>;

struct AddCase {
  const char* name;
  std::wstring typed;
  Strings list;  // after the add; the box starts as {"A", "B"} with "A" selected
  int selected;
};

void PrintTo(const AddCase& c, std::ostream* os) { *os << c.name; }

class AddNamingFormatTest : public ConfigTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddNamingFormatTest, AppendsOnlyNewTextsAndSelectsThem) {
  dialog.combos[kBox].items = {L"%username% A", L"B"};
  dialog.ComboSetCurSel(kBox, 0);
  dialog.TypeText(kBox, GetParam().typed);

  AddNamingFormat(ports);

  EXPECT_EQ(Formats(), GetParam().list);
  EXPECT_EQ(dialog.ComboGetCurSel(kBox), GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddNamingFormatTest,
    ::testing::Values(AddCase{"Empty", L"", {L"%username% A", L"B"}, 0},
                      AddCase{"HeldInAnotherCase", L"%USERNAME% a", {L"%username% A", L"B"}, 0},
                      AddCase{"New", L"C", {L"%username% A", L"B", L"C"}, 2},
                      AddCase{"NewLongerThanTheEditBuffer",
                              std::wstring(2000, L'z'),
                              {L"%username% A", L"B", std::wstring(2000, L'z')},
                              2}),
    [](const auto& info) { return std::string(info.param.name); });

struct RemoveCase {
  const char* name;
  Strings before;
  int selected;
  Strings after;
  int selectedAfter;
};

void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }

class RemoveNamingFormatTest : public ConfigTest,
                               public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveNamingFormatTest, RemovesTheSelectionAndSelectsTheEntryBefore) {
  const RemoveCase& c = GetParam();
  dialog.combos[kBox].items = c.before;
  dialog.ComboSetCurSel(kBox, c.selected);

  RemoveNamingFormat(ports);

  EXPECT_EQ(Formats(), c.after);
  EXPECT_EQ(dialog.ComboGetCurSel(kBox), c.selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveNamingFormatTest,
    ::testing::Values(RemoveCase{"NothingSelected", {L"a", L"b"}, -1, {L"a", L"b"}, -1},
                      RemoveCase{"First", {L"a", L"b", L"c"}, 0, {L"b", L"c"}, 0},
                      RemoveCase{"Fourth", {L"a", L"b", L"c", L"d"}, 3, {L"a", L"b", L"c"}, 2},
                      RemoveCase{"Last", {L"a"}, 0, {}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

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
