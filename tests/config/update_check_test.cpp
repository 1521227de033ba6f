// The update check and the links, which read no control, and what only the
// in-memory dialog can stage: they run natively only.
#include "config/update_check.h"

#include "config/vendor_pages.h"
#include "tests/config/config_fixture.h"

namespace vantrel::testing {

std::unique_ptr<DialogControls> OpenDialogControls(UserReplies& replies) {
  return std::make_unique<FakeDialog>(replies);
}

namespace {

// A real combo box refuses an entry only when memory runs out.
TEST_F(ConfigTest, AStoredFormatTheBoxRefusesIsStillShownAndKept) {
  Settings stored(registry);
  stored.NamingFormat = L"%username%'s %printername%";
  stored.Save();
  fake().refuseComboAdds = true;

  OpenDialog();
  ApplyChanges(ports);

  EXPECT_EQ(Text(IDC_FORMAT_BOX), L"%username%'s %printername%");
  EXPECT_EQ(Stored().NamingFormat, L"%username%'s %printername%");
}

// Only a whole 200 reply that starts with a dotted version other than ours
// is offered (answered No here, so nothing more happens). Ours is compared
// over its own length, as the US-English ProductVersion cut to 1,023 bytes.
TEST_F(ConfigTest, CheckForUpdateOffersOnlyAWholeReplyWithAnotherVersion) {
  const std::string nines(1023, '9');
  const struct {
    const char* what;
    std::vector<std::string> pieces;
    bool offered;
    uint32_t status = 200;
    int failAtCall = -1;  // 0 opens, 4 receives, then 6, 7, 8, 9 wait and read in turn
    std::wstring own = L"3.1.0.0";
  } cases[] = {
      {"ours", {"3.1.0.0\r\n"}, false},
      {"higher", {"3.2.0.0\n"}, true},
      {"lower", {"2.9.0.0"}, true},
      {"shorter", {"3.1"}, true},
      {"ended by a NUL", {std::string("3.2\0junk", 8)}, true},
      {"glued to text", {"3.2.0.0beta"}, false},
      {"after a BOM",
       {"\xEF\xBB\xBF"
        "3.2.0.0"},
       false},
      {"a bare number", {"404 Not Found"}, false},
      {"a trailing dot", {"3."}, false},
      {"500", {"3.2.0.0"}, false, 500},
      // Read whole: our version split in two must not look like "3.1".
      {"ours in two pieces", {"3.1", ".0.0\r\n"}, false},
      {"dropped reading", {"3.1", ".0.0"}, false, 200, 9},
      {"dropped waiting", {"3.1", ".0.0"}, false, 200, 8},
      {"no network", {"3.2.0.0"}, false, 200, 0},
      {"timed out", {"3.2.0.0"}, false, 200, 4},
      {"no version of ours", {"9.9.9.9"}, false, 200, -1, L""},
      {"ours cut", {nines + ".1"}, false, 200, -1, std::wstring(1500, L'9')},
  };
  for (const auto& c : cases) {
    http = FakeHttp();
    http.status = c.status;
    http.pieces = c.pieces;
    http.failAtCall = c.failAtCall;
    versionInfo.productVersion = c.own;
    replies.boxes.clear();

    CheckForUpdate(ports);

    EXPECT_EQ(replies.boxes.size(), c.offered ? 1u : 0u) << c.what;
    EXPECT_EQ(http.openHandles, 0) << c.what;
  }
  EXPECT_TRUE(replies.openedUrls.empty());
  EXPECT_TRUE(replies.endDialogResults.empty());
}

// The request itself (user agent, host, path) is checked over the real
// WinHTTP under Wine.
TEST_F(ConfigTest, TheOfferAnsweredYesOpensTheDownloadPageAndEndsTheDialog) {
  http.pieces = {"3.2.0.0"};
  replies.answers = {dialog_value::kIdYes};

  EXPECT_TRUE(OnLinkClicked(ports, IDC_LINK_UPDATE));

  ASSERT_EQ(replies.boxes.size(), 1u);
  EXPECT_EQ(replies.boxes[0],
            L"New Vantrel version available!: There is a new version available.\r\nWould you "
            L"like to download and install this now?4");
  EXPECT_EQ(replies.endDialogResults, (std::vector<intptr_t>{0}));

  EXPECT_TRUE(OnLinkClicked(ports, IDC_LINK_CONTACT));
  EXPECT_TRUE(OnLinkClicked(ports, IDC_LINK_FAQ));
  EXPECT_FALSE(OnLinkClicked(ports, IDC_HEADING_FAQ));
  EXPECT_EQ(replies.openedUrls, (Strings{L"http://www.orlenk-technologies.com/products/vantrel/3/",
                                         L"http://www.orlenk-technologies.com/contact.html",
                                         L"http://www.orlenk-technologies.com/products/vantrel/"
                                         L"faq.html"}));
}

}  // namespace
}  // namespace vantrel::testing
