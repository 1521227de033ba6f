#include "config/win32/form_view_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "config/dialog_ids.h"
#include "platform/product.h"

namespace vantrel {
namespace {

// The controls whose enabled state the form sets.
constexpr std::array<int, 11> kFormControls = {
    IDC_FORMAT_BOX,        IDC_ADD_FORMAT,  IDC_REMOVE_FORMAT, IDC_DELETE_DUPLICATES,
    IDC_APPEND_DUPLICATES, IDC_SUFFIX_EDIT, IDC_ONLY_TS_PORT,  IDC_DRIVER_LIST,
    IDC_USE_REGEX,         IDC_REGEX_EDIT,  IDC_STRIP_PARENS};

constexpr UINT kStateImageUnchecked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kStateImageChecked = INDEXTOSTATEIMAGEMASK(2);
constexpr int kListAppendIndex = 9999;  // past the end: append
// A list view has no message for an entry's length: the buffer grows until
// the text fits, up to this.
constexpr int kMaxEntryLength = 32768;

LPARAM TextParam(const std::wstring& text) { return reinterpret_cast<LPARAM>(text.c_str()); }

}  // namespace

LRESULT FormViewWin32::Send(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(dialog_, id, message, wParam, lParam);
}

void FormViewWin32::Attach(HWND dialog) {
  dialog_ = dialog;
  const DWORD styles = LVS_EX_CHECKBOXES | LVS_EX_DOUBLEBUFFER;
  Send(IDC_DRIVER_LIST, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
  // As wide as the list less a vertical scroll bar: no horizontal one.
  RECT client{};
  GetClientRect(GetDlgItem(dialog_, IDC_DRIVER_LIST), &client);
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH;
  column.fmt = LVCFMT_LEFT;
  column.cx = (client.right - client.left) - GetSystemMetrics(SM_CXVSCROLL);
  Send(IDC_DRIVER_LIST, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

std::wstring FormViewWin32::Text(int id) {
  const HWND control = GetDlgItem(dialog_, id);
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(control, buffer.data(), length + 1);
  return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void FormViewWin32::SetText(int id, const std::wstring& text) {
  if (Text(id) != text) SetDlgItemTextW(dialog_, id, text.c_str());
}

bool FormViewWin32::Checked(int id) { return Send(id, BM_GETCHECK) == BST_CHECKED; }

void FormViewWin32::SetChecked(int id, bool checked) {
  if (Checked(id) != checked) Send(id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::vector<std::wstring> FormViewWin32::Formats() {
  std::vector<std::wstring> formats;
  const int count = static_cast<int>(Send(IDC_FORMAT_BOX, CB_GETCOUNT));
  for (int i = 0; i < count; ++i) {
    const LRESULT length = Send(IDC_FORMAT_BOX, CB_GETLBTEXTLEN, i);
    if (length == CB_ERR) continue;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    if (Send(IDC_FORMAT_BOX, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer.data())) == CB_ERR)
      continue;
    formats.emplace_back(buffer.data());  // the entry may have changed between the two messages
  }
  return formats;
}

std::vector<DriverEntry> FormViewWin32::Drivers() {
  std::vector<DriverEntry> drivers;
  const int count = static_cast<int>(Send(IDC_DRIVER_LIST, LVM_GETITEMCOUNT));
  for (int i = 0; i < count; ++i) {
    for (int capacity = static_cast<int>(kTextCapacity);; capacity *= 2) {
      std::vector<wchar_t> buffer(static_cast<size_t>(capacity), L'\0');
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_STATE;
      item.iItem = i;
      item.pszText = buffer.data();
      item.cchTextMax = capacity;
      item.stateMask = LVIS_STATEIMAGEMASK;
      if (!Send(IDC_DRIVER_LIST, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) break;
      // The control may point pszText at its own copy instead of filling ours.
      std::wstring name = item.pszText ? std::wstring(item.pszText) : std::wstring();
      if (item.pszText == buffer.data() && name.size() + 1 >= static_cast<size_t>(capacity) &&
          capacity < kMaxEntryLength)
        continue;  // filled to the brim: maybe cut
      drivers.push_back({std::move(name), (item.state & kStateImageChecked) == kStateImageChecked});
      break;
    }
  }
  return drivers;
}

FormState FormViewWin32::Read() {
  FormState state;
  state.format = Text(IDC_FORMAT_BOX);
  state.formats = Formats();
  const LRESULT selected = Send(IDC_FORMAT_BOX, CB_GETCURSEL);
  state.selectedFormat = selected == CB_ERR ? -1 : static_cast<int>(selected);
  state.deleteDuplicates = Checked(IDC_DELETE_DUPLICATES);
  state.suffix = Text(IDC_SUFFIX_EDIT);
  state.onlyTsPort = Checked(IDC_ONLY_TS_PORT);
  state.drivers = Drivers();
  state.useRegex = Checked(IDC_USE_REGEX);
  state.regex = Text(IDC_REGEX_EDIT);
  state.stripParens = Checked(IDC_STRIP_PARENS);
  for (int id : kFormControls)
    if (!IsWindowEnabled(GetDlgItem(dialog_, id))) state.disabled.insert(id);
  state.policyNotice = Text(IDC_POLICY_NOTICE);
  state.status = Text(IDC_STATUS_BAR);
  return state;
}

void FormViewWin32::WriteFormats(const FormState& now, const FormState& state) {
  const bool rebuilt = now.formats != state.formats;
  if (rebuilt) {
    Send(IDC_FORMAT_BOX, CB_RESETCONTENT);
    for (const std::wstring& format : state.formats)
      Send(IDC_FORMAT_BOX, CB_ADDSTRING, 0, TextParam(format));
  }
  if (rebuilt || now.selectedFormat != state.selectedFormat)
    Send(IDC_FORMAT_BOX, CB_SETCURSEL, static_cast<WPARAM>(state.selectedFormat));
  // Last, so that the edit field shows the format even when the box has no
  // entry of it (an entry it refused for want of memory, a typed text).
  SetText(IDC_FORMAT_BOX, state.format);
}

void FormViewWin32::WriteDrivers(const FormState& now, const FormState& state) {
  const bool rebuilt =
      now.drivers.size() != state.drivers.size() ||
      !std::equal(now.drivers.begin(), now.drivers.end(), state.drivers.begin(),
                  [](const DriverEntry& a, const DriverEntry& b) { return a.name == b.name; });
  if (rebuilt) Send(IDC_DRIVER_LIST, LVM_DELETEALLITEMS);
  int index = 0;
  for (const DriverEntry& entry : state.drivers) {
    if (rebuilt) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = kListAppendIndex;
      item.pszText = const_cast<wchar_t*>(entry.name.c_str());  // read only by the control
      index = static_cast<int>(
          Send(IDC_DRIVER_LIST, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
      if (index < 0) continue;
    } else if (now.drivers[index].checked == entry.checked) {
      ++index;
      continue;
    }
    // An explicit empty box for unchecked: a new entry may have no box yet.
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = entry.checked ? kStateImageChecked : kStateImageUnchecked;
    Send(IDC_DRIVER_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
         reinterpret_cast<LPARAM>(&item));
    ++index;
  }
}

void FormViewWin32::Write(const FormState& state) {
  const FormState now = Read();
  WriteFormats(now, state);
  SetChecked(IDC_DELETE_DUPLICATES, state.deleteDuplicates);
  SetChecked(IDC_APPEND_DUPLICATES, !state.deleteDuplicates);
  SetText(IDC_SUFFIX_EDIT, state.suffix);
  SetChecked(IDC_ONLY_TS_PORT, state.onlyTsPort);
  WriteDrivers(now, state);
  SetChecked(IDC_USE_REGEX, state.useRegex);
  SetText(IDC_REGEX_EDIT, state.regex);
  SetChecked(IDC_STRIP_PARENS, state.stripParens);
  for (int id : kFormControls) {
    const bool enable = state.disabled.count(id) == 0;
    const HWND control = GetDlgItem(dialog_, id);
    if ((IsWindowEnabled(control) != FALSE) != enable) EnableWindow(control, enable);
  }
  SetText(IDC_POLICY_NOTICE, state.policyNotice);
  SetText(IDC_STATUS_BAR, state.status);
}

void FormViewWin32::ShowStatus(const std::wstring& text) { SetText(IDC_STATUS_BAR, text); }

bool FormViewWin32::Confirm(const std::wstring& text, const std::wstring& caption) {
  return MessageBoxW(dialog_, text.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}

void FormViewWin32::OpenPage(const std::wstring& url) {
  ShellExecuteW(dialog_, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void FormViewWin32::Close() { EndDialog(dialog_, 0); }

}  // namespace vantrel
