// The driver exclusion list (list view 1015): one check-box entry per
// driver name, unique regardless of case.
#pragma once

#include <string>
#include <vector>

#include "config/config_ports.h"

namespace vantrel {

inline constexpr wchar_t kTsEasyPrintDriver[] = L"Terminal Services Easy Print";
inline constexpr wchar_t kRdEasyPrintDriver[] = L"Remote Desktop Easy Print";

// The drivers of the installed printers, unchecked, then the two Easy Print
// drivers, checked when `preCheckEasyPrint`.
void PopulateDriverList(ConfigPorts& ports, FormState& form, bool preCheckEasyPrint);
// Checks or unchecks the entry of `driverName`, adding it when absent.
void SetDriverEntry(FormState& form, const std::wstring& driverName, bool checked);

// The names of the checked entries in list order, each at most 1,023
// characters.
std::vector<std::wstring> CheckedDrivers(const FormState& form);

}  // namespace vantrel
