#include "config/update_check.h"

#include "tests/config/config_fixture.h"

namespace vantrel::testing {
namespace {

using Step = FakeHttp::Step;

TEST_F(ConfigTest, ProductVersionComesFromTheUsEnglishStringTable) {
  EXPECT_EQ(GetProductVersion(versionInfo), "3.1.0.0");
  EXPECT_EQ(versionInfo.queries.back(), L"\\StringFileInfo\\040904b0\\ProductVersion");
  EXPECT_EQ(DialogCaption(versionInfo), L"Vantrel Configuration - v3.1 (3.1.0.0)");

  versionInfo.values[L"\\StringFileInfo\\040904b0\\ProductVersion"] = std::wstring(1500, L'9');
  EXPECT_EQ(GetProductVersion(versionInfo), std::string(1023, '9'));

  versionInfo.values.clear();
  EXPECT_EQ(GetProductVersion(versionInfo), "");
  EXPECT_EQ(DialogCaption(versionInfo), L"Vantrel Configuration - v3.1 ()");
}

TEST_F(ConfigTest, IsNewVersionComparesOverTheLengthOfOurOwnVersion) {
  const std::pair<const char*, bool> cases[] = {
      {"3.1.0.0", false}, {"3.1.0.0\r\n", false}, {"3.1.0.0-beta", false},
      {"3.1.0.1", true},  {"2.9.0.0", true},      {"3.1", true},
      {"", true},
  };
  for (const auto& [body, isNew] : cases) EXPECT_EQ(IsNewVersion(versionInfo, body), isNew) << body;
  EXPECT_FALSE(IsNewVersion(versionInfo, nullptr));

  versionInfo.values.clear();  // no version resource: never new
  EXPECT_FALSE(IsNewVersion(versionInfo, "9.9.9.9"));
}

TEST_F(ConfigTest, LeadingVersionTakesOnlyADottedNumberAtTheStart) {
  const std::pair<std::string, std::string> cases[] = {
      {"3.2.0.0", "3.2.0.0"},
      {"3.2.0.0\r\n", "3.2.0.0"},
      {std::string("3.2\0junk", 8), "3.2"},
      {"", ""},
      {"404 Not Found", ""},
      {"<html><body>Not Found</body></html>", ""},
      {"3.", ""},
      {"3.1.0.0beta", ""},
      {"\xEF\xBB\xBF"
       "3.2.0.0",
       ""},
  };
  for (const auto& [body, version] : cases) EXPECT_EQ(LeadingVersion(body), version) << body;
}

// Only a whole 200 reply with another version is offered (answered No
// here, so nothing more happens).
TEST_F(ConfigTest, CheckForUpdateOffersOnlyAWholeReplyWithAnotherVersion) {
  const struct {
    const char* what;
    uint32_t status;
    std::vector<std::string> pieces;
    Step failAt;
    size_t failAtPiece;
    bool offered;
  } cases[] = {
      {"ours", 200, {"3.1.0.0\r\n"}, Step::kNone, 0, false},
      {"higher", 200, {"3.2.0.0\n"}, Step::kNone, 0, true},
      {"404", 404, {"<html>404 Not Found</html>"}, Step::kNone, 0, false},
      {"500", 500, {"3.2.0.0"}, Step::kNone, 0, false},
      {"empty", 200, {}, Step::kNone, 0, false},
      {"garbage", 200, {"\x01\x02garbage"}, Step::kNone, 0, false},
      // Read whole: our version split in two must not look like "3.1".
      {"ours in two pieces", 200, {"3.1", ".0.0\r\n"}, Step::kNone, 0, false},
      {"slow", 200, {"3", ".", "1", ".", "0", ".", "0"}, Step::kNone, 0, false},
      {"dropped reading", 200, {"3.1", ".0.0"}, Step::kReadData, 1, false},
      {"dropped waiting", 200, {"3.1", ".0.0"}, Step::kQueryDataAvailable, 1, false},
      {"no network", 200, {"3.2.0.0"}, Step::kOpen, 0, false},
      {"timed out", 200, {"3.2.0.0"}, Step::kReceiveResponse, 0, false},
  };
  for (const auto& c : cases) {
    http = FakeHttp();
    http.status = c.status;
    http.pieces = c.pieces;
    http.failAt = c.failAt;
    http.failAtPiece = c.failAtPiece;
    dialog.boxes.clear();

    CheckForUpdate(ports);

    EXPECT_EQ(dialog.boxes.size(), c.offered ? 1u : 0u) << c.what;
    EXPECT_EQ(http.openHandles, 0) << c.what;
  }
  EXPECT_TRUE(dialog.openedUrls.empty());
  EXPECT_TRUE(dialog.endDialogResults.empty());
}

TEST_F(ConfigTest, TheOfferAnsweredYesOpensTheDownloadPageAndEndsTheDialog) {
  ports.updateHost = L"127.0.0.1";
  ports.updatePort = 8080;
  http.pieces = {"3.2.0.0"};
  dialog.answers = {dialog_value::kIdYes};

  CheckForUpdate(ports);

  EXPECT_EQ(http.userAgent, L"Orlenk Rodo/1.0");
  EXPECT_EQ(http.host + L":" + std::to_wstring(http.port), L"127.0.0.1:8080");
  EXPECT_EQ(http.method + L" " + http.objectName, L"GET products/vantrel/3/version");

  ASSERT_EQ(dialog.boxes.size(), 1u);
  EXPECT_EQ(dialog.boxes[0].text,
            L"There is a new version available.\r\nWould you like to download and install this "
            L"now?");
  EXPECT_EQ(dialog.boxes[0].caption, L"New Vantrel version available!");
  EXPECT_EQ(dialog.boxes[0].type, 4u);
  EXPECT_EQ(dialog.openedUrls, (std::vector<std::wstring>{std::wstring(L"http://") + kVendorHost +
                                                          L"/products/vantrel/3/"}));
  EXPECT_EQ(dialog.endDialogResults, (std::vector<intptr_t>{0}));
}

}  // namespace
}  // namespace vantrel::testing
