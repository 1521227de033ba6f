#include "service/engine/rename_pass.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "tests/service/engine/printers_fixture.h"

namespace vantrel::printers_test {
namespace {

using Lines = std::vector<std::wstring>;
using testing::kPrinterAlreadyExists;

const std::wstring kRedirected3 = L"HP LaserJet (redirected 3)";
const std::wstring kAliceName = L"HP LaserJet for alice";
const std::wstring kDone = L"All done renaming printers\n";

class RenamePassTest : public PrintersTest {
 protected:
  // Runs one pass and returns its transcript, with the opening lines
  // computed from the query the pass is about to send.
  Lines RunPass(Printers& printers, Lines* start = nullptr) {
    if (start) *start = PassStart(printers);
    printers.RunRenamePass();
    return TakeLog();
  }

  static Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) Append(all, part);
    return all;
  }
};

TEST_F(RenamePassTest, RenamesAtTheFirstAttempt) {
  wmi.AddPrinter(kRedirected3);
  auto printers = MakePrinters();
  Lines start;
  Lines log = RunPass(*printers, &start);

  EXPECT_EQ(log, Concat({start,
                         Prelude(kRedirected3, kAliceName, 3, L"alice", L"CLIENT7", kAliceSid),
                         {L"Successfully renamed the printer\n"},
                         NoHive(kAliceSid, kAliceName),
                         {kDone}}));
  EXPECT_EQ(wmi.PrinterNames(), Lines{kAliceName});
  EXPECT_EQ(printers->RenamedBySession().at(3), Lines{kAliceName});
}

TEST_F(RenamePassTest, RenamesBothRedirectedNameForms) {
  const std::wstring afterParens = L"HP LaserJet (from CLIENT7) in session 3";
  wmi.AddPrinter(afterParens);
  wmi.AddPrinter(L"Canon (redirected 5)");
  settings().NamingFormat = L"%printername% (%username% on %clientname%)";
  settings().StripParens = true;
  auto printers = MakePrinters();
  Lines start;
  Lines log = RunPass(*printers, &start);

  const std::wstring first = L"HP LaserJet alice on CLIENT7";
  EXPECT_EQ(
      log,
      Concat({start,
              Prelude(afterParens, first, 3, L"alice", L"CLIENT7", kAliceSid, L"was not"),
              {L"Successfully renamed the printer\n"},
              NoHive(kAliceSid, first),
              Prelude(L"Canon (redirected 5)", L"Canon bob on HOST5", 5, L"bob", L"HOST5", kBobSid),
              {L"Successfully renamed the printer\n"},
              NoHive(kBobSid, L"Canon bob on HOST5"),
              {kDone}}));
  EXPECT_EQ(wmi.PrinterNames(), (Lines{L"HP LaserJet alice on CLIENT7", L"Canon bob on HOST5"}));
}

// Printers composition cannot place are left as they are and listed again.
TEST_F(RenamePassTest, LeavesUnplaceablePrintersForTheNextPass) {
  wmi.AddPrinter(L"Office Laser");
  wmi.AddPrinter(L"HP (redirected 9)");
  auto printers = MakePrinters();
  Lines start;
  Lines log = RunPass(*printers, &start);
  EXPECT_EQ(log, Concat({start,
                         {L"Have current name Office Laser\n",
                          L"There was no paren in the current name (\"Office Laser\"), so we're "
                          L"bailing\n",
                          L"Have current name HP (redirected 9)\n",
                          L"Checked whether the session id was valid, and it was not\n",
                          L"We were entirely unable to find the session start or end location.  "
                          L"Start: 0xFFFFFFFF, End: 0xFFFFFFFF\n",
                          kDone}}));
  EXPECT_TRUE(printers->RenamedBySession().empty());
  EXPECT_EQ(wmi.CallCount("ExecMethod"), 0);
  EXPECT_EQ(RunPass(*printers), log);
}

TEST_F(RenamePassTest, AUserWithoutASidKeepsThePrinterName) {
  wts.AddSession(7, L"ghost", L"PC7");
  wmi.AddPrinter(L"HP (redirected 7)");
  auto printers = MakePrinters();
  Lines start;
  Lines log = RunPass(*printers, &start);
  EXPECT_EQ(log,
            Concat({start,
                    {L"Have current name HP (redirected 7)\n",
                     L"Checked whether the session id was valid, and it was\n",
                     L"The printer named HP (redirected 7) should be renamed HP for ghost for "
                     L"session 7\n",
                     L"Going to rename this printer to HP for ghost for user PC7\\ghost on "
                     L"host PC7\n",
                     L"Could not convert the username ghost to a SID.  Error: 1332\n", kDone}}));
  EXPECT_EQ(wmi.CallCount("ExecMethod"), 0);
  EXPECT_EQ(wmi.PrinterNames(), Lines{L"HP (redirected 7)"});
}

