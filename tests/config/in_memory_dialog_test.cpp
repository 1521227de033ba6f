// The in-memory backend of the form tests, and what only it can stage.
#include "tests/config/config_fixture.h"

namespace vantrel::testing {

std::unique_ptr<DialogControls> OpenDialogControls(UserReplies& replies) {
  return std::make_unique<FakeDialog>(replies);
}

namespace {

// A real combo box refuses an entry only when memory runs out.
TEST_F(ConfigTest, AStoredFormatTheBoxRefusesIsStillShownAndKept) {
  StoreString(L"NamingFormat", L"%username%'s %printername%");
  fake().combos[IDC_FORMAT_BOX].refuseAdds = true;

  OpenDialog();
  ApplyChanges(ports);

  EXPECT_EQ(Text(IDC_FORMAT_BOX), L"%username%'s %printername%");
  EXPECT_EQ(Stored().NamingFormat, L"%username%'s %printername%");
}

}  // namespace
}  // namespace vantrel::testing
