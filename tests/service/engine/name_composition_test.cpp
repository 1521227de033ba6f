#include "service/engine/name_composition.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "settings/settings.h"
#include "tests/fakes/fake_terminal_server.h"
#include "tests/fakes/recording_log_sink.h"
#include "tests/fakes/terminal_server_contract.h"

namespace vantrel::testing {
namespace {

TEST(FakeTerminalServerTest, AnswersAsThePortsDo) {
  FakeTerminalServer server;
  server.AddUser(3, L"alice", L"CLIENT7", L"S-1-5-21-1-2-3-1001");
  CheckTerminalServicesContract(server, 3, L"alice");
  CheckAccountsContract(server, L"VANTREL", L"alice");
}

const std::wstring kWas = L"Checked whether the session id was valid, and it was\n";
const std::wstring kNotANumber =
    L"Were not able to convert what we thought was the session ID into a number.  We got ";

// Each row: the printer's name, the format, which of the terminal server's
// calls fails (0: none), the session (-1: no new name), the new name, and
// the log before the line that reports the new name.
TEST(NameCompositionTest, FindsTheSessionAndBuildsTheName) {
  FakeTerminalServer server;
  server.AddUser(3, L"alice", L"CLIENT7", L"");
  server.AddUser(12, L"bob", L"PC12", L"");
  server.AddUser(20, L"dave", L"", L"");
  server.AddUser(8, L"", L"", L"");  // neither name can be had
  struct Case {
    std::wstring name, format;
    int failAt;
    int32_t session;
    std::wstring newName, log;
    bool strip = false;
  };
  const std::wstring kAt = L"%username%@%clientname%", kHp3 = L"HP (redirected 3)";
  const Case cases[] = {
      {L"HP LaserJet 4 (redirected 3)", L"%printername% (%username% on %clientname%)", 0, 3,
       L"HP LaserJet 4 (alice on CLIENT7)", kWas},
      // The client's name inside the parentheses never picks the session,
      // even when its digits name one: the number after them decides. (The
      // composition fuzzer's seeds hold the other forms of the name.)
      {L"HP (from CLIENT12) in session 3", L"%username%", 0, 3, L"alice", L""},
      // Parentheses go from the printer's name and the format alike.
      {L"HP (A) (redirected 3)", L"%printername% (%username%)", 0, 3, L"HP A alice", kWas, true},
      // Tokens match once each, ASCII letters folded and no others.
      {kHp3, L"%PrinterName% for %USERNAME%", 0, 3, L"HP for alice", kWas},
      {kHp3, L"%username%-%username%", 0, 3, L"alice-%username%", kWas},
      {kHp3, L"%u\u017Fername% %username", 0, 3, L"%u\u017Fername% %username", kWas},
      {kHp3, L"%hostname%/%clientname%", 0, 3, L"CLIENT7/CLIENT7", kWas},
      // Text put in is never searched for tokens.
      {L"%username% (redirected 3)", L"%printername% On %username%", 0, 3, L"%username% On alice",
       kWas},
      {L" \tHP  Laser\t (redirected 3)", L"[%printername%]", 0, 3, L"[HP  Laser]", kWas},
      {L"  (redirected 3)", L"[%printername%]", 0, 3, L"[]", kWas},
      // One name known: the other is replaced by nothing; neither: tokens stay.
      {L"HP (redirected 20)", kAt, 0, 20, L"dave@", kWas},
      {L"HP (redirected 8)", kAt, 0, 8, kAt, kWas},
      {L"HP (from PC) in session 3", kAt, 2, 3, L"@CLIENT7", L"Could not get the WTSUserName, 5\n"},
      {L"HP (from PC) in session 3", kAt, 3, 3, L"alice@", L"Could not get the WTSClientName, 5\n"},
      {L"HP (x) in session 3", kAt, 1, -1, L"", kNotANumber + L"3 as the session ID\n"},
  };
  RecordedLog log;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.name) + " / " + ::testing::PrintToString(c.format));
    log.Clear();
    server.faultPlan = {.failAt = c.failAt, .how = Failure::kError, .trace = {}};
    GetSettings().NamingFormat = c.format;
    GetSettings().StripParens = c.strip;
    const ComposedName result = ComposeNewName(server, GetSettings(), c.name);
    EXPECT_EQ(std::tuple(result.ok, result.sessionId, result.newName),
              std::tuple(c.session >= 0, c.session, c.session >= 0 ? c.newName : c.name));
    EXPECT_EQ(log.Text(),
              c.log + (c.session < 0 ? L""
                                     : L"The printer named " + EscapeControlCharacters(c.name) +
                                           L" should be renamed " + c.newName + L" for session " +
                                           std::to_wstring(c.session) + L"\n"));
  }
  ResetSettingsForTesting();
  const std::wstring longest(kMaxPrinterNameChars, L'x');
  EXPECT_EQ(WhyNotToGiveName(longest), L"");
  EXPECT_EQ(WhyNotToGiveName(longest + L"x"), L"it is longer than 220 characters");
  // Nor a name that reads as a session's, whether that session exists or not.
  EXPECT_EQ(WhyNotToGiveName(L"HP (x) 3 On alice"), L"it would read as session 3's printer");
}

}  // namespace
}  // namespace vantrel::testing