struct FilterCase {
  std::wstring pattern;
  std::wstring name;
  bool handled;
};

TEST_F(RenamePassTest, FiltersByTheRenamePattern) {
  const FilterCase cases[] = {
      {L"in [Ss]ession [0-9]+", L"HP (from C) in session 3", true},
      {L"in [Ss]ession [0-9]+", L"HP (from C) in Session 3", true},
      {L"in [Ss]ession [0-9]+", L"HP (redirected 3)", false},
      {L"in [Ss]ession [0-9]+", L"HP (from C) IN SESSION 3", false},
      {L"session", L"HP (from C) in session 3", true},  // a match anywhere will do
      {L"^redirected", L"HP (redirected 3)", false},
  };
  settings().OnlyUseRegex = true;
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
    wmi.printers.Clear();
    wmi.AddPrinter(c.name);
    settings().RenameRegex = c.pattern;
    auto printers = MakePrinters();
    Lines log = RunPass(*printers);
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[3], Line(L"Have current name %s\n", c.name));
    EXPECT_EQ(log[4], Line(L"We are using regular expressions to determine whether %s matches %s\n",
                           c.name, c.pattern));
    const std::wstring skipped =
        L"This printer is not of interest to us, so skipping to the next printer\n";
    EXPECT_EQ(log[5] == skipped, !c.handled);
    EXPECT_EQ(wmi.CallCount("ExecMethod") > 0, c.handled);
    wmi.ResetCounts();
  }
}

TEST_F(RenamePassTest, APatternThatDoesNotCompileSelectsNothing) {
  wmi.AddPrinter(L"HP (from C) in session 3");
  wmi.AddPrinter(L"Canon (from D) in session 5");
  settings().OnlyUseRegex = true;
  settings().RenameRegex = L"in [Ss]ession ([0-9]+";
  auto printers = MakePrinters();
  Lines log = RunPass(*printers);
  int compileErrors = 0;
  int skipped = 0;
  for (const std::wstring& line : log) {
    if (line.rfind(L"The regular expression in [Ss]ession ([0-9]+ could not be compiled", 0) == 0)
      ++compileErrors;
    if (line == L"This printer is not of interest to us, so skipping to the next printer\n")
      ++skipped;
  }
  EXPECT_EQ(compileErrors, 1);
  EXPECT_EQ(skipped, 2);
  EXPECT_EQ(log.back(), kDone);
  EXPECT_EQ(wmi.CallCount("ExecMethod"), 0);

  // Each pass says so once more, so a fixed pattern shows up in the log.
  log = RunPass(*printers);
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::wstring& l) {
                            return l.find(L"could not be compiled") != std::wstring::npos;
                          }),
            1);
}

// The printer holding the wanted name is not on a TS port, so only the
// redirected one is listed.
class ClashTest : public RenamePassTest {
 protected:
  void SetUp() override {
    RenamePassTest::SetUp();
    settings().OnlyRenTS = true;
    wmi.AddPrinter(kAliceName, L"Generic", L"USB001");
    wmi.AddPrinter(kRedirected3);
  }

  Lines UpToClash(const Lines& start) {
    return Concat({start,
                   Prelude(kRedirected3, kAliceName, 3, L"alice", L"CLIENT7", kAliceSid),
                   {Line(L"Failed to rename the printer named %s because of return value %d\n",
                         kRedirected3, kPrinterAlreadyExists)}});
  }
};

