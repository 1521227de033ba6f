#include "config/update_check.h"

#include <ostream>
#include <string>
#include <vector>

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

struct ReplyCase {
  const char* name;
  uint32_t status;
  std::vector<std::string> pieces;
  Step failAt;
  size_t failAtPiece;
  bool offered;
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

class CheckForUpdateTest : public ConfigTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(CheckForUpdateTest, OffersOnlyAWholeReplyWithAnotherVersion) {
  const ReplyCase& c = GetParam();
  http.status = c.status;
  http.pieces = c.pieces;
  http.failAt = c.failAt;
  http.failAtPiece = c.failAtPiece;

  CheckForUpdate(ports);

  EXPECT_EQ(dialog.boxes.size(), c.offered ? 1u : 0u);
  EXPECT_TRUE(dialog.openedUrls.empty());  // answered No by default
  EXPECT_TRUE(dialog.endDialogResults.empty());
  EXPECT_EQ(http.openHandles, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CheckForUpdateTest,
    ::testing::Values(
        ReplyCase{"OurVersion", 200, {"3.1.0.0\r\n"}, Step::kNone, 0, false},
        ReplyCase{"HigherVersion", 200, {"3.2.0.0\n"}, Step::kNone, 0, true},
        ReplyCase{"NotFoundPage", 404, {"<html>404 Not Found</html>"}, Step::kNone, 0, false},
        ReplyCase{"ServerError", 500, {"3.2.0.0"}, Step::kNone, 0, false},
        ReplyCase{"EmptyBody", 200, {}, Step::kNone, 0, false},
        ReplyCase{"Garbage", 200, {"\x01\x02garbage"}, Step::kNone, 0, false},
        // Read whole: our version split in two must not look like "3.1".
        ReplyCase{"OurVersionInTwoPieces", 200, {"3.1", ".0.0\r\n"}, Step::kNone, 0, false},
        ReplyCase{
            "SlowByteByByte", 200, {"3", ".", "1", ".", "0", ".", "0"}, Step::kNone, 0, false},
        ReplyCase{"DroppedAfterFirstPiece", 200, {"3.1", ".0.0"}, Step::kReadData, 1, false},
        ReplyCase{"DroppedWhileWaiting", 200, {"3.1", ".0.0"}, Step::kQueryDataAvailable, 1, false},
        ReplyCase{"NoNetwork", 200, {"3.2.0.0"}, Step::kOpen, 0, false},
        ReplyCase{"TimedOut", 200, {"3.2.0.0"}, Step::kReceiveResponse, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigTest, TheOfferAnsweredYesOpensTheDownloadPageAndEndsTheDialog) {
  ports.updateHost = L"127.0.0.1";
  ports.updatePort = 8080;
  http.SetBody("3.2.0.0");
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
