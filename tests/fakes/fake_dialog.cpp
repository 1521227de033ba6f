#include "tests/fakes/fake_dialog.h"

#include <algorithm>
#include <cwctype>

namespace vantrel::testing {
namespace {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
         });
}

// What a buffer of `capacity` units receives: at most capacity - 1
// characters and the terminator.
std::wstring Cut(const std::wstring& text, int capacity) {
  if (capacity <= 0) return {};
  return text.substr(0, static_cast<size_t>(capacity - 1));
}

bool InRange(size_t size, int index) { return index >= 0 && static_cast<size_t>(index) < size; }

}  // namespace

bool FakeDialog::IsChecked(int id) { return controls[id].checked; }
void FakeDialog::SetChecked(int id, bool checked) { controls[id].checked = checked; }
void FakeDialog::Enable(int id, bool enable) { controls[id].enabled = enable; }
bool FakeDialog::IsEnabled(int id) { return controls[id].enabled; }
std::wstring FakeDialog::GetText(int id, int capacity) { return Cut(controls[id].text, capacity); }
void FakeDialog::SetText(int id, const std::wstring& text) { controls[id].text = text; }
int FakeDialog::GetTextLength(int id) { return static_cast<int>(controls[id].text.size()); }
std::wstring FakeDialog::GetWindowText(int id, int capacity) { return GetText(id, capacity); }

int FakeDialog::ComboAddString(int id, const std::wstring& text) {
  Combo& combo = combos[id];
  if (combo.refuseAdds) return dialog_value::kCbErrSpace;
  combo.items.push_back(text);
  return static_cast<int>(combo.items.size() - 1);
}

void FakeDialog::ComboResetContent(int id) {
  combos[id].items.clear();
  combos[id].curSel = -1;
  controls[id].text.clear();
}

// Searches after startIndex to the end, then wraps round to it.
int FakeDialog::ComboFindStringExact(int id, int startIndex, const std::wstring& text) {
  const std::vector<std::wstring>& items = combos[id].items;
  const int count = static_cast<int>(items.size());
  if (count == 0) return dialog_value::kCbErr;
  const int first = InRange(items.size(), startIndex) ? startIndex + 1 : 0;
  for (int n = 0; n < count; ++n) {
    const int i = (first + n) % count;
    if (EqualNoCase(items[i], text)) return i;
  }
  return dialog_value::kCbErr;
}

// A valid index selects the entry and copies it into the edit field; -1 or
// an index out of range clears both and answers CB_ERR.
int FakeDialog::ComboSetCurSel(int id, int index) {
  Combo& combo = combos[id];
  if (!InRange(combo.items.size(), index)) {
    combo.curSel = -1;
    controls[id].text.clear();
    return dialog_value::kCbErr;
  }
  combo.curSel = index;
  controls[id].text = combo.items[index];
  return index;
}

int FakeDialog::ComboGetCurSel(int id) { return combos[id].curSel; }

int FakeDialog::ComboDeleteString(int id, int index) {
  Combo& combo = combos[id];
  if (!InRange(combo.items.size(), index)) return dialog_value::kCbErr;
  combo.items.erase(combo.items.begin() + index);
  if (combo.curSel == index) {
    combo.curSel = -1;
  } else if (combo.curSel > index) {
    --combo.curSel;
  }
  return static_cast<int>(combo.items.size());
}

int FakeDialog::ComboGetCount(int id) { return static_cast<int>(combos[id].items.size()); }

int FakeDialog::ComboGetLbTextLen(int id, int index) {
  const Combo& combo = combos[id];
  if (!InRange(combo.items.size(), index)) return dialog_value::kCbErr;
  return static_cast<int>(combo.items[index].size());
}

std::wstring FakeDialog::ComboGetLbText(int id, int index) {
  const Combo& combo = combos[id];
  return InRange(combo.items.size(), index) ? combo.items[index] : std::wstring();
}

void FakeDialog::ListSetExtendedStyle(int id, uint32_t mask, uint32_t style) {
  uint32_t& current = lists[id].extendedStyle;
  current = (current & ~mask) | (style & mask);
}

bool FakeDialog::ListInsertFullWidthColumn(int id) {
  ++lists[id].columns;
  return true;
}

void FakeDialog::ListDeleteAllItems(int id) { lists[id].items.clear(); }

// LVFI_STRING without LVFI_WRAP: from the entry after startIndex to the end.
int FakeDialog::ListFindItem(int id, int startIndex, const std::wstring& text) {
  const std::vector<ListItem>& items = lists[id].items;
  for (size_t i = startIndex < 0 ? 0 : static_cast<size_t>(startIndex) + 1; i < items.size(); ++i) {
    if (EqualNoCase(items[i].text, text)) return static_cast<int>(i);
  }
  return -1;
}

int FakeDialog::ListInsertItem(int id, int index, const std::wstring& text) {
  ListView& list = lists[id];
  if (index < 0) return -1;
  const size_t at = std::min(static_cast<size_t>(index), list.items.size());
  list.items.insert(list.items.begin() + static_cast<std::ptrdiff_t>(at), ListItem{text, 0});
  return static_cast<int>(at);
}

bool FakeDialog::ListSetItemState(int id, int index, uint32_t state, uint32_t mask) {
  std::vector<ListItem>& items = lists[id].items;
  if (index == -1) {
    for (ListItem& item : items) item.state = (item.state & ~mask) | (state & mask);
    return true;
  }
  if (!InRange(items.size(), index)) return false;
  items[index].state = (items[index].state & ~mask) | (state & mask);
  return true;
}

int FakeDialog::ListGetItemCount(int id) { return static_cast<int>(lists[id].items.size()); }

bool FakeDialog::ListGetItem(int id, int index, int capacity, uint32_t stateMask,
                             std::wstring* text, uint32_t* state) {
  ListView& list = lists[id];
  if (!InRange(list.items.size(), index)) return false;
  *text = Cut(list.items[index].text, capacity);
  *state = list.items[index].state & stateMask;
  return true;
}

int FakeDialog::MessageBox(const std::wstring& text, const std::wstring& caption, uint32_t type) {
  boxes.push_back(Box{text, caption, type});
  if (answers.empty()) return dialog_value::kIdNo;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeDialog::OpenUrl(const std::wstring& url) { openedUrls.push_back(url); }
void FakeDialog::EndDialog(intptr_t result) { endDialogResults.push_back(result); }

std::vector<std::wstring> FakeDialog::ListEntries(int id) {
  std::vector<std::wstring> entries;
  for (const ListItem& item : lists[id].items) {
    const bool checked = (item.state & dialog_value::kStateImageChecked) != 0;
    entries.push_back(checked ? L"[x] " + item.text : item.text);
  }
  return entries;
}

}  // namespace vantrel::testing
