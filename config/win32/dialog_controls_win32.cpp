#include "config/win32/dialog_controls_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

namespace vantrel {
namespace {

LPARAM TextParam(const std::wstring& text) { return reinterpret_cast<LPARAM>(text.c_str()); }

}  // namespace

LRESULT DialogControlsWin32::Send(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(dialog_, id, message, wParam, lParam);
}

bool DialogControlsWin32::IsChecked(int id) { return Send(id, BM_GETCHECK) == BST_CHECKED; }

void DialogControlsWin32::SetChecked(int id, bool checked) {
  Send(id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

void DialogControlsWin32::Enable(int id, bool enable) {
  EnableWindow(GetDlgItem(dialog_, id), enable ? TRUE : FALSE);
}

bool DialogControlsWin32::IsEnabled(int id) {
  return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE;
}

std::wstring DialogControlsWin32::GetText(int id, int capacity) {
  if (capacity <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(capacity), L'\0');
  const UINT length = GetDlgItemTextW(dialog_, id, buffer.data(), capacity);
  return std::wstring(buffer.data(), length);
}

void DialogControlsWin32::SetText(int id, const std::wstring& text) {
  SetDlgItemTextW(dialog_, id, text.c_str());
}

int DialogControlsWin32::GetTextLength(int id) {
  return static_cast<int>(Send(id, WM_GETTEXTLENGTH));
}

std::wstring DialogControlsWin32::ReadText(int id, int capacity) {
  if (capacity <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(capacity), L'\0');
  const LRESULT length =
      Send(id, WM_GETTEXT, static_cast<WPARAM>(capacity), reinterpret_cast<LPARAM>(buffer.data()));
  return std::wstring(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

int DialogControlsWin32::ComboAddString(int id, const std::wstring& text) {
  return static_cast<int>(Send(id, CB_ADDSTRING, 0, TextParam(text)));
}

void DialogControlsWin32::ComboResetContent(int id) { Send(id, CB_RESETCONTENT); }

int DialogControlsWin32::ComboFindStringExact(int id, int startIndex, const std::wstring& text) {
  return static_cast<int>(
      Send(id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(startIndex), TextParam(text)));
}

int DialogControlsWin32::ComboSetCurSel(int id, int index) {
  return static_cast<int>(Send(id, CB_SETCURSEL, static_cast<WPARAM>(index)));
}

int DialogControlsWin32::ComboGetCurSel(int id) { return static_cast<int>(Send(id, CB_GETCURSEL)); }

int DialogControlsWin32::ComboDeleteString(int id, int index) {
  return static_cast<int>(Send(id, CB_DELETESTRING, static_cast<WPARAM>(index)));
}

int DialogControlsWin32::ComboGetCount(int id) { return static_cast<int>(Send(id, CB_GETCOUNT)); }

int DialogControlsWin32::ComboGetLbTextLen(int id, int index) {
  return static_cast<int>(Send(id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
}

std::wstring DialogControlsWin32::ComboGetLbText(int id, int index) {
  const int length = ComboGetLbTextLen(id, index);
  if (length < 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied =
      Send(id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  if (copied == CB_ERR) return {};
  // The entry may have changed between the two messages; trust the NUL.
  return std::wstring(buffer.data());
}

void DialogControlsWin32::ListSetExtendedStyle(int id, uint32_t mask, uint32_t style) {
  Send(id, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
}

bool DialogControlsWin32::ListInsertFullWidthColumn(int id) {
  RECT client{};
  GetClientRect(GetDlgItem(dialog_, id), &client);
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH;
  column.fmt = LVCFMT_LEFT;
  column.cx = (client.right - client.left) - GetSystemMetrics(SM_CXVSCROLL);
  return Send(id, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)) != -1;
}

void DialogControlsWin32::ListDeleteAllItems(int id) { Send(id, LVM_DELETEALLITEMS); }

int DialogControlsWin32::ListFindItem(int id, int startIndex, const std::wstring& text) {
  LVFINDINFOW find{};
  find.flags = LVFI_STRING;
  find.psz = text.c_str();
  return static_cast<int>(
      Send(id, LVM_FINDITEMW, static_cast<WPARAM>(startIndex), reinterpret_cast<LPARAM>(&find)));
}

int DialogControlsWin32::ListInsertItem(int id, int index, const std::wstring& text) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(text.c_str());  // read only by the control
  return static_cast<int>(Send(id, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool DialogControlsWin32::ListSetItemState(int id, int index, uint32_t state, uint32_t mask) {
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  return Send(id, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) !=
         FALSE;
}

int DialogControlsWin32::ListGetItemCount(int id) {
  return static_cast<int>(Send(id, LVM_GETITEMCOUNT));
}

bool DialogControlsWin32::ListGetItem(int id, int index, int capacity, uint32_t stateMask,
                                      std::wstring* text, uint32_t* state) {
  if (capacity <= 0) return false;
  std::vector<wchar_t> buffer(static_cast<size_t>(capacity), L'\0');
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_STATE;
  item.iItem = index;
  item.iSubItem = 0;
  item.pszText = buffer.data();
  item.cchTextMax = capacity;
  item.stateMask = stateMask;
  if (!Send(id, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return false;
  // The control may point pszText at its own copy instead of filling ours.
  if (text) *text = item.pszText ? std::wstring(item.pszText) : std::wstring();
  if (text && text->size() >= static_cast<size_t>(capacity)) text->resize(capacity - 1);
  if (state) *state = item.state;
  return true;
}

int DialogControlsWin32::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                        uint32_t type) {
  return MessageBoxW(dialog_, text.c_str(), caption.c_str(), type);
}

void DialogControlsWin32::OpenUrl(const std::wstring& url) {
  ShellExecuteW(dialog_, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void DialogControlsWin32::EndDialog(intptr_t result) { ::EndDialog(dialog_, result); }

}  // namespace vantrel
