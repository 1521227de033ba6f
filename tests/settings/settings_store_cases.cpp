#include "tests/settings/settings_store_cases.h"

#include <string>

#include "settings/settings.h"
#include "tests/fakes/fake_registry.h"

namespace vantrel::testing {

constexpr auto kHklm = RegistryRoot::kLocalMachine;

void SettingsStoreTest::Put(const wchar_t* name, uint32_t type, const Bytes& data) {
  std::unique_ptr<RegistryKey> key;
  ASSERT_TRUE(registry().CreateKey(kHklm, kSettingsKeyPath, &key, nullptr).ok());
  ASSERT_TRUE(key->SetValue(name, type, data.data(), static_cast<uint32_t>(data.size())).ok());
}

SettingsStoreTest::Stored SettingsStoreTest::Get(const wchar_t* name) {
  std::unique_ptr<RegistryKey> key;
  Stored stored{reg_type::kNone, {}};
  uint32_t size = 0;
  if (registry().OpenKey(kHklm, kSettingsKeyPath, &key).ok() &&
      key->QueryValueInfo(name, &stored.type, &size).ok()) {
    EXPECT_TRUE(key->QueryValue(name, size, &stored.type, &stored.data).ok()) << name;
  }
  return stored;
}

namespace {

using Bytes = std::vector<uint8_t>;
using Strings = std::vector<std::wstring>;

TEST_P(SettingsStoreTest, NoKeyKeepsDefaultsAndCreatesItEmptyThenTheSuffixFallsBack) {
  Settings fresh(registry());
  EXPECT_EQ(fresh.NamingFormat + L"|" + fresh.RenameRegex + L"|" + fresh.AppendToDuplicates,
            L"|in [Ss]ession [0-9]+|");
  EXPECT_TRUE(!fresh.OnlyRenTS && !fresh.DeleteDuplicates && !fresh.OnlyUseRegex &&
              fresh.StripParens && fresh.DoNotRenList.empty());
  std::unique_ptr<RegistryKey> key;
  EXPECT_TRUE(registry().OpenKey(kHklm, kSettingsKeyPath, &key).ok());
  EXPECT_EQ(Get(L"AppendToDuplicates").type, reg_type::kNone);
  EXPECT_EQ(Settings(registry()).AppendToDuplicates, L" - Duplicate");  // key present, empty
}

// Byte rules of a REG_SZ value: NamingFormat keeps its field when the value
// cannot be taken, AppendToDuplicates falls back to its suffix.
TEST_P(SettingsStoreTest, StringsTakenOnlyFromRegSzWithinTheBuffer) {
  const struct {
    const char* what;
    uint32_t type;
    Bytes data;
    std::wstring expected;  // "old": not taken
  } cases[] = {
      {"1023 characters", reg_type::kSz, WideBytes(std::wstring(1023, L'n'), true),
       std::wstring(1023, L'n')},
      {"1024 characters", reg_type::kSz, WideBytes(std::wstring(1024, L'n'), true), L"old"},
      {"1024, no NUL", reg_type::kSz, WideBytes(std::wstring(1024, L'n'), false),
       std::wstring(1024, L'n')},
      {"no terminator", reg_type::kSz, WideBytes(L"Office", false), L"Office"},
      {"text after a NUL", reg_type::kSz, WideBytes(std::wstring(L"ab\0cd", 5), true), L"ab"},
      {"half a unit at the end", reg_type::kSz, {'a', 0, 'b', 0, 'c'}, L"ab"},
      {"non-BMP", reg_type::kSz, {0x3D, 0xD8, 0x00, 0xDE, 0x21, 0, 0, 0}, L"\U0001F600!"},
      {"lone surrogate kept", reg_type::kSz, {0x3D, 0xD8, 0x41, 0}, {wchar_t(0xD83D), L'A'}},
      {"REG_EXPAND_SZ", reg_type::kExpandSz, WideBytes(L"%TEMP%", true), L"old"},
      {"REG_DWORD", reg_type::kDword, {1, 0, 0, 0}, L"old"},
  };
  for (const auto& c : cases) {
    Put(L"NamingFormat", c.type, c.data);
    Put(L"AppendToDuplicates", c.type, c.data);
    Settings s(registry());
    s.NamingFormat = s.AppendToDuplicates = L"old";
    s.Load();
    EXPECT_EQ(s.NamingFormat, c.expected) << c.what;
    EXPECT_EQ(s.AppendToDuplicates, c.expected == L"old" ? L" - Duplicate" : c.expected) << c.what;
  }
  Delete(L"NamingFormat");
  Settings s(registry());
  s.NamingFormat = L"held";
  s.Load();
  EXPECT_EQ(s.NamingFormat, L"held");  // a missing value keeps the field too
}

TEST_P(SettingsStoreTest, BooleansTakeAnyNonZeroDwordOnly) {
  const struct {
    uint32_t type;
    Bytes data;
    bool expected;  // starting from false
  } cases[] = {
      {reg_type::kDword, {7, 0, 0, 0}, true},
      {reg_type::kDword, {0, 0, 0, 0x80}, true},
      {reg_type::kSz, WideBytes(L"1", true), false},
      {reg_type::kBinary, {1, 0, 0, 0}, false},
      {reg_type::kDword, {1, 0, 0, 0, 0, 0, 0, 0}, false},  // too large for 4 bytes
  };
  for (const auto& c : cases) {
    Put(L"OnlyRenTS", c.type, c.data);
    Settings s(registry());
    s.OnlyRenTS = false;
    s.Load();
    EXPECT_EQ(s.OnlyRenTS, c.expected) << c.type << "/" << c.data.size();
  }
}

TEST_P(SettingsStoreTest, ListsAreEmptiedThenFilledFromMultiSzOfAnySize) {
  const std::wstring big(12000, L'd');  // past the 10 240-unit save buffer
  Bytes oddBig = WideBytes(L"x" + std::wstring(1, L'\0') + big + L"!", false);
  oddBig.pop_back();  // odd size, no final NULs
  const struct {
    const char* what;
    uint32_t type;
    Bytes data;
    Strings expected;
  } cases[] = {
      {"empty strings skipped",
       reg_type::kMultiSz,
       WideBytes(std::wstring(L"\0\0one\0\0three\0\0", 14), false),
       {L"one", L"three"}},
      {"no terminators",
       reg_type::kMultiSz,
       WideBytes(std::wstring(L"one\0two", 7), false),
       {L"one", L"two"}},
      {"odd size", reg_type::kMultiSz, {'a', 0, 'b', 0, 0, 0, 'c', 0, 'd'}, {L"ab", L"c"}},
      {"non-BMP entry",
       reg_type::kMultiSz,
       WideBytes(std::wstring(L"\U00010348\0", 2), true),
       {L"\U00010348"}},
      {"large", reg_type::kMultiSz, oddBig, {L"x", big}},
      {"a single NUL", reg_type::kMultiSz, {0, 0}, {}},
      {"REG_SZ", reg_type::kSz, WideBytes(L"not a list", true), {}},
  };
  for (const auto& c : cases) {
    Put(L"DoNotRenList", c.type, c.data);
    Settings s(registry());
    s.DoNotRenList = {L"old"};
    s.Load();
    EXPECT_EQ(s.DoNotRenList, c.expected) << c.what;
  }
  Delete(L"DoNotRenList");
  Settings s(registry());
  s.DoNotRenList = {L"old"};
  s.Load();
  EXPECT_TRUE(s.DoNotRenList.empty());
}

TEST_P(SettingsStoreTest, SaveWritesEveryValueAndListsOfAnyLength) {
  Settings saved(registry());
  saved.NamingFormat = L"\U0001F5A8x";
  saved.OnlyRenTS = true;
  // An empty entry is written (the next load drops it); an entry ends at its
  // first NUL, as a C string would.
  saved.DoNotRenList = {L"a", L"", std::wstring(L"x\0y", 3)};
  for (int i = 0; i < 40; ++i) saved.NamingFormatList.push_back(std::wstring(300, L'a' + i % 26));
  saved.Save();

  const Stored expected[] = {
      {reg_type::kSz, {0x3D, 0xD8, 0xA8, 0xDD, 'x', 0, 0, 0}},
      {reg_type::kSz, {0, 0}},
      {reg_type::kSz, WideBytes(L"in [Ss]ession [0-9]+", true)},
      {reg_type::kDword, {1, 0, 0, 0}},
      {reg_type::kDword, {0, 0, 0, 0}},
      {reg_type::kDword, {0, 0, 0, 0}},
      {reg_type::kDword, {1, 0, 0, 0}},
      {reg_type::kMultiSz, WideBytes(std::wstring(L"a\0\0x\0\0", 6), false)},
  };
  const wchar_t* names[] = {L"NamingFormat", L"AppendToDuplicates", L"RenameRegex",
                            L"OnlyRenTS",    L"OnlyUseRegex",       L"DeleteDuplicates",
                            L"StripParens",  L"DoNotRenList"};
  for (size_t i = 0; i < std::size(names); ++i) EXPECT_EQ(Get(names[i]), expected[i]) << i;
  EXPECT_EQ(Get(L"NamingFormatList").data.size(), (40 * 301 + 1) * 2u);
  EXPECT_EQ(Settings(registry()).NamingFormatList, saved.NamingFormatList);

  saved.NamingFormatList.clear();
  saved.Save();
  EXPECT_EQ(Get(L"NamingFormatList"), (Stored{reg_type::kMultiSz, {0, 0}}));
}

}  // namespace
}  // namespace vantrel::testing
