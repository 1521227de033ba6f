#include "tests/settings/settings_store_cases.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/registry_codec.h"
#include "settings/settings.h"
#include "tests/fakes/fake_registry.h"

namespace vantrel::testing {
namespace {

constexpr auto kHklm = RegistryRoot::kLocalMachine;
using Bytes = std::vector<uint8_t>;
struct Stored {
  uint32_t type;
  Bytes data;
  bool operator==(const Stored&) const = default;
};

// Values are written and read through the port itself, so both registries
// take the same calls.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void Put(const wchar_t* name, uint32_t type, const Bytes& data,
           const wchar_t* path = kSettingsKeyPath) {
    std::unique_ptr<RegistryKey> key;
    ASSERT_TRUE(registry->CreateKey(kHklm, path, &key, nullptr).ok());
    ASSERT_TRUE(key->SetValue(name, type, data.data(), static_cast<uint32_t>(data.size())).ok());
  }
  Stored Get(const wchar_t* name) {  // {kNone, {}} when absent
    std::unique_ptr<RegistryKey> key;
    Stored stored{reg_type::kNone, {}};
    uint32_t size = 0;
    if (registry->OpenKey(kHklm, kSettingsKeyPath, &key).ok() &&
        key->QueryValueInfo(name, &stored.type, &size).ok()) {
      EXPECT_TRUE(key->QueryValue(name, size, &stored.type, &stored.data).ok()) << name;
    }
    return stored;
  }

  std::unique_ptr<Registry> registry = MakeSettingsRegistry();
};

// Missing values: a string keeps its field (AppendToDuplicates falls back
// to its suffix once the key exists), a list is emptied.
TEST_F(SettingsStoreTest, NoKeyKeepsDefaultsAndCreatesItEmptyThenMissingValuesFallBack) {
  Settings s(*registry);
  EXPECT_EQ(s.NamingFormat + L"|" + s.RenameRegex + L"|" + s.AppendToDuplicates,
            L"|in [Ss]ession [0-9]+|");
  EXPECT_TRUE(!s.OnlyRenTS && !s.DeleteDuplicates && !s.OnlyUseRegex && s.StripParens);
  EXPECT_EQ(Get(L"AppendToDuplicates").type, reg_type::kNone);
  s.NamingFormat = L"held";
  s.DoNotRenList = {L"old"};
  s.Load();
  EXPECT_EQ(s.NamingFormat + L"|" + s.AppendToDuplicates, L"held| - Duplicate");
  EXPECT_TRUE(s.DoNotRenList.empty());
}

// The field a value loads into, as text: a string as it is, a boolean as 0
// or 1, a list's entries each followed by '|'.
std::wstring Field(const Settings& s, const std::wstring& name) {
  if (name == L"NamingFormat") return s.NamingFormat;
  if (name == L"AppendToDuplicates") return s.AppendToDuplicates;
  if (name == L"OnlyRenTS") return s.OnlyRenTS ? L"1" : L"0";
  std::wstring list;
  for (const std::wstring& entry : s.DoNotRenList) list += entry + L"|";
  return list;
}

// What each shape of stored value loads as. Before each load the string
// field holds "old", the boolean false and the list "old": a string that
// cannot be taken keeps its field, a list is emptied first.
TEST_F(SettingsStoreTest, EachFieldTakesOnlyItsTypeWithinItsBuffer) {
  const std::wstring n1023(1023, L'n'), n1024(1024, L'n'), big(12000, L'd');
  Bytes oddBig = WideBytes(L"x" + std::wstring(1, L'\0') + big + L"!", false);
  oddBig.pop_back();  // odd size, no final NULs, past the 10 240-unit save buffer
  const struct {
    const wchar_t* name;
    uint32_t type;
    Bytes data;
    std::wstring expected;
  } cases[] = {
      {L"NamingFormat", reg_type::kSz, WideBytes(n1023, true), n1023},
      {L"NamingFormat", reg_type::kSz, WideBytes(n1024, true), L"old"},  // past the buffer
      {L"NamingFormat", reg_type::kSz, WideBytes(n1024, false), n1024},  // fits without NUL
      {L"NamingFormat", reg_type::kSz, {'a', 0, 'b', 0, 'c'}, L"ab"},    // half a unit
      {L"NamingFormat", reg_type::kSz, {0x3D, 0xD8, 0x00, 0xDE, 0x21, 0, 0, 0}, L"\U0001F600!"},
      {L"NamingFormat", reg_type::kSz, {0x3D, 0xD8, 0x41, 0}, {wchar_t(0xD83D), L'A'}},
      {L"NamingFormat", reg_type::kExpandSz, WideBytes(L"%TEMP%", true), L"old"},
      {L"AppendToDuplicates", reg_type::kSz, WideBytes(L" (2)", true), L" (2)"},
      {L"OnlyRenTS", reg_type::kDword, {7, 0, 0, 0}, L"1"},
      {L"OnlyRenTS", reg_type::kDword, {0, 0, 0, 0x80}, L"1"},
      {L"OnlyRenTS", reg_type::kBinary, {1, 0, 0, 0}, L"0"},
      {L"OnlyRenTS", reg_type::kDword, {1, 0, 0, 0, 0, 0, 0, 0}, L"0"},  // past 4 bytes
      {L"DoNotRenList", reg_type::kMultiSz,
       WideBytes(std::wstring(L"\0\0one\0\0three\0\0", 14), false), L"one|three|"},
      {L"DoNotRenList", reg_type::kMultiSz, {'a', 0, 'b', 0, 0, 0, 'c', 0, 'd'}, L"ab|c|"},
      {L"DoNotRenList", reg_type::kMultiSz, oddBig, L"x|" + big + L"|"},
      {L"DoNotRenList", reg_type::kSz, WideBytes(L"not a list", true), L""},
  };
  for (const auto& c : cases) {
    Put(c.name, c.type, c.data);
    Settings s(*registry);
    s.NamingFormat = L"old";
    s.OnlyRenTS = false;
    s.DoNotRenList = {L"old"};
    s.Load();
    EXPECT_EQ(Field(s, c.name), c.expected) << c.name << " " << c.type << "/" << c.data.size();
  }
}

