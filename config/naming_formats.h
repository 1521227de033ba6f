// The naming-format box (combo box 1008): its presets, its fill from the
// stored formats, and its read-back into the record. AddNamingFormat and
// RemoveNamingFormat are declared in config_app.h.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "config/config_app.h"
#include "settings/settings.h"

namespace vantrel {

inline constexpr std::array<const wchar_t*, 4> kNamingFormatPresets = {
    L"%printername% On %username%",
    L"%printername% On %clientname%",
    L"%printername% - %username%",
    L"%username% - %printername%",
};

// Appends the four presets and selects the first.
void FillNamingFormatPresets(DialogControls& controls);

// Merges NamingFormatList into the box (skipping entries it already holds,
// whatever their case) and selects NamingFormat, appending it when absent.
void FillNamingFormats(DialogControls& controls, const Settings& settings);

// The format as typed or selected (at most 1,023 characters).
std::wstring ReadNamingFormat(DialogControls& controls);

// Every entry of the box's list in list order.
std::vector<std::wstring> ReadNamingFormatList(DialogControls& controls);

}  // namespace vantrel
