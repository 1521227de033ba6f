// Settings through Win32Registry against the real registry of the test
// prefix. Works on the product's own key and deletes it when done.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/registry_win32.h"
#include "settings/settings.h"

namespace vantrel {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Utf16Bytes(const std::wstring& text) {
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
    Put(name, REG_SZ, Utf16Bytes(text + L'\0'));
  }
  static void Delete(const wchar_t* name) {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name);
  }
  // The stored type and bytes (REG_NONE and nothing when absent).
  static std::pair<DWORD, Bytes> Stored(const wchar_t* name) {
    DWORD type = REG_NONE, size = 0;
    const DWORD flags = RRF_RT_ANY | RRF_NOEXPAND;
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
  EXPECT_EQ(s.NamingFormat, L"");
  EXPECT_EQ(s.RenameRegex, L"in [Ss]ession [0-9]+");
  EXPECT_EQ(s.AppendToDuplicates, L"");
  EXPECT_TRUE(s.DoNotRenList.empty() && s.NamingFormatList.empty());
  EXPECT_FALSE(s.OnlyRenTS || s.DeleteDuplicates || s.OnlyUseRegex);
  EXPECT_TRUE(s.StripParens);

  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD values = 99;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  RegCloseKey(key);
  EXPECT_EQ(values, 0u);
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
  EXPECT_EQ(Stored(L"OnlyRenTS"), (std::pair<DWORD, Bytes>{REG_DWORD, {1, 0, 0, 0}}));
}

TEST_F(SettingsRegistryTest, StringsOfEveryShape) {
  PutSz(L"NamingFormat", std::wstring(1023, L'n'));
  EXPECT_EQ(Settings(registry).NamingFormat, std::wstring(1023, L'n'));

  PutSz(L"NamingFormat", std::wstring(1024, L'n'));  // 2050 bytes: missing
  Put(L"RenameRegex", REG_SZ, Utf16Bytes(L"no terminator"));
  // Seven bytes: "abc" and half of a fourth unit; the registry keeps the size.
  Put(L"AppendToDuplicates", REG_SZ, {'a', 0, 'b', 0, 'c', 0, 'd'});
  ASSERT_EQ(Stored(L"AppendToDuplicates").second.size(), 7u);
  Settings s(registry);
  EXPECT_EQ(s.NamingFormat, L"");
  EXPECT_EQ(s.RenameRegex, L"no terminator");
  EXPECT_EQ(s.AppendToDuplicates, L"abc");

  Put(L"AppendToDuplicates", REG_EXPAND_SZ, Utf16Bytes(std::wstring(L"%TEMP%\0", 7)));
  s.Load();
  EXPECT_EQ(s.AppendToDuplicates, L" - Duplicate");
}

TEST_F(SettingsRegistryTest, ListsSkipEmptyStringsAndEmptyOnesSaveAsOneNul) {
  Put(L"DoNotRenList", REG_MULTI_SZ, Utf16Bytes(std::wstring(L"one\0\0three\0\0", 12)));
  PutSz(L"RenameRegex", L"^TS");
  Settings s(registry);
  EXPECT_EQ(s.DoNotRenList, (std::vector<std::wstring>{L"one", L"three"}));
  s.Save();
  EXPECT_EQ(Stored(L"NamingFormatList"), (std::pair<DWORD, Bytes>{REG_MULTI_SZ, {0, 0}}));
  EXPECT_EQ(Stored(L"DoNotRenList").second.size(), (3 + 1 + 5 + 1 + 1) * 2u);

  Delete(L"RenameRegex");
  Delete(L"DoNotRenList");
  s.Load();
  EXPECT_EQ(s.RenameRegex, L"^TS");
  EXPECT_TRUE(s.DoNotRenList.empty());
}

TEST_F(SettingsRegistryTest, FullRecordAndLongListRoundTrip) {
  Settings saved(registry);
  saved.NamingFormat = L"%username% \u00e9 \U0001F5A8";
  saved.AppendToDuplicates = L" copy";
  saved.StripParens = false;
  saved.DeleteDuplicates = true;
  for (int i = 0; i < 40; ++i) saved.DoNotRenList.push_back(std::wstring(300, L'a' + i % 26));
  saved.Save();
  EXPECT_EQ(Stored(L"NamingFormat").second.size(), (saved.NamingFormat.size() + 1) * 2);
  EXPECT_EQ(Stored(L"DoNotRenList").second.size(), (40 * 301 + 1) * 2u);  // past 10 240 units

  Settings loaded(registry);
  EXPECT_EQ(loaded.NamingFormat, saved.NamingFormat);
  EXPECT_EQ(loaded.AppendToDuplicates, L" copy");
  EXPECT_FALSE(loaded.StripParens);
  EXPECT_TRUE(loaded.DeleteDuplicates);
  EXPECT_EQ(loaded.DoNotRenList, saved.DoNotRenList);
}

}  // namespace
}  // namespace vantrel
