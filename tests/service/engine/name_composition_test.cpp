#include "service/engine/name_composition.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "tests/fakes/fake_terminal_services.h"
#include "tests/fakes/recording_log_sink.h"

namespace vantrel {
namespace {

const std::wstring kWas = L"Checked whether the session id was valid, and it was\n";
const std::wstring kWasNot = L"Checked whether the session id was valid, and it was not\n";
const std::wstring kNoRun =
    L"We were entirely unable to find the session start or end location.  Start: 0xFFFFFFFF, "
    L"End: 0xFFFFFFFF\n";
std::wstring NoParen(const std::wstring& name) {
  return L"There was no paren in the current name (\"" + name + L"\"), so we're bailing\n";
}
std::wstring NotANumber(const std::wstring& digits) {
  return L"Were not able to convert what we thought was the session ID into a number.  We got " +
         digits + L" as the session ID\n";
}

TEST(NameCompositionTest, FindsTheSessionAndBuildsTheName) {
  testing::FakeTerminalServices wts;
  wts.AddSession(3, L"alice", L"CLIENT7");
  wts.AddSession(5, L"carol", L"HOST5");
  wts.AddSession(12, L"bob", L"PC12");
  wts.AddSession(20, L"dave", L"");
  wts.AddSession(4, L"erin", L"PC4");  // known, but neither name can be had
  wts.FailQuery(4, WtsInfoClass::kUserName, 5);
  wts.FailQuery(4, WtsInfoClass::kClientName, 1722);
  struct Case {
    std::wstring name, format;
    bool strip;
    int32_t session;  // -1: composition fails
    std::wstring newName, logBeforeResult;
  };
  const std::wstring kFull = L"%printername% (%username% on %clientname%)";
  const std::vector<Case> cases = {
      {L"HP LaserJet 4 (redirected 3)", kFull, false, 3, L"HP LaserJet 4 (alice on CLIENT7)", kWas},
      // The client's name inside the parentheses never picks the session,
      // even when its digits name one: the number after them decides.
      {L"HP (from CLIENT5) in session 3", L"%username%", false, 3, L"alice", L""},
      {L"HP (from CLIENT) in 99 session 12", L"%username%", false, 12, L"bob", L""},
      {L"HP (redirected 3) \t", L"%username%", false, 3, L"alice", kWas},
      {L"HP (from CLIENT5) in session", L"%username%", false, -1, L"", kNoRun},
      {L"Printer (A) (redirected 5)", L"%printername%", true, 5, L"Printer A", kWas},
      {L"HP (redirected 3)", L"%printername% (%username%) [x]", true, 3, L"HP alice [x]", kWas},
      {L"HP (redirected 3)", L"%PrinterName% for %USERNAME%", false, 3, L"HP for alice", kWas},
      {L"HP (redirected 3)", L"%username%-%username%", false, 3, L"alice-%username%", kWas},
      {L"HP (redirected 3)", L"%hostname%/%clientname%", false, 3, L"CLIENT7/CLIENT7", kWas},
      {L"HP (redirected 3)", L"", false, 3, L"", kWas},
      // One name known: the other is replaced by nothing; neither: tokens stay.
      {L"HP (redirected 20)", L"%username%@%clientname%", false, 20, L"dave@", kWas},
      {L"HP (redirected 4)", L"%printername% %username% %clientname%", false, 4,
       L"HP %username% %clientname%",
       kWas + L"Could not get the WTSUserName, 5\nCould not get the WTSClientName, 1722\n"},
      {L"Printer 3", kFull, false, -1, L"", NoParen(L"Printer 3")},
      {L"a) b (c", kFull, false, -1, L"", NoParen(L"a) b (c")},
      {L"Printer ()", kFull, false, -1, L"", kNoRun},
      {L"Printer (redirected 9)", kFull, false, -1, L"", kWasNot + kNoRun},
      // The shell's parser wraps at 32 bits; 4294967299 must not become session 3.
      {L"Printer (redirected 4294967299)", kFull, false, -1, L"", kWasNot + kNoRun},
      {L"HP (x) in session 4294967299", kFull, false, -1, L"", NotANumber(L"4294967299")},
      {L"HP (x) in session 2147483648", kFull, false, -1, L"", NotANumber(L"2147483648")},
  };
  testing::RecordedLog log;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.name) + " / " + ::testing::PrintToString(c.format));
    log.Clear();
    GetSettings().NamingFormat = c.format;
    GetSettings().StripParens = c.strip;
    ComposedName result = ComposeNewName(wts, GetSettings(), c.name);
    EXPECT_EQ(result.ok, c.session >= 0);
    EXPECT_EQ(result.sessionId, c.session);
    EXPECT_EQ(result.newName, c.session >= 0 ? c.newName : c.name);
    EXPECT_EQ(
        log.Text(),
        c.logBeforeResult +
            (c.session < 0 ? L""
                           : L"The printer named " + c.name + L" should be renamed " + c.newName +
                                 L" for session " + std::to_wstring(c.session) + L"\n"));
  }
  ResetSettingsForTesting();
}

TEST(NameCompositionTest, RefusesNamesTheSpoolerWouldRefuse) {
  const std::wstring longest(kMaxPrinterNameChars, L'x');
  EXPECT_EQ(WhyNotAPrinterName(longest), nullptr);
  EXPECT_EQ(WhyNotAPrinterName(L"HP On alice (2)"), nullptr);
  for (const std::wstring& name : {std::wstring(), longest + L"x", std::wstring(L"HP, alice"),
                                   std::wstring(L"\\\\srv\\HP")})
    EXPECT_NE(WhyNotAPrinterName(name), nullptr) << ::testing::PrintToString(name);
}

TEST(ReplaceFirstNoCaseTest, ReplacesTheFirstAsciiCaselessMatchOnly) {
  struct Case {
    std::wstring text, token, value, expected;
  };
  const std::vector<Case> cases = {
      {L"%USER%%user%", L"%user%", L"x", L"x%user%"},
      {L"%use", L"%user%", L"x", L"%use"},
      {L"%u%", L"%u%", L"%u%%u%", L"%u%%u%"},                        // the value is not rescanned
      {L"\u00C9t\u00E9", L"\u00E9T\u00C9", L"x", L"\u00C9t\u00E9"},  // É/é are not folded
      {L"\u00E9t\u00E9", L"\u00E9T\u00E9", L"x", L"x"},
  };
  for (const auto& c : cases) {
    std::wstring text = c.text;
    ReplaceFirstNoCase(text, c.token, c.value);
    EXPECT_EQ(text, c.expected) << ::testing::PrintToString(c.text);
  }
}

TEST(TrimWhitespaceTest, TrimsBothEnds) {
  for (auto [in, out] : std::vector<std::pair<std::wstring, std::wstring>>{
           {L"  HP  LaserJet\t \r\n", L"HP  LaserJet"}, {L" \t ", L""}, {L"", L""}}) {
    TrimWhitespace(in);
    EXPECT_EQ(in, out);
  }
}

}  // namespace
}  // namespace vantrel
