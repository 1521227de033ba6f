// The registry values of the settings: each field's value name, type and
// bit in a set of values. The store reads and writes through these, and the
// Group Policy template is checked against the same list.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace vantrel {

struct SettingValue {
  const wchar_t* name;
  uint32_t type;  // reg_type
  uint32_t bit;   // its member of a set of values, such as those policy sets
};

inline constexpr SettingValue kNamingFormatValue{L"NamingFormat", reg_type::kSz, 1u << 0};
inline constexpr SettingValue kRenameRegexValue{L"RenameRegex", reg_type::kSz, 1u << 1};
inline constexpr SettingValue kDoNotRenListValue{L"DoNotRenList", reg_type::kMultiSz, 1u << 2};
inline constexpr SettingValue kNamingFormatListValue{L"NamingFormatList", reg_type::kMultiSz,
                                                     1u << 3};
inline constexpr SettingValue kAppendToDuplicatesValue{L"AppendToDuplicates", reg_type::kSz,
                                                       1u << 4};
inline constexpr SettingValue kOnlyRenTSValue{L"OnlyRenTS", reg_type::kDword, 1u << 5};
inline constexpr SettingValue kDeleteDuplicatesValue{L"DeleteDuplicates", reg_type::kDword,
                                                     1u << 6};
inline constexpr SettingValue kOnlyUseRegexValue{L"OnlyUseRegex", reg_type::kDword, 1u << 7};
inline constexpr SettingValue kStripParensValue{L"StripParens", reg_type::kDword, 1u << 8};

inline constexpr SettingValue kSettingValues[] = {
    kNamingFormatValue,     kRenameRegexValue,        kDoNotRenListValue,
    kNamingFormatListValue, kAppendToDuplicatesValue, kOnlyRenTSValue,
    kDeleteDuplicatesValue, kOnlyUseRegexValue,       kStripParensValue};

// The names of the values in `values`, in the order above, separated by
// ", "; "none" for the empty set.
inline std::wstring SettingValueNames(uint32_t values) {
  std::wstring names;
  for (const SettingValue& value : kSettingValues) {
    if (!(values & value.bit)) continue;
    if (!names.empty()) names += L", ";
    names += value.name;
  }
  return names.empty() ? L"none" : names;
}

}  // namespace vantrel
