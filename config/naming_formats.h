// The naming-format box (combo box 1008): its presets, its fill from the
// stored formats, its read-back into the record, and its two buttons.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "config/config_ports.h"
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
// The two halves of FillNamingFormats.
void MergeNamingFormatList(DialogControls& controls, const std::vector<std::wstring>& formats);
void SelectNamingFormat(DialogControls& controls, const std::wstring& stored);

// The format as typed or selected (at most 1,023 characters).
std::wstring ReadNamingFormat(DialogControls& controls);

// Every entry of the box's list in list order.
std::vector<std::wstring> ReadNamingFormatList(DialogControls& controls);

// The green +: appends the typed format unless the box holds it in any case,
// and selects it.
void AddNamingFormat(ConfigPorts& ports);
// The red -: removes the selected entry and selects the one before it.
void RemoveNamingFormat(ConfigPorts& ports);

}  // namespace vantrel
