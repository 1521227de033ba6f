// DialogControls over the real controls of dialog 101: each call is the one
// Win32 message or call that the interface names, sent to the dialog's
// child with that id.
#pragma once

#include <windows.h>

#include "config/dialog_controls.h"

namespace vantrel {

class DialogControlsWin32 : public DialogControls {
 public:
  DialogControlsWin32() = default;
  explicit DialogControlsWin32(HWND dialog) : dialog_(dialog) {}

  // The ports are built before the dialog exists; its window is known from
  // WM_INITDIALOG on.
  void Attach(HWND dialog) { dialog_ = dialog; }

  bool IsChecked(int id) override;
  void SetChecked(int id, bool checked) override;
  void Enable(int id, bool enable) override;
  bool IsEnabled(int id) override;
  std::wstring GetText(int id, int capacity) override;
  void SetText(int id, const std::wstring& text) override;
  int GetTextLength(int id) override;
  std::wstring ReadText(int id, int capacity) override;

  int ComboAddString(int id, const std::wstring& text) override;
  void ComboResetContent(int id) override;
  int ComboFindStringExact(int id, int startIndex, const std::wstring& text) override;
  int ComboSetCurSel(int id, int index) override;
  int ComboGetCurSel(int id) override;
  int ComboDeleteString(int id, int index) override;
  int ComboGetCount(int id) override;
  int ComboGetLbTextLen(int id, int index) override;
  std::wstring ComboGetLbText(int id, int index) override;

  void ListSetExtendedStyle(int id, uint32_t mask, uint32_t style) override;
  bool ListInsertFullWidthColumn(int id) override;
  void ListDeleteAllItems(int id) override;
  int ListFindItem(int id, int startIndex, const std::wstring& text) override;
  int ListInsertItem(int id, int index, const std::wstring& text) override;
  bool ListSetItemState(int id, int index, uint32_t state, uint32_t mask) override;
  int ListGetItemCount(int id) override;
  bool ListGetItem(int id, int index, int capacity, uint32_t stateMask, std::wstring* text,
                   uint32_t* state) override;

  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     uint32_t type) override;
  void OpenUrl(const std::wstring& url) override;
  void EndDialog(intptr_t result) override;

 private:
  LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  HWND dialog_ = nullptr;
};

}  // namespace vantrel
