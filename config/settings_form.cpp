#include "config/settings_form.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

#include "config/dialog_ids.h"
#include "config/driver_list.h"
#include "config/naming_formats.h"
#include "config/service_client.h"
#include "platform/text.h"

namespace vantrel {
namespace {

// Only the dialog's thread touches it, so no lock.
std::unique_ptr<Settings>& Instance() {
  static auto* instance = new std::unique_ptr<Settings>;  // never destroyed, like the record
  return *instance;
}

constexpr wchar_t kPolicyNotice[] = L"Some settings are managed by your organisation.";

// The values (SettingValue::bit) each control edits: while policy sets one
// of them the control is disabled. The format box's buttons change the list
// and, through the selection, the format too.
const std::pair<int, uint32_t> kControlValues[] = {
    {IDC_FORMAT_BOX, kNamingFormatValue.bit},
    {IDC_ADD_FORMAT, kNamingFormatValue.bit | kNamingFormatListValue.bit},
    {IDC_REMOVE_FORMAT, kNamingFormatValue.bit | kNamingFormatListValue.bit},
    {IDC_DELETE_DUPLICATES, kDeleteDuplicatesValue.bit},
    {IDC_APPEND_DUPLICATES, kDeleteDuplicatesValue.bit},
    {IDC_ONLY_TS_PORT, kOnlyRenTSValue.bit},
    {IDC_DRIVER_LIST, kDoNotRenListValue.bit},
    {IDC_USE_REGEX, kOnlyUseRegexValue.bit},
    {IDC_STRIP_PARENS, kStripParensValue.bit},
};

bool PolicySets(ConfigPorts& ports, const SettingValue& value) {
  const Settings* settings = GetFormSettings(ports);
  return settings && settings->FromPolicy(value);
}

// Shows the fields of `settings` named in `values` (SettingValue::bit),
// then sets what is enabled: each edit while its option is chosen, and
// nothing that policy sets.
void ShowSettings(ConfigPorts& ports, const Settings& settings, uint32_t values) {
  DialogControls& c = ports.controls;
  auto shows = [values](const SettingValue& value) { return (values & value.bit) != 0; };
  if (shows(kOnlyRenTSValue)) c.SetChecked(IDC_ONLY_TS_PORT, settings.OnlyRenTS);
  if (shows(kDeleteDuplicatesValue)) {
    c.SetChecked(IDC_DELETE_DUPLICATES, settings.DeleteDuplicates);
    c.SetChecked(IDC_APPEND_DUPLICATES, !settings.DeleteDuplicates);
  }
  if (shows(kStripParensValue)) c.SetChecked(IDC_STRIP_PARENS, settings.StripParens);
  if (shows(kAppendToDuplicatesValue)) c.SetText(IDC_SUFFIX_EDIT, settings.AppendToDuplicates);
  if (shows(kDoNotRenListValue)) {
    for (const std::wstring& driver : settings.DoNotRenList) SetDriverEntry(ports, driver, true);
  }
  if (shows(kNamingFormatListValue)) MergeNamingFormatList(c, settings.NamingFormatList);
  if (shows(kNamingFormatValue)) SelectNamingFormat(c, settings.NamingFormat);
  if (shows(kOnlyUseRegexValue)) c.SetChecked(IDC_USE_REGEX, settings.OnlyUseRegex);
  if (shows(kRenameRegexValue)) c.SetText(IDC_REGEX_EDIT, settings.RenameRegex);

  const uint32_t policy = settings.PolicyValues();
  c.Enable(IDC_SUFFIX_EDIT,
           !settings.FromPolicy(kAppendToDuplicatesValue) && c.IsChecked(IDC_APPEND_DUPLICATES));
  c.Enable(IDC_REGEX_EDIT, !settings.FromPolicy(kRenameRegexValue) && c.IsChecked(IDC_USE_REGEX));
  if (!policy) return;
  for (const auto& [id, edits] : kControlValues)
    if (policy & edits) c.Enable(id, false);
  c.SetText(IDC_POLICY_NOTICE, kPolicyNotice);
}

void OnRestoreDefaults(ConfigPorts& ports) {
  const int answer =
      ports.controls.ShowMessageBox(L"Are you sure you want to restore to default settings?",
                                    L"Restore Defaults?", dialog_value::kMbYesNo);
  if (answer != dialog_value::kIdYes) return;
  ResetFormToDefaults(ports, true);
  // What policy sets is not the form's to reset.
  if (const Settings* settings = GetFormSettings(ports); settings && settings->PolicyValues())
    ShowSettings(ports, *settings, settings->PolicyValues());
}

}  // namespace

Settings* GetFormSettings(ConfigPorts& ports) {
  std::unique_ptr<Settings>& instance = Instance();
  if (!instance) {
    try {
      instance = std::make_unique<Settings>(ports.registry);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return instance.get();
}

void ResetFormSettingsForTesting() { Instance().reset(); }

void OpenForm(ConfigPorts& ports) {
  SetUpDriverListColumn(ports);
  ResetFormToDefaults(ports, false);
  FillFormFromSettings(ports);
  RefreshServiceStatus(ports);
}

void ResetFormToDefaults(ConfigPorts& ports, bool clearFirst) {
  DialogControls& c = ports.controls;
  if (clearFirst) {
    c.ListDeleteAllItems(IDC_DRIVER_LIST);
    c.ComboResetContent(IDC_FORMAT_BOX);
  }
  c.SetChecked(IDC_DELETE_DUPLICATES, true);
  c.SetChecked(IDC_APPEND_DUPLICATES, false);
  c.SetChecked(IDC_ONLY_TS_PORT, true);
  c.Enable(IDC_SUFFIX_EDIT, false);
  c.SetText(IDC_SUFFIX_EDIT, L"");
  FillNamingFormatPresets(c);
  c.Enable(IDC_REGEX_EDIT, false);
  c.SetChecked(IDC_USE_REGEX, false);
  c.SetChecked(IDC_STRIP_PARENS, true);
  // A list policy sets is shown as policy has it, with no Easy Print added.
  PopulateDriverList(ports, clearFirst && !PolicySets(ports, kDoNotRenListValue));
}

void FillFormFromSettings(ConfigPorts& ports) {
  const Settings* settings = GetFormSettings(ports);
  if (!settings) return;
  ShowSettings(ports, *settings, ~0u);
}

void ApplyChanges(ConfigPorts& ports) {
  Settings* settings = GetFormSettings(ports);
  if (!settings) return;
  DialogControls& c = ports.controls;
  // A field policy sets keeps the policy's value (Save skips it too).
  auto take = [settings](const SettingValue& value, auto& field, auto read) {
    if (!settings->FromPolicy(value)) field = read();
  };
  // Disabled edits are read too: their texts stay stored for when the
  // option is chosen again.
  take(kNamingFormatValue, settings->NamingFormat, [&] { return ReadNamingFormat(c); });
  take(kAppendToDuplicatesValue, settings->AppendToDuplicates,
       [&] { return c.GetText(IDC_SUFFIX_EDIT, kTextCapacity); });
  take(kOnlyRenTSValue, settings->OnlyRenTS, [&] { return c.IsChecked(IDC_ONLY_TS_PORT); });
  take(kDeleteDuplicatesValue, settings->DeleteDuplicates,
       [&] { return c.IsChecked(IDC_DELETE_DUPLICATES); });
  take(kStripParensValue, settings->StripParens, [&] { return c.IsChecked(IDC_STRIP_PARENS); });
  take(kOnlyUseRegexValue, settings->OnlyUseRegex, [&] { return c.IsChecked(IDC_USE_REGEX); });
  take(kRenameRegexValue, settings->RenameRegex,
       [&] { return c.GetText(IDC_REGEX_EDIT, kTextCapacity); });
  take(kNamingFormatListValue, settings->NamingFormatList, [&] {
    std::vector<std::wstring> formats = ReadNamingFormatList(c);
    // The box shows the policy's format; it joins the stored list only if
    // it was there already.
    const std::wstring& format = settings->NamingFormat;
    auto same = [&format](const std::wstring& f) { return EqualsIgnoringAsciiCase(f, format); };
    if (settings->FromPolicy(kNamingFormatValue) &&
        std::ranges::none_of(settings->NamingFormatList, same))
      std::erase_if(formats, same);
    return formats;
  });
  take(kDoNotRenListValue, settings->DoNotRenList, [&] { return ReadCheckedDrivers(c); });
  settings->Save();
  // Every value is saved before the reload request, so the service reads a
  // complete set.
  if (RefreshServiceStatus(ports) != static_cast<int32_t>(service_state::kRunning))
    StartServiceAndWait(ports);
  SendReloadSettings(ports);
}

bool OnFormCommand(ConfigPorts& ports, int id) {
  DialogControls& c = ports.controls;
  switch (id) {
    case IDC_ADD_FORMAT:
      AddNamingFormat(ports);
      return true;
    case IDC_REMOVE_FORMAT:
      RemoveNamingFormat(ports);
      return true;
    case IDC_DELETE_DUPLICATES:
      c.Enable(IDC_SUFFIX_EDIT, false);
      return true;
    case IDC_APPEND_DUPLICATES:
      c.Enable(IDC_SUFFIX_EDIT, !PolicySets(ports, kAppendToDuplicatesValue));
      return true;
    case IDC_APPLY_CHANGES:
      ApplyChanges(ports);
      return true;
    case IDC_RESTORE_DEFAULTS:
      OnRestoreDefaults(ports);
      return true;
    case IDC_USE_REGEX:
      c.Enable(IDC_REGEX_EDIT, c.IsChecked(IDC_USE_REGEX) && !PolicySets(ports, kRenameRegexValue));
      return true;
    default:
      return false;
  }
}

}  // namespace vantrel
