// The configuration program over fakes of every port but the dialog, which
// the backend provides: the in-memory dialog natively, dialog 101 over its
// real controls under Wine. The helpers read the form back through the
// port, so one test body runs over both.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "config/dialog_ids.h"
#include "config/settings_form.h"
#include "settings/registry_codec.h"
#include "tests/fakes/fake_config_program.h"
#include "tests/fakes/fake_dialog.h"

namespace vantrel::testing {

using Strings = std::vector<std::wstring>;

// Defined once per backend.
std::unique_ptr<DialogControls> OpenDialogControls(UserReplies& replies);

struct DialogHolder {
  UserReplies replies;
  std::unique_ptr<DialogControls> dialogOwner = OpenDialogControls(replies);
  DialogControls& dialog = *dialogOwner;
};

class ConfigTest : public ::testing::Test, protected DialogHolder, protected FakeConfigProgram {
 protected:
  ConfigTest() : FakeConfigProgram(dialog) { ResetFormSettingsForTesting(); }
  ~ConfigTest() override { ResetFormSettingsForTesting(); }

  // What the registry holds now, read as the service would.
  Settings Stored() { return Settings(registry); }
  void StoreList(const wchar_t* name, const Strings& list) {
    registry.SetRaw(RegistryRoot::kLocalMachine, kSettingsKeyPath, name, reg_type::kMultiSz,
                    EncodeMultiSz(list));
  }

  // The in-memory dialog's own state, for the cases only it can stage.
  FakeDialog& fake() { return static_cast<FakeDialog&>(dialog); }

  void OpenDialog() { OpenForm(ports); }
  // A person's click: an auto check box toggles and an auto radio button
  // takes the choice before the dialog hears of it.
  void Click(int id) {
    if (id == IDC_DELETE_DUPLICATES || id == IDC_APPEND_DUPLICATES) {
      dialog.SetChecked(IDC_DELETE_DUPLICATES, id == IDC_DELETE_DUPLICATES);
      dialog.SetChecked(IDC_APPEND_DUPLICATES, id == IDC_APPEND_DUPLICATES);
    } else if (id == IDC_ONLY_TS_PORT || id == IDC_USE_REGEX || id == IDC_STRIP_PARENS) {
      dialog.SetChecked(id, !dialog.IsChecked(id));
    }
    OnFormCommand(ports, id);
  }
  // The check boxes, radios and edits in one line: 1/0 for check states,
  // edits quoted, "-" before a disabled one.
  std::wstring Form() {
    auto check = [this](int id) {
      return std::wstring(dialog.IsEnabled(id) ? L"" : L"-") +
             (dialog.IsChecked(id) ? L"1 " : L"0 ");
    };
    auto edit = [this](int id) { return (dialog.IsEnabled(id) ? L"'" : L"-'") + Text(id) + L"' "; };
    return L"ts " + check(IDC_ONLY_TS_PORT) + L"del " + check(IDC_DELETE_DUPLICATES) + L"app " +
           check(IDC_APPEND_DUPLICATES) + edit(IDC_SUFFIX_EDIT) + L"strip " +
           check(IDC_STRIP_PARENS) + L"regex " + check(IDC_USE_REGEX) + edit(IDC_REGEX_EDIT);
  }
  std::wstring Text(int id) { return dialog.GetText(id, 4096); }
  Strings Formats() {
    Strings items;
    for (int i = 0; i < dialog.ComboGetCount(IDC_FORMAT_BOX); ++i)
      items.push_back(dialog.ComboGetLbText(IDC_FORMAT_BOX, i));
    return items;
  }
  // Entries as "name", checked ones as "[x] name".
  Strings Drivers() {
    Strings entries;
    for (int i = 0; i < dialog.ListGetItemCount(IDC_DRIVER_LIST); ++i) {
      std::wstring text;
      uint32_t state = 0;
      dialog.ListGetItem(IDC_DRIVER_LIST, i, 4096, dialog_value::kLvisStateImageMask, &text,
                         &state);
      entries.push_back((state & dialog_value::kStateImageChecked) ? L"[x] " + text : text);
    }
    return entries;
  }
};

}  // namespace vantrel::testing
