#include "service/engine/rename_pass.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <string>

#include "service/engine/printers.h"
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
const Status kFail(hresult::kFail);

// A printer OnlyUseRegex passes over; `before` comes after the check.
std::wstring Skipped(const std::wstring& name, const std::wstring& pattern,
                     const std::wstring& before = L"") {
  return L"Have current name " + name +
         L"\nWe are using regular expressions to determine whether " + name + L" matches " +
         pattern + L"\n" + before +
         L"This printer is not of interest to us, so skipping to the next printer\n";
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
  // Another printer holds alice's name; its driver is excluded, so it is
  // not listed. A port other than "TS..." makes it one of the server's own.
  std::function<void()> Clash(bool deleting, std::function<void()> more = nullptr,
                              const wchar_t* port = L"TS009") {
    return [this, deleting, more, port] {
      settings().DoNotRenList = {L"Holder"};
      settings().DeleteDuplicates = deleting;
      server->wmi.AddPrinter(kHpAlice, L"Holder", port);
      if (more) more();
    };
  }
  std::function<void()> FailRename(int occurrence, RenameResult::Step step, Status status,
                                   int32_t returnValue = 0) {
    return [=, this] { server->wmi.FailRename(occurrence, {step, status, returnValue}); };
  }
  // Runs a pass over fresh fakes set up by `arrange` and then `printers`
  // (listed in this order), and checks its log after the opening lines, the
  // printers it leaves and the names it records.
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
  void ExpectSkipped(const char* label, const std::function<void()>& arrange,
                     const std::wstring& aliceLog, const Names& namesAfter = {kHp3, kCanonBob}) {
    Expect(label, arrange, {kHp3, kCanon5}, aliceLog + Renamed(5, kCanon5, kCanonBob) + kDone,
           namesAfter, {{5, {kCanonBob}}});
  }

  const std::wstring kPrelude = Prelude(3, kHp3, kHpAlice);
  const std::wstring kClash =
      kPrelude + L"Failed to rename the printer named " + kHp3 + L" because of return value 1802\n";
  const std::wstring kDeleting =
      kClash + L"Name already exists, deleting the old printer\nDeleting the printer named " +
      kHpAlice + L"\n";
  const std::wstring kDeleted = kDeleting +
                                L"Was able to open the printer\n"
                                L"The call to DeletePrinter returned 1 with error code 0\n"
                                L"Deleted the old printer, renaming it too\n";
  const std::wstring kAppending =
      kClash + L"Going to append something to the name of the printer\nAttempting to rename " +
      kHpAlice + L" to " + kSuffixed + L"\n";
  const Names kKeptHolder = {kHpAlice, kHp3, kCanonBob};
};

TEST_F(RenamePassTest, FollowsTheNamesAndTheSettings) {
  const std::wstring stripped = L"HP LaserJet alice on CLIENT7";
  Expect("both redirected forms, StripParens",
         [] {
           settings().NamingFormat = L"%printername% (%username% on %clientname%)";
           settings().StripParens = true;
         },
         {kFrom3, kCanon5},
         Renamed(3, kFrom3, stripped, nullptr) + Renamed(5, kCanon5, L"Canon bob on HOST5") + kDone,
         {stripped, L"Canon bob on HOST5"}, {{3, {stripped}}, {5, {L"Canon bob on HOST5"}}});
  Expect("regex, default pattern", [] { settings().OnlyUseRegex = true; }, {kFrom3, kCanon5},
         Renamed(3, kFrom3, kHpAlice, nullptr)
                 .insert(kFrom3.size() + 19,
                         L"We are using regular expressions to determine whether " + kFrom3 +
                             L" matches " + kPattern + L"\n") +
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
             Registered(3, kHpAlice) + Renamed(5, kCanon5, kCanonBob) + kDone,
         {kHpAlice, kCanonBob}, {{3, {kHpAlice}}, {5, {kCanonBob}}});
  const std::wstring trimmed = kHpAlice + L" (2)";
  Expect("clash, append trimmed suffix",
         Clash(false, [] { settings().AppendToDuplicates = L"\t(2)  "; }), {kHp3},
         kClash + L"Going to append something to the name of the printer\nAttempting to rename " +
             kHpAlice + L" to " + trimmed + L"\n" + Registered(3, trimmed) + kDone,
         {kHpAlice, trimmed}, {{3, {trimmed}}});
}

