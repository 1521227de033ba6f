// The driver exclusion list (list view 1015): one check-box entry per
// driver name, unique regardless of case.
#pragma once

#include <string>
#include <vector>

#include "config/config_ports.h"

namespace vantrel {

inline constexpr wchar_t kTsEasyPrintDriver[] = L"Terminal Services Easy Print";
inline constexpr wchar_t kRdEasyPrintDriver[] = L"Remote Desktop Easy Print";

// Check boxes and one column as wide as the list.
void SetUpDriverListColumn(ConfigPorts& ports);
// The drivers of the installed printers, unchecked, then the two Easy Print
// drivers, checked when `preCheckEasyPrint`.
void PopulateDriverList(ConfigPorts& ports, bool preCheckEasyPrint);
// Checks or unchecks the entry of `driverName`, adding it when absent.
void SetDriverEntry(ConfigPorts& ports, const std::wstring& driverName, bool checked);

// The texts of the checked entries in list order (each at most 1,023
// characters).
std::vector<std::wstring> ReadCheckedDrivers(DialogControls& controls);

}  // namespace vantrel
