#include "config/settings_form.h"

#include <memory>
#include <new>

#include "config/dialog_ids.h"
#include "config/driver_list.h"
#include "config/naming_formats.h"
#include "config/service_client.h"

namespace vantrel {
namespace {

// Only the dialog's thread touches it, so no lock.
std::unique_ptr<Settings>& Instance() {
  static auto* instance = new std::unique_ptr<Settings>;  // never destroyed, like the record
  return *instance;
}

void OnRestoreDefaults(ConfigPorts& ports) {
  const int answer =
      ports.controls.ShowMessageBox(L"Are you sure you want to restore to default settings?",
                                    L"Restore Defaults?", dialog_value::kMbYesNo);
  if (answer == dialog_value::kIdYes) ResetFormToDefaults(ports, true);
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
  PopulateDriverList(ports, clearFirst);
}

void FillFormFromSettings(ConfigPorts& ports) {
  const Settings* settings = GetFormSettings(ports);
  if (!settings) return;
  DialogControls& c = ports.controls;
  c.SetChecked(IDC_ONLY_TS_PORT, settings->OnlyRenTS);
  c.SetChecked(IDC_DELETE_DUPLICATES, settings->DeleteDuplicates);
  c.SetChecked(IDC_APPEND_DUPLICATES, !settings->DeleteDuplicates);
  c.SetChecked(IDC_STRIP_PARENS, settings->StripParens);
  c.Enable(IDC_SUFFIX_EDIT, !settings->DeleteDuplicates);
  c.SetText(IDC_SUFFIX_EDIT, settings->AppendToDuplicates);
  for (const std::wstring& driver : settings->DoNotRenList) SetDriverEntry(ports, driver, true);
  FillNamingFormats(c, *settings);
  c.SetChecked(IDC_USE_REGEX, settings->OnlyUseRegex);
  c.Enable(IDC_REGEX_EDIT, settings->OnlyUseRegex);
  c.SetText(IDC_REGEX_EDIT, settings->RenameRegex);
}

void ApplyChanges(ConfigPorts& ports) {
  Settings* settings = GetFormSettings(ports);
  if (!settings) return;
  DialogControls& c = ports.controls;
  // Disabled edits are read too: their texts stay stored for when the
  // option is chosen again.
  settings->NamingFormat = ReadNamingFormat(c);
  settings->AppendToDuplicates = c.GetText(IDC_SUFFIX_EDIT, kTextCapacity);
  settings->OnlyRenTS = c.IsChecked(IDC_ONLY_TS_PORT);
  settings->DeleteDuplicates = c.IsChecked(IDC_DELETE_DUPLICATES);
  settings->StripParens = c.IsChecked(IDC_STRIP_PARENS);
  settings->OnlyUseRegex = c.IsChecked(IDC_USE_REGEX);
  settings->RenameRegex = c.GetText(IDC_REGEX_EDIT, kTextCapacity);
  settings->NamingFormatList = ReadNamingFormatList(c);
  settings->DoNotRenList = ReadCheckedDrivers(c);
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
      c.Enable(IDC_SUFFIX_EDIT, true);
      return true;
    case IDC_APPLY_CHANGES:
      ApplyChanges(ports);
      return true;
    case IDC_RESTORE_DEFAULTS:
      OnRestoreDefaults(ports);
      return true;
    case IDC_USE_REGEX:
      c.Enable(IDC_REGEX_EDIT, c.IsChecked(IDC_USE_REGEX));
      return true;
    default:
      return false;
  }
}

}  // namespace vantrel