// A failed step leaves the printer for a later pass. An unreadable result
// may hide a rename that happened; the printer is then listed again.
TEST_F(RenamePassTest, AFailureSkipsOnlyThatPrinter) {
  const std::wstring hr = L".  hr: 0x80004005\n";
  ExpectSkipped("rename fails", FailRename(1, RenameResult::kExecute, kFail),
                kPrelude + L"Could not rename the printer" + hr);
  ExpectSkipped("result unreadable", FailRename(1, RenameResult::kReadResult, kFail), kPrelude,
                {kHpAlice, kCanonBob});
  ExpectSkipped(
      "DeviceID unreadable", [this] { server->wmi.FailCall("Read:DeviceID", 1, kFail); }, L"");
  ExpectSkipped(
      "no rename method", FailRename(1, RenameResult::kPrepare, Status(hresult::kWbemNotFound)),
      kPrelude + L"Could not prepare the parameters of the rename method.  hr: 0x80041002\n");
  ExpectSkipped("clash, delete: the holder is one of the server's queues",
                Clash(true, nullptr, L"USB001"),
                kDeleting + L"Was able to open the printer\nThe printer named " + kHpAlice +
                    L" is not a redirected printer on a TS port, so it is not deleted\n",
                kKeptHolder);
  ExpectSkipped(
      "clash, delete: open fails",
      Clash(true, [this] { server->spooler.openError = Status(win32_error::kAccessDenied); }),
      kDeleting + L"Was unable to open the printer\n", kKeptHolder);
  ExpectSkipped(
      "clash, delete: DeletePrinter fails",
      Clash(true, [this] { server->spooler.deleteError = Status(win32_error::kAccessDenied); }),
      kDeleting +
          L"Was able to open the printer\nThe call to DeletePrinter returned 0 with error code 5\n",
      kKeptHolder);
  ExpectSkipped("clash, delete: second rename fails",
                Clash(true, FailRename(2, RenameResult::kExecute, kFail)),
                kDeleted + L"Could not execute the rename method after the deletion" + hr);
  ExpectSkipped("clash, delete: second rename refused",
                Clash(true, FailRename(2, RenameResult::kDone, Status::Ok(), 5)),
                kDeleted + L"Failed to rename the printer after deletion because of error 5\n");
  // The suffixed rename is checked like the first: a name the printer does
  // not bear is neither recorded nor made anyone's default.
  ExpectSkipped("clash, append: suffixed name taken too",
                Clash(false, [this] { server->wmi.AddPrinter(kSuffixed, L"Holder", L"USB002"); }),
                kAppending + L"Failed to rename the printer to " + kSuffixed +
                    L" because of return value 1802\n",
                {kHpAlice, kSuffixed, kHp3, kCanonBob});
  ExpectSkipped(
      "clash, append: name not set", Clash(false, FailRename(2, RenameResult::kPrepare, kFail)),
      kAppending + L"Could not prepare the parameters of the rename method" + hr, kKeptHolder);
  ExpectSkipped(
      "clash, append: rename fails", Clash(false, FailRename(2, RenameResult::kExecute, kFail)),
      kAppending + L"Could not execute the rename method with the appended name" + hr, kKeptHolder);
  ExpectSkipped("clash, append: result unreadable",
                Clash(false, FailRename(2, RenameResult::kReadResult, kFail)),
                kAppending + L"Could not read the result of the rename to " + kSuffixed + L"\n",
                {kHpAlice, kSuffixed, kCanonBob});
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
      {L"no user", L"No user is known for session 8"},
  };
  for (const auto& [format, why] : cases) {
    SCOPED_TRACE(::testing::PrintToString(format));
    Reset();
    settings().NamingFormat = format;
    settings().DeleteDuplicates = true;
    server->AddUser(8, L"", L"", L"");
    const std::wstring printer = format == L"no user" ? L"HP (redirected 8)" : kHp3;
    server->wmi.AddPrinter(printer);
    Printers engine(server->ports);
    const std::wstring log = Pass(engine);
    EXPECT_TRUE(log.ends_with(L"\n" + why + L", so the printer is left as it is\n" + kDone))
        << ::testing::PrintToString(log);
    EXPECT_EQ(server->wmi.CallCount("Rename") + server->spooler.openCalls, 0);
    EXPECT_EQ(server->wmi.printers.Names(), Names{printer});
  }
}

}  // namespace
}  // namespace vantrel::testing