TEST_F(ClashTest, DeletesTheHolderAndRenamesAgain) {
  settings().DeleteDuplicates = true;
  auto printers = MakePrinters();
  Lines start;
  Lines log = RunPass(*printers, &start);
  EXPECT_EQ(log, Concat({UpToClash(start),
                         {L"Name already exists, deleting the old printer\n",
                          Line(L"Deleting the printer named %s\n", kAliceName),
                          L"Was able to open the printer\n",
                          L"The call to DeletePrinter returned 1 with error code 0\n",
                          L"Deleted the old printer, renaming it too\n",
                          L"Successfully renamed the printer after the deletion\n"},
                         NoHive(kAliceSid, kAliceName),
                         {kDone}}));
  EXPECT_EQ(wmi.printers.size(), 1u);
  EXPECT_EQ(wmi.printers[0].portName, L"TS001");
  EXPECT_EQ(wmi.printers[0].name, kAliceName);
  EXPECT_EQ(spooler.lastDesiredAccess, 0x000F000Cu);
  EXPECT_EQ(spooler.closeCalls, 1);
  EXPECT_EQ(printers->RenamedBySession().at(3), Lines{kAliceName});
}

struct DeleteFailure {
  const char* label;
  std::function<void(testing::FakeWmi&, testing::FakeSpooler&)> inject;
  Lines tail;
  size_t printersLeft;
};

TEST_F(ClashTest, AFailureAfterTheClashRecordsNothing) {
  settings().DeleteDuplicates = true;
  const DeleteFailure cases[] = {
      {"open fails",
       [](testing::FakeWmi&, testing::FakeSpooler& s) { s.FailOpen(1); },
       {L"Was unable to open the printer\n"},
       2},
      {"DeletePrinter fails",
       [](testing::FakeWmi&, testing::FakeSpooler& s) { s.FailDelete(1, 5); },
       {L"Was able to open the printer\n",
        L"The call to DeletePrinter returned 0 with error code 5\n"},
       2},
      {"second rename cannot run",
       [](testing::FakeWmi& w, testing::FakeSpooler&) {
         w.FailCall("ExecMethod", 2, hresult::kFail);
       },
       {L"Was able to open the printer\n",
        L"The call to DeletePrinter returned 1 with error code 0\n",
        L"Deleted the old printer, renaming it too\n",
        L"Could not execute the rename method after the deletion.  hr: 0x80004005\n"},
       1},
      {"second rename refused",
       [](testing::FakeWmi& w, testing::FakeSpooler&) { w.ForceReturnValue(2, 5); },
       {L"Was able to open the printer\n",
        L"The call to DeletePrinter returned 1 with error code 0\n",
        L"Deleted the old printer, renaming it too\n",
        L"Failed to rename the printer after deletion because of error 5\n"},
       1},
  };
  for (const DeleteFailure& c : cases) {
    SCOPED_TRACE(c.label);
    wmi.printers.Clear();
    wmi.AddPrinter(kAliceName, L"Generic", L"USB001");
    wmi.AddPrinter(kRedirected3);
    c.inject(wmi, spooler);
    auto printers = MakePrinters();
    Lines start;
    Lines log = RunPass(*printers, &start);
    Lines expected = UpToClash(start);
    Append(expected, {L"Name already exists, deleting the old printer\n",
                      Line(L"Deleting the printer named %s\n", kAliceName)});
    Append(expected, c.tail);
    expected.push_back(kDone);
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(printers->RenamedBySession().empty());
    EXPECT_EQ(wmi.printers.size(), c.printersLeft);
    EXPECT_NE(wmi.FindPrinter(kRedirected3), nullptr);
  }
}

struct AppendCase {
  std::wstring setting;
  std::wstring suffixed;
};

TEST_F(ClashTest, AppendsTheTrimmedSuffixWithOneBlank) {
  const AppendCase cases[] = {
      {L" - Duplicate", L"HP LaserJet for alice - Duplicate"},
      {L"\t(2)  ", L"HP LaserJet for alice (2)"},
      {L"", L"HP LaserJet for alice "},
      {L"   ", L"HP LaserJet for alice "},
  };
  for (const AppendCase& c : cases) {
    SCOPED_TRACE(std::string(c.setting.begin(), c.setting.end()));
    wmi.printers.Clear();
    wmi.AddPrinter(kAliceName, L"Generic", L"USB001");
    wmi.AddPrinter(kRedirected3);
    settings().AppendToDuplicates = c.setting;
    auto printers = MakePrinters();
    Lines start;
    Lines log = RunPass(*printers, &start);
    EXPECT_EQ(log, Concat({UpToClash(start),
                           {L"Going to append something to the name of the printer\n",
                            Line(L"Attempting to rename %s to %s\n", kAliceName, c.suffixed)},
                           NoHive(kAliceSid, c.suffixed),
                           {kDone}}));
    EXPECT_EQ(wmi.PrinterNames(), (Lines{kAliceName, c.suffixed}));
    EXPECT_EQ(printers->RenamedBySession().at(3), Lines{c.suffixed});
  }
}

