// The update check, the links and the caption: none of them reads a control,
// so they run over the in-memory dialog only.
#include "config/update_check.h"

#include "config/vendor_pages.h"
#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

using Step = FakeHttp::Step;

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
    Step failAt = Step::kNone;
    size_t failAtPiece = 0;
    std::wstring own = L"3.1.0.0";
  } cases[] = {
      {"ours", {"3.1.0.0\r\n"}, false},
      {"higher", {"3.2.0.0\n"}, true},
      {"lower", {"2.9.0.0"}, true},
      {"shorter", {"3.1"}, true},
      {"ended by a NUL", {std::string("3.2\0junk", 8)}, true},
      {"glued to text", {"3.2.0.0beta"}, false},
      {"after a BOM", {"\xEF\xBB\xBF" "3.2.0.0"}, false},
      {"a bare number", {"404 Not Found"}, false},
      {"an empty group", {"3..1"}, false},
      {"a trailing dot", {"3."}, false},
      {"404", {"<html>404 Not Found</html>"}, false, 404},
      {"500", {"3.2.0.0"}, false, 500},
      {"empty", {}, false},
      // Read whole: our version split in two must not look like "3.1".
      {"ours in two pieces", {"3.1", ".0.0\r\n"}, false},
      {"slow", {"3", ".", "1", ".", "0", ".", "0"}, false},
      {"dropped reading", {"3.1", ".0.0"}, false, 200, Step::kReadData, 1},
      {"dropped waiting", {"3.1", ".0.0"}, false, 200, Step::kQueryDataAvailable, 1},
      {"no network", {"3.2.0.0"}, false, 200, Step::kOpen},
      {"timed out", {"3.2.0.0"}, false, 200, Step::kReceiveResponse},
      {"no version of ours", {"9.9.9.9"}, false, 200, Step::kNone, 0, L""},
      {"ours cut", {nines + ".1"}, false, 200, Step::kNone, 0, std::wstring(1500, L'9')},
  };
  for (const auto& c : cases) {
    http = FakeHttp();
    http.status = c.status;
    http.pieces = c.pieces;
    http.failAt = c.failAt;
    http.failAtPiece = c.failAtPiece;
    versionInfo.productVersion = c.own;
    replies.boxes.clear();

    CheckForUpdate(ports);

    EXPECT_EQ(replies.boxes.size(), c.offered ? 1u : 0u) << c.what;
    EXPECT_EQ(http.openHandles, 0) << c.what;
  }
  EXPECT_TRUE(replies.openedUrls.empty());
  EXPECT_TRUE(replies.endDialogResults.empty());
}

TEST_F(ConfigTest, TheOfferAnsweredYesOpensTheDownloadPageAndEndsTheDialog) {
  ports.updateHost = L"127.0.0.1";
  ports.updatePort = 8080;
  http.pieces = {"3.2.0.0"};
  replies.answers = {dialog_value::kIdYes};

  EXPECT_TRUE(OnLinkClicked(ports, IDC_LINK_UPDATE));

  EXPECT_EQ(http.userAgent, L"Orlenk Rodo/1.0");
  EXPECT_EQ(http.host + L":" + std::to_wstring(http.port), L"127.0.0.1:8080");
  EXPECT_EQ(http.method + L" " + http.objectName, L"GET products/vantrel/3/version");
  ASSERT_EQ(replies.boxes.size(), 1u);
  EXPECT_EQ(replies.boxes[0].text,
            L"There is a new version available.\r\nWould you like to download and install this "
            L"now?");
  EXPECT_EQ(replies.boxes[0].caption, L"New Vantrel version available!");
  EXPECT_EQ(replies.boxes[0].type, 4u);
  EXPECT_EQ(replies.endDialogResults, (std::vector<intptr_t>{0}));

  EXPECT_TRUE(OnLinkClicked(ports, IDC_LINK_CONTACT));
  EXPECT_TRUE(OnLinkClicked(ports, IDC_LINK_FAQ));
  EXPECT_FALSE(OnLinkClicked(ports, IDC_HEADING_FAQ));
  EXPECT_EQ(replies.openedUrls, (Strings{L"http://www.orlenk-technologies.com/products/vantrel/3/",
                                         L"http://www.orlenk-technologies.com/contact.html",
                                         L"http://www.orlenk-technologies.com/products/vantrel/"
                                         L"faq.html"}));
}

TEST_F(ConfigTest, CaptionCarriesTheProductVersion) {
  EXPECT_EQ(DialogCaption(versionInfo), L"Vantrel Configuration - v3.1 (3.1.0.0)");
  versionInfo.productVersion.clear();
  EXPECT_EQ(DialogCaption(versionInfo), L"Vantrel Configuration - v3.1 ()");
}

}  // namespace
}  // namespace vantrel::testing
