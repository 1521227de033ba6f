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

  RecordedLog log;
  std::unique_ptr<FakeTerminalServer> server;
};

}  // namespace vantrel::testing
