// An in-memory dialog 101 that answers DialogControls as the real controls
// do: texts cut to the caller's buffer, a combo box with its edit field and
// case-insensitive exact search, and a check-box list view. What reaches the
// person (message boxes, pages, EndDialog) goes to a UserReplies script.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "config/dialog_controls.h"

namespace vantrel::testing {

// The person at the dialog: answers message boxes in order (IDNO when none
// is left) and records the boxes, the pages opened and EndDialog.
struct UserReplies {
  struct Box {
    std::wstring text, caption;
    uint32_t type = 0;
  };
  int Answer(const std::wstring& text, const std::wstring& caption, uint32_t type) {
    boxes.push_back(Box{text, caption, type});
    if (answers.empty()) return dialog_value::kIdNo;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<int> answers;
  std::vector<Box> boxes;
  std::vector<std::wstring> openedUrls;
  std::vector<intptr_t> endDialogResults;
};

class FakeDialog : public DialogControls {
 public:
  explicit FakeDialog(UserReplies& replies) : replies_(replies) {}

  bool IsChecked(int id) override { return controls[id].checked; }
  void SetChecked(int id, bool checked) override { controls[id].checked = checked; }
  void Enable(int id, bool enable) override { controls[id].enabled = enable; }
  bool IsEnabled(int id) override { return controls[id].enabled; }
  std::wstring GetText(int id, int capacity) override;
  void SetText(int id, const std::wstring& text) override { controls[id].text = text; }
  int GetTextLength(int id) override { return static_cast<int>(controls[id].text.size()); }
  std::wstring ReadText(int id, int capacity) override { return GetText(id, capacity); }

  int ComboAddString(int id, const std::wstring& text) override;
  void ComboResetContent(int id) override;
  int ComboFindStringExact(int id, int startIndex, const std::wstring& text) override;
  int ComboSetCurSel(int id, int index) override;
  int ComboGetCurSel(int id) override { return combos[id].curSel; }
  int ComboDeleteString(int id, int index) override;
  int ComboGetCount(int id) override { return static_cast<int>(combos[id].items.size()); }
  int ComboGetLbTextLen(int id, int index) override;
  std::wstring ComboGetLbText(int id, int index) override;

  void ListSetExtendedStyle(int, uint32_t, uint32_t) override {}
  bool ListInsertFullWidthColumn(int) override { return true; }
  void ListDeleteAllItems(int id) override { lists[id].clear(); }
  int ListFindItem(int id, int startIndex, const std::wstring& text) override;
  int ListInsertItem(int id, int index, const std::wstring& text) override;
  bool ListSetItemState(int id, int index, uint32_t state, uint32_t mask) override;
  int ListGetItemCount(int id) override { return static_cast<int>(lists[id].size()); }
  bool ListGetItem(int id, int index, int capacity, uint32_t stateMask, std::wstring* text,
                   uint32_t* state) override;

  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     uint32_t type) override {
    return replies_.Answer(text, caption, type);
  }
  void OpenUrl(const std::wstring& url) override { replies_.openedUrls.push_back(url); }
  void EndDialog(intptr_t result) override { replies_.endDialogResults.push_back(result); }

  struct Control {
    bool checked = false;
    bool enabled = true;
    std::wstring text;  // a combo box's edit field
  };
  struct Combo {
    std::vector<std::wstring> items;
    int curSel = -1;
    bool refuseAdds = false;  // CB_ADDSTRING answers CB_ERRSPACE
  };
  struct ListItem {
    std::wstring text;
    uint32_t state = 0;
  };
  // The maps create a control on first use.
  std::map<int, Control> controls;
  std::map<int, Combo> combos;
  std::map<int, std::vector<ListItem>> lists;

 private:
  UserReplies& replies_;
};

}  // namespace vantrel::testing
