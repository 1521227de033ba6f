// Load and save rules over the in-memory registry; the same cases against
// the real registry are in tests/wine/settings.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include "settings/registry_codec.h"
#include "tests/fakes/fake_registry.h"

namespace vantrel {
namespace {

using testing::FakeRegistry;
using testing::WideBytes;
using Bytes = std::vector<uint8_t>;
constexpr auto kHklm = RegistryRoot::kLocalMachine;

class SettingsTest : public ::testing::Test {
 protected:
  void Put(const wchar_t* name, uint32_t type, Bytes data) {
    registry.SetRaw(kHklm, kSettingsKeyPath, name, type, std::move(data));
  }
  Bytes Stored(const wchar_t* name) {
    auto v = registry.GetRaw(kHklm, kSettingsKeyPath, name);
    return v ? v->data : Bytes{};
  }
  FakeRegistry registry;
};

TEST_F(SettingsTest, NoKeyKeepsDefaultsEmptyKeyGetsTheDuplicateSuffix) {
  Settings fresh(registry);
  EXPECT_EQ(fresh.AppendToDuplicates, L"");
  EXPECT_TRUE(registry.KeyExists(kHklm, kSettingsKeyPath));
  EXPECT_TRUE(registry.ValueNames(kHklm, kSettingsKeyPath).empty());
  Settings again(registry);
  EXPECT_EQ(again.AppendToDuplicates, L" - Duplicate");
  EXPECT_EQ(again.RenameRegex, L"in [Ss]ession [0-9]+");
  EXPECT_TRUE(again.StripParens);
}

TEST_F(SettingsTest, StringValuesTakenOnlyWhenRegSzAndWithinTheBuffer) {
  struct Case {
    const char* what;
    uint32_t type;
    Bytes data;
    std::wstring expected;  // "old": the field was kept
  } cases[] = {
      {"1023 characters", reg_type::kSz, WideBytes(std::wstring(1023, L'n'), true),
       std::wstring(1023, L'n')},
      {"1024 characters", reg_type::kSz, WideBytes(std::wstring(1024, L'n'), true), L"old"},
      {"1024 characters, no NUL", reg_type::kSz, WideBytes(std::wstring(1024, L'n'), false),
       std::wstring(1024, L'n')},
      {"odd length", reg_type::kSz, {'a', 0, 'b', 0, 'c'}, L"ab"},
      {"REG_EXPAND_SZ", reg_type::kExpandSz, WideBytes(L"abc", true), L"old"},
      {"REG_DWORD", reg_type::kDword, {1, 0, 0, 0}, L"old"},
  };
  for (const auto& c : cases) {
    Put(L"NamingFormat", c.type, c.data);
    Put(L"AppendToDuplicates", c.type, c.data);
    Settings s(registry);
    s.NamingFormat = s.AppendToDuplicates = L"old";
    s.Load();
    EXPECT_EQ(s.NamingFormat, c.expected) << c.what;
    EXPECT_EQ(s.AppendToDuplicates, c.expected == L"old" ? L" - Duplicate" : c.expected) << c.what;
  }
}

TEST_F(SettingsTest, BooleansTakeAnyNonZeroDwordOnly) {
  struct Case {
    uint32_t type;
    Bytes data;
    bool expected;  // starting from false
  } cases[] = {
      {reg_type::kDword, {7, 0, 0, 0}, true},
      {reg_type::kDword, {0, 0, 0, 0x80}, true},
      {reg_type::kSz, WideBytes(L"1", true), false},
      {reg_type::kDword, {1, 0, 0, 0, 0, 0, 0, 0}, false},  // too large for 4 bytes
  };
  for (const auto& c : cases) {
    Put(L"OnlyRenTS", c.type, c.data);
    Settings s(registry);
    s.OnlyRenTS = false;
    s.Load();
    EXPECT_EQ(s.OnlyRenTS, c.expected) << c.data.size();
  }
}

TEST_F(SettingsTest, ListsAreEmptiedThenFilledFromMultiSzOfAnySize) {
  Put(L"DoNotRenList", reg_type::kMultiSz, WideBytes(std::wstring(L"one\0\0three\0\0", 12), false));
  Put(L"NamingFormatList", reg_type::kSz, WideBytes(L"not a list", true));
  Settings s(registry);
  EXPECT_EQ(s.DoNotRenList, (std::vector<std::wstring>{L"one", L"three"}));
  EXPECT_TRUE(s.NamingFormatList.empty());

  // Odd stored size, no final NULs, larger than the save buffer.
  std::wstring big(12000, L'd');
  Bytes raw = WideBytes(L"x" + std::wstring(1, L'\0') + big + L"!", false);
  raw.pop_back();
  Put(L"DoNotRenList", reg_type::kMultiSz, raw);
  s.Load();
  EXPECT_EQ(s.DoNotRenList, (std::vector<std::wstring>{L"x", big}));

  registry.DeleteValue(kHklm, kSettingsKeyPath, L"DoNotRenList");
  s.Load();
  EXPECT_TRUE(s.DoNotRenList.empty());
}

TEST_F(SettingsTest, KeyThatCannotBeOpenedLeavesTheRecordAndTheRegistryAlone) {
  Put(L"DoNotRenList", reg_type::kMultiSz, EncodeMultiSz({L"Driver A"}));
  Settings s(registry);
  registry.DenyOpen(kHklm, kSettingsKeyPath);
  s.Load();
  EXPECT_EQ(s.DoNotRenList, std::vector<std::wstring>{L"Driver A"});
  int before = registry.callCount;
  s.Save();
  EXPECT_EQ(registry.callCount, before + 1);  // only the failed create
}

TEST_F(SettingsTest, SaveWritesEveryValueAndGoesOnPastAFailedOne) {
  Settings s(registry);
  s.NamingFormat = L"\U0001F5A8x";
  s.OnlyRenTS = true;
  registry.failHook = [](const std::string& call, const std::wstring& name) {
    return call == "SetValue" && name == L"RenameRegex" ? win32_error::kAccessDenied : 0;
  };
  s.Save();
  EXPECT_EQ(Stored(L"NamingFormat"), (Bytes{0x3D, 0xD8, 0xA8, 0xDD, 'x', 0, 0, 0}));
  EXPECT_EQ(Stored(L"AppendToDuplicates"), (Bytes{0, 0}));
  EXPECT_EQ(Stored(L"OnlyRenTS"), (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(Stored(L"DeleteDuplicates"), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(Stored(L"DoNotRenList"), (Bytes{0, 0}));
  EXPECT_EQ(registry.GetRaw(kHklm, kSettingsKeyPath, L"NamingFormatList")->type,
            reg_type::kMultiSz);
  EXPECT_EQ(registry.ValueNames(kHklm, kSettingsKeyPath).size(), 8u);  // all but RenameRegex
}

TEST(GetSettingsTest, OneInstanceLoadedFromTheInstalledRegistry) {
  FakeRegistry registry;
  registry.SetString(kHklm, kSettingsKeyPath, L"NamingFormat", L"%username%");
  SetSettingsRegistry(&registry);
  ResetSettingsForTesting();
  Settings& first = GetSettings();
  EXPECT_EQ(first.NamingFormat, L"%username%");
  EXPECT_EQ(&GetSettings(), &first);

  SetSettingsRegistry(nullptr);
  ResetSettingsForTesting();
  EXPECT_EQ(GetSettings().RenameRegex, L"in [Ss]ession [0-9]+");  // no registry: defaults
  ResetSettingsForTesting();
}

}  // namespace
}  // namespace vantrel
