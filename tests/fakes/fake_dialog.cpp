#include "tests/fakes/fake_dialog.h"

#include <algorithm>
#include <cwctype>

namespace vantrel::testing {
namespace {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) {
    return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
  });
}

// What a buffer of `capacity` units receives: at most capacity - 1
// characters and the terminator.
std::wstring Cut(const std::wstring& text, int capacity) {
  return capacity <= 0 ? std::wstring() : text.substr(0, static_cast<size_t>(capacity - 1));
}

template <typename T>
bool InRange(const std::vector<T>& items, int index) {
  return index >= 0 && static_cast<size_t>(index) < items.size();
}

}  // namespace

std::wstring FakeDialog::GetText(int id, int capacity) { return Cut(controls[id].text, capacity); }

int FakeDialog::ComboAddString(int id, const std::wstring& text) {
  Combo& combo = combos[id];
  if (combo.refuseAdds) return dialog_value::kCbErrSpace;
  combo.items.push_back(text);
  return static_cast<int>(combo.items.size() - 1);
}

void FakeDialog::ComboResetContent(int id) {
  combos[id] = Combo{{}, -1, combos[id].refuseAdds};
  controls[id].text.clear();
}

// From the start (the form always searches the whole box).
int FakeDialog::ComboFindStringExact(int id, int, const std::wstring& text) {
  const std::vector<std::wstring>& items = combos[id].items;
  for (size_t i = 0; i < items.size(); ++i)
    if (EqualNoCase(items[i], text)) return static_cast<int>(i);
  return dialog_value::kCbErr;
}

// A valid index selects the entry and copies it into the edit field; -1 or
// an index out of range clears both and answers CB_ERR.
int FakeDialog::ComboSetCurSel(int id, int index) {
  Combo& combo = combos[id];
  const bool valid = InRange(combo.items, index);
  combo.curSel = valid ? index : -1;
  controls[id].text = valid ? combo.items[index] : L"";
  return valid ? index : dialog_value::kCbErr;
}

int FakeDialog::ComboDeleteString(int id, int index) {
  Combo& combo = combos[id];
  if (!InRange(combo.items, index)) return dialog_value::kCbErr;
  combo.items.erase(combo.items.begin() + index);
  if (combo.curSel == index)
    combo.curSel = -1;
  else if (combo.curSel > index)
    --combo.curSel;
  return static_cast<int>(combo.items.size());
}

int FakeDialog::ComboGetLbTextLen(int id, int index) {
  const Combo& combo = combos[id];
  return InRange(combo.items, index) ? static_cast<int>(combo.items[index].size())
                                     : dialog_value::kCbErr;
}

std::wstring FakeDialog::ComboGetLbText(int id, int index) {
  const Combo& combo = combos[id];
  return InRange(combo.items, index) ? combo.items[index] : std::wstring();
}

// LVFI_STRING from the start (the form always searches the whole list).
int FakeDialog::ListFindItem(int id, int, const std::wstring& text) {
  const std::vector<ListItem>& items = lists[id];
  for (size_t i = 0; i < items.size(); ++i)
    if (EqualNoCase(items[i].text, text)) return static_cast<int>(i);
  return -1;
}

int FakeDialog::ListInsertItem(int id, int index, const std::wstring& text) {
  std::vector<ListItem>& items = lists[id];
  if (index < 0) return -1;
  const size_t at = std::min(static_cast<size_t>(index), items.size());
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), ListItem{text, 0});
  return static_cast<int>(at);
}

bool FakeDialog::ListSetItemState(int id, int index, uint32_t state, uint32_t mask) {
  std::vector<ListItem>& items = lists[id];
  if (!InRange(items, index)) return false;
  items[index].state = (items[index].state & ~mask) | (state & mask);
  return true;
}

bool FakeDialog::ListGetItem(int id, int index, int capacity, uint32_t stateMask,
                             std::wstring* text, uint32_t* state) {
  const std::vector<ListItem>& items = lists[id];
  if (!InRange(items, index)) return false;
  *text = Cut(items[index].text, capacity);
  *state = items[index].state & stateMask;
  return true;
}

}  // namespace vantrel::testing
