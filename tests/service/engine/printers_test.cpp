// The engine over a fake terminal server with sessions 3 (alice at CLIENT7)
// and 5 (bob at HOST5), the log recorded: its passes, and the rename of one
// printer.
#include "service/engine/printers.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "service/engine/preview_json.h"
#include "service/engine/printer_query.h"
#include "service/engine/read_only_ports.h"
#include "service/engine/rename_pass.h"
#include "settings/settings.h"
#include "tests/fakes/fake_terminal_server.h"
#include "tests/fakes/recording_log_sink.h"
#include "tests/fakes/spooler_contract.h"

namespace vantrel::testing {
namespace {

const std::wstring kAliceSid = L"S-1-5-21-100-200-300-1001";
const std::wstring kBobSid = L"S-1-5-21-100-200-300-1002";
const std::wstring kStart = L"We want to rename printers now\n";
const std::wstring kListing = L"Query succeeded, going to start iterating printers\n";
const std::wstring kDone = L"All done renaming printers\n";
const std::wstring kOutOfMemory = L"Ran out of memory, so this rename pass ends here\n";
const std::wstring kHp3 = L"HP LaserJet (redirected 3)";
const std::wstring kHpAlice = L"HP LaserJet for alice";
const std::wstring kSuffixed = kHpAlice + L" - Duplicate";
const std::wstring kCanon5 = L"Canon (redirected 5)";
const std::wstring kCanonBob = L"Canon for bob";
const Status kFail(hresult::kFail);
using Names = std::vector<std::wstring>;
using Given = std::map<uint32_t, Names>;

class PrintersTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { ResetSettingsForTesting(); }

  // Fresh fakes, settings and log, for the test or for one of its cases.
  void Reset() {
    ResetSettingsForTesting();
    SetSettingsRegistry(nullptr);
    settings().NamingFormat = L"%printername% for %username%";
    settings().StripParens = false;
    settings().AppendToDuplicates = L" - Duplicate";
    server = std::make_unique<FakeTerminalServer>();
    server->AddUser(3, L"alice", L"CLIENT7", kAliceSid);
    server->AddUser(5, L"bob", L"HOST5", kBobSid);
    log.Clear();
  }
  static Settings& settings() { return GetSettings(); }

  // Runs a pass and returns its log after the opening lines, checked here.
  std::wstring Pass(Printers& printers) {
    const std::wstring start =
        kStart + L"Printer query is " + printers.NextQueryText() + L"\n" + kListing;
    log.Clear();
    printers.RunRenamePass();
    const std::wstring text = log.Text();
    EXPECT_EQ(text.substr(0, start.size()), start);
    return text.rfind(start, 0) == 0 ? text.substr(start.size()) : text;
  }

  // Another printer holds alice's name; its driver is excluded, so it is
  // not listed. Without the spooler's redirected mark it is one of the
  // server's own, whatever its port.
  std::function<void()> Clash(bool deleting, std::function<void()> more = nullptr,
                              uint32_t attributes = kPrinterAttributeTs) {
    return [this, deleting, more, attributes] {
      settings().DoNotRenList = {L"Holder"};
      settings().DeleteDuplicates = deleting;
      server->wmi.printers.Add({kHpAlice, L"Holder", L"TS009", attributes});
      if (more) more();
    };
  }
  std::function<void()> FailRename(int occurrence, RenameResult::Step step, Status status,
                                   int32_t returnValue = 0) {
    return [=, this] { server->wmi.FailRename(occurrence, {step, status, returnValue}); };
  }
  // A pass over fresh fakes set up by `arrange`, then alice's and bob's
  // printers: its log after the opening lines, the printers it leaves and
  // the names it records.
  std::wstring Run(const std::function<void()>& arrange, const Names& printers = {kHp3, kCanon5}) {
    Reset();
    if (arrange) arrange();
    for (const std::wstring& name : printers) server->wmi.AddPrinter(name);
    Printers engine(server->ports);
    const std::wstring text = Pass(engine);
    given = engine.RenamedBySession();
    return text;
  }
  Names After() const { return server->wmi.printers.Names(); }

