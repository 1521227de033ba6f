// An in-memory dialog 101 that answers DialogControls as the real controls
// do: texts cut to the caller's buffer, a combo box with its edit field and
// case-insensitive exact search, and a check-box list view. What reaches the
// person (message boxes, pages, EndDialog) goes to a UserReplies script.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "config/dialog_controls.h"
#include "platform/text.h"

namespace vantrel::testing {

// The person at the dialog: answers message boxes in order (IDNO when none
// is left) and records the boxes (as "caption: text" and the type), the
// pages opened and EndDialog.
struct UserReplies {
  int Answer(const std::wstring& text, const std::wstring& caption, uint32_t type) {
    boxes.push_back(caption + L": " + text + std::to_wstring(type));
    if (answers.empty()) return dialog_value::kIdNo;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<int> answers;
  std::vector<std::wstring> boxes;
  std::vector<std::wstring> openedUrls;
  std::vector<intptr_t> endDialogResults;
};

// The calls that reach the person, answered from a UserReplies script, over
// any dialog.
template <typename Controls>
class ScriptedPerson : public Controls {
 public:
  explicit ScriptedPerson(UserReplies& replies) : replies_(replies) {}
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     uint32_t type) override {
    return replies_.Answer(text, caption, type);
  }
  void OpenUrl(const std::wstring& url) override { replies_.openedUrls.push_back(url); }
  void EndDialog(intptr_t result) override { replies_.endDialogResults.push_back(result); }

 private:
  UserReplies& replies_;
};

class FakeDialog : public ScriptedPerson<DialogControls> {
 public:
  using ScriptedPerson::ScriptedPerson;

  struct Item {
    std::wstring text;
    uint32_t state = 0;  // a list view entry's
  };
  struct Control {
    bool checked = false;
    bool enabled = true;
    std::wstring text;        // a combo box's edit field
    std::vector<Item> items;  // a combo box's entries
    int curSel = -1;
  };
  // The maps create a control on first use.
  std::map<int, Control> controls;
  std::map<int, std::vector<Item>> lists;
  bool refuseComboAdds = false;  // CB_ADDSTRING answers CB_ERRSPACE

  bool IsChecked(int id) override { return controls[id].checked; }
  void SetChecked(int id, bool checked) override { controls[id].checked = checked; }
  void Enable(int id, bool enable) override { controls[id].enabled = enable; }
  bool IsEnabled(int id) override { return controls[id].enabled; }
  std::wstring GetText(int id, int capacity) override { return Cut(controls[id].text, capacity); }
  void SetText(int id, const std::wstring& text) override { controls[id].text = text; }
  int GetTextLength(int id) override { return static_cast<int>(controls[id].text.size()); }
  std::wstring ReadText(int id, int capacity) override { return GetText(id, capacity); }

  int ComboAddString(int id, const std::wstring& text) override {
    if (refuseComboAdds) return dialog_value::kCbErrSpace;
    controls[id].items.push_back(Item{text});
    return static_cast<int>(controls[id].items.size() - 1);
  }
  void ComboResetContent(int id) override { controls[id] = Control(); }
  // The form always searches the whole box, from the start.
  int ComboFindStringExact(int id, int, const std::wstring& text) override {
    return Find(controls[id].items, text);
  }
  // A valid index selects the entry and copies it into the edit field; -1 or
  // an index out of range clears both and answers CB_ERR.
  int ComboSetCurSel(int id, int index) override {
    Control& combo = controls[id];
    const bool valid = InRange(combo.items, index);
    combo.curSel = valid ? index : -1;
    combo.text = valid ? combo.items[index].text : L"";
    return valid ? index : dialog_value::kCbErr;
  }
  int ComboGetCurSel(int id) override { return controls[id].curSel; }
  int ComboDeleteString(int id, int index) override {
    Control& combo = controls[id];
    if (!InRange(combo.items, index)) return dialog_value::kCbErr;
    combo.items.erase(combo.items.begin() + index);
    combo.curSel = combo.curSel == index ? -1 : combo.curSel - (combo.curSel > index);
    return static_cast<int>(combo.items.size());
  }
  int ComboGetCount(int id) override { return static_cast<int>(controls[id].items.size()); }
  int ComboGetLbTextLen(int id, int index) override {
    return InRange(controls[id].items, index) ? static_cast<int>(ComboGetLbText(id, index).size())
                                              : dialog_value::kCbErr;
  }
  std::wstring ComboGetLbText(int id, int index) override {
    return InRange(controls[id].items, index) ? controls[id].items[index].text : std::wstring();
  }

  void ListSetExtendedStyle(int, uint32_t, uint32_t) override {}
  bool ListInsertFullWidthColumn(int) override { return true; }
  void ListDeleteAllItems(int id) override { lists[id].clear(); }
  int ListFindItem(int id, int, const std::wstring& text) override { return Find(lists[id], text); }
  int ListInsertItem(int id, int index, const std::wstring& text) override {
    std::vector<Item>& items = lists[id];
    const size_t at = std::min(static_cast<size_t>(index), items.size());
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), Item{text, 0});
    return static_cast<int>(at);
  }
  bool ListSetItemState(int id, int index, uint32_t state, uint32_t mask) override {
    if (!InRange(lists[id], index)) return false;
    uint32_t& current = lists[id][index].state;
    current = (current & ~mask) | (state & mask);
    return true;
  }
  int ListGetItemCount(int id) override { return static_cast<int>(lists[id].size()); }
  bool ListGetItem(int id, int index, int capacity, uint32_t stateMask, std::wstring* text,
                   uint32_t* state) override {
    if (!InRange(lists[id], index)) return false;
    *text = Cut(lists[id][index].text, capacity);
    *state = lists[id][index].state & stateMask;
    return true;
  }

 private:
  // What a buffer of `capacity` units receives: at most capacity - 1
  // characters and the terminator.
  static std::wstring Cut(const std::wstring& text, int capacity) {
    return capacity <= 0 ? std::wstring() : text.substr(0, static_cast<size_t>(capacity - 1));
  }
  static bool InRange(const std::vector<Item>& items, int index) {
    return index >= 0 && static_cast<size_t>(index) < items.size();
  }
  // The first entry whose text equals `text` whatever its case; -1 (CB_ERR)
  // when none does.
  static int Find(const std::vector<Item>& items, const std::wstring& text) {
    for (size_t i = 0; i < items.size(); ++i)
      if (EqualsIgnoringAsciiCase(items[i].text, text)) return static_cast<int>(i);
    return -1;
  }
};

}  // namespace vantrel::testing
