// The registry values of the settings: each field's value name and type.
// The store reads and writes through these, and the Group Policy template
// is checked against the same list.
#pragma once

#include <cstdint>

#include "platform/registry.h"

namespace vantrel {

struct SettingValue {
  const wchar_t* name;
  uint32_t type;  // reg_type
};

inline constexpr SettingValue kNamingFormatValue{L"NamingFormat", reg_type::kSz};
inline constexpr SettingValue kRenameRegexValue{L"RenameRegex", reg_type::kSz};
inline constexpr SettingValue kDoNotRenListValue{L"DoNotRenList", reg_type::kMultiSz};
inline constexpr SettingValue kNamingFormatListValue{L"NamingFormatList", reg_type::kMultiSz};
inline constexpr SettingValue kAppendToDuplicatesValue{L"AppendToDuplicates", reg_type::kSz};
inline constexpr SettingValue kOnlyRenTSValue{L"OnlyRenTS", reg_type::kDword};
inline constexpr SettingValue kDeleteDuplicatesValue{L"DeleteDuplicates", reg_type::kDword};
inline constexpr SettingValue kOnlyUseRegexValue{L"OnlyUseRegex", reg_type::kDword};
inline constexpr SettingValue kStripParensValue{L"StripParens", reg_type::kDword};

inline constexpr SettingValue kSettingValues[] = {
    kNamingFormatValue,     kRenameRegexValue,        kDoNotRenListValue,
    kNamingFormatListValue, kAppendToDuplicatesValue, kOnlyRenTSValue,
    kDeleteDuplicatesValue, kOnlyUseRegexValue,       kStripParensValue};

}  // namespace vantrel