  RecordedLog log;
  std::unique_ptr<FakeTerminalServer> server;
  Given given;
};

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
    const bool oom = status == hresult::kOutOfMemory;
    EXPECT_EQ(log.events(), oom ? Names{} : Names{L"1200 0x80041003"});
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
    EXPECT_EQ(log.events().front(), oom ? L"1100 HP (redirected 3)|HP for alice|alice|3" : L"1201");
  }
}

// A refused query or a listing that stopped answering may mean a restarted
// or stuck WMI: the pass keeps what it handled, says so, and the next pass
// connects afresh and finishes the work.
TEST_F(PrintersTest, AFailedListingReconnectsAtTheNextPass) {
  const std::wstring stuck =
      L"Could not read on in the printer list.  hr: 0x80041069; the next pass connects again\n";
  for (const auto& [call, status, renamed] : {std::tuple("ListPrinters", hresult::kFail, 0u),
                                              std::tuple("Next", hresult::kWbemTimedOut, 2u)}) {
    SCOPED_TRACE(call);
    Reset();
    for (int i = 0; i < 5; ++i)
      server->wmi.AddPrinter(L"P" + std::to_wstring(i) + L" (redirected 3)");
    Printers printers(server->ports);
    server->wmi.FailCall(call, renamed + 1, Status(status));
    printers.RunRenamePass();
    EXPECT_EQ(printers.RenamedBySession()[3].size(), renamed);
    EXPECT_EQ(log.Contains(stuck), renamed > 0);
    printers.RunRenamePass();
    EXPECT_EQ(printers.RenamedBySession()[3].size(), 5u);
    EXPECT_EQ(server->wmi.CallCount("Connect"), 2);
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
  // One more exclusion applied here: the Event Log hears of the new count
  // only.
  ASSERT_EQ(log.events().size(), 1u);
  EXPECT_TRUE(log.events()[0].starts_with(L"1203 ")) << log.events()[0];
  log.Clear();
  printers.RunRenamePass();
  EXPECT_EQ(log.events(), Names{});
  for (const std::wstring& query : server->wmi.queries) EXPECT_LT(query.size(), kMaxQueryChars);
}

// Names given stay excluded, sessions in ascending order and each
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
                        L"Xerox (redirected 3)", L"Office (redirected 8)", L"Plain\nPrinter"};
  for (const std::wstring& name : listed) server->wmi.AddPrinter(name);
  const Names before = server->wmi.printers.Names();

  ReadOnlyWmi wmi(server->wmi);
  ReadOnlySpooler spooler(server->spooler);
  NoRegistryAccess registry;
  NoBroadcast broadcaster;
  Printers preview({wmi, *server, *server, spooler, registry, broadcaster});
  const PreviewReport report = preview.Preview();
  EXPECT_EQ(FormatPreview(report),
            (Names{L"No settings are stored (HKEY_LOCAL_MACHINE\\Software\\Orlenk "
                   L"Technologies\\Vantrel does not exist), so the defaults apply",
                   L"Printer query is " + preview.NextQueryText(),
                   L"HP LaserJet (redirected 3) -> HP LaserJet for alice",
                   L"Canon (redirected 5) -> Canon for bob (the other redirected printer of that "
                   L"name would be deleted)",
                   L"Xerox (redirected 3): left alone (Xerox for alice is held by a printer that "
                   L"is not redirected, which is never deleted)",
                   L"Office (redirected 8): left alone (no user in session 8)",
                   L"Plain\\nPrinter: left alone (no session found in its name)", L"5 printers"}));
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

// A second engine over the same printers stands for a restart: a name the
// first gave reads as no session's, though session 42 exists.
TEST_F(PrintersTest, ARestartRenamesNoNameItGave) {
  server->AddUser(7, L"student42", L"PC7", L"S-1-5-21-100-200-300-1007");
  server->AddUser(42, L"mallory", L"PC42", L"S-1-5-21-100-200-300-1042");
  settings().NamingFormat = L"%printername% On %username%";
  server->wmi.AddPrinter(L"HP (Color) (redirected 7)");
  for (int run = 0; run < 2; ++run) {
    Printers(server->ports).RunRenamePass();
    EXPECT_EQ(After(), Names{L"HP (Color) On student42"});
  }
}

