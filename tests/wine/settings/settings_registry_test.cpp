// The settings cases (tests/settings/settings_store_cases.cpp) over
// Win32Registry and Wine's real registry, with HKEY_LOCAL_MACHINE mapped to
// a scratch key.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/registry_win32.h"
#include "tests/settings/settings_store_cases.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel::testing {
namespace {

struct ScratchWin32Registry : Win32Registry {
  ScratchRegistryRoot scratch{HKEY_LOCAL_MACHINE};
};

}  // namespace

std::unique_ptr<Registry> MakeSettingsRegistry() {
  auto registry = std::make_unique<ScratchWin32Registry>();
  EXPECT_TRUE(registry->scratch.ok()) << "RegOverridePredefKey failed";
  return registry;
}

void DeleteMachineValue(Registry&, const std::wstring& path, const std::wstring& name) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, name.c_str()), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace vantrel::testing
