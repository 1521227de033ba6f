// The engine over a fake terminal server: printers in WMI and the spooler,
// sessions, accounts and a registry, with the log captured line by line.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "service/engine/printers.h"
#include "service/log.h"
#include "settings/settings.h"
#include "tests/fakes/fake_accounts.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_spooler.h"
#include "tests/fakes/fake_terminal_services.h"
#include "tests/fakes/fake_wmi.h"

namespace vantrel::printers_test {

class LineSink : public LogSink {
 public:
  explicit LineSink(std::shared_ptr<std::vector<std::wstring>> lines) : lines_(std::move(lines)) {}
  bool Open() override { return true; }
  void WriteAndFlush(const std::wstring& text) override { lines_->push_back(text); }

 private:
  std::shared_ptr<std::vector<std::wstring>> lines_;
};

// One expected log line, formatted by the log's own rules.
template <typename... Args>
std::wstring Line(const wchar_t* format, const Args&... args) {
  return FormatLogMessageW(format, std::vector<LogArg>{LogArg(args)...});
}

inline const wchar_t kAliceSid[] = L"S-1-5-21-100-200-300-1001";
inline const wchar_t kBobSid[] = L"S-1-5-21-100-200-300-1002";

class PrintersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettingsForTesting();
    SetSettingsRegistry(nullptr);
    Settings& settings = GetSettings();
    settings.NamingFormat = L"%printername% for %username%";
    settings.StripParens = false;
    settings.AppendToDuplicates = L" - Duplicate";
    logEnabled = true;
    SetLogSink(std::make_unique<LineSink>(log_));
    wts.AddSession(3, L"alice", L"CLIENT7");
    wts.AddSession(5, L"bob", L"HOST5");
    accounts.AddUser(L"alice", kAliceSid);
    accounts.AddUser(L"bob", kBobSid);
  }

  void TearDown() override {
    SetLogSink(nullptr);
    logEnabled = false;
    ResetSettingsForTesting();
  }

  Settings& settings() { return GetSettings(); }

  std::unique_ptr<Printers> MakePrinters() { return std::make_unique<Printers>(ports); }

  std::vector<std::wstring> TakeLog() {
    std::vector<std::wstring> lines = *log_;
    log_->clear();
    return lines;
  }

  // The lines that open a pass whose query succeeded.
  std::vector<std::wstring> PassStart(const Printers& printers) {
    return {L"We want to rename printers now\n",
            Line(L"Printer query is %s\n", printers.BuildPrinterQuery()),
            L"Query succeeded, going to start iterating printers\n"};
  }

  // The lines of a redirected printer up to the rename call. `inParens` is
  // what the check of the digits inside the parentheses found.
  static std::vector<std::wstring> Prelude(const std::wstring& current, const std::wstring& newName,
                                           int session, const std::wstring& user,
                                           const std::wstring& client, const std::wstring& sid,
                                           const wchar_t* inParens = L"was") {
    return {Line(L"Have current name %s\n", current),
            Line(L"Checked whether the session id was valid, and it %s\n", inParens),
            Line(L"The printer named %s should be renamed %s for session %d\n", current, newName,
                 session),
            Line(L"Going to rename this printer to %s for user %s on host %s\n", newName,
                 client + L"\\" + user, client),
            Line(L"The username %s corresponds to the SID %s\n", user, sid),
            Line(L"The SID for that user is %s\n", sid)};
  }

  // RegisterDefaultPrinter for a user whose hive is not loaded.
  static std::vector<std::wstring> NoHive(const std::wstring& sid, const std::wstring& name) {
    return {Line(L"Registering the default printer for %s to %s\n", sid, name),
            L"Failed to open the registry key 2\n"};
  }

  static void Append(std::vector<std::wstring>& to, const std::vector<std::wstring>& lines) {
    to.insert(to.end(), lines.begin(), lines.end());
  }

  testing::FakeWmi wmi;
  testing::FakeTerminalServices wts;
  testing::FakeAccounts accounts;
  testing::FakeSpooler spooler{wmi.printers};
  testing::FakeRegistry registry;
  testing::FakeSettingChangeBroadcaster broadcaster;
  EnginePorts ports{wmi, wts, accounts, spooler, registry, broadcaster};

 private:
  std::shared_ptr<std::vector<std::wstring>> log_ = std::make_shared<std::vector<std::wstring>>();
};

}  // namespace vantrel::printers_test