// The preview only opens the settings for reading: a missing key means the
// defaults and stays missing, a policy value shows and applies, a key it
// may not read ends it (the program then exits 1).
TEST_F(PrintersTest, PreviewReadsTheSettingsReadOnlyAndStopsWhenItCannot) {
  server->wmi.AddPrinter(kHp3);
  for (const bool denied : {false, true}) {
    FakeRegistry registry;
    registry.SetString(RegistryRoot::kLocalMachine, kPolicyKeyPath, L"NamingFormat",
                       L"%username%'s %printername%");
    if (denied) registry.DenyOpen(RegistryRoot::kLocalMachine, kSettingsKeyPath);
    ResetSettingsForTesting();
    SetSettingsRegistry(&registry, SettingsAccess::kReadOnly);
    ReadOnlyWmi wmi(server->wmi);
    NoRegistryAccess hives;
    NoBroadcast broadcaster;
    Printers preview({wmi, *server, *server, server->spooler, hives, broadcaster});
    const Names lines = FormatPreview(preview.Preview());
    SetSettingsRegistry(nullptr);
    if (denied) {
      EXPECT_EQ(lines.at(0),
                L"Cannot read HKEY_LOCAL_MACHINE\\Software\\Orlenk Technologies\\Vantrel "
                L"(error 5), so the settings the service uses are unknown and "
                L"nothing is previewed");
      continue;
    }
    EXPECT_EQ(lines.at(0),
              L"No settings are stored (HKEY_LOCAL_MACHINE\\Software\\Orlenk "
              L"Technologies\\Vantrel does not exist), so the defaults apply");
    EXPECT_EQ(lines.at(1), L"NamingFormat comes from Group Policy");
    EXPECT_EQ(lines.at(3), kHp3 + L" -> alice's HP LaserJet");
    EXPECT_EQ(registry.Walk(RegistryRoot::kLocalMachine, kSettingsKeyPath, false), nullptr);
  }
}

// The JSON form names every decision in words a script can rely on, nulls
// what is absent, and keeps a hostile name inside its one string.
TEST(PreviewJsonTest, OneDocumentWithHostileNamesEscaped) {
  PreviewReport report;
  report.query = L"SELECT DeviceID FROM Win32_Printer";
  report.settingsStored = false;
  report.policyValues = kNamingFormatValue.bit | kStripParensValue.bit;
  report.ignoredPolicyValues = kOnlyRenTSValue.bit;
  report.entries.resize(3);
  const wchar_t* names[] = {L"HP (redirected 3)", L"Xerox (redirected 3)",
                            L"a\"b\\c\r\n\x01\xD800 (x)"};
  for (size_t i = 0; i < 3; ++i) report.entries[i].currentName = names[i];
  for (size_t i = 0; i < 2; ++i) report.entries[i].decision.verdict = RenameDecision::kRename;
  report.entries[0].clash = PreviewEntry::kDeletesHolder;
  report.entries[0].finalName = L"HP for alice";
  report.entries[1].decision.newName = L"Xerox for alice";
  report.entries[1].clash = PreviewEntry::kHolderKept;
  EXPECT_EQ(
      FormatPreviewJson(report),
      LR"js({"query":"SELECT DeviceID FROM Win32_Printer","printers":[)js"
      LR"js({"currentName":"HP (redirected 3)","verdict":"rename","newName":"HP for alice",)js"
      LR"js("clash":"deletesHolder","reason":null},)js"
      LR"js({"currentName":"Xerox (redirected 3)","verdict":"nameTaken","newName":null,)js"
      LR"js("clash":"holderKept","reason":"Xerox for alice is held by a printer that is not )js"
      LR"js(redirected, which is never deleted"},)js"
      LR"js({"currentName":"a\"b\\c\r\n\u0001\ud800 (x)","verdict":"noSession",)js"
      LR"js("newName":null,"clash":"none","reason":"no session found in its name"}],)js"
      LR"js("policyValues":["NamingFormat","StripParens"],"ignoredPolicyValues":["OnlyRenTS"],)js"
      LR"js("settingsStored":false,"failure":null,"count":3})js");
}

