// Settings through Win32Registry against the real registry of the test
// prefix. Works on the product's own key and deletes it when done.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/registry_win32.h"
#include "settings/settings.h"

namespace vantrel {
namespace {

using Bytes = std::vector<uint8_t>;
using Stored = std::pair<DWORD, Bytes>;

Bytes Utf16(const std::wstring& text) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  return Bytes(p, p + text.size() * sizeof(wchar_t));
}

class SettingsRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteKey(); }
  void TearDown() override { DeleteKey(); }

  static void DeleteKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
    // The vendor key too; this fails if something else lives under it.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Orlenk Technologies");
  }
  static void Put(const wchar_t* name, DWORD type, const Bytes& data) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name, type, data.data(),
                              static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  static void PutSz(const wchar_t* name, const std::wstring& text) {
    Put(name, REG_SZ, Utf16(text + L'\0'));
  }
  // The stored type and bytes (REG_NONE and nothing when absent).
  static Stored Get(const wchar_t* name) {
    DWORD type = REG_NONE, size = 0, flags = RRF_RT_ANY | RRF_NOEXPAND;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name, flags, &type, nullptr, &size))
      return {REG_NONE, {}};
    Bytes data(size);
    RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name, flags, &type, data.data(), &size);
    data.resize(size);
    return {type, data};
  }

  Win32Registry registry;
};

TEST_F(SettingsRegistryTest, NoKeyGivesDefaultsAndCreatesItEmptyThenTheSuffixFallsBack) {
  Settings s(registry);
  EXPECT_EQ(s.NamingFormat + L"|" + s.RenameRegex + L"|" + s.AppendToDuplicates,
            L"|in [Ss]ession [0-9]+|");
  EXPECT_TRUE(s.DoNotRenList.empty() && s.NamingFormatList.empty());
  EXPECT_TRUE(!s.OnlyRenTS && !s.DeleteDuplicates && !s.OnlyUseRegex && s.StripParens);

  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
  wchar_t name[64];
  DWORD chars = 64;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
  EXPECT_EQ(Settings(registry).AppendToDuplicates, L" - Duplicate");  // now present, empty
}

TEST_F(SettingsRegistryTest, BooleanOnlyFromDwordAndSavedAsOne) {
  PutSz(L"OnlyRenTS", L"1");
  EXPECT_FALSE(Settings(registry).OnlyRenTS);
  Put(L"OnlyRenTS", REG_DWORD, {7, 0, 0, 0});
  Put(L"OnlyUseRegex", REG_BINARY, {1, 0, 0, 0});
  Settings s(registry);
  EXPECT_TRUE(s.OnlyRenTS);
  EXPECT_FALSE(s.OnlyUseRegex);
  s.Save();
  EXPECT_EQ(Get(L"OnlyRenTS"), (Stored{REG_DWORD, {1, 0, 0, 0}}));
}

TEST_F(SettingsRegistryTest, StringsOfEveryShape) {
  PutSz(L"NamingFormat", std::wstring(1023, L'n'));
  EXPECT_EQ(Settings(registry).NamingFormat, std::wstring(1023, L'n'));

  PutSz(L"NamingFormat", std::wstring(1024, L'n'));  // 2050 bytes: missing
  Put(L"RenameRegex", REG_SZ, Utf16(L"no terminator"));
  // Seven bytes: "abc" and half of a fourth unit; the registry keeps the size.
  Put(L"AppendToDuplicates", REG_SZ, {'a', 0, 'b', 0, 'c', 0, 'd'});
  ASSERT_EQ(Get(L"AppendToDuplicates").second.size(), 7u);
  Settings s(registry);
  EXPECT_EQ(s.NamingFormat, L"");
  EXPECT_EQ(s.RenameRegex, L"no terminator");
  EXPECT_EQ(s.AppendToDuplicates, L"abc");

  Put(L"AppendToDuplicates", REG_EXPAND_SZ, Utf16(std::wstring(L"%TEMP%\0", 7)));
  s.Load();
  EXPECT_EQ(s.AppendToDuplicates, L" - Duplicate");
}

TEST_F(SettingsRegistryTest, ListsSkipEmptyStringsAndEmptyOnesSaveAsOneNul) {
  Put(L"DoNotRenList", REG_MULTI_SZ, Utf16(std::wstring(L"one\0\0three\0\0", 12)));
  PutSz(L"RenameRegex", L"^TS");
  Settings s(registry);
  EXPECT_EQ(s.DoNotRenList, (std::vector<std::wstring>{L"one", L"three"}));
  s.Save();
  EXPECT_EQ(Get(L"NamingFormatList"), (Stored{REG_MULTI_SZ, {0, 0}}));
  EXPECT_EQ(Get(L"DoNotRenList").second.size(), (3 + 1 + 5 + 1 + 1) * 2u);

  // Reloaded without them: the regex keeps the value held, the list empties.
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, L"RenameRegex");
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, L"DoNotRenList");
  s.Load();
  EXPECT_EQ(s.RenameRegex, L"^TS");
  EXPECT_TRUE(s.DoNotRenList.empty());
}

TEST_F(SettingsRegistryTest, LongListRoundTrip) {
  Settings saved(registry);
  for (int i = 0; i < 40; ++i) saved.DoNotRenList.push_back(std::wstring(300, L'a' + i % 26));
  saved.Save();
  EXPECT_EQ(Get(L"DoNotRenList").second.size(), (40 * 301 + 1) * 2u);  // past 10 240 units
  EXPECT_EQ(Settings(registry).DoNotRenList, saved.DoNotRenList);
}

}  // namespace
}  // namespace vantrel
