// An in-memory dialog 101 that answers DialogControls as the real controls
// do: check states, enabled flags, texts cut to the caller's buffer, a
// combo box with its edit field and case-insensitive exact search, a
// check-box list view, scripted message-box answers, and a record of the
// pages opened and of EndDialog.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "config/dialog_controls.h"

namespace vantrel::testing {

class FakeDialog : public DialogControls {
 public:
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
  struct Box {
    std::wstring text, caption;
    uint32_t type = 0;
  };

  bool IsChecked(int id) override { return controls[id].checked; }
  void SetChecked(int id, bool checked) override { controls[id].checked = checked; }
  void Enable(int id, bool enable) override { controls[id].enabled = enable; }
  bool IsEnabled(int id) override { return controls[id].enabled; }
  std::wstring GetText(int id, int capacity) override;
  void SetText(int id, const std::wstring& text) override { controls[id].text = text; }
  int GetTextLength(int id) override { return static_cast<int>(controls[id].text.size()); }
  std::wstring GetWindowText(int id, int capacity) override { return GetText(id, capacity); }

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

  // Answers come from `answers` in order; IDNO when none is left.
  int MessageBox(const std::wstring& text, const std::wstring& caption, uint32_t type) override;
  void OpenUrl(const std::wstring& url) override { openedUrls.push_back(url); }
  void EndDialog(intptr_t result) override { endDialogResults.push_back(result); }

  // Test-side views; the maps create a control on first use.
  std::map<int, Control> controls;
  std::map<int, Combo> combos;
  std::map<int, std::vector<ListItem>> lists;
  std::deque<int> answers;
  std::vector<Box> boxes;
  std::vector<std::wstring> openedUrls;
  std::vector<intptr_t> endDialogResults;

  // List entries as "text" or "[x] text" for compact expectations.
  std::vector<std::wstring> ListEntries(int id);
  // Types text into a combo box's edit field (no selection change).
  void TypeText(int id, const std::wstring& text) { controls[id].text = text; }
};

}  // namespace vantrel::testing
