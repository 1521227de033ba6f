// The settings store's load and save rules as one set of cases
// (settings_store_cases.cpp), linked into two programs: natively over the
// in-memory fake (settings_test.cpp) and under Wine over the real registry
// with a scratch key (tests/wine/settings), so the fake's byte and size
// rules are proven against the real ones.
#pragma once

#include <memory>

#include "platform/registry.h"

namespace vantrel::testing {

// A registry without the settings key, fresh for each case.
std::unique_ptr<Registry> MakeSettingsRegistry();
// Deletes a value under HKEY_LOCAL_MACHINE (the port itself never deletes).
void DeleteMachineValue(Registry& registry, const std::wstring& path, const std::wstring& name);

}  // namespace vantrel::testing
