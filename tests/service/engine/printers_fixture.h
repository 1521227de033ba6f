// The engine over a fake terminal server with sessions 3 (alice at CLIENT7)
// and 5 (bob at HOST5), the log recorded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "tests/fakes/fake_terminal_server.h"
#include "tests/fakes/recording_log_sink.h"

namespace vantrel::testing {

inline const std::wstring kAliceSid = L"S-1-5-21-100-200-300-1001";
inline const std::wstring kBobSid = L"S-1-5-21-100-200-300-1002";
inline const std::wstring kDone = L"All done renaming printers\n";
using Names = std::vector<std::wstring>;

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
    const std::wstring start = L"We want to rename printers now\nPrinter query is " +
                               printers.BuildPrinterQuery() +
                               L"\nQuery succeeded, going to start iterating printers\n";
    log.Clear();
    printers.RunRenamePass();
    const std::wstring text = log.Text();
    EXPECT_EQ(text.substr(0, start.size()), start);
    return text.rfind(start, 0) == 0 ? text.substr(start.size()) : text;
  }

  // The log of a printer of session 3 or 5 up to the rename call. `inParens`
  // is what the check of the digits inside the parentheses found, null when
  // digits after them decided.
  static std::wstring Prelude(int session, const std::wstring& current, const std::wstring& newName,
                              const wchar_t* inParens = L"was") {
    const std::wstring user = session == 3 ? L"alice" : L"bob";
    const std::wstring client = session == 3 ? L"CLIENT7" : L"HOST5";
    const std::wstring sid = session == 3 ? kAliceSid : kBobSid;
    const std::wstring checked =
        inParens ? L"Checked whether the session id was valid, and it " + std::wstring(inParens) +
                       L"\n"
                 : L"";
    return L"Have current name " + current + L"\n" + checked + L"The printer named " + current +
           L" should be renamed " + newName + L" for session " + std::to_wstring(session) +
           L"\nGoing to rename this printer to " + newName + L" for user " + client + L"\\" +
           user + L" on host " + client + L"\nThe username " + user + L" corresponds to the SID " +
           sid + L"\nThe SID for that user is " + sid + L"\n";
  }
  // After a rename to `name`: the user's hive is not loaded.
  static std::wstring Registered(int session, const std::wstring& name) {
    return L"Registering the default printer for " + (session == 3 ? kAliceSid : kBobSid) +
           L" to " + name + L"\nFailed to open the registry key 2\n";
  }
  static std::wstring Renamed(int session, const std::wstring& current, const std::wstring& newName,
                              const wchar_t* inParens = L"was") {
    return Prelude(session, current, newName, inParens) + L"Successfully renamed the printer\n" +
           Registered(session, newName);
  }

  RecordedLog log;
  std::unique_ptr<FakeTerminalServer> server;
};

}  // namespace vantrel::testing
