// The settings table over the in-memory registry, and what only the fake
// can show: failures on the way, and the process-wide instance.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_registry.h"
#include "tests/settings/settings_store_cases.h"

namespace vantrel::testing {
namespace {

constexpr auto kHklm = RegistryRoot::kLocalMachine;

class FakeBackend : public SettingsBackend {
 public:
  Registry& registry() override { return registry_; }
  void DeleteValue(const wchar_t* name) override {
    registry_.DeleteValue(kHklm, kSettingsKeyPath, name);
  }

 private:
  FakeRegistry registry_;
};

std::unique_ptr<SettingsBackend> MakeFakeBackend() { return std::make_unique<FakeBackend>(); }

INSTANTIATE_TEST_SUITE_P(FakeRegistry, SettingsStoreTest, ::testing::Values(&MakeFakeBackend),
                         [](const auto&) { return std::string("FakeRegistry"); });

TEST(SettingsFailureTest, AKeyThatCannotBeOpenedLeavesRecordAndRegistryAloneAFailedWriteNot) {
  FakeRegistry registry;
  registry.SetRaw(kHklm, kSettingsKeyPath, L"DoNotRenList", reg_type::kMultiSz,
                  WideBytes(std::wstring(L"Driver A\0", 9), true));
  Settings s(registry);
  registry.DenyOpen(kHklm, kSettingsKeyPath);
  s.DoNotRenList.push_back(L"Driver B");
  s.Load();
  s.Save();
  EXPECT_EQ(s.DoNotRenList, (std::vector<std::wstring>{L"Driver A", L"Driver B"}));
  EXPECT_EQ(registry.ValueNames(kHklm, kSettingsKeyPath),
            std::vector<std::wstring>{L"DoNotRenList"});

  // One refused write: every other value is still written.
  registry.DenyOpen(kHklm, kSettingsKeyPath, false);
  registry.failHook = [](const std::string& call, const std::wstring& name) {
    return call == "SetValue" && name == L"RenameRegex" ? win32_error::kAccessDenied : 0;
  };
  s.Save();
  EXPECT_EQ(registry.ValueNames(kHklm, kSettingsKeyPath).size(), 8u);  // all but RenameRegex
  EXPECT_EQ(registry.GetRaw(kHklm, kSettingsKeyPath, L"DoNotRenList")->data,
            WideBytes(std::wstring(L"Driver A\0Driver B\0", 18), true));
}

TEST(GetSettingsTest, OneInstanceLoadedFromTheInstalledRegistry) {
  FakeRegistry registry;
  registry.SetString(kHklm, kSettingsKeyPath, L"NamingFormat", L"%username%");
  SetSettingsRegistry(&registry);
  ResetSettingsForTesting();
  Settings& first = GetSettings();
  EXPECT_EQ(first.NamingFormat, L"%username%");
  EXPECT_EQ(&GetSettings(), &first);
  registry.SetString(kHklm, kSettingsKeyPath, L"NamingFormat", L"%clientname%");
  ReloadSettingsInstance();
  EXPECT_EQ(CopySettings().NamingFormat, L"%clientname%");

  SetSettingsRegistry(nullptr);
  ResetSettingsForTesting();
  EXPECT_EQ(GetSettings().RenameRegex, L"in [Ss]ession [0-9]+");  // no registry: defaults
  ResetSettingsForTesting();
}

}  // namespace
}  // namespace vantrel::testing
