#include "config/naming_formats.h"

#include "config/dialog_ids.h"

namespace vantrel {
namespace {

constexpr int kBox = IDC_FORMAT_BOX;

bool Holds(DialogControls& controls, const std::wstring& text) {
  return controls.ComboFindStringExact(kBox, -1, text) != dialog_value::kCbErr;
}

}  // namespace

void FillNamingFormatPresets(DialogControls& controls) {
  for (const wchar_t* preset : kNamingFormatPresets) controls.ComboAddString(kBox, preset);
  controls.ComboSetCurSel(kBox, 0);
}

void FillNamingFormats(DialogControls& controls, const Settings& settings) {
  MergeNamingFormatList(controls, settings.NamingFormatList);
  SelectNamingFormat(controls, settings.NamingFormat);
}

void MergeNamingFormatList(DialogControls& controls, const std::vector<std::wstring>& formats) {
  for (const std::wstring& format : formats) {
    if (!Holds(controls, format)) controls.ComboAddString(kBox, format);
  }
}

void SelectNamingFormat(DialogControls& controls, const std::wstring& stored) {
  // Nothing stored yet (first start): an empty format would rename every
  // printer to nothing, so the first preset stands in for it.
  const std::wstring format = stored.empty() ? std::wstring(kNamingFormatPresets[0]) : stored;
  int index = controls.ComboFindStringExact(kBox, -1, format);
  if (index == dialog_value::kCbErr) index = controls.ComboAddString(kBox, format);
  if (index >= 0) {
    controls.ComboSetCurSel(kBox, index);
  } else {
    // The box refused the entry: show the stored format in the edit field
    // anyway, or the next Apply would store an empty one in its place.
    controls.ComboSetCurSel(kBox, -1);
    controls.SetText(kBox, format);
  }
}

std::wstring ReadNamingFormat(DialogControls& controls) {
  return controls.GetText(kBox, kTextCapacity);
}

std::vector<std::wstring> ReadNamingFormatList(DialogControls& controls) {
  std::vector<std::wstring> formats;
  const int count = controls.ComboGetCount(kBox);
  for (int i = 0; i < count; ++i) {
    if (controls.ComboGetLbTextLen(kBox, i) == dialog_value::kCbErr) continue;
    formats.push_back(controls.ComboGetLbText(kBox, i));
  }
  return formats;
}

void AddNamingFormat(ConfigPorts& ports) {
  DialogControls& controls = ports.controls;
  const int length = controls.GetTextLength(kBox);
  if (length <= 0) return;
  const std::wstring text = controls.ReadText(kBox, length + 1);
  if (Holds(controls, text)) return;
  const int index = controls.ComboAddString(kBox, text);
  if (index >= 0) controls.ComboSetCurSel(kBox, index);
}

void RemoveNamingFormat(ConfigPorts& ports) {
  DialogControls& controls = ports.controls;
  const int selected = controls.ComboGetCurSel(kBox);
  if (selected == dialog_value::kCbErr) return;
  controls.ComboDeleteString(kBox, selected);
  controls.ComboSetCurSel(kBox, selected > 0 ? selected - 1 : 0);
}

}  // namespace vantrel
