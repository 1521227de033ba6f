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
std::unique_ptr<FormView> OpenFormView(UserReplies& replies);

struct DialogHolder {
  UserReplies replies;
  std::unique_ptr<FormView> viewOwner = OpenFormView(replies);
  FormView& view = *viewOwner;
};

class ConfigTest : public ::testing::Test, protected DialogHolder, protected FakeConfigProgram {
 protected:
  ConfigTest() : FakeConfigProgram(view) { ResetFormSettingsForTesting(); }
  ~ConfigTest() override { ResetFormSettingsForTesting(); }

  // What the registry holds now, read as the service would.
  Settings Stored() { return Settings(registry); }

  void OpenDialog() { OpenForm(ports); }
  // The person's edit of the form, as the controls would take it.
  template <typename Change>
  void Edit(Change change) {
    FormState form = view.Read();
    change(form);
    view.Write(form);
  }
  // A person's click: an auto check box toggles and an auto radio button
  // takes the choice before the dialog hears of it.
  void Click(int id) {
    Edit([id](FormState& f) {
      if (id == IDC_DELETE_DUPLICATES || id == IDC_APPEND_DUPLICATES)
        f.deleteDuplicates = id == IDC_DELETE_DUPLICATES;
      if (id == IDC_ONLY_TS_PORT) f.onlyTsPort = !f.onlyTsPort;
      if (id == IDC_USE_REGEX) f.useRegex = !f.useRegex;
      if (id == IDC_STRIP_PARENS) f.stripParens = !f.stripParens;
    });
    OnFormCommand(ports, id);
  }
  // The check boxes, radios and edits in one line: 1/0 for check states,
  // edits quoted, "-" before a disabled one.
  std::wstring Form() {
    const FormState f = view.Read();
    auto off = [&f](int id) { return f.disabled.count(id) ? L"-" : L""; };
    auto check = [&](int id, bool on) { return off(id) + std::wstring(on ? L"1 " : L"0 "); };
    auto edit = [&](int id, const std::wstring& text) { return off(id) + (L"'" + text + L"' "); };
    return L"ts " + check(IDC_ONLY_TS_PORT, f.onlyTsPort) + L"del " +
           check(IDC_DELETE_DUPLICATES, f.deleteDuplicates) + L"app " +
           check(IDC_APPEND_DUPLICATES, !f.deleteDuplicates) + edit(IDC_SUFFIX_EDIT, f.suffix) +
           L"strip " + check(IDC_STRIP_PARENS, f.stripParens) + L"regex " +
           check(IDC_USE_REGEX, f.useRegex) + edit(IDC_REGEX_EDIT, f.regex);
  }
  // Entries as "name", checked ones as "[x] name".
  Strings Drivers() {
    Strings entries;
    for (const DriverEntry& e : view.Read().drivers)
      entries.push_back(e.checked ? L"[x] " + e.name : e.name);
    return entries;
  }
};

}  // namespace vantrel::testing
