// Fakes for the service host's ports. Each writes what happens to it into
// one shared journal, so tests can check the order of events across the
// engine, the timer, the event, the status channel and the log.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/log.h"
#include "service/service_entry.h"

namespace vantrel::testing {

class Journal {
 public:
  void Add(const std::string& entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
  }
  std::vector<std::string> Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> entries_;
};

class JournalLogSink : public LogSink {
 public:
  explicit JournalLogSink(Journal& journal) : journal_(journal) {}
  bool Open() override { return true; }
  void WriteAndFlush(const std::wstring& text) override { journal_.Add("log " + WideToUtf8(text)); }

 private:
  Journal& journal_;
};

class RecordingEngine : public PrinterEngine {
 public:
  RecordingEngine(Journal& journal, std::function<void()> duringPass)
      : journal_(journal), duringPass_(std::move(duringPass)) {
    journal_.Add("engine created");
  }
  ~RecordingEngine() override { journal_.Add("engine destroyed"); }
  void RunRenamePass() override {
    journal_.Add("pass begin");
    if (duringPass_) duringPass_();
    journal_.Add("pass end");
  }
  void ForgetSession(uint32_t sessionId) override {
    journal_.Add("forget " + std::to_string(sessionId));
  }

 private:
  Journal& journal_;
  std::function<void()> duringPass_;
};

class FakeTickTimer : public TickTimer {
 public:
  explicit FakeTickTimer(Journal& journal) : journal_(journal) {}
  ~FakeTickTimer() override { journal_.Add("timer closed"); }
  void Arm(ServiceContext&) override { journal_.Add("timer armed"); }
  void Cancel() override { journal_.Add("timer cancelled"); }

 private:
  Journal& journal_;
};

// Each wait runs the next scripted step (as a queued tick would run) and
// returns kIoCompletion; once the event is set, or the script is used up,
// the wait ends.
class FakeStopEvent : public StopEvent {
 public:
  FakeStopEvent(Journal& journal, std::vector<std::function<void()>> script)
      : journal_(journal), script_(std::move(script)) {}
  ~FakeStopEvent() override { journal_.Add("event closed"); }
  void Set() override {
    journal_.Add("event set");
    set_ = true;
  }
  WaitResult WaitAlertable() override {
    if (set_ || next_ == script_.size()) return WaitResult::kEnded;
    script_[next_++]();
    return WaitResult::kIoCompletion;
  }

 private:
  Journal& journal_;
  std::vector<std::function<void()>> script_;
  size_t next_ = 0;
  bool set_ = false;
};

class RecordingReporter : public StatusReporter {
 public:
  RecordingReporter(Journal& journal, std::vector<ServiceStatus>& reports)
      : journal_(journal), reports_(reports) {}
  ~RecordingReporter() override { journal_.Add("status handle cleared"); }
  void Report(const ServiceStatus& s) override {
    reports_.push_back(s);
    journal_.Add("status " + std::to_string(s.currentState));
  }

 private:
  Journal& journal_;
  std::vector<ServiceStatus>& reports_;
};

class ManualClock : public Clock {
 public:
  int64_t NowSeconds() override { return now; }
  int64_t now = 1700000000;
};

class FakePlatform : public HostPlatform {
 public:
  explicit FakePlatform(Journal& journal) : journal(journal) {}
  std::unique_ptr<PrinterEngine> CreateEngine() override {
    return std::make_unique<RecordingEngine>(journal, duringPass);
  }
  std::unique_ptr<TickTimer> CreateTickTimer() override {
    if (!timerCreates) return nullptr;
    return std::make_unique<FakeTickTimer>(journal);
  }
  std::unique_ptr<StopEvent> CreateStopEvent() override {
    if (!eventCreates) return nullptr;
    return std::make_unique<FakeStopEvent>(journal, waitScript);
  }
  Clock& clock() override { return manualClock; }

  Journal& journal;
  ManualClock manualClock;
  bool timerCreates = true;
  bool eventCreates = true;
  std::function<void()> duringPass;
  std::vector<std::function<void()>> waitScript;
};

class FakeRegistration : public ControlRegistration {
 public:
  FakeRegistration(Journal& journal, std::vector<ServiceStatus>& reports)
      : journal_(journal), reports_(reports) {}
  std::unique_ptr<StatusReporter> RegisterHandler(ServiceContext& context) override {
    journal_.Add("handler registered");
    registered = &context;
    if (fails) return nullptr;
    return std::make_unique<RecordingReporter>(journal_, reports_);
  }
  uint32_t LastError() override { return lastError; }

  ServiceContext* registered = nullptr;
  bool fails = false;
  uint32_t lastError = 0;

 private:
  Journal& journal_;
  std::vector<ServiceStatus>& reports_;
};

}  // namespace vantrel::testing
