// The naming-format box (combo box 1008): its presets, its fill from the
// stored formats, and its two buttons. Entries are unique regardless of case.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "config/form_view.h"

namespace vantrel {

inline constexpr std::array<const wchar_t*, 4> kNamingFormatPresets = {
    L"%printername% On %username%",
    L"%printername% On %clientname%",
    L"%printername% - %username%",
    L"%username% - %printername%",
};

// Appends the four presets and selects the first.
void FillNamingFormatPresets(FormState& form);
// Appends each stored format the box does not hold in any case.
void MergeNamingFormatList(FormState& form, const std::vector<std::wstring>& formats);
// Selects the stored format, appending it when absent; the entry's spelling
// is what the box then shows.
void SelectNamingFormat(FormState& form, const std::wstring& stored);

// The green +: appends the typed format unless the box holds it in any case,
// and selects it.
void AddNamingFormat(FormState& form);
// The red -: removes the selected entry and selects the one before it.
void RemoveNamingFormat(FormState& form);

}  // namespace vantrel