// A policy value of its own type wins over the stored one, and over the
// default; one of another type is ignored. A save leaves what policy sets
// as it was stored, and once the policy goes the stored value (or the
// default) applies again.
TEST_F(SettingsStoreTest, PolicyValuesWinWithTheirTypeAndLeaveNothingBehind) {
  const auto list = [](const wchar_t* entry) { return EncodeMultiSz({entry}); };
  const struct {
    const wchar_t* name;
    uint32_t storedType;  // kNone: not stored
    Bytes stored;
    uint32_t policyType;
    Bytes policy;
    std::wstring withPolicy, afterPolicy;
  } rows[] = {
      {L"NamingFormat",
       reg_type::kNone,
       {},
       reg_type::kSz,
       WideBytes(L"policy", true),
       L"policy",
       L""},  // a missing value keeps its field: the policy's must not stay
      {L"OnlyRenTS",
       reg_type::kDword,
       {1, 0, 0, 0},
       reg_type::kSz,
       WideBytes(L"0", true),
       L"1",
       L"1"},
      {L"AppendToDuplicates",
       reg_type::kNone,
       {},
       reg_type::kSz,
       WideBytes(L" (p)", true),
       L" (p)",
       L" - Duplicate"},
      {L"DoNotRenList", reg_type::kMultiSz, list(L"S"), reg_type::kMultiSz, list(L"P"), L"P|",
       L"S|"},
  };
  for (const auto& r : rows) {
    if (r.storedType != reg_type::kNone) Put(r.name, r.storedType, r.stored);
    Put(r.name, r.policyType, r.policy, kPolicyKeyPath);
  }
  Settings s(*registry);
  EXPECT_EQ(SettingValueNames(s.PolicyValues()), L"NamingFormat, DoNotRenList, AppendToDuplicates");
  EXPECT_EQ(SettingValueNames(s.IgnoredPolicyValues()), L"OnlyRenTS");
  s.Save();
  for (const auto& r : rows) {
    EXPECT_EQ(Field(s, r.name), r.withPolicy) << r.name;
    EXPECT_EQ(Get(r.name), (Stored{r.storedType, r.stored})) << r.name;
    DeleteMachineValue(*registry, kPolicyKeyPath, r.name);
  }
  s.Load();
  for (const auto& r : rows) EXPECT_EQ(Field(s, r.name), r.afterPolicy) << r.name;
  EXPECT_EQ(SettingValueNames(s.PolicyValues()), L"none");
}

TEST_F(SettingsStoreTest, SaveWritesEveryValueAndListsOfAnyLength) {
  Settings saved(*registry);
  saved.NamingFormat = L"\U0001F5A8x";
  saved.OnlyRenTS = true;
  // An empty entry is written (the next load drops it); an entry ends at its
  // first NUL, as a C string would.
  saved.DoNotRenList = {L"a", L"", std::wstring(L"x\0y", 3)};
  for (int i = 0; i < 40; ++i) saved.NamingFormatList.push_back(std::wstring(300, L'a' + i % 26));
  saved.Save();

  const std::pair<const wchar_t*, Stored> expected[] = {
      {L"NamingFormat", {reg_type::kSz, {0x3D, 0xD8, 0xA8, 0xDD, 'x', 0, 0, 0}}},
      {L"AppendToDuplicates", {reg_type::kSz, {0, 0}}},
      {L"RenameRegex", {reg_type::kSz, WideBytes(L"in [Ss]ession [0-9]+", true)}},
      {L"OnlyRenTS", {reg_type::kDword, {1, 0, 0, 0}}},
      {L"OnlyUseRegex", {reg_type::kDword, {0, 0, 0, 0}}},
      {L"DeleteDuplicates", {reg_type::kDword, {0, 0, 0, 0}}},
      {L"StripParens", {reg_type::kDword, {1, 0, 0, 0}}},
      {L"DoNotRenList", {reg_type::kMultiSz, WideBytes(std::wstring(L"a\0\0x\0\0", 6), false)}},
  };
  for (const auto& [name, stored] : expected) EXPECT_EQ(Get(name), stored) << name;
  EXPECT_EQ(Get(L"NamingFormatList").data.size(), (40 * 301 + 1) * 2u);
  EXPECT_EQ(Settings(*registry).NamingFormatList, saved.NamingFormatList);

  saved.NamingFormatList.clear();
  saved.Save();
  EXPECT_EQ(Get(L"NamingFormatList"), (Stored{reg_type::kMultiSz, {0, 0}}));
}

}  // namespace
}  // namespace vantrel::testing
