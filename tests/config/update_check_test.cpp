// The update check and the links, which read no control: they run natively
// only.
#include "config/update_check.h"

#include "config/vendor_pages.h"
#include "tests/config/config_fixture.h"

namespace vantrel::testing {

std::unique_ptr<FormView> OpenFormView(UserReplies& replies) {
  return std::make_unique<FakeDialog>(replies);
}

namespace {

// A reply that does not start with a version, or is not read whole, offers
// nothing. Other versions, and error statuses, are checked over the real
// WinHTTP under Wine.
TEST_F(ConfigTest, CheckForUpdateOffersOnlyAWholeReplyWithAnotherVersion) {
  const struct {
    const char* what;
    std::vector<std::string> pieces;
    int failAtCall = -1;  // 0 opens, 4 receives, then 6, 7, 8, 9 wait and read in turn
  } cases[] = {
      {"after a BOM",
       {"\xEF\xBB\xBF"
        "3.2.0.0"}},
      {"a captive portal", {"<html><body>Sign in to continue</body></html>"}},
      // Read whole: our version split in two must not look like "3.1".
      {"ours in two pieces", {"3.1", ".0.0\r\n"}},
      {"dropped reading", {"3.1", ".0.0"}, 9},
  };
  for (const auto& c : cases) {
    http = FakeHttp();
    http.pieces = c.pieces;
    http.failAtCall = c.failAtCall;

    CheckForUpdate(ports);

    EXPECT_TRUE(replies.boxes.empty()) << c.what;
    EXPECT_EQ(http.openHandles, 0) << c.what;
  }
  EXPECT_TRUE(replies.openedUrls.empty());
}

// The request itself (user agent, host, path) is checked over the real
// WinHTTP under Wine.
TEST_F(ConfigTest, TheOfferAnsweredYesOpensTheDownloadPageAndEndsTheDialog) {
  http.pieces = {"3.2.0.0"};
  replies.answers = {true};

  EXPECT_TRUE(OnLinkClicked(ports, IDC_LINK_UPDATE));

  ASSERT_EQ(replies.boxes.size(), 1u);
  EXPECT_EQ(replies.boxes[0],
            L"New Vantrel version available!: There is a new version available.\r\nWould you "
            L"like to download and install this now?");
  EXPECT_EQ(replies.closes, 1);

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
