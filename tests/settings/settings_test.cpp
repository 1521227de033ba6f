// The settings cases over the in-memory registry, and what only the fake
// can show: failures on the way.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_registry.h"
#include "tests/settings/settings_store_cases.h"

namespace vantrel::testing {

std::unique_ptr<Registry> MakeSettingsRegistry() { return std::make_unique<FakeRegistry>(); }
void DeleteMachineValue(Registry& registry, const std::wstring& path, const std::wstring& name) {
  static_cast<FakeRegistry&>(registry)
      .Walk(RegistryRoot::kLocalMachine, path, false)
      ->values.erase(name);
}

namespace {

constexpr auto kHklm = RegistryRoot::kLocalMachine;

TEST(SettingsFailureTest, AKeyThatCannotBeOpenedLeavesRecordAndRegistryAloneAFailedWriteNot) {
  FakeRegistry registry;
  registry.SetRaw(kHklm, kSettingsKeyPath, L"DoNotRenList", reg_type::kMultiSz,
                  WideBytes(std::wstring(L"Driver A\0", 9), true));
  auto stored = [&] { return registry.Walk(kHklm, kSettingsKeyPath, false)->values.size(); };
  Settings s(registry);
  registry.DenyOpen(kHklm, kSettingsKeyPath);
  s.DoNotRenList.push_back(L"Driver B");
  s.Load();
  s.Save();
  EXPECT_EQ(s.DoNotRenList, (std::vector<std::wstring>{L"Driver A", L"Driver B"}));
  EXPECT_EQ(stored(), 1u);  // the list as it was

  // One refused write: every other value is still written.
  registry.DenyOpen(kHklm, kSettingsKeyPath, false);
  registry.failHook = [](const std::string& call, const std::wstring& name) {
    return call == "SetValue" && name == L"RenameRegex" ? win32_error::kAccessDenied : 0;
  };
  s.Save();
  EXPECT_EQ(stored(), 8u);  // all but RenameRegex
  EXPECT_EQ(registry.GetRaw(kHklm, kSettingsKeyPath, L"DoNotRenList")->data,
            WideBytes(std::wstring(L"Driver A\0Driver B\0", 18), true));
}

}  // namespace
}  // namespace vantrel::testing
