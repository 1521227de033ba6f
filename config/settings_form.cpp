// The settings form: reset, fill from the record, apply, Restore Defaults
// and the two enable rules.
#include <exception>

#include "config/config_app.h"
#include "config/driver_list.h"
#include "config/form_settings.h"
#include "config/naming_formats.h"

namespace vantrel {
namespace {

namespace id = control_id;
constexpr int kTextCapacity = 1024;  // GetDlgItemTextW buffer: 1,023 characters at most

}  // namespace

void ResetFormToDefaults(ConfigPorts& ports, bool clearFirst) {
  try {
    DialogControls& c = ports.controls;
    if (clearFirst) {
      c.ListDeleteAllItems(id::kDriverList);
      c.ComboResetContent(id::kFormatBox);
    }
    c.SetChecked(id::kDeleteDuplicates, true);
    c.SetChecked(id::kAppendToDuplicates, false);
    c.SetChecked(id::kOnlyTsPort, true);
    c.Enable(id::kSuffixEdit, false);
    c.SetText(id::kSuffixEdit, L"");
    FillNamingFormatPresets(c);
    c.Enable(id::kRegexEdit, false);
    c.SetChecked(id::kUseRegex, false);
    c.SetChecked(id::kStripParens, true);
    PopulateDriverList(ports, clearFirst);
  } catch (const std::exception&) {
  }
}

void FillFormFromSettings(ConfigPorts& ports) {
  try {
    const Settings* settings = GetFormSettings(ports);
    if (!settings) return;
    DialogControls& c = ports.controls;
    c.SetChecked(id::kOnlyTsPort, settings->OnlyRenTS);
    c.SetChecked(id::kDeleteDuplicates, settings->DeleteDuplicates);
    c.SetChecked(id::kAppendToDuplicates, !settings->DeleteDuplicates);
    c.SetChecked(id::kStripParens, settings->StripParens);
    c.Enable(id::kSuffixEdit, !settings->DeleteDuplicates);
    c.SetText(id::kSuffixEdit, settings->AppendToDuplicates);
    for (const std::wstring& driver : settings->DoNotRenList) SetDriverEntry(ports, driver, true);
    FillNamingFormats(c, *settings);
    c.SetChecked(id::kUseRegex, settings->OnlyUseRegex);
    c.Enable(id::kRegexEdit, settings->OnlyUseRegex);
    c.SetText(id::kRegexEdit, settings->RenameRegex);
  } catch (const std::exception&) {
  }
}

void ApplyChanges(ConfigPorts& ports) {
  try {
    Settings* settings = GetFormSettings(ports);
    if (!settings) return;
    DialogControls& c = ports.controls;
    // Disabled edits are read too: their texts stay stored for when the
    // option is chosen again.
    settings->NamingFormat = ReadNamingFormat(c);
    settings->AppendToDuplicates = c.GetText(id::kSuffixEdit, kTextCapacity);
    settings->OnlyRenTS = c.IsChecked(id::kOnlyTsPort);
    settings->DeleteDuplicates = c.IsChecked(id::kDeleteDuplicates);
    settings->StripParens = c.IsChecked(id::kStripParens);
    settings->OnlyUseRegex = c.IsChecked(id::kUseRegex);
    settings->RenameRegex = c.GetText(id::kRegexEdit, kTextCapacity);
    settings->NamingFormatList = ReadNamingFormatList(c);
    settings->DoNotRenList = ReadCheckedDrivers(c);
    settings->Save();
  } catch (const std::exception&) {
    return;
  }
  // Every value is saved before the reload request, so the service reads a
  // complete set.
  if (RefreshServiceStatus(ports) != static_cast<int32_t>(service_state::kRunning))
    StartServiceAndWait(ports);
  SendReloadSettings(ports);
}

void OnRestoreDefaults(ConfigPorts& ports) {
  try {
    const int answer =
        ports.controls.MessageBox(L"Are you sure you want to restore to default settings?",
                                  L"Restore Defaults?", dialog_value::kMbYesNo);
    if (answer == dialog_value::kIdYes) ResetFormToDefaults(ports, true);
  } catch (const std::exception&) {
  }
}

void OnDuplicateChoice(ConfigPorts& ports, int radioId) {
  if (radioId == id::kDeleteDuplicates) ports.controls.Enable(id::kSuffixEdit, false);
  if (radioId == id::kAppendToDuplicates) ports.controls.Enable(id::kSuffixEdit, true);
}

void OnUseRegexClicked(ConfigPorts& ports) {
  ports.controls.Enable(id::kRegexEdit, ports.controls.IsChecked(id::kUseRegex));
}

}  // namespace vantrel