// The Event Log hears of a printer left alone once per name and session
// (again once the session was forgotten), of an unusable pattern once, and
// nothing of a pass that changes nothing. Names are escaped.
TEST_F(PrintersTest, EventsDoNotFlood) {
  server->AddUser(8, L"", L"", L"");
  server->wmi.AddPrinter(L"Office\n(redirected 8)");
  settings().OnlyUseRegex = true;
  settings().RenameRegex = L"(";
  Printers printers(server->ports);
  printers.RunRenamePass();
  printers.RunRenamePass();
  ASSERT_EQ(log.events().size(), 1u);
  EXPECT_TRUE(log.events()[0].starts_with(L"1202 (|")) << log.events()[0];
  settings().RenameRegex = L"redirected";
  const std::wstring leftAlone = L"1102 Office\\n(redirected 8)|no user in session 8";
  for (int pass = 0; pass < 2; ++pass) printers.RunRenamePass();
  printers.ForgetSession(3);
  printers.RunRenamePass();
  printers.ForgetSession(8);
  printers.RunRenamePass();
  EXPECT_EQ(log.events(), (Names{log.events()[0], leftAlone, leftAlone}));
}

TEST(SpoolerContract, FakeSpooler) {
  FakePrinterTable printers;
  FakeSpooler spooler(printers);
  ExpectSpoolerContract(spooler,
                        [&](const std::wstring& name, const wchar_t* port, uint32_t attributes) {
                          printers.Add({name, L"Remote Desktop Easy Print", port, attributes});
                        });
}

using RenamePassTest = PrintersTest;

// The whole log of a rename through a deleted clash, once; the other cases
// check the line that tells them apart.
TEST_F(RenamePassTest, LogsEveryStepOfARename) {
  auto prelude = [](int session, const std::wstring& current, const std::wstring& newName) {
    const std::wstring user = session == 3 ? L"alice" : L"bob";
    const std::wstring client = session == 3 ? L"CLIENT7" : L"HOST5";
    const std::wstring sid = session == 3 ? kAliceSid : kBobSid;
    return L"Have current name " + current +
           L"\nChecked whether the session id was valid, and it was\nThe printer named " + current +
           L" should be renamed " + newName + L" for session " + std::to_wstring(session) +
           L"\nGoing to rename this printer to " + newName + L" for user " + client + L"\\" + user +
           L" on host " + client + L"\nThe username VANTREL\\" + user +
           L" corresponds to the SID " + sid + L"\nThe SID for that user is " + sid + L"\n";
  };
  auto registered = [](const std::wstring& sid, const std::wstring& name) {
    return L"Registering the default printer for " + sid + L" to " + name +
           L"\nFailed to open the registry key 2\n";  // the user's hive is not loaded
  };
  EXPECT_EQ(Run(Clash(true)),
            prelude(3, kHp3, kHpAlice) + L"Failed to rename the printer named " + kHp3 +
                L" because of return value 1802\nName already exists, deleting the old printer\n"
                L"Deleting the printer named " +
                kHpAlice +
                L"\nWas able to open the printer\nThe call to DeletePrinter returned 1 with "
                L"error code 0\nDeleted the old printer, renaming it too\nSuccessfully renamed "
                L"the printer after the deletion\n" +
                registered(kAliceSid, kHpAlice) + prelude(5, kCanon5, kCanonBob) +
                L"Successfully renamed the printer\n" + registered(kBobSid, kCanonBob) + kDone);
  EXPECT_EQ(After(), (Names{kHpAlice, kCanonBob}));
  EXPECT_EQ(given, (Given{{3, {kHpAlice}}, {5, {kCanonBob}}}));
  EXPECT_EQ(log.events(),
            (Names{L"1101 " + kHpAlice + L"|3", L"1100 " + kHp3 + L"|" + kHpAlice + L"|alice|3",
                   L"1100 " + kCanon5 + L"|" + kCanonBob + L"|bob|5"}));
  // A TS port is one in any case.
  for (const wchar_t* port : {L"ts009", L"Ts009"}) {
    Run(Clash(true, [this, port] {
      server->wmi.printers.Remove(kHpAlice);
      server->wmi.printers.Add({kHpAlice, L"Holder", port, kPrinterAttributeTs});
    }));
    EXPECT_EQ(After(), (Names{kHpAlice, kCanonBob})) << port;
  }
}

