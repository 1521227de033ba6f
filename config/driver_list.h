// The driver exclusion list (list view 1015): one check-box entry per
// driver name, unique regardless of case. SetUpDriverListColumn,
// SetDriverEntry and PopulateDriverList are declared in config_app.h.
#pragma once

#include <string>
#include <vector>

#include "config/config_app.h"

namespace vantrel {

inline constexpr wchar_t kTsEasyPrintDriver[] = L"Terminal Services Easy Print";
inline constexpr wchar_t kRdEasyPrintDriver[] = L"Remote Desktop Easy Print";

// The texts of the checked entries in list order (each at most 1,023
// characters).
std::vector<std::wstring> ReadCheckedDrivers(DialogControls& controls);

}  // namespace vantrel
