// The settings table (tests/settings/settings_store_cases.cpp) over
// Win32Registry and Wine's real registry, with HKEY_LOCAL_MACHINE mapped to
// a scratch key.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/registry_win32.h"
#include "settings/settings.h"
#include "tests/settings/settings_store_cases.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel::testing {
namespace {

class Win32Backend : public SettingsBackend {
 public:
  Win32Backend() { EXPECT_TRUE(scratch_.ok()) << "RegOverridePredefKey failed"; }
  Registry& registry() override { return registry_; }
  void DeleteValue(const wchar_t* name) override {
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name);
  }

 private:
  ScratchRegistryRoot scratch_{HKEY_LOCAL_MACHINE};
  Win32Registry registry_;
};

std::unique_ptr<SettingsBackend> MakeWin32Backend() { return std::make_unique<Win32Backend>(); }

INSTANTIATE_TEST_SUITE_P(Win32Registry, SettingsStoreTest, ::testing::Values(&MakeWin32Backend),
                         [](const auto&) { return std::string("Win32Registry"); });

}  // namespace
}  // namespace vantrel::testing