TEST_F(RenamePassTest, FollowsTheSettings) {
  const std::wstring from3 = L"HP LaserJet (from CLIENT7) in session 3";
  std::wstring log = Run([] { settings().OnlyUseRegex = true; }, {from3, kCanon5});
  EXPECT_NE(log.find(L"\nWe are using regular expressions to determine whether " + kCanon5 +
                     L" matches in [Ss]ession [0-9]+\nThis printer is not of interest to us, so "
                     L"skipping to the next printer\n"),
            std::wstring::npos);
  EXPECT_EQ(After(), (Names{kHpAlice, kCanon5}));

  // Reported once, and nothing is of interest.
  log = Run([] {
    settings().OnlyUseRegex = true;
    settings().RenameRegex = L"(";
  });
  const std::wstring compile = L"The regular expression ( could not be compiled (";
  EXPECT_NE(log.find(compile), std::wstring::npos);
  EXPECT_EQ(log.find(compile), log.rfind(compile));
  EXPECT_EQ(After(), (Names{kHp3, kCanon5}));

  // Trimmed and suffixed, the name would read as session 2's once listed
  // again, so it is not given.
  log = Run(Clash(false, [] { settings().AppendToDuplicates = L"\t(2)  "; }), {kHp3});
  EXPECT_NE(log.find(L"The name " + kHpAlice +
                     L" (2) cannot be given to a printer (it would read as session 2's printer)"),
            std::wstring::npos);
  EXPECT_EQ(After(), (Names{kHpAlice, kHp3}));
}

