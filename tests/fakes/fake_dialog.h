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
  struct ListView {
    std::vector<ListItem> items;
    uint32_t extendedStyle = 0;
    int columns = 0;
  };
  struct Box {
    std::wstring text;
    std::wstring caption;
    uint32_t type = 0;
  };

  bool IsChecked(int id) override;
  void SetChecked(int id, bool checked) override;
  void Enable(int id, bool enable) override;
  bool IsEnabled(int id) override;
  std::wstring GetText(int id, int capacity) override;
  void SetText(int id, const std::wstring& text) override;
  int GetTextLength(int id) override;
  std::wstring GetWindowText(int id, int capacity) override;

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

  // Answers come from `answers` in order; IDNO when none is left.
  int MessageBox(const std::wstring& text, const std::wstring& caption, uint32_t type) override;
  void OpenUrl(const std::wstring& url) override;
  void EndDialog(intptr_t result) override;

  // Test-side views; the maps create a control on first use.
  std::map<int, Control> controls;
  std::map<int, Combo> combos;
  std::map<int, ListView> lists;
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
