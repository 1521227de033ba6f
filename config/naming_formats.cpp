#include "config/naming_formats.h"

#include <algorithm>

#include "platform/text.h"

namespace vantrel {
namespace {

// The index of the entry equal to `text` in any case, or -1.
int Find(const FormState& form, const std::wstring& text) {
  const auto it = std::ranges::find_if(
      form.formats, [&text](const std::wstring& f) { return EqualsIgnoringAsciiCase(f, text); });
  return it == form.formats.end() ? -1 : static_cast<int>(it - form.formats.begin());
}

// As the box does: a selection copies the entry into the edit field, and
// none empties it.
void Select(FormState& form, int index) {
  const bool valid = index >= 0 && static_cast<size_t>(index) < form.formats.size();
  form.selectedFormat = valid ? index : -1;
  form.format = valid ? form.formats[index] : std::wstring();
}

int Append(FormState& form, const std::wstring& text) {
  form.formats.push_back(text);
  return static_cast<int>(form.formats.size() - 1);
}

}  // namespace

void FillNamingFormatPresets(FormState& form) {
  for (const wchar_t* preset : kNamingFormatPresets) Append(form, preset);
  Select(form, 0);
}

void MergeNamingFormatList(FormState& form, const std::vector<std::wstring>& formats) {
  for (const std::wstring& format : formats)
    if (Find(form, format) < 0) Append(form, format);
}

void SelectNamingFormat(FormState& form, const std::wstring& stored) {
  // Nothing stored yet (first start): an empty format would rename every
  // printer to nothing, so the first preset stands in for it.
  const std::wstring format = stored.empty() ? std::wstring(kNamingFormatPresets[0]) : stored;
  const int index = Find(form, format);
  Select(form, index >= 0 ? index : Append(form, format));
}

void AddNamingFormat(FormState& form) {
  if (form.format.empty() || Find(form, form.format) >= 0) return;
  Select(form, Append(form, form.format));
}

void RemoveNamingFormat(FormState& form) {
  const int selected = form.selectedFormat;
  if (selected < 0 || static_cast<size_t>(selected) >= form.formats.size()) return;
  form.formats.erase(form.formats.begin() + selected);
  Select(form, selected > 0 ? selected - 1 : 0);
}

}  // namespace vantrel
