#include "service/engine/rename_pass.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "service/engine/printers.h"
#include "tests/service/engine/printers_fixture.h"

namespace vantrel::testing {
namespace {

const std::wstring kHp3 = L"HP LaserJet (redirected 3)";
const std::wstring kHpAlice = L"HP LaserJet for alice";
const std::wstring kSuffixed = kHpAlice + L" - Duplicate";
const std::wstring kCanon5 = L"Canon (redirected 5)";
const std::wstring kCanonBob = L"Canon for bob";
const Status kFail(hresult::kFail);
using Given = std::map<uint32_t, Names>;

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

  Given given;
};

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
           L" on host " + client + L"\nThe username " + user + L" corresponds to the SID " + sid +
           L"\nThe SID for that user is " + sid + L"\n";
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

  Run(Clash(false, [] { settings().AppendToDuplicates = L"\t(2)  "; }), {kHp3});
  EXPECT_EQ(After(), (Names{kHpAlice, kHpAlice + L" (2)"}));
  EXPECT_EQ(given, (Given{{3, {kHpAlice + L" (2)"}}}));
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
  };
  const Case cases[] = {
      {FailRename(1, RenameResult::kReadResult, kFail), L"", {kHpAlice, kCanonBob}},
      {FailRename(1, RenameResult::kPrepare, Status(hresult::kWbemNotFound)),
       L"Could not prepare the parameters of the rename method.  hr: 0x80041002\n",
       {kHp3, kCanonBob}},
      {Clash(true, FailRename(2, RenameResult::kDone, Status::Ok(), 5)),
       L"Failed to rename the printer after deletion because of error 5\n",
       {kHp3, kCanonBob}},
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

}  // namespace
}  // namespace vantrel::testing
