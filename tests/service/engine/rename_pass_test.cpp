#include "service/engine/rename_pass.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/service/engine/printers_fixture.h"

namespace vantrel::testing {
namespace {

const std::wstring kHp3 = L"HP LaserJet (redirected 3)";
const std::wstring kHpAlice = L"HP LaserJet for alice";
const std::wstring kSuffixed = kHpAlice + L" - Duplicate";
const std::wstring kFrom3 = L"HP LaserJet (from CLIENT7) in session 3";
const std::wstring kCanon5 = L"Canon (redirected 5)";
const std::wstring kCanonBob = L"Canon for bob";
const std::wstring kPattern = L"in [Ss]ession [0-9]+";
const std::wstring kBadPattern = L"in [Ss]ession ([0-9]+";

// `log` with the OnlyUseRegex check after its first line.
std::wstring Checked(std::wstring log, const std::wstring& name, const std::wstring& pattern) {
  return log.insert(log.find(L'\n') + 1, L"We are using regular expressions to determine whether " +
                                             name + L" matches " + pattern + L"\n");
}
std::wstring Skipped(const std::wstring& name, const std::wstring& pattern,
                     const std::wstring& before = L"") {
  return Checked(L"Have current name " + name + L"\n" + before +
                     L"This printer is not of interest to us, so skipping to the next printer\n",
                 name, pattern);
}
std::wstring CompileError(const std::wstring& pattern) {
  try {
    std::wregex compiled(pattern);
  } catch (const std::regex_error& e) {
    const std::string why = e.what();
    return L"The regular expression " + pattern + L" could not be compiled (" +
           std::wstring(why.begin(), why.end()) + L"), so no printer is of interest in this pass\n";
  }
  return L"";
}

class RenamePassTest : public PrintersTest {
 protected:
  // Another redirected printer holds alice's name; its driver is excluded,
  // so it is not listed. `port` "USB001" makes it one of the server's own.
  std::function<void()> Clash(bool deleting, std::function<void()> more = nullptr,
                              const wchar_t* port = L"TS009") {
    return [this, deleting, more, port] {
      settings().DoNotRenList = {L"Holder"};
      settings().DeleteDuplicates = deleting;
      server->wmi.AddPrinter(kHpAlice, L"Holder", port);
      if (more) more();
    };
  }
  std::function<void()> Fail(const char* call, int occurrence, HResult hr) {
    return [this, call, occurrence, hr] { server->wmi.FailCall(call, occurrence, hr); };
  }
  // Runs a pass over fresh fakes set up by `arrange` and then `printers` (on
  // TS ports, listed in this order), and checks its log after the opening
  // lines, the printers it leaves and the names it records.
  void Expect(const char* label, const std::function<void()>& arrange, const Names& printers,
              const std::wstring& log, const Names& namesAfter,
              const std::map<uint32_t, Names>& given) {
    SCOPED_TRACE(label);
    Reset();
    if (arrange) arrange();
    for (const std::wstring& name : printers) server->wmi.AddPrinter(name);
    Printers engine(server->ports);
    EXPECT_EQ(Pass(engine), log);
    EXPECT_EQ(server->wmi.printers.Names(), namesAfter);
    EXPECT_EQ(engine.RenamedBySession(), given);
  }
  // Whatever fails for alice's printer, no name is recorded for it and the
  // pass goes on with bob's.
  void ExpectSkipped(const char* label, const std::function<void()>& inject,
                     const std::wstring& aliceLog, const Names& namesAfter = {kHp3, kCanonBob}) {
    Expect(label, inject, {kHp3, kCanon5}, aliceLog + Renamed(5, kCanon5, kCanonBob) + kDone,
           namesAfter, {{5, {kCanonBob}}});
  }

