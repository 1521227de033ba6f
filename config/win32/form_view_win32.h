// FormView over the real controls of dialog 101: Read asks each control,
// Write sends a message only to the controls whose value differs.
#pragma once

#include <windows.h>

#include "config/form_view.h"

namespace vantrel {

class FormViewWin32 : public FormView {
 public:
  // The ports are built before the dialog exists; its window is known from
  // WM_INITDIALOG on. Attaching gives the driver list its check boxes and
  // its one column.
  void Attach(HWND dialog);

  FormState Read() override;
  void Write(const FormState& state) override;
  void ShowStatus(const std::wstring& text) override;
  bool Confirm(const std::wstring& text, const std::wstring& caption) override;
  void OpenPage(const std::wstring& url) override;
  void Close() override;

 private:
  LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  std::wstring Text(int id);
  void SetText(int id, const std::wstring& text);
  bool Checked(int id);
  void SetChecked(int id, bool checked);
  std::vector<std::wstring> Formats();
  std::vector<DriverEntry> Drivers();
  void WriteFormats(const FormState& now, const FormState& state);
  void WriteDrivers(const FormState& now, const FormState& state);

  HWND dialog_ = nullptr;
};

}  // namespace vantrel
