// The settings form of dialog 101 as the form logic sees it: one record of
// everything the controls show, read and written whole, and the few things
// that reach the person. config/win32/form_view_win32.cpp does the control
// messages; tests keep the record in memory.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace vantrel {

struct DriverEntry {
  std::wstring name;
  bool checked = false;
  bool operator==(const DriverEntry&) const = default;
};

struct FormState {
  std::wstring format;                // the format box's edit field, whole
  std::vector<std::wstring> formats;  // its list, in list order
  int selectedFormat = -1;            // index into `formats`; -1: none
  bool deleteDuplicates = false;      // radio 1011; the append radio 1012 is its inverse
  std::wstring suffix;                // edit 1013
  bool onlyTsPort = false;            // check box 1014
  std::vector<DriverEntry> drivers;   // list view 1015, in list order
  bool useRegex = false;              // check box 1028
  std::wstring regex;                 // edit 1029
  bool stripParens = false;           // check box 1030
  std::set<int> disabled;             // ids of the form's controls that are disabled
  std::wstring policyNotice;          // static 1031
  std::wstring status;                // the status line
};

class FormView {
 public:
  virtual ~FormView() = default;

  virtual FormState Read() = 0;
  // Changes only the controls whose value differs from `state`.
  virtual void Write(const FormState& state) = 0;
  // The status line alone: it is refreshed every second, also while the
  // person is typing elsewhere in the form.
  virtual void ShowStatus(const std::wstring& text) = 0;

  // A Yes/No question owned by the dialog; true on Yes.
  virtual bool Confirm(const std::wstring& text, const std::wstring& caption) = 0;
  // The page in the default browser.
  virtual void OpenPage(const std::wstring& url) = 0;
  // Ends the dialog with result 0.
  virtual void Close() = 0;
};

}  // namespace vantrel
