#include "service/engine/printers.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "service/engine/printer_query.h"
#include "service/engine/read_only_ports.h"
#include "tests/fakes/spooler_contract.h"
#include "tests/service/engine/printers_fixture.h"

namespace vantrel::testing {
namespace {

const std::wstring kStart = L"We want to rename printers now\n";
const std::wstring kListing = L"Query succeeded, going to start iterating printers\n";
const std::wstring kOutOfMemory = L"Ran out of memory, so this rename pass ends here\n";

// WMI may not answer yet when an auto-start service starts at boot: each
// pass tries again, and the failure is logged once, not at every tick.
TEST_F(PrintersTest, AnUnconnectedEngineConnectsAtALaterPass) {
  for (const int32_t status : {static_cast<int32_t>(0x80041003), hresult::kOutOfMemory}) {
    SCOPED_TRACE(status);
    Reset();
    server->wmi.AddPrinter(L"HP (redirected 3)");
    for (int i = 0; i < 3; ++i) server->wmi.FailCall("Connect", 1, Status(status));
    Printers printers(server->ports);
    EXPECT_FALSE(printers.IsConnected());
    printers.RunRenamePass();
    printers.RunRenamePass();
    EXPECT_EQ(log.Text(),
              status == hresult::kOutOfMemory
                  ? L"Ran out of memory while connecting to WMI; the next pass tries again\n" +
                        kStart + kOutOfMemory + kStart + kOutOfMemory
                  : kStart +
                        L"Could not connect to WMI.  hr: 0x80041003; every pass tries again\n" +
                        kStart);
    log.Clear();
    printers.RunRenamePass();
    EXPECT_TRUE(log.Text().starts_with(kStart + L"Connected to WMI\nPrinter query is "))
        << log.Text();
    EXPECT_EQ(printers.RenamedBySession()[3], Names{L"HP for alice"});
  }
}

// A broken listing keeps what was handled; running out of memory ends the
// pass, not the service. A refused query may mean a restarted WMI: the next
// pass reconnects. Either way the next pass finishes the work.
TEST_F(PrintersTest, AFailedPassKeepsWhatWasHandled) {
  struct Case {
    const char* call;
    int occurrence;
    int32_t status;
    size_t renamed;
    int connects;
  };
  const Case cases[] = {
      {"ListPrinters", 1, hresult::kFail, 0, 2},        {"Next", 3, hresult::kFail, 2, 1},
      {"ListPrinters", 1, hresult::kOutOfMemory, 0, 1}, {"Next", 3, hresult::kOutOfMemory, 2, 1},
      {"Rename", 3, hresult::kOutOfMemory, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.call << " " << c.status);
    Reset();
    for (int i = 0; i < 5; ++i)
      server->wmi.AddPrinter(L"P" + std::to_wstring(i) + L" (redirected 3)");
    Printers printers(server->ports);
    server->wmi.FailCall(c.call, c.occurrence, Status(c.status));
    printers.RunRenamePass();
    EXPECT_EQ(printers.RenamedBySession()[3].size(), c.renamed);
    EXPECT_EQ(log.messages().back(), c.status == hresult::kOutOfMemory ? kOutOfMemory : kDone);
    EXPECT_EQ(log.Contains(kListing), std::string(c.call) != "ListPrinters");
    printers.RunRenamePass();
    EXPECT_EQ(printers.RenamedBySession()[3].size(), 5u);
    EXPECT_EQ(server->wmi.CallCount("Connect"), c.connects);
  }
}

// Past WMI's query length the exclusions that do not fit are applied by the
// pass itself: a printer they name is passed over unseen.
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
  EXPECT_TRUE(log.Text().find(L"leaves out 1 printer names and ") != std::wstring::npos);
  EXPECT_TRUE(log.Text().ends_with(kListing + kDone));
  for (const std::wstring& query : server->wmi.queries) EXPECT_LT(query.size(), kMaxQueryChars);
}

// Names given stay excluded (escaped), sessions in ascending order and each
// session's names in the order given, until the session is forgotten.
TEST_F(PrintersTest, ExcludesEveryNameGivenUntilTheSessionIsForgotten) {
  server->AddUser(10, L"o'brien", L"PC10", L"S-1-5-21-100-200-300-1010");
  server->wmi.AddPrinter(L"Tenth (redirected 10)");
  server->wmi.AddPrinter(L"Beta (redirected 3)");
  server->wmi.AddPrinter(L"Alpha (redirected 3)");
  server->wmi.AddPrinter(L"Faxed (redirected 3)", L"Fax");
  server->wmi.AddPrinter(L"Local (redirected 3)", L"Generic", L"USB001");
  settings().OnlyRenTS = true;
  settings().DoNotRenList = {L"Fax", L"Z\\eta"};
  Printers printers(server->ports);
  printers.RunRenamePass();
  EXPECT_EQ(server->wmi.printers.Names(),
            (Names{L"Tenth for o'brien", L"Beta for alice", L"Alpha for alice",
                   L"Faxed (redirected 3)", L"Local (redirected 3)"}));
  EXPECT_EQ(
      printers.BuildPrinterQuery(),
      L"SELECT __PATH, DeviceID, Name, DriverName, PortName FROM Win32_Printer WHERE "
      L"PortName LIKE '%TS%' AND DriverName != 'Fax' AND DriverName != 'Z\\\\eta' AND DeviceID != "
      L"'Beta for alice' AND DeviceID != 'Alpha for alice' AND DeviceID != 'Tenth "
      L"for o\\'brien'");
  EXPECT_EQ(Pass(printers), kDone);  // nothing listed

  printers.ForgetSession(3);
  printers.ForgetSession(42);
  EXPECT_EQ(log.messages().back(), L"Clearing printers for the session: 42\n");
  EXPECT_EQ(printers.RenamedBySession(), (std::map<uint32_t, Names>{{10, {L"Tenth for o'brien"}}}));
  EXPECT_EQ(Pass(printers),  // listed again, and left alone without parentheses
            L"Have current name Beta for alice\nThere was no paren in the current name (\"Beta for "
            L"alice\"), so we're bailing\nHave current name Alpha for alice\nThere was no paren "
            L"in the current name (\"Alpha for alice\"), so we're bailing\n" +
                kDone);
}

// The preview reports the decisions a real pass then carries out, and over
// read-only ports even a full pass changes nothing.
TEST_F(PrintersTest, PreviewReportsWhatAPassThenDoesAndChangesNothing) {
  settings().DeleteDuplicates = true;
  settings().DoNotRenList = {L"Holder"};  // the holders are not listed
  server->AddUser(8, L"", L"", L"");
  server->wmi.AddPrinter(L"Canon for bob", L"Holder", L"TS009");
  server->wmi.AddPrinter(L"Xerox for alice", L"Holder", L"USB001");
  const Names listed = {L"HP LaserJet (redirected 3)", L"Canon (redirected 5)",
                        L"Xerox (redirected 3)", L"Office (redirected 8)", L"Plain Printer"};
  for (const std::wstring& name : listed) server->wmi.AddPrinter(name);
  const Names before = server->wmi.printers.Names();

  ReadOnlyWmi wmi(server->wmi);
  ReadOnlySpooler spooler(server->spooler);
  NoRegistryAccess registry;
  NoBroadcast broadcaster;
  Printers preview({wmi, *server, *server, spooler, registry, broadcaster});
  const PreviewReport report = preview.Preview();
  EXPECT_EQ(FormatPreview(report),
            (Names{L"Printer query is " + preview.BuildPrinterQuery(),
                   L"HP LaserJet (redirected 3) -> HP LaserJet for alice",
                   L"Canon (redirected 5) -> Canon for bob (the other redirected printer of that "
                   L"name would be deleted)",
                   L"Xerox (redirected 3): left alone (Xerox for alice is held by a printer that "
                   L"is not redirected, which is never deleted)",
                   L"Office (redirected 8): left alone (no user in session 8)",
                   L"Plain Printer: left alone (no session found in its name)", L"5 printers"}));
  preview.RunRenamePass();
  std::unique_ptr<PrinterHandle> holder;  // nor can a deletion, whatever is asked
  ASSERT_EQ(spooler.Open(L"Canon for bob", kPrinterAllAccess, &holder), Status::Ok());
  EXPECT_EQ(holder->Delete(), Status(win32_error::kAccessDenied));
  EXPECT_EQ(server->wmi.printers.Names(), before);
  EXPECT_TRUE(preview.RenamedBySession().empty());

  Printers engine(server->ports);
  engine.RunRenamePass();
  ASSERT_EQ(report.entries.size(), listed.size());
  for (const PreviewEntry& entry : report.entries) {
    const std::wstring& bears = entry.finalName.empty() ? entry.currentName : entry.finalName;
    EXPECT_NE(server->wmi.printers.Find(bears), nullptr) << bears;
  }
  EXPECT_EQ(server->wmi.printers.Names().size(), before.size() - 1);  // the deleted holder
}

TEST(SpoolerContract, FakeSpooler) {
  FakePrinterTable printers;
  FakeSpooler spooler(printers);
  ExpectSpoolerContract(spooler,
                        [&](const std::wstring& name, const wchar_t* port, uint32_t attributes) {
                          printers.Add({name, L"Remote Desktop Easy Print", port, attributes});
                        });
}

}  // namespace
}  // namespace vantrel::testing
