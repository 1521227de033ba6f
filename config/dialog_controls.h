// The controls of dialog 101 as the form logic sees them, addressed by their
// ids in config/dialog_ids.h. Each call is one Win32 message or call on the real control
// (config/win32/dialog_controls_win32.cpp); tests use an in-memory dialog.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// Values of the Win32 messages and calls above that the form logic looks at.
namespace dialog_value {
inline constexpr uint32_t kMbYesNo = 4;  // MB_YESNO, no icon, Yes the default
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kCbErr = -1;
inline constexpr int kCbErrSpace = -2;
inline constexpr uint32_t kLvsExCheckBoxes = 0x4;
inline constexpr uint32_t kLvsExDoubleBuffer = 0x10000;
inline constexpr uint32_t kLvisStateImageMask = 0xF000;
inline constexpr uint32_t kStateImageUnchecked = 0x1000;  // INDEXTOSTATEIMAGEMASK(1)
inline constexpr uint32_t kStateImageChecked = 0x2000;    // INDEXTOSTATEIMAGEMASK(2)
inline constexpr int kListAppendIndex = 9999;             // past the end: append
}  // namespace dialog_value

class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // Buttons: BM_GETCHECK == BST_CHECKED; BM_SETCHECK BST_CHECKED/UNCHECKED.
  virtual bool IsChecked(int id) = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  // EnableWindow(GetDlgItem(id), enable).
  virtual void Enable(int id, bool enable) = 0;
  virtual bool IsEnabled(int id) = 0;
  // GetDlgItemTextW into a buffer of `capacity` units (at most capacity - 1
  // characters come back); SetDlgItemTextW.
  virtual std::wstring GetText(int id, int capacity) = 0;
  virtual void SetText(int id, const std::wstring& text) = 0;
  // WM_GETTEXTLENGTH and WM_GETTEXT on the control itself.
  virtual int GetTextLength(int id) = 0;
  virtual std::wstring ReadText(int id, int capacity) = 0;

  // Combo box messages; results as the messages return them (CB_ERR = -1).
  virtual int ComboAddString(int id, const std::wstring& text) = 0;
  virtual void ComboResetContent(int id) = 0;
  virtual int ComboFindStringExact(int id, int startIndex, const std::wstring& text) = 0;
  virtual int ComboSetCurSel(int id, int index) = 0;
  virtual int ComboGetCurSel(int id) = 0;
  virtual int ComboDeleteString(int id, int index) = 0;
  virtual int ComboGetCount(int id) = 0;
  virtual int ComboGetLbTextLen(int id, int index) = 0;
  virtual std::wstring ComboGetLbText(int id, int index) = 0;

  // List view messages (LVM_*W); -1 for "not found" / failed inserts.
  virtual void ListSetExtendedStyle(int id, uint32_t mask, uint32_t style) = 0;
  // LVM_INSERTCOLUMNW at index 0, LVCF_FMT|LVCF_WIDTH, LVCFMT_LEFT, no title,
  // width = client width - GetSystemMetrics(SM_CXVSCROLL).
  virtual bool ListInsertFullWidthColumn(int id) = 0;
  virtual void ListDeleteAllItems(int id) = 0;
  // LVM_FINDITEMW, LVFI_STRING.
  virtual int ListFindItem(int id, int startIndex, const std::wstring& text) = 0;
  // LVM_INSERTITEMW, LVIF_TEXT.
  virtual int ListInsertItem(int id, int index, const std::wstring& text) = 0;
  virtual bool ListSetItemState(int id, int index, uint32_t state, uint32_t mask) = 0;
  virtual int ListGetItemCount(int id) = 0;
  // LVM_GETITEMW, LVIF_TEXT|LVIF_STATE, subitem 0, text buffer `capacity`.
  virtual bool ListGetItem(int id, int index, int capacity, uint32_t stateMask, std::wstring* text,
                           uint32_t* state) = 0;

  // MessageBoxW with the dialog as owner; returns the button id.
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                             uint32_t type) = 0;
  // ShellExecuteW(dialog, L"open", url, nullptr, nullptr, SW_SHOWNORMAL).
  virtual void OpenUrl(const std::wstring& url) = 0;
  // EndDialog(dialog, result).
  virtual void EndDialog(intptr_t result) = 0;
};

}  // namespace vantrel
