// The Wine backend of the form tests: dialog 101 created in this process
// from the program's own template, with the real controls of Wine's
// comctl32. Only what reaches the person (message boxes, pages, EndDialog)
// goes to the script instead, as natively.
// <commctrl.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "config/win32/form_view_win32.h"
#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

// No procedure of its own: the tests call the form's operations directly.
INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

class RealDialog : public ScriptedPerson<FormViewWin32> {
 public:
  explicit RealDialog(UserReplies& replies) : ScriptedPerson(replies) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                      ICC_USEREX_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                                 PlainDialogProc, 0);
    EXPECT_NE(window_, nullptr) << "dialog 101: error " << GetLastError();
    Attach(window_);
  }
  ~RealDialog() override { DestroyWindow(window_); }

 private:
  HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<FormView> OpenFormView(UserReplies& replies) {
  return std::make_unique<RealDialog>(replies);
}

}  // namespace vantrel::testing
