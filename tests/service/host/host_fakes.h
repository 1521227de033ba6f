// Fakes for the service host's ports and a fixture over them. Every fake and
// the log write into one journal, so a test compares a single transcript of
// the engine, timer, event, status channel and log in their order. Log lines
// are the entries that end in "\n". The fakes may be called from two
// threads; the log's own entries are not locked with theirs, so tests that
// use two threads at once leave the log off.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/service_entry.h"
#include "settings/settings.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/recording_log_sink.h"

namespace vantrel::testing {

using Journal = std::vector<std::wstring>;

struct Journaling {
  explicit Journaling(Journal& j) : journal(j) {}
  Journal& journal;
  void Add(const std::wstring& entry) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    journal.push_back(entry);
  }
};

struct FakeEngine : PrinterEngine, Journaling {
  FakeEngine(Journal& j, std::function<void()> duringPass) : Journaling(j), during(duringPass) {
    Add(L"engine created");
  }
  ~FakeEngine() override { Add(L"engine destroyed"); }
  void RunRenamePass() override {
    Add(L"pass begin");
    if (during) during();
    Add(L"pass end");
  }
  void ForgetSession(uint32_t id) override { Add(L"forget " + std::to_wstring(id)); }
  std::function<void()> during;
};

// Refuses the first `failures` armings; remembers the context it ticks.
struct FakeTimer : TickTimer, Journaling {
  FakeTimer(Journal& j, int& failures, ServiceContext*& armed)
      : Journaling(j), failures(failures), armed(armed) {}
  ~FakeTimer() override { Add(L"timer closed"); }
  bool Arm(ServiceContext& context) override {
    if (failures > 0) {
      --failures;
      Add(L"timer arm failed");
      return false;
    }
    armed = &context;
    Add(L"timer armed");
    return true;
  }
  void Cancel() override { Add(L"timer cancelled"); }
  int& failures;
  ServiceContext*& armed;
};

// Each wait runs the next scripted step (as a queued tick would run) and
// returns kIoCompletion. Once the event is set, or the script is used up,
// the wait ends; with `blocks`, a wait after the script waits for Set. A
// limited wait is journaled as "wait <ms>".
struct FakeStopEvent : StopEvent, Journaling {
  FakeStopEvent(Journal& j, std::vector<std::function<void()>> s, bool blocks)
      : Journaling(j), script(s), blocks(blocks) {}
  ~FakeStopEvent() override { Add(L"event closed"); }
  void Set() override {
    Add(L"event set");
    std::lock_guard lock(mutex);
    set = true;
    signalled.notify_all();
  }
  void Wake() override { Add(L"wake"); }
  WaitResult WaitAlertable(uint32_t timeoutMs) override {
    if (timeoutMs != kInfinite) Add(L"wait " + std::to_wstring(timeoutMs));
    std::unique_lock lock(mutex);
    if (!set && next < script.size()) {
      auto& step = script[next++];
      lock.unlock();
      step();
      return WaitResult::kIoCompletion;
    }
    if (blocks) signalled.wait(lock, [this] { return set; });
    return WaitResult::kEnded;
  }
  std::vector<std::function<void()>> script;
  const bool blocks;
  size_t next = 0;
  std::mutex mutex;
  std::condition_variable signalled;
  bool set = false;
};

// Journals a report as "status <state> <accepted, hex> <exit code>
// <check point> <wait hint>".
struct FakeReporter : StatusReporter, Journaling {
  using Journaling::Journaling;
  ~FakeReporter() override { Add(L"status handle cleared"); }
  void Report(const ServiceStatus& s) override {
    EXPECT_EQ(s.serviceType, 0x10u);
    EXPECT_EQ(s.serviceSpecificExitCode, 0u);
    wchar_t text[96];
    swprintf(text, 96, L"status %u %X %u %u %u", s.currentState, s.controlsAccepted,
             s.win32ExitCode, s.checkPoint, s.waitHint);
    Add(text);
  }
};

struct FakePlatform : HostPlatform, Clock, Journaling {
  using Journaling::Journaling;
  std::unique_ptr<PrinterEngine> CreateEngine() override {
    return std::make_unique<FakeEngine>(journal, duringPass);
  }
  std::unique_ptr<TickTimer> CreateTickTimer() override {
    return std::make_unique<FakeTimer>(journal, armFailures, armed);
  }
  std::unique_ptr<StopEvent> CreateStopEvent() override {
    return eventCreates ? std::make_unique<FakeStopEvent>(journal, waitScript, waitBlocks)
                        : nullptr;
  }
  uint32_t CreateStopEventError() override { return eventError; }
  Clock& clock() override { return *this; }
  int64_t NowSeconds() override { return now; }

  int64_t now = 1700000000;
  bool eventCreates = true;
  uint32_t eventError = 0;
  int armFailures = 0;
  ServiceContext* armed = nullptr;  // the context the timer last ticked for
  bool waitBlocks = false;
  std::function<void()> duringPass;
  std::vector<std::function<void()>> waitScript;
};

struct FakeRegistration : ControlRegistration, Journaling {
  using Journaling::Journaling;
  std::unique_ptr<StatusReporter> RegisterHandler(ControlGate&) override {
    Add(L"handler registered");
    return fails ? nullptr : std::make_unique<FakeReporter>(journal);
  }
  bool fails = false;
};

// The process-wide Settings read from an in-memory registry, and the log
// (off until a test or "withlog" turns it on) written into the journal.
class HostTest : public ::testing::Test {
 protected:
  HostTest() {
    SetSettingsRegistry(&registry);
    ResetSettingsForTesting();
    SetLogSink(std::make_unique<RecordingLogSink>(journalPtr));
  }
  ~HostTest() override {
    logEnabled = false;
    SetLogSink(nullptr);
    SetSettingsRegistry(nullptr);
    ResetSettingsForTesting();
  }

  // The journal in one line, entries separated by "; ".
  std::wstring Transcript() const {
    std::wstring all;
    for (const auto& entry : journal) all += (all.empty() ? L"" : L"; ") + entry;
    return all;
  }

  FakeRegistry registry;
  std::shared_ptr<Journal> journalPtr = std::make_shared<Journal>();
  Journal& journal = *journalPtr;
  FakePlatform platform{journal};
  CheckPointCounter checkPoints;
};

}  // namespace vantrel::testing
