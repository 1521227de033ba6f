// The configuration program's logic over a complete set of fakes.
#pragma once

#include <gtest/gtest.h>

#include "config/form_settings.h"
#include "settings/registry_codec.h"
#include "settings/settings.h"
#include "tests/fakes/fake_config_program.h"

namespace vantrel::testing {

class ConfigTest : public ::testing::Test, protected FakeConfigProgram {
 protected:
  ConfigTest() { ResetFormSettingsForTesting(); }
  ~ConfigTest() override { ResetFormSettingsForTesting(); }

  // What the registry holds now, read as the service would.
  Settings Stored() { return Settings(registry); }

  void StoreString(const wchar_t* name, const std::wstring& text) {
    registry.SetString(RegistryRoot::kLocalMachine, kSettingsKeyPath, name, text);
  }
  void StoreBool(const wchar_t* name, bool value) {
    registry.SetRaw(RegistryRoot::kLocalMachine, kSettingsKeyPath, name, reg_type::kDword,
                    {value, 0, 0, 0});
  }
  void StoreList(const wchar_t* name, const std::vector<std::wstring>& list) {
    registry.SetRaw(RegistryRoot::kLocalMachine, kSettingsKeyPath, name, reg_type::kMultiSz,
                    EncodeMultiSz(list));
  }

  // The dialog as initialisation leaves it.
  void OpenDialog() {
    SetUpDriverListColumn(ports);
    ResetFormToDefaults(ports, false);
    FillFormFromSettings(ports);
    RefreshServiceStatus(ports);
  }

  // The check boxes, radios and edits in one line: 1/0 for check states,
  // edits quoted, "-" before a disabled one.
  std::wstring Form() {
    auto check = [this](int id) { return std::wstring(dialog.IsChecked(id) ? L"1 " : L"0 "); };
    auto edit = [this](int id) {
      return (dialog.IsEnabled(id) ? L"'" : L"-'") + dialog.controls[id].text + L"' ";
    };
    namespace id = control_id;
    return L"ts " + check(id::kOnlyTsPort) + L"del " + check(id::kDeleteDuplicates) + L"app " +
           check(id::kAppendToDuplicates) + edit(id::kSuffixEdit) + L"strip " +
           check(id::kStripParens) + L"regex " + check(id::kUseRegex) + edit(id::kRegexEdit);
  }
  std::vector<std::wstring> Formats() { return dialog.combos[control_id::kFormatBox].items; }
  std::wstring FormatText() { return dialog.controls[control_id::kFormatBox].text; }
  std::vector<std::wstring> Drivers() { return dialog.ListEntries(control_id::kDriverList); }
  std::wstring StatusText() { return dialog.controls[control_id::kStatusBar].text; }
};

}  // namespace vantrel::testing
