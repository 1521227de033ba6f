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

void SetEnabled(FormState& form, int id, bool enabled) {
  if (enabled)
    form.disabled.erase(id);
  else
    form.disabled.insert(id);
}

// What a buffer of kTextCapacity units takes of a text.
std::wstring Cut(const std::wstring& text) { return text.substr(0, kTextCapacity - 1); }

// Shows the fields of `settings` named in `values` (SettingValue::bit),
// then sets what is enabled: each edit while its option is chosen, and
// nothing that policy sets.
void ShowSettings(FormState& form, const Settings& settings, uint32_t values) {
  auto shows = [values](const SettingValue& value) { return (values & value.bit) != 0; };
  if (shows(kOnlyRenTSValue)) form.onlyTsPort = settings.OnlyRenTS;
  if (shows(kDeleteDuplicatesValue)) form.deleteDuplicates = settings.DeleteDuplicates;
  if (shows(kStripParensValue)) form.stripParens = settings.StripParens;
  if (shows(kAppendToDuplicatesValue)) form.suffix = settings.AppendToDuplicates;
  if (shows(kDoNotRenListValue)) {
    for (const std::wstring& driver : settings.DoNotRenList) SetDriverEntry(form, driver, true);
  }
  if (shows(kNamingFormatListValue)) MergeNamingFormatList(form, settings.NamingFormatList);
  if (shows(kNamingFormatValue)) SelectNamingFormat(form, settings.NamingFormat);
  if (shows(kOnlyUseRegexValue)) form.useRegex = settings.OnlyUseRegex;
  if (shows(kRenameRegexValue)) form.regex = settings.RenameRegex;

  const uint32_t policy = settings.PolicyValues();
  SetEnabled(form, IDC_SUFFIX_EDIT,
             !settings.FromPolicy(kAppendToDuplicatesValue) && !form.deleteDuplicates);
  SetEnabled(form, IDC_REGEX_EDIT, !settings.FromPolicy(kRenameRegexValue) && form.useRegex);
  if (!policy) return;
  for (const auto& [id, edits] : kControlValues)
    if (policy & edits) SetEnabled(form, id, false);
  form.policyNotice = kPolicyNotice;
}

void ResetFormToDefaults(ConfigPorts& ports, FormState& form, bool clearFirst) {
  if (clearFirst) {
    form.drivers.clear();
    form.formats.clear();
  }
  form.deleteDuplicates = true;
  form.onlyTsPort = true;
  SetEnabled(form, IDC_SUFFIX_EDIT, false);
  form.suffix.clear();
  FillNamingFormatPresets(form);
  SetEnabled(form, IDC_REGEX_EDIT, false);
  form.useRegex = false;
  form.stripParens = true;
  // A list policy sets is shown as policy has it, with no Easy Print added.
  PopulateDriverList(ports, form, clearFirst && !PolicySets(ports, kDoNotRenListValue));
}

void OnRestoreDefaults(ConfigPorts& ports) {
  if (!ports.view.Confirm(L"Are you sure you want to restore to default settings?",
                          L"Restore Defaults?"))
    return;
  FormState form = ports.view.Read();
  ResetFormToDefaults(ports, form, true);
  // What policy sets is not the form's to reset.
  if (const Settings* settings = GetFormSettings(ports); settings && settings->PolicyValues())
    ShowSettings(form, *settings, settings->PolicyValues());
  ports.view.Write(form);
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
  FormState form = ports.view.Read();
  ResetFormToDefaults(ports, form, false);
  if (const Settings* settings = GetFormSettings(ports)) ShowSettings(form, *settings, ~0u);
  ports.view.Write(form);
  RefreshServiceStatus(ports);
}

void ApplyChanges(ConfigPorts& ports) {
  Settings* settings = GetFormSettings(ports);
  if (!settings) return;
  const FormState form = ports.view.Read();
  // A field policy sets keeps the policy's value (Save skips it too).
  auto take = [settings](const SettingValue& value, auto& field, auto read) {
    if (!settings->FromPolicy(value)) field = read();
  };
  // Disabled edits are read too: their texts stay stored for when the
  // option is chosen again.
  take(kNamingFormatValue, settings->NamingFormat, [&] { return Cut(form.format); });
  take(kAppendToDuplicatesValue, settings->AppendToDuplicates, [&] { return Cut(form.suffix); });
  take(kOnlyRenTSValue, settings->OnlyRenTS, [&] { return form.onlyTsPort; });
  take(kDeleteDuplicatesValue, settings->DeleteDuplicates, [&] { return form.deleteDuplicates; });
  take(kStripParensValue, settings->StripParens, [&] { return form.stripParens; });
  take(kOnlyUseRegexValue, settings->OnlyUseRegex, [&] { return form.useRegex; });
  take(kRenameRegexValue, settings->RenameRegex, [&] { return Cut(form.regex); });
  take(kNamingFormatListValue, settings->NamingFormatList, [&] {
    std::vector<std::wstring> formats = form.formats;
    // The box shows the policy's format; it joins the stored list only if
    // it was there already.
    const std::wstring& format = settings->NamingFormat;
    auto same = [&format](const std::wstring& f) { return EqualsIgnoringAsciiCase(f, format); };
    if (settings->FromPolicy(kNamingFormatValue) &&
        std::ranges::none_of(settings->NamingFormatList, same))
      std::erase_if(formats, same);
    return formats;
  });
  take(kDoNotRenListValue, settings->DoNotRenList, [&] { return CheckedDrivers(form); });
  settings->Save();
  // Every value is saved before the reload request, so the service reads a
  // complete set.
  if (RefreshServiceStatus(ports) != static_cast<int32_t>(service_state::kRunning))
    StartServiceAndWait(ports);
  SendReloadSettings(ports);
}

bool OnFormCommand(ConfigPorts& ports, int id) {
  switch (id) {
    case IDC_APPLY_CHANGES:
      ApplyChanges(ports);
      return true;
    case IDC_RESTORE_DEFAULTS:
      OnRestoreDefaults(ports);
      return true;
    case IDC_ADD_FORMAT:
    case IDC_REMOVE_FORMAT:
    case IDC_DELETE_DUPLICATES:
    case IDC_APPEND_DUPLICATES:
    case IDC_USE_REGEX:
      break;
    default:
      return false;
  }
  FormState form = ports.view.Read();
  if (id == IDC_ADD_FORMAT) AddNamingFormat(form);
  if (id == IDC_REMOVE_FORMAT) RemoveNamingFormat(form);
  // The radios have changed their checks before the dialog hears of them.
  if (id == IDC_DELETE_DUPLICATES) SetEnabled(form, IDC_SUFFIX_EDIT, false);
  if (id == IDC_APPEND_DUPLICATES)
    SetEnabled(form, IDC_SUFFIX_EDIT, !PolicySets(ports, kAppendToDuplicatesValue));
  if (id == IDC_USE_REGEX)
    SetEnabled(form, IDC_REGEX_EDIT, form.useRegex && !PolicySets(ports, kRenameRegexValue));
  ports.view.Write(form);
  return true;
}

}  // namespace vantrel