// The suffixed rename is checked like the first: a name the printer does
// not bear is neither recorded nor made anyone's default.
TEST_F(ClashTest, AFailedAppendRecordsNothing) {
  struct Case {
    const char* label;
    std::function<void()> inject;
    std::wstring message;
    bool renamedAnyway = false;
  };
  const std::wstring suffixed = kAliceName + L" - Duplicate";
  const Case cases[] = {
      {"suffixed name taken too", [&] { wmi.AddPrinter(suffixed, L"Generic", L"USB002"); },
       Line(L"Failed to rename the printer to %s because of return value %d\n", suffixed,
            kPrinterAlreadyExists)},
      {"call fails", [&] { wmi.FailCall("ExecMethod", 2, hresult::kFail); },
       L"Could not execute the rename method with the appended name.  hr: 0x80004005\n"},
      {"no out-parameters", [&] { wmi.FailCall("ExecMethod", 2, hresult::kFalse); },
       L"Could not execute the rename method with the appended name.  hr: 0x1\n"},
      {"result unreadable", [&] { wmi.FailCall("Get:ReturnValue", 2, hresult::kFail); },
       Line(L"Could not read the result of the rename to %s\n", suffixed), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    wmi.printers.Clear();
    wmi.AddPrinter(kAliceName, L"Generic", L"USB001");
    wmi.AddPrinter(kRedirected3);
    c.inject();
    auto printers = MakePrinters();
    Lines start;
    Lines log = RunPass(*printers, &start);
    EXPECT_EQ(log, Concat({UpToClash(start),
                           {L"Going to append something to the name of the printer\n",
                            Line(L"Attempting to rename %s to %s\n", kAliceName, suffixed),
                            c.message, kDone}}));
    EXPECT_TRUE(printers->RenamedBySession().empty());
    EXPECT_EQ(wmi.FindPrinter(kRedirected3) == nullptr, c.renamedAnyway);
    EXPECT_TRUE(broadcaster.areas.empty());
  }
}

TEST_F(RenamePassTest, TheUsersDefaultPrinterFollowsTheNameGiven) {
  const std::wstring windowsKey =
      std::wstring(kAliceSid) + L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  const std::wstring device = L"hp laserjet for ALICE - duplicate,winspool,Ne00:";
  registry.SetString(RegistryRoot::kUsers, windowsKey, L"Device", device);
  registry.AddKey(RegistryRoot::kUsers, windowsKey + L"\\SessionDefaultDevices\\3");
  settings().OnlyRenTS = true;
  wmi.AddPrinter(kAliceName, L"Generic", L"USB001");
  wmi.AddPrinter(kRedirected3);
  auto printers = MakePrinters();
  printers->RunRenamePass();
  EXPECT_EQ(registry.GetString(RegistryRoot::kUsers, windowsKey + L"\\SessionDefaultDevices\\3",
                               L"Device"),
            device);
  EXPECT_EQ(broadcaster.areas, Lines{L"windows"});
}

struct CallFailure {
  const char* call;
  int occurrence;
  HResult status;
  std::wstring message;  // empty: the printer is skipped silently
  std::wstring nameAfter = kRedirected3;
  bool listed = true;  // false: dropped before its first message
};

// Whatever single call fails for the first printer, it is not recorded, and
// the pass goes on to rename the second. (An unreadable result may hide a
// rename that happened; the printer is then listed again.)
TEST_F(RenamePassTest, EachFailureSkipsOnlyThatPrinter) {
  const CallFailure cases[] = {
      {"ExecMethod", 1, hresult::kFail, L"Could not rename the printer.  hr: 0x80004005\n"},
      {"ExecMethod", 1, hresult::kFalse, L"Could not rename the printer.  hr: 0x1\n"},
      {"Get:ReturnValue", 1, hresult::kFail, L"", kAliceName},
      {"Get:DeviceID", 1, hresult::kFail, L"", kRedirected3, false},
      {"Get:__PATH", 1, hresult::kFail, L"Could not rename the printer.  hr: 0x8004103A\n"},
      {"GetObject", 1, hresult::kFail,
       L"Could not prepare the parameters of the rename method.  hr: 0x80004005\n"},
      {"GetMethod", 1, hresult::kWbemNotFound,
       L"Could not prepare the parameters of the rename method.  hr: 0x80041002\n"},
      {"SpawnInstance", 1, hresult::kFail,
       L"Could not prepare the parameters of the rename method.  hr: 0x80004005\n"},
      {"Put:NewPrinterName", 1, static_cast<HResult>(0x80041005),
       L"Could not prepare the parameters of the rename method.  hr: 0x80041005\n"},
  };
  for (const CallFailure& c : cases) {
    SCOPED_TRACE(c.call);
    wmi.printers.Clear();
    wmi.AddPrinter(kRedirected3);
    wmi.AddPrinter(L"Canon (redirected 5)");
    wmi.FailCall(c.call, c.occurrence, c.status);
    auto printers = MakePrinters();
    Lines start;
    Lines log = RunPass(*printers, &start);
    Lines expected = start;
    if (c.listed)
      Append(expected, Prelude(kRedirected3, kAliceName, 3, L"alice", L"CLIENT7", kAliceSid));
    if (!c.message.empty()) expected.push_back(c.message);
    Append(expected,
           Prelude(L"Canon (redirected 5)", L"Canon for bob", 5, L"bob", L"HOST5", kBobSid));
    expected.push_back(L"Successfully renamed the printer\n");
    Append(expected, NoHive(kBobSid, L"Canon for bob"));
    expected.push_back(kDone);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(wmi.PrinterNames(), (Lines{c.nameAfter, L"Canon for bob"}));
    EXPECT_EQ(printers->RenamedBySession().count(3), 0u);
  }
}

TEST_F(RenamePassTest, FetchesTheRenameMethodOncePerPass) {
  for (int i = 0; i < 4; ++i) wmi.AddPrinter(L"P" + std::to_wstring(i) + L" (redirected 3)");
  auto printers = MakePrinters();
  printers->RunRenamePass();
  EXPECT_EQ(wmi.CallCount("ExecMethod"), 4);
  EXPECT_EQ(wmi.CallCount("GetObject"), 1);
  EXPECT_EQ(wmi.CallCount("GetMethod"), 1);
  EXPECT_EQ(wmi.CallCount("SpawnInstance"), 4);
}

// Running out of memory ends the pass, not the service; the next pass
// starts afresh.
TEST_F(RenamePassTest, OutOfMemoryEndsOnlyThePass) {
  struct MemoryFailure {
    const char* label;
    std::function<void()> inject;
  };
  const MemoryFailure cases[] = {
      {"query", [&] { wmi.FailCall("ExecQuery", 1, hresult::kOutOfMemory); }},
      {"rename", [&] { wmi.FailCall("ExecMethod", 1, hresult::kOutOfMemory); }},
      {"allocation while preparing the call", [&] { wmi.ThrowOnCall("SpawnInstance", 1); }},
  };
  for (const MemoryFailure& c : cases) {
    SCOPED_TRACE(c.label);
    wmi.printers.Clear();
    wmi.AddPrinter(kRedirected3);
    auto printers = MakePrinters();
    c.inject();
    Lines log;
    EXPECT_NO_THROW(log = RunPass(*printers));
    EXPECT_EQ(log.back(), L"Ran out of memory, so this rename pass ends here\n");
    EXPECT_EQ(std::count(log.begin(), log.end(), kDone), 0);
    RunPass(*printers);
    EXPECT_EQ(wmi.PrinterNames(), Lines{kAliceName});
  }
}

// A user name with an apostrophe used to poison the query for good.
TEST_F(RenamePassTest, NamesWithApostrophesStayQueryable) {
  wts.AddSession(8, L"o'brien", L"PC8");
  accounts.AddUser(L"o'brien", L"S-1-5-21-100-200-300-1008");
  wmi.AddPrinter(L"HP (redirected 8)");
  auto printers = MakePrinters();
  printers->RunRenamePass();
  ASSERT_EQ(wmi.PrinterNames(), Lines{L"HP for o'brien"});

  wmi.AddPrinter(L"Canon (redirected 5)");
  TakeLog();
  printers->RunRenamePass();
  EXPECT_EQ(wmi.PrinterNames(), (Lines{L"HP for o'brien", L"Canon for bob"}));
  for (const std::wstring& line : TakeLog())
    EXPECT_EQ(line.find(L"Have current name HP for"), std::wstring::npos);
}

}  // namespace
}  // namespace vantrel::printers_test