  const std::wstring kPrelude = Prelude(3, kHp3, kHpAlice);
  const std::wstring kClash =
      kPrelude + L"Failed to rename the printer named " + kHp3 + L" because of return value 1802\n";
  const std::wstring kDeleting = kClash +
                                 L"Name already exists, deleting the old printer\n"
                                 L"Deleting the printer named " +
                                 kHpAlice + L"\n";
  const std::wstring kDeleted = kDeleting +
                                L"Was able to open the printer\n"
                                L"The call to DeletePrinter returned 1 with error code 0\n"
                                L"Deleted the old printer, renaming it too\n";
  std::wstring Appending(const std::wstring& suffixed) const {
    return kClash + L"Going to append something to the name of the printer\nAttempting to rename " +
           kHpAlice + L" to " + suffixed + L"\n";
  }
  const std::wstring kThenBob = Renamed(5, kCanon5, kCanonBob) + kDone;
};

TEST_F(RenamePassTest, FollowsTheNamesAndTheSettings) {
  Expect("first attempt", nullptr, {kHp3}, Renamed(3, kHp3, kHpAlice) + kDone, {kHpAlice},
         {{3, {kHpAlice}}});
  const std::wstring stripped = L"HP LaserJet alice on CLIENT7";
  Expect(
      "both redirected forms, StripParens",
      [] {
        settings().NamingFormat = L"%printername% (%username% on %clientname%)";
        settings().StripParens = true;
      },
      {kFrom3, kCanon5},
      Renamed(3, kFrom3, stripped, nullptr) + Renamed(5, kCanon5, L"Canon bob on HOST5") + kDone,
      {stripped, L"Canon bob on HOST5"}, {{3, {stripped}}, {5, {L"Canon bob on HOST5"}}});
  Expect("no paren, unknown session", nullptr, {L"Office Laser", L"HP (redirected 9)"},
         L"Have current name Office Laser\n"
         L"There was no paren in the current name (\"Office Laser\"), so we're bailing\n"
         L"Have current name HP (redirected 9)\n"
         L"Checked whether the session id was valid, and it was not\n"
         L"We were entirely unable to find the session start or end location.  Start: "
         L"0xFFFFFFFF, End: 0xFFFFFFFF\n" +
             kDone,
         {L"Office Laser", L"HP (redirected 9)"}, {});
  ExpectSkipped(
      "user without a SID", [this] { server->wts.AddSession(3, L"ghost", L"PC7"); },
      L"Have current name HP LaserJet (redirected 3)\n"
      L"Checked whether the session id was valid, and it was\n"
      L"The printer named HP LaserJet (redirected 3) should be renamed HP LaserJet for "
      L"ghost for session 3\n"
      L"Going to rename this printer to HP LaserJet for ghost for user PC7\\ghost on host "
      L"PC7\n"
      L"Could not convert the username ghost to a SID.  Error: 1332\n");
  Expect("regex, default pattern", [] { settings().OnlyUseRegex = true; }, {kFrom3, kCanon5},
         Checked(Renamed(3, kFrom3, kHpAlice, nullptr), kFrom3, kPattern) +
             Skipped(kCanon5, kPattern) + kDone,
         {kHpAlice, kCanon5}, {{3, {kHpAlice}}});
  Expect("regex that does not compile, reported once",
         [] {
           settings().OnlyUseRegex = true;
           settings().RenameRegex = kBadPattern;
         },
         {kFrom3, kCanon5},
         Skipped(kFrom3, kBadPattern, CompileError(kBadPattern)) + Skipped(kCanon5, kBadPattern) +
             kDone,
         {kFrom3, kCanon5}, {});
  Expect("clash, delete", Clash(true), {kHp3, kCanon5},
         kDeleted + L"Successfully renamed the printer after the deletion\n" +
             Registered(3, kHpAlice) + kThenBob,
         {kHpAlice, kCanonBob}, {{3, {kHpAlice}}, {5, {kCanonBob}}});
  const std::wstring trimmed = kHpAlice + L" (2)";
  Expect("clash, append trimmed suffix",
         Clash(false, [] { settings().AppendToDuplicates = L"\t(2)  "; }), {kHp3, kCanon5},
         Appending(trimmed) + Registered(3, trimmed) + kThenBob, {kHpAlice, trimmed, kCanonBob},
         {{3, {trimmed}}, {5, {kCanonBob}}});
}

// An unreadable result may hide a rename that happened; the printer is then
// listed again.
TEST_F(RenamePassTest, AFailureSkipsOnlyThatPrinter) {
  const std::wstring& p = kPrelude;
  const std::wstring prepare = L"Could not prepare the parameters of the rename method.  hr: 0x";
  const std::wstring notRenamed = L"Could not rename the printer.  hr: 0x";
  ExpectSkipped("rename fails", Fail("ExecMethod", 1, hresult::kFail),
                p + notRenamed + L"80004005\n");
  ExpectSkipped("no out-parameters", Fail("ExecMethod", 1, hresult::kFalse),
                p + notRenamed + L"1\n");
  ExpectSkipped("result unreadable", Fail("Get:ReturnValue", 1, hresult::kFail), p,
                {kHpAlice, kCanonBob});
  ExpectSkipped("DeviceID unreadable", Fail("Get:DeviceID", 1, hresult::kFail), L"");
  ExpectSkipped("path unreadable", Fail("Get:__PATH", 1, hresult::kFail),
                p + notRenamed + L"8004103A\n");
  ExpectSkipped("no class object", Fail("GetObject", 1, hresult::kFail),
                p + prepare + L"80004005\n");
  ExpectSkipped("no method", Fail("GetMethod", 1, hresult::kWbemNotFound),
                p + prepare + L"80041002\n");
  ExpectSkipped("no parameters", Fail("SpawnInstance", 1, hresult::kFail),
                p + prepare + L"80004005\n");
  ExpectSkipped("name not put", Fail("Put:NewPrinterName", 1, static_cast<HResult>(0x80041005)),
                p + prepare + L"80041005\n");

  const Names keptHolder = {kHpAlice, kHp3, kCanonBob};
  ExpectSkipped("clash, delete: the holder is one of the server's queues",
                Clash(true, nullptr, L"USB001"),
                kDeleting + L"Was able to open the printer\nThe printer named " + kHpAlice +
                    L" is not a redirected printer on a TS port, so it is not deleted\n",
                keptHolder);
  ExpectSkipped("clash, delete: open fails",
                Clash(true, [this] { server->spooler.failOpen = true; }),
                kDeleting + L"Was unable to open the printer\n", keptHolder);
  ExpectSkipped(
      "clash, delete: DeletePrinter fails",
      Clash(true, [this] { server->spooler.deleteError = 5; }),
      kDeleting +
          L"Was able to open the printer\nThe call to DeletePrinter returned 0 with error code 5\n",
      keptHolder);
  ExpectSkipped(
      "clash, delete: second rename fails", Clash(true, Fail("ExecMethod", 2, hresult::kFail)),
      kDeleted + L"Could not execute the rename method after the deletion.  hr: 0x80004005\n");
  ExpectSkipped("clash, delete: second rename refused", Clash(true, Fail("RenamePrinter", 2, 5)),
                kDeleted + L"Failed to rename the printer after deletion because of error 5\n");
  // The suffixed rename is checked like the first: a name the printer does
  // not bear is neither recorded nor made anyone's default.
  ExpectSkipped("clash, append: suffixed name taken too",
                Clash(false, [this] { server->wmi.AddPrinter(kSuffixed, L"Holder", L"USB002"); }),
                Appending(kSuffixed) + L"Failed to rename the printer to " + kSuffixed +
                    L" because of return value 1802\n",
                {kHpAlice, kSuffixed, kHp3, kCanonBob});
  ExpectSkipped(
      "clash, append: rename fails", Clash(false, Fail("ExecMethod", 2, hresult::kFail)),
      Appending(kSuffixed) +
          L"Could not execute the rename method with the appended name.  hr: 0x80004005\n",
      keptHolder);
  ExpectSkipped(
      "clash, append: result unreadable", Clash(false, Fail("Get:ReturnValue", 2, hresult::kFail)),
      Appending(kSuffixed) + L"Could not read the result of the rename to " + kSuffixed + L"\n",
      {kHpAlice, kSuffixed, kCanonBob});
}

// A name the spooler would refuse, or a session without a user, leaves the
// printer as it is before anything is asked of WMI, the spooler or a hive:
// a refused rename would otherwise pass for a clash.
TEST_F(RenamePassTest, LeavesAloneWhatCouldNotBeAPrinterName) {
  struct Case {
    const char* label;
    std::wstring format, printer, reason;
  };
  const std::wstring longName(216, L'L');
  const Case cases[] = {
      {"empty format", L"", kHp3, L"The name  cannot be given to a printer (it is empty)"},
      {"comma", L"%printername%, %username%", kHp3,
       L"The name HP LaserJet, alice cannot be given to a printer (it contains a comma)"},
      {"backslash", L"%clientname%\\%username%", kHp3,
       L"The name CLIENT7\\alice cannot be given to a printer (it contains a backslash)"},
      {"too long", L"%printername% for %username%", longName + L" (redirected 3)",
       L"The name " + longName + L" for alice cannot be given to a printer (it is longer than 220 "
       L"characters)"},
      {"no user", L"%printername% for %username%", L"HP (redirected 8)",
       L"No user is known for session 8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Reset();
    settings().NamingFormat = c.format;
    settings().DeleteDuplicates = true;
    server->wts.AddSession(8, L"", L"");
    server->wmi.AddPrinter(c.printer);
    Printers engine(server->ports);
    const std::wstring log = Pass(engine);
    EXPECT_TRUE(log.ends_with(L"\n" + c.reason + L", so the printer is left as it is\n" + kDone))
        << ::testing::PrintToString(log);
    EXPECT_EQ(server->wmi.CallCount("ExecMethod") + server->spooler.openCalls, 0);
    EXPECT_EQ(server->wmi.printers.Names(), Names{c.printer});
  }
}

}  // namespace
}  // namespace vantrel::testing