// A failed step leaves the printer for a later pass and records no name
// for it; the pass goes on with bob's. An unreadable result may hide a
// rename that happened; the printer is then listed again. (A failing call
// as such is the fault sweep's; these are the answers it cannot give.)
TEST_F(RenamePassTest, AFailureSkipsOnlyThatPrinter) {
  struct Case {
    std::function<void()> arrange;
    std::wstring line;  // the one that tells the case apart ("": none)
    Names after;
    std::wstring event = L"";  // the Event Log's word on alice's printer ("": none)
  };
  const std::wstring noAccount = L"1102 " + kHp3 + L"|no account found for the user alice";
  const Case cases[] = {
      {FailRename(1, RenameResult::kReadResult, kFail), L"", {kHpAlice, kCanonBob}},
      // No account, so no SID: nothing to make her default either. Nor is a
      // bare name looked up when the session names no domain.
      {[this] { server->AddUser(3, L"alice", L"CLIENT7", L""); },
       L"",
       {kHp3, kCanonBob},
       noAccount},
      {[this] { server->sessions[0].domain.clear(); },
       L"No domain is known for the user alice, so no account is looked up\n",
       {kHp3, kCanonBob},
       noAccount},
      {FailRename(1, RenameResult::kPrepare, Status(hresult::kWbemNotFound)),
       L"Could not prepare the parameters of the rename method.  hr: 0x80041002\n",
       {kHp3, kCanonBob}},
      {Clash(true, nullptr, 0),
       L"The printer named " + kHpAlice +
           L" is not a redirected printer on a TS port, so it is not deleted\n",
       {kHpAlice, kHp3, kCanonBob},
       L"1102 " + kHp3 + L"|" + kHpAlice +
           L" is held by a printer that is not redirected, which is never deleted"},
      {Clash(true, FailRename(2, RenameResult::kDone, Status::Ok(), 5)),
       L"Failed to rename the printer after deletion because of error 5\n",
       {kHp3, kCanonBob},
       L"1101 " + kHpAlice + L"|3"},
      // The suffixed rename is checked like the first: a name the printer
      // does not bear is neither recorded nor made anyone's default.
      {Clash(false, [this] { server->wmi.AddPrinter(kSuffixed, L"Holder", L"USB002"); }),
       L"Failed to rename the printer to " + kSuffixed + L" because of return value 1802\n",
       {kHpAlice, kSuffixed, kHp3, kCanonBob}},
      {Clash(false, FailRename(2, RenameResult::kReadResult, kFail)),
       L"Could not read the result of the rename to " + kSuffixed + L"\n",
       {kHpAlice, kSuffixed, kCanonBob}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    const std::wstring log = Run(c.arrange);
    EXPECT_NE(log.find(c.line + L"Have current name " + kCanon5), std::wstring::npos) << log;
    EXPECT_EQ(After(), c.after);
    EXPECT_EQ(given, (Given{{5, {kCanonBob}}}));
    Names events = {L"1100 " + kCanon5 + L"|" + kCanonBob + L"|bob|5"};
    if (!c.event.empty()) events.insert(events.begin(), c.event);
    EXPECT_EQ(this->log.events(), events);
  }
}

// A name the spooler would refuse, or a session without a user, leaves the
// printer as it is before anything is asked of WMI, the spooler or a hive:
// a refused rename would otherwise pass for a clash.
TEST_F(RenamePassTest, LeavesAloneWhatCouldNotBeAPrinterName) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      // format, then why
      {L"", L"The name  cannot be given to a printer (it is empty)"},
      {L"%printername%, %username%",
       L"The name HP LaserJet, alice cannot be given to a printer (it contains a comma)"},
      {L"%clientname%\\%username%",
       L"The name CLIENT7\\alice cannot be given to a printer (it contains a backslash)"},
      {L"%printername% (%clientname%)",
       L"The name HP LaserJet (CLIENT7) cannot be given to a printer (it would read as session 7's "
       L"printer)"},
      {L"no user", L"No user is known for session 8"},
  };
  for (const auto& [format, why] : cases) {
    SCOPED_TRACE(::testing::PrintToString(format));
    const std::wstring printer = format == L"no user" ? L"HP (redirected 8)" : kHp3;
    const std::wstring log = Run(
        [&] {
          settings().NamingFormat = format;
          server->AddUser(8, L"", L"", L"");
        },
        {printer});
    EXPECT_TRUE(log.ends_with(L"\n" + why + L", so the printer is left as it is\n" + kDone))
        << ::testing::PrintToString(log);
    EXPECT_EQ(After(), Names{printer});
  }
}

// The client chooses its computer name, and one user may have two sessions:
// a name given to another session that still exists is never freed by
// deleting that session's printer. The account is the session's own
// domain's, never a local one of the same name.
TEST_F(RenamePassTest, NeverDeletesALiveSessionsPrinterNorTakesAnotherDomainsAccount) {
  settings().NamingFormat = L"%printername% On %clientname%";
  settings().DeleteDuplicates = true;
  server->AddUser(3, L"alice", L"WS-BOB", kAliceSid);
  server->sessions.back().domain = L"CORP";
  server->AddUser(5, L"bob", L"WS-BOB", kBobSid);
  server->AddUser(9, L"alice", L"SERVER", L"S-1-5-21-9-9-9-500");  // the local alice
  Printers printers(server->ports);
  server->wmi.AddPrinter(L"HP (redirected 5)");
  printers.RunRenamePass();
  server->wmi.AddPrinter(L"HP (redirected 3)");
  printers.RunRenamePass();
  EXPECT_EQ(After(), (Names{L"HP On WS-BOB", L"HP (redirected 3)"}));
  EXPECT_TRUE(
      log.Contains(L"The name HP On WS-BOB was given to session 5, which still exists, "
                   L"so its printer is not deleted and this printer is left as it is\n"));
  // Bob's session ended unnoticed: his name is free again.
  std::erase_if(server->sessions, [](const FakeSession& s) { return s.id == 5; });
  printers.RunRenamePass();
  EXPECT_EQ(After(), Names{L"HP On WS-BOB"});
  EXPECT_TRUE(log.Contains(L"The SID for that user is " + kAliceSid + L"\n"));
}

}  // namespace
}  // namespace vantrel::testing
