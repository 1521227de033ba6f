#include "service/engine/printers.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "service/engine/printer_query.h"
#include "tests/service/engine/printers_fixture.h"

namespace vantrel::testing {
namespace {

std::wstring HexOf(HResult hr) {
  wchar_t text[9];
  swprintf(text, 9, L"%08X", static_cast<uint32_t>(hr));
  return text;
}

const std::wstring kHead =
    L"SELECT __PATH, DeviceID, Name, DriverName, PortName FROM Win32_Printer WHERE PortName LIKE "
    L"'%";

TEST(PrinterQueryTest, BuildsTheExactText) {
  EXPECT_EQ(BuildPrinterQuery(false, {}, {}).text, kHead + L"%'");
  // Drivers in stored order, then names in the order given; only
  // backslashes and apostrophes are escaped.
  EXPECT_EQ(BuildPrinterQuery(true, {L"O'Neil \\ Sons", L"Alpha PS"},
                              {L"\\\\srv\\q", L"P (from C7) \"x\" 100%"})
                .text,
            kHead +
                L"TS%' AND DriverName != 'O\\'Neil \\\\ Sons' AND DriverName != 'Alpha PS' AND "
                L"DeviceID != '\\\\\\\\srv\\\\q' AND DeviceID != 'P (from C7) \"x\" 100%'");
}

// WMI may not answer yet when an auto-start service starts at boot: each
// pass tries again, and the failure is logged once, not at every tick.
TEST_F(PrintersTest, AnUnconnectedEngineConnectsAtALaterPass) {
  const std::pair<const char*, HResult> failures[] = {
      {"CreateLocator", hresult::kFail},
      {"CreateLocator", hresult::kFalse},  // success without a locator
      {"ConnectServer", static_cast<HResult>(0x80041003)},
      {"ConnectServer", hresult::kOutOfMemory},
  };
  const std::wstring start = L"We want to rename printers now\n";
  for (const auto& [call, status] : failures) {
    SCOPED_TRACE(call);
    Reset();
    server->wmi.AddPrinter(L"HP (redirected 3)");
    for (int i = 0; i < 3; ++i) server->wmi.FailCall(call, 1, status);
    Printers printers(server->ports);
    EXPECT_FALSE(printers.IsConnected());
    // A locator that connected nowhere is not kept.
    EXPECT_EQ(server->wmi.releases.size(), std::string(call) == "ConnectServer" ? 1u : 0u);
    printers.RunRenamePass();
    printers.RunRenamePass();
    const std::wstring failed =
        status == hresult::kOutOfMemory
            ? L"Ran out of memory while connecting to WMI; the next pass tries again\n" + start +
                  L"Ran out of memory, so this rename pass ends here\n" + start +
                  L"Ran out of memory, so this rename pass ends here\n"
            : start + L"Could not connect to WMI.  hr: 0x" +
                  (status == hresult::kFalse ? L"80004005" : HexOf(status)) +
                  L"; every pass tries again\n" + start;
    EXPECT_EQ(log.Text(), failed);
    log.Clear();
    printers.RunRenamePass();
    EXPECT_TRUE(printers.IsConnected());
    EXPECT_TRUE(log.Text().starts_with(start + L"Connected to WMI\nPrinter query is ")) << log.Text();
    EXPECT_EQ(printers.RenamedBySession()[3], Names{L"HP for alice"});
  }
}

// Past WMI's query length the exclusions that do not fit are applied by the
// pass itself: a printer they name is passed over unseen, and the others
// are handled as usual.
TEST_F(PrintersTest, ExclusionsPastTheQueryLimitAreAppliedByThePass) {
  for (int i = 0; i < 160; ++i)
    settings().DoNotRenList.push_back(std::wstring(100, static_cast<wchar_t>(L'a' + i % 26)) +
                                      std::to_wstring(i));
  server->wmi.AddPrinter(L"Faxed (redirected 3)", settings().DoNotRenList.back());
  server->wmi.AddPrinter(L"Kept (redirected 3)");
  Printers printers(server->ports);
  printers.RunRenamePass();
  EXPECT_EQ(server->wmi.printers.Names(), (Names{L"Faxed (redirected 3)", L"Kept for alice"}));
  EXPECT_FALSE(log.Contains(L"Have current name Faxed (redirected 3)\n"));
  // The renamed printer's name no longer fits either: the next pass lists
  // it and passes over it without a word.
  log.Clear();
  printers.RunRenamePass();
  const std::wstring text = log.Text();
  EXPECT_TRUE(text.find(L"leaves out 1 printer names and ") != std::wstring::npos) << text;
  EXPECT_TRUE(text.ends_with(L"Query succeeded, going to start iterating printers\n" + kDone));
  ASSERT_EQ(server->wmi.queries.size(), 2u);
  for (const std::wstring& query : server->wmi.queries) EXPECT_LT(query.size(), kMaxQueryChars);
}

// Every listed printer is handled whatever the batch boundaries (a full
// batch is always followed by another Next), the rename method is fetched
// once per pass, and the services go before the locator.
TEST_F(PrintersTest, HandlesEveryBatch) {
  struct Case {
    size_t printers;
    int nextCalls;
  };
  for (const Case& c : {Case{0, 1}, Case{9, 1}, Case{10, 2}, Case{25, 3}}) {
    SCOPED_TRACE(c.printers);
    Reset();
    AddRedirected(c.printers);
    {
      Printers printers(server->ports);
      printers.RunRenamePass();
      EXPECT_EQ(printers.RenamedBySession()[3].size(), c.printers);
    }
    const FakeWmi& wmi = server->wmi;
    EXPECT_EQ(std::tuple(wmi.lastQueryFlags, wmi.lastNextTimeout, wmi.lastNextCount),
              std::tuple(0x120, -1, 10u));
    EXPECT_EQ(wmi.CallCount("Next"), c.nextCalls);
    EXPECT_EQ(wmi.CallCount("GetObject") + wmi.CallCount("GetMethod"), c.printers ? 2 : 0);
    EXPECT_EQ(wmi.releases, (std::vector<std::string>{"Services", "Locator"}));
  }
}

// A failed enumeration keeps what was handled; running out of memory ends
// the pass, not the service. Either way the next pass starts afresh.
TEST_F(PrintersTest, AFailedPassKeepsWhatWasHandled) {
  const std::wstring oom = L"Ran out of memory, so this rename pass ends here\n";
  struct Case {
    const char* call;
    int occurrence;
    HResult status;
    size_t renamed;
    std::wstring last;
  };
  const Case cases[] = {
      {"ExecQuery", 1, hresult::kFail, 0, kDone},  {"Next", 1, hresult::kFail, 0, kDone},
      {"Next", 2, hresult::kFail, 10, kDone},      {"ExecQuery", 1, hresult::kOutOfMemory, 0, oom},
      {"Next", 2, hresult::kOutOfMemory, 10, oom}, {"ExecMethod", 3, hresult::kOutOfMemory, 2, oom},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    Reset();
    AddRedirected(15);
    Printers printers(server->ports);
    server->wmi.FailCall(c.call, c.occurrence, c.status);
    EXPECT_NO_THROW(printers.RunRenamePass());
    EXPECT_EQ(printers.RenamedBySession()[3].size(), c.renamed);
    EXPECT_EQ(log.messages().back(), c.last);
    EXPECT_EQ(log.Contains(L"Query succeeded, going to start iterating printers\n"),
              std::string(c.call) != "ExecQuery");
    printers.RunRenamePass();
    EXPECT_EQ(printers.RenamedBySession()[3].size(), 15u);
    // A refused query may mean a restarted WMI: the next pass reconnects.
    EXPECT_EQ(server->wmi.CallCount("ConnectServer"),
              std::string(c.call) == "ExecQuery" && c.status != hresult::kOutOfMemory ? 2 : 1);
  }
}

// Names given stay excluded, sessions in ascending order and each session's
// names in the order given, until the session is forgotten.
TEST_F(PrintersTest, ExcludesEveryNameGivenUntilTheSessionIsForgotten) {
  server->AddUser(10, L"o'brien", L"PC10", L"S-1-5-21-100-200-300-1010");
  server->wmi.AddPrinter(L"Tenth (redirected 10)");
  server->wmi.AddPrinter(L"Beta (redirected 3)");
  server->wmi.AddPrinter(L"Alpha (redirected 3)");
  server->wmi.AddPrinter(L"Faxed (redirected 3)", L"Fax");
  server->wmi.AddPrinter(L"Local (redirected 3)", L"Generic", L"USB001");
  settings().OnlyRenTS = true;
  settings().DoNotRenList = {L"Fax", L"Zeta"};
  Printers printers(server->ports);
  printers.RunRenamePass();
  EXPECT_EQ(server->wmi.printers.Names(),
            (Names{L"Tenth for o'brien", L"Beta for alice", L"Alpha for alice",
                   L"Faxed (redirected 3)", L"Local (redirected 3)"}));
  EXPECT_EQ(printers.BuildPrinterQuery(),
            kHead +
                L"TS%' AND DriverName != 'Fax' AND DriverName != 'Zeta' AND DeviceID != 'Beta for "
                L"alice' AND DeviceID != 'Alpha for alice' AND DeviceID != 'Tenth for o\\'brien'");
  EXPECT_EQ(Pass(printers), kDone);  // nothing listed

  log.Clear();
  printers.ForgetSession(3);
  printers.ForgetSession(3);
  printers.ForgetSession(42);
  EXPECT_EQ(log.Text(),
            L"Clearing printers for the session: 3\nClearing printers for the session: 3\n"
            L"Clearing printers for the session: 42\n");
  EXPECT_EQ(printers.RenamedBySession(), (std::map<uint32_t, Names>{{10, {L"Tenth for o'brien"}}}));
  // Listed again, and left alone now that they have no parentheses.
  EXPECT_EQ(Pass(printers),
            L"Have current name Beta for alice\nThere was no paren in the current name (\"Beta for "
            L"alice\"), so we're bailing\nHave current name Alpha for alice\nThere was no paren "
            L"in the current name (\"Alpha for alice\"), so we're bailing\n" +
                kDone);
}

}  // namespace
}  // namespace vantrel::testing
